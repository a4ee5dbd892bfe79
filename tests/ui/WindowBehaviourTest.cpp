#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTransform>
#include <QWidget>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "graphics/GraphicWork.h"
#include "platform/Compositor.h"
#include "storage/AppGlobals.h"
#include "storage/Text.h"
#include "support/TestEnvironment.h"
#include "ui/Notices.h"
#include "ui/WindowBehaviour.h"

namespace {

// A borderless window standing in for the calendar's windows; it keeps its place under the
// section ProbeSection.
constexpr const char* ProbeSection = "TFMPROBE";
class TWindowProbe : public QWidget {
public:
    TWindowProbe() : QWidget(nullptr, Qt::FramelessWindowHint) { setGeometry(100, 100, 130, 151); }
};

// A child control that keeps the window images it is given.
class TBackgroundProbe : public QWidget, public TBackgroundTaker {
public:
    using QWidget::QWidget;
    std::vector<const TBitmap*> Backgrounds;
    void TakeBackground(const TBitmap& composed) override { Backgrounds.push_back(&composed); }
};

bool NoCompositor() { return false; }
bool Compositor() { return true; }

// Runs a test with the compositor answer fixed and puts the real query back afterwards.
class TCompositorAnswer {
public:
    explicit TCompositorAnswer(TCompositorProbe probe) : FPrevious(SetCompositorProbe(probe)) {}
    ~TCompositorAnswer() { SetCompositorProbe(FPrevious); }

private:
    TCompositorProbe FPrevious;
};

void SendMouse(QWidget* widget, QEvent::Type type, QPoint global, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QPointF local = widget->mapFromGlobal(QPointF(global));
    QMouseEvent event(type, local, local, QPointF(global), button, buttons, modifiers);
    QApplication::sendEvent(widget, &event);
}

TBitmap AlphaBitmap(int width, int height, int (*alphaAt)(int x, int y)) {
    TBitmap bitmap(width, height, TPixelFormat::Bits32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = bitmap.ScanLine(y) + x * 4;
            p[0] = 10;
            p[1] = 100;
            p[2] = 200;
            p[3] = static_cast<uint8_t>(alphaAt(x, y));
        }
    return bitmap;
}

TEST(SnapRectTest, EdgesWithinTheDistanceSnapStrictly) {
    const TRect area{0, 0, 800, 570};
    struct Case {
        const char* What;
        TRect Window;
        int Distance;
        TPoint Expected;
    } cases[] = {
        {"15 below the top snaps", RectOfSize(300, 15, 130, 151), 16, {300, 0}},
        {"16 below the top stays", RectOfSize(300, 16, 130, 151), 16, {300, 16}},
        {"15 above the top snaps", RectOfSize(300, -15, 130, 151), 16, {300, 0}},
        {"16 above the top stays", RectOfSize(300, -16, 130, 151), 16, {300, -16}},
        {"bottom 15 short snaps", RectOfSize(300, 570 - 151 - 15, 130, 151), 16, {300, 570 - 151}},
        {"bottom 15 beyond snaps", RectOfSize(300, 570 - 151 + 15, 130, 151), 16, {300, 570 - 151}},
        {"bottom 16 short stays", RectOfSize(300, 570 - 151 - 16, 130, 151), 16, {300, 570 - 151 - 16}},
        {"left 3 in snaps", RectOfSize(3, 200, 130, 151), 16, {0, 200}},
        {"right 5 beyond snaps", RectOfSize(800 - 125, 200, 130, 151), 16, {800 - 130, 200}},
        {"corner snaps both ways", RectOfSize(790 - 130, 560 - 151, 130, 151), 16, {800 - 130, 570 - 151}},
        {"top wins over bottom", RectOfSize(0, 5, 130, 570), 16, {0, 0}},
        {"no snapping at distance 0", RectOfSize(1, 1, 130, 151), 0, {1, 1}},
        {"far outside across, only the top snaps", RectOfSize(-1900, 10, 130, 151), 16, {-1900, 0}},
    };
    for (const Case& c : cases) {
        TRect snapped = SnapRect(c.Window, area, c.Distance);
        EXPECT_EQ((TPoint{snapped.Left, snapped.Top}), c.Expected) << c.What;
        EXPECT_EQ(snapped.Width(), c.Window.Width()) << c.What;
        EXPECT_EQ(snapped.Height(), c.Window.Height()) << c.What;
    }
    const TRect left{-1920, 0, 0, 1080};
    TRect snapped = SnapRect(RectOfSize(-1910, 1080 - 151 - 4, 130, 151), left, 16);
    EXPECT_EQ((TPoint{snapped.Left, snapped.Top}), (TPoint{-1920, 1080 - 151}));
}

TEST(EdgesAtTest, TheFivePixelBandAroundTheWindow) {
    const TRect window = RectOfSize(-200, -100, 100, 80);  // on a monitor left of and above the primary
    struct Case {
        TPoint Pointer;
        Qt::Edges Expected;
    } cases[] = {
        {{-150, -60}, {}},
        {{-150, -96}, Qt::TopEdge},
        {{-150, -95}, {}},
        {{-150, -24}, Qt::BottomEdge},
        {{-150, -25}, {}},
        {{-196, -60}, Qt::LeftEdge},
        {{-195, -60}, {}},
        {{-104, -60}, Qt::RightEdge},
        {{-105, -60}, {}},
        {{-200, -100}, Qt::TopEdge | Qt::LeftEdge},
        {{-101, -100}, Qt::TopEdge | Qt::RightEdge},
        {{-200, -21}, Qt::BottomEdge | Qt::LeftEdge},
        {{-101, -21}, Qt::BottomEdge | Qt::RightEdge},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EdgesAt(c.Pointer, window), c.Expected) << c.Pointer.X << "," << c.Pointer.Y;
    // A window narrower than two bands: the bottom and right edges win.
    EXPECT_EQ(EdgesAt({2, 2}, RectOfSize(0, 0, 6, 6)), Qt::BottomEdge | Qt::RightEdge);
}

TEST(MakeRoundRegionTest, AStaircaseOfFourPixelsIsCutFromEachCorner) {
    const int w = 130, h = 151;
    QRegion region = MakeRoundRegion(w, h, true);
    long area = 0;  // each corner loses rows of 4, 2, 1 and 1 pixels
    for (const QRect& r : region)
        area += long(r.width()) * r.height();
    EXPECT_EQ(area, long(w) * h - 4 * 8);
    // The last pixel cut and the first kept along each corner's staircase, in all four corners.
    const QPoint cut[] = {{3, 0}, {1, 1}, {0, 3}}, kept[] = {{4, 0}, {2, 1}, {1, 2}, {0, 4}};
    for (int corner = 0; corner < 4; ++corner) {
        auto place = [&](QPoint p) {
            return QPoint(corner & 1 ? w - 1 - p.x() : p.x(), corner & 2 ? h - 1 - p.y() : p.y());
        };
        for (QPoint p : cut)
            EXPECT_FALSE(region.contains(place(p))) << corner << ": " << place(p).x() << "," << place(p).y();
        for (QPoint p : kept)
            EXPECT_TRUE(region.contains(place(p))) << corner << ": " << place(p).x() << "," << place(p).y();
    }
    EXPECT_EQ(MakeRoundRegion(w, h, false), QRegion(0, 0, w, h + 1));
}

// In device pixels each logical pixel of the staircase becomes the device pixels it covers.
TEST(MakeRoundRegionTest, InDevicePixelsEachLogicalPixelCoversItsDevicePixels) {
    const QRegion logical = MakeRoundRegion(247, 222, true);
    EXPECT_EQ(MakeDeviceRoundRegion(247, 222, true, 1), logical);
    EXPECT_EQ(MakeDeviceRoundRegion(247, 222, true, 2), QTransform::fromScale(2, 2).map(logical));
    // At 1.5 logical pixels 0, 1, 2, 3, 4 begin at device pixels 0, 2, 3, 5, 6.
    const QRegion device = MakeDeviceRoundRegion(247, 222, true, 1.5);
    EXPECT_EQ(device.boundingRect(), QRect(0, 0, 371, 333));
    const QPoint cut[] = {{5, 0}, {5, 1}, {2, 2}, {1, 3}, {1, 5}}, kept[] = {{6, 0}, {3, 2}, {2, 3}, {2, 5}, {0, 6}};
    for (QPoint p : cut)
        EXPECT_FALSE(device.contains(p)) << p.x() << "," << p.y();
    for (QPoint p : kept)
        EXPECT_TRUE(device.contains(p)) << p.x() << "," << p.y();
    EXPECT_FALSE(device.contains(QPoint(370, 332)));
    EXPECT_TRUE(device.contains(QPoint(370, 166)));
}

TEST(NamesTest, SectionsAndScreens) {
    struct {
        const char* Display;
        int Screen;
    } screens[] = {{":0", 0}, {":0.1", 1}, {"host:12.3", 3}, {"[::1]:5.2", 2},
                   {"", 0},   {":1.", 0},  {":1.x", 0},      {"0.1", 0}};
    for (const auto& c : screens)
        EXPECT_EQ(ScreenNumberOfDisplay(c.Display), c.Screen) << c.Display;
    // The offscreen platform has no X display and so no compositing manager.
    EXPECT_FALSE(CompositingManagerRunning());
    TWindowProbe probe;
    TWindowBehaviour* behaviour = new TWindowBehaviour(&probe, ProbeSection);
    EXPECT_EQ(behaviour->SectionName(), "TFMPROBE");
}

class WindowBehaviourWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Window = new TWindowProbe;
        Button = new TBackgroundProbe(Window);
        Button->setGeometry(10, 4, 20, 20);
        Behaviour = new TWindowBehaviour(Window, ProbeSection);
        Behaviour->SetWindowDrag(true);
        Window->show();
    }
    void TearDown() override { delete Window; }

    // A press at window point (x, y) and a pull by (dx, dy), left button only unless told.
    void PressAndPull(int x, int y, int dx, int dy, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QPoint global = Window->mapToGlobal(QPoint(x, y));
        SendMouse(Window, QEvent::MouseButtonPress, global, Qt::LeftButton, Qt::LeftButton, modifiers);
        SendMouse(Window, QEvent::MouseMove, global + QPoint(dx, dy), Qt::NoButton, Qt::LeftButton, modifiers);
    }
    void Release(QPoint global) { SendMouse(Window, QEvent::MouseButtonRelease, global, Qt::LeftButton, Qt::NoButton); }

    TCompositorAnswer Answer{&NoCompositor};
    TWindowProbe* Window = nullptr;
    TBackgroundProbe* Button = nullptr;
    TWindowBehaviour* Behaviour = nullptr;
};

