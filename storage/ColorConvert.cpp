#include "storage/ColorConvert.h"

#include <algorithm>

namespace {

int Clamp(int value, int low, int high) { return std::clamp(value, low, high); }

// The hue as a position on a circle of 1530 steps (six sections of 255), from channels
// already stretched so that the greatest is 255 and the least 0. The tests run in this
// order and a later match wins, which decides the borders between sections.
int HuePosition(int r, int g, int b) {
    int p = 0;
    if (r == 0 && g == 255)
        p = b + 510;
    if (r == 0 && b == 255)
        p = 1020 - g;
    if (g == 0 && r == 255)
        p = 1530 - b;
    if (g == 0 && b == 255)
        p = r + 1020;
    if (b == 0 && r == 255)
        p = g;
    if (b == 0 && g == 255)
        p = 510 - r;
    return p;
}

}  // namespace

THsv RgbToHsv(int r, int g, int b) {
    r = Clamp(r, 0, 255);
    g = Clamp(g, 0, 255);
    b = Clamp(b, 0, 255);
    const int greatest = std::max({r, g, b});
    if (greatest == 0)
        return {};
    THsv hsv;
    hsv.V = greatest * 100 / 255;
    // Stretch to full brightness; the least channel then tells the saturation.
    r = r * 255 / greatest;
    g = g * 255 / greatest;
    b = b * 255 / greatest;
    const int least = std::min({r, g, b});
    hsv.S = 100 - least * 100 / 255;
    r -= least;
    g -= least;
    b -= least;
    const int spread = std::max({r, g, b});
    if (spread == 0)
        return hsv;  // a grey: hue 0
    r = r * 255 / spread;
    g = g * 255 / spread;
    b = b * 255 / spread;
    hsv.H = (HuePosition(r, g, b) * 360 / 1530) % 360;
    return hsv;
}

TRgb HsvToRgb(int h, int s, int v) {
    h = Clamp(h, 0, 359);
    s = Clamp(s, 0, 100);
    v = Clamp(v, 0, 100);
    const int x = h * 1535 / 359;  // 0..1535, six sections of 256
    int c[3];
    switch (x / 256) {
    case 0:
        c[0] = 255;
        c[1] = x;
        c[2] = 0;
        break;
    case 1:
        c[0] = 511 - x;
        c[1] = 255;
        c[2] = 0;
        break;
    case 2:
        c[0] = 0;
        c[1] = 255;
        c[2] = x - 512;
        break;
    case 3:
        c[0] = 0;
        c[1] = 1023 - x;
        c[2] = 255;
        break;
    case 4:
        c[0] = x - 1024;
        c[1] = 0;
        c[2] = 255;
        break;
    default:
        c[0] = 255;
        c[1] = 0;
        c[2] = 1535 - x;
        break;
    }
    for (int& component : c) {
        component = (component * s + (100 - s) * 255) / 100;
        component = component * v / 100;
    }
    return {c[0], c[1], c[2]};
}
