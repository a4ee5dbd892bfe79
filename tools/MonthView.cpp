#include "tools/MonthView.h"

#include <cstdio>
#include <vector>

#include "almanac/Almanac.h"
#include "almanac/Numerals.h"
#include "storage/DateUtils.h"
#include "storage/Text.h"

namespace {

constexpr int CellWidth = 6;    // the day figure and the 六曜 (four columns) and two spaces
constexpr int FigureWidth = 4;  // the day figure right-aligned above the 六曜
constexpr int GridWidth = 7 * CellWidth - 2;
constexpr int SundayColumn = 0;
constexpr int SaturdayColumn = 6;

// The escape that starts colour (0x00BBGGRR) in mode; empty for Plain.
std::string ColorStart(uint32_t color, TColorMode mode) {
    const int red = color & 0xFF, green = (color >> 8) & 0xFF, blue = (color >> 16) & 0xFF;
    char escape[32];
    if (mode == TColorMode::TrueColor) {
        std::snprintf(escape, sizeof escape, "\x1b[38;2;%d;%d;%dm", red, green, blue);
        return escape;
    }
    if (mode == TColorMode::Palette256) {
        // The 6 × 6 × 6 cube of the palette (indices 16..231), levels 0, 95, 135, .., 255.
        auto level = [](int value) { return value < 48 ? 0 : value < 115 ? 1 : (value - 35) / 40; };
        std::snprintf(escape, sizeof escape, "\x1b[38;5;%dm", 16 + 36 * level(red) + 6 * level(green) + level(blue));
        return escape;
    }
    return {};
}

std::string Colored(const std::string& text, const uint32_t* color, TColorMode mode) {
    if (!color || mode == TColorMode::Plain)
        return text;
    return ColorStart(*color, mode) + text + "\x1b[0m";
}

std::string Padded(const std::string& text, int width) {
    const int used = TextColumns(text);
    return used >= width ? text : std::string(width - used, ' ') + text;
}

void EndLine(std::string& line, std::string& out) {
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    out += line;
    out += '\n';
    line.clear();
}

// "令和7年", "平成元年"; empty before the first era.
std::string EraYearText(const TDayFacts& facts) {
    if (facts.EraName.empty())
        return {};
    return facts.EraName + (facts.EraYear == 1 ? "元" : std::to_string(facts.EraYear)) + "年";
}

// "2025年（令和7年）5月"; both eras when the month holds the first day of a new one.
std::string Heading(const TAlmanac& almanac, int year, int month) {
    const std::string first = EraYearText(almanac.FactsOf(DayNumberOf(year, month, 1)));
    const std::string last = EraYearText(almanac.FactsOf(DayNumberOf(year, month, DaysInMonth(year, month))));
    std::string eras = first.empty() || first == last ? last : first + "・" + last;
    if (!eras.empty())
        eras = "（" + eras + "）";
    return std::to_string(year) + "年" + eras + std::to_string(month) + "月";
}

}  // namespace

std::string FormatMonth(const TAlmanac& almanac, int year, int month, TColorMode mode, const TMonthColors& colors) {
    std::string out;
    std::string line;
    const std::string heading = Heading(almanac, year, month);
    line = std::string(std::max(0, (GridWidth - TextColumns(heading)) / 2), ' ') + heading;
    EndLine(line, out);

    const std::string weekdays[] = {"日", "月", "火", "水", "木", "金", "土"};
    for (int column = 0; column < 7; ++column) {
        const uint32_t* color = column == SundayColumn     ? &colors.Sunday
                                : column == SaturdayColumn ? &colors.Saturday
                                                           : nullptr;
        line += Colored(Padded(weekdays[column], FigureWidth), color, mode) + "  ";
    }
    EndLine(line, out);

    const int32_t first = DayNumberOf(year, month, 1);
    const int32_t last = first + DaysInMonth(year, month) - 1;
    const int leadingBlanks = IsoWeekday(first) % 7;  // Sunday first
    std::string rokuyoLine;
    std::vector<std::string> notes;
    for (int32_t day = first - leadingBlanks; day <= last; day += 7) {
        for (int column = 0; column < 7; ++column) {
            const int32_t shown = day + column;
            if (shown < first || shown > last) {
                line += std::string(CellWidth, ' ');
                rokuyoLine += std::string(CellWidth, ' ');
                continue;
            }
            const TDayFacts facts = almanac.FactsOf(shown);
            const bool holiday = facts.IsHoliday;
            const uint32_t* color = holiday || column == SundayColumn ? (holiday ? &colors.Holiday : &colors.Sunday)
                                    : column == SaturdayColumn        ? &colors.Saturday
                                                                      : nullptr;
            line += Colored(Padded(std::to_string(facts.Day), FigureWidth), color, mode) + "  ";
            rokuyoLine += Padded(facts.Rokuyo, FigureWidth) + "  ";

            const std::string label =
                Colored(Padded(std::to_string(facts.Day), 2) + "日(" + weekdays[column] + ")", color, mode) + "  ";
            if (holiday)
                notes.push_back(label + facts.HolidayName);
            if (!facts.SolarTermName.empty())
                notes.push_back(label + facts.SolarTermName);
            if (facts.LunarDay == 1)
                notes.push_back(label + "旧暦" + facts.LunarMonthName + "一日");
        }
        EndLine(line, out);
        EndLine(rokuyoLine, out);
    }
    if (!notes.empty())
        out += '\n';
    for (const std::string& note : notes)
        out += note + '\n';
    return out;
}
