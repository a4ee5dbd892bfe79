// The almanac's two costs: building a year's tables when a query moves into another year,
// and the facts of one page for a day whose tables are built (one TDayFacts value); and the
// ephemeris evaluations and searches a table build is made of.

#include <benchmark/benchmark.h>

#include <vector>

#include "almanac/Almanac.h"
#include "almanac/Ephemeris.h"
#include "almanac/Holidays.h"
#include "almanac/LunarCalendar.h"
#include "almanac/SolarTerms.h"
#include "storage/DateUtils.h"
#include "storage/Resources.h"

namespace {

TAlmanac& LoadedAlmanac() {
    static TAlmanac almanac;
    static const bool loaded = (almanac.LoadHolidays(LoadResourceText("holidays.txt")), true);
    (void)loaded;
    return almanac;
}

// Each iteration moves into another year (1900..2099 in turn) and builds its tables.
void BM_YearChange(benchmark::State& state) {
    TAlmanac& almanac = LoadedAlmanac();
    int year = 1900;
    for (auto _ : state) {
        benchmark::DoNotOptimize(almanac.TablesOf(year));
        year = year == 2099 ? 1900 : year + 1;
    }
    benchmark::DoNotOptimize(almanac.CachedYear());
}
BENCHMARK(BM_YearChange)->Unit(benchmark::kMicrosecond);

// The tables of one given year, built afresh each time as a move into that year builds
// them: the years of Tokyo mean time and of the decrees cost what the present ones do.
void BM_YearTables(benchmark::State& state) {
    const std::vector<THolidayRule>& rules = LoadedAlmanac().Rules();
    const int year = static_cast<int>(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(SolarTermsOfYear(year));
        benchmark::DoNotOptimize(LunarMonthsOfYear(year));
        benchmark::DoNotOptimize(HolidaysOfYear(rules, year));
    }
}
BENCHMARK(BM_YearTables)->Arg(1880)->Arg(2026)->Unit(benchmark::kMicrosecond);

// The solar terms and lunar months of a year as the almanac takes them: from the table made
// when the program was built for the years about now (2026), worked out for others (1880).
void BM_SkyOfYear(benchmark::State& state) {
    const int year = static_cast<int>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(SkyOfYear(year));
}
BENCHMARK(BM_SkyOfYear)->Arg(1880)->Arg(2026)->Unit(benchmark::kMicrosecond);

// Everything the page prints about one day, as one value: days of one year in turn.
void BM_FactsOf(benchmark::State& state) {
    TAlmanac& almanac = LoadedAlmanac();
    const int32_t first = DayNumberOf(2025, 1, 1);
    int offset = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(almanac.FactsOf(first + offset));
        offset = (offset + 1) % 365;
    }
}
BENCHMARK(BM_FactsOf)->Unit(benchmark::kNanosecond);

// One evaluation of each model at instants spread over a year.
void BM_SunLongitude(benchmark::State& state) {
    double date = DayNumberOf(2025, 1, 1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(SunLongitude(date));
        date += 0.7;
    }
}
BENCHMARK(BM_SunLongitude)->Unit(benchmark::kMicrosecond);

void BM_MoonAge(benchmark::State& state) {
    double date = DayNumberOf(2025, 1, 1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(MoonAge(date));
        date += 0.7;
    }
}
BENCHMARK(BM_MoonAge)->Unit(benchmark::kMicrosecond);

// The searches, from the starts the table build uses.
void BM_FindLongitudeDay(benchmark::State& state) {
    int longitude = 0;
    for (auto _ : state) {
        const int startDay = DayNumberOf(2025, 3, 20) + longitude * 365 / 360;
        benchmark::DoNotOptimize(FindLongitudeDay(longitude, startDay));
        longitude = (longitude + 15) % 360;
    }
}
BENCHMARK(BM_FindLongitudeDay)->Unit(benchmark::kMicrosecond);

void BM_FindNewMoonInstant(benchmark::State& state) {
    double near = DayNumberOf(2025, 1, 1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(FindNewMoonInstant(near));
        near += 29.5;
    }
}
BENCHMARK(BM_FindNewMoonInstant)->Unit(benchmark::kMicrosecond);

}  // namespace
