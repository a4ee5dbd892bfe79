// The canvas: exact lines and frames, shapes through QPainter on the bitmap's own rows,
// fonts of the substitution table, and the aligned and vertical text helpers.

#include <gtest/gtest.h>

#include <QFont>

#include "BitmapTestSupport.h"
#include "graphics/Canvas.h"
#include "graphics/GraphicWork.h"
#include "storage/Text.h"

using enum TPixelFormat;

namespace {

constexpr uint32_t Ink = 0x3020F0;

TBitmap WhiteBitmap(int width, int height, TPixelFormat format = Bits32) {
    TBitmap b(width, height, format);
    b.Canvas().Pen.Color = Ink;
    b.Canvas().Font.Color = Ink;
    return b;
}

std::string Rows(std::initializer_list<const char*> rows) {
    std::string text;
    for (const char* row : rows)
        text += std::string(row) + "\n";
    return text;
}

int InkCount(const TBitmap& b) {
    int count = 0;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            count += b.Pixel(x, y) != 0xFFFFFF;
    return count;
}

bool SamePixels(const TBitmap& a, const TBitmap& b) {
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (!(PixelAt(a, x, y) == PixelAt(b, x, y)))
                return false;
    return true;
}

}  // namespace

TEST(RoundFrame, EveryCornerStyleIsPixelExact) {
    struct {
        int Corner;
        TRect Rect;
        std::string Expected;
    } const cases[] = {
        {0, {1, 1, 7, 5}, Rows({"........", ".######.", ".#....#.", ".#....#.", ".######.", "........"})},
        {7, {1, 1, 7, 5}, Rows({"........", ".#####..", ".#...#..", ".#####..", "........", "........"})},
        {-1, {0, 0, 4, 3}, Rows({"###.....", "###.....", "........", "........", "........", "........"})},
        {1, {0, 0, 8, 6}, Rows({".######.", "#......#", "#......#", "#......#", "#......#", ".######."})},
        {2, {0, 0, 8, 6}, Rows({"..####..", ".#....#.", "#......#", "#......#", ".#....#.", "..####.."})},
        // Cuts deeper than half the side cross over: the right edge runs up from row 3 to row 2.
        {3, {0, 0, 8, 6}, Rows({"...##...", "..#..#..", "##....##", "##....##", "..#..#..", "...##..."})},
    };
    for (const auto& c : cases) {
        TBitmap b = WhiteBitmap(8, 6);
        DrawRoundFrame(b.Canvas(), c.Rect, c.Corner);
        EXPECT_EQ(Picture(b, Ink), c.Expected) << "corner " << c.Corner;
        EXPECT_EQ(b.Canvas().Brush.Style, TBrushStyle::Clear);
    }
}

TEST(RoundFrame, FourPixelCornersOnEvenAndOddSizes) {
    TBitmap even = WhiteBitmap(16, 13);
    DrawRoundFrame(even.Canvas(), {1, 0, 15, 12}, 4);
    EXPECT_EQ(Picture(even, Ink), Rows({
                                      ".....######.....",
                                      "...##......##...",
                                      "..#..........#..",
                                      "..#..........#..",
                                      ".#............#.",
                                      ".#............#.",
                                      ".#............#.",
                                      ".#............#.",
                                      "..#..........#..",
                                      "..#..........#..",
                                      "...##......##...",
                                      ".....######.....",
                                      "................",
                                  }));
    // Odd width and height: the halves meet on one shared pixel.
    TBitmap odd = WhiteBitmap(13, 11, Bits24);
    DrawRoundFrame(odd.Canvas(), {0, 0, 13, 11}, 4);
    EXPECT_EQ(Picture(odd, Ink), Rows({
                                     "....#####....",
                                     "..##.....##..",
                                     ".#.........#.",
                                     ".#.........#.",
                                     "#...........#",
                                     "#...........#",
                                     "#...........#",
                                     ".#.........#.",
                                     ".#.........#.",
                                     "..##.....##..",
                                     "....#####....",
                                 }));
}

