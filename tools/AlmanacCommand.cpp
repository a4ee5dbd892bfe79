// quillo-tool almanac [FROM [TO]]: every fact of the day page for each day from FROM
// through TO (YYYY-MM-DD; both default to today), one tab-separated UTF-8 line per day.

#include <cstdio>
#include <string>
#include <unordered_map>

#include "almanac/Almanac.h"
#include "storage/DateUtils.h"
#include "storage/Exception.h"
#include "storage/Resources.h"
#include "storage/ShiftJis.h"
#include "tools/ToolCommands.h"

namespace {

// "YYYY-MM-DD" of a real date in years 1..9999.
bool ParseIsoDate(const std::string& text, int32_t& dayNumber) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (text[i] < '0' || text[i] > '9')
            return false;
    const int year = std::stoi(text.substr(0, 4));
    const int month = std::stoi(text.substr(5, 2));
    const int day = std::stoi(text.substr(8, 2));
    if (!IsValidDate(year, month, day))
        return false;
    dayNumber = DayNumberOf(year, month, day);
    return true;
}

// The page's texts are few: each is converted to UTF-8 once.
class TUtf8Cache {
public:
    const std::string& operator()(const std::string& sjis) {
        auto found = FConverted.find(sjis);
        if (found == FConverted.end())
            found = FConverted.emplace(sjis, SjisToUtf8(sjis)).first;
        return found->second;
    }

private:
    std::unordered_map<std::string, std::string> FConverted;
};

void AppendDayLine(TAlmanac& almanac, TUtf8Cache& utf8, std::string& out) {
    char date[16];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", almanac.Year(), almanac.Month(), almanac.Day());
    const std::string era = almanac.EraName();
    const std::string fields[] = {
        date,
        utf8(almanac.DayOfWeekKanji()),
        utf8(era),
        era.empty() ? std::string() : std::to_string(almanac.EraYear()),
        utf8(almanac.DayEto()),
        utf8(almanac.LunarMonthName()),
        std::to_string(almanac.LunarDay()),
        utf8(almanac.Rokuyo()),
        utf8(almanac.SolarTermName()),
        utf8(almanac.HolidayName()),
    };
    for (const std::string& field : fields) {
        out += field;
        out += '\t';
    }
    out.back() = '\n';
}

// Argument `index` as a day; prints the message and returns false when it is none.
bool ReadDateArgument(char** argv, int index, int32_t& dayNumber) {
    if (ParseIsoDate(argv[index], dayNumber))
        return true;
    std::fprintf(stderr, "quillo-tool almanac: \"%s\" is not a date of the form YYYY-MM-DD (years 0001-9999)\n",
                 argv[index]);
    return false;
}

}  // namespace

int RunAlmanacCommand(int argc, char** argv) {
    if (argc > 3) {
        std::fprintf(stderr, "quillo-tool almanac: too many arguments (usage: almanac [FROM [TO]])\n");
        return 2;
    }
    int32_t from = Today();
    if (argc >= 2 && !ReadDateArgument(argv, 1, from))
        return 2;
    int32_t to = from;
    if (argc >= 3 && !ReadDateArgument(argv, 2, to))
        return 2;
    if (to < from) {
        std::fprintf(stderr, "quillo-tool almanac: the last day %s lies before the first day %s\n", argv[2], argv[1]);
        return 2;
    }
    TAlmanac almanac;
    almanac.SetDate(from);
    try {
        almanac.LoadHolidays(LoadResourceText("holidays.txt"));
    } catch (const Exception& error) {
        std::fprintf(stderr, "quillo-tool almanac: the holiday definitions cannot be read: %s\n",
                     SjisToUtf8(error.Message()).c_str());
        return 2;
    }
    TUtf8Cache utf8;
    std::string out = "date\tweekday\tera\tera_year\teto\tlunar_month\tlunar_day\trokuyo\tterm\tholiday\n";
    for (int32_t day = from; day <= to; ++day) {
        almanac.SetDate(day);
        AppendDayLine(almanac, utf8, out);
        if (out.size() >= 1 << 16) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 2;
}
