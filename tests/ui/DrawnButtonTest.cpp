// The custom button as a control: mouse states and clicks, click repeat, the accelerator,
// the background from the window image, anchoring, that the control shows its face, and
// the push button that assistive tools see.

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include "graphics/Bitmap.h"
#include "storage/Text.h"
#include "ui/DrawnButton.h"
#include "ui/DrawnButtonAccessible.h"

namespace {

struct TButtonFixture : ::testing::Test {
    QWidget Form;
    TDrawnButton* Button = nullptr;
    int Clicks = 0;
    bool PressedDuringClick = false;

    void SetUp() override {
        InstallDrawnButtonAccessibility();  // as at start-up, before the button exists
        Form.resize(130, 151);
        Button = new TDrawnButton(&Form);
        Button->SetBounds(4, 4, 46, 20);
        Button->SetCaption("MENU");
        Button->OnClick = [this] {
            ++Clicks;
            PressedDuringClick = Button->Pressed();
        };
        Form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form));
    }

    void Enter() {
        QEnterEvent enter(QPointF(5, 5), QPointF(9, 9), QPointF(9, 9));
        QApplication::sendEvent(Button, &enter);
    }
    void Leave() {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(Button, &leave);
    }
    void Press(Qt::MouseButton button = Qt::LeftButton) { QTest::mousePress(Button, button, {}, QPoint(10, 10)); }
    void Release(Qt::MouseButton button = Qt::LeftButton, QPoint at = QPoint(10, 10)) {
        QTest::mouseRelease(Button, button, {}, at);
    }
};

TEST_F(TButtonFixture, StatesFollowHoverPressAndRelease) {
    struct TStep {
        const char* Action;
        bool Hover, Pressed;
        TButtonState State;
        int Clicks;
    };
    const TStep steps[] = {
        {"enter", true, false, TButtonState::Hover, 0},
        {"press", true, true, TButtonState::Pressed, 0},
        {"release", true, false, TButtonState::Hover, 1},
        {"leave", false, false, TButtonState::Normal, 1},
    };
    for (const TStep& step : steps) {
        std::string action = step.Action;
        if (action == "enter")
            Enter();
        else if (action == "press")
            Press();
        else if (action == "release")
            Release();
        else
            Leave();
        SCOPED_TRACE(action);
        EXPECT_EQ(Button->Hover(), step.Hover);
        EXPECT_EQ(Button->Pressed(), step.Pressed);
        EXPECT_EQ(Button->Painter().State(), step.State);
        EXPECT_EQ(Clicks, step.Clicks);
    }
    EXPECT_TRUE(PressedDuringClick) << "the click arrives while the button is still drawn pressed";
}

TEST_F(TButtonFixture, OnlyALeftPressReleasedOverTheButtonClicks) {
    std::vector<Qt::MouseButton> downs;
    Button->OnMouseDown = [&](Qt::MouseButton button, Qt::KeyboardModifiers, int, int) { downs.push_back(button); };

    Press(Qt::RightButton);
    EXPECT_FALSE(Button->Pressed());
    Release(Qt::RightButton);
    EXPECT_EQ(Clicks, 0);

    Press();
    Release(Qt::LeftButton, QPoint(60, 10));  // released beside the button
    EXPECT_EQ(Clicks, 0);
    EXPECT_FALSE(Button->Pressed());

    // A double click arrives as press, release, double click, release: two clicks.
    Press();
    Release();
    QMouseEvent second(QEvent::MouseButtonDblClick, QPointF(10, 10), QPointF(14, 14), Qt::LeftButton, Qt::LeftButton,
                       Qt::NoModifier);
    QApplication::sendEvent(Button, &second);
    EXPECT_TRUE(Button->Pressed());
    Release();
    EXPECT_EQ(Clicks, 2);
    EXPECT_EQ(downs.front(), Qt::RightButton);
    EXPECT_GE(downs.size(), 3u);
}

TEST_F(TButtonFixture, DisabledButtonIgnoresMouseAndDrawsDisabled) {
    Enter();
    Button->setEnabled(false);
    EXPECT_FALSE(Button->Hover());
    EXPECT_EQ(Button->Painter().State(), TButtonState::Disabled);
    Enter();
    Press();
    Release();
    EXPECT_EQ(Clicks, 0);
    EXPECT_FALSE(Button->Pressed());
    Button->setEnabled(true);
    EXPECT_EQ(Button->Painter().State(), TButtonState::Normal);
}

