#pragma once
// The layout of the sky table that SkyTableMaker writes when the program is built and
// SkyOfYear reads (almanac/YearSky.h): per year, the day of each row of SolarTermDefs and
// the year's lunar months.

#include <array>
#include <cstdint>

#include "almanac/SolarTerms.h"

// A year's lunar months run from the month of the winter solstice two years before to that
// of the solstice after it: two spans of 12 or 13 months and the last month.
constexpr int MaxSkyTableMonths = 28;

struct TSkyTableMonth {
    int32_t FirstDay;
    int8_t Number;
    bool Leap;
};

struct TSkyTableYear {
    std::array<int32_t, SolarTermCount> TermDays;
    int8_t MonthCount;
    std::array<TSkyTableMonth, MaxSkyTableMonths> Months;
};
