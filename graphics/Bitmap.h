#pragma once
// TBitmap: the image every drawing routine works on: a pixel store (rows top-down, 24-bit
// blue, green, red or 32-bit blue, green, red, straight alpha) that can change its size and
// format and has a canvas of its own.

#include <cstdint>
#include <memory>

#include "graphics/PixelStore.h"
#include "storage/Exception.h"

class TCanvas;

class TBitmap : public TPixelStore {
public:
    TBitmap();
    TBitmap(int width, int height, TPixelFormat format = TPixelFormat::Bits24);
    TBitmap(const TBitmap& other);
    TBitmap& operator=(const TBitmap& other);
    virtual ~TBitmap();

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

    // The drawing surface with its pen, brush and font; made on first use.
    TCanvas& Canvas();

private:
    std::unique_ptr<TCanvas> FCanvas;
};
