// The custom button's look: the setters' repaint and recapture rules, the shape, the
// background, the state frame, the caption at double size and halved, the bevel passes,
// the window glyphs, the face images and the painting onto a window image.

#include <algorithm>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "BitmapTestSupport.h"
#include "graphics/ButtonPainter.h"
#include "graphics/GraphicSource.h"
#include "storage/Text.h"

namespace {

constexpr uint32_t White = 0xFFFFFF;
constexpr uint32_t Grey = 0x808080;

// A composed drawing of the given size, without a window image behind it.
struct TComposed {
    TButtonPainter Draw;
    TComposed(int width, int height, const std::function<void(TButtonPainter&)>& setUp = {}) {
        Draw.SetBounds(0, 0, width, height);
        if (setUp)
            setUp(Draw);
    }
    const TBitmap& Face(TButtonState state = TButtonState::Normal) {
        Draw.SetState(state);
        Draw.Compose(nullptr);
        return Draw.FaceBitmap();
    }
};

bool SameImage(const TBitmap& a, const TBitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y))
                return false;
    return true;
}

// Smallest box (right, bottom exclusive) of the pixels of exactly colour inside area.
TRect InkBounds(const TBitmap& bitmap, uint32_t color, const TRect& area) {
    TRect box{area.Right, area.Bottom, area.Left, area.Top};
    for (int y = area.Top; y < area.Bottom; ++y)
        for (int x = area.Left; x < area.Right; ++x)
            if (bitmap.Pixel(x, y) == color) {
                box.Left = std::min(box.Left, x), box.Top = std::min(box.Top, y);
                box.Right = std::max(box.Right, x + 1), box.Bottom = std::max(box.Bottom, y + 1);
            }
    return box;
}

TEST(ButtonCaptionText, LinesPrefixAndAccelerator) {
    const std::string so = std::string("ソ");  // second byte is "\"
    struct TCase {
        std::string Caption;
        std::vector<std::string> Lines;
        std::string Shown;
        char Accelerator;
    };
    const TCase cases[] = {
        {"MENU", {"MENU"}, "MENU", 0},
        {"AB\\CD", {"AB", "CD"}, "AB\\CD", 0},
        {"\\", {"", ""}, "\\", 0},
        {so + "\\x", {so, "x"}, so + "\\x", 0},
        {"&File", {"&File"}, "File", 'F'},
        {"e&xit", {"e&xit"}, "exit", 'X'},
        {"a&&b", {"a&&b"}, "a&b", 0},
        {"a&&&b", {"a&&&b"}, "a&b", 'B'},
        {so + "&q", {so + "&q"}, so + "q", 'Q'},
        {"end&", {"end&"}, "end", 0},
        {"&" + so, {"&" + so}, so, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Caption);
        EXPECT_EQ(CaptionLines(c.Caption), c.Lines);
        EXPECT_EQ(CaptionWithoutPrefix(c.Caption), c.Shown);
        EXPECT_EQ(CaptionAccelerator(c.Caption), c.Accelerator);
    }
}

