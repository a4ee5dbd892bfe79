#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "DialogTestEnvironment.h"
#include "graphics/Bitmap.h"
#include "storage/Text.h"
#include "support/FileBytes.h"
#include "ui/ColorPicker.h"
#include "ui/ColorSetupDialog.h"
#include "ui/DialogSupport.h"
#include "ui/Dialogs.h"

namespace {

struct TShown {
    int R, G, B, H, S, V;
    const char* Rgb;
};

TShown ShownBy(const TColorPicker& frame) {
    static std::string rgb;
    rgb = Child<QLineEdit>(frame, "rgbText")->text().toStdString();
    return {Child<QLineEdit>(frame, "redEdit")->text().toInt(),
            Child<QLineEdit>(frame, "greenEdit")->text().toInt(),
            Child<QLineEdit>(frame, "blueEdit")->text().toInt(),
            Child<QLineEdit>(frame, "hueEdit")->text().toInt(),
            Child<QLineEdit>(frame, "saturationEdit")->text().toInt(),
            Child<QLineEdit>(frame, "valueEdit")->text().toInt(),
            rgb.c_str()};
}

void ExpectShown(const TColorPicker& frame, const TShown& expected, const std::string& where) {
    const TShown shown = ShownBy(frame);
    EXPECT_EQ(shown.R, expected.R) << where;
    EXPECT_EQ(shown.G, expected.G) << where;
    EXPECT_EQ(shown.B, expected.B) << where;
    EXPECT_EQ(shown.H, expected.H) << where;
    EXPECT_EQ(shown.S, expected.S) << where;
    EXPECT_EQ(shown.V, expected.V) << where;
    EXPECT_STREQ(shown.Rgb, expected.Rgb) << where;
    EXPECT_EQ(frame.Color(), RGB(expected.R, expected.G, expected.B)) << where;
    EXPECT_EQ(Child<TColorShape>(frame, "swatch")->Color(), frame.Color()) << where;
    EXPECT_EQ(Child<QSlider>(frame, "brightnessSlider")->value(), 100 - expected.V) << where;
}

// QTest takes the point (0, 0) for "the middle", so the field's corner is pressed by hand.
void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void Click(QWidget* widget, QPoint at) {
    SendMouse(widget, QEvent::MouseButtonPress, at, Qt::LeftButton);
    SendMouse(widget, QEvent::MouseButtonRelease, at, Qt::NoButton);
}

// Where the slider's style draws its handle, from the slider's own style option.
// QSlider::initStyleOption is protected; a pointer to it formed inside a subclass may be
// called on any slider.
struct TSliderProbe : QSlider {
    static QRect HandleRect(const QSlider& slider) {
        QStyleOptionSlider option;
        (slider.*(&TSliderProbe::initStyleOption))(&option);
        return slider.style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &slider);
    }
};

