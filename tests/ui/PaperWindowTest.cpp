#include <gtest/gtest.h>

#include <QMenu>

#include <clocale>
#include <cmath>

#include "WindowTestSupport.h"
#include "storage/DateUtils.h"
#include "storage/Exception.h"
#include "storage/PaperFile.h"
#include "storage/Text.h"
#include "ui/PaperWindow.h"

namespace {

const TPaperRecord Defaults{0, 11, 22, 0, 0, 45000, 0};

std::string PaperText(const std::string& body) { return "[PAPER]\r\n" + body; }

std::string FileTextOf(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

// ---- The paper file ----------------------------------------------------------------

TEST(PaperFile, WritesEveryKeyInOrderWithAPointAsDecimalMark) {
    // A locale with a decimal comma must not change the file.
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    TPaperRecord paper{359, -1300, 40, 131, 129, 46363, 46363.875576238426};
    EXPECT_EQ(PaperFileBytes(paper), "[PAPER]\r\nangle=359\r\nleft=-1300\r\ntop=40\r\nwidth=131\r\nheight=129\r\n"
                                     "date=46363\r\nmaketime=46363.8755762384\r\n");
    std::setlocale(LC_NUMERIC, "C");
}

TEST(PaperFile, RoundTripsWhatItWrites) {
    const TPaperRecord papers[] = {
        {0, 0, 0, 123, 123, 1, 0},
        {12, -300, -40, 166, 167, 46363, 46363.5},
        {359, 2147483647, -2147483647, 0, 0, 2958465, 2958465.99999},
        {180, 5, 6, 7, 8, 36526, 0.000123456789012345},
    };
    for (const TPaperRecord& paper : papers) {
        TPaperRecord read = ParsePaperFile(PaperFileBytes(paper), Defaults);
        EXPECT_EQ(read.Angle, paper.Angle);
        EXPECT_EQ(read.Left, paper.Left);
        EXPECT_EQ(read.Top, paper.Top);
        EXPECT_EQ(read.Date, paper.Date);
        EXPECT_NEAR(read.MakeTime, paper.MakeTime, std::abs(paper.MakeTime) * 1e-14);
        // The size is written for information only.
        EXPECT_EQ(read.Width, Defaults.Width);
    }
}

TEST(PaperFile, DamagedOrMissingValuesKeepTheirDefaults) {
    struct TCase {
        const char* Text;
        int Angle;
        int Left;
        int32_t Date;
        double MakeTime;
    };
    const TCase cases[] = {
        // text                                        angle left  date   maketime
        {"angle=400\r\n", 40, 11, 45000, 0},
        {"angle=-30\r\n", 330, 11, 45000, 0},
        {"angle=$2D\r\nleft= 7 \r\n", 45, 7, 45000, 0},
        {"angle=twelve\r\nleft=1x\r\n", 0, 11, 45000, 0},
        {"date=46000\r\nmaketime=46000.25\r\n", 0, 11, 46000, 46000.25},
        {"date=0\r\n", 0, 11, 0, 0},
        {"date=-693593\r\n", 0, 11, -693593, 0},  // 0001-01-01
        {"date=-693594\r\n", 0, 11, 45000, 0},
        {"date=2958466\r\n", 0, 11, 45000, 0},  // past 9999-12-31
        {"date=abc\r\nmaketime=\r\n", 0, 11, 45000, 0},
        {"maketime=nan\r\n", 0, 11, 45000, 0},
        {"maketime=inf\r\n", 0, 11, 45000, 0},
        {"maketime=1e999\r\n", 0, 11, 45000, 0},
        {"maketime=46000,5\r\n", 0, 11, 45000, 0},
        {"ANGLE=90\r\nLeft=3\r\n", 90, 3, 45000, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Text);
        TPaperRecord read = ParsePaperFile(PaperText(c.Text), Defaults);
        EXPECT_EQ(read.Angle, c.Angle);
        EXPECT_EQ(read.Left, c.Left);
        EXPECT_EQ(read.Top, Defaults.Top);
        EXPECT_EQ(read.Date, c.Date);
        EXPECT_EQ(read.MakeTime, c.MakeTime);
    }
    // Keys of another section, or no section at all, are not the paper's.
    for (const char* text : {"[OTHER]\r\nangle=90\r\n", "angle=90\r\n", "", "\xff\xfe[PAPER"}) {
        TPaperRecord read = ParsePaperFile(text, Defaults);
        EXPECT_EQ(read.Angle, 0);
        EXPECT_EQ(read.Left, Defaults.Left);
    }
}

TEST(PaperFile, FilesAreNamedWithAtLeastTwoDigits) {
    EXPECT_EQ(PaperFileName("/d/", 0), "/d/PAPERS/00");
    EXPECT_EQ(PaperFileName("/d/", 7), "/d/PAPERS/07");
    EXPECT_EQ(PaperFileName("/d/", 99), "/d/PAPERS/99");
    EXPECT_EQ(PaperFileName("/d/", 100), "/d/PAPERS/100");
}

TEST(PaperFile, LoadingSkipsMissingUnreadableAndOversizedFiles) {
    TTemporaryFolder folder;
    const std::string data = folder.Slash();
    TPaperRecord paper{1, 2, 3, 4, 5, 46000, 46000.5};
    SavePaperFile(data, 3, paper);  // creates the folder
    std::filesystem::create_directories(folder.Path() / "PAPERS/04");
    std::ofstream(folder.Path() / "PAPERS/05", std::ios::binary) << std::string(MaxPaperFileBytes + 1, 'x');

    TPaperRecord read = Defaults;
    EXPECT_FALSE(LoadPaperFile(data, 0, Defaults, read));  // missing
    EXPECT_FALSE(LoadPaperFile(data, 4, Defaults, read));  // a folder
    EXPECT_FALSE(LoadPaperFile(data, 5, Defaults, read));  // too large
    EXPECT_EQ(read.Left, Defaults.Left);
    ASSERT_TRUE(LoadPaperFile(data, 3, Defaults, read));
    EXPECT_EQ(read.Left, 2);
    EXPECT_EQ(read.MakeTime, 46000.5);
}

TEST(PaperFile, ASaveThatCannotBeWrittenRaises) {
    TTemporaryFolder folder;
    std::ofstream(folder.Path() / "PAPERS", std::ios::binary) << "a file where the folder belongs";
    EXPECT_THROW(SavePaperFile(folder.Slash(), 0, TPaperRecord{}), EFileError);
    EXPECT_EQ(FileTextOf(folder.Path() / "PAPERS"), "a file where the folder belongs");
}

// ---- Paper windows -----------------------------------------------------------------

// The calendar a paper belongs to, as far as the paper sees it: it records what the paper
// asks of it and shows a day of its own.
class TRecordingOwner : public TPaperOwner {
public:
    int32_t CurrentDate() const override { return Shown; }
    void ShowDate(int32_t day) override {
        Calls.push_back("show " + std::to_string(day));
        Shown = day;
    }
    void CloseAllPapers() override { Calls.push_back("close all"); }
    void ArrangePapers() override { Calls.push_back("arrange"); }
    int Gravity() const override { return Pull; }

    int32_t Shown = 46000;
    int Pull = DefaultGravity;
    std::vector<std::string> Calls;
};

class PaperWindow : public TWindowTest {
protected:
    TRecordingOwner Owner;
    // A lying paper restored from a file of its own.
    TPaperWindow* LyingPaper(int index, const TPaperRecord& record) {
        SavePaperFile(DataPath(), index, record);
        auto* paper = new TPaperWindow(nullptr, &Owner);
        paper->show();
        EXPECT_TRUE(paper->LoadFrom(index));
        return paper;
    }
    // The screen point of the page's point (x, y) at angle 0.
    static QPoint PagePoint(TPaperWindow* paper, int x, int y) {
        TPoint rotated = paper->Turn().SrcToRot({x, y});
        return paper->pos() + QPoint(rotated.X, rotated.Y);
    }
};

TEST_F(PaperWindow, RestoresWhatWasSaved) {
    TPaperWindow* paper = LyingPaper(0, {400, 150, 160, 1, 1, 46001, 46001.25});
    EXPECT_EQ(paper->Turn().Angle(), 40);
    EXPECT_EQ(paper->PaperDate(), 46001);
    EXPECT_EQ(paper->MakeTime(), 46001.25);
    EXPECT_EQ(paper->pos(), QPoint(150, 160));
    EXPECT_FALSE(paper->Hinged());
    EXPECT_FALSE(paper->SwingTimerActive());
    // What it would save is what it shows.
    SavePaper(*paper, 1);
    TPaperRecord saved;
    ASSERT_TRUE(LoadPaperFile(DataPath(), 1, Defaults, saved));
    EXPECT_EQ(saved.Angle, 40);
    EXPECT_EQ(saved.Left, 150);
    EXPECT_NE(FileText(PaperFileName(DataPath(), 1)).find("width=" + std::to_string(paper->width()) + "\r\n"),
              std::string::npos);
    EXPECT_EQ(saved.MakeTime, 46001.25);
    EXPECT_FALSE(paper->accessibleName().isEmpty());
}

TEST_F(PaperWindow, APaperOffEveryScreenIsCentred) {
    TPaperWindow* paper = LyingPaper(0, {0, -5000, 9000, 1, 1, 46001, 0});
    QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_TRUE(screen.contains(paper->geometry().center())) << paper->x() << "," << paper->y();
}

TEST_F(PaperWindow, GravitySwingsACarriedPaperAndKeepsTheGripUnderThePointer) {
    struct TCase {
        int Gravity;
        bool Turns;
    };
    for (TCase c : {TCase{0, false}, TCase{10, true}, TCase{-10, true}}) {
        SCOPED_TRACE(c.Gravity);
        Owner.Pull = c.Gravity;
        TPaperWindow* paper = LyingPaper(0, {0, 200, 200, 1, 1, 46001, 0});
        QPoint grip = PagePoint(paper, 10, 10);  // near the top-left corner
        Mouse(paper, QEvent::MouseButtonPress, grip);
        EXPECT_TRUE(paper->Dragging());
        EXPECT_TRUE(paper->SwingTimerActive());
        for (int tick = 0; tick < 20; ++tick) {
            paper->DragStep({grip.x(), grip.y()});
            TPoint pivot = paper->Turn().PivotRot();
            EXPECT_EQ(paper->pos() + QPoint(pivot.X, pivot.Y), grip);
        }
        EXPECT_EQ(paper->Turn().Angle() != 0, c.Turns) << paper->Turn().Angle();
        Mouse(paper, QEvent::MouseButtonRelease, grip);
        EXPECT_FALSE(paper->Dragging());
        EXPECT_FALSE(paper->SwingTimerActive());
        // A released paper stays as it is.
        int angle = paper->Turn().Angle();
        QPoint place = paper->pos();
        paper->DragStep({grip.x() + 50, grip.y() + 50});
        EXPECT_EQ(paper->Turn().Angle(), angle);
        EXPECT_EQ(paper->pos(), place);
        delete paper;
    }
}

TEST_F(PaperWindow, AHandMovingSidewaysTurnsAPaperWithoutGravity) {
    Owner.Pull = 0;
    TPaperWindow* paper = LyingPaper(0, {0, 200, 200, 1, 1, 46001, 0});
    QPoint grip = PagePoint(paper, 60, 5);  // the middle of the top edge
    Mouse(paper, QEvent::MouseButtonPress, grip);
    for (int step = 1; step <= 10; ++step)
        Mouse(paper, QEvent::MouseMove, grip + QPoint(15 * step, 0));
    EXPECT_NE(paper->Turn().Angle(), 0);
}

TEST_F(PaperWindow, OnlyTheLeftButtonPicksAPaperUp) {
    TPaperWindow* paper = LyingPaper(0, {0, 200, 200, 1, 1, 46001, 0});
    for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
        Mouse(paper, QEvent::MouseButtonPress, PagePoint(paper, 10, 10), button);
        EXPECT_FALSE(paper->Dragging());
        EXPECT_FALSE(paper->SwingTimerActive());
    }
}

TEST_F(PaperWindow, ADoubleClickNeverStartsADrag) {
    TPaperWindow* paper = LyingPaper(0, {0, 200, 200, 1, 1, 46001, 0});
    QPoint at = PagePoint(paper, 30, 30);
    Mouse(paper, QEvent::MouseButtonPress, at);
    Mouse(paper, QEvent::MouseButtonRelease, at);
    Mouse(paper, QEvent::MouseButtonDblClick, at);
    EXPECT_EQ(Opened, std::vector<std::string>{"memo 46001"});
    EXPECT_FALSE(paper->Dragging());
    EXPECT_FALSE(paper->SwingTimerActive());
    // The next press picks it up again.
    Mouse(paper, QEvent::MouseButtonRelease, at);
    Mouse(paper, QEvent::MouseButtonPress, at);
    EXPECT_TRUE(paper->Dragging());
}

TEST_F(PaperWindow, AHingedPageTurnsAboutItsCornerAndComesLoosePastTenDegrees) {
    struct TCase {
        TPoint Pivot;
        QPoint Pull;
    };
    const TCase cases[] = {{{120, 0}, {-60, 120}}, {{0, 0}, {60, 120}}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Pivot.X);
        const QPoint press(300, 300);
        const int left = 250, top = 260;
        QCursor::setPos(press + QPoint(1, 0));
        auto* paper = new TPaperWindow(nullptr, nullptr);
        paper->StartTear(left, top, 46005, {1, 0}, c.Pivot);
        paper->show();
        EXPECT_TRUE(paper->Hinged());
        EXPECT_FALSE(paper->SwingTimerActive());
        bool loose = false;
        for (int step = 1; step <= 40 && !loose; ++step) {
            QPoint cursor = press + c.Pull * step / 40;
            Mouse(paper, QEvent::MouseMove, cursor);
            loose = !paper->Hinged();
            if (!loose) {
                // The hinge corner stays where the page's corner was.
                TPoint pivot = paper->Turn().PivotRot();
                EXPECT_EQ(paper->x() + pivot.X, left + c.Pivot.X);
                EXPECT_EQ(paper->y() + pivot.Y, top);
                int angle = paper->Turn().Angle();
                EXPECT_TRUE(angle <= 10 || angle >= 350) << angle;
            }
        }
        ASSERT_TRUE(loose);
        int angle = paper->Turn().Angle();
        EXPECT_TRUE(angle > 10 && angle < 350) << angle;
        EXPECT_TRUE(paper->Dragging());
        EXPECT_TRUE(paper->SwingTimerActive());
        Mouse(paper, QEvent::MouseButtonRelease, QCursor::pos());
        EXPECT_FALSE(paper->Closing());
        EXPECT_FALSE(paper->SwingTimerActive());
        delete paper;
    }
}

