#pragma once
// The astronomical half of a year's tables, which needs nothing but the year: its solar
// terms and seasonal days, and its lunar months. Most of a year's building time.

#include <vector>

#include "almanac/LunarCalendar.h"
#include "storage/TaggedStrings.h"

struct TYearSky {
    TTaggedStrings Terms;
    std::vector<TLunarMonth> Months;
};

// Worked out from the ephemeris (some milliseconds).
TYearSky WorkedOutSkyOfYear(int year);
// The same, from the table made when the program was built for the years about now
// (SkyTableMaker; defined with the table in SkyTable.cpp), else worked out.
TYearSky SkyOfYear(int year);
