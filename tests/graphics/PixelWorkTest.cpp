// Colour mixing, alpha work, halving and reduction, tinting, blending, bounds and rotation.

#include <gtest/gtest.h>

#include <cmath>

#include "BitmapTestSupport.h"
#include "graphics/Canvas.h"
#include "graphics/GraphicMath.h"
#include "graphics/GraphicWork.h"
#include "storage/Text.h"

using enum TPixelFormat;

TEST(Colors, BlendAndGreyRoundDownPerChannel) {
    struct {
        uint32_t C1, C2;
        int Weight;
        uint32_t Expected;
    } const cases[] = {
        // clang-format off
        {0xFFFFFF, 0x000000, 200, 0xC8C8C8},
        {0x000000, 0xFFFFFF, 180, 0x4B4B4B},
        {0x123456, 0xABCDEF, 255, 0x123456},
        {0x123456, 0xABCDEF, 0, 0xABCDEF},
        {0xFF0080, 0x00FF01, 128, 0x807F40},  // red (128·128 + 127·1) div 255 = 64
        {0xFF000000, 0xFF000000, 128, 0x000000},  // alpha bytes never reach the result
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(BlendColor(c.C1, c.C2, c.Weight), c.Expected) << std::hex << c.C1 << " " << c.C2 << " " << c.Weight;
    EXPECT_EQ(GrayTone(0xFFFFFF), 0xDFDFDFu);
    EXPECT_EQ(GrayTone(0x000000), 0x808080u);
    EXPECT_EQ(GrayTone(0x070000), 0x808080u);  // 7 div 8 = 0
    EXPECT_EQ(GrayTone(0x080000), 0x818181u);
}

TEST(PointGeometry, BearingsDistancesAndNormalisedAngles) {
    struct {
        TPoint To;
        int Degrees;
    } const bearings[] = {
        {{0, -5}, 0},   {{5, 0}, 90},    {{0, 5}, 180},      {{-5, 0}, 269},  {{5, -5}, 45}, {{5, 5}, 135},
        {{-5, 5}, 224}, {{-5, -5}, 314}, {{-1, -1000}, 359}, {{1, -1000}, 0}, {{0, 0}, 0},
    };
    for (const auto& b : bearings)
        EXPECT_EQ(PointAngle({0, 0}, b.To), b.Degrees) << b.To.X << "," << b.To.Y;
    EXPECT_EQ(PointAngle({10, 10}, {10, 20}), 180);
    for (int dx = -30; dx <= 30; ++dx)
        for (int dy = -30; dy <= 30; ++dy) {
            int angle = PointAngle({0, 0}, {dx, dy});
            ASSERT_GE(angle, 0);
            ASSERT_LE(angle, 359);
        }
    EXPECT_DOUBLE_EQ(PointDistance(1, 2, 4, 6), 5.0);
    EXPECT_DOUBLE_EQ(PointDistance(-2147483647, 0, 2147483647, 0), 4294967294.0);
    const int angles[][2] = {{-1, 359}, {720, 0}, {-720, 0}, {359, 359}, {-361, 359}, {365, 5}};
    for (const auto& a : angles)
        EXPECT_EQ(NormalizeAngle(a[0]), a[1]) << a[0];
}

TEST(PointGeometry, TrigTablesAreTruncatedQuarterWaves) {
    const TTrigTable &s = SinTable(), &c = CosTable();
    EXPECT_EQ(s[0], 0);
    EXPECT_EQ(s[90], 256);
    EXPECT_EQ(s[270], -256);
    EXPECT_EQ(c[0], 256);
    EXPECT_EQ(c[180], -256);
    EXPECT_EQ(c[90], 0);
    EXPECT_EQ(s[180], 0);
    // Values that sit on a half: extended precision lands on either side of it, double
    // precision would give 127 for sin 30°.
    EXPECT_EQ(s[30], 128);
    EXPECT_EQ(s[210], -127);
    EXPECT_EQ(c[60], 127);
    EXPECT_EQ(c[300], 128);
    for (int i = 0; i < 360; ++i) {
        double exactSin = 256.0 * std::sin(i * M_PI / 180.0), exactCos = 256.0 * std::cos(i * M_PI / 180.0);
        // Truncation toward zero: never further from zero than the exact value, less than 1 short.
        EXPECT_LE(std::abs(s[i]), std::abs(exactSin) + 1e-9) << i;
        EXPECT_GT(std::abs(s[i]), std::abs(exactSin) - 1.0 - 1e-9) << i;
        EXPECT_LE(std::abs(c[i]), std::abs(exactCos) + 1e-9) << i;
        EXPECT_GT(std::abs(c[i]), std::abs(exactCos) - 1.0 - 1e-9) << i;
    }
}

TEST(AlphaWork, RoutinesLeaveWrongFormatsAndEmptyBitmapsAlone) {
    TBitmap rgb = MakeBitmap(3, 2, Bits24, [](int x, int y) { return TPixel{uint8_t(x), uint8_t(y), 9, 255}; });
    const TBitmap before = rgb;
    SetAlpha(rgb, 7);
    SetAlphaByColorKey(rgb, 7);
    SetColorKeepAlpha(rgb, 0x123456);
    ScaleAlphaCorners(rgb, 0, 0, 0, 0);
    HalveBitmap(rgb);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(PixelAt(rgb, x, y), PixelAt(before, x, y));
    try {
        FillBitmap32(rgb, 0);
        ADD_FAILURE() << "a 24-bit bitmap was filled";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), std::string("32bitBmp以外を塗りつぶそうとしました"));
    }
    TBitmap empty(0, 5, Bits32);
    FillBitmap32(empty, 0xFF00FF00);
    SetAlphaByColorKey(empty, 1);
    EXPECT_EQ(empty.Height(), 5);
}

