#pragma once
// ΔT = TT − UT, the difference between terrestrial (dynamical) time and universal time.

// ΔT in seconds at `decimalYear` (of UT). Between 1657 and 2032 from the table of observed
// values and predictions (almanac/data/DeltaT.inc), outside it from the polynomials of
// Espenak & Meeus (2006); the difference of the two at each end of the table fades out
// over a century, so that ΔT is continuous everywhere.
double DeltaTSeconds(double decimalYear);
