#pragma once
// Nutation of the earth's axis by the IAU 1980 theory.

// Nutation in longitude Δψ in arc-seconds at `centuriesTT` Julian centuries of TT from
// J2000.0; the terms below 0.0003" are left out (about 0.001" in all).
double NutationInLongitudeArcsec(double centuriesTT);