TEST(AlphaWork, ColorKeyFillAndTint) {
    TBitmap b = MakeBitmap(3, 1, Bits32, [](int x, int) { return TPixel{10, 20, uint8_t(x == 1 ? 31 : 30), 17}; });
    SetAlphaByColorKey(b, 200);
    EXPECT_EQ(PixelAt(b, 0, 0).A, 0);
    EXPECT_EQ(PixelAt(b, 1, 0).A, 200);
    EXPECT_EQ(PixelAt(b, 2, 0).A, 0);
    SetColorKeepAlpha(b, 0x112233);
    EXPECT_EQ(PixelAt(b, 1, 0), (TPixel{0x11, 0x22, 0x33, 200}));
    FillBitmap32(b, 0x80010203);
    EXPECT_EQ(PixelAt(b, 2, 0), (TPixel{0x01, 0x02, 0x03, 0x80}));
    SetAlpha(b, 9);
    EXPECT_EQ(PixelAt(b, 0, 0), (TPixel{0x01, 0x02, 0x03, 9}));

    TBitmap uniform = MakeBitmap(4, 4, Bits32, [](int, int) { return TPixel{5, 6, 7, 255}; });
    SetAlphaByColorKey(uniform, 255);
    EXPECT_EQ(GetOpaqueBounds(uniform), TRect{});
}

TEST(AlphaWork, CornerScalingInterpolatesAndStaysInsideTheByte) {
    TBitmap b = MakeBitmap(4, 4, Bits32, [](int, int) { return TPixel{1, 2, 3, 255}; });
    ScaleAlphaCorners(b, 256, 256, 256, 256);
    EXPECT_EQ(PixelAt(b, 3, 3).A, 255);
    ScaleAlphaCorners(b, 64, 192, 255, 192);
    EXPECT_EQ(PixelAt(b, 0, 0).A, 255 * 64 / 256);
    // (1, 0): g = (64·3 + 192·1)·4 = 1536, f = 1536·256 / 16 = 24576.
    EXPECT_EQ(PixelAt(b, 1, 0).A, 255 * 24576 / 65536);
    EXPECT_LT(PixelAt(b, 0, 0).A, PixelAt(b, 3, 3).A);
    EXPECT_EQ(PixelAt(b, 1, 0).B, 1);

    TBitmap bright = MakeBitmap(2, 2, Bits32, [](int, int) { return TPixel{0, 0, 0, 200}; });
    ScaleAlphaCorners(bright, 1024, 1024, 1024, 1024);
    EXPECT_EQ(PixelAt(bright, 0, 0).A, 255);
    ScaleAlphaCorners(bright, -256, -256, -256, -256);
    EXPECT_EQ(PixelAt(bright, 1, 1).A, 0);
}