void Retype(QLineEdit* edit, const char* text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

class ColorPicker : public ::testing::Test {
protected:
    ColorPicker() {
        Frame.BuildPalette();
        Frame.show();
    }
    TColorPicker Frame;
};

TEST_F(ColorPicker, ShowsAColorInEveryForm) {
    const struct {
        uint32_t Color;
        TShown Shown;
    } cases[] = {
        {0x0000FF, {255, 0, 0, 0, 100, 100, "FF0000"}},           {0x000000, {0, 0, 0, 0, 0, 0, "000000"}},
        {RGB(50, 100, 75), {50, 100, 75, 149, 51, 39, "32644B"}}, {0xFF0000, {0, 0, 255, 240, 100, 100, "0000FF"}},
        {0x12345678, {0x78, 0x56, 0x34, 29, 57, 47, "785634"}},  // the top byte is no colour
    };
    for (const auto& c : cases) {
        Frame.SetColor(c.Color);
        ExpectShown(Frame, c.Shown, std::to_string(c.Color));
    }
}

TEST_F(ColorPicker, TheFieldFollowsTheBrightnessAndMarksTheColor) {
    Frame.SetColor(0);
    const QImage& field = Child<TColorField>(Frame, "colorField")->Image();
    ASSERT_EQ(field.size(), QSize(200, 196));
    for (int y = 0; y < field.height(); y += 15)
        for (int x = 0; x < field.width(); x += 15)
            ASSERT_EQ(field.pixel(x, y) & 0xFFFFFF, 0u) << x << "," << y;

    Frame.SetColor(0x0000FF);
    EXPECT_EQ(field.pixel(0, 0) & 0xFFFFFF, 0xFF0000u);                       // hue 0, saturation 100
    EXPECT_EQ(field.pixel(199, 195) & 0xFFFFFF, 0xFFFFFFu);                   // saturation 0: white
    EXPECT_EQ(field.pixel(199, 0) & 0xFFFFFF, 0xFF0000u);                     // hue 359 closes on red
    EXPECT_EQ(field.pixel(100, 0) & 0xFFFFFF, qRgb(0, 254, 255) & 0xFFFFFF);  // half way: cyan
    EXPECT_EQ(Child<TColorField>(Frame, "colorField")->Mark(), QPoint(0, 196 - 195));
}

TEST_F(ColorPicker, TypedNumbersAreReadOnEnterAndTheShownNumbersBelongToTheColor) {
    const struct {
        const char* Edit;
        const char* Typed;
        TShown Shown;
    } cases[] = {
        {"hueEdit", "400", {255, 171, 0, 40, 100, 100, "FFAB00"}},         // hue modulo 360
        {"saturationEdit", "120", {255, 206, 206, 0, 20, 100, "FFCECE"}},  // 19, then as the colour says
        {"hueEdit", "-60", {255, 0, 253, 300, 100, 100, "FF00FD"}},        // negative numbers wrap
        {"redEdit", "300", {255, 0, 0, 0, 100, 100, "FF0000"}},            // channels held at 255
        {"greenEdit", "x", {255, 0, 0, 0, 100, 100, "FF0000"}},            // no number counts as 0
        {"blueEdit", "$80", {255, 0, 128, 329, 100, 100, "FF0080"}},
        {"rgbText", "zz", {255, 255, 255, 0, 0, 100, "FFFFFF"}},  // no number: white
        {"rgbText", "00ff00", {0, 255, 0, 120, 100, 100, "00FF00"}},
        {"rgbText", "1", {0, 0, 1, 240, 100, 0, "000001"}},
    };
    for (const auto& c : cases) {
        Frame.SetColor(0x0000FF);
        Retype(Child<QLineEdit>(Frame, c.Edit), c.Typed);
        ExpectShown(Frame, c.Shown, c.Typed);
    }
}

TEST_F(ColorPicker, ClickingTheFieldPicksHueAndSaturation) {
    Frame.SetColor(0x0000FF);
    Click(Child<TColorField>(Frame, "colorField"), QPoint(0, 0));
    ExpectShown(Frame, {255, 0, 0, 0, 100, 100, "FF0000"}, "top left");
    // The bottom row is grey; its numbers are recomputed from the grey, so the mark goes left.
    Click(Child<TColorField>(Frame, "colorField"), QPoint(150, 195));
    ExpectShown(Frame, {255, 255, 255, 0, 0, 100, "FFFFFF"}, "bottom row");
    EXPECT_EQ(Child<TColorField>(Frame, "colorField")->Mark().x(), 0);
}

TEST_F(ColorPicker, DraggingBeyondTheFieldStaysAtItsEdge) {
    Frame.SetColor(0x0000FF);
    SendMouse(Child<TColorField>(Frame, "colorField"), QEvent::MouseButtonPress, QPoint(100, 0), Qt::LeftButton);
    SendMouse(Child<TColorField>(Frame, "colorField"), QEvent::MouseMove, QPoint(-50, 50), Qt::LeftButton);
    EXPECT_EQ(Frame.Hue(), 0);          // not the 270 of x = -50
    EXPECT_EQ(Frame.Saturation(), 76);  // 75 picked, 76 as the colour says
    SendMouse(Child<TColorField>(Frame, "colorField"), QEvent::MouseButtonRelease, QPoint(-50, 50), Qt::NoButton);
    SendMouse(Child<TColorField>(Frame, "colorField"), QEvent::MouseMove, QPoint(100, 100), Qt::NoButton);
    EXPECT_EQ(Frame.Saturation(), 76);  // released: moving picks nothing
}

TEST_F(ColorPicker, TheSliderSetsTheBrightness) {
    Frame.SetColor(0x0000FF);
    Child<QSlider>(Frame, "brightnessSlider")->setValue(50);
    ExpectShown(Frame, {127, 0, 0, 0, 100, 49, "7F0000"}, "half");
    EXPECT_EQ(Child<TColorField>(Frame, "colorField")->Image().pixel(0, 0) & 0xFFFFFF,
              0x7C0000u);  // drawn at the shown 49
    Child<QSlider>(Frame, "brightnessSlider")->setValue(100);
    ExpectShown(Frame, {0, 0, 0, 0, 0, 0, "000000"}, "bottom");
}

TEST_F(ColorPicker, TheBrightestValueSitsAtTheTopOfTheSlider) {
    const QSlider& slider = *Child<QSlider>(Frame, "brightnessSlider");
    Frame.SetColor(0x0000FF);  // pure red: V = 100
    const QRect brightest = TSliderProbe::HandleRect(slider);
    Frame.SetColor(0x000000);  // black: V = 0
    const QRect darkest = TSliderProbe::HandleRect(slider);
    EXPECT_LT(brightest.center().y(), slider.height() / 4) << "V = 100";
    EXPECT_GT(darkest.center().y(), slider.height() * 3 / 4) << "V = 0";
}

TEST_F(ColorPicker, DraggingTheSliderUpBrightensAndTheKeysGoTheSameWay) {
    QSlider* slider = Child<QSlider>(Frame, "brightnessSlider");
    Frame.SetColor(RGB(128, 0, 0));  // V = 50: the handle in the middle
    ASSERT_EQ(Frame.Value(), 50);
    const struct {
        int Dy;  // drag distance, down positive
        bool Brighter;
    } drags[] = {{-40, true}, {40, false}};
    for (const auto& drag : drags) {
        Frame.SetColor(RGB(128, 0, 0));
        const QPoint handle = TSliderProbe::HandleRect(*slider).center();
        SendMouse(slider, QEvent::MouseButtonPress, handle, Qt::LeftButton);
        SendMouse(slider, QEvent::MouseMove, handle + QPoint(0, drag.Dy), Qt::LeftButton);
        SendMouse(slider, QEvent::MouseButtonRelease, handle + QPoint(0, drag.Dy), Qt::NoButton);
        if (drag.Brighter)
            EXPECT_GT(Frame.Value(), 60) << drag.Dy;
        else
            EXPECT_LT(Frame.Value(), 40) << drag.Dy;
    }

    // The keys go the same way: Page Up brightens by a page step of 10.
    Frame.SetColor(RGB(128, 0, 0));
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_PageUp);
    EXPECT_NEAR(Frame.Value(), 60, 1);
}

