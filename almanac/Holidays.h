#pragma once
// Public holidays: the rules of a holiday definition document, the days they give in a
// year, and the substitute (振替休日) and citizens' (国民の休日) holidays that follow from
// those days under the holiday law.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "storage/TaggedStrings.h"

// One "date" element of a holiday definition document. Absent numbers are -1.
struct THolidayRule {
    std::string Name;      // the element's text, shown on the page
    std::string Mean;      // its "mean" attribute
    std::string Kind;      // its tag name; "holiday" for a public holiday
    std::string Decree;    // its "decree" attribute: the law or ordinance that sets the day
    int32_t StartDay = 0;  // first and last day of validity; only their years count
    int32_t EndDay = 0;
    int Ecliptic = -1;  // the day the sun reaches this longitude (degrees)
    int Weekday = -1;   // with Times: the Times-th such ISO weekday of Month
    int Times = -1;
    int Month = -1;
    int Day = -1;  // with Month: a fixed day
};

// The rule's defaults: valid from 0001-01-01 through 2999-12-31, nothing else set.
THolidayRule DefaultHolidayRule();

// "Monday".."Sunday" in any letter case → 1..7; anything else → -1.
int WeekdayFromName(const std::string& text);
// The n-th day of the month, counted from the 1st, whose ISO weekday is `weekday`; none
// when the month has fewer such days or an argument is out of range.
std::optional<int32_t> NthWeekdayOfMonth(int year, int month, int weekday, int n);

// The days rule `rule` gives in `year` (a fixed day, an n-th weekday, a longitude of the
// sun; one for each part it carries). A day that does not exist in that year (30 February)
// gives nothing.
std::vector<int32_t> RuleDays(const THolidayRule& rule, int year);

// Reads the rules of a holiday definition document (root element "specialday"; any other
// root gives no rules). Throws Exception when the document cannot be parsed or a year of
// validity is no year.
std::vector<THolidayRule> ReadHolidayRules(const std::string& documentText);

enum class TObservedKind { Substitute, Citizens };
struct TObservedHoliday {
    int32_t Day;
    TObservedKind Kind;
};

// Substitute and citizens' holidays in [firstDay, lastDay], ascending, given every day
// that the document makes a holiday (ascending, no duplicates) from the year before
// firstDay to the year after lastDay.
std::vector<TObservedHoliday> ObservedHolidays(const std::vector<int32_t>& documentHolidays, int32_t firstDay,
                                               int32_t lastDay);
// "振替休日" and "国民の休日".
const std::string& ObservedHolidayName(TObservedKind kind);

// The days of one year that the rules give, each tagged with its day number.
struct THolidayDays {
    // Public holidays ("holiday" rules) with the substitute and citizens' holidays that
    // follow from them, ascending by day; a day may carry more than one name.
    TTaggedStrings Holidays;
    // The days of every other kind of rule, in the order of the rules.
    TTaggedStrings OtherDays;
};
THolidayDays HolidaysOfYear(const std::vector<THolidayRule>& rules, int year);