TEST(Halving, AveragesBlocksIntoTheTopLeftQuarterOnly) {
    auto value = [](int x, int y) { return uint8_t(10 * x + 60 * y + 1); };
    TBitmap b = MakeBitmap(5, 3, Bits32, [&](int x, int y) {
        return TPixel{value(x, y), uint8_t(255 - value(x, y)), 7, uint8_t(x * 3)};
    });
    const TBitmap before = b;
    HalveBitmap(b);
    EXPECT_EQ(b.Width(), 5);
    for (int x = 0; x < 2; ++x) {
        int sum = value(2 * x, 0) + value(2 * x + 1, 0) + value(2 * x, 1) + value(2 * x + 1, 1);
        EXPECT_EQ(PixelAt(b, x, 0).B, sum / 4);
        EXPECT_EQ(PixelAt(b, x, 0).G, (4 * 255 - sum) / 4);
        EXPECT_EQ(PixelAt(b, x, 0).A, (24 * x + 6) / 4);
    }
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            if (y > 0 || x > 1) {
                EXPECT_EQ(PixelAt(b, x, y), PixelAt(before, x, y)) << x << "," << y;
            }
}

TEST(Reduction, EveryOutputPixelAveragesTheAreaItCoversByShare) {
    // 3 → 2 along each axis: output pixel 0 covers source 0 and half of 1, pixel 1 the other
    // half of 1 and 2; a source pixel's share is 2/3 or 1/3 of an output pixel per axis.
    auto value = [](int x, int y) { return uint8_t(30 * x + 90 * y); };
    TBitmap b = MakeBitmap(3, 3, Bits32, [&](int x, int y) { return TPixel{value(x, y), 200, 9, 255}; });
    std::unique_ptr<TBitmap> small = ReduceBitmap(b, 2, 2);
    ASSERT_TRUE(small);
    ASSERT_EQ(small->Width(), 2);
    ASSERT_EQ(small->Height(), 2);
    const double weights[2][3] = {{2, 1, 0}, {0, 1, 2}};
    for (int oy = 0; oy < 2; ++oy)
        for (int ox = 0; ox < 2; ++ox) {
            double sum = 0;
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 3; ++x)
                    sum += weights[ox][x] * weights[oy][y] * value(x, y);
            EXPECT_EQ(PixelAt(*small, ox, oy).B, std::lround(sum / 9)) << ox << "," << oy;
            EXPECT_EQ(PixelAt(*small, ox, oy), (TPixel{PixelAt(*small, ox, oy).B, 200, 9, 255}));
        }

    // A page-sized reduction keeps flat areas exact, turns a fine checker grey and keeps a
    // sharp edge on the output grid sharp (240 → 180 puts every fourth source column on one).
    TBitmap page = MakeBitmap(240, 240, Bits32, [](int x, int y) {
        if (x < 120)
            return TPixel{40, 80, 120, 255};
        const uint8_t checker = ((x + y) & 1) ? 255 : 0;
        return y < 120 ? TPixel{checker, checker, checker, 255} : TPixel{255, 255, 255, 255};
    });
    small = ReduceBitmap(page, 180, 180);
    ASSERT_TRUE(small);
    EXPECT_EQ(PixelAt(*small, 89, 179), (TPixel{40, 80, 120, 255}));
    EXPECT_EQ(PixelAt(*small, 90, 179), (TPixel{255, 255, 255, 255}));
    for (int x = 92; x < 178; ++x)
        EXPECT_NEAR(PixelAt(*small, x, 40).B, 128, 15) << x;

    // Same size copies; growing, an empty size or another format gives nothing.
    EXPECT_EQ(PixelAt(*ReduceBitmap(b, 3, 3), 2, 1), PixelAt(b, 2, 1));
    EXPECT_FALSE(ReduceBitmap(b, 4, 3));
    EXPECT_FALSE(ReduceBitmap(b, 0, 2));
    EXPECT_FALSE(ReduceBitmap(MakeBitmap(3, 3, Bits24, [](int, int) { return TPixel{}; }), 2, 2));
}