TEST_F(ColorPicker, PaletteSwatchesSitBelowTheFieldAndGiveTheirColor) {
    const auto& palette = Frame.Palette();
    ASSERT_EQ(palette.size(), 30u);
    EXPECT_EQ(palette[0]->geometry(), QRect(8, 300, 40, 12));
    EXPECT_EQ(palette[29]->geometry(), QRect(213, 352, 40, 12));
    EXPECT_LE(palette[29]->geometry().bottom(), Frame.height());
    for (int i = 0; i < 30; ++i)
        EXPECT_EQ(palette[i]->Color(), TColorPicker::PaletteColors[i]) << i;
    Frame.BuildPalette();  // once only
    EXPECT_EQ(Frame.Palette().size(), 30u);
    QTest::mouseClick(palette[13], Qt::LeftButton);
    EXPECT_EQ(Frame.Color(), 0x00FFFFu);
}

}  // namespace

namespace {

class ColorSetup : public ::testing::Test {
protected:
    // The one dialog among the top-level windows, if any.
    static TColorSetupDialog* OpenDialog() {
        TColorSetupDialog* found = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* dialog = dynamic_cast<TColorSetupDialog*>(widget); dialog && dialog->isVisible())
                found = dialog;
        return found;
    }
    static QTreeWidgetItem* Node(TColorSetupDialog* dialog, const char* path) {
        QTreeWidgetItem* node = nullptr;
        for (const QString& step : QString::fromUtf8(path).split('\\', Qt::SkipEmptyParts)) {
            QTreeWidgetItem* next = nullptr;
            const int count = node ? node->childCount() : Child<TColorTree>(*dialog, "colorTree")->topLevelItemCount();
            for (int i = 0; i < count && !next; ++i) {
                QTreeWidgetItem* child =
                    node ? node->child(i) : Child<TColorTree>(*dialog, "colorTree")->topLevelItem(i);
                if (child->text(0) == step)
                    next = child;
            }
            if (!next)
                return nullptr;
            node = next;
        }
        return node;
    }
    static uint32_t Scheme(const char* path) { return ColorScheme().GetColor(std::string(path), 0xDEAD); }
    // Gives the Sunday entry a new colour through the picker and "色変更".
    static void ChangeSunday(TColorSetupDialog* dialog, uint32_t color) {
        Child<TColorTree>(*dialog, "colorTree")->setCurrentItem(Node(dialog, "日めくり\\文字\\日曜"));
        QTest::mouseClick(Child<QPushButton>(*dialog, "pickerButton"), Qt::LeftButton);  // shows the picker
        Child<TColorPicker>(*dialog, "picker")->SetColor(color);
        QTest::mouseClick(Child<QPushButton>(*dialog, "pickerButton"), Qt::LeftButton);  // takes its colour
    }

