#include "graphics/Region.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

bool InRange(int64_t value) { return value >= -MaxRegionCoordinate && value <= MaxRegionCoordinate; }

bool RectInRange(int64_t left, int64_t top, int64_t right, int64_t bottom) {
    return InRange(left) && InRange(top) && InRange(right) && InRange(bottom);
}

// Right and bottom exclusive; an empty or inverted rectangle is empty.
QRect RectOf(int left, int top, int right, int bottom) {
    if (right <= left || bottom <= top)
        return QRect();
    return QRect(left, top, right - left, bottom - top);
}

// Unites the rectangles pairwise, so that n rectangles cost n log n instead of n².
QRegion UniteRects(const QRect* rects, size_t count) {
    if (count <= 4) {
        QRegion region;
        for (size_t i = 0; i < count; ++i)
            region += rects[i];
        return region;
    }
    size_t half = count / 2;
    return UniteRects(rects, half).united(UniteRects(rects + half, count - half));
}

int32_t LittleEndian32(const uint8_t* p) {
    return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

void PutLittleEndian32(std::string& out, int32_t value) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((static_cast<uint32_t>(value) >> (8 * i)) & 0xFF);
}

}  // namespace

void TRegion::Add(const QRegion& shape, TRegionMode mode) {
    switch (mode) {
    case TRegionMode::Intersect:
        FRegion = FRegion.intersected(shape);
        break;
    case TRegionMode::Replace:
        FRegion = shape;
        break;
    case TRegionMode::Subtract:
        FRegion = FRegion.subtracted(shape);
        break;
    case TRegionMode::Union:
        FRegion = FRegion.united(shape);
        break;
    case TRegionMode::Xor:
        FRegion = FRegion.xored(shape);
        break;
    default:
        throw ERegionError("TRegion.Add: Add Failed");
    }
}

void TRegion::AddRect(int left, int top, int right, int bottom, TRegionMode mode) {
    if (!RectInRange(left, top, right, bottom))
        throw ERegionError("TRegion.AddRect: Cannot Create Region");
    Add(QRegion(RectOf(left, top, right, bottom)), mode);
}

void TRegion::AddEllipse(int left, int top, int right, int bottom, TRegionMode mode) {
    if (!RectInRange(left, top, right, bottom))
        throw ERegionError("TRegion.AddEllipse: Cannot Create Region");
    Add(QRegion(RectOf(left, top, right, bottom), QRegion::Ellipse), mode);
}

void TRegion::LoadFromStream(TStream& stream) {
    const char* cannotCreate = "TRegion.LoadFromStream: Cannot Create Region";
    uint8_t header[RegionHeaderBytes];
    if (stream.Read(header, RegionHeaderBytes) != RegionHeaderBytes)
        throw ERegionError(cannotCreate);
    if (LittleEndian32(header) != RegionHeaderBytes || LittleEndian32(header + 4) != 1)
        throw ERegionError(cannotCreate);
    uint32_t remaining = static_cast<uint32_t>(LittleEndian32(header + 8));
    QRegion result;
    std::vector<uint8_t> buffer(static_cast<size_t>(RegionBatchRectangles) * 16);
    std::vector<QRect> rects;
    rects.reserve(RegionBatchRectangles);
    while (remaining > 0) {
        uint32_t batch = std::min<uint32_t>(remaining, RegionBatchRectangles);
        if (stream.Read(buffer.data(), int64_t(batch) * 16) != int64_t(batch) * 16)
            throw ERegionError(cannotCreate);
        rects.clear();
        for (uint32_t i = 0; i < batch; ++i) {
            const uint8_t* p = buffer.data() + i * 16;
            int32_t left = LittleEndian32(p), top = LittleEndian32(p + 4);
            int32_t right = LittleEndian32(p + 8), bottom = LittleEndian32(p + 12);
            if (!RectInRange(left, top, right, bottom))
                throw ERegionError(cannotCreate);
            QRect rect = RectOf(left, top, right, bottom);
            if (!rect.isEmpty())
                rects.push_back(rect);
        }
        result = result.united(UniteRects(rects.data(), rects.size()));
        remaining -= batch;
    }
    FRegion = result;
}

void TRegion::MakeFromBitmap(const TBitmap& bitmap, int threshold) {
    if (!bitmap.Is32Bit())
        throw ERegionError("TRegion.makeRgnFromBitmap Failed");
    std::string data;
    for (int32_t value : {RegionHeaderBytes, 1, 0, 0, 0, 0, bitmap.Width(), bitmap.Height()})
        PutLittleEndian32(data, value);
    int32_t count = 0;
    for (int y = 0; y < bitmap.Height(); ++y) {
        const uint8_t* row = bitmap.ScanLine(y);
        int x = 0;
        while (x < bitmap.Width()) {
            while (x < bitmap.Width() && row[x * 4 + 3] < threshold)
                ++x;
            if (x == bitmap.Width())
                break;
            int start = x;
            while (x < bitmap.Width() && row[x * 4 + 3] >= threshold)
                ++x;
            for (int32_t value : {start, y, x, y + 1})
                PutLittleEndian32(data, value);
            ++count;
        }
    }
    std::string countBytes;
    PutLittleEndian32(countBytes, count);
    data.replace(8, 4, countBytes);
    TMemoryStream stream(std::move(data));
    LoadFromStream(stream);
}

void TRegion::Move(int dx, int dy) {
    if (FRegion.isEmpty())
        return;  // nothing to shift
    QRect bounds = FRegion.boundingRect();
    if (!RectInRange(int64_t(bounds.left()) + dx, int64_t(bounds.top()) + dy, int64_t(bounds.right()) + 1 + dx,
                     int64_t(bounds.bottom()) + 1 + dy))
        throw ERegionError("TRegion.Move Failed");
    FRegion.translate(dx, dy);
}

std::vector<TRect> TRegion::RectanglesWithin(const TRect& clip) const {
    std::vector<TRect> parts;
    if (clip.Width() <= 0 || clip.Height() <= 0)
        return parts;
    for (const QRect& r : FRegion.intersected(QRect(clip.Left, clip.Top, clip.Width(), clip.Height())))
        parts.push_back(RectOfSize(r.x(), r.y(), r.width(), r.height()));
    return parts;
}