TEST(Masks, TintAndEmbossFollowTheMaskBlueByte) {
    TBitmap dst = MakeBitmap(3, 2, Bits32, [](int, int) { return TPixel{100, 100, 100, 3}; });
    TBitmap mask = MakeBitmap(2, 3, Bits24, [](int x, int) { return TPixel{uint8_t(x ? 255 : 51), 0, 0, 0}; });
    TintThroughMask(dst, mask, 0xFF0000);  // blue
    EXPECT_EQ(PixelAt(dst, 0, 0), (TPixel{uint8_t((204 * 100 + 51 * 255) / 255), 80, 80, 255}));
    EXPECT_EQ(PixelAt(dst, 1, 1), (TPixel{255, 0, 0, 255}));
    EXPECT_EQ(PixelAt(dst, 2, 0), (TPixel{100, 100, 100, 3}));  // outside the mask

    TBitmap relief = MakeBitmap(4, 4, Bits32, [](int, int) { return TPixel{250, 2, 128, 9}; });
    TBitmap light = MakeBitmap(4, 4, Bits32, [](int x, int y) {
        return TPixel{uint8_t(x == 0 || y == 0 ? 200 : 0), 0, 0, 0};
    });
    Emboss(relief, light);
    // (1, 1): left 200 / 5 + above 200 / 4 = 90 brighter; clamped at 255 in blue.
    EXPECT_EQ(PixelAt(relief, 1, 1), (TPixel{255, 92, 218, 9}));
    EXPECT_EQ(PixelAt(relief, 2, 2), (TPixel{250, 2, 128, 9}));
    EXPECT_EQ(PixelAt(relief, 0, 0), (TPixel{250, 2, 128, 9}));  // the border stays
    TBitmap dark = MakeBitmap(3, 3, Bits32, [](int, int) { return TPixel{10, 10, 10, 255}; });
    TBitmap shade = MakeBitmap(3, 3, Bits32, [](int x, int y) {
        return TPixel{uint8_t(x == 2 || y == 2 ? 255 : 0), 0, 0, 0};
    });
    Emboss(dark, shade);
    EXPECT_EQ(PixelAt(dark, 1, 1), (TPixel{0, 0, 0, 255}));  // 10 − 51 − 63 held at 0
}

namespace {

// The blend of one colour byte written out plainly, in floating point, for comparison.
int ReferenceMix(TDrawType mode, double s, double d) {
    switch (mode) {
    case TDrawType::Add:
        return int(std::min(d + s, 255.0));
    case TDrawType::Subtract:
        return int(std::max(d - s, 0.0));
    case TDrawType::Multiply:
        return int(std::floor(s * d / 255.0));
    case TDrawType::Divide:
        return int(std::min(std::floor(d * 255.0 / (s + 1.0)), 255.0));
    case TDrawType::Screen:
        return int(std::floor(255.0 - (255.0 - d) * (255.0 - s) / 255.0 + 1e-9));
    case TDrawType::Overlay: {
        double room = d > 128 ? 255.0 - d : d;
        return int(d + std::trunc(room * (s - 128.0) / 128.0));
    }
    case TDrawType::White:
        return int(std::floor(s / 2.0)) + 128;
    case TDrawType::Black:
        return int(std::floor(s / 2.0));
    default:
        return int(s);
    }
}

TPixel ReferenceBlend(TDrawType mode, TPixel s, TPixel d) {
    const double a = s.A;
    auto perChannel = [&](auto mix) { return TPixel{mix(s.B, d.B), mix(s.G, d.G), mix(s.R, d.R), 0}; };
    if (mode == TDrawType::Copy)
        return s;
    if (mode == TDrawType::Layered) {
        TPixel p = perChannel([&](double sc, double) { return uint8_t(std::floor(a * sc / 255.0)); });
        p.A = s.A;
        return p;
    }
    if (mode == TDrawType::AlphaOver) {
        double e = std::floor((255.0 - a) * d.A / 255.0);
        if (a + e == 0)
            return d;
        TPixel p = perChannel([&](double sc, double dc) { return uint8_t(std::floor((dc * e + sc * a) / (a + e))); });
        p.A = uint8_t(a + e);
        return p;
    }
    if (s.A == 0)
        return d;
    TPixel p = perChannel([&](double sc, double dc) {
        double mixed = ReferenceMix(mode, sc, dc);
        return uint8_t(std::floor(((255.0 - a) * dc + a * mixed) / 255.0 + 1e-9));
    });
    p.A = 255;
    return p;
}

// dst and src of 256 × 256 pixels, every pair of (first, second) values once.
void ExpectBlendMatchesReference(TDrawType mode, const std::function<TPixel(int, int)>& source,
                                 const std::function<TPixel(int, int)>& destination) {
    TBitmap src = MakeBitmap(256, 256, Bits32, source);
    TBitmap dst = MakeBitmap(256, 256, Bits32, destination);
    DrawBlend(0, 0, dst, src, mode);
    int failures = 0;
    for (int y = 0; y < 256 && failures < 5; ++y)
        for (int x = 0; x < 256 && failures < 5; ++x) {
            TPixel expected = ReferenceBlend(mode, source(x, y), destination(x, y));
            if (!(PixelAt(dst, x, y) == expected)) {
                ++failures;
                TPixel got = PixelAt(dst, x, y), s = source(x, y), d = destination(x, y);
                ADD_FAILURE() << DrawTypeName(mode) << " s=" << int(s.B) << "/" << int(s.A) << " d=" << int(d.B) << "/"
                              << int(d.A) << ": got " << int(got.B) << "/" << int(got.A) << ", expected "
                              << int(expected.B) << "/" << int(expected.A);
            }
        }
}

}  // namespace

