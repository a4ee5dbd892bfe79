#pragma once
// TDayFacts: everything the day page and its spoken description say about one day, as one
// value (TAlmanac::FactsOf).
// All strings are UTF-8; a fact that the day does not have is empty (or 0).

#include <cstdint>
#include <string>

struct TDayFacts {
    int32_t DayNumber = 0;  // 0 = 1899-12-30
    int Year = 0;
    int Month = 0;               // 1..12
    int Day = 0;                 // 1..31
    int DayOfWeek = 0;           // ISO: 1 = Monday .. 7 = Sunday
    std::string DayOfWeekName;   // "Monday".."Sunday"
    std::string DayOfWeekKanji;  // "月".."日"
    std::string MonthName;       // "JANUALY".."DECEMBER"
    std::string EraName;         // empty before 1868-09-08
    int EraYear = 0;             // 0 before 1868-09-08
    std::string Eto;             // sexagenary name of the day, stem + branch
    std::string SolarTermName;   // solar term or seasonal day
    std::string LunarMonthName;  // "正月".."十二月", "閏" in front for a leap month
    int LunarDay = 0;            // 1..30
    std::string Rokuyo;          // "先勝", "友引", "先負", "仏滅", "大安" or "赤口"
    bool IsHoliday = false;      // a public, substitute or citizens' holiday
    std::string HolidayName;     // the first name of the holiday
};
