#include "ui/PageDescription.h"

#include <initializer_list>
#include <string_view>

#include "almanac/Almanac.h"
#include "graphics/QtText.h"
#include "storage/ShiftJis.h"

std::string DescribePage(const TDayFacts& facts) {
    std::string text;
    auto add = [&text](std::initializer_list<std::string_view> parts) {
        for (std::string_view part : parts)
            text.append(part);
    };
    add({std::to_string(facts.Year), SJIS("年"), std::to_string(facts.Month), SJIS("月"), std::to_string(facts.Day),
         SJIS("日 "), facts.DayOfWeekKanji, SJIS("曜日")});
    if (!facts.EraName.empty())
        add({" ", facts.EraName, std::to_string(facts.EraYear), SJIS("年")});
    add({SJIS(" 旧暦"), facts.LunarMonthName, std::to_string(facts.LunarDay), SJIS("日 "), facts.Rokuyo});
    for (const std::string* extra : {&facts.HolidayName, &facts.SolarTermName})
        if (!extra->empty())
            add({" ", *extra});
    return text;
}

QString PageDescription(int32_t day) { return QtText(DescribePage(Almanac().FactsOf(day))); }