TEST(DrawBlend, EveryModeOverAllValuePairsAndAllAlphaPairs) {
    for (int m = 0; m < DrawTypeCount; ++m) {
        auto mode = static_cast<TDrawType>(m);
        // Every source and destination value, at a few source alphas.
        for (int alpha : {0, 1, 127, 128, 254, 255})
            ExpectBlendMatchesReference(
                mode,
                [alpha](int x, int) {
                    return TPixel{uint8_t(x), uint8_t(255 - x), uint8_t(x ^ 0x55), uint8_t(alpha)};
                },
                [](int, int y) {
                    return TPixel{uint8_t(y), uint8_t(y / 2), uint8_t(255 - y), uint8_t(y)};
                });
        // Every source value at every source alpha; every destination alpha too.
        ExpectBlendMatchesReference(
            mode,
            [](int x, int y) {
                return TPixel{uint8_t(x), uint8_t(x), uint8_t(x), uint8_t(y)};
            },
            [](int x, int y) {
                return TPixel{uint8_t(200 - x / 2), 3, 250, uint8_t((x + y) & 255)};
            });
    }
}

TEST(DrawBlend, ClipsAtEveryEdgeAndIgnoresOtherFormats) {
    auto source = [](int x, int y) { return TPixel{uint8_t(x), uint8_t(y), 77, 255}; };
    TBitmap src = MakeBitmap(4, 3, Bits32, source);
    struct {
        int X, Y;
    } const positions[] = {{-2, -1}, {3, 2}, {-4, 0}, {0, -3}, {5, 0}, {-2147483647, 0}, {2147483647, 2147483647}};
    for (const auto& at : positions) {
        TBitmap dst = MakeBitmap(5, 4, Bits32, [](int, int) { return TPixel{1, 1, 1, 1}; });
        DrawBlend(at.X, at.Y, dst, src, TDrawType::Copy);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x) {
                int64_t sx = int64_t(x) - at.X, sy = int64_t(y) - at.Y;
                bool inside = sx >= 0 && sx < 4 && sy >= 0 && sy < 3;
                TPixel expected = inside ? source(int(sx), int(sy)) : TPixel{1, 1, 1, 1};
                EXPECT_EQ(PixelAt(dst, x, y), expected) << at.X << "," << at.Y << " pixel " << x << "," << y;
            }
    }
    TBitmap rgb(4, 4, Bits24);
    TBitmap dst = MakeBitmap(2, 2, Bits32, [](int, int) { return TPixel{1, 1, 1, 1}; });
    DrawBlend(0, 0, dst, rgb, TDrawType::Copy);
    EXPECT_EQ(PixelAt(dst, 1, 1), (TPixel{1, 1, 1, 1}));
    DrawBlend(0, 0, rgb, dst, TDrawType::Copy);
    EXPECT_EQ(PixelAt(rgb, 0, 0), (TPixel{255, 255, 255, 255}));
}

TEST(DrawBlend, ModeNamesRoundTrip) {
    TDrawType mode{};
    for (int m = 0; m < DrawTypeCount; ++m) {
        ASSERT_TRUE(DrawTypeFromName(DrawTypeName(TDrawType(m)), mode));
        EXPECT_EQ(int(mode), m);
    }
    EXPECT_EQ(DrawTypeName(TDrawType::AlphaOver), "dtAlphaOver");
    EXPECT_FALSE(DrawTypeFromName("dtalpha", mode));
}

