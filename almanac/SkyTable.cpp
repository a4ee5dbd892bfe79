#include <iterator>

#include "almanac/SkyTable.h"
#include "almanac/YearSky.h"

namespace {

// Written by quillo_sky_table_maker into the build tree (almanac/CMakeLists.txt).
#include "SkyTable.inc"

static_assert(std::size(SkyTable) == SkyTableLastYear - SkyTableFirstYear + 1);

}  // namespace

TYearSky SkyOfYear(int year) {
    if (year < SkyTableFirstYear || year > SkyTableLastYear)
        return WorkedOutSkyOfYear(year);
    const TSkyTableYear& row = SkyTable[year - SkyTableFirstYear];
    TYearSky sky{SolarTermsOfDays(row.TermDays), {}};
    for (int i = 0; i < row.MonthCount; ++i) {
        const TSkyTableMonth& month = row.Months[static_cast<size_t>(i)];
        sky.Months.push_back({month.FirstDay, month.Number, month.Leap});
    }
    return sky;
}
