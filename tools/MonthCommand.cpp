// quillo-tool month [YYYY-MM]: a month in the terminal (default: the current one). Sundays
// and holidays in red, Saturdays in blue, in the page colours of the calendar's scheme,
// when standard output is a terminal and NO_COLOR is not set; plain text otherwise.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "almanac/Almanac.h"
#include "storage/ColorScheme.h"
#include "storage/DateUtils.h"
#include "storage/Exception.h"
#include "storage/Resources.h"
#include "storage/Text.h"
#include "tools/MonthView.h"
#include "tools/ToolArguments.h"
#include "tools/ToolCommands.h"

namespace {

int Fail(const std::string& message) {
    std::fprintf(stderr, "quillo-tool month: %s\n", message.c_str());
    return 2;
}

// https://no-color.org: any non-empty NO_COLOR turns colour off.
TColorMode TerminalColorMode() {
    const char* noColor = std::getenv("NO_COLOR");
    if ((noColor && *noColor) || !isatty(STDOUT_FILENO))
        return TColorMode::Plain;
    const char* colorTerm = std::getenv("COLORTERM");
    if (colorTerm && (std::strcmp(colorTerm, "truecolor") == 0 || std::strcmp(colorTerm, "24bit") == 0))
        return TColorMode::TrueColor;
    return TColorMode::Palette256;
}

// The page colours of the user's scheme; the shipped ones when it cannot be read.
TMonthColors PageColors() {
    TMonthColors colors;
    try {
        TColorScheme scheme(ToolDataPath({}) + "colors.clr");
        scheme.Load();
        colors.Sunday = scheme.GetColor("日めくり\\文字\\日曜", colors.Sunday);
        colors.Saturday = scheme.GetColor("日めくり\\文字\\土曜", colors.Saturday);
        colors.Holiday = scheme.GetColor("日めくり\\文字\\祝日", colors.Holiday);
    } catch (const Exception&) {
        return TMonthColors();
    }
    return colors;
}

}  // namespace

int RunMonthCommand(int argc, char** argv) {
    if (argc > 2)
        return Fail("too many arguments (usage: month [YYYY-MM])");
    TYmd today = YmdOf(Today());
    int year = today.Year;
    int month = today.Month;
    if (argc == 2 && !ParseYearMonth(argv[1], year, month))
        return Fail(std::string("\"") + argv[1] + "\" is not a month of the form YYYY-MM (years 0001-9999)");

    TAlmanac almanac;
    try {
        almanac.LoadHolidays(LoadResourceText("holidays"));
    } catch (const Exception& error) {
        return Fail("the holiday definitions cannot be read: " + error.Message());
    }
    const TColorMode mode = TerminalColorMode();
    const TMonthColors colors = mode == TColorMode::Plain ? TMonthColors() : PageColors();
    const std::string text = FormatMonth(almanac, year, month, mode, colors);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 2;
}
