#include "almanac/Holidays.h"

#include <algorithm>
#include <cmath>

#include "almanac/Angles.h"
#include "almanac/CivilTime.h"
#include "almanac/Ephemeris.h"
#include "storage/DateUtils.h"
#include "storage/Text.h"

namespace {

constexpr int Sunday = 7;
// The holiday law's dates: substitute holidays from 1973-04-12, the day the rule took
// effect; citizens' holidays from 1988 (the first one fell on 1988-05-04); from 2007 the
// substitute moves past every following holiday and a Sunday or a substitute day can be a
// citizens' holiday.
const int32_t FirstSubstituteLawDay = DayNumberOf(1973, 4, 12);
constexpr int FirstCitizensHolidayYear = 1988;
constexpr int LastYearOfOldRules = 2006;

bool Contains(const std::vector<int32_t>& sortedDays, int32_t day) {
    return std::binary_search(sortedDays.begin(), sortedDays.end(), day);
}

int YearOf(int32_t day) { return YmdOf(day).Year; }

// The day to which a holiday on a Sunday moves; none up to 2006 when the next day is
// itself a holiday.
std::optional<int32_t> SubstituteFor(const std::vector<int32_t>& documentHolidays, int32_t sunday) {
    int32_t substitute = sunday + 1;
    if (YearOf(sunday) <= LastYearOfOldRules)
        return Contains(documentHolidays, substitute) ? std::nullopt : std::optional<int32_t>(substitute);
    while (Contains(documentHolidays, substitute))
        ++substitute;
    return substitute;
}

}  // namespace

THolidayRule DefaultHolidayRule() {
    THolidayRule rule;
    rule.StartDay = DayNumberOf(1, 1, 1);
    rule.EndDay = DayNumberOf(2999, 12, 31);
    return rule;
}

int WeekdayFromName(const std::string& text) {
    static const char* const Names[7] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
    for (int i = 0; i < 7; ++i)
        if (AsciiSameText(text, Names[i]))
            return i + 1;
    return -1;
}

std::optional<int32_t> NthWeekdayOfMonth(int year, int month, int weekday, int n) {
    if (!IsValidDate(year, month, 1) || weekday < 1 || weekday > 7 || n < 1 || n > 5)
        return std::nullopt;
    const int32_t first = DayNumberOf(year, month, 1);
    const int32_t firstMatch = first + (weekday - IsoWeekday(first) + 7) % 7;
    const int32_t day = firstMatch + 7 * (n - 1);
    if (day - first >= DaysInMonth(year, month))
        return std::nullopt;
    return day;
}

std::vector<int32_t> RuleDays(const THolidayRule& rule, int year) {
    std::vector<int32_t> days;
    if (year < YearOf(rule.StartDay) || year > YearOf(rule.EndDay))
        return days;
    if (rule.Month > 0) {
        if (rule.Day > 0 && IsValidDate(year, rule.Month, rule.Day))
            days.push_back(DayNumberOf(year, rule.Month, rule.Day));
        if (rule.Weekday >= 0 && rule.Times >= 0)
            if (const auto day = NthWeekdayOfMonth(year, rule.Month, rule.Weekday, rule.Times))
                days.push_back(*day);
    }
    if (rule.Ecliptic >= 0) {
        // Start the search about where the sun stands at that longitude: 0° from 03-21/22,
        // 180° from 09-19/20.
        const double estimate = DayNumberOf(year, 1, 1) + NormalizeDegrees(rule.Ecliptic + 79.0) * 365.0 / 360.0;
        const int startDay = static_cast<int>(std::trunc(estimate));
        days.push_back(CivilDayOfInstant(FindLongitudeInstant(rule.Ecliptic, startDay)));
    }
    return days;
}

std::vector<TObservedHoliday> ObservedHolidays(const std::vector<int32_t>& documentHolidays, int32_t firstDay,
                                               int32_t lastDay) {
    std::vector<int32_t> substitutes;
    for (int32_t day : documentHolidays)
        if (day >= FirstSubstituteLawDay && IsoWeekday(day) == Sunday)
            if (const auto substitute = SubstituteFor(documentHolidays, day))
                substitutes.push_back(*substitute);
    std::sort(substitutes.begin(), substitutes.end());
    substitutes.erase(std::unique(substitutes.begin(), substitutes.end()), substitutes.end());

    std::vector<TObservedHoliday> observed;
    for (int32_t day : substitutes)
        if (day >= firstDay && day <= lastDay)
            observed.push_back({day, TObservedKind::Substitute});
    for (int32_t before : documentHolidays) {
        const int32_t day = before + 1;
        if (day < firstDay || day > lastDay || !Contains(documentHolidays, before + 2) ||
            Contains(documentHolidays, day) || Contains(substitutes, day))
            continue;
        const int year = YearOf(day);
        if (year < FirstCitizensHolidayYear || (year <= LastYearOfOldRules && IsoWeekday(day) == Sunday))
            continue;
        observed.push_back({day, TObservedKind::Citizens});
    }
    std::sort(observed.begin(), observed.end(),
              [](const TObservedHoliday& a, const TObservedHoliday& b) { return a.Day < b.Day; });
    return observed;
}

const std::string& ObservedHolidayName(TObservedKind kind) {
    static const std::string Substitute = "振替休日", Citizens = "国民の休日";
    return kind == TObservedKind::Substitute ? Substitute : Citizens;
}

THolidayDays HolidaysOfYear(const std::vector<THolidayRule>& rules, int year) {
    THolidayDays days;
    const std::string holidayKind = "holiday";
    // Substitute and citizens' holidays near the turn of the year look at the neighbouring
    // years' holidays too.
    std::vector<int32_t> documentHolidays;
    for (const THolidayRule& rule : rules) {
        const bool isHoliday = rule.Kind == holidayKind;
        for (int ruleYear = year - 1; ruleYear <= year + 1; ++ruleYear) {
            if (!isHoliday && ruleYear != year)
                continue;
            for (int32_t day : RuleDays(rule, ruleYear)) {
                if (ruleYear == year)
                    (isHoliday ? days.Holidays : days.OtherDays).AddTagged(rule.Name, day);
                if (isHoliday)
                    documentHolidays.push_back(day);
            }
        }
    }
    std::sort(documentHolidays.begin(), documentHolidays.end());
    documentHolidays.erase(std::unique(documentHolidays.begin(), documentHolidays.end()), documentHolidays.end());
    for (const TObservedHoliday& observed :
         ObservedHolidays(documentHolidays, DayNumberOf(year, 1, 1), DayNumberOf(year, 12, 31)))
        days.Holidays.AddTagged(ObservedHolidayName(observed.Kind), observed.Day);
    days.Holidays.SortByTag();
    return days;
}
