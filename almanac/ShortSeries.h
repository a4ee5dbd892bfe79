#pragma once
// Short trigonometric series of the sun's and the moon's longitude, within 0.006° (the
// sun, about nine minutes of its motion) and 0.01° (the moon) of the precise models over
// 1900..2100. They are cheap, and the searches start from them before the precise models
// (SunPosition.h, MoonPosition.h) take over.

// Julian years (of 365.25 days) from 1975 January 0.0 UT to the JST instant `jstDays` (days
// on the unbroken day-number line, 0 = 1899-12-30 0h JST).
double ShortSeriesYears(double jstDays);
// Apparent ecliptic longitude of the sun in degrees, [0, 360), `years` as above.
double ShortSeriesSunLongitude(double years);
// Ecliptic longitude of the moon in degrees, [0, 360), `years` as above (in UT: the series
// adds the difference of dynamical time itself).
double ShortSeriesMoonLongitude(double years);
