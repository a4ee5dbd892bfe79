#pragma once
// The page of a day in words for a screen reader: the accessible name of the main window
// and of every paper.

#include <QString>

#include <cstdint>
#include <string>

#include "almanac/DayFacts.h"

// The date, the weekday, the era year, the lunar date with its rokuyō, the holiday and the
// solar term, separated by spaces (Shift_JIS); facts the day does not have are left out.
std::string DescribePage(const TDayFacts& facts);
// The description of day `day` from the process-wide Almanac, which must exist; its held
// date stays as it is.
QString PageDescription(int32_t day);