    void TearDown() override {
        if (TColorSetupDialog* dialog = OpenDialog())
            dialog->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    TDialogTestEnvironment Environment;
};

TEST_F(ColorSetup, OpensOnceWithTheSchemeAsATree) {
    OpenColorSetup(nullptr);
    TColorSetupDialog* dialog = OpenDialog();
    ASSERT_NE(dialog, nullptr);
    OpenColorSetup(nullptr);
    EXPECT_EQ(OpenDialog(), dialog);
    int open = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        open += dynamic_cast<TColorSetupDialog*>(widget) != nullptr;
    EXPECT_EQ(open, 1);
    EXPECT_EQ(dialog->windowTitle(), QtText(std::string("配色設定") + " " + AppGlobals().ProductName()));
    EXPECT_EQ(dialog->width(), TColorSetupDialog::NarrowWidth);

    ASSERT_EQ(Child<TColorTree>(*dialog, "colorTree")->topLevelItemCount(), 2);
    const struct {
        const char* Path;
        bool IsColor;
        uint32_t Color;
    } nodes[] = {
        {"全般", false, 0},           {"全般\\背景", true, 0xFFFFFF},           {"日めくり\\枠線", true, 0x808080},
        {"日めくり\\文字", false, 0}, {"日めくり\\文字\\日曜", true, 0x4040FF},
    };
    for (const auto& n : nodes) {
        QTreeWidgetItem* node = Node(dialog, n.Path);
        ASSERT_NE(node, nullptr) << n.Path;
        EXPECT_EQ(TColorTree::IsColorEntry(node), n.IsColor) << n.Path;
        if (n.IsColor) {
            EXPECT_EQ(TColorTree::ColorOf(node), n.Color) << n.Path;
        }
    }
    // The first colour entry is selected and shown.
    EXPECT_EQ(Child<TColorTree>(*dialog, "colorTree")->currentItem(), Node(dialog, "全般\\背景"));
    EXPECT_EQ(Child<TColorShape>(*dialog, "entrySwatch")->Color(), 0xFFFFFFu);
    EXPECT_FALSE(Child<QPushButton>(*dialog, "applyButton")->isEnabled());
    EXPECT_FALSE(Child<QPushButton>(*dialog, "revertButton")->isEnabled());
    EXPECT_TRUE(Child<QPushButton>(*dialog, "exportButton")->isHidden());
}

TEST_F(ColorSetup, AGroupShowsAWhiteDisabledSampleAndAnEntryItsColor) {
    OpenColorSetup(nullptr);
    TColorSetupDialog* dialog = OpenDialog();
    Child<TColorTree>(*dialog, "colorTree")->setCurrentItem(Node(dialog, "日めくり\\文字"));
    EXPECT_EQ(Child<TColorShape>(*dialog, "entrySwatch")->Color(), 0xFFFFFFu);
    EXPECT_FALSE(Child<TColorShape>(*dialog, "entrySwatch")->isEnabled());
    EXPECT_FALSE(Child<QPushButton>(*dialog, "pickerButton")->isEnabled());
    EXPECT_FALSE(Child<QSlider>(*dialog, "brightnessSlider")->isEnabled());
    Child<TColorTree>(*dialog, "colorTree")->setCurrentItem(Node(dialog, "日めくり\\文字\\土曜"));
    EXPECT_EQ(Child<TColorShape>(*dialog, "entrySwatch")->Color(), 0xFF6060u);
    EXPECT_EQ(Child<TColorPicker>(*dialog, "picker")->Color(), 0xFF6060u);
    EXPECT_TRUE(Child<QPushButton>(*dialog, "pickerButton")->isEnabled());
    EXPECT_TRUE(Child<QLineEdit>(*dialog, "hueEdit")->isEnabled());
}

TEST_F(ColorSetup, TheSelectButtonFirstShowsThePickerThenTakesItsColor) {
    OpenColorSetup(nullptr);
    TColorSetupDialog* dialog = OpenDialog();
    Child<TColorTree>(*dialog, "colorTree")->setCurrentItem(Node(dialog, "日めくり\\文字\\日曜"));
    QTest::mouseClick(Child<QPushButton>(*dialog, "pickerButton"), Qt::LeftButton);
    EXPECT_EQ(Child<QPushButton>(*dialog, "pickerButton")->text(), QtText(std::string("色変更")));
    EXPECT_EQ(dialog->width(), TColorSetupDialog::WideWidth);
    EXPECT_TRUE(Child<QPushButton>(*dialog, "applyButton")->isEnabled());
    EXPECT_TRUE(Child<QPushButton>(*dialog, "revertButton")->isEnabled());
    EXPECT_EQ(TColorTree::ColorOf(Node(dialog, "日めくり\\文字\\日曜")), 0x4040FFu);  // nothing taken yet
    Child<TColorPicker>(*dialog, "picker")->SetColor(0x00AA00);
    QTest::mouseClick(Child<QPushButton>(*dialog, "pickerButton"), Qt::LeftButton);
    EXPECT_EQ(TColorTree::ColorOf(Node(dialog, "日めくり\\文字\\日曜")), 0x00AA00u);
    EXPECT_EQ(Child<TColorShape>(*dialog, "entrySwatch")->Color(), 0x00AA00u);
    EXPECT_EQ(Scheme("\\日めくり\\文字\\日曜"), 0x4040FFu);  // the scheme waits for "反映させる"
}

TEST_F(ColorSetup, AppliedColorsLastUntilTheCloseBoxThrowsThemAway) {
    OpenColorSetup(nullptr);
    TColorSetupDialog* dialog = OpenDialog();
    ChangeSunday(dialog, 0x00AA00);
    QTest::mouseClick(Child<QPushButton>(*dialog, "applyButton"), Qt::LeftButton);
    EXPECT_EQ(Scheme("\\日めくり\\文字\\日曜"), 0x00AA00u);
    EXPECT_EQ(Environment.Probe.ColorChanges, 1);
    dialog->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Scheme("\\日めくり\\文字\\日曜"), 0x4040FFu);
    EXPECT_EQ(Environment.Probe.ColorChanges, 2);
    EXPECT_FALSE(Environment.Exists("colors.clr"));
    EXPECT_FALSE(TColorSetupDialog::ColorSetupOpen());
    OpenColorSetup(nullptr);  // and it opens again
    EXPECT_NE(OpenDialog(), nullptr);
}