TEST_F(WindowBehaviourWindowTest, DraggingFollowsThePointerExceptOnChildControlsOrWhenRefused) {
    // The press decides: where the first motion lands afterwards does not.
    struct Case {
        const char* What;
        QPoint Press;
        QPoint Pull;  // from the press to the first motion
        Qt::KeyboardModifiers Modifiers;
        bool Refuse;
        bool Moves;
    } cases[] = {
        {"free strip", {60, 10}, {7, 9}, Qt::NoModifier, false, true},
        {"inside the button", {15, 10}, {7, 9}, Qt::NoModifier, false, false},
        {"on the button's left edge line", {10, 10}, {7, 9}, Qt::NoModifier, false, true},
        {"on the button's top edge line", {15, 4}, {7, 9}, Qt::NoModifier, false, true},
        {"inside the button, a first motion far off it", {15, 10}, {90, 60}, Qt::NoModifier, false, false},
        {"free strip, a first motion onto the button", {40, 10}, {-22, 0}, Qt::NoModifier, false, true},
        {"with shift held", {60, 10}, {7, 9}, Qt::ShiftModifier, false, false},
        {"refused by the window", {60, 10}, {7, 9}, Qt::NoModifier, true, false},
    };
    for (const Case& c : cases) {
        Window->move(200, 150);
        std::vector<QPoint> asked;
        Behaviour->OnCanDragMove = [&](QObject* sender, int x, int y, bool& dragMove) {
            EXPECT_EQ(sender, Behaviour);
            asked.emplace_back(x, y);
            if (c.Refuse)
                dragMove = false;
        };
        PressAndPull(c.Press.x(), c.Press.y(), c.Pull.x(), c.Pull.y(), c.Modifiers);
        EXPECT_EQ(Window->pos(), c.Moves ? QPoint(200, 150) + c.Pull : QPoint(200, 150)) << c.What;
        EXPECT_EQ(Behaviour->Mover().Dragging(), c.Moves) << c.What;
        if (c.Modifiers == Qt::NoModifier) {
            ASSERT_EQ(asked.size(), 1u) << c.What;
            EXPECT_EQ(asked[0], c.Press) << c.What;
        }
        if (!c.Moves && c.Modifiers == Qt::NoModifier) {
            // Refused once, the drag stays off until the next press.
            EXPECT_FALSE(Behaviour->Mover().DragArmed()) << c.What;
            SendMouse(Window, QEvent::MouseMove, Window->mapToGlobal(QPoint(70, 12)), Qt::NoButton, Qt::LeftButton);
            EXPECT_EQ(asked.size(), 1u) << c.What;
        }
        Release(QCursor::pos());
        EXPECT_FALSE(Behaviour->Mover().Dragging());
    }
}

