#pragma once
// Small helpers for the graphics tests: bitmaps filled from a pixel function, pixel
// access by channel, and a picture of a bitmap as text for readable failures.

#include <cstdint>
#include <functional>
#include <string>

#include "graphics/Bitmap.h"

struct TPixel {
    uint8_t B = 0, G = 0, R = 0, A = 255;
    friend bool operator==(const TPixel&, const TPixel&) = default;
};

inline TPixel PixelAt(const TBitmap& bitmap, int x, int y) {
    const uint8_t* p = bitmap.ScanLine(y) + x * bitmap.BytesPerPixel();
    return {p[0], p[1], p[2], bitmap.Is32Bit() ? p[3] : uint8_t(255)};
}

inline void SetPixelAt(TBitmap& bitmap, int x, int y, TPixel pixel) {
    uint8_t* p = bitmap.ScanLine(y) + x * bitmap.BytesPerPixel();
    p[0] = pixel.B, p[1] = pixel.G, p[2] = pixel.R;
    if (bitmap.Is32Bit())
        p[3] = pixel.A;
}

inline TBitmap MakeBitmap(int width, int height, TPixelFormat format, const std::function<TPixel(int, int)>& pixel) {
    TBitmap bitmap(width, height, format);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetPixelAt(bitmap, x, y, pixel(x, y));
    return bitmap;
}

// One character per pixel: '#' where the colour is `ink`, '.' elsewhere; rows end in '\n'.
inline std::string Picture(const TBitmap& bitmap, uint32_t ink) {
    std::string text;
    for (int y = 0; y < bitmap.Height(); ++y) {
        for (int x = 0; x < bitmap.Width(); ++x)
            text += bitmap.Pixel(x, y) == int64_t(ink) ? '#' : '.';
        text += '\n';
    }
    return text;
}
