#pragma once
// Points and rectangles in screen or bitmap pixels. A rectangle holds its left and top
// edge and the first column and row past its right and bottom edge.

struct TPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool Contains(TPoint p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

inline TRect RectOfSize(int left, int top, int width, int height) {
    return TRect{left, top, left + width, top + height};
}

// The largest device pixel ratio pictures are made for.
constexpr double MaxDeviceRatio = 8;

// ratio when it is one pictures can be made for (above 0, at most MaxDeviceRatio), else 1.
inline double UsableRatio(double ratio) { return ratio > 0 && ratio <= MaxDeviceRatio ? ratio : 1; }

// Device pixels of a length of logical pixels on a screen of device pixel ratio ratio:
// rounded to the nearest pixel (halves away from zero), never less than one for a length
// of at least one. Ratio 1 keeps every length.
inline int DeviceLength(int logical, double ratio) {
    const double scaled = logical * ratio;
    const int rounded = static_cast<int>(scaled < 0 ? scaled - 0.5 : scaled + 0.5);
    return logical >= 1 && rounded < 1 ? 1 : rounded;
}

// Logical pixels of a length of device pixels at ratio (above 0): the inverse of
// DeviceLength, rounded the same way, so that LogicalLength(DeviceLength(n, r), r) == n for
// every ratio of at least 1.
inline int LogicalLength(int device, double ratio) {
    const double scaled = device / ratio;
    return static_cast<int>(scaled < 0 ? scaled - 0.5 : scaled + 0.5);
}