TEST(OpaqueBounds, FindsTheBoxOfVisiblePixels) {
    struct {
        TPixelFormat Format;
        std::function<TPixel(int, int)> Pixel;
        TRect Expected;
    } const cases[] = {
        {Bits32,
         [](int, int) {
             return TPixel{9, 9, 9, 0};
         },
         {0, 0, 0, 0}},
        {Bits32,
         [](int x, int y) {
             return TPixel{0, 0, 0, uint8_t(x == 2 && y == 1)};
         },
         {2, 1, 3, 2}},
        {Bits32,
         [](int x, int y) {
             return TPixel{0, 0, 0, uint8_t((x == 1 && y == 4) || (x == 5 && y == 2) ? 9 : 0)};
         },
         {1, 2, 6, 5}},
        {Bits32,
         [](int, int) {
             return TPixel{0, 0, 0, 255};
         },
         {0, 0, 6, 5}},
        {Bits24,
         [](int, int) {
             return TPixel{4, 5, 6, 255};
         },
         {0, 0, 0, 0}},
        {Bits24,
         [](int x, int y) {
             return TPixel{4, 5, uint8_t(x == 3 && y == 3 ? 7 : 6), 255};
         },
         {3, 3, 4, 4}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetOpaqueBounds(MakeBitmap(6, 5, c.Format, c.Pixel)), c.Expected);
    EXPECT_EQ(GetOpaqueBounds(TBitmap(0, 0, Bits32)), TRect{});
}

TEST(Rotation, QuarterTurnsMoveEveryPixelExactly) {
    auto source = [](int x, int y) { return TPixel{uint8_t(x), uint8_t(y), uint8_t(x * y), 255}; };
    TBitmap page = MakeBitmap(120, 100, Bits32, source);
    auto straight = RotateBitmap(page, 0);
    ASSERT_EQ(straight->Width(), 123);
    ASSERT_EQ(straight->Height(), 103);
    // Clockwise quarter turn: source (x, y) lands at (H + 1 − y, x + 1), two empty columns at the left.
    auto quarter = RotateBitmap(page, 90);
    ASSERT_EQ(quarter->Width(), 103);
    ASSERT_EQ(quarter->Height(), 123);
    auto half = RotateBitmap(page, -180);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 120; ++x) {
            ASSERT_EQ(PixelAt(*straight, x + 1, y + 1), source(x, y)) << x << "," << y;
            ASSERT_EQ(PixelAt(*quarter, 101 - y, x + 1), source(x, y)) << x << "," << y;
            ASSERT_EQ(PixelAt(*half, 121 - x, 101 - y), source(x, y)) << x << "," << y;
        }
    for (int x = 0; x < 123; ++x) {
        EXPECT_EQ(PixelAt(*straight, x, 0), (TPixel{0, 0, 0, 0}));
        EXPECT_EQ(PixelAt(*straight, x, 102), (TPixel{0, 0, 0, 0}));
    }
}

TEST(Rotation, OddAnglesKeepTheColorAndFadeOnlyTheAlpha) {
    TBitmap page = MakeBitmap(120, 120, Bits32, [](int, int) { return TPixel{30, 60, 250, 255}; });
    for (int degrees : {37, 1, 359, 200, -45}) {
        auto turned = RotateBitmap(page, degrees);
        int opaque = 0, partial = 0;
        for (int y = 0; y < turned->Height(); ++y)
            for (int x = 0; x < turned->Width(); ++x) {
                TPixel p = PixelAt(*turned, x, y);
                // Outside pixels lend their partner's colour, so no dark fringe appears.
                if (!(p == TPixel{0, 0, 0, 0})) {
                    ASSERT_EQ(p, (TPixel{30, 60, 250, p.A})) << degrees << " at " << x << "," << y;
                }
                opaque += p.A == 255;
                partial += p.A > 0 && p.A < 255;
            }
        EXPECT_NEAR(opaque + partial / 2, 120 * 120, 120 * 4) << degrees;
        EXPECT_GT(partial, 0) << degrees;
    }
}

