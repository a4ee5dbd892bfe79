#pragma once
// The page of a day in words for a screen reader: the accessible name of the main window
// and of every paper, with the day's memo.

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>

#include "almanac/DayFacts.h"

// The date, the weekday, the era year, the lunar date with its rokuyō, the holiday and the
// solar term, separated by spaces; facts the day does not have are left out.
// A memo (may hold line breaks) follows last, its line breaks read as spaces;
// one that is empty or only spaces and line breaks adds nothing.
std::string DescribePage(const TDayFacts& facts, std::string_view memo = {});
// The description of day `day` from the process-wide Almanac, which must exist, with the
// day's memo from the process-wide memo store when there is one.
QString PageDescription(int32_t day);
