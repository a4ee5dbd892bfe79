// Papers on a screen of device pixel ratio 2 (this program sets QT_SCALE_FACTOR=2 before
// the application object is made):
// the page is drawn at 240 pixels and turned at that resolution, while the window's place
// and size and the turn's numbers stay those of a 120-pixel page.

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

#include "WindowTestSupport.h"
#include "graphics/GraphicWork.h"
#include "storage/PaperFile.h"
#include "ui/PaperWindow.h"
#include "ui/WindowBehaviour.h"

namespace {

// The test main makes the application object; the scale must be in place before it.
const bool ScaleFactorSet = setenv("QT_SCALE_FACTOR", "2", 1) == 0;

class PaperAtRatioTwo : public TWindowTest {
protected:
    void SetUp() override {
        TWindowTest::SetUp();
        ASSERT_TRUE(ScaleFactorSet);
        ASSERT_EQ(QGuiApplication::primaryScreen()->devicePixelRatio(), 2) << "QT_SCALE_FACTOR=2 expected";
    }
    static const TWindowImage& ImageOf(const TPaperWindow& paper) {
        for (QObject* child : paper.children())
            if (auto* behaviour = dynamic_cast<TWindowBehaviour*>(child))
                return behaviour->Image();
        throw std::logic_error("a paper without its behaviour");
    }
};

}  // namespace

TEST_F(PaperAtRatioTwo, ATornPageIsDrawnAndTurnedAtTwiceTheResolution) {
    QCursor::setPos(301, 300);
    auto* paper = new TPaperWindow(nullptr, nullptr);
    // A page drawn for ratio 1 is not stretched: the paper draws its own.
    auto handed = PageOfDay(46005, 1);
    paper->StartTear(250, 260, 46005, {1, 0}, {120, 0}, std::move(handed));
    paper->show();
    ASSERT_NE(paper->Turn().Source(), nullptr);
    EXPECT_EQ(paper->Turn().Source()->Width(), 240);
    EXPECT_EQ(paper->Turn().Ratio(), 2);
    EXPECT_EQ(paper->Turn().SrcCenter(), (TPoint{60, 60}));
    EXPECT_EQ(paper->Turn().Radius(), 84);

    for (int step = 1; step <= 40 && paper->Hinged(); ++step)
        Mouse(paper, QEvent::MouseMove, QPoint(300, 300) + QPoint(-60, 120) * step / 40);
    ASSERT_FALSE(paper->Hinged());
    // The window is as large as the turned 120-pixel page, in logical pixels; its image
    // and shape have the device's pixels.
    const int angle = paper->Turn().Angle();
    const TRect logical = RotatedBounds(120, 120, angle);
    EXPECT_EQ(paper->size(), QSize(logical.Width(), logical.Height())) << angle;
    const TWindowImage& image = ImageOf(*paper);
    EXPECT_EQ(image.Ratio(), 2);
    ASSERT_NE(image.ComposedBitmap(), nullptr);
    EXPECT_EQ(image.ComposedBitmap()->Width(), DeviceLength(logical.Width(), 2));
    // The shape is cut from the device image: as wide as the turned page in device pixels.
    EXPECT_NEAR(image.Region().Handle().boundingRect().width(), 2 * (logical.Width() - 3), 2);
    Mouse(paper, QEvent::MouseButtonRelease, QCursor::pos());
    delete paper;
}

TEST_F(PaperAtRatioTwo, APageDrawnForTheScreenIsTakenAsItIs) {
    QCursor::setPos(300, 300);
    auto* paper = new TPaperWindow(nullptr, nullptr);
    auto handed = PageOfDay(46005, 2);
    const TBitmap* page = handed.get();
    paper->StartTear(250, 260, 46005, {0, 0}, {0, 0}, std::move(handed));
    EXPECT_EQ(paper->Turn().Source(), page);
    EXPECT_EQ(paper->geometry(), QRect(250, 260, 123, 123));
    delete paper;
}

TEST_F(PaperAtRatioTwo, ARestoredPaperStandsWhereItWasSavedWithItsLogicalSize) {
    SavePaperFile(DataPath(), 0, {40, 150, 160, 1, 1, 46001, 46001.25});
    auto* paper = new TPaperWindow(nullptr, nullptr);
    paper->show();
    ASSERT_TRUE(paper->LoadFrom(0));
    const TRect logical = RotatedBounds(120, 120, 40);
    EXPECT_EQ(paper->geometry(), QRect(150, 160, logical.Width(), logical.Height()));
    EXPECT_EQ(paper->Record().Width, logical.Width());
    EXPECT_EQ(ImageOf(*paper).ComposedBitmap()->Height(), DeviceLength(logical.Height(), 2));
    delete paper;
}
