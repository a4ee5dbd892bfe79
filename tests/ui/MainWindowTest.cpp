#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMenu>
#include <QScreen>

#include <cerrno>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "WindowTestSupport.h"
#include "graphics/GraphicWork.h"
#include "platform/Compositor.h"
#include "storage/DateUtils.h"
#include "storage/Exception.h"
#include "storage/FileUtils.h"
#include "storage/PaperFile.h"
#include "storage/Text.h"
#include "ui/DrawnButton.h"
#include "ui/ErrorDisplay.h"
#include "ui/MainWindow.h"
#include "ui/Notices.h"
#include "ui/PageDescription.h"
#include "ui/PageOfDay.h"
#include "ui/PaperWindow.h"
#include "ui/TrayIcon.h"
#include "ui/WindowBehaviour.h"

// ---- The calendar's rules ----------------------------------------------------------

TEST(CalendarRules, TheTearAreaIsThePageBelowTheStripInsideTheBorder) {
    struct TCase {
        int X, Y;
        bool Tears;
    };
    const TCase cases[] = {
        {60, 25, false}, {60, 26, true},    // the strip ends at 26
        {4, 80, false},  {5, 80, true},     // left border
        {125, 80, true}, {126, 80, false},  // right border (width 130)
        {60, 146, true}, {60, 147, false},  // bottom border (height 151)
    };
    for (const TCase& c : cases)
        EXPECT_EQ(InTearArea(c.X, c.Y, 130, 151), c.Tears) << c.X << "," << c.Y;
}

TEST(CalendarRules, TheHalfPressedChoosesTheHinge) {
    EXPECT_EQ(HingePivot(5, 5), (TPoint{120, 0}));
    EXPECT_EQ(HingePivot(65, 5), (TPoint{120, 0}));  // 60 from the page's left edge
    EXPECT_EQ(HingePivot(66, 5), (TPoint{0, 0}));
    EXPECT_EQ(HingePivot(124, 5), (TPoint{0, 0}));
}

