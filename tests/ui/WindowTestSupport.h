#pragma once
// The process-wide objects the calendar's windows use, over a private data folder: the
// almanac with the shipped holidays, the settings, the shipped colours, the memos and the
// page renderer. Each test gets a fresh data folder, and the clock stands still on the
// last millisecond of 2026-12-07.

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPointer>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "PageObjects.h"
#include "almanac/Almanac.h"
#include "graphics/Canvas.h"
#include "storage/AppGlobals.h"
#include "storage/ColorScheme.h"
#include "storage/MemoStore.h"
#include "storage/Resources.h"
#include "support/FixedClock.h"
#include "support/TestEnvironment.h"
#include "ui/DialogOpeners.h"
#include "ui/DrawnButtonAccessible.h"
#include "ui/MainWindow.h"
#include "ui/PageOfDay.h"

class TWindowTest : public ::testing::Test {
protected:
    static constexpr int32_t ClockDay = 46363;  // 2026-12-07
    static constexpr TLocalMoment ClockMoment{ClockDay, MillisecondsPerDay - 1};

    static void SetUpTestSuite() {
        CreatePageObjects();
        // As at start-up, before any window exists.
        InstallDrawnButtonAccessibility();
    }
    static void TearDownTestSuite() { DestroyPageObjects(); }
    void SetUp() override {
        FClock = std::make_unique<TFixedClock>(ClockMoment);
        FEnvironment = std::make_unique<TTestEnvironment>();
        std::filesystem::create_directories(DataFolder());
        ReplaceAppGlobals(std::make_unique<TAppGlobals>());
        AppGlobals().SetDataDir(DataFolder().string());
        ReplaceColorScheme(std::make_unique<TColorScheme>());
        ColorScheme().LoadDefaults();
        ReplaceMemoStore(std::make_unique<TMemoStore>(DataPath() + "Memos.txt"));
        FSavedOpeners = DialogOpeners();
        DialogOpeners() = TDialogOpeners{
            [this](int32_t day) { Opened.push_back("memo " + std::to_string(day)); },
            [this](int32_t currentDay, const std::function<void(int32_t)>& showDay) {
                Opened.push_back("options " + std::to_string(currentDay));
                ShowDayFromOptions = showDay;
            },
            [this](QWidget*) { Opened.push_back("colors"); },
            [this](QWidget*) { Opened.push_back("about"); },
            [this](TMemoSync&, QWidget*) { Opened.push_back("sync"); },
        };
    }
    void TearDown() override {
        // The held main window goes through its holder, the other windows directly.
        DestroyMainWindow();
        QList<QPointer<QWidget>> windows;
        for (QWidget* widget : QApplication::topLevelWidgets())
            windows.append(widget);
        for (const QPointer<QWidget>& window : windows)
            delete window.data();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        DialogOpeners() = FSavedOpeners;
        DestroyMemoStore();
        DestroyColorScheme();
        DestroyAppGlobals();
        FEnvironment.reset();
        FClock.reset();
    }

    std::filesystem::path DataFolder() const { return FEnvironment->Root() / "data"; }
    std::string DataPath() const { return AppGlobals().DataPath(); }

    static std::string FileText(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void WriteText(const std::filesystem::path& path, const std::string& text) {
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }

    // Mouse events as the window system delivers them, at a screen point.
    static void Mouse(QWidget* window, QEvent::Type type, QPoint screen, Qt::MouseButton button = Qt::LeftButton) {
        QCursor::setPos(screen);
        Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        if (type == QEvent::MouseMove)
            button = Qt::NoButton;
        QPointF local = QPointF(screen - window->pos());
        QMouseEvent event(type, local, local, QPointF(screen), button, held, Qt::NoModifier);
        QApplication::sendEvent(window, &event);
    }

    // The dialogs the windows opened, as "memo <day>", "options <day>", "colors", "about".
    std::vector<std::string> Opened;
    // Where the options dialog last opened would send the day picked there.
    std::function<void(int32_t)> ShowDayFromOptions;

private:
    std::unique_ptr<TFixedClock> FClock;
    std::unique_ptr<TTestEnvironment> FEnvironment;
    TDialogOpeners FSavedOpeners;
};
