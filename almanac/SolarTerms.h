#pragma once
// The twenty-four solar terms, the four starts of doyō, 入梅 and 半夏生 (the rows of the
// term table), and the seasonal days counted from them.

#include <array>
#include <cstdint>
#include <string>

#include "storage/TaggedStrings.h"

// Rows 0..23 are the twenty-four terms; those at multiples of 30° are the principal terms
// (中気) that name the lunar months.
constexpr int TwentyFourTerms = 24;
constexpr int WinterSolsticeRow = 21;

struct TSolarTermDef {
    int LongitudeDeg;      // the sun's ecliptic longitude that marks the day
    int EstimateMonthDay;  // month × 100 + day of a day close to it, where the search starts
};

constexpr int SolarTermCount = 30;
extern const TSolarTermDef SolarTermDefs[SolarTermCount];
// The name of row `row` (0-based) of SolarTermDefs.
const std::string& SolarTermDefName(int row);

struct TSeasonalDayDef {
    int BaseRow;     // the row of SolarTermDefs the day is counted from
    int OffsetDays;  // days after (negative: before) that term's day
};

constexpr int SeasonalDayCount = 7;
extern const TSeasonalDayDef SeasonalDayDefs[SeasonalDayCount];
const std::string& SeasonalDayName(int index);

// The civil day (CivilTime.h) of `year` on which the sun reaches the longitude of row `row`.
int SolarTermDay(int year, int row);

// Every row of SolarTermDefs (in row order) and then every seasonal day (in the order of
// SeasonalDayDefs), each tagged with its day in `year`.
TTaggedStrings SolarTermsOfYear(int year);
// The same from the days of the rows of SolarTermDefs, already known.
TTaggedStrings SolarTermsOfDays(const std::array<int32_t, SolarTermCount>& days);