TEST(ButtonSettings, RepaintAndRecaptureRules) {
    struct TCase {
        const char* Change;
        std::function<void(TButtonPainter&)> Apply;
        int Repaints;
        bool Recaptures;
    };
    TFont otherFont;
    otherFont.Height = -20;
    const TCase cases[] = {
        {"face colour", [](TButtonPainter& d) { d.SetColor(0x123456); }, 1, true},
        {"back colour", [](TButtonPainter& d) { d.SetBackColor(0x123456); }, 1, true},
        {"style", [](TButtonPainter& d) { d.SetStyle(TButtonShape::Circle); }, 1, true},
        {"square", [](TButtonPainter& d) { d.SetSquare(true); }, 1, true},
        {"hover colour", [](TButtonPainter& d) { d.SetColorOver(0x123456); }, 1, false},
        {"flat", [](TButtonPainter& d) { d.SetFlat(true); }, 1, false},
        {"caption", [](TButtonPainter& d) { d.SetCaption("OK"); }, 1, false},
        {"font", [&](TButtonPainter& d) { d.SetFont(otherFont); }, 1, false},
        {"frame switch", [](TButtonPainter& d) { d.SetOverDrawAlpha(0); }, 0, false},
        {"mono faces", [](TButtonPainter& d) { d.SetFaceMonoColor(true); }, 0, false},
        {"same colour", [](TButtonPainter& d) { d.SetColor(White); }, 0, false},
        {"same font", [](TButtonPainter& d) { d.SetFont(TFont{}); }, 0, false},
        {"state", [](TButtonPainter& d) { d.SetState(TButtonState::Hover); }, 0, false},
        {"bounds", [](TButtonPainter& d) { d.SetBounds(1, 1, 20, 20); }, 0, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Change);
        TComposed composed(20, 20);
        composed.Face();
        int repaints = 0;
        composed.Draw.OnChanged = [&] { ++repaints; };
        c.Apply(composed.Draw);
        EXPECT_EQ(repaints, c.Repaints);
        EXPECT_EQ(!composed.Draw.BackgroundReady(), c.Recaptures);
        bool needsCompose = c.Repaints > 0 || c.Recaptures || std::string(c.Change) == "state";
        EXPECT_EQ(composed.Draw.Dirty(), needsCompose);
    }
}

TEST(ButtonShape, SquareAndRegion) {
    struct TCase {
        int Width, Height;
        bool Square;
        TButtonShape Style;
        TRect Shape;   // work coordinates
        QRect Region;  // bounds of the clipping region, button coordinates
    };
    const TCase cases[] = {
        {40, 20, false, TButtonShape::Box, {0, 0, 80, 40}, QRect(0, 0, 40, 20)},
        {40, 20, true, TButtonShape::Box, {20, 0, 60, 40}, QRect(10, 0, 20, 20)},
        {20, 40, true, TButtonShape::Box, {0, 20, 40, 60}, QRect(0, 10, 20, 20)},
        {21, 20, true, TButtonShape::Box, {1, 0, 41, 40}, QRect(0, 0, 20, 20)},
        {20, 20, false, TButtonShape::Circle, {0, 0, 40, 40}, QRect(-1, -1, 23, 23)},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Width << "x" << c.Height << (c.Square ? " square" : ""));
        TComposed composed(c.Width, c.Height, [&](TButtonPainter& d) {
            d.SetStyle(c.Style);
            d.SetSquare(c.Square);
            d.SetRegion(true);
        });
        EXPECT_EQ(composed.Draw.ShapeRect(), c.Shape);
        ASSERT_NE(composed.Draw.RegionShape(), nullptr);
        QRect bounds = composed.Draw.RegionShape()->Handle().boundingRect();
        EXPECT_NEAR(bounds.left(), c.Region.left(), 1);
        EXPECT_NEAR(bounds.right(), c.Region.right(), 1);
        EXPECT_NEAR(bounds.top(), c.Region.top(), 1);
        EXPECT_NEAR(bounds.bottom(), c.Region.bottom(), 1);
    }
    TComposed plain(20, 20, [](TButtonPainter& d) {
        d.SetRegion(true);
        d.SetRegion(false);
    });
    EXPECT_EQ(plain.Draw.RegionShape(), nullptr);
}

