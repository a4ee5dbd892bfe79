#include "graphics/PixelStore.h"

#include <string>

#include "storage/Exception.h"
#include "storage/Text.h"

void CheckImageSize(int64_t width, int64_t height, const TImageLimits& limits) {
    if (width > limits.MaxSide || height > limits.MaxSide || width * height > limits.MaxPixels)
        throw Exception("画像が大きすぎます(" + std::to_string(width) + "x" + std::to_string(height) + ")");
}

int TPixelStore::StrideOf(int width, TPixelFormat format) {
    int bytes = width * (format == TPixelFormat::Bits32 ? 4 : 3);
    return (bytes + 3) & ~3;
}

int64_t TPixelStore::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= FWidth || y >= FHeight)
        return -1;
    const uint8_t* p = ScanLine(y) + x * BytesPerPixel();
    return RGB(p[2], p[1], p[0]);
}

int TPixelStore::PixelAlpha(int x, int y) const {
    if (x < 0 || y < 0 || x >= FWidth || y >= FHeight)
        return -1;
    return Is32Bit() ? ScanLine(y)[x * 4 + 3] : 255;
}
