#pragma once
// TPixelStore: the pixels of an image and nothing else. Rows run top-down (row 0 is the top
// row), each row padded to a multiple of 4 bytes; 24-bit pixels are bytes blue, green, red,
// 32-bit ones blue, green, red, alpha (straight alpha). The canvas draws on a pixel store;
// TBitmap is the pixel store with a canvas of its own.

#include <cstddef>
#include <cstdint>
#include <vector>

enum class TPixelFormat : uint8_t { Bits24, Bits32 };

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

class TPixelStore {
public:
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    TPixelFormat PixelFormat() const { return FFormat; }
    bool Is32Bit() const { return FFormat == TPixelFormat::Bits32; }
    bool Empty() const { return FWidth == 0 || FHeight == 0; }
    int BytesPerPixel() const { return Is32Bit() ? 4 : 3; }
    // Bytes from the start of one row to the next.
    int RowStride() const { return FStride; }

    uint8_t* ScanLine(int y) { return FPixels.data() + static_cast<std::size_t>(y) * FStride; }
    const uint8_t* ScanLine(int y) const { return FPixels.data() + static_cast<std::size_t>(y) * FStride; }
    uint8_t* Bits() { return FPixels.data(); }

    // Colour 0x00BBGGRR of a pixel; -1 outside the image.
    int64_t Pixel(int x, int y) const;
    // Alpha of a 32-bit pixel, 255 for 24-bit; -1 outside.
    int PixelAlpha(int x, int y) const;

protected:
    TPixelStore() = default;
    explicit TPixelStore(TPixelFormat format) : FFormat(format) {}
    TPixelStore(const TPixelStore&) = default;
    TPixelStore& operator=(const TPixelStore&) = default;
    ~TPixelStore() = default;

    // Bytes of one row of width pixels in format, padded to a multiple of 4.
    static int StrideOf(int width, TPixelFormat format);

    int FWidth = 0;
    int FHeight = 0;
    int FStride = 0;
    TPixelFormat FFormat = TPixelFormat::Bits24;
    std::vector<uint8_t> FPixels;
};

// Colour channels of 0x00BBGGRR.
constexpr uint8_t RedOf(uint32_t color) { return color & 0xFF; }
constexpr uint8_t GreenOf(uint32_t color) { return (color >> 8) & 0xFF; }
constexpr uint8_t BlueOf(uint32_t color) { return (color >> 16) & 0xFF; }
constexpr uint32_t RGB(uint32_t red, uint32_t green, uint32_t blue) { return red | (green << 8) | (blue << 16); }