TEST(ButtonBackground, TransparentButtonTakesTheWindowImage) {
    TBitmap window = MakeBitmap(60, 40, TPixelFormat::Bits32, [](int x, int y) {
        return TPixel{uint8_t(x * 4), uint8_t(y * 6), 90, 255};
    });
    struct TCase {
        const char* Situation;
        uint32_t Color;
        bool CentreFromWindow;
    };
    const TCase cases[] = {
        {"no face colour", 0x00FF00, true},
        {"a face colour on the window image", 0x0000FF, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Situation);
        TButtonPainter draw;
        draw.SetBounds(10, 8, 20, 20);
        draw.SetBackColor(0x00FF00);
        draw.SetColor(c.Color);
        draw.SetTransParent(true);
        draw.CaptureBackground(&window);
        const TBitmap& base = draw.BaseBitmap();
        // Around the shape the window shows through in both cases.
        EXPECT_EQ(base.Pixel(0, 0), window.Pixel(10, 8));
        EXPECT_EQ(base.Pixel(19, 19), window.Pixel(29, 27));
        EXPECT_EQ(base.Pixel(10, 10) == window.Pixel(20, 18), c.CentreFromWindow);
        if (!c.CentreFromWindow) {
            EXPECT_EQ(base.Pixel(10, 10), c.Color);
        }
    }
    TButtonPainter noImage;
    noImage.SetBounds(10, 8, 20, 20);
    noImage.SetBackColor(0x00FF00);
    noImage.SetTransParent(true);
    noImage.CaptureBackground(nullptr);
    EXPECT_EQ(noImage.BaseBitmap().Pixel(0, 0), 0x00FF00) << "without an image the back colour stands in";
}

TEST(ButtonStateFrame, HoverPressedAndFocusFrames) {
    // A plain white 40 × 40 box: the frame lies 2 to 5.5 pixels inside the edge.
    const TPoint frameLeft{3, 20}, frameBottomRight{35, 35}, frameTopLeft{3, 3}, centre{20, 20};
    TComposed plain(40, 40);
    TBitmap normal = plain.Face(TButtonState::Normal);
    EXPECT_EQ(normal.Pixel(frameLeft.X, frameLeft.Y), White);
    EXPECT_EQ(normal.Pixel(centre.X, centre.Y), White);

    TBitmap hover = plain.Face(TButtonState::Hover);  // $60A0FF multiplied on: red stays, blue drops most
    TPixel h = PixelAt(hover, frameLeft.X, frameLeft.Y);
    EXPECT_EQ(h.R, 255);
    EXPECT_LT(h.G, 255);
    EXPECT_LT(h.B, h.G);
    EXPECT_EQ(hover.Pixel(centre.X, centre.Y), White);
    EXPECT_LT(PixelAt(hover, frameBottomRight.X, frameBottomRight.Y).B,
              PixelAt(hover, frameTopLeft.X, frameTopLeft.Y).B)
        << "the frame is strongest at the bottom right";

    TBitmap focus = plain.Face(TButtonState::Focus);  // $FFA080: blue stays, red drops
    TPixel f = PixelAt(focus, frameLeft.X, frameLeft.Y);
    EXPECT_EQ(f.B, 255);
    EXPECT_LT(f.R, f.G);

    TBitmap pressed = plain.Face(TButtonState::Pressed);  // inside: white mixed 200:55 with black, partly
    TPixel inside = PixelAt(pressed, centre.X, centre.Y);
    EXPECT_TRUE(inside.R == inside.G && inside.G == inside.B);
    EXPECT_GE(inside.R, 200);
    EXPECT_LT(inside.R, 255);
    EXPECT_LT(PixelAt(pressed, frameLeft.X, frameLeft.Y).G, h.G);

    const TBitmap& disabled = plain.Face(TButtonState::Disabled);  // no frame, as in the normal state
    EXPECT_EQ(disabled.Pixel(frameLeft.X, frameLeft.Y), White);
    EXPECT_EQ(disabled.Pixel(frameBottomRight.X, frameBottomRight.Y),
              normal.Pixel(frameBottomRight.X, frameBottomRight.Y));
}

