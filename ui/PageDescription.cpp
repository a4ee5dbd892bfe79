#include "ui/PageDescription.h"

#include <initializer_list>
#include <string_view>

#include "almanac/Almanac.h"
#include "graphics/QtText.h"
#include "storage/MemoStore.h"
#include "storage/Text.h"

namespace {

// A memo as one line: every CR LF, lone CR or lone LF becomes one space, and spaces at
// either end go.
std::string MemoOnOneLine(std::string_view memo) {
    std::string line;
    for (size_t i = 0; i < memo.size(); ++i) {
        if (memo[i] == '\r' && i + 1 < memo.size() && memo[i + 1] == '\n')
            ++i;
        line += memo[i] == '\r' || memo[i] == '\n' ? ' ' : memo[i];
    }
    line.erase(0, line.find_first_not_of(' '));
    line.erase(line.find_last_not_of(' ') + 1);
    return line;
}

}  // namespace

std::string DescribePage(const TDayFacts& facts, std::string_view memo) {
    std::string text;
    auto add = [&text](std::initializer_list<std::string_view> parts) {
        for (std::string_view part : parts)
            text.append(part);
    };
    add({std::to_string(facts.Year), "年", std::to_string(facts.Month), "月", std::to_string(facts.Day), "日 ",
         facts.DayOfWeekKanji, "曜日"});
    if (!facts.EraName.empty())
        add({" ", facts.EraName, std::to_string(facts.EraYear), "年"});
    add({" 旧暦", facts.LunarMonthName, std::to_string(facts.LunarDay), "日 ", facts.Rokuyo});
    for (const std::string* extra : {&facts.HolidayName, &facts.SolarTermName})
        if (!extra->empty())
            add({" ", *extra});
    if (std::string line = MemoOnOneLine(memo); !line.empty())
        add({" ", line});
    return text;
}

QString PageDescription(int32_t day) {
    std::string memo = HasMemoStore() ? MemoStore().MemoOf(day) : std::string();
    return QtText(DescribePage(Almanac().FactsOf(day), memo));
}
