// quillo-tool page DATE OUT.png [DATA-FOLDER]: the calendar page of DATE (YYYY-MM-DD) as a
// 120 × 120 PNG, drawn exactly as the calendar shows it: with the memos and colours of
// DATA-FOLDER ("Memos.txt", "colors.clr") when it is given, else with the shipped colours
// and no memo. For wallpapers and desktop widgets, and to look at a page without a window.

#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "almanac/Almanac.h"
#include "graphics/Canvas.h"
#include "storage/ColorScheme.h"
#include "storage/DateUtils.h"
#include "storage/Exception.h"
#include "storage/FileUtils.h"
#include "storage/MemoStore.h"
#include "storage/Resources.h"
#include "storage/ShiftJis.h"
#include "tools/ToolCommands.h"
#include "ui/PageRenderer.h"

namespace {

// "YYYY-MM-DD" of a real date in years 1..9999.
bool ParsePageDate(const std::string& text, int32_t& dayNumber) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return false;
    std::string ymd = text.substr(0, 4) + text.substr(5, 2) + text.substr(8, 2);
    dayNumber = static_cast<int32_t>(DateFromYmd(ymd));
    return FormatYmd(dayNumber) == ymd;
}

// The process-wide objects the renderer reads, for the time of one command.
class TPageSession {
public:
    explicit TPageSession(const std::string& dataPath) {
        CreateAlmanac();
        Almanac().LoadHolidays(LoadResourceText("holidays"));
        ReplaceColorScheme(std::make_unique<TColorScheme>(dataPath + "colors.clr"));
        ReplaceMemoStore(std::make_unique<TMemoStore>(dataPath + "Memos.txt"));
        CreatePageRenderer();
    }
    ~TPageSession() {
        DestroyPageRenderer();
        DestroyMemoStore();
        DestroyColorScheme();
        DestroyAlmanac();
    }
    TPageSession(const TPageSession&) = delete;
    TPageSession& operator=(const TPageSession&) = delete;

    // The data folder's colours and memos; the shipped colours without a folder.
    void LoadData(bool fromDataFolder) {
        if (!fromDataFolder) {
            ColorScheme().LoadDefaults();
            return;
        }
        ColorScheme().Load();
        LoadMemos();
    }
};

bool WritePng(const TBitmap& page, const std::string& fileName) {
    QImage image(page.Width(), page.Height(), QImage::Format_ARGB32);
    for (int y = 0; y < page.Height(); ++y)
        std::copy_n(page.ScanLine(y), page.Width() * 4, image.scanLine(y));
    return image.save(QString::fromUtf8(fileName.c_str()), "PNG");
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "quillo-tool page: %s\n", message.c_str());
    return 2;
}

}  // namespace

int RunPageCommand(int argc, char** argv) {
    if (argc < 3 || argc > 4)
        return Fail("usage: page DATE OUT.png [DATA-FOLDER]");
    int32_t day;
    if (!ParsePageDate(argv[1], day))
        return Fail(std::string("not a date (YYYY-MM-DD): \"") + argv[1] + "\"");
    std::string dataPath;
    if (argc == 4) {
        dataPath = ProgramPath(argv[3]);
        if (!DirectoryExists(dataPath))
            return Fail(std::string("no such folder: ") + argv[3]);
        if (dataPath.back() != '/')
            dataPath += '/';
    }

    // The page is drawn off screen; fonts need the application object, not a display.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    QGuiApplication application(qtArgc, argv);
    InstallFontSubstitutions();
    try {
        TPageSession session(dataPath);
        session.LoadData(!dataPath.empty());
        std::unique_ptr<TBitmap> page = PageRenderer().DrawDay(day);
        if (!WritePng(*page, argv[2]))
            return Fail(std::string("cannot write ") + argv[2]);
    } catch (const Exception& error) {
        return Fail(SjisToUtf8(error.Message()));
    }
    return 0;
}