TEST(ButtonStateFrame, FrameSwitchIsOnOrOff) {
    struct TCase {
        int Alpha;
        bool FrameDrawn;
    };
    TComposed reference(40, 40);
    TBitmap framed = reference.Face(TButtonState::Hover);
    TBitmap unframed = reference.Face(TButtonState::Normal);
    for (TCase c : {TCase{0, false}, TCase{1, true}, TCase{128, true}, TCase{255, true}}) {
        SCOPED_TRACE(c.Alpha);
        TComposed composed(40, 40, [&](TButtonPainter& d) { d.SetOverDrawAlpha(c.Alpha); });
        const TBitmap& face = composed.Face(TButtonState::Hover);
        EXPECT_TRUE(SameImage(face, c.FrameDrawn ? framed : unframed));
        EXPECT_TRUE(SameImage(composed.Face(TButtonState::Pressed),
                              c.FrameDrawn ? reference.Face(TButtonState::Pressed) : unframed));
    }
}

TEST(ButtonBevel, ShadowAndHighlightPasses) {
    // A grey box on grey: the state frame touches neither edge column, so these pixels show
    // the passes alone. Column 0: the shadow line at work column 1 (grey $80, half covered);
    // column 1: the outline at work column 3 (white, half covered); column 19: the highlight
    // line at work column 39 (grey $80, half covered).
    struct TCase {
        bool Flat;
        TButtonState State;
        int X;
        int Expected;  // every channel
    };
    const TCase cases[] = {
        {false, TButtonState::Normal, 0, 128 * 191 / 255},
        {false, TButtonState::Normal, 1, 128 * 128 / 255},
        {false, TButtonState::Normal, 19, (128 * 191 + 64 * 255) / 255},
        {false, TButtonState::Disabled, 0, (128 * 191 + 64 * 0x60) / 255},
        {false, TButtonState::Disabled, 1, (128 * 128 + 127 * 0x60) / 255},
        {false, TButtonState::Disabled, 19, (128 * 191 + 64 * 0xC0) / 255},
        {true, TButtonState::Normal, 0, 128},
        {true, TButtonState::Normal, 1, 128 * 128 / 255},
        {true, TButtonState::Normal, 19, 128},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.Flat ? "flat" : "raised") << " state " << static_cast<int>(c.State)
                                        << " x " << c.X);
        TComposed composed(20, 20, [&](TButtonPainter& d) {
            d.SetColor(Grey);
            d.SetBackColor(Grey);
            d.SetFlat(c.Flat);
        });
        EXPECT_EQ(composed.Face(c.State).Pixel(c.X, 10), RGB(c.Expected, c.Expected, c.Expected));
    }
}

TEST(ButtonCaption, LinesAreCentredBands) {
    struct TCase {
        const char* Caption;
        bool Antialiased;
        int Bands;
    };
    const TCase cases[] = {
        {"ABCD", true, 1}, {"AB\\CD", true, 2}, {"ABCD", false, 1}, {"AB\\CD", false, 2}, {"A\\B\\C", true, 3},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Caption << (c.Antialiased ? " smooth" : " plain"));
        TComposed composed(60, 48, [&](TButtonPainter& d) {
            d.SetFont({"Arial", -10, 0x000000, true});
            d.SetTextAntialiasing(c.Antialiased);
            d.SetCaption(c.Caption);
        });
        const TBitmap& face = composed.Face();
        int bands = 0, top = -1, bottom = -1, left = 60, right = 0;
        bool inBand = false;
        for (int y = 6; y < 42; ++y) {
            bool ink = false;
            for (int x = 6; x < 54; ++x)
                if (PixelAt(face, x, y).G < 128) {
                    ink = true;
                    left = std::min(left, x), right = std::max(right, x + 1);
                }
            if (ink && !inBand)
                ++bands;
            if (ink) {
                top = top < 0 ? y : top;
                bottom = y + 1;
            }
            inBand = ink;
        }
        EXPECT_EQ(bands, c.Bands);
        EXPECT_NEAR((left + right) / 2.0, 30, 2.5) << "centred across";
        EXPECT_NEAR((top + bottom) / 2.0, 24, 2.5) << "centred down";
    }
}

