#pragma once
// The almanac's view of the date scale (storage/DateUtils.h holds the calendar arithmetic):
// how a date with a time of day maps to its day and to an unbroken time line.

#include <cstdint>

#include "storage/DateUtils.h"

// First and last day numbers of the supported years 1..9999.
constexpr int32_t FirstSupportedDay = -693593;  // 0001-01-01
constexpr int32_t LastSupportedDay = 2958465;   // 9999-12-31

// The date brought into the supported range (NaN counts as day 0).
double ClampDate(double date);
// The day number of a date: its whole part, truncated toward zero as the date scale does
// for days before 1899-12-30; the date is clamped first.
int32_t DayNumberOfDate(double date);
// The date of a day number at a time of day (fraction 0 <= timeOfDay < 1), in the date
// scale's encoding: before day 0 the fraction is subtracted (noon of day -5 is -5.5).
double DateOfDay(int32_t dayNumber, double timeOfDay);
// A date as days on an unbroken time line. Before day 0 the date scale keeps the day in
// the whole part and the time of day as a positive fraction (-1.25 is 1899-12-29 06:00,
// that is -0.75 on the time line); from day 0 on the two agree.
double ContinuousDays(double date);
