#include <QApplication>
#include <QEnterEvent>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

#include "DialogTestEnvironment.h"
#include "graphics/Bitmap.h"
#include "graphics/GraphicWork.h"
#include "storage/FileUtils.h"
#include "storage/Geometry.h"
#include "storage/Text.h"
#include "ui/AboutBox.h"
#include "ui/DialogSupport.h"
#include "ui/LinkLabel.h"
#include "ui/WindowBehaviour.h"

namespace {

class LinkLabel : public ::testing::Test {
protected:
    LinkLabel() {
        SetShellOpenHandler([this](const std::string& target) { Opened.push_back(target); });
    }
    ~LinkLabel() override { SetShellOpenHandler(nullptr); }

    TTemporaryFolder Folder;
    std::vector<std::string> Opened;
};

// What the caption shows and what a click opens, for each kind of target.
TEST_F(LinkLabel, ShowsAndOpensEachKindOfTarget) {
    const std::string folder = Folder.Path().string() + "/" + std::string("表ソ");
    std::filesystem::create_directories(std::string(folder));
    const std::string file = folder + "/" + std::string("メモ.txt");
    std::ofstream(std::string(file)) << "x";
    const struct {
        std::string Caption;
        std::string LinkURL;
        std::string Shown;
        std::string Opened;
    } cases[] = {
        {"page", file, std::string("メモ.txt"), file},
        {"page", folder, Folder.Path().string(), folder},
        {"page", "https://example.org/a", "page", "https://example.org/a"},
        {"someone@example.org", "", "someone@example.org", "mailto:someone@example.org"},
        {"http://example.org/", "", "http://example.org/", "http://example.org/"},
        {"page", "/no/such/file", "page", "mailto:/no/such/file"},
    };
    for (const auto& c : cases) {
        Opened.clear();
        TLinkLabel label;
        label.SetCaption(c.Caption);
        if (!c.LinkURL.empty())
            label.SetLinkURL(c.LinkURL);
        EXPECT_EQ(label.Caption(), c.Shown) << c.LinkURL;
        label.resize(200, 14);
        QTest::mouseClick(&label, Qt::LeftButton);
        EXPECT_EQ(Opened, std::vector<std::string>{c.Opened}) << c.LinkURL;
    }
}

TEST_F(LinkLabel, UnderlinedOnlyWhileTheMouseIsOver) {
    TLinkLabel label;
    label.SetCaption("page");
    int clicks = 0;
    label.OnClick = [&] { ++clicks; };
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(&label, &enter);
    EXPECT_TRUE(label.font().underline());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&label, &leave);
    EXPECT_FALSE(label.font().underline());
    EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
    label.resize(100, 14);
    QTest::mousePress(&label, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(150, 5));  // released outside: no click
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(Opened.empty());
}

int DarkPixels(const TBitmap& bitmap) {
    int dark = 0;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            dark += (bitmap.Pixel(x, y) & 0xFF) < 0x80;
    return dark;
}

TEST(AboutBox, TheTitleIsDrawnInTheFaceThatSuitsTheProductName) {
    const struct {
        std::string Name;
        std::string Face;
        int Height;
    } cases[] = {
        {std::string("日めくり暦"), std::string("HGP創英角ｺﾞｼｯｸUB"), -40},
        {"Quillo", "Arial Black", -64},
    };
    for (const auto& c : cases) {
        TFont used;
        const TBitmap title = TAboutBox::DrawTitle(c.Name, &used);
        EXPECT_EQ(used.Name, c.Face);
        EXPECT_EQ(used.Height, c.Height);
        EXPECT_EQ(title.Width(), 160);
        EXPECT_EQ(title.Height(), 32);
        EXPECT_GT(DarkPixels(title), 100) << c.Face;  // the text is there, at half size
        EXPECT_EQ(title.Pixel(159, 31) & 0xFFFFFF, 0xFFFFFF);
    }
}

TEST(AboutBox, FramesAreDrawnAroundTheBoxAndBelowTheTitle) {
    const QImage frames = TAboutBox::FrameImage(247, 222);
    EXPECT_EQ(frames.pixel(120, 0) & 0xFFFFFF, 0x000000u);    // outer black frame
    EXPECT_EQ(frames.pixel(120, 32) & 0xFFFFFF, 0x808080u);   // the inner frame's top edge
    EXPECT_EQ(frames.pixel(120, 216) & 0xFFFFFF, 0x808080u);  // and its bottom edge (H − 5 − 1)
    EXPECT_EQ(frames.pixel(120, 100) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(frames.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);  // the rounded corner leaves the corner out
}

TEST(AboutBox, TheTitleIsDrawnAtTheDeviceSizeOfEachRatio) {
    const TBitmap doubled = TAboutBox::DrawTitle("Quillo", nullptr, 2);
    ASSERT_EQ(doubled.Width(), 320);
    ASSERT_EQ(doubled.Height(), 64);
    // At 2 the drawing at twice the size as it is: halving it gives the title of ratio 1.
    TBitmap halved = doubled;
    HalveBitmap(halved);
    halved.SetSize(160, 32);
    const TBitmap single = TAboutBox::DrawTitle("Quillo");
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 160; ++x)
            ASSERT_EQ(halved.Pixel(x, y), single.Pixel(x, y)) << x << "," << y;
    const struct {
        double Ratio;
        int Width, Height;
        int FontHeight;
    } cases[] = {{1.5, 240, 48, -64}, {3, 480, 96, -96}, {0, 160, 32, -64}, {100, 160, 32, -64}};
    for (const auto& c : cases) {
        TFont used;
        const TBitmap title = TAboutBox::DrawTitle("Quillo", &used, c.Ratio);
        EXPECT_EQ(title.Width(), c.Width) << c.Ratio;
        EXPECT_EQ(title.Height(), c.Height) << c.Ratio;
        EXPECT_EQ(used.Height, c.FontHeight) << c.Ratio;
        EXPECT_GT(DarkPixels(title), 100 * c.Width / 160) << c.Ratio;
    }
}