TEST(ButtonCaption, DoubleSizeAndHalvedGivesSoftEdges) {
    auto softPixels = [](bool antialiased) {
        TComposed composed(60, 30, [&](TButtonPainter& d) {
            d.SetFont({"Arial", -12, 0x000000, false});
            d.SetTextAntialiasing(antialiased);
            d.SetCaption("MENU");
        });
        const TBitmap& face = composed.Face();
        int soft = 0, ink = 0;
        for (int y = 6; y < 24; ++y)
            for (int x = 6; x < 54; ++x) {
                int g = PixelAt(face, x, y).G;
                soft += g > 0 && g < 255;
                ink += g == 0;
            }
        return std::pair{soft, ink};
    };
    auto [smoothSoft, smoothInk] = softPixels(true);
    auto [plainSoft, plainInk] = softPixels(false);
    EXPECT_GT(smoothSoft, 10);
    EXPECT_EQ(plainSoft, 0) << "plain text is drawn in the font colour or not at all";
    EXPECT_GT(plainInk, 20);
    EXPECT_GT(smoothSoft + smoothInk, plainInk / 2) << "the halved caption has the same size";
}

TEST(ButtonCaption, DisabledCaptionIsGrey) {
    const uint32_t fontColor = 0x2040A0;
    auto darkest = [&](TButtonState state) {
        TComposed composed(60, 30, [&](TButtonPainter& d) {
            d.SetFont({"Arial", -14, fontColor, true});
            d.SetTextAntialiasing(false);
            d.SetCaption("HH");
        });
        const TBitmap& face = composed.Face(state);
        TPixel best{255, 255, 255, 255};
        for (int y = 6; y < 24; ++y)
            for (int x = 6; x < 54; ++x) {
                TPixel p = PixelAt(face, x, y);
                if (p.R + p.G + p.B < best.R + best.G + best.B)
                    best = p;
            }
        return best;
    };
    TPixel normal = darkest(TButtonState::Normal);
    EXPECT_EQ(RGB(normal.R, normal.G, normal.B), fontColor);
    // The mask is $DF when disabled and the colour GrayTone(font colour) = $A0A0A0.
    TPixel disabled = darkest(TButtonState::Disabled);
    int grey = (32 * 255 + 223 * 0xA0) / 255;
    EXPECT_EQ(RGB(disabled.R, disabled.G, disabled.B), RGB(grey, grey, grey));
}

TEST(ButtonCaption, WindowGlyphsAreShapes) {
    struct TCase {
        const char* Caption;
        int InkWidth, InkHeight;
    };
    const uint32_t red = 0x0000FF;
    for (TCase c : {TCase{"r", 8, 7}, TCase{"0", 6, 2}}) {
        SCOPED_TRACE(c.Caption);
        TComposed composed(20, 20, [&](TButtonPainter& d) {
            d.SetFont({"Marlett", -12, red, false});
            d.SetTextAntialiasing(false);
            d.SetCaption(c.Caption);
        });
        const TBitmap& face = composed.Face();
        TRect ink = InkBounds(face, red, {0, 0, 20, 20});
        EXPECT_EQ(ink.Width(), c.InkWidth);
        EXPECT_EQ(ink.Height(), c.InkHeight);
        EXPECT_NEAR((ink.Left + ink.Right) / 2.0, 10, 1) << "centred";
        for (int y = ink.Top; y < ink.Bottom; ++y)
            for (int x = ink.Left; x < ink.Right; ++x)
                EXPECT_EQ(face.Pixel(x, y) == red, face.Pixel(ink.Left + ink.Right - 1 - x, y) == red)
                    << "mirror-symmetric at " << x << "," << y;
    }
    TComposed cross(20, 20, [&](TButtonPainter& d) {
        d.SetFont({"Marlett", -12, red, false});
        d.SetTextAntialiasing(false);
        d.SetCaption("r");
    });
    const TBitmap& face = cross.Face();
    TRect ink = InkBounds(face, red, {0, 0, 20, 20});
    EXPECT_EQ(face.Pixel(ink.Left, ink.Top), red);
    EXPECT_EQ(face.Pixel(ink.Left, ink.Bottom - 1), red);
    EXPECT_NE(face.Pixel(ink.Left, ink.Top + 3), red) << "a cross, not a box";
}

