#pragma once
// The sun's apparent place from the VSOP87D theory of the earth (almanac/data/Vsop87dEarth.inc).

// Heliocentric coordinates of the earth, mean ecliptic and equinox of date.
struct THeliocentricEarth {
    double LongitudeRad;  // not reduced to one turn
    double LatitudeRad;
    double DistanceAu;
};

// The earth at `centuriesTT` Julian centuries of TT (taken as TDB) from J2000.0; within
// 0.1" of the complete series over 1900..2100.
THeliocentricEarth EarthPosition(double centuriesTT);

// Geocentric ecliptic longitude of the sun on the mean ecliptic and equinox of date in
// degrees, not reduced to one turn: the earth's heliocentric place turned by 180°, brought
// to the FK5 system, with the aberration (−20.4898" / R). The apparent longitude adds the
// nutation in longitude (Nutation.h).
double SunMeanLongitudeWithAberrationDeg(double centuriesTT);