TEST(CanvasLines, LineToLeavesOutItsLastPixelAndMovesThePen) {
    struct {
        TPoint From, To;
        std::string Expected;
    } const cases[] = {
        {{0, 0}, {4, 0}, Rows({"####..", "......", "......", "......"})},
        {{5, 3}, {1, 3}, Rows({"......", "......", "......", "..####"})},
        {{0, 0}, {3, 3}, Rows({"#.....", ".#....", "..#...", "......"})},
        {{0, 0}, {5, 2}, Rows({"##....", "..##..", "....#.", "......"})},
        {{2, 2}, {2, 2}, Rows({"......", "......", "......", "......"})},
        {{-3, 1}, {9, 1}, Rows({"......", "######", "......", "......"})},
    };
    for (const auto& c : cases) {
        TBitmap b = WhiteBitmap(6, 4);
        b.Canvas().MoveTo(c.From.X, c.From.Y);
        b.Canvas().LineTo(c.To.X, c.To.Y);
        EXPECT_EQ(Picture(b, Ink), c.Expected) << c.From.X << "," << c.From.Y << " → " << c.To.X << "," << c.To.Y;
        EXPECT_EQ(b.Canvas().PenPos(), c.To);
    }
    TBitmap clear = WhiteBitmap(4, 4);
    clear.Canvas().Pen.Style = TPenStyle::Clear;
    clear.Canvas().LineTo(3, 3);
    EXPECT_EQ(InkCount(clear), 0);
    TBitmap wide = WhiteBitmap(12, 12);
    wide.Canvas().Pen.Width = 3;
    wide.Canvas().MoveTo(2, 6);
    wide.Canvas().LineTo(10, 6);
    EXPECT_EQ(wide.Pixel(6, 5), Ink);
    EXPECT_EQ(wide.Pixel(6, 7), Ink);
    EXPECT_EQ(wide.Pixel(6, 9), 0xFFFFFF);
}

TEST(CanvasShapes, RectanglesFillsAndEllipsesOnBothFormats) {
    for (TPixelFormat format : {Bits24, Bits32}) {
        TBitmap b = WhiteBitmap(7, 6, format);
        b.Canvas().Brush.Color = 0x00FF00;
        b.Canvas().Rectangle(1, 1, 6, 5);
        EXPECT_EQ(b.Pixel(1, 1), Ink);
        EXPECT_EQ(b.Pixel(5, 4), Ink);
        EXPECT_EQ(b.Pixel(2, 2), 0x00FF00);
        EXPECT_EQ(b.Pixel(6, 5), 0xFFFFFF);
        b.Canvas().FillRect({-3, -3, 2, 1});
        EXPECT_EQ(b.Pixel(0, 0), 0x00FF00);
        EXPECT_EQ(b.Pixel(2, 0), 0xFFFFFF);

        TBitmap round = WhiteBitmap(21, 21, format);
        round.Canvas().Brush.Color = 0xFF0000;
        round.Canvas().Ellipse(0, 0, 21, 21);
        EXPECT_EQ(round.Pixel(10, 10), 0xFF0000);
        EXPECT_EQ(round.Pixel(10, 0), Ink);
        EXPECT_EQ(round.Pixel(0, 10), Ink);
        EXPECT_EQ(round.Pixel(20, 10), Ink);
        EXPECT_EQ(round.Pixel(1, 1), 0xFFFFFF);
        EXPECT_EQ(round.PixelAlpha(1, 1), 255);
    }
}

TEST(CanvasShapes, ArcsRunCounterClockwiseBetweenTheirRays) {
    TBitmap b = WhiteBitmap(21, 21);
    // From the ray to the right round to the ray upwards: the upper right quarter only.
    b.Canvas().Arc(0, 0, 21, 21, 20, 10, 10, 0);
    auto inkIn = [&](int x0, int y0, int x1, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += b.Pixel(x, y) == Ink;
        return n;
    };
    EXPECT_GT(inkIn(12, 0, 21, 9), 5);
    EXPECT_EQ(inkIn(0, 12, 9, 21), 0);
    EXPECT_EQ(inkIn(0, 0, 9, 9), 0);
    EXPECT_EQ(inkIn(12, 12, 21, 21), 0);
    TBitmap full = WhiteBitmap(21, 21);
    full.Canvas().Arc(0, 0, 21, 21, 20, 10, 20, 10);
    EXPECT_EQ(full.Pixel(0, 10), Ink);
    EXPECT_EQ(full.Pixel(10, 20), Ink);
}

TEST(CanvasCopies, DrawAndCopyRectArePlainClippedCopies) {
    TBitmap source = MakeBitmap(3, 2, Bits32, [](int x, int y) {
        return TPixel{uint8_t(x), uint8_t(y), 9, uint8_t(10 + x)};
    });
    TBitmap rgb = MakeBitmap(3, 2, Bits24, [](int x, int y) { return TPixel{uint8_t(x), uint8_t(y), 8, 255}; });
    TBitmap target = WhiteBitmap(4, 4);
    target.Canvas().Draw(2, -1, source);
    EXPECT_EQ(PixelAt(target, 2, 0), (TPixel{0, 1, 9, 10}));
    EXPECT_EQ(PixelAt(target, 3, 0), (TPixel{1, 1, 9, 11}));
    EXPECT_EQ(PixelAt(target, 2, 1), (TPixel{255, 255, 255, 255}));
    target.Canvas().Draw(0, 2, rgb);
    EXPECT_EQ(PixelAt(target, 1, 3), (TPixel{1, 1, 8, 255}));
    TBitmap small = WhiteBitmap(2, 2, Bits24);
    small.Canvas().CopyRect({0, 0, 2, 2}, source, {1, 1, 3, 3});
    EXPECT_EQ(small.Pixel(0, 0), RGB(9, 1, 1));
    EXPECT_EQ(small.Pixel(1, 0), RGB(9, 1, 2));
    EXPECT_EQ(small.Pixel(0, 1), 0xFFFFFF);
}

