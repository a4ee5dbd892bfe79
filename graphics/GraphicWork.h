#pragma once
// Integer pixel work on 24- and 32-bit bitmaps: colour mixing, alpha, 2×2 down-sampling,
// tinting, relief, blending in thirteen modes, opaque bounds and rotation; plus the
// frame and text helpers on a canvas. Channel mixes divide by 255 and truncate. Routines
// silently do nothing on a bitmap of the wrong format or of zero size unless their line
// says otherwise.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "graphics/Bitmap.h"
#include "storage/Geometry.h"

class TCanvas;

// Blend modes; the order is the stored enumeration order.
enum class TDrawType : uint8_t {
    Alpha,
    Copy,
    Add,
    Subtract,
    Multiply,
    Divide,
    Screen,
    Overlay,
    White,
    Black,
    None,
    Layered,
    AlphaOver
};
constexpr int DrawTypeCount = 13;
// "dtAlpha" .. "dtAlphaOver", the names under which layouts store the mode.
std::string_view DrawTypeName(TDrawType mode);
// The mode of a stored name (exact spelling); false for an unknown name.
bool DrawTypeFromName(std::string_view name, TDrawType& mode);

// Per channel (weight·c1 + (255 − weight)·c2) div 255; weight 0..255; top byte 0.
uint32_t BlendColor(uint32_t c1, uint32_t c2, int weight);
// Light grey 128 + (R + G + B) div 8 in every channel.
uint32_t GrayTone(uint32_t color);

// 32-bit only: every alpha := alpha.
void SetAlpha(TBitmap& bitmap, uint8_t alpha);
// 32-bit only: pixels of the top-left pixel's colour get alpha 0, all others alpha.
void SetAlphaByColorKey(TBitmap& bitmap, uint8_t alpha);
// 32-bit only: every colour := colour (0x00BBGGRR), alpha kept.
void SetColorKeepAlpha(TBitmap& bitmap, uint32_t color);
// Every pixel := colour with its alpha (0xAABBGGRR). Raises "32bitBmp以外を塗りつぶそうとしました"
// for a bitmap that is not 32-bit.
void FillBitmap32(TBitmap& bitmap, uint32_t color);
// 32-bit only: alpha scaled by a factor interpolated between the corner factors (1/256
// units); the result is held within 0..255.
void ScaleAlphaCorners(TBitmap& bitmap, int topLeft, int topRight, int bottomRight, int bottomLeft);
// 32-bit only: 2×2 averages into the top-left quarter; the size stays, the caller cuts.
void HalveBitmap(TBitmap& bitmap);
// 32-bit only: a new 32-bit bitmap of width × height (each at most the source's) in which
// every pixel is the average of the source area it covers, partly covered source pixels
// weighted by their share (a box filter); exactly half the size each way is HalveBitmap's
// 2×2 average, so a drawing made at twice the size comes out as halving gives it. Null for
// an unusable source or size.
std::unique_ptr<TBitmap> ReduceBitmap(const TBitmap& bitmap, int width, int height);
// dst 32-bit, mask 24- or 32-bit: colour := mix of dst and colour by the mask's blue byte;
// alpha := 255. Over the common area.
void TintThroughMask(TBitmap& dst, const TBitmap& mask, uint32_t color);
// dst 32-bit, mask 24- or 32-bit: relief from the mask's blue byte, light from the top left.
void Emboss(TBitmap& dst, const TBitmap& mask);
// Draws src (32-bit) onto dst (32-bit) with its top-left corner at (x, y), clipped.
void DrawBlend(int x, int y, TBitmap& dst, const TBitmap& src, TDrawType mode);
// Smallest box (right, bottom exclusive) of the pixels that are not transparent: alpha
// above 0 at 32 bits, a colour other than the top-left pixel's at 24 bits. (0,0,0,0) if none.
TRect GetOpaqueBounds(const TBitmap& bitmap);
// A new 32-bit bitmap holding bitmap turned clockwise by degrees with bilinear sampling,
// edges fading over one pixel. A 24-bit source is taken as opaque.
std::unique_ptr<TBitmap> RotateBitmap(const TBitmap& bitmap, int degrees);
// The size RotateBitmap gives a width × height bitmap turned by degrees (Right and Bottom
// the width and height, Left and Top 0).
TRect RotatedBounds(int width, int height, int degrees);
// RotateBitmap into a frame of width × height whose point centre the source's centre
// turns about: the same pixels, only moved by whole pixels and cut or padded at the frame's
// edges. Null for a side below 1.
std::unique_ptr<TBitmap> RotateBitmapInto(const TBitmap& bitmap, int degrees, int width, int height, TPoint centre);

// Clear brush, then the outline of rect in the pen: 0 plain, 1..3 cut corners of that
// size, 4 rounded corners, anything else the outline one pixel smaller.
void DrawRoundFrame(TCanvas& canvas, const TRect& rect, int corner);
// Text anchored at (x, y): hAlign 0 centre, 1 left, 2 right; vAlign 0 middle, 1 top,
// 2 bottom (by the height of "■"). Other values count as left / top.
void TextOutAligned(TCanvas& canvas, int x, int y, uint8_t hAlign, uint8_t vAlign, const std::string& text);
// Text as a column, two columns (TextColumns) per line of height "■": one full-width
// character or two narrow ones; a trailing narrow character alone is not drawn. Alignment as for TextOutAligned, on the column.
void TextOutVertical(TCanvas& canvas, int x, int y, uint8_t hAlign, uint8_t vAlign, const std::string& text);
