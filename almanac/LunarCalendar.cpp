#include "almanac/LunarCalendar.h"

#include <algorithm>

#include "almanac/CivilTime.h"
#include "almanac/Ephemeris.h"
#include "almanac/NameTables.h"
#include "almanac/SolarTerms.h"

namespace {

// After a new-moon day u the next one is at least 29 days later (the shortest lunation is
// about 29.27 days); the scan resumes one day early to stay clear of the series' error.
constexpr int32_t DaysBeforeNextNewMoon = 28;
// The age of the moon at 0h of the day after a new moon is at most this.
constexpr double NewMoonAgeLimit = 5.0;
// The month that contains a winter solstice starts at most 30 days before it.
constexpr int32_t SolsticeMonthLead = 31;

// Index of the last month starting on or before `day`; -1 if none.
int MonthContaining(const std::vector<int32_t>& newMoonDays, int32_t day) {
    const auto after = std::upper_bound(newMoonDays.begin(), newMoonDays.end(), day);
    return static_cast<int>(after - newMoonDays.begin()) - 1;
}

bool HasPrincipalTerm(const std::vector<int32_t>& principalTermDays, int32_t firstDay, int32_t nextFirstDay) {
    const auto term = std::lower_bound(principalTermDays.begin(), principalTermDays.end(), firstDay);
    return term != principalTermDays.end() && *term < nextFirstDay;
}

}  // namespace

std::vector<int32_t> FindNewMoonDays(int32_t firstDay, int32_t lastDay,
                                     const std::function<double(int32_t)>& moonAgeAtDay) {
    std::vector<int32_t> days;
    int32_t day = firstDay;
    double age = day <= lastDay ? moonAgeAtDay(day) : 0;
    while (day <= lastDay) {
        const double nextAge = moonAgeAtDay(day + 1);
        const bool wrapsWithinDay = age > nextAge && nextAge > 0;  // nextAge 0: new moon at 0h of day + 1
        if (nextAge <= NewMoonAgeLimit && (wrapsWithinDay || age == 0)) {
            days.push_back(day);
            day += DaysBeforeNextNewMoon;
            if (day <= lastDay)
                age = moonAgeAtDay(day);
            continue;
        }
        age = nextAge;
        ++day;
    }
    return days;
}

std::vector<TLunarMonth> NumberLunarMonths(const std::vector<int32_t>& newMoonDays,
                                           const std::vector<int32_t>& solsticeDays,
                                           const std::vector<int32_t>& principalTermDays) {
    std::vector<int> solsticeMonths;
    for (int32_t solstice : solsticeDays) {
        const int index = MonthContaining(newMoonDays, solstice);
        if (index < 0 || (!solsticeMonths.empty() && index <= solsticeMonths.back()))
            return {};
        solsticeMonths.push_back(index);
    }
    if (solsticeMonths.size() < 2)
        return {};
    std::vector<TLunarMonth> months;
    for (size_t span = 0; span + 1 < solsticeMonths.size(); ++span) {
        const int first = solsticeMonths[span];
        const int next = solsticeMonths[span + 1];
        const bool hasLeapMonth = next - first == 13;
        bool leapPlaced = false;
        int number = 11;
        months.push_back({newMoonDays[first], number, false});
        for (int i = first + 1; i < next; ++i) {
            if (hasLeapMonth && !leapPlaced &&
                !HasPrincipalTerm(principalTermDays, newMoonDays[i], newMoonDays[i + 1])) {
                leapPlaced = true;
                months.push_back({newMoonDays[i], number, true});
                continue;
            }
            number = number % 12 + 1;
            months.push_back({newMoonDays[i], number, false});
        }
    }
    months.push_back({newMoonDays[solsticeMonths.back()], 11, false});
    return months;
}

std::string LunarMonthText(int number, bool leap) {
    static const auto Names =
        NameTable({"正月", "二月", "三月", "四月", "五月", "六月", "七月", "八月", "九月", "十月", "十一月", "十二月"});
    if (number < 1 || number > 12)
        return {};
    return leap ? "閏" + Names[number - 1] : Names[number - 1];
}

std::vector<TLunarMonth> LunarMonthsOfYear(int year) {
    // The months of this year lie between the solstice of the year before and that of
    // this year; the span up to next year's solstice tells whether the month after this
    // year's solstice is a leap month.
    std::vector<int32_t> solstices;
    std::vector<int32_t> principalTerms;
    for (int termYear = year - 1; termYear <= year + 1; ++termYear) {
        solstices.push_back(SolarTermDay(termYear, WinterSolsticeRow));
        for (int row = 0; row < TwentyFourTerms; ++row)
            if (SolarTermDefs[row].LongitudeDeg % 30 == 0)
                principalTerms.push_back(SolarTermDay(termYear, row));
    }
    std::sort(principalTerms.begin(), principalTerms.end());
    const std::vector<int32_t> newMoons =
        FindNewMoonDays(solstices.front() - SolsticeMonthLead, solstices.back(),
                        [](int32_t day) { return MoonAgeAtInstant(CivilMidnightInstant(day)); });
    return NumberLunarMonths(newMoons, solstices, principalTerms);
}

const std::string& RokuyoName(int monthNumber, int lunarDay) {
    static const auto Names = NameTable({"先勝", "友引", "先負", "仏滅", "大安", "赤口"});
    static const std::string None;
    if (monthNumber < 1 || monthNumber > 12 || lunarDay < 1)
        return None;
    // 正月 and 七月 begin with 先勝, 二月 and 八月 with 友引, and so on; each day takes the
    // next name.
    const int firstOfMonth = (monthNumber - 1) % 6;
    return Names[(firstOfMonth + lunarDay - 1) % 6];
}