// At each ratio the frames are lines of DeviceLength(1) device pixels, the outer one on the
// edge of the rounded shape (MakeDeviceRoundRegion): every pixel outside the shape is white,
// the first and the last pixel of each row inside it black.
TEST(AboutBox, FramesAtEveryRatioAreOneLogicalPixelWideAndFollowTheRoundedShape) {
    for (double ratio : {1.0, 1.5, 2.0}) {
        SCOPED_TRACE(ratio);
        const QImage frames = TAboutBox::FrameImage(247, 222, ratio);
        const int width = DeviceLength(247, ratio), height = DeviceLength(222, ratio), line = DeviceLength(1, ratio);
        ASSERT_EQ(frames.size(), QSize(width, height));
        const QRegion shape = MakeDeviceRoundRegion(247, 222, true, ratio);
        ASSERT_EQ(shape.boundingRect(), QRect(0, 0, width, height));
        for (int y = 0; y < height; ++y) {
            int first = -1, last = -1;
            for (int x = 0; x < width; ++x) {
                if (!shape.contains(QPoint(x, y))) {
                    ASSERT_EQ(frames.pixel(x, y) & 0xFFFFFF, 0xFFFFFFu) << x << "," << y;
                    continue;
                }
                first = first < 0 ? x : first;
                last = x;
            }
            ASSERT_GE(first, 0);
            ASSERT_EQ(frames.pixel(first, y) & 0xFFFFFF, 0u) << first << "," << y;
            ASSERT_EQ(frames.pixel(last, y) & 0xFFFFFF, 0u) << last << "," << y;
        }
        // Across the middle: the outer and the inner black frame, then white, and the grey
        // frame round the lower part, each line as wide on the right as on the left.
        const int middle = height / 2;
        auto colorAt = [&](int x) { return frames.pixel(x, middle) & 0xFFFFFF; };
        for (int x = 0; x < 2 * line; ++x) {
            EXPECT_EQ(colorAt(x), 0u) << x;
            EXPECT_EQ(colorAt(width - 1 - x), 0u) << x;
        }
        EXPECT_EQ(colorAt(2 * line), 0xFFFFFFu);
        int greyLeft = 0, greyRight = 0;
        for (int x = 0; x < width / 2; ++x) {
            greyLeft += colorAt(x) == 0x808080;
            greyRight += colorAt(width - 1 - x) == 0x808080;
        }
        EXPECT_EQ(greyLeft, line);
        EXPECT_EQ(greyRight, line);
        EXPECT_EQ(frames.pixel(width / 2, DeviceLength(32, ratio)) & 0xFFFFFF, 0x808080u);
    }
}

TEST(AboutBox, ShowsTheProgramsNamesAndLinksToItsPage) {
    TDialogTestEnvironment environment;
    TAboutBox box;
    EXPECT_EQ(box.height(), 222);
    EXPECT_EQ(box.height() - Child<QPushButton>(box, "closeButton")->geometry().bottom() - 1, 12);
    EXPECT_LE(Child<QLabel>(box, "infoLabel")->geometry().bottom(), Child<QPushButton>(box, "closeButton")->y());
    EXPECT_EQ(Child<QLabel>(box, "fileNameLabel")->text(), QtText("ExeName " + AppGlobals().ExeName()));
    EXPECT_EQ(Child<QLabel>(box, "versionLabel")->text(), QtText("Version " + AppGlobals().FileVersion()));
    EXPECT_EQ(Child<TLinkLabel>(box, "informationLink")->LinkURL(),
              TAboutBox::InformationAddress(AppGlobals().InternalName()));
    EXPECT_NE(Child<TLinkLabel>(box, "informationLink")
                  ->LinkURL()
                  .find("information.php?name=" + AsciiLowerCase(AppGlobals().InternalName())),
              std::string::npos);
    EXPECT_FALSE(Child<QLabel>(box, "titleImage")->pixmap().isNull());
    EXPECT_TRUE(box.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(box.windowFlags() & Qt::FramelessWindowHint);
    box.show();
    QTest::mouseClick(Child<QPushButton>(box, "closeButton"), Qt::LeftButton);
    EXPECT_FALSE(box.isVisible());
}

}  // namespace