TEST_F(ColorSetup, ADialogOpenedWhileTheClosedOneIsFreedStaysTheOnlyOne) {
    OpenColorSetup(nullptr);
    OpenDialog()->close();
    OpenColorSetup(nullptr);  // before the closed dialog is freed
    TColorSetupDialog* second = OpenDialog();
    ASSERT_NE(second, nullptr);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(TColorSetupDialog::ColorSetupOpen());
    OpenColorSetup(nullptr);
    int open = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        open += dynamic_cast<TColorSetupDialog*>(widget) != nullptr;
    EXPECT_EQ(open, 1);
}

TEST_F(ColorSetup, DefaultsThenOkWriteTheShippedColors) {
    Environment.WriteFile("colors.clr",
                          Cp932("<colors><日めくり><文字><日曜>$123456</日曜></文字></日めくり></colors>"));
    ColorScheme().Load();
    OpenColorSetup(nullptr);
    TColorSetupDialog* dialog = OpenDialog();
    EXPECT_EQ(TColorTree::ColorOf(Node(dialog, "日めくり\\文字\\日曜")), 0x123456u);
    QTest::mouseClick(Child<QPushButton>(*dialog, "defaultsButton"), Qt::LeftButton);
    EXPECT_TRUE(Child<QPushButton>(*dialog, "applyButton")->isEnabled());
    EXPECT_EQ(TColorTree::ColorOf(Node(dialog, "日めくり\\文字\\日曜")), 0x4040FFu);
    QTest::mouseClick(Child<QPushButton>(*dialog, "okButton"), Qt::LeftButton);
    TColorScheme reread(Environment.DataPath() + "colors.clr");
    reread.Load();
    EXPECT_EQ(reread.GetColor(std::string("\\日めくり\\文字\\日曜"), 0), 0x4040FFu);
    EXPECT_EQ(reread.GetColor(std::string("\\全般\\背景"), 0), 0xFFFFFFu);
}

