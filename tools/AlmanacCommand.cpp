// quillo-tool almanac [FROM [TO]] [--json]: every fact of the day page for each day from
// FROM through TO (YYYY-MM-DD; both default to today), one tab-separated UTF-8 line per
// day under a header line, or with --json one JSON object per line (JSON Lines) with the
// header's names as keys, every fact a string ("" when the day has none), and the day
// number as "day_number".

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "almanac/Almanac.h"
#include "storage/DateUtils.h"
#include "storage/Exception.h"
#include "storage/Resources.h"
#include "storage/Text.h"
#include "tools/ToolArguments.h"
#include "tools/ToolCommands.h"

namespace {

constexpr const char* FieldNames[] = {"date",        "weekday",   "era",    "era_year", "eto",
                                      "lunar_month", "lunar_day", "rokuyo", "term",     "holiday"};
constexpr size_t FieldCount = std::size(FieldNames);

enum class TOutputFormat { Tsv, JsonLines };

std::vector<std::string> DayFields(const TDayFacts& facts) {
    char date[16];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", facts.Year, facts.Month, facts.Day);
    return {
        date,
        facts.DayOfWeekKanji,
        facts.EraName,
        facts.EraName.empty() ? std::string() : std::to_string(facts.EraYear),
        facts.Eto,
        facts.LunarMonthName,
        std::to_string(facts.LunarDay),
        facts.Rokuyo,
        facts.SolarTermName,
        facts.HolidayName,
    };
}

// A JSON string of UTF-8 text: quotes, backslashes and control characters escaped.
void AppendJsonString(std::string_view text, std::string& out) {
    out += '"';
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
}

void AppendTsvLine(const std::vector<std::string>& fields, std::string& out) {
    for (const std::string& field : fields) {
        out += field;
        out += '\t';
    }
    out.back() = '\n';
}

void AppendJsonLine(int32_t dayNumber, const std::vector<std::string>& fields, std::string& out) {
    out += "{\"day_number\":";
    out += std::to_string(dayNumber);
    for (size_t i = 0; i < FieldCount; ++i) {
        out += ",\"";
        out += FieldNames[i];
        out += "\":";
        AppendJsonString(fields[i], out);
    }
    out += "}\n";
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "quillo-tool almanac: %s\n", message.c_str());
    return 2;
}

}  // namespace

int RunAlmanacCommand(int argc, char** argv) {
    TOutputFormat format = TOutputFormat::Tsv;
    std::vector<std::string_view> dates;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--json")
            format = TOutputFormat::JsonLines;
        else if (argument.starts_with("-") && argument.size() > 1)
            return Fail("unknown option \"" + std::string(argument) + "\" (usage: almanac [FROM [TO]] [--json])");
        else
            dates.push_back(argument);
    }
    if (dates.size() > 2)
        return Fail("too many arguments (usage: almanac [FROM [TO]] [--json])");
    int32_t days[2] = {Today(), 0};
    for (size_t i = 0; i < dates.size(); ++i)
        if (!ParseIsoDate(dates[i], days[i]))
            return Fail("\"" + std::string(dates[i]) + "\" is not a date of the form YYYY-MM-DD (years 0001-9999)");
    const int32_t from = days[0];
    const int32_t to = dates.size() == 2 ? days[1] : from;
    if (to < from)
        return Fail("the last day " + std::string(dates[1]) + " lies before the first day " + std::string(dates[0]));

    TAlmanac almanac;
    try {
        almanac.LoadHolidays(LoadResourceText("holidays"));
    } catch (const Exception& error) {
        return Fail("the holiday definitions cannot be read: " + error.Message());
    }
    std::string out;
    if (format == TOutputFormat::Tsv) {
        for (const char* name : FieldNames) {
            out += name;
            out += '\t';
        }
        out.back() = '\n';
    }
    for (int32_t day = from; day <= to; ++day) {
        const std::vector<std::string> fields = DayFields(almanac.FactsOf(day));
        if (format == TOutputFormat::Tsv)
            AppendTsvLine(fields, out);
        else
            AppendJsonLine(day, fields, out);
        if (out.size() >= 1 << 16) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 2;
}
