// quillo-tool page DATE OUT.png [DATA-FOLDER] [--scale N]: the calendar page of DATE
// (YYYY-MM-DD) as a PNG, drawn exactly as the calendar shows it: with the memos and colours
// of DATA-FOLDER ("Memos.txt", "colors.clr") when it is given, else with the shipped colours
// and no memo; 120 × 120 pixels, or the page of a screen of device pixel ratio N (240 × 240
// at 2, 180 × 180 at 1.5). For wallpapers and desktop widgets, and to look at a page
// without a window.

#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "almanac/Almanac.h"
#include "graphics/Canvas.h"
#include "page/DayPage.h"
#include "storage/ColorScheme.h"
#include "storage/DateUtils.h"
#include "storage/Exception.h"
#include "storage/FileUtils.h"
#include "storage/MemoStore.h"
#include "storage/Resources.h"
#include "storage/Text.h"
#include "tools/ToolCommands.h"

namespace {

// "YYYY-MM-DD" of a real date in years 1..9999.
bool ParsePageDate(const std::string& text, int32_t& dayNumber) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return false;
    std::string ymd = text.substr(0, 4) + text.substr(5, 2) + text.substr(8, 2);
    dayNumber = static_cast<int32_t>(DateFromYmd(ymd));
    return FormatYmd(dayNumber) == ymd;
}

// The page of day: its facts from an almanac with the shipped holidays; its memo and
// colours from the data folder when one is given, else no memo and the shipped colours.
std::unique_ptr<TBitmap> PageFor(int32_t day, const std::string& dataPath, double ratio) {
    TAlmanac almanac;
    almanac.LoadHolidays(LoadResourceText("holidays"));
    const TDayFacts facts = almanac.FactsOf(day);
    TColorScheme colors(dataPath + "colors.clr");
    std::string memo;
    if (dataPath.empty()) {
        colors.LoadDefaults();
    } else {
        colors.Load();
        TMemoStore memos(dataPath + "Memos.txt");
        memos.Load();
        memo = memos.MemoOf(facts.DayNumber);
    }
    return DrawDayPage(facts, memo, PageColorsOf(colors), ratio);
}

bool WritePng(const TBitmap& page, const std::string& fileName) {
    QImage image(page.Width(), page.Height(), QImage::Format_ARGB32);
    for (int y = 0; y < page.Height(); ++y)
        std::copy_n(page.ScanLine(y), page.Width() * 4, image.scanLine(y));
    return image.save(QFile::decodeName(fileName.c_str()), "PNG");
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "quillo-tool page: %s\n", message.c_str());
    return 2;
}

// The ratio of "--scale N": a plain decimal number from 0.25 to the renderer's largest.
bool ParseScale(const std::string& text, double& ratio) {
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos)
        return false;
    char* end = nullptr;
    ratio = std::strtod(text.c_str(), &end);
    return *end == '\0' && ratio >= 0.25 && ratio <= MaxPageRatio;
}

}  // namespace

int RunPageCommand(int argc, char** argv) {
    const char* const usage = "usage: page DATE OUT.png [DATA-FOLDER] [--scale N]";
    std::vector<std::string> operands;
    double ratio = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--scale" || argument.rfind("--scale=", 0) == 0) {
            std::string value;
            if (argument.size() > 7)
                value = argument.substr(8);
            else if (i + 1 < argc)
                value = argv[++i];
            else
                return Fail(usage);
            if (!ParseScale(value, ratio))
                return Fail("not a scale from 0.25 to 8: \"" + value + "\"");
        } else {
            operands.push_back(argument);
        }
    }
    if (operands.size() < 2 || operands.size() > 3)
        return Fail(usage);
    int32_t day;
    if (!ParsePageDate(operands[0], day))
        return Fail("not a date (YYYY-MM-DD): \"" + operands[0] + "\"");
    std::string dataPath;
    if (operands.size() == 3) {
        dataPath = std::string(operands[2]);
        if (!DirectoryExists(dataPath))
            return Fail("no such folder: " + operands[2]);
        if (dataPath.back() != '/')
            dataPath += '/';
    }

    // The page is drawn off screen; fonts need the application object, not a display.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    QGuiApplication application(qtArgc, argv);
    InstallFontSubstitutions();
    try {
        std::unique_ptr<TBitmap> page = PageFor(day, dataPath, ratio);
        if (!WritePng(*page, operands[1]))
            return Fail("cannot write " + operands[1]);
    } catch (const Exception& error) {
        return Fail(error.Message());
    }
    return 0;
}