TEST_F(TButtonFixture, LeavingWhileHeldUnpressesWithoutClick) {
    Button->SetClickRepeat(true);
    Press();
    ASSERT_TRUE(Button->RepeatTimer()->isActive());
    QTest::mouseMove(Button, QPoint(100, 60));  // the held pointer moves off the button
    EXPECT_FALSE(Button->Pressed());
    EXPECT_FALSE(Button->RepeatTimer()->isActive());
    EXPECT_EQ(Button->Painter().State(), TButtonState::Normal);
    Release(Qt::LeftButton, QPoint(100, 60));
    EXPECT_EQ(Clicks, 0);
}

TEST_F(TButtonFixture, HoldingRepeatsAfterTheDelayThenQuickly) {
    EXPECT_EQ(Button->RepeatTimer(), nullptr);
    Button->SetClickRepeat(true);
    ASSERT_NE(Button->RepeatTimer(), nullptr);
    EXPECT_FALSE(Button->RepeatTimer()->isActive());

    Press();
    EXPECT_TRUE(Button->RepeatTimer()->isActive());
    EXPECT_EQ(Button->RepeatTimer()->interval(), 500);
    EXPECT_EQ(Clicks, 0);
    QTRY_VERIFY_WITH_TIMEOUT(Clicks >= 1, 5000);
    EXPECT_EQ(Button->RepeatTimer()->interval(), 80);
    QTRY_VERIFY_WITH_TIMEOUT(Clicks >= 3, 5000);
    int held = Clicks;
    Release();
    EXPECT_EQ(Clicks, held + 1) << "one more click on release";
    EXPECT_FALSE(Button->RepeatTimer()->isActive());
    QTest::qWait(200);
    EXPECT_EQ(Clicks, held + 1) << "no repeat after release";

    Press(Qt::RightButton);
    EXPECT_FALSE(Button->RepeatTimer()->isActive()) << "a right press never repeats";
    Release(Qt::RightButton);

    Button->SetClickRepeat(false);
    EXPECT_EQ(Button->RepeatTimer(), nullptr);
}

TEST_F(TButtonFixture, ClicksThatChangeTheButtonAreSafe) {
    Button->SetClickRepeat(true);
    Button->OnClick = [this] {
        ++Clicks;
        Button->SetClickRepeat(false);  // from inside the repeat timer's own tick
    };
    Press();
    QTRY_VERIFY_WITH_TIMEOUT(Clicks >= 1, 5000);
    QTest::qWait(200);
    EXPECT_EQ(Clicks, 1);
    EXPECT_EQ(Button->RepeatTimer(), nullptr);
    Release();
    EXPECT_EQ(Clicks, 2);

    Button->OnClick = [this] { delete Button; };  // a close button whose window goes at once
    Press();
    Release();
    Button = nullptr;
}

TEST_F(TButtonFixture, AcceleratorClicksOnlyAUsableButton) {
    Button->SetCaption("&Go");
    Form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Form));
    struct TCase {
        const char* Situation;
        bool Enabled;
        bool Visible;
        Qt::Key Key;
        Qt::KeyboardModifiers Modifiers;
        int Clicks;
    };
    const TCase cases[] = {
        {"Alt + G", true, true, Qt::Key_G, Qt::AltModifier, 1},
        {"plain G", true, true, Qt::Key_G, Qt::NoModifier, 1},
        {"another key", true, true, Qt::Key_H, Qt::AltModifier, 0},
        {"disabled", false, true, Qt::Key_G, Qt::AltModifier, 0},
        {"hidden", true, false, Qt::Key_G, Qt::AltModifier, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Situation);
        Button->setEnabled(c.Enabled);
        Button->setVisible(c.Visible);
        Clicks = 0;
        QTest::keyClick(&Form, c.Key, c.Modifiers);
        EXPECT_EQ(Clicks, c.Clicks);
    }
    EXPECT_EQ(Button->accessibleName().toStdString(), "Go");
    Button->SetCaption(std::string("ソフト\\ウェア"));  // the second byte of ソ is a backslash
    EXPECT_EQ(Button->accessibleName().toStdString(), "ソフト ウェア");
    Button->SetFont({"Marlett", -12, 0, false});
    for (auto [glyph, name] : {std::pair{"0", "最小化"}, {"r", "閉じる"}}) {
        Button->SetCaption(glyph);
        EXPECT_EQ(Button->accessibleName().toStdString(), name) << "screen readers name the window glyphs";
    }
}