TEST_F(ColorSetup, ResetRestoresTheTreeButNotTheWindows) {
    OpenColorSetup(nullptr);
    TColorSetupDialog* dialog = OpenDialog();
    ChangeSunday(dialog, 0x00AA00);
    QTest::mouseClick(Child<QPushButton>(*dialog, "applyButton"), Qt::LeftButton);
    QTest::mouseClick(Child<QPushButton>(*dialog, "revertButton"), Qt::LeftButton);
    EXPECT_EQ(TColorTree::ColorOf(Node(dialog, "日めくり\\文字\\日曜")), 0x4040FFu);
    EXPECT_EQ(Environment.Probe.ColorChanges, 1);  // only the one of "反映させる"
}

}  // namespace

// A colour square lands on whole device pixels with an outline one logical pixel wide:
// at 2 the outline is two pixels, at 1.5 the logical square (3, 3, 10 × 10) covers device
// pixels 5 to 19 with a two-pixel outline, and nothing is blended at its edges.
TEST(ColorSquare, EdgesFallOnWholeDevicePixels) {
    struct TCase {
        double Ratio;
        QRect Logical;
        int First, Last, Line;  // device pixels covered along each axis, outline width
    };
    const TCase cases[] = {
        {1, QRect(3, 3, 10, 10), 3, 12, 1},
        {2, QRect(3, 3, 10, 10), 6, 25, 2},
        {1.5, QRect(3, 3, 10, 10), 5, 19, 2},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Ratio);
        QImage image(32, 32, QImage::Format_RGB32);
        image.fill(Qt::white);
        image.setDevicePixelRatio(c.Ratio);
        {
            QPainter painter(&image);
            DrawColorSquare(painter, c.Logical, c.Ratio, 0x0000FF, 0x000000);
        }
        for (int i = 0; i < 32; ++i) {
            const bool inside = i >= c.First && i <= c.Last;
            const bool edge = inside && (i < c.First + c.Line || i > c.Last - c.Line);
            const QRgb expected = !inside ? qRgb(255, 255, 255) : edge ? qRgb(0, 0, 0) : qRgb(255, 0, 0);
            const int middle = (c.First + c.Last) / 2;
            EXPECT_EQ(image.pixel(i, middle), expected) << i;  // across the middle row
            EXPECT_EQ(image.pixel(middle, i), expected) << i;  // down the middle column
        }
    }
}