TEST_F(PaperWindow, TheMenuOffersItsItemsInOrder) {
    auto* paper = new TPaperWindow(nullptr, nullptr);
    QStringList captions;
    for (QAction* action : paper->Menu()->actions())
        captions << (action->isSeparator() ? "-" : action->text());
    EXPECT_EQ(captions,
              QStringList({QtText(std::string("消す(&D)")), QtText(std::string("全て消す(&A)")),
                           QtText(std::string("並べる(&J)")), "-", QtText(std::string("メモ記入(&M)")), "-"}));
    paper->show();
    paper->Menu()->actions()[0]->trigger();
    EXPECT_TRUE(paper->Closing());
}

TEST_F(PaperWindow, TheCommandsForEveryPaperAndAPutBackPageGoToItsOwner) {
    struct TCase {
        bool WithOwner;
        int32_t OwnerShows;
        std::vector<std::string> Calls;
        bool ClosesItself;
    };
    const TCase cases[] = {
        // The calendar shows another day: it is asked to show the paper's day again.
        {true, 46006, {"close all", "arrange", "show 46005"}, false},
        // The calendar already shows that day: the paper goes by itself.
        {true, 46005, {"close all", "arrange"}, true},
        // A paper on its own: the commands for every paper do nothing.
        {false, 0, {}, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.WithOwner ? c.OwnerShows : 0);
        Owner = TRecordingOwner();
        Owner.Shown = c.OwnerShows;
        Opened.clear();
        auto* paper = new TPaperWindow(nullptr, c.WithOwner ? &Owner : nullptr);
        QCursor::setPos(QPoint(301, 300));
        paper->StartTear(250, 260, 46005, {1, 0}, {120, 0});
        paper->show();
        const QList<QAction*> items = paper->Menu()->actions();
        items[1]->trigger();  // all away
        items[2]->trigger();  // arrange
        items[4]->trigger();  // memo
        EXPECT_EQ(Opened, std::vector<std::string>{"memo 46005"});
        // Released while still hinged.
        ASSERT_TRUE(paper->Hinged());
        Mouse(paper, QEvent::MouseButtonRelease, QCursor::pos());
        EXPECT_EQ(Owner.Calls, c.Calls);
        EXPECT_EQ(paper->Closing(), c.ClosesItself);
        delete paper;
    }
}

