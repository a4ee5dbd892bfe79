#include "graphics/Bitmap.h"

#include <algorithm>
#include <cstring>

#include "graphics/Canvas.h"

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height, TPixelFormat format) : TPixelStore(format) { SetSize(width, height); }

TBitmap::TBitmap(const TBitmap& other) : TPixelStore(other) {}

TBitmap& TBitmap::operator=(const TBitmap& other) {
    if (this != &other)
        TPixelStore::operator=(other);
    return *this;
}

TBitmap::~TBitmap() = default;

void TBitmap::SetSize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == FWidth && height == FHeight)
        return;
    CheckImageSize(width, height);
    int stride = StrideOf(width, FFormat);
    std::vector<uint8_t> pixels(static_cast<size_t>(stride) * height);
    // The new area takes the brush colour, as a freshly sized Windows bitmap does.
    uint32_t fill = FCanvas ? FCanvas->Brush.Color : 0xFFFFFF;
    int bpp = BytesPerPixel();
    uint8_t pixel[4] = {BlueOf(fill), GreenOf(fill), RedOf(fill), 255};
    int keepWidth = std::min(width, FWidth), keepHeight = std::min(height, FHeight);
    std::vector<uint8_t> filledRow(static_cast<size_t>(stride));
    for (int x = 0; x < width; ++x)
        std::memcpy(filledRow.data() + x * bpp, pixel, bpp);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = pixels.data() + static_cast<size_t>(y) * stride;
        size_t kept = y < keepHeight ? static_cast<size_t>(keepWidth) * bpp : 0;
        if (kept > 0)
            std::memcpy(row, ScanLine(y), kept);
        size_t filled = static_cast<size_t>(width) * bpp - kept;
        if (filled > 0)
            std::memcpy(row + kept, filledRow.data() + kept, filled);
    }
    FPixels.swap(pixels);
    FWidth = width;
    FHeight = height;
    FStride = stride;
}

void TBitmap::Allocate(int width, int height, TPixelFormat format) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    CheckImageSize(width, height);
    int stride = StrideOf(width, format);
    std::vector<uint8_t>(static_cast<size_t>(stride) * height).swap(FPixels);
    FWidth = width;
    FHeight = height;
    FStride = stride;
    FFormat = format;
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
    if (format == FFormat)
        return;
    int stride = StrideOf(FWidth, format);
    std::vector<uint8_t> pixels(static_cast<size_t>(stride) * FHeight);
    for (int y = 0; y < FHeight; ++y) {
        const uint8_t* in = ScanLine(y);
        uint8_t* out = pixels.data() + static_cast<size_t>(y) * stride;
        if (format == TPixelFormat::Bits32) {
            for (int x = 0; x < FWidth; ++x, in += 3, out += 4) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
                out[3] = 255;
            }
        } else {
            for (int x = 0; x < FWidth; ++x, in += 4, out += 3) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
            }
        }
    }
    FPixels.swap(pixels);
    FStride = stride;
    FFormat = format;
}

TCanvas& TBitmap::Canvas() {
    if (!FCanvas)
        FCanvas = std::make_unique<TCanvas>(*this);
    return *FCanvas;
}