struct TFaceImages : ::testing::Test {
    std::unique_ptr<TGraphicSource> Previous;
    void SetUp() override { Previous = ReplaceGraphicSource(std::make_unique<TGraphicSource>("/nonexistent-folder/")); }
    void TearDown() override { ReplaceGraphicSource(std::move(Previous)); }
};

TEST_F(TFaceImages, StateChoosesTheImage) {
    const std::string red = "\\6,6,$0000FF,32", green = "\\6,6,$00FF00,32", blue = "\\6,6,$FF0000,32";
    struct TCase {
        const char* Situation;
        std::string Flat, Over, Down;
        bool Mono;
        TButtonState State;
        uint32_t Centre;
    };
    const TCase cases[] = {
        {"normal", red, green, blue, false, TButtonState::Normal, 0x0000FF},
        {"hover", red, green, blue, false, TButtonState::Hover, 0x00FF00},
        {"pressed", red, green, blue, false, TButtonState::Pressed, 0xFF0000},
        {"hover without its image", red, "", "", false, TButtonState::Hover, 0x0000FF},
        {"pressed without its image", red, "", "", false, TButtonState::Pressed, 0x0000FF},
        {"no normal image", "", green, blue, false, TButtonState::Hover, White},
        {"unknown name", "nosuch-face", "", "", false, TButtonState::Normal, White},
        {"24-bit image of one colour is all key", "\\6,6,$0000FF,24", "", "", false, TButtonState::Normal, White},
        {"mono colour", red, "", "", true, TButtonState::Normal, 0x804020},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Situation);
        TComposed composed(20, 20, [&](TButtonPainter& d) {
            d.SetFont({"Arial", -10, 0x804020, false});
            d.SetOverDrawAlpha(0);  // the state frame would tint the images
            d.SetFaceFlat(c.Flat);
            d.SetFaceOver(c.Over);
            d.SetFaceDown(c.Down);
            d.SetFaceMonoColor(c.Mono);
        });
        const TBitmap& face = composed.Face(c.State);
        EXPECT_EQ(face.Pixel(10, 10), c.Centre);
        EXPECT_EQ(face.Pixel(7, 7), face.Pixel(12, 12)) << "centred";
        EXPECT_EQ(face.Pixel(6, 6) == face.Pixel(7, 7), c.Centre == White);
    }
}

TEST(ButtonPaint, CopiesTheFaceInsideItsRegion) {
    struct TCase {
        bool Region;
        TButtonShape Style;
        bool CornerCovered;
    };
    for (TCase c : {TCase{false, TButtonShape::Circle, true}, TCase{true, TButtonShape::Circle, false},
                    TCase{true, TButtonShape::Box, true}}) {
        SCOPED_TRACE(testing::Message() << c.Region << " " << int(c.Style));
        TBitmap window(50, 40, TPixelFormat::Bits32);
        FillBitmap32(window, 0xFF123456);
        TButtonPainter draw;
        draw.SetBounds(10, 5, 24, 24);
        draw.SetStyle(c.Style);
        draw.SetRegion(c.Region);
        draw.SetBackColor(0x00FF00);
        draw.Paint(window);
        EXPECT_EQ(window.Pixel(22, 17), draw.FaceBitmap().Pixel(12, 12));
        EXPECT_EQ(window.Pixel(10, 5) == draw.FaceBitmap().Pixel(0, 0), c.CornerCovered);
        EXPECT_EQ(window.Pixel(9, 5), 0x123456) << "nothing outside the button";
        EXPECT_EQ(window.Pixel(34, 29), 0x123456);
        EXPECT_FALSE(draw.Dirty());
    }
}