TEST_F(TButtonFixture, BackgroundComesFromTheWindowImage) {
    TButtonPainter& draw = Button->Painter();
    draw.SetTransParent(true);
    draw.SetColor(Button->Color());  // no face colour: the window image shows through
    TBitmap image(130, 151, TPixelFormat::Bits32);
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            image.Canvas().SetPixel(x, y, RGB(x * 2, y, 77));
    Button->TakeBackground(image);
    EXPECT_TRUE(draw.BackgroundReady());
    for (auto [x, y] : {std::pair{0, 0}, {45, 19}, {20, 9}})
        EXPECT_EQ(draw.BaseBitmap().Pixel(x, y), image.Pixel(4 + x, 4 + y)) << x << "," << y;
}

TEST_F(TButtonFixture, ShowsItsComposedFace) {
    Button->SetFont({"Arial", -10, 0x2040A0, true});
    QImage shown = Button->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const TBitmap& face = Button->Painter().FaceBitmap();
    ASSERT_EQ(shown.width(), face.Width());
    int differing = 0;
    for (int y = 0; y < face.Height(); ++y)
        for (int x = 0; x < face.Width(); ++x) {
            QRgb p = shown.pixel(x, y);
            differing += face.Pixel(x, y) != RGB(qRed(p), qGreen(p), qBlue(p));
        }
    EXPECT_EQ(differing, 0);
}

TEST_F(TButtonFixture, AnchoredButtonsKeepTheirDistanceToTheRightEdge) {
    auto* close = new TDrawnButton(&Form);
    close->SetBounds(106, 4, 20, 20);
    close->SetAnchors(TAnchor::Top | TAnchor::Right);
    auto* wide = new TDrawnButton(&Form);
    wide->SetBounds(10, 30, 100, 20);
    wide->SetAnchors(TAnchor::Left | TAnchor::Top | TAnchor::Right);
    Form.resize(200, 151);
    EXPECT_EQ(close->x(), 176);
    EXPECT_EQ(close->width(), 20);
    EXPECT_EQ(wide->x(), 10);
    EXPECT_EQ(wide->width(), 170);
    EXPECT_EQ(Button->x(), 4) << "left and top anchored by default";
    EXPECT_EQ(close->Painter().Left(), 176) << "the drawing follows the move";
}

// What a screen reader finds: a push button with the caption's name whose press action
// clicks it once the event loop comes round, and none while it is disabled, also when it
// is disabled or gone between the press and the loop.
TEST_F(TButtonFixture, AssistiveToolsFindAPushButtonWhosePressClicks) {
    InstallDrawnButtonAccessibility();  // a second call adds nothing
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(Button);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->role(), QAccessible::Button);
    EXPECT_EQ(face->text(QAccessible::Name).toStdString(), "MENU");
    EXPECT_NE(QAccessible::queryAccessibleInterface(&Form)->role(), QAccessible::Button) << "only drawn buttons";
    QAccessibleActionInterface* actions = face->actionInterface();
    ASSERT_NE(actions, nullptr);
    const QString press = QAccessibleActionInterface::pressAction();

    struct TCase {
        const char* Situation;
        bool Enabled;
        bool DisabledBeforeTheLoop;
        int Clicks;
    };
    const TCase cases[] = {
        {"enabled", true, false, 1},
        {"disabled", false, false, 0},
        {"disabled before the loop", true, true, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Situation);
        Button->setEnabled(c.Enabled);
        EXPECT_EQ(face->state().disabled, !c.Enabled);
        EXPECT_EQ(actions->actionNames().contains(press), c.Enabled);
        Clicks = 0;
        actions->doAction(press);
        if (c.DisabledBeforeTheLoop)
            Button->setEnabled(false);
        QCoreApplication::processEvents();
        EXPECT_EQ(Clicks, c.Clicks);
    }

    Button->setEnabled(true);
    Press();
    EXPECT_TRUE(face->state().pressed);
    Release();
    EXPECT_FALSE(face->state().pressed);

    EXPECT_EQ(actions->keyBindingsForAction(press), QStringList());
    Button->SetCaption("&Go");
    EXPECT_EQ(actions->keyBindingsForAction(press), QStringList{"Alt+G"});

    // The button goes before the loop comes round: the click goes with it.
    Clicks = 0;
    actions->doAction(press);
    delete Button;
    Button = nullptr;
    QCoreApplication::processEvents();
    EXPECT_EQ(Clicks, 0);
}

}  // namespace
