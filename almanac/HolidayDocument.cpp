// Reading a holiday definition document into holiday rules.

#include <cstdint>

#include "almanac/Holidays.h"
#include "storage/DateUtils.h"
#include "storage/Exception.h"
#include "storage/Text.h"
#include "storage/TextUtils.h"
#include "storage/XmlNode.h"

namespace {

// A numeric attribute; -1 when it is missing, empty or not a number.
int NumberAttribute(const TXmlNode& node, const std::string& name) {
    int32_t value = 0;
    return TryParseInt(node.GetAttribute(name), value) ? value : -1;
}

// The day of a year-of-validity attribute ("yyyy", or longer: only the first eight
// characters count) with the month and day `suffix` appended.
int32_t YearBoundDay(const std::string& text, const char* suffix) { return DayFromYmd(text + suffix); }

THolidayRule ReadRule(const TXmlNode& dayElement, const TXmlNode& dateElement) {
    THolidayRule rule = DefaultHolidayRule();
    rule.Name = dayElement.GetText();
    rule.Mean = dayElement.GetAttribute("mean");
    rule.Kind = dayElement.TagName();
    rule.Decree = dateElement.GetAttribute("decree");
    rule.Ecliptic = NumberAttribute(dateElement, "ecliptic");
    rule.Weekday = WeekdayFromName(dateElement.GetAttribute("dayoftheweek"));
    rule.Times = NumberAttribute(dateElement, "times");
    rule.Month = NumberAttribute(dateElement, "month");
    rule.Day = NumberAttribute(dateElement, "day");
    if (const std::string start = dateElement.GetAttribute("start"); !start.empty())
        rule.StartDay = YearBoundDay(start, "0101");
    if (const std::string end = dateElement.GetAttribute("end"); !end.empty())
        rule.EndDay = YearBoundDay(end, "1231");
    if (const std::string year = dateElement.GetAttribute("year"); !year.empty()) {
        rule.StartDay = YearBoundDay(year, "0101");
        rule.EndDay = YearBoundDay(year, "1231");
    }
    return rule;
}

}  // namespace

std::vector<THolidayRule> ReadHolidayRules(const std::string& documentText) {
    TXmlNode document;
    document.LoadFromString(documentText);
    std::vector<THolidayRule> rules;
    if (document.TagName() != "specialday")
        return rules;
    for (int i = 0; i < document.Count(); ++i) {
        const TXmlNode& dayElement = *document.Items(i);
        if (dayElement.TagName().empty())
            continue;
        for (int j = 0; j < dayElement.Count(); ++j)
            if (dayElement.Items(j)->TagName() == "date")
                rules.push_back(ReadRule(dayElement, *dayElement.Items(j)));
    }
    return rules;
}