TEST(ButtonPaint, OddSizesAndSettingsStaySafe) {
    struct TCase {
        const char* Situation;
        int Width, Height;
        std::function<void(TButtonPainter&)> SetUp;
    };
    const TCase cases[] = {
        {"empty", 0, 0, {}},
        {"negative", -5, -3, {}},
        {"one pixel round", 1, 1, [](TButtonPainter& d) { d.SetStyle(TButtonShape::Circle); }},
        {"frame wider than the button", 10, 10, [](TButtonPainter& d) { d.SetFocusLineWidth(1000); }},
        {"negative frame", 10, 10, [](TButtonPainter& d) { d.SetFocusLineWidth(-1000); }},
        {"caption in a sliver", 3, 40, [](TButtonPainter& d) { d.SetCaption("WWWW\\WWWW\\WWWW"); }},
        {"square region of a line", 30, 1,
         [](TButtonPainter& d) {
             d.SetSquare(true);
             d.SetRegion(true);
         }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Situation);
        TBitmap window(20, 20, TPixelFormat::Bits32);
        TButtonPainter draw;
        draw.SetBounds(5, 5, c.Width, c.Height);
        if (c.SetUp)
            c.SetUp(draw);
        for (TButtonState state : {TButtonState::Normal, TButtonState::Hover, TButtonState::Focus,
                                   TButtonState::Pressed, TButtonState::Disabled}) {
            draw.SetState(state);
            draw.Paint(window);
        }
        EXPECT_FALSE(draw.Dirty());
        EXPECT_EQ(draw.FaceBitmap().Width(), std::max(0, c.Width));
    }
}

}  // namespace

// The face is made in device pixels for its scale: the size follows the scale (kept within
// 0 < scale <= MaxScale), a new scale recomposes without announcing a change, and the
// region, the place on a window image and the background read from it are scaled alike.
TEST(ButtonScale, TheFaceIsMadeInDevicePixels) {
    struct TCase {
        double Ratio, Scale;
        int Width, Height;
    };
    const TCase cases[] = {
        // clang-format off
        // ratio scale  face
        {1,      1,     30, 20},
        {1.5,    1.5,   45, 30},
        {2,      2,     60, 40},
        {3,      2,     60, 40},  // above MaxScale: the face of 2, enlarged by the screen
        {0,      1,     30, 20},
        {-2,     1,     30, 20},
        // clang-format on
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Ratio);
        TButtonPainter draw;
        int changes = 0;
        draw.OnChanged = [&changes] { ++changes; };
        draw.SetBounds(4, 6, 30, 20);
        draw.Compose(nullptr);
        draw.SetScale(c.Ratio);
        EXPECT_EQ(changes, 0);
        EXPECT_EQ(draw.Scale(), c.Scale);
        EXPECT_EQ(draw.Dirty(), c.Scale != 1);
        draw.Compose(nullptr);
        EXPECT_EQ(draw.FaceBitmap().Width(), c.Width);
        EXPECT_EQ(draw.FaceBitmap().Height(), c.Height);
        EXPECT_EQ(draw.Width(), 30);
        EXPECT_EQ(draw.Height(), 20);
    }

    TButtonPainter square;
    square.SetSquare(true);
    square.SetRegion(true);
    square.SetBounds(0, 0, 30, 20);
    const QRect logical = square.RegionShape()->Handle().boundingRect();
    square.SetScale(2);
    EXPECT_EQ(square.RegionShape()->Handle().boundingRect(),
              QRect(2 * logical.x(), 2 * logical.y(), 2 * logical.width(), 2 * logical.height()));

    // A window image at ratio 2: the button at logical (5, 4) lies at device (10, 8).
    TBitmap window = MakeBitmap(80, 60, TPixelFormat::Bits32, [](int x, int y) {
        return TPixel{uint8_t(x * 3), uint8_t(y * 4), 90, 255};
    });
    TButtonPainter onWindow;
    onWindow.SetBounds(5, 4, 20, 10);
    onWindow.SetScale(2);
    onWindow.SetBackColor(0x00FF00);
    onWindow.SetColor(0x00FF00);
    onWindow.SetTransParent(true);
    onWindow.CaptureBackground(&window);
    EXPECT_EQ(onWindow.BaseBitmap().Pixel(0, 0), window.Pixel(10, 8));
    EXPECT_EQ(onWindow.BaseBitmap().Pixel(39, 19), window.Pixel(49, 27));
    const TBitmap before = window;
    onWindow.Paint(window);
    EXPECT_EQ(window.Pixel(30, 18), onWindow.FaceBitmap().Pixel(20, 10));
    EXPECT_EQ(window.Pixel(9, 8), before.Pixel(9, 8)) << "nothing left of the button";
    EXPECT_EQ(window.Pixel(50, 18), before.Pixel(50, 18)) << "nothing right of it";
}