TEST(Fonts, TheDesignFontsResolveToInstalledFaces) {
    struct {
        const char* Name;
        const char* Family;
        const char* Style;
        bool Bold;
    } const cases[] = {
        {"Impact", "Bebas Neue", "Regular", false},
        {"HG創英角ｺﾞｼｯｸUB", "Noto Sans CJK JP", "Black", false},
        {"HGP創英角ｺﾞｼｯｸUB", "Noto Sans CJK JP", "Black", false},
        {"ＭＳ Ｐゴシック", "IPAPGothic", "", false},
        {"ＭＳ ゴシック", "IPAGothic", "", false},
        {"arial", "Liberation Sans", "", false},
        {"Arial Black", "Liberation Sans", "", true},
        {"DejaVu Sans", "DejaVu Sans", "", false},
    };
    for (const auto& c : cases) {
        TFontFace face = ResolveFontFace(std::string(c.Name));
        EXPECT_EQ(face.Family, c.Family) << c.Name;
        EXPECT_EQ(face.Style, c.Style) << c.Name;
        EXPECT_EQ(face.Bold, c.Bold) << c.Name;
    }
    EXPECT_EQ(QFont::substitute(QString::fromUtf8("ＭＳ Ｐゴシック")).toLower(), QString("ipapgothic"));
    EXPECT_EQ(QFont::substitute("Impact").toLower(), QString("bebas neue"));
}

TEST(Fonts, StyledFacesAreTheHeavyOnes) {
    // "HG創英角ｺﾞｼｯｸUB" must come out as the Black face, "Impact" as Bebas Neue Regular, not its Book face.
    auto ink = [](const char* fontName, const char* text) {
        TBitmap b = WhiteBitmap(200, 60);
        b.Canvas().Font.Name = std::string(fontName);
        b.Canvas().Font.Height = -40;
        b.Canvas().Brush.Style = TBrushStyle::Clear;
        b.Canvas().TextOut(0, 0, std::string(text));
        return InkCount(b);
    };
    EXPECT_GT(ink("HG創英角ｺﾞｼｯｸUB", "日曜"), ink("Noto Sans CJK JP", "日曜") * 5 / 4);
    EXPECT_GT(ink("Impact", "2024"), ink("Bebas Neue", "2024"));
}

TEST(Fonts, HeightsFollowTheWindowsRule) {
    TBitmap b = WhiteBitmap(10, 10);
    b.Canvas().Font.Name = "Arial";
    b.Canvas().Font.Height = -40;
    int characterHeight = b.Canvas().TextHeight("X");
    EXPECT_GT(characterHeight, 40);  // the cell holds the character height and the leading
    EXPECT_LT(characterHeight, 60);
    b.Canvas().Font.Height = 40;
    EXPECT_LE(b.Canvas().TextHeight("X"), 40);
    EXPECT_GE(b.Canvas().TextHeight("X"), 36);
    int regular = b.Canvas().TextWidth("Wide text");
    b.Canvas().Font.Name = "Arial Black";
    EXPECT_GT(b.Canvas().TextWidth("Wide text"), regular);
}

TEST(Fonts, JapaneseFacesKeepTheirOneEmCellWhateverStandsInForThem) {
    // Vertical columns and centred memo lines step by this cell; the stand-in faces have
    // taller lines of their own (about 1.45 em for the black gothic).
    struct {
        const char* Name;
        int Height;
        int Cell;
    } const cases[] = {
        {"HG創英角ｺﾞｼｯｸUB", -19, 19},
        {"ＭＳ Ｐゴシック", -28, 28},
        {"ＭＳ ゴシック", 24, 24},
    };
    for (const auto& c : cases) {
        TBitmap b = WhiteBitmap(80, 80);
        b.Canvas().Font.Name = std::string(c.Name);
        b.Canvas().Font.Height = c.Height;
        EXPECT_EQ(b.Canvas().TextHeight(std::string("■")), c.Cell) << c.Name;
        // The glyph is drawn inside its cell, not below it.
        b.Canvas().Brush.Style = TBrushStyle::Clear;
        b.Canvas().TextOut(10, 20, std::string("■"));
        int top = b.Height(), bottom = -1;
        for (int y = 0; y < b.Height(); ++y)
            for (int x = 0; x < b.Width(); ++x)
                if (b.Pixel(x, y) != 0xFFFFFF) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        EXPECT_GE(top, 20 - 2) << c.Name;
        EXPECT_LE(bottom, 20 + c.Cell + 2) << c.Name;
    }
}

