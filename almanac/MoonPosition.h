#pragma once
// The moon's apparent longitude from the ELP/MPP02 lunar theory (almanac/data/ElpMpp02.inc).

// Geometric geocentric longitude of the moon in radians (not reduced to one turn) on the
// mean ecliptic of date, counted from the fixed departure point γ'2000 as the theory gives
// it; `centuriesTT` is in Julian centuries of TT (taken as TDB) from J2000.0.
double MoonLongitudeFromDeparturePointRad(double centuriesTT);

// Geocentric ecliptic longitude of the moon on the mean ecliptic and equinox of date in
// degrees, not reduced to one turn: the theory's longitude plus the general precession from
// J2000.0 and the light time (−0.704", the moon's mean transverse speed times its light
// time). Within 0.3" of the complete series over 1900..2100. The apparent longitude adds the
// nutation in longitude (Nutation.h).
double MoonMeanLongitudeWithLightTimeDeg(double centuriesTT);