// At every scale the button looks the same, only finer: the face of scale 2 and of 1.5,
// brought down to the logical size with a box filter, matches the face of scale 1 nearly
// everywhere (a misplaced caption, bevel or frame would differ in a whole band). At 2 the
// double-size drawing is shown as it is: the bevel has full black where scale 1 has grey.
TEST(ButtonScale, EveryScaleShowsTheSameButton) {
    struct TCase {
        const char* Situation;
        std::function<void(TButtonPainter&)> SetUp;
        TButtonState State;
    };
    const TCase cases[] = {
        {"box with a smooth caption", [](TButtonPainter& d) { d.SetCaption("OK"); }, TButtonState::Normal},
        {"circle, hover",
         [](TButtonPainter& d) {
             d.SetStyle(TButtonShape::Circle);
             d.SetCaption("Go");
         },
         TButtonState::Hover},
        {"hard-edged close glyph",
         [](TButtonPainter& d) {
             d.SetTextAntialiasing(false);
             d.SetFont({"Marlett", -12, 0xA08060, false, false});
             d.SetCaption("r");
         },
         TButtonState::Pressed},
        {"hard-edged embossed text",
         [](TButtonPainter& d) {
             d.SetTextAntialiasing(false);
             d.SetTextEmboss(true);
             d.SetFont({"Arial", -10, 0xA08060, true, false});
             d.SetCaption("MENU");
         },
         TButtonState::Disabled},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Situation);
        TComposed plain(46, 20, c.SetUp);
        const TBitmap& reference = plain.Face(c.State);
        for (double scale : {1.5, 2.0}) {
            SCOPED_TRACE(scale);
            TComposed fine(46, 20, c.SetUp);
            fine.Draw.SetScale(scale);
            std::unique_ptr<TBitmap> reduced = ReduceBitmap(fine.Face(c.State), 46, 20);
            ASSERT_TRUE(reduced);
            int differing = 0;
            for (int y = 0; y < 20; ++y)
                for (int x = 0; x < 46; ++x) {
                    const uint32_t a = reference.Pixel(x, y), b = reduced->Pixel(x, y);
                    for (int shift : {0, 8, 16})
                        if (std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > 64) {
                            ++differing;
                            break;
                        }
                }
            EXPECT_LE(differing, 46 * 20 / 20) << "more than 5 % of the pixels differ";
        }
    }
    TComposed plain(30, 20), fine(30, 20);
    fine.Draw.SetScale(2);
    auto hasBlack = [](const TBitmap& face) {
        for (int y = 0; y < face.Height(); ++y)
            for (int x = 0; x < face.Width(); ++x)
                if ((face.Pixel(x, y) & 0xFFFFFF) == 0)
                    return true;
        return false;
    };
    EXPECT_FALSE(hasBlack(plain.Face()));
    EXPECT_TRUE(hasBlack(fine.Face()));
}
