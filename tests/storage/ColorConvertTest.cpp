#include "storage/ColorConvert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

int HueDistance(int a, int b) {
    const int d = std::abs(a - b) % 360;
    return std::min(d, 360 - d);
}

// Hue in degrees by the usual real-valued formula, to check the integer one against.
double ReferenceHue(int r, int g, int b) {
    const int greatest = std::max({r, g, b});
    const int least = std::min({r, g, b});
    const double spread = greatest - least;
    double hue;
    if (greatest == r)
        hue = 60.0 * (g - b) / spread;
    else if (greatest == g)
        hue = 60.0 * (b - r) / spread + 120.0;
    else
        hue = 60.0 * (r - g) / spread + 240.0;
    return hue < 0 ? hue + 360.0 : hue;
}

}  // namespace

TEST(ColorConvert, KnownColors) {
    struct {
        TRgb Rgb;
        THsv Hsv;
    } const cases[] = {
        {{255, 0, 0}, {0, 100, 100}},     {{0, 0, 0}, {0, 0, 0}},           {{255, 255, 255}, {0, 0, 100}},
        {{128, 128, 128}, {0, 0, 50}},    {{50, 100, 75}, {149, 51, 39}},  // between green and cyan: the stretched blue decides
        {{0, 255, 0}, {120, 100, 100}},   {{0, 0, 255}, {240, 100, 100}},   {{255, 255, 0}, {60, 100, 100}},
        {{0, 255, 255}, {180, 100, 100}}, {{255, 0, 255}, {300, 100, 100}}, {{255, 0, 1}, {359, 100, 100}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RgbToHsv(c.Rgb.R, c.Rgb.G, c.Rgb.B), c.Hsv) << c.Rgb.R << "," << c.Rgb.G << "," << c.Rgb.B;
}

TEST(ColorConvert, PureHuesAndTheirMixes) {
    struct {
        THsv Hsv;
        TRgb Rgb;
    } const cases[] = {
        {{0, 100, 100}, {255, 0, 0}},   {{359, 100, 100}, {255, 0, 0}},  // the last step of the circle closes on red
        {{120, 100, 100}, {0, 255, 1}}, {{240, 100, 100}, {2, 0, 255}},  {{0, 0, 100}, {255, 255, 255}},
        {{200, 50, 0}, {0, 0, 0}},      {{0, 50, 100}, {255, 127, 127}}, {{0, 100, 50}, {127, 0, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HsvToRgb(c.Hsv.H, c.Hsv.S, c.Hsv.V), c.Rgb) << c.Hsv.H << "," << c.Hsv.S << "," << c.Hsv.V;
}

TEST(ColorConvert, OutOfRangeArgumentsAreHeldAtTheLimits) {
    EXPECT_EQ(RgbToHsv(300, -5, 0), RgbToHsv(255, 0, 0));
    EXPECT_EQ(HsvToRgb(-1, 200, 150), HsvToRgb(0, 100, 100));
    EXPECT_EQ(HsvToRgb(1000, 100, 100), HsvToRgb(359, 100, 100));
}

// Every hue at full saturation and value comes back with full saturation and value and
// its hue within one degree (the two directions divide the circle into 1530 and 1536 steps).
TEST(ColorConvert, EveryPureHueRoundTrips) {
    int largest = 0;
    for (int h = 0; h < 360; ++h) {
        const TRgb rgb = HsvToRgb(h, 100, 100);
        EXPECT_EQ(std::max({rgb.R, rgb.G, rgb.B}), 255) << h;
        EXPECT_EQ(std::min({rgb.R, rgb.G, rgb.B}), 0) << h;
        const THsv back = RgbToHsv(rgb.R, rgb.G, rgb.B);
        EXPECT_EQ(back.S, 100) << h;
        EXPECT_EQ(back.V, 100) << h;
        largest = std::max(largest, HueDistance(back.H, h));
        // Converting the shown numbers again changes nothing: the picker is stable.
        const TRgb again = HsvToRgb(back.H, 100, 100);
        EXPECT_EQ(RgbToHsv(again.R, again.G, again.B).S, 100) << h;
    }
    EXPECT_LE(largest, 1);
}

// Every colour: the numbers stay within their ranges, the hue is within four degrees of the
// real-valued hue wherever the channels differ by 16 or more (the two stretches truncate),
// and turning the numbers back into a colour misses each channel by at
// most 9 (the percent steps of saturation and value are coarser than the channel steps).
TEST(ColorConvert, EveryColorAgreesWithTheRealValuedFormula) {
    int worstHue = 0;
    int worstChannel = 0;
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b) {
                const THsv hsv = RgbToHsv(r, g, b);
                ASSERT_TRUE(hsv.H >= 0 && hsv.H < 360 && hsv.S >= 0 && hsv.S <= 100 && hsv.V >= 0 && hsv.V <= 100);
                const int greatest = std::max({r, g, b});
                ASSERT_EQ(hsv.V, greatest * 100 / 255);
                if (greatest - std::min({r, g, b}) >= 16)
                    worstHue = std::max(worstHue, HueDistance(hsv.H, static_cast<int>(ReferenceHue(r, g, b))));
                const TRgb back = HsvToRgb(hsv.H, hsv.S, hsv.V);
                worstChannel =
                    std::max({worstChannel, std::abs(back.R - r), std::abs(back.G - g), std::abs(back.B - b)});
            }
    EXPECT_LE(worstHue, 4);
    EXPECT_LE(worstChannel, 9);
}
