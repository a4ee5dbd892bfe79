// The about box and its link on a screen of device pixel ratio 2 (QT_SCALE_FACTOR=2, set by
// this test program before the application object is made): pictures made in device pixels
// and shown one to one, made anew for another ratio.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <cstdlib>

#include "DialogTestEnvironment.h"
#include "ui/AboutBox.h"
#include "ui/LinkLabel.h"

namespace {

// The aligned 2 × 2 blocks with a clear step between two of their own pixels: none in a
// picture stretched twofold, many in one drawn at device resolution.
int SharpBlocks(const QImage& image) {
    int count = 0;
    auto grey = [&](int x, int y) { return qGray(image.pixel(x, y)); };
    for (int y = 0; y + 1 < image.height(); y += 2)
        for (int x = 0; x + 1 < image.width(); x += 2)
            count += std::abs(grey(x, y) - grey(x + 1, y)) >= 96 || std::abs(grey(x, y) - grey(x, y + 1)) >= 96;
    return count;
}

// The picture's device pixels on white (its transparent background shows white).
QImage OnWhite(const QPixmap& picture) {
    QImage pixels = picture.toImage();
    pixels.setDevicePixelRatio(1);
    QImage flat(pixels.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter(&flat).drawImage(0, 0, pixels);
    return flat;
}

class AboutBoxAtRatioTwo : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(QGuiApplication::primaryScreen()->devicePixelRatio(), 2) << "QT_SCALE_FACTOR=2 expected";
    }
    TDialogTestEnvironment Environment;
};

TEST_F(AboutBoxAtRatioTwo, PicturesAreMadeInDevicePixelsAndAnewForAnotherRatio) {
    TAboutBox box;
    EXPECT_EQ(box.PictureRatio(), 2);
    const QPixmap title = Child<QLabel>(box, "titleImage")->pixmap();
    EXPECT_EQ(title.size(), QSize(320, 64));
    EXPECT_EQ(title.devicePixelRatio(), 2);
    EXPECT_GT(SharpBlocks(OnWhite(title)), 50);
    const QPixmap page = Child<QLabel>(box, "pagePicture")->pixmap();
    EXPECT_EQ(page.size(), QSize(112, 112));
    EXPECT_EQ(page.devicePixelRatio(), 2);
    EXPECT_EQ(Child<QLabel>(box, "iconImage")->pixmap().deviceIndependentSize(), QSizeF(32, 32));

    // The whole box as painted: the device frames, the rounded shape's corner left white.
    const QImage shown = OnWhite(box.grab());
    ASSERT_EQ(shown.size(), QSize(494, 444));
    EXPECT_EQ(shown.pixel(0, 222) & 0xFFFFFF, 0u);
    EXPECT_EQ(shown.pixel(3, 222) & 0xFFFFFF, 0u);
    EXPECT_EQ(shown.pixel(4, 222) & 0xFFFFFF, 0xFFFFFFu);

    box.FollowDevicePixelRatio(1.5);
    EXPECT_EQ(box.PictureRatio(), 1.5);
    EXPECT_EQ(Child<QLabel>(box, "titleImage")->pixmap().size(), QSize(240, 48));
    box.FollowDevicePixelRatio(1);
    EXPECT_EQ(Child<QLabel>(box, "titleImage")->pixmap().size(), QSize(160, 32));
    EXPECT_EQ(Child<QLabel>(box, "pagePicture")->pixmap().size(), QSize(56, 56));
}

// The link is text that Qt draws at the device resolution, its underline included.
TEST_F(AboutBoxAtRatioTwo, TheLinkIsDrawnAtTheDeviceResolution) {
    TLinkLabel label;
    label.SetCaption("vellomar.example");
    label.resize(148, 14);
    QFont face = label.font();
    face.setUnderline(true);
    label.setFont(face);
    const QImage shown = OnWhite(label.grab());
    ASSERT_EQ(shown.size(), QSize(296, 28));
    EXPECT_GT(SharpBlocks(shown), 20);
}

}  // namespace
