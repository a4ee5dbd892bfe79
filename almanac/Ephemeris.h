#pragma once
// Positions of the sun and the moon from short trigonometric series, for Japan Standard
// Time. Dates are on the day-number scale (Almanac); angles are degrees.
//
// SunLongitude and MoonLongitude are the only places that know the series: a more precise
// model replaces them without touching their callers.

// Julian years (of 365.25 days) from 1975 January 0.0 UT to the JST instant `date`, with
// the time of day cut to whole UT hours. The day count is exact for every date.
double TimeArgument(double date);
// The angle brought into [0, 360).
double NormalizeDegrees(double angleDeg);
// A difference of two longitudes brought into (-180, 180], so that a step across the
// 0°/360° point is taken the short way.
double LongitudeDifference(double differenceDeg);

// Apparent ecliptic longitude of the sun at the JST instant `date`, in [0, 360).
double SunLongitude(double date);
// Ecliptic longitude of the moon at the JST instant `date`, in [0, 360).
double MoonLongitude(double date);
// Elongation of the moon in units of 12°, in [0, 30): it falls from just under 30 to just
// over 0 across a new moon.
double MoonAge(double date);

// The day on which the sun reaches `longitudeDeg`, by one linear step from 0h JST of day
// `startDay` (a day within a few days of the event); the caller truncates the result.
double FindLongitudeDay(double longitudeDeg, int startDay);