TEST(CalendarRules, GridPlacesFillRowsNoWiderThanThePapersWere) {
    struct TCase {
        std::vector<TRect> Windows;
        std::vector<TPoint> Places;
    };
    auto at = [](int left, int top) { return RectOfSize(left, top, 123, 123); };
    const TCase cases[] = {
        {{}, {}},
        // All at one Left: one column, 120 apart.
        {{at(300, 50), at(300, 10), at(300, 400)}, {{300, 10}, {300, 130}, {300, 250}}},
        // Spread over 250 pixels: rows of three (300, 420, 540).
        {{at(300, 100), at(550, 20), at(400, 60), at(310, 90)}, {{300, 20}, {420, 20}, {540, 20}, {300, 140}}},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(GridPlaces(c.Windows), c.Places);
}

// ---- The main window ---------------------------------------------------------------

namespace {

ino_t InodeOf(const std::filesystem::path& path) {
    struct stat info = {};
    return stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

}  // namespace

class MainWindowTest : public TWindowTest {
protected:
    // Shows the window and lets it paint, after which it restores the papers and makes
    // its tray icon.
    TMainWindow* Start() {
        CreateMainWindow();
        MainWindow().show();
        QDeadlineTimer deadline(3000);
        while (!MainWindow().StartUpFinished() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        EXPECT_TRUE(MainWindow().StartUpFinished());
        return &MainWindow();
    }
    // A lying paper of day with its creation time, as the last run left it.
    TPaperWindow* Lying(TMainWindow* main, int index, int32_t day, double makeTime, int left = 100, int top = 100) {
        SavePaperFile(DataPath(), index, {0, left, top, 123, 123, day, makeTime});
        auto* paper = new TPaperWindow(main, main);
        paper->show();
        EXPECT_TRUE(paper->LoadFrom(index));
        return paper;
    }
    // Press in the window at (x, y) and move by (dx, dy); the button stays down.
    void PressAndPull(TMainWindow* main, int x, int y, int dx, int dy) {
        QPoint at = main->pos() + QPoint(x, y);
        Mouse(main, QEvent::MouseButtonPress, at);
        Mouse(main, QEvent::MouseMove, at + QPoint(dx, dy));
    }
    // Releases the button over whichever window holds the mouse.
    void Release(TMainWindow* main) {
        QWidget* grabber = QWidget::mouseGrabber();
        Mouse(grabber ? grabber : main, QEvent::MouseButtonRelease, QCursor::pos());
    }
    static int PaperCount() {
        TPaperList papers;
        CollectOpenPapers(papers);
        return papers.Count();
    }
    static TPaperWindow* NewestPaper() {
        TPaperList papers;
        CollectOpenPapers(papers);
        return papers.Count() ? papers.Items(papers.Count() - 1) : nullptr;
    }
};

TEST_F(MainWindowTest, AFirstStartShowsTodayCentredWithoutPapers) {
    TMainWindow* main = Start();
    EXPECT_EQ(main->CurrentDate(), ClockDay);  // today comes from the calendar's clock
    EXPECT_EQ(main->size(), QSize(130, 151));
    QSize screen = QGuiApplication::primaryScreen()->size();
    EXPECT_EQ(main->pos(), QPoint((screen.width() - 130) / 2, (screen.height() - 151) / 2));
    EXPECT_EQ(PaperCount(), 0);
    EXPECT_EQ(&MainWindow(), main);
    EXPECT_EQ(main->accessibleName(), PageDescription(Today()));
}

TEST_F(MainWindowTest, TheHolderReleasesTheWindowWithItsPapersAndAnUnheldWindowIsNotTheCalendar) {
    TMainWindow* main = Start();
    QPointer<TPaperWindow> paper = Lying(main, 0, 46001, 46000.25);
    DestroyMainWindow();
    EXPECT_FALSE(HasMainWindow());
    EXPECT_TRUE(paper.isNull());
    TMainWindow unheld;
    EXPECT_FALSE(HasMainWindow());
}

TEST_F(MainWindowTest, TheGravityForPapersIsReadFromTheSettingsWithTheColors) {
    AppGlobals().WriteInteger("CALENDAR", "GRAVITY", -4);
    TMainWindow* main = Start();
    EXPECT_EQ(main->Gravity(), -4);
    AppGlobals().WriteInteger("CALENDAR", "GRAVITY", 25);
    MemoChangedNotice().Notify(main->CurrentDate() + 1);  // no colour reset
    EXPECT_EQ(main->Gravity(), -4);
    ColorsChangedNotice().Notify();
    EXPECT_EQ(main->Gravity(), 25);
}

TEST_F(MainWindowTest, AStoredDayIsShownAndAnImpossibleOneGivesToday) {
    for (auto [stored, shown] : {std::pair{46100, 46100}, std::pair{2958466, Today()}, std::pair{-700000, Today()}}) {
        AppGlobals().WriteInteger("CALENDAR", "DATE", stored);
        TMainWindow main;
        EXPECT_EQ(main.CurrentDate(), shown);
    }
}

// The first page is drawn on a thread of its own while the window is made: it is the page of
// the shown day with its memo and colours, pixel for pixel, and a day shown before that page
// was taken replaces it.
TEST_F(MainWindowTest, TheFirstPageDrawnAheadIsThePageOfTheShownDay) {
    MemoStore().StoreMemo(46100, "歯医者 10:00");
    ColorScheme().SetColor("日めくり\\背景", 0xE0F0FF);
    AppGlobals().WriteInteger("CALENDAR", "DATE", 46100);
    for (int32_t shown : {46100, 46101}) {
        TMainWindow main;
        if (shown != 46100)
            main.ShowDate(shown);
        const std::unique_ptr<TBitmap> expected = PageOfDay(shown, main.PageRatio());
        const TBitmap* page = main.PageBitmap();
        ASSERT_TRUE(page) << shown;
        ASSERT_EQ(page->Width(), expected->Width()) << shown;
        for (int y = 0; y < page->Height(); ++y)
            ASSERT_EQ(std::memcmp(page->ScanLine(y), expected->ScanLine(y), size_t(page->Width()) * 4), 0) << shown;
    }
}

TEST_F(MainWindowTest, OnlyALeftPressInThePageFollowedByAMoveTears) {
    struct TCase {
        int X, Y, Dx, Dy;
        Qt::MouseButton Button;
        bool Tears;
    };
    const TCase cases[] = {
        {60, 80, 0, 0, Qt::LeftButton, false},   // press and release in place
        {60, 15, 1, 0, Qt::LeftButton, false},   // in the strip: that drags the window
        {60, 80, 1, 0, Qt::RightButton, false},  // the right button opens the menu
        {60, 80, 1, 0, Qt::LeftButton, true},    // one pixel is enough
        {120, 140, 0, 1, Qt::LeftButton, true},
    };
    for (const TCase& c : cases) {
        TMainWindow* main = Start();
        const int32_t day = main->CurrentDate();
        QPoint at = main->pos() + QPoint(c.X, c.Y);
        Mouse(main, QEvent::MouseButtonPress, at, c.Button);
        Mouse(main, QEvent::MouseMove, at + QPoint(c.Dx, c.Dy), c.Button);
        EXPECT_EQ(PaperCount(), c.Tears ? 1 : 0) << c.X << "," << c.Y;
        if (c.Tears) {
            TPaperWindow* paper = NewestPaper();
            EXPECT_EQ(paper->PaperDate(), day);
            EXPECT_EQ(paper->MakeTime(), ClockMoment.DayTime());  // made now, by the clock
            EXPECT_TRUE(paper->Hinged());
            EXPECT_EQ(QWidget::mouseGrabber(), paper);
            EXPECT_EQ(main->CurrentDate(), day + 1);
            paper->close();
        }
        DestroyMainWindow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(MainWindowTest, TheTornPageHingesByTheHalfPressed) {
    TMainWindow* main = Start();
    PressAndPull(main, 65, 80, 0, 1);
    ASSERT_EQ(PaperCount(), 1);
    EXPECT_EQ(NewestPaper()->Turn().PivotSrc(), (TPoint{120, 0}));
    Release(main);
    PressAndPull(main, 66, 80, 0, 1);
    ASSERT_EQ(PaperCount(), 1);
    EXPECT_EQ(NewestPaper()->Turn().PivotSrc(), (TPoint{0, 0}));
}

TEST_F(MainWindowTest, ReleasingBeforeThePageComesLoosePutsItBack) {
    TMainWindow* main = Start();
    const int32_t day = main->CurrentDate();
    PressAndPull(main, 60, 80, 1, 1);
    EXPECT_EQ(main->CurrentDate(), day + 1);
    Release(main);
    EXPECT_EQ(main->CurrentDate(), day);
    EXPECT_EQ(PaperCount(), 0);
}

TEST_F(MainWindowTest, TheCalendarMovesOnToTheFirstDayNoPaperShows) {
    TMainWindow* main = Start();
    const int32_t day = main->CurrentDate();
    Lying(main, 0, day + 1, 1);
    Lying(main, 1, day + 2, 2);
    Lying(main, 2, day + 4, 3);
    QPoint at = main->pos() + QPoint(60, 80);
    Mouse(main, QEvent::MouseButtonPress, at);
    Mouse(main, QEvent::MouseMove, at + QPoint(1, 0));
    EXPECT_EQ(main->CurrentDate(), day + 3);
    TPaperList papers;
    CollectOpenPapers(papers);
    EXPECT_EQ(NextFreeDay(papers, day), day + 3);
    EXPECT_EQ(NextFreeDay(papers, day + 4), day + 5);
}

TEST_F(MainWindowTest, ATearBeyondTheGreatestNumberClosesTheOldestPapersByCreation) {
    struct TCase {
        int Max;
        int Left;  // papers left after the tear
    };
    for (TCase c : {TCase{3, 3}, TCase{1, 1}, TCase{10, 4}}) {
        SCOPED_TRACE(c.Max);
        AppGlobals().WriteInteger("CALENDAR", "MAX", c.Max);
        TMainWindow* main = Start();
        const int32_t day = main->CurrentDate();
        // The oldest by creation is not the oldest by date.
        QPointer<TPaperWindow> oldest = Lying(main, 0, day + 20, 100.25);
        QPointer<TPaperWindow> middle = Lying(main, 1, day + 10, 200.5);
        QPointer<TPaperWindow> newest = Lying(main, 2, day + 30, 300.75);
        // Closed papers may already be released.
        auto gone = [](const QPointer<TPaperWindow>& paper) { return !paper || paper->Closing(); };
        PressAndPull(main, 100, 80, 0, 1);
        TPaperWindow* torn = NewestPaper();
        ASSERT_NE(torn, nullptr);
        EXPECT_EQ(torn->PaperDate(), day);
        EXPECT_FALSE(torn->Closing());
        EXPECT_EQ(PaperCount(), c.Left);
        EXPECT_EQ(gone(oldest), c.Left < 4);
        EXPECT_EQ(gone(middle), c.Left < 3);
        EXPECT_EQ(gone(newest), c.Left < 2);
        DestroyMainWindow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(MainWindowTest, ShowDateClosesThePaperOfThatDayAndIgnoresTheCurrentDay) {
    TMainWindow* main = Start();
    const int32_t day = main->CurrentDate();
    TPaperWindow* other = Lying(main, 0, day + 5, 1);
    const TBitmap* page = main->PageBitmap();
    main->ShowDate(day);
    EXPECT_EQ(main->PageBitmap(), page);  // not even drawn again
    main->ShowDate(day + 5);
    EXPECT_TRUE(other->Closing());
    EXPECT_EQ(main->CurrentDate(), day + 5);
    EXPECT_EQ(main->accessibleName(), PageDescription(day + 5));
}

TEST_F(MainWindowTest, ADoubleClickOnThePageNeverTears) {
    TMainWindow* main = Start();
    QPoint at = main->pos() + QPoint(60, 80);
    Mouse(main, QEvent::MouseButtonPress, at);
    Mouse(main, QEvent::MouseButtonRelease, at);
    Mouse(main, QEvent::MouseButtonDblClick, at);
    Mouse(main, QEvent::MouseMove, at + QPoint(3, 3));
    EXPECT_FALSE(main->TearArmed());
    EXPECT_EQ(PaperCount(), 0);
    EXPECT_EQ(Opened, std::vector<std::string>{"memo " + std::to_string(main->CurrentDate())});
    // The next press tears again.
    Mouse(main, QEvent::MouseButtonRelease, at);
    PressAndPull(main, 60, 80, 0, 2);
    EXPECT_EQ(PaperCount(), 1);
}

TEST_F(MainWindowTest, TheMenuOffersEveryItemInOrder) {
    TMainWindow* main = Start();
    QStringList captions;
    for (QAction* action : main->Menu()->actions())
        captions << (action->isSeparator() ? "-" : action->text());
    const char* const expected[] = {"日付を今日にする(&T)",
                                    "メモ記入(&M)",
                                    "-",
                                    "全て消す(&A)",
                                    "並べる(&J)",
                                    "-",
                                    "オプション設定(&O)",
                                    "配色設定(&L)",
                                    "同期…",
                                    "-",
                                    "通常",
                                    "常に手前に表示",
                                    "デスクトップに置く",
                                    "-",
                                    "ログイン時に起動する",
                                    "-",
                                    "ソフトウェア情報(&I)",
                                    "終了(&X)"};
    QStringList wanted;
    for (const char* caption : expected)
        wanted << QtText(std::string(caption));
    EXPECT_EQ(captions, wanted);
    EXPECT_TRUE(main->Menu()->actions()[14]->isCheckable());

    for (int item : {1, 6, 7, 8, 16})
        main->Menu()->actions()[item]->trigger();
    EXPECT_EQ(Opened, (std::vector<std::string>{"memo " + std::to_string(Today()), "options " + std::to_string(Today()),
                                                "colors", "sync", "about"}));
    // A day picked in the options becomes the calendar's.
    ASSERT_TRUE(ShowDayFromOptions);
    ShowDayFromOptions(Today() + 3);
    EXPECT_EQ(main->CurrentDate(), Today() + 3);

    main->ShowDate(Today() + 40);
    main->Menu()->actions()[0]->trigger();
    EXPECT_EQ(main->CurrentDate(), Today());
    Lying(main, 0, Today() + 3, 1);
    main->Menu()->actions()[3]->trigger();
    EXPECT_EQ(PaperCount(), 0);
}

// The stacking choice: the stored value picks the ticked item (anything but 1 and 2 is the
// normal place), an item picked is written at once, and the window and every paper, open or
// opened later, take it.
TEST_F(MainWindowTest, TheStackingChoiceIsRememberedAndThePapersFollowIt) {
    const struct {
        const char* Stored;
        int Ticked;  // the menu item, counted from "通常"
    } stored[] = {{"0", 0}, {"1", 1}, {"2", 2}, {"3", 0}, {"-1", 0}, {"above", 0}};
    constexpr int FirstItem = 10;
    for (const auto& c : stored) {
        SCOPED_TRACE(c.Stored);
        AppGlobals().WriteString("TFMQUILLO", "STACKING", c.Stored);
        TMainWindow* main = Start();
        for (int item = 0; item < 3; ++item)
            EXPECT_EQ(main->Menu()->actions()[FirstItem + item]->isChecked(), item == c.Ticked) << item;
        main->close();
        DestroyMainWindow();
    }
    const struct {
        int Item;
        const char* Written;
        bool OnTop, OnBottom;
    } choices[] = {{1, "1", true, false}, {2, "2", false, true}, {0, "0", false, false}};
    TMainWindow* main = Start();
    TPaperWindow* open = Lying(main, 0, Today() + 5, 1);
    for (const auto& c : choices) {
        SCOPED_TRACE(c.Item);
        main->Menu()->actions()[FirstItem + c.Item]->trigger();
        EXPECT_EQ(AppGlobals().ReadString("TFMQUILLO", "STACKING", ""), c.Written);
        TPaperList before;
        CollectOpenPapers(before);
        // A paper being torn; released at once, it goes back onto the calendar.
        PressAndPull(main, 30, 60, 0, 5);
        TPaperList after;
        CollectOpenPapers(after);
        TPaperWindow* torn = nullptr;
        for (int i = 0; i < after.Count(); ++i) {
            bool known = false;
            for (int j = 0; j < before.Count(); ++j)
                known |= before.Items(j) == after.Items(i);
            if (!known)
                torn = after.Items(i);
        }
        ASSERT_NE(torn, nullptr);
        for (QWidget* window : std::initializer_list<QWidget*>{main, open, torn}) {
            EXPECT_EQ(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint), c.OnTop);
            EXPECT_EQ(window->windowFlags().testFlag(Qt::WindowStaysOnBottomHint), c.OnBottom);
            EXPECT_TRUE(window->isVisible());
        }
        Release(main);
    }
}

// Where windows are composited the main window has per-pixel alpha: its cut corners are
// transparent, the rest opaque; elsewhere it is opaque and its shape cuts the corners.
TEST_F(MainWindowTest, TheCutCornersAreTransparentWhereWindowsAreComposited) {
    for (bool composited : {true, false}) {
        SCOPED_TRACE(composited);
        const TCompositorProbe previous = SetCompositorProbe(composited ? +[] { return true; } : +[] { return false; });
        TMainWindow* main = Start();
        SetCompositorProbe(previous);
        EXPECT_EQ(main->testAttribute(Qt::WA_TranslucentBackground), composited);
        const struct {
            QPoint At;
            bool Cut;
        } points[] = {{{0, 0}, true},  {{3, 0}, true},  {{0, 3}, true},   {{1, 1}, true},   {{129, 150}, true},
                      {{4, 0}, false}, {{2, 1}, false}, {{65, 2}, false}, {{64, 80}, false}};
        // Both keep the shape; the paint is looked at without it.
        const QRegion shape = main->mask();
        main->clearMask();
        QImage painted(main->size(), QImage::Format_ARGB32_Premultiplied);
        painted.fill(Qt::green);
        main->render(&painted, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
        for (const auto& p : points) {
            const QColor color = painted.pixelColor(p.At);
            EXPECT_EQ(shape.contains(p.At), !p.Cut) << p.At.x() << "," << p.At.y();
            EXPECT_EQ(color.alpha(), composited && p.Cut ? 0 : 255)
                << p.At.x() << "," << p.At.y() << " " << qPrintable(color.name(QColor::HexArgb));
            EXPECT_NE(color, QColor(Qt::green)) << p.At.x() << "," << p.At.y();
        }
        main->close();
        DestroyMainWindow();
    }
}

TEST_F(MainWindowTest, ArrangingStacksPapersInDateOrderAndStraightensThem) {
    TMainWindow* main = Start();
    TPaperWindow* late = Lying(main, 0, 46020, 1, 300, 200);
    TPaperWindow* early = Lying(main, 1, 46010, 2, 300, 100);
    SavePaperFile(DataPath(), 2, {77, 300, 150, 1, 1, 46015, 3});
    auto* turned = new TPaperWindow(main, main);
    turned->show();
    ASSERT_TRUE(turned->LoadFrom(2));
    main->ArrangePapers();
    EXPECT_EQ(early->pos(), QPoint(300, 100));
    EXPECT_EQ(turned->pos(), QPoint(300, 220));
    EXPECT_EQ(late->pos(), QPoint(300, 340));
    EXPECT_EQ(turned->Turn().Angle(), 0);
    EXPECT_EQ(turned->size(), early->size());
}

TEST_F(MainWindowTest, TheMemoOfTheShownDayRedrawsThePage) {
    TMainWindow* main = Start();
    const TBitmap* page = main->PageBitmap();
    MemoChangedNotice().Notify(main->CurrentDate() + 1);
    EXPECT_EQ(main->PageBitmap(), page);
    MemoChangedNotice().Notify(main->CurrentDate());
    EXPECT_NE(main->PageBitmap(), page);
}

TEST_F(MainWindowTest, ThePageHasItsShadowAboveAndLeftAndItsLightBelowAndRight) {
    TMainWindow* main = Start();
    std::unique_ptr<TBitmap> image = main->ComposeImage();
    const uint32_t back = main->BackColor();
    const uint32_t shadow = BlendColor(back, 0x000000, 200);
    const uint32_t light = BlendColor(back, 0xFFFFFF, 180);
    auto at = [&](int x, int y) { return static_cast<uint32_t>(image->Pixel(x, y)); };
    EXPECT_EQ(at(5, 25), shadow);
    EXPECT_EQ(at(124, 25), shadow);
    EXPECT_EQ(at(4, 26), shadow);
    EXPECT_EQ(at(4, 145), shadow);
    EXPECT_EQ(at(5, 146), light);
    EXPECT_EQ(at(125, 26), light);
    EXPECT_EQ(at(125, 145), light);
    EXPECT_EQ(at(64, 0), main->FrameColor());
    EXPECT_EQ(at(0, 75), main->FrameColor());
    EXPECT_EQ(at(0, 0), back);  // the rounded corner
    EXPECT_EQ(at(60, 10), back);
    EXPECT_EQ(at(65, 86), static_cast<uint32_t>(main->PageBitmap()->Pixel(60, 60)));
}

TEST_F(MainWindowTest, TheSavingRunsOnceAndRestoresThePapersAtTheNextStart) {
    {
        TMainWindow* main = Start();
        Lying(main, 0, 46001, 46000.25, 200, 210);
        Lying(main, 1, 46002, 46000.5, 400, 410);
        main->ShowDate(46050);
        main->close();  // the close button and the menu's exit
        EXPECT_TRUE(main->Saved());
        EXPECT_EQ(PaperCount(), 0);
        EXPECT_EQ(AppGlobals().ReadInteger("PAPER", "number", -1), 2);
        EXPECT_EQ(AppGlobals().ReadInteger("CALENDAR", "DATE", -1), 46050);
        // A second request (a signal after the window closed) writes nothing more.
        std::filesystem::remove_all(DataFolder() / "PAPERS");
        main->SaveAtExit();
        EXPECT_FALSE(std::filesystem::exists(DataFolder() / "PAPERS"));
        DestroyMainWindow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // Saved again, and one file damaged, another missing, a third not a paper file.
    SavePaperFile(DataPath(), 0, {10, 200, 210, 123, 123, 46001, 46000.25});
    WriteText(DataFolder() / "PAPERS/01", "\x81\x7f garbage without a section");
    SavePaperFile(DataPath(), 3, {20, 400, 410, 123, 123, 46002, 46000.5});
    AppGlobals().WriteInteger("PAPER", "number", 4);
    TMainWindow* main = Start();
    EXPECT_EQ(main->CurrentDate(), 46050);
    TPaperList papers;
    CollectOpenPapers(papers);
    ASSERT_EQ(papers.Count(), 2);
    papers.SortByDate();
    EXPECT_EQ(papers.Items(0)->PaperDate(), 46001);
    EXPECT_EQ(papers.Items(0)->pos(), QPoint(200, 210));
    EXPECT_EQ(papers.Items(0)->Turn().Angle(), 10);
    EXPECT_EQ(papers.Items(1)->PaperDate(), 46002);
    EXPECT_EQ(papers.Items(1)->MakeTime(), 46000.5);
}

TEST_F(MainWindowTest, EachChangeIsSavedAMomentLaterAndOnlyTheFilesItChanges) {
    TMainWindow* main = Start();
    Lying(main, 0, 46001, 46000.25, 200, 210);
    Lying(main, 1, 46002, 46000.5, 400, 410);
    // Every file stands as this run would write it.
    ASSERT_TRUE(main->SaveState());
    auto paper = [](int index) {
        TPaperList papers;
        CollectOpenPapers(papers);
        return papers.Items(index);
    };
    const std::vector<std::string> files = {"application.ini", "PAPERS/00", "PAPERS/01"};
    struct TCase {
        const char* Name;
        std::function<void()> Change;
        bool Pending;
        std::vector<std::string> Replaced;
    };
    const TCase cases[] = {
        {"the day shown", [&] { main->ShowDate(46100); }, true, {"application.ini"}},
        {"the same day again", [&] { main->ShowDate(46100); }, false, {}},
        {"a paper put down elsewhere",
         [&] {
             paper(1)->move(500, 300);
             main->PaperChanged();
         },
         true,
         {"PAPERS/01"}},
        {"a paper put down where it was", [&] { main->PaperChanged(); }, true, {}},
        {"the calendar moved", [&] { main->move(main->pos() + QPoint(30, 20)); }, true, {"application.ini"}},
        // The second paper moves up to number 0; the count drops to 1.
        {"the first paper closed", [&] { paper(0)->close(); }, true, {"application.ini", "PAPERS/00"}},
    };
    for (const TCase& c : cases) {
        std::map<std::string, ino_t> before;
        for (const std::string& file : files)
            before[file] = std::filesystem::exists(DataFolder() / file) ? InodeOf(DataFolder() / file) : 0;
        c.Change();
        QCoreApplication::processEvents();
        EXPECT_EQ(main->StateSavePending(), c.Pending) << c.Name;
        EXPECT_TRUE(main->SaveState()) << c.Name;
        EXPECT_FALSE(main->StateSavePending()) << c.Name;
        std::vector<std::string> replaced;
        for (const std::string& file : files)
            if (InodeOf(DataFolder() / file) != before[file])
                replaced.push_back(file);
        EXPECT_EQ(replaced, c.Replaced) << c.Name;
    }
    EXPECT_EQ(AppGlobals().ReadInteger("PAPER", "number", -1), 1);
    EXPECT_EQ(AppGlobals().ReadInteger("CALENDAR", "DATE", -1), 46100);
    EXPECT_EQ(AppGlobals().ReadInteger("TFMQUILLO", "LEFT", -1), main->x());
    // After the exit's saving nothing more is planned.
    main->SaveAtExit();
    main->ShowDate(46200);
    EXPECT_FALSE(main->StateSavePending());
}

TEST_F(MainWindowTest, PapersThatCannotBeWrittenAreNotCounted) {
    TMainWindow* main = Start();
    Lying(main, 0, 46001, 1);
    std::filesystem::remove_all(DataFolder() / "PAPERS");
    WriteText(DataFolder() / "PAPERS", "a file where the folder belongs");
    EXPECT_FALSE(main->SaveAtExit());
    EXPECT_EQ(AppGlobals().ReadInteger("PAPER", "number", -1), 0);
    EXPECT_EQ(AppGlobals().ReadInteger("CALENDAR", "DATE", -1), main->CurrentDate());
    EXPECT_EQ(PaperCount(), 0);
}

TEST_F(MainWindowTest, SavingAtExitTriesEveryFileAndSaysWhetherAllWereWritten) {
    struct TCase {
        const char* Name;
        std::function<void()> Break;  // what stands in the way of the saving
        const char* FailedFile;       // the file each error line names; nullptr: none
        std::string Reason;
        bool PaperWritten;
        bool SettingsWritten;
    };
    const TCase cases[] = {
        {"nothing in the way", [] {}, nullptr, "", true, true},
        {"a file where the papers' folder belongs", [this] { WriteText(DataFolder() / "PAPERS", "x"); }, "PAPERS/00",
         SystemErrorText(ENOTDIR), false, true},
        {"a folder where the settings file belongs",
         [this] { std::filesystem::create_directories(DataFolder() / "application.ini"); }, "application.ini",
         SystemErrorText(EISDIR), true, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        std::filesystem::remove_all(DataFolder());
        std::filesystem::create_directories(DataFolder());
        TMainWindow* main = Start();
        Lying(main, 0, 46001, 1, 200, 210);
        std::filesystem::remove_all(DataFolder() / "PAPERS");
        c.Break();
        testing::internal::CaptureStderr();
        bool allSaved = main->SaveAtExit();
        // A second request (a signal after the menu's exit) writes nothing and says the same.
        EXPECT_EQ(main->SaveAtExit(), allSaved);
        std::string errors = testing::internal::GetCapturedStderr();
        EXPECT_EQ(allSaved, c.FailedFile == nullptr);
        EXPECT_EQ(main->AllSaved(), allSaved);
        EXPECT_EQ(std::filesystem::is_regular_file(DataFolder() / "PAPERS/00"), c.PaperWritten);
        EXPECT_EQ(AppGlobals().ReadInteger("TFMQUILLO", "LEFT", -1) == main->x(), c.SettingsWritten);
        // Each failed write is one line that names the file and ends with the reason.
        std::vector<std::string> lines;
        for (size_t start = 0, end; start < errors.size(); start = end + 1) {
            end = errors.find('\n', start);
            lines.push_back(errors.substr(start, end - start));
        }
        if (c.FailedFile) {
            ASSERT_FALSE(lines.empty());
            for (const std::string& line : lines) {
                EXPECT_NE(
                    line.find(std::string(DataPath() + c.FailedFile + std::string(" に書き込めません: ") + c.Reason)),
                    std::string::npos)
                    << line;
            }
        } else {
            EXPECT_EQ(errors, "");
        }
        DestroyMainWindow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST(ErrorDisplay, AMessageOfSeveralLinesIsOneLineOnStandardError) {
    testing::internal::CaptureStderr();
    ShowExceptionMessage(EFileError(std::string("/d/graphic を読めません: TArchiveStream:\r\n[Reload]表が不正です")));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "/d/graphic を読めません: TArchiveStream: [Reload]表が不正です\n");
}

TEST_F(MainWindowTest, TheAccessibleNameReadsThePage) {
    const QString newYear = PageDescription(DayNumberOf(2026, 1, 1));
    EXPECT_TRUE(newYear.startsWith(QtText(std::string("2026年1月1日 木曜日 令和8年 旧暦")))) << newYear.toStdString();
    EXPECT_TRUE(newYear.contains(QtText(std::string("元日")))) << newYear.toStdString();
    const QString equinox = PageDescription(DayNumberOf(2026, 3, 20));
    EXPECT_TRUE(equinox.contains(QtText(std::string("春分")))) << equinox.toStdString();
}

// A memo stored for a day joins the name of the window that shows the day; windows of
// other days keep theirs. (That the change reaches the accessibility bus as an event is
// seen by the end-to-end test: offscreen, Qt sends no accessibility events.)
TEST_F(MainWindowTest, AMemoJoinsTheNameOfTheWindowsShowingItsDay) {
    TMainWindow* main = Start();
    const int32_t day = main->CurrentDate();
    TPaperWindow* paper = Lying(main, 0, day + 1, 1);
    const QString paperName = paper->accessibleName();
    EXPECT_EQ(paperName, PageDescription(day + 1));

    MemoStore().StoreMemo(day, std::string("忘年会\r\n表ソ"));
    EXPECT_EQ(main->accessibleName(), PageDescription(day));
    EXPECT_TRUE(main->accessibleName().endsWith(QtText(std::string(" 忘年会 表ソ"))))
        << main->accessibleName().toStdString();
    EXPECT_EQ(paper->accessibleName(), paperName);

    MemoStore().StoreMemo(day + 1, "Dentist");
    EXPECT_EQ(paper->accessibleName(), paperName + " Dentist");
}

// The buttons' press actions run what their clicks run: the menu opens, the window goes
// into the tray, the window closes and saves.
TEST_F(MainWindowTest, TheButtonsPressActionsDoWhatTheirClicksDo) {
    auto previous = TTrayIcon::SetTrayProbe(+[] { return true; });
    TMainWindow* main = Start();
    auto press = [main](const char* name) {
        for (TDrawnButton* button : main->findChildren<TDrawnButton*>())
            if (button->accessibleName() == QtText(std::string(name))) {
                QAccessibleInterface* face = QAccessible::queryAccessibleInterface(button);
                EXPECT_EQ(face->role(), QAccessible::Button) << name;
                face->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
                QCoreApplication::processEvents();
                return;
            }
        ADD_FAILURE() << "no button named " << name;
    };
    press("MENU");
    EXPECT_TRUE(main->Menu()->isVisible());
    main->Menu()->hide();
    press("最小化");
    EXPECT_FALSE(main->isVisible());
    main->RestoreFromTray();
    press("閉じる");
    EXPECT_TRUE(main->Saved());
    EXPECT_FALSE(main->isVisible());
    TTrayIcon::SetTrayProbe(previous);
}

TEST_F(MainWindowTest, MinimisingHidesThePapersOnlyIntoATray) {
    for (bool trayHost : {true, false}) {
        SCOPED_TRACE(trayHost);
        auto previous = TTrayIcon::SetTrayProbe(trayHost ? +[] { return true; } : +[] { return false; });
        TMainWindow* main = Start();
        TPaperWindow* paper = Lying(main, 0, 46001, 1);
        main->MinimizeToTray();
        EXPECT_EQ(main->isVisible(), !trayHost);
        // Hidden papers come back only with the tray's restore; a window minimised the
        // ordinary way is restored from the taskbar, so its papers stay.
        EXPECT_EQ(paper->isVisible(), !trayHost);
        main->RestoreFromTray();
        EXPECT_TRUE(main->isVisible());
        EXPECT_FALSE(main->isMinimized());
        EXPECT_TRUE(paper->isVisible());
        DestroyMainWindow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        TTrayIcon::SetTrayProbe(previous);
    }
}

bool TrayHostRuns = true;

TEST_F(MainWindowTest, ATrayThatGoesAwayBringsTheWindowAndItsPapersBack) {
    TrayHostRuns = true;
    auto previous = TTrayIcon::SetTrayProbe(+[] { return TrayHostRuns; });
    TMainWindow* main = Start();
    TPaperWindow* paper = Lying(main, 0, 46001, 1);
    main->MinimizeToTray();
    ASSERT_FALSE(paper->isVisible());
    TrayHostRuns = false;
    main->TrayIcon()->TrayHostChanged();
    EXPECT_TRUE(main->isVisible());
    EXPECT_TRUE(paper->isVisible());
    TTrayIcon::SetTrayProbe(previous);
}

// A settings file as earlier versions wrote it: the window's place is read from the section
// the calendar has always kept it under, and written back there, byte for byte.
TEST_F(MainWindowTest, APlaceStoredByAnEarlierVersionIsRestoredAndKeptInItsSection) {
    WriteText(DataFolder() / "application.ini",
              "[CALENDAR]\r\nDATE=46100\r\n[TFMQUILLO]\r\nTOP=120\r\nLEFT=200\r\nDOCKSITE=\r\n");
    TMainWindow* main = Start();
    EXPECT_EQ(main->pos(), QPoint(200, 120));
    EXPECT_EQ(main->CurrentDate(), 46100);
    main->move(230, 140);
    main->close();
    DestroyMainWindow();
    EXPECT_EQ(FileText(DataFolder() / "application.ini"),
              "[CALENDAR]\r\nDATE=46100\r\n[TFMQUILLO]\r\nTOP=140\r\nLEFT=230\r\nDOCKSITE=\r\n[PAPER]\r\nnumber=0\r\n");
}

TEST_F(MainWindowTest, TheEndOfTheSessionSavesOnceBeforeTheWindowCloses) {
    TMainWindow* main = Start();
    Lying(main, 0, 46001, 1, 200, 210);
    BroadcastEndSession();
    EXPECT_TRUE(main->Saved());
    EXPECT_EQ(AppGlobals().ReadInteger("PAPER", "number", -1), 1);
    EXPECT_EQ(AppGlobals().ReadInteger("TFMQUILLO", "LEFT", -1), main->x());
    // The window's close that follows finds the work done.
    AppGlobals().WriteInteger("PAPER", "number", 7);
    main->close();
    EXPECT_EQ(AppGlobals().ReadInteger("PAPER", "number", -1), 7);
}

// The window image is made in device pixels for the page's ratio: at 2 every logical pixel
// of the image of ratio 1 (outline, shadow, light, background) becomes a 2 × 2 block and the
// page is the page drawn for 2, at whole pixels; at 1.5 the page lands at (8, 39) with the
// lines two pixels wide; back at 1 the image is as it was. At 1 the outline is the one of
// DrawRoundFrame with rounded corners.
TEST_F(MainWindowTest, TheWindowImageIsMadeInDevicePixelsForTheRatio) {
    TMainWindow* main = Start();
    ASSERT_EQ(main->PageRatio(), 1);
    std::unique_ptr<TBitmap> logical = main->ComposeImage();
    TBitmap outline(TMainWindow::WindowWidth, TMainWindow::WindowHeight, TPixelFormat::Bits32);
    outline.Canvas().Brush = {main->BackColor(), TBrushStyle::Solid};
    outline.Canvas().FillRect({0, 0, outline.Width(), outline.Height()});
    outline.Canvas().Pen = {main->FrameColor(), 1, TPenStyle::Solid};
    DrawRoundFrame(outline.Canvas(), {0, 0, outline.Width(), outline.Height()}, 4);
    for (int y = 0; y < outline.Height(); ++y)
        for (int x = 0; x < outline.Width(); ++x)
            if (x < 3 || y < 3 || x >= outline.Width() - 3 || y >= outline.Height() - 3) {
                ASSERT_EQ(logical->Pixel(x, y), outline.Pixel(x, y)) << x << "," << y;
            }

    main->FollowDevicePixelRatio(2);
    std::unique_ptr<TBitmap> doubled = main->ComposeImage();
    ASSERT_EQ(doubled->Width(), 260);
    ASSERT_EQ(doubled->Height(), 302);
    const TBitmap* page = main->PageBitmap();
    ASSERT_EQ(page->Width(), 240);
    for (int y = 0; y < 302; ++y)
        for (int x = 0; x < 260; ++x) {
            const bool onPage = x >= 10 && x < 250 && y >= 52 && y < 292;
            const int expected = onPage ? page->Pixel(x - 10, y - 52) : logical->Pixel(x / 2, y / 2);
            ASSERT_EQ(doubled->Pixel(x, y), expected) << x << "," << y;
        }

    main->FollowDevicePixelRatio(1.5);
    std::unique_ptr<TBitmap> half = main->ComposeImage();
    ASSERT_EQ(half->Width(), 195);
    ASSERT_EQ(half->Height(), 227);
    ASSERT_EQ(main->PageBitmap()->Width(), 180);
    auto at = [&](int x, int y) { return static_cast<uint32_t>(half->Pixel(x, y)); };
    const uint32_t shadow = BlendColor(main->BackColor(), 0x000000, 200);
    const uint32_t light = BlendColor(main->BackColor(), 0xFFFFFF, 180);
    EXPECT_EQ(at(8, 39), static_cast<uint32_t>(main->PageBitmap()->Pixel(0, 0)));
    EXPECT_EQ(at(187, 218), static_cast<uint32_t>(main->PageBitmap()->Pixel(179, 179)));
    EXPECT_EQ(at(8, 37), shadow);
    EXPECT_EQ(at(8, 38), shadow);
    EXPECT_EQ(at(6, 39), shadow);
    EXPECT_EQ(at(8, 220), light);
    EXPECT_EQ(at(189, 39), light);
    EXPECT_EQ(at(8, 36), main->BackColor());
    EXPECT_EQ(at(97, 0), main->FrameColor());
    EXPECT_EQ(at(97, 1), main->FrameColor());
    EXPECT_EQ(at(194, 100), main->FrameColor());
    EXPECT_EQ(at(0, 0), main->BackColor());

    main->FollowDevicePixelRatio(1);
    std::unique_ptr<TBitmap> again = main->ComposeImage();
    ASSERT_EQ(again->Width(), 130);
    for (int y = 0; y < 151; ++y)
        for (int x = 0; x < 130; ++x)
            ASSERT_EQ(again->Pixel(x, y), logical->Pixel(x, y)) << x << "," << y;
}
