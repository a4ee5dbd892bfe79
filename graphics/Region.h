#pragma once
// TRegion: a window-system region (here a QRegion) built from rectangles, ellipses, a stream
// of rectangles, or the alpha channel of a 32-bit bitmap. Every operation computes the new
// shape aside and keeps it only on success; on failure the region holds what it held and
// an ERegionError carries the message.

#include <QRegion>

#include <cstdint>
#include <vector>

#include "graphics/Bitmap.h"
#include "graphics/Stream.h"
#include "storage/Exception.h"
#include "storage/Geometry.h"

class ERegionError : public Exception {
public:
    using Exception::Exception;
};

// How Add combines a shape into the region.
enum class TRegionMode : uint8_t {
    Intersect,
    Replace,   // the region becomes the shape alone
    Subtract,  // the region less the shape
    Union,
    Xor,
};

// Region coordinates are held within ±2^27, the range of the window system's regions.
constexpr int MaxRegionCoordinate = 1 << 27;

// Rectangle stream: a 32-byte header (size 32, kind 1, count, buffer size, bounds) and
// count rectangles of four little-endian int32 (left, top, right, bottom; the last two
// exclusive). Rectangles reach the region in batches of at most this many.
constexpr int RegionBatchRectangles = 4000;
constexpr int RegionHeaderBytes = 32;

class TRegion {
public:
    TRegion() = default;
    const QRegion& Handle() const { return FRegion; }

    // Combines shape by mode (Intersect .. Xor). "TRegion.Add: Add Failed" for a value outside them.
    void Add(const QRegion& shape, TRegionMode mode);
    // "TRegion.AddRect: Cannot Create Region" beyond the coordinate range.
    void AddRect(int left, int top, int right, int bottom, TRegionMode mode);
    void AddRect(const TRect& r, TRegionMode mode) { AddRect(r.Left, r.Top, r.Right, r.Bottom, mode); }
    // The ellipse inscribed in the rectangle. "TRegion.AddEllipse: Cannot Create Region".
    void AddEllipse(int left, int top, int right, int bottom, TRegionMode mode);
    // The union of the stream's rectangles replaces the region. A short stream, a header
    // other than size 32 and kind 1, or coordinates beyond the range raise
    // "TRegion.LoadFromStream: Cannot Create Region". Empty rectangles add nothing.
    void LoadFromStream(TStream& stream);
    // Every pixel whose alpha is at least threshold, in runs per row, through the rectangle
    // stream. "TRegion.makeRgnFromBitmap Failed" for a bitmap that is not 32-bit.
    void MakeFromBitmap(const TBitmap& bitmap, int threshold);
    // "TRegion.Move Failed" when the shifted region would leave the coordinate range.
    void Move(int dx, int dy);
    // The part of the region inside clip as rectangles that do not overlap, top band first
    // and left to right within a band; none when they do not meet.
    std::vector<TRect> RectanglesWithin(const TRect& clip) const;

private:
    QRegion FRegion;
};