TEST_F(WindowBehaviourWindowTest, TheMoveEndsWithTheReleaseAndSnapsAfterReportingIt) {
    Behaviour->SetFitScreenPx(16);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    Window->move(area.left() + 100, area.top() + 100);
    QPoint movedTo;
    int reports = 0;
    Behaviour->OnWindowMoved = [&](QObject*) {
        ++reports;
        movedTo = Window->pos();
    };
    PressAndPull(60, 10, -90, -85);
    SendMouse(Window, QEvent::MouseMove, Window->mapToGlobal(QPoint(60, 10)), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(reports, 0);
    Release(Window->mapToGlobal(QPoint(60, 10)));
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(movedTo, QPoint(area.left() + 10, area.top() + 15));
    EXPECT_EQ(Window->pos(), area.topLeft());

    // 16 pixels away stays where it was released.
    Window->move(area.left() + 100, area.top() + 100);
    PressAndPull(60, 10, -84, -84);
    Release(QCursor::pos());
    EXPECT_EQ(Window->pos(), QPoint(area.left() + 16, area.top() + 16));
}

TEST_F(WindowBehaviourWindowTest, EdgeBandResizesTheWindow) {
    Behaviour->SetWindowResize(true);
    Window->setGeometry(200, 150, 130, 151);
    QPoint corner = Window->mapToGlobal(QPoint(128, 149));
    SendMouse(Window, QEvent::MouseButtonPress, corner, Qt::LeftButton, Qt::LeftButton);
    SendMouse(Window, QEvent::MouseMove, corner + QPoint(20, 10), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(Window->geometry(), QRect(200, 150, 150, 161));
    EXPECT_FALSE(Behaviour->Mover().Dragging());
    Release(corner + QPoint(20, 10));
    QPoint topLeft = Window->mapToGlobal(QPoint(1, 1));
    SendMouse(Window, QEvent::MouseButtonPress, topLeft, Qt::LeftButton, Qt::LeftButton);
    SendMouse(Window, QEvent::MouseMove, topLeft + QPoint(500, 500), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(Window->geometry().bottomRight(), QRect(200, 150, 150, 161).bottomRight());
    EXPECT_GE(Window->width(), 1);
    Release(topLeft);
}

TEST_F(WindowBehaviourWindowTest, RoundRegionFollowsTheSize) {
    Behaviour->SetWindowRound(true);
    EXPECT_EQ(Window->mask(), MakeRoundRegion(130, 151, true));
    Window->resize(90, 60);
    EXPECT_EQ(Window->mask(), MakeRoundRegion(90, 60, true));
    Behaviour->SetWindowRound(false);
    EXPECT_TRUE(Window->mask().isEmpty());

    QWidget framed;
    TWindowBehaviour* framedBehaviour = new TWindowBehaviour(&framed, "QWIDGET");
    framedBehaviour->SetWindowRound(true);
    EXPECT_TRUE(framed.mask().isEmpty());
}

// Moved onto a screen of another ratio by someone else, a window keeps its device size at
// first, which Qt reads as another logical size; the window gets its logical size back.
TEST_F(WindowBehaviourWindowTest, AfterAScreenChangeTheWindowGetsItsLogicalSizeBack) {
    Window->setGeometry(200, 150, 130, 151);
    QEvent screenChange(QEvent::ScreenChangeInternal);
    QApplication::sendEvent(Window, &screenChange);
    Window->resize(65, 76);  // the size Qt reports for the same device pixels at ratio 2
    QCoreApplication::processEvents();
    EXPECT_EQ(Window->geometry(), QRect(200, 150, 130, 151));
    // A change of size after that stays.
    Window->resize(90, 60);
    QCoreApplication::processEvents();
    EXPECT_EQ(Window->size(), QSize(90, 60));
}

TEST_F(WindowBehaviourWindowTest, ZOrderPlacementKeepsTheWindowShown) {
    struct Step {
        TStacking Position;
        bool OnTop, OnBottom;
    } steps[] = {{TStacking::Top, true, false}, {TStacking::Bottom, false, true}, {TStacking::Normal, false, false}};
    for (const Step& step : steps) {
        Behaviour->SetStacking(step.Position);
        EXPECT_EQ(Window->windowFlags().testFlag(Qt::WindowStaysOnTopHint), step.OnTop)
            << static_cast<int>(step.Position);
        EXPECT_EQ(Window->windowFlags().testFlag(Qt::WindowStaysOnBottomHint), step.OnBottom)
            << static_cast<int>(step.Position);
        EXPECT_TRUE(Window->windowFlags().testFlag(Qt::FramelessWindowHint));
        EXPECT_TRUE(Window->isVisible()) << static_cast<int>(step.Position);
    }
    // A hidden window stays hidden.
    Window->hide();
    Behaviour->SetStacking(TStacking::Top);
    EXPECT_FALSE(Window->isVisible());
}

TEST_F(WindowBehaviourWindowTest, AColorChangeReachesTheWindowsHandlerWhileItLives) {
    int resets = 0;
    Behaviour->OnColorReset = [&](QObject* sender) {
        EXPECT_EQ(sender, Behaviour);
        ++resets;
    };
    ColorsChangedNotice().Notify();
    MemoChangedNotice().Notify(45000);
    EXPECT_EQ(resets, 1);
    delete Behaviour;
    Behaviour = nullptr;
    ColorsChangedNotice().Notify();  // a gone component hears nothing
    EXPECT_EQ(resets, 1);
}

TEST_F(WindowBehaviourWindowTest, RegionModeCutsTheWindowAtHalfAlpha) {
    EXPECT_FALSE(Behaviour->Layered());
    EXPECT_FALSE(Window->testAttribute(Qt::WA_TranslucentBackground));
    // Columns 0..9 alpha 255, 10 alpha 128, 11 alpha 127, 12.. alpha 0.
    TBitmap image = AlphaBitmap(20, 10, [](int x, int) { return x < 10 ? 255 : x == 10 ? 128 : x == 11 ? 127 : 0; });
    Behaviour->ShowBitmap(image, 40, 50);
    EXPECT_EQ(Window->geometry(), QRect(40, 50, 20, 10));
    EXPECT_EQ(Window->mask(), QRegion(0, 0, 11, 10));
    ASSERT_NE(Behaviour->Image().ComposedBitmap(), nullptr);
    EXPECT_EQ(Behaviour->Image().ComposedBitmap()->Pixel(3, 3), image.Pixel(3, 3));
    EXPECT_EQ(Behaviour->Image().ComposedBitmap()->PixelAlpha(11, 3), 127);
    EXPECT_TRUE(Behaviour->Image().LayeredImage().isNull());
    ASSERT_EQ(Button->Backgrounds.size(), 1u);
    EXPECT_EQ(Button->Backgrounds[0], Behaviour->Image().ComposedBitmap());

    // A 24-bit image is keyed by its top-left colour.
    TBitmap keyed(8, 6, TPixelFormat::Bits24);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            uint8_t* p = keyed.ScanLine(y) + x * 3;
            p[0] = p[1] = p[2] = (x >= 2 && y >= 1) ? 90 : 255;
        }
    Behaviour->ShowBitmap(keyed, 5, 6);
    EXPECT_EQ(Window->mask(), QRegion(2, 1, 6, 5));
    EXPECT_EQ(keyed.PixelFormat(), TPixelFormat::Bits24);  // the caller's image is left as it was

    // Nothing opaque shows nothing, not the whole window.
    TBitmap clear = AlphaBitmap(12, 12, [](int, int) { return 0; });
    Behaviour->ShowBitmap(clear, 5, 6);
    EXPECT_FALSE(Window->mask().isEmpty());
    EXPECT_FALSE(Window->mask().intersects(Window->rect()));
}

TEST_F(WindowBehaviourWindowTest, RelocationCropsToTheOpaquePartAndMovesTheChildren) {
    Behaviour->SetBGrelocation(true);
    Window->resize(40, 30);
    Behaviour->LoadPosition();  // Preserve off: only the design size is taken
    EXPECT_EQ(Behaviour->Placement().DesignClientWidth(), 40);
    // Opaque block (6, 4)-(46, 34) in a 52 × 40 image.
    TBitmap image = AlphaBitmap(52, 40, [](int x, int y) { return x >= 6 && x < 46 && y >= 4 && y < 34 ? 255 : 0; });
    Behaviour->ShowBitmap(image, 0, 0);
    EXPECT_EQ(Window->size(), QSize(40, 30));
    // dx = (52 − 40) ÷ 2 − 6 = 0, dy = (40 − 30) ÷ 2 − 4 = 1.
    EXPECT_EQ(Button->pos(), QPoint(10, 5));
    Behaviour->ShowBitmap(image, 0, 0);
    EXPECT_EQ(Button->pos(), QPoint(10, 5));  // always from the first recorded place
}

TEST_F(WindowBehaviourWindowTest, HidingTheWindowEndsTheDragWithoutSnapping) {
    Behaviour->SetFitScreenPx(16);
    int reports = 0;
    Behaviour->OnWindowMoved = [&](QObject*) { ++reports; };
    Window->move(200, 150);
    PressAndPull(60, 10, 7, 9);
    ASSERT_TRUE(Behaviour->Mover().Dragging());
    Window->hide();
    EXPECT_FALSE(Behaviour->Mover().Dragging());
    EXPECT_EQ(reports, 0);
    EXPECT_EQ(Window->pos(), QPoint(207, 159));
    Window->show();
    Release(QCursor::pos());  // the release of an ended drag is the window's own
    EXPECT_EQ(reports, 0);
}

// The pieces work on a window without the behaviour component that usually owns them.
TEST(WindowPiecesTest, TheMoverReportsTheMoveThenSnapsThenReportsThePlace) {
    TCompositorAnswer answer(&NoCompositor);
    TWindowProbe window;
    window.show();
    TWindowMover mover(&window);
    mover.SetWindowDrag(true);
    mover.SetFitScreenPx(16);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    window.move(area.left() + 40, area.top() + 5);
    std::vector<std::string> steps;
    mover.OnMoved = [&] { steps.push_back("moved at " + std::to_string(window.y() - area.top())); };
    mover.OnSnapped = [&] { steps.push_back("snapped to " + std::to_string(window.y() - area.top())); };
    auto send = [&](QEvent::Type type, QPoint global, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QPointF local = window.mapFromGlobal(QPointF(global));
        QMouseEvent event(type, local, local, QPointF(global), button, buttons, Qt::NoModifier);
        return mover.HandleMouse(event);
    };
    const QPoint start = window.mapToGlobal(QPoint(60, 10));
    EXPECT_FALSE(send(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton));
    EXPECT_TRUE(send(QEvent::MouseMove, start + QPoint(0, 3), Qt::NoButton, Qt::LeftButton));
    EXPECT_TRUE(send(QEvent::MouseButtonRelease, start + QPoint(0, 3), Qt::LeftButton, Qt::NoButton));
    EXPECT_EQ(steps, (std::vector<std::string>{"moved at 8", "snapped to 0"}));

    // Without a snapping distance the move is reported and nothing snaps.
    steps.clear();
    mover.SetFitScreenPx(0);
    mover.SnapToWorkArea();
    EXPECT_EQ(steps, (std::vector<std::string>{"moved at 0"}));
}

TEST(WindowPiecesTest, TheWindowImageShowsWithoutAPlacement) {
    TCompositorAnswer answer(&NoCompositor);
    TWindowProbe window;
    TBackgroundProbe child(&window);
    child.setGeometry(2, 2, 4, 4);
    TWindowImage image(&window);
    image.SetBGrelocation(true);
    // Opaque block (4, 2)-(14, 10) in a 20 × 12 image; the design size comes from the caller.
    TBitmap bitmap = AlphaBitmap(20, 12, [](int x, int y) { return x >= 4 && x < 14 && y >= 2 && y < 10 ? 255 : 0; });
    image.Show(bitmap, 7, 8, 10, 8);
    EXPECT_EQ(window.geometry(), QRect(7, 8, 10, 8));
    EXPECT_EQ(window.mask(), QRegion(0, 0, 10, 8));
    // dx = (20 − 10) ÷ 2 − 4 = 1, dy = (12 − 8) ÷ 2 − 2 = 0.
    EXPECT_EQ(child.pos(), QPoint(3, 2));
    ASSERT_EQ(child.Backgrounds.size(), 1u);
    EXPECT_EQ(child.Backgrounds[0], image.ComposedBitmap());
}

TEST(WindowPiecesTest, AnImageAtRatioTwoGivesALogicalWindowADeviceShapeAndLogicalChildMoves) {
    TCompositorAnswer answer(&NoCompositor);
    TWindowProbe window;
    TBackgroundProbe child(&window);
    child.setGeometry(10, 5, 4, 4);
    TWindowImage image(&window);
    // A 21 × 10 device image whose opaque part ends one device pixel further right on each
    // row: a staircase of single device pixels.
    TBitmap stairs = AlphaBitmap(21, 10, [](int x, int y) { return x < 11 + y ? 255 : 0; });
    image.Show(stairs, 30, 40, 0, 0, 2);
    EXPECT_EQ(image.Ratio(), 2);
    EXPECT_EQ(window.geometry(), QRect(30, 40, 11, 5));  // 10.5 × 5 logical, rounded
    QRegion expected;
    for (int y = 0; y < 10; ++y)
        expected += QRect(0, y, std::min(21, 11 + y), 1);
    EXPECT_EQ(image.Region().Handle(), expected);
    // Where Qt's logical mask is all there is (here, off X), it covers every shown pixel.
    EXPECT_EQ(window.mask(), LogicalRegion(expected, 2));
    EXPECT_TRUE(window.mask().contains(QRect(0, 0, 6, 5)));

    // The child controls move by logical pixels: the opaque block (12, 8)-(92, 68) of a
    // 104 × 80 device image is cropped; the design's 40 × 30 is 80 × 60 device pixels, so
    // dx = (104 − 80) ÷ 2 − 12 = 0 and dy = (80 − 60) ÷ 2 − 8 = 2 device pixels, 1 logical.
    image.SetBGrelocation(true);
    TBitmap framed = AlphaBitmap(104, 80, [](int x, int y) { return x >= 12 && x < 92 && y >= 8 && y < 68 ? 255 : 0; });
    image.Show(framed, 7, 8, 40, 30, 2);
    EXPECT_EQ(window.geometry(), QRect(7, 8, 40, 30));
    EXPECT_EQ(child.pos(), QPoint(10, 6));
    ASSERT_FALSE(child.Backgrounds.empty());
    EXPECT_EQ(image.ComposedBitmap()->Width(), 80);
}

TEST(WindowPiecesTest, TheLogicalRegionCoversEveryDevicePixel) {
    struct TCase {
        QRect Device;
        double Ratio;
        QRect Logical;
    };
    const TCase cases[] = {
        // device rect               ratio  logical rect
        {{0, 0, 4, 4}, 2, {0, 0, 2, 2}},   {{1, 1, 2, 2}, 2, {0, 0, 2, 2}},  // odd edges widen to whole logical pixels
        {{3, 0, 1, 5}, 2, {1, 0, 1, 3}},   {{0, 0, 3, 3}, 1.5, {0, 0, 2, 2}},
        {{2, 2, 2, 2}, 1.5, {1, 1, 2, 2}}, {{5, 6, 7, 8}, 1, {5, 6, 7, 8}},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(LogicalRegion(QRegion(c.Device), c.Ratio), QRegion(c.Logical)) << c.Device.x() << " " << c.Ratio;
}

TEST(WindowBehaviourLayeredTest, LayeredIsChosenWhenTheWindowIsMade) {
    {
        TCompositorAnswer answer(&Compositor);
        TWindowProbe window;
        TWindowBehaviour* behaviour = new TWindowBehaviour(&window, ProbeSection);
        EXPECT_TRUE(behaviour->Layered());
        EXPECT_TRUE(window.testAttribute(Qt::WA_TranslucentBackground));
        behaviour->SetLayered(false);
        EXPECT_FALSE(window.testAttribute(Qt::WA_TranslucentBackground));
        behaviour->SetLayered(true);
        window.show();

        TBitmap image = AlphaBitmap(4, 2, [](int x, int) { return x * 85; });  // alpha 0, 85, 170, 255
        behaviour->ShowBitmap(image, 30, 40);
        EXPECT_TRUE(behaviour->Image().LayeredReady());
        EXPECT_EQ(window.geometry(), QRect(30, 40, 4, 2));
        EXPECT_EQ(window.mask(), QRegion(1, 0, 3, 2));  // transparent pixels let clicks through
        EXPECT_TRUE(behaviour->Image().ComposedBitmap()->Empty());
        const QImage& shown = behaviour->Image().LayeredImage();
        ASSERT_EQ(shown.format(), QImage::Format_ARGB32_Premultiplied);
        EXPECT_EQ(shown.pixel(0, 0), 0u);
        EXPECT_EQ(shown.pixel(2, 1), qRgba(200 * 170 / 255, 100 * 170 / 255, 10 * 170 / 255, 170));
        EXPECT_EQ(shown.pixel(3, 0), qRgba(200, 100, 10, 255));
        EXPECT_EQ(shown.devicePixelRatio(), 1);

        // An image for ratio 2 is painted 1:1 on device pixels of a window half its size.
        behaviour->ShowBitmap(AlphaBitmap(8, 6, [](int, int) { return 255; }), 30, 40, 2);
        EXPECT_EQ(window.geometry(), QRect(30, 40, 4, 3));
        EXPECT_EQ(behaviour->Image().LayeredImage().size(), QSize(8, 6));
        EXPECT_EQ(behaviour->Image().LayeredImage().devicePixelRatio(), 2);
    }
    {
        // A window already on the screen keeps its opaque visual.
        TCompositorAnswer answer(&Compositor);
        TWindowProbe window;
        window.winId();
        TWindowBehaviour* behaviour = new TWindowBehaviour(&window, ProbeSection);
        EXPECT_FALSE(behaviour->Layered());
        EXPECT_FALSE(window.testAttribute(Qt::WA_TranslucentBackground));
    }
    {
        TCompositorAnswer answer(&NoCompositor);
        TWindowProbe window;
        TWindowBehaviour* behaviour = new TWindowBehaviour(&window, ProbeSection);
        behaviour->SetLayered(true);
        EXPECT_FALSE(behaviour->Layered());
        EXPECT_FALSE(window.testAttribute(Qt::WA_TranslucentBackground));
    }
}

class WindowBehaviourSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Previous =
            ReplaceAppGlobals(std::make_unique<TAppGlobals>(Folder.Slash() + "quillo", Folder.Slash() + "machine.ini"));
        SettingsFile = AppGlobals().SettingsFileName();
        Screen = QGuiApplication::primaryScreen()->geometry();
    }
    void TearDown() override { ReplaceAppGlobals(std::move(Previous)); }

    // A component that keeps the window's place, and its size when asked.
    static TWindowBehaviour* Preserving(QWidget& window, bool keepSize) {
        auto* behaviour = new TWindowBehaviour(&window, ProbeSection);
        behaviour->SetPreserve(true);
        behaviour->SetKeepLocation(true);
        behaviour->SetKeepSize(keepSize);
        return behaviour;
    }

    std::string Settings() const {
        std::ifstream in(SettingsFile, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    TTestEnvironment Environment;
    TTemporaryFolder Folder;
    std::unique_ptr<TAppGlobals> Previous;
    std::string SettingsFile;
    QRect Screen;
    TCompositorAnswer Answer{&NoCompositor};
};

TEST_F(WindowBehaviourSettingsTest, PositionIsCentredFirstThenRemembered) {
    {
        TWindowProbe window;
        TWindowBehaviour* behaviour = Preserving(window, false);
        window.show();  // the first showing loads the position
        EXPECT_TRUE(behaviour->Placement().PositionLoaded());
        EXPECT_EQ(window.pos(), QPoint((Screen.width() - 130) / 2, (Screen.height() - 151) / 2));
        window.move(37, 41);
    }
    EXPECT_EQ(Settings(), "[TFMPROBE]\r\nTOP=41\r\nLEFT=37\r\nDOCKSITE=\r\n");
    TWindowProbe again;
    Preserving(again, false)->LoadPosition();
    EXPECT_EQ(again.pos(), QPoint(37, 41));
}

TEST_F(WindowBehaviourSettingsTest, ThePlacementMemoryAloneLoadsOnceAndOutlivesItsWindow) {
    auto window = std::make_unique<TWindowProbe>();
    TPlacementMemory memory(window.get(), ProbeSection);
    memory.SetPreserve(true);
    memory.SetKeepLocation(true);
    memory.WatchEvent(QEvent(QEvent::Show));
    EXPECT_TRUE(memory.PositionLoaded());
    EXPECT_EQ(window->pos(), QPoint((Screen.width() - 130) / 2, (Screen.height() - 151) / 2));
    window->move(21, 22);
    memory.WatchEvent(QEvent(QEvent::Move));
    memory.WatchEvent(QEvent(QEvent::Show));  // a second showing loads nothing
    EXPECT_EQ(window->pos(), QPoint(21, 22));
    window.reset();
    memory.SavePosition();  // the last place seen stands for the gone window
    EXPECT_EQ(Settings(), "[TFMPROBE]\r\nTOP=22\r\nLEFT=21\r\nDOCKSITE=\r\n");
}

TEST_F(WindowBehaviourSettingsTest, StoredPlacesAreCheckedAgainstTheScreens) {
    struct Case {
        const char* What;
        int Left, Top, Width, Height;
        QRect Expected;
    };
    const QRect centred((Screen.width() - 130) / 2, (Screen.height() - 151) / 2, 130, 151);
    const Case cases[] = {
        {"on the screen", 10, 20, 200, 180, QRect(10, 20, 200, 180)},
        {"far to the right", 90000, 20, 130, 151, centred},
        {"above the screen", 10, -400, 130, 151, centred},
        {"a size no window has", 10, 20, -5, 0, QRect(10, 20, 130, 151)},
    };
    for (const Case& c : cases) {
        AppGlobals().WriteInteger("TFMPROBE", "LEFT", c.Left);
        AppGlobals().WriteInteger("TFMPROBE", "TOP", c.Top);
        AppGlobals().WriteInteger("TFMPROBE", "WIDTH", c.Width);
        AppGlobals().WriteInteger("TFMPROBE", "HEIGHT", c.Height);
        TWindowProbe window;
        TWindowBehaviour* behaviour = Preserving(window, true);
        behaviour->LoadPosition();
        EXPECT_EQ(window.geometry(), c.Expected) << c.What;
        behaviour->SetPreserve(false);  // leave the stored values for the next case
    }
}

TEST_F(WindowBehaviourSettingsTest, NothingIsReadOrWrittenWithoutPreserve) {
    AppGlobals().WriteInteger("TFMPROBE", "LEFT", 5);
    const std::string before = Settings();
    {
        TWindowProbe window;
        TWindowBehaviour* behaviour = new TWindowBehaviour(&window, ProbeSection);
        behaviour->SetKeepLocation(true);
        behaviour->SetKeepSize(true);
        window.show();
        EXPECT_TRUE(behaviour->Placement().PositionLoaded());
        EXPECT_EQ(window.pos(), QPoint(100, 100));
        window.move(300, 300);
        behaviour->EndSession();
    }
    EXPECT_EQ(Settings(), before);
}

TEST_F(WindowBehaviourSettingsTest, AMaximisedWindowSavesItsRestoredPlace) {
    TWindowProbe window;
    TWindowBehaviour* behaviour = Preserving(window, true);
    behaviour->LoadPosition();
    window.setGeometry(60, 70, 130, 151);
    window.show();
    window.showMaximized();
    ASSERT_TRUE(behaviour->Placement().Maximized());
    behaviour->SavePosition();
    EXPECT_EQ(AppGlobals().ReadInteger("TFMPROBE", "LEFT", 0), 60);
    EXPECT_EQ(AppGlobals().ReadInteger("TFMPROBE", "TOP", 0), 70);
    EXPECT_EQ(AppGlobals().ReadInteger("TFMPROBE", "WIDTH", 0), 130);
    EXPECT_EQ(AppGlobals().ReadInteger("TFMPROBE", "HEIGHT", 0), 151);
}

TEST_F(WindowBehaviourSettingsTest, TheEndOfTheSessionSavesBeforeTheWindowsOwnSavingOnce) {
    TWindowProbe window;
    TWindowBehaviour* behaviour = Preserving(window, false);
    behaviour->LoadPosition();
    window.move(12, 34);
    std::vector<std::string> steps;
    behaviour->OnEndSession = [&](QObject* sender) {
        EXPECT_EQ(sender, behaviour);
        steps.push_back("end session, LEFT=" + std::to_string(AppGlobals().ReadInteger("TFMPROBE", "LEFT", -1)));
    };
    behaviour->OnOwnerDestroy = [&](QObject*) {
        steps.push_back("window saves, LEFT=" + std::to_string(AppGlobals().ReadInteger("TFMPROBE", "LEFT", -1)));
    };
    TWindowProbe other;
    TWindowBehaviour* otherBehaviour = new TWindowBehaviour(&other, ProbeSection);
    int otherEnded = 0;
    otherBehaviour->OnEndSession = [&](QObject*) { ++otherEnded; };

    BroadcastEndSession();
    BroadcastEndSession();
    EXPECT_EQ(steps, (std::vector<std::string>{"end session, LEFT=-1", "window saves, LEFT=12"}));
    EXPECT_EQ(otherEnded, 1);
}

TEST_F(WindowBehaviourSettingsTest, APlaceThatCannotBeSavedAtTheEndOfTheSessionStopsNothing) {
    // A folder where the settings file belongs makes every write of the place fail.
    std::filesystem::create_directories(SettingsFile);
    int windowSaves = 0;
    {
        TWindowProbe window;
        TWindowBehaviour* behaviour = Preserving(window, false);
        behaviour->LoadPosition();
        behaviour->OnOwnerDestroy = [&](QObject*) { ++windowSaves; };
        testing::internal::CaptureStderr();
        BroadcastEndSession();
        EXPECT_EQ(windowSaves, 1);
        // The window's end after the session's end tries no second time.
    }
    std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(errors, std::string(SettingsFile + std::string(" に書き込めません: ")) + strerror(EISDIR) + "\n");
}

}  // namespace

// A place the window system reports shortly after the program asked for another is the
// compositor's choice and is not saved; a later one is the user's move and is.
TEST(PlacementMemoryTest, ThePlaceToSaveIsTheProgramsOrTheUsersNeverTheCompositors) {
    enum TKind { ProgramMove, Shown, Reported };
    struct TStep {
        TKind Kind;
        int64_t AtMs;
        QPoint Place;  // the window's place after the step
    };
    const QPoint stored(300, 200), centred(575, 324), elsewhere(700, 100);
    const struct {
        const char* Name;
        std::vector<TStep> Steps;
        QPoint Saved;
    } cases[] = {
        {"centred as it is mapped", {{ProgramMove, 0, stored}, {Shown, 10, stored}, {Reported, 50, centred}}, stored},
        {"the place asked for is granted",
         {{ProgramMove, 0, stored}, {Shown, 10, stored}, {Reported, 40, stored}},
         stored},
        {"centred in answer to a move",
         {{ProgramMove, 0, stored}, {ProgramMove, 5000, elsewhere}, {Reported, 5100, centred}},
         elsewhere},
        {"moved by the user later",
         {{ProgramMove, 0, stored}, {Shown, 10, stored}, {Reported, 50, centred}, {Reported, 9000, elsewhere}},
         elsewhere},
        {"reported just before the answer time runs out",
         {{ProgramMove, 0, stored}, {Reported, CompositorAnswerMs - 1, centred}},
         stored},
        {"reported when it has run out", {{ProgramMove, 0, stored}, {Reported, CompositorAnswerMs, centred}}, centred},
        {"the program's own move after the compositor's choice",
         {{ProgramMove, 0, stored}, {Reported, 50, centred}, {ProgramMove, 60, elsewhere}},
         elsewhere},
        {"reported before the program asked for anything", {{Reported, 5, centred}}, centred},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        QWidget window(nullptr, Qt::FramelessWindowHint);
        window.setGeometry(0, 0, 130, 151);
        TPlacementMemory memory(&window, ProbeSection);
        for (const TStep& step : c.Steps) {
            window.move(step.Place);
            if (step.Kind == Shown)
                memory.FollowShow(step.AtMs);
            else
                memory.FollowMove(step.Kind == ProgramMove ? TMoveOrigin::Program : TMoveOrigin::WindowSystem,
                                  step.AtMs);
        }
        EXPECT_EQ(memory.PlaceToSave().Left, c.Saved.x());
        EXPECT_EQ(memory.PlaceToSave().Top, c.Saved.y());
    }
}

TEST(StackingSettingTest, ValuesRoundTripAndOthersAreNormal) {
    for (TStacking stacking : {TStacking::Normal, TStacking::Top, TStacking::Bottom})
        EXPECT_EQ(StackingOfSetting(SettingOfStacking(stacking)), stacking);
    for (int other : {-1, 3, 1000})
        EXPECT_EQ(StackingOfSetting(other), TStacking::Normal) << other;
}
