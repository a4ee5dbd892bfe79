#pragma once
// TAlmanac: every fact the day page prints about one calendar day, for Japan Standard
// Time (Tokyo mean time before 1888, CivilTime.h). It holds one date, which the date
// queries answer for; FactsOf answers for any day and leaves the held date alone. The solar
// terms, lunar months and holidays are built per Gregorian year (by the topic files'
// functions) and cached: queries within a year never rebuild them, a query in another year
// rebuilds all of them once.
// All strings are UTF-8.

#include <cstdint>
#include <string>
#include <vector>

#include "almanac/DayFacts.h"
#include "almanac/Holidays.h"
#include "storage/TaggedStrings.h"

class TAlmanac {
public:
    TAlmanac() = default;
    ~TAlmanac() = default;
    TAlmanac(const TAlmanac&) = delete;
    TAlmanac& operator=(const TAlmanac&) = delete;

    // Holds `value` (a date; its fraction is the time of day). Nothing is rebuilt until a
    // query needs the tables. Dates outside years 1..9999 are brought into that range.
    void SetDate(double value);
    double Date() const { return FDate; }

    int32_t DayNumber() const;
    int Year() const;
    int Month() const;                   // 1..12
    int Day() const;                     // 1..31
    int DayOfWeek() const;               // ISO: 1 = Monday .. 7 = Sunday
    std::string DayOfWeekName() const;   // "Monday".."Sunday"
    std::string DayOfWeekKanji() const;  // "月".."日"
    std::string MonthName() const;       // "JANUALY".."DECEMBER"
    std::string EraName() const;         // empty before 1868-09-08
    int EraYear() const;                 // 0 before 1868-09-08
    std::string DayEto() const;          // sexagenary name of the day, stem + branch

    // Solar term or seasonal day of the held day; empty if none.
    std::string SolarTermName();

    // Index of the lunar month that contains `day` (a day of the cached year).
    int LunarMonthIndex(int32_t day);
    // Name of lunar month `index` ("正月".."十二月", or with "閏" in front); empty outside.
    std::string LunarMonthLabel(int index);
    std::string LunarMonthName();
    int LunarDay();        // 1..30
    std::string Rokuyo();  // "先勝", "友引", "先負", "仏滅", "大安" or "赤口"

    bool IsHoliday();
    // Name of the holiday, substitute holiday or citizens' holiday; empty if none.
    std::string HolidayName();
    // Replaces the holiday rules by those of a holiday definition document and rebuilds
    // the tables for the held date. A document that cannot be read throws Exception and
    // leaves the previous rules and tables as they were.
    void LoadHolidays(const std::string& documentText);

    // Every fact of day `day` (brought into years 1..9999), from the tables of its year,
    // which are built first when another year is cached. The held date, and so every
    // answer about it, stays as it was.
    TDayFacts FactsOf(int32_t day);

    // Builds the year tables for the held date's year unless they are already built.
    void UpdateYear();

    // The cached tables and the rules, for callers that list a year's facts.
    int CachedYear() const { return FYear; }
    int TableBuildCount() const { return FTableBuildCount; }
    const TTaggedStrings& Terms() const { return FTerms; }
    const TTaggedStrings& Moons() const { return FMoons; }
    const TTaggedStrings& Holidays() const { return FHolidays; }
    const TTaggedStrings& OtherDays() const { return FOtherDays; }
    const std::vector<THolidayRule>& Rules() const { return FRules; }

private:
    // Builds the tables of `year` unless they are the cached ones.
    void UseYear(int year);
    // Answers from the cached tables, for a day of the cached year.
    int MonthIndexOf(int32_t day) const;
    int LunarDayOf(int32_t day) const;
    const std::string& RokuyoOf(int32_t day) const;

    double FDate = 0;
    int32_t FYear = 0;
    TTaggedStrings FTerms;
    TTaggedStrings FMoons;
    std::vector<int> FMoonNumbers;  // month number 1..12 of each FMoons entry
    std::vector<THolidayRule> FRules;
    TTaggedStrings FHolidays;
    TTaggedStrings FOtherDays;
    int FTableBuildCount = 0;
};

// The process-wide almanac. CreateAlmanac makes it (start-up, before the main window),
// DestroyAlmanac releases it (after the event loop); Almanac() must only be called between.
void CreateAlmanac();
void DestroyAlmanac();
TAlmanac& Almanac();
