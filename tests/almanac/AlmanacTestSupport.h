#pragma once
// Shared helpers of the almanac tests: dates written as text, results read as UTF-8 so
// that a failure prints readable Japanese.

#include <string>

#include "almanac/Almanac.h"
#include "almanac/CalendarDate.h"
#include "storage/DateUtils.h"
#include "storage/Resources.h"
#include "storage/Text.h"

// "yyyy-mm-dd" to a day number.
inline int32_t Day(const char* isoDate) {
    const std::string text = isoDate;
    return DayNumberOf(std::stoi(text.substr(0, 4)), std::stoi(text.substr(5, 2)), std::stoi(text.substr(8, 2)));
}

inline std::string Utf8(const std::string& text) { return text; }

// An almanac with the shipped holiday definitions: the facts of a day, the tables of a year.
class TAlmanacAt {
public:
    TAlmanacAt() { FAlmanac.LoadHolidays(LoadResourceText("holidays.txt")); }
    TDayFacts At(const char* isoDate) const { return FAlmanac.FactsOf(Day(isoDate)); }
    TDayFacts At(int32_t day) const { return FAlmanac.FactsOf(day); }
    const TAlmanac::TYearTables& Tables(int year) const { return FAlmanac.TablesOf(year); }
    TAlmanac& Almanac() { return FAlmanac; }

private:
    TAlmanac FAlmanac;
};
