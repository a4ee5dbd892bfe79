#pragma once
// TBitmap: the pixel store every drawing routine works on. Rows run top-down (row 0 is the
// top row), each row padded to a multiple of 4 bytes. Two pixel formats: 24-bit (bytes
// blue, green, red) and 32-bit (blue, green, red, alpha, straight alpha).

#include <cstdint>
#include <memory>
#include <vector>

#include "storage/Exception.h"

class TCanvas;

enum class TPixelFormat : uint8_t { pf24bit, pf32bit };

// Largest bitmap the program makes or decodes: no side over MaxImageSide and no more than
// MaxImagePixels pixels (256 MB at 32 bits). Decoders of outside files may ask for less.
constexpr int MaxImageSide = 16384;
constexpr int64_t MaxImagePixels = int64_t(64) << 20;

struct TImageLimits {
    int MaxSide = MaxImageSide;
    int64_t MaxPixels = MaxImagePixels;
};

// Raises the message "画像が大きすぎます(W×H)" when width × height exceeds the limits.
void CheckImageSize(int64_t width, int64_t height, const TImageLimits& limits = {});

class TBitmap {
public:
    TBitmap();
    TBitmap(int width, int height, TPixelFormat format = TPixelFormat::pf24bit);
    TBitmap(const TBitmap& other);
    TBitmap& operator=(const TBitmap& other);
    virtual ~TBitmap();

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    TPixelFormat PixelFormat() const { return FFormat; }
    bool Is32Bit() const { return FFormat == TPixelFormat::pf32bit; }
    bool Empty() const { return FWidth == 0 || FHeight == 0; }
    int BytesPerPixel() const { return Is32Bit() ? 4 : 3; }
    // Bytes from the start of one row to the next.
    int RowStride() const { return FStride; }

    // Changes the size; the overlapping part keeps its pixels and the new area is filled
    // with the canvas's brush colour (alpha 255 at 32 bits). Negative sides count as 0;
    // sides beyond the limits raise "画像が大きすぎます".
    void SetSize(int width, int height);
    void SetWidth(int width) { SetSize(width, FHeight); }
    void SetHeight(int height) { SetSize(FWidth, height); }
    // New pixels of the given size and format, all bytes 0 (what decoders fill). Limits
    // as for SetSize.
    void Allocate(int width, int height, TPixelFormat format);
    // Converts the pixels: 24 → 32 gives alpha 255, 32 → 24 drops the alpha.
    void SetPixelFormat(TPixelFormat format);

    uint8_t* ScanLine(int y) { return FPixels.data() + static_cast<size_t>(y) * FStride; }
    const uint8_t* ScanLine(int y) const { return FPixels.data() + static_cast<size_t>(y) * FStride; }
    uint8_t* Bits() { return FPixels.data(); }

    // Colour 0x00BBGGRR of a pixel; -1 outside the bitmap.
    int64_t Pixel(int x, int y) const;
    // Alpha of a 32-bit pixel, 255 for 24-bit; -1 outside.
    int PixelAlpha(int x, int y) const;

    // The drawing surface with its pen, brush and font; made on first use.
    TCanvas& Canvas();

private:
    int FWidth = 0;
    int FHeight = 0;
    int FStride = 0;
    TPixelFormat FFormat = TPixelFormat::pf24bit;
    std::vector<uint8_t> FPixels;
    std::unique_ptr<TCanvas> FCanvas;
};

// Colour channels of 0x00BBGGRR.
constexpr uint8_t RedOf(uint32_t colour) { return colour & 0xFF; }
constexpr uint8_t GreenOf(uint32_t colour) { return (colour >> 8) & 0xFF; }
constexpr uint8_t BlueOf(uint32_t colour) { return (colour >> 16) & 0xFF; }
constexpr uint32_t RGB(uint32_t red, uint32_t green, uint32_t blue) { return red | (green << 8) | (blue << 16); }