TEST(Text, TextOutDrawsOnABrushBoxUnlessTheBrushIsClear) {
    TBitmap boxed = WhiteBitmap(60, 30);
    boxed.Canvas().Font.Height = -14;
    boxed.Canvas().Brush.Color = 0x00FF00;
    boxed.Canvas().TextOut(2, 2, "Hi");
    TRect box = RectOfSize(2, 2, boxed.Canvas().TextWidth("Hi"), boxed.Canvas().TextHeight("Hi"));
    EXPECT_EQ(boxed.Pixel(box.Left, box.Top), 0x00FF00);
    EXPECT_EQ(boxed.Pixel(box.Right - 1, box.Bottom - 1), 0x00FF00);
    EXPECT_EQ(boxed.Pixel(box.Right, box.Top), 0xFFFFFF);
    int ink = 0;
    for (int y = box.Top; y < box.Bottom; ++y)
        for (int x = box.Left; x < box.Right; ++x)
            ink += boxed.Pixel(x, y) == Ink;
    EXPECT_GT(ink, 10);
    // No antialiasing: every pixel is either ink or background.
    TBitmap clear = WhiteBitmap(60, 30);
    clear.Canvas().Brush.Style = TBrushStyle::Clear;
    clear.Canvas().Font.Height = -20;
    clear.Canvas().TextOut(2, 2, "Ag");
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 60; ++x)
            ASSERT_TRUE(clear.Pixel(x, y) == Ink || clear.Pixel(x, y) == 0xFFFFFF) << x << "," << y;
    EXPECT_GT(InkCount(clear), 20);
}

TEST(Text, AlignedTextIsPlacedByItsAnchor) {
    const std::string text = std::string("日付 12");
    TBitmap probe = WhiteBitmap(10, 10);
    probe.Canvas().Font.Name = std::string("ＭＳ Ｐゴシック");
    probe.Canvas().Font.Height = -20;
    const int width = probe.Canvas().TextWidth(text), height = probe.Canvas().TextHeight(std::string("■"));
    ASSERT_GT(width, 20);
    for (uint8_t h = 0; h <= 3; ++h)
        for (uint8_t v = 0; v <= 3; ++v) {
            TBitmap aligned = WhiteBitmap(200, 100), placed = WhiteBitmap(200, 100);
            for (TBitmap* b : {&aligned, &placed}) {
                b->Canvas().Font = probe.Canvas().Font;
                b->Canvas().Brush.Style = TBrushStyle::Clear;
            }
            TextOutAligned(aligned.Canvas(), 100, 50, h, v, text);
            int dx = h == 0 ? width / 2 : h == 2 ? width : 0;
            int dy = v == 0 ? height / 2 : v == 2 ? height : 0;
            placed.Canvas().TextOut(100 - dx, 50 - dy, text);
            EXPECT_TRUE(SamePixels(aligned, placed)) << int(h) << "," << int(v);
        }
}

TEST(Text, VerticalTextPutsOneDoubleByteCharacterOnEachLine) {
    struct {
        std::string Text;
        std::vector<std::string> Cells;
    } const cases[] = {
        {std::string("旧暦"), {std::string("旧"), std::string("暦")}},
        {std::string("年") + "x", {std::string("年")}},         // the odd trailing byte is not drawn
        {"12" + std::string("月"), {"12", std::string("月")}},  // two digits share a line
        {"", {}},
    };
    for (const auto& c : cases)
        for (uint8_t v : {0, 1, 2}) {
            TBitmap column = WhiteBitmap(60, 140), cells = WhiteBitmap(60, 140);
            for (TBitmap* b : {&column, &cells}) {
                b->Canvas().Font.Name = std::string("HG創英角ｺﾞｼｯｸUB");
                b->Canvas().Font.Height = -19;
                b->Canvas().Brush.Style = TBrushStyle::Clear;
            }
            TextOutVertical(column.Canvas(), 30, 70, 0, v, c.Text);
            const int cw = cells.Canvas().TextWidth(std::string("■")), ch = cells.Canvas().TextHeight(std::string("■"));
            const int n = static_cast<int>(c.Cells.size());
            int top = v == 0 ? 70 - n * ch / 2 : v == 2 ? 70 - n * ch : 70;
            for (int i = 0; i < n; ++i)
                cells.Canvas().TextOut(30 - cw / 2, top + i * ch, c.Cells[i]);
            EXPECT_TRUE(SamePixels(column, cells)) << std::string(c.Text) << " valign " << int(v);
            EXPECT_EQ(InkCount(column) > 0, n > 0);
        }
}
