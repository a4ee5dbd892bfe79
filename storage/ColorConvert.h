#pragma once
// Conversions between red-green-blue and hue-saturation-value in the colour picker's
// integer arithmetic (every division truncates), so that the numbers it shows for a colour
// are always the same.

struct TRgb {
    int R = 0;  // 0..255
    int G = 0;
    int B = 0;
    bool operator==(const TRgb&) const = default;
};

struct THsv {
    int H = 0;  // hue, degrees 0..359
    int S = 0;  // saturation, percent 0..100
    int V = 0;  // value (brightness), percent 0..100
    bool operator==(const THsv&) const = default;
};

// r, g, b are held within 0..255 first. Black gives 0, 0, 0; a grey hue 0.
THsv RgbToHsv(int r, int g, int b);
// h is held within 0..359, s and v within 0..100 first.
TRgb HsvToRgb(int h, int s, int v);