namespace {

// The rotated pixel (j, i) computed the long way: position in 1/256 pixel, neighbour pairs
// with weights adding up to 255, outside neighbours lending colour but no alpha.
TPixel ReferenceRotatedPixel(const TBitmap& src, int outWidth, int outHeight, int degrees, int j, int i) {
    const int v = (360 - NormalizeAngle(degrees)) % 360;
    const double c = CosTable()[v], s = SinTable()[v];
    const int w = src.Width(), h = src.Height();
    const int px = int((j - outWidth / 2) * c - (i - outHeight / 2) * s) + 256 * (w / 2);
    const int py = int((j - outWidth / 2) * s + (i - outHeight / 2) * c) + 256 * (h / 2);
    auto pair = [](int p, int& first, int& w0, int& w1) {
        first = int(std::floor(p / 256.0));
        if (p < 0 && p % 256 == 0)
            first -= 1;  // whole negative positions sit one further left
        int r = p - 256 * (p >= 0 ? first : first + 1);
        w0 = p >= 0 ? 255 - r : -r;
        w1 = 255 - w0;
    };
    int x0, wx0, wx1, y0, wy0, wy1;
    pair(px, x0, wx0, wx1);
    pair(py, y0, wy0, wy1);
    if (x0 < -1 || x0 + 1 > w || y0 < -1 || y0 + 1 > h)
        return {0, 0, 0, 0};
    double sum[4] = {};
    for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx) {
            int x = x0 + dx, y = y0 + dy;
            bool inside = x >= 0 && x < w && y >= 0 && y < h;
            TPixel p = PixelAt(src, std::clamp(x, 0, w - 1), std::clamp(y, 0, h - 1));
            double weight = double(dx ? wx1 : wx0) * (dy ? wy1 : wy0);
            sum[0] += p.B * weight, sum[1] += p.G * weight, sum[2] += p.R * weight;
            sum[3] += inside ? p.A * weight : 0;
        }
    return {uint8_t(sum[0] / 65025), uint8_t(sum[1] / 65025), uint8_t(sum[2] / 65025), uint8_t(sum[3] / 65025)};
}

}  // namespace

TEST(Rotation, EveryPixelFollowsTheBilinearFormula) {
    TBitmap src = MakeBitmap(31, 23, Bits32, [](int x, int y) {
        return TPixel{uint8_t(x * 8), uint8_t(y * 11), uint8_t((x * y) ^ 0x5A), uint8_t(255 - x - y)};
    });
    for (int degrees : {13, 37, 90, 145, 200, 301, 359}) {
        auto turned = RotateBitmap(src, degrees);
        int mismatches = 0;
        for (int i = 0; i < turned->Height(); ++i)
            for (int j = 0; j < turned->Width(); ++j)
                mismatches += !(PixelAt(*turned, j, i) ==
                                ReferenceRotatedPixel(src, turned->Width(), turned->Height(), degrees, j, i));
        EXPECT_EQ(mismatches, 0) << degrees << "°";
    }
}

TEST(Rotation, TakesOtherFormatsAsOpaqueAndEmptySourcesAsNothing) {
    TBitmap rgb = MakeBitmap(2, 2, Bits24, [](int, int) { return TPixel{1, 2, 3, 255}; });
    auto turned = RotateBitmap(rgb, 0);
    EXPECT_TRUE(turned->Is32Bit());
    EXPECT_EQ(PixelAt(*turned, 1, 1), (TPixel{1, 2, 3, 255}));
    auto nothing = RotateBitmap(TBitmap(0, 0, Bits32), 33);
    EXPECT_EQ(nothing->Width(), 3);
    EXPECT_EQ(GetOpaqueBounds(*nothing), TRect{});
}

TEST(Bitmaps, ResizingKeepsPixelsAndFillsWithTheBrush) {
    TBitmap b = MakeBitmap(2, 2, Bits24, [](int x, int y) { return TPixel{uint8_t(x), uint8_t(y), 5, 255}; });
    b.Canvas().Brush.Color = 0x0000FF;
    b.SetSize(3, 3);
    EXPECT_EQ(b.Pixel(1, 1), RGB(5, 1, 1));
    EXPECT_EQ(b.Pixel(2, 0), 0x0000FF);
    EXPECT_EQ(b.Pixel(0, 2), 0x0000FF);
    b.SetPixelFormat(Bits32);
    EXPECT_EQ(PixelAt(b, 1, 0), (TPixel{1, 0, 5, 255}));
    b.SetSize(1, 1);
    b.SetPixelFormat(Bits24);
    EXPECT_EQ(b.Pixel(0, 0), RGB(5, 0, 0));
    EXPECT_EQ(b.Pixel(1, 0), -1);
    b.SetSize(-4, 2);
    EXPECT_EQ(b.Width(), 0);
    EXPECT_THROW(b.SetSize(MaxImageSide + 1, 1), Exception);
    EXPECT_THROW(b.SetSize(MaxImageSide, MaxImageSide), Exception);
    EXPECT_EQ(b.Height(), 2);
}
