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
TColourMode TerminalColourMode() {
    const char* noColour = std::getenv("NO_COLOR");
    if ((noColour && *noColour) || !isatty(STDOUT_FILENO))
        return TColourMode::Plain;
    const char* colourTerm = std::getenv("COLORTERM");
    if (colourTerm && (std::strcmp(colourTerm, "truecolor") == 0 || std::strcmp(colourTerm, "24bit") == 0))
        return TColourMode::TrueColour;
    return TColourMode::Palette256;
}

// The page colours of the user's scheme; the shipped ones when it cannot be read.
TMonthColours PageColours() {
    TMonthColours colours;
    try {
        TColorScheme scheme(ToolDataPath({}) + "colors.clr");
        scheme.Load();
        colours.Sunday = scheme.GetColor("日めくり\\文字\\日曜", colours.Sunday);
        colours.Saturday = scheme.GetColor("日めくり\\文字\\土曜", colours.Saturday);
        colours.Holiday = scheme.GetColor("日めくり\\文字\\祝日", colours.Holiday);
    } catch (const Exception&) {
        return TMonthColours();
    }
    return colours;
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
    const TColourMode mode = TerminalColourMode();
    const TMonthColours colours = mode == TColourMode::Plain ? TMonthColours() : PageColours();
    const std::string text = FormatMonth(almanac, year, month, mode, colours);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 2;
}