TEST_F(PaperWindow, ListsFindAndSortPapers) {
    // Made in this order; two share a creation time.
    TPaperWindow* a = LyingPaper(0, {0, 100, 100, 1, 1, 46010, 46000.5});
    TPaperWindow* b = LyingPaper(1, {0, 100, 100, 1, 1, 46003, 46000.1});
    TPaperWindow* c = LyingPaper(2, {0, 100, 100, 1, 1, 46007, 46000.5});
    TPaperWindow* d = LyingPaper(3, {0, 100, 100, 1, 1, 46003, 46000.9});
    d->close();
    TPaperList papers;
    CollectOpenPapers(papers);
    ASSERT_EQ(papers.Count(), 3);  // the closing one is no longer listed
    EXPECT_EQ(papers.Items(0), a);
    EXPECT_EQ(papers.IndexOfDate(46003), 1);
    EXPECT_EQ(papers.IndexOfDate(46004), -1);
    papers.SortByDate();
    EXPECT_EQ(papers.Items(0), b);
    EXPECT_EQ(papers.Items(2), a);
    papers.SortByMakeTime();
    EXPECT_EQ(papers.Items(0), b);
    EXPECT_EQ(papers.Items(1), a);  // same time: the older window first
    EXPECT_EQ(papers.Items(2), c);
}
