#pragma once
// Positions of the sun and the moon for Japan Standard Time, and the searches for the
// instants at which the sun reaches a longitude and the moon is new. Dates are on the
// day-number scale (Almanac); angles are degrees (Angles.h reduces them).
//
// The longitudes come from VSOP87D for the sun (SunPosition.h) and ELP/MPP02 for the moon
// (MoonPosition.h), with terrestrial time from universal time through ΔT (DeltaT.h). The
// searches start from the short series (ShortSeries.h) and iterate the precise models until
// a step is shorter than a second.
//
// Instants ("jstDays") are days on the unbroken day-number line: 0 = 1899-12-30 0h JST, and
// -0.75 is 1899-12-29 06:00 (the date scale writes that as -1.25; see ContinuousDays).

// Julian years (of 365.25 days) from 1975 January 0.0 UT to the JST instant `date`, with
// the time of day cut to whole UT hours. The day count is exact for every date.
double TimeArgument(double date);
// Julian centuries of terrestrial time from J2000.0 (2000-01-01 12h TT) at the JST instant
// `jstDays`: nine hours back to UT, then ΔT on.
double TerrestrialCenturies(double jstDays);

// Apparent geocentric ecliptic longitude of the sun, of date, at the JST instant `date`, in
// [0, 360); better than 0.1" against the complete VSOP87D over 1900..2100.
double SunLongitude(double date);
// Apparent geocentric ecliptic longitude of the moon, of date, at the JST instant `date`, in
// [0, 360); better than 0.3" against the complete ELP/MPP02 over 1900..2100.
double MoonLongitude(double date);
// Elongation of the moon in units of 12°, in [0, 30): it falls from just under 30 to just
// over 0 across a new moon.
double MoonAge(double date);
// The same at the instant `jstDays`.
double MoonAgeAtInstant(double jstDays);

// The instant (jstDays) at which the sun reaches `longitudeDeg`, searched from 0h JST of day
// `startDay`, a day within a few days of the event; converged to within a second.
double FindLongitudeInstant(double longitudeDeg, int startDay);
// The same event as a date: its whole part (truncated, as the date scale does) is the JST
// day on which the sun reaches `longitudeDeg`, its fraction the time of day.
double FindLongitudeDay(double longitudeDeg, int startDay);
// The instant (jstDays) of the new moon nearest to the JST instant `jstDays` (within half a
// lunation of it); converged to within a second.
double FindNewMoonInstant(double jstDays);
// The JST day that contains the instant `jstDays`.
int DayOfInstant(double jstDays);
