#pragma once
// TAlmanac: every fact the day page prints about one calendar day, for Japan Standard
// Time (Tokyo mean time before 1888, CivilTime.h), answered by FactsOf for any day. The
// solar terms, lunar months and holidays are built per Gregorian year (by the topic files'
// functions) and cached: queries within a year never rebuild them, a query in another year
// rebuilds all of them once.
// All strings are UTF-8.

#include <cstdint>
#include <future>
#include <string>
#include <vector>

#include "almanac/DayFacts.h"
#include "almanac/Holidays.h"
#include "almanac/LunarCalendar.h"
#include "almanac/YearSky.h"
#include "storage/TaggedStrings.h"

class TAlmanac {
public:
    TAlmanac() = default;
    ~TAlmanac() = default;
    TAlmanac(const TAlmanac&) = delete;
    TAlmanac& operator=(const TAlmanac&) = delete;

    // Replaces the holiday rules by those of a holiday definition document. A document
    // that cannot be read throws Exception and leaves the previous rules as they were.
    void LoadHolidays(const std::string& documentText);
    const std::vector<THolidayRule>& Rules() const { return FRules; }

    // Every fact of day `day` (brought into years 1..9999), from the tables of its year,
    // which are built first when another year is cached.
    TDayFacts FactsOf(int32_t day) const;

    // The tables of `year`, built unless they are the cached ones; for callers that list a
    // year's facts. The reference is valid until the next query about another year.
    struct TYearTables {
        TTaggedStrings Terms;      // solar terms and seasonal days, tagged with their day
        TTaggedStrings Moons;      // lunar months by name, tagged with their first day
        TTaggedStrings Holidays;   // holidays by name, tagged with their day
        TTaggedStrings OtherDays;  // the document's other special days
    };
    const TYearTables& TablesOf(int year) const;
    // The sky of `year` is being worked out elsewhere (start-up does this year's on a thread
    // of its own while the window system starts): the first query about that year waits
    // for it instead of working it out again.
    void ExpectSky(int year, std::future<TYearSky> sky);

    // How many times year tables were built, and for which year last.
    int TableBuildCount() const { return FTableBuildCount; }
    int CachedYear() const { return FYear; }

private:
    // Builds the tables of `year` unless they are the cached ones.
    void UseYear(int year) const;
    // Answers from the cached tables, for a day of the cached year.
    int MonthIndexOf(int32_t day) const;
    int LunarDayOf(int32_t day) const;
    const std::string& RokuyoOf(int32_t day) const;

    std::vector<THolidayRule> FRules;
    // The cache of one year's tables: queries are const, the cache fills as they ask.
    mutable int32_t FYear = 0;
    mutable TYearTables FTables;
    mutable std::vector<int> FMoonNumbers;  // month number 1..12 of each Moons entry
    mutable int FTableBuildCount = 0;
    mutable int FExpectedYear = 0;
    mutable std::future<TYearSky> FExpectedSky;
};

// The process-wide almanac. CreateAlmanac makes it (start-up, before the main window),
// DestroyAlmanac releases it (after the event loop); Almanac() must only be called between.
void CreateAlmanac();
void DestroyAlmanac();
TAlmanac& Almanac();
