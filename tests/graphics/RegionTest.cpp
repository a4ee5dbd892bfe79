// Regions: combination modes, the rectangle stream with its batches and refusals, shapes
// cut from a bitmap's alpha, and moving.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BitmapTestSupport.h"
#include "graphics/Region.h"

using enum TPixelFormat;

namespace {

void Put32(std::string& out, int32_t v) {
    for (int i = 0; i < 4; ++i)
        out += char((uint32_t(v) >> (8 * i)) & 0xFF);
}

std::string RectStream(const std::vector<TRect>& rects, int32_t headerSize = 32, int32_t kind = 1, int64_t count = -1) {
    std::string out;
    for (int32_t v : {headerSize, kind, int32_t(count < 0 ? int64_t(rects.size()) : count), 0, 0, 0, 100, 100})
        Put32(out, v);
    for (const TRect& r : rects)
        for (int32_t v : {r.Left, r.Top, r.Right, r.Bottom})
            Put32(out, v);
    return out;
}

// A stream that remembers the size of every read.
class TCountingStream : public TMemoryStream {
public:
    using TMemoryStream::TMemoryStream;
    int64_t Read(void* buffer, int64_t count) override {
        Reads.push_back(count);
        return TMemoryStream::Read(buffer, count);
    }
    std::vector<int64_t> Reads;
};

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const ERegionError& e) {
        return e.Message();
    }
    return "(no error)";
}

// '#' for every pixel of a small area that the region holds.
std::string Shape(const TRegion& region, int width, int height) {
    std::string text;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            text += region.Handle().contains(QPoint(x, y)) ? '#' : '.';
        text += '\n';
    }
    return text;
}

}  // namespace

TEST(Region, CombinationModes) {
    struct {
        TRegionMode Mode;
        std::string Expected;
    } const cases[] = {
        {TRegionMode::Intersect, "......\n..#...\n......\n"}, {TRegionMode::Replace, "......\n..##..\n..##..\n"},
        {TRegionMode::Subtract, "###...\n##....\n......\n"},  {TRegionMode::Union, "###...\n####..\n..##..\n"},
        {TRegionMode::Xor, "###...\n##.#..\n..##..\n"},
    };
    for (const auto& c : cases) {
        TRegion region;
        region.AddRect(0, 0, 3, 2, TRegionMode::Union);
        region.AddRect(TRect{2, 1, 4, 3}, c.Mode);
        EXPECT_EQ(Shape(region, 6, 3), c.Expected) << static_cast<int>(c.Mode);
    }
    TRegion kept;
    kept.AddRect(0, 0, 2, 1, TRegionMode::Replace);
    EXPECT_EQ(ErrorOf([&] { kept.AddRect(0, 0, 5, 5, static_cast<TRegionMode>(5)); }), "TRegion.Add: Add Failed");
    EXPECT_EQ(ErrorOf([&] { kept.AddRect(0, 0, MaxRegionCoordinate + 1, 5, TRegionMode::Union); }),
              "TRegion.AddRect: Cannot Create Region");
    EXPECT_EQ(ErrorOf([&] { kept.AddEllipse(-MaxRegionCoordinate - 1, 0, 5, 5, TRegionMode::Union); }),
              "TRegion.AddEllipse: Cannot Create Region");
    EXPECT_EQ(Shape(kept, 3, 2), "##.\n...\n");
}

TEST(Region, EllipsesFitTheirRectangle) {
    TRegion region;
    region.AddEllipse(0, 0, 10, 6, TRegionMode::Union);
    EXPECT_TRUE(region.Handle().contains(QPoint(5, 3)));
    EXPECT_TRUE(region.Handle().contains(QPoint(0, 3)));
    EXPECT_FALSE(region.Handle().contains(QPoint(0, 0)));
    EXPECT_FALSE(region.Handle().contains(QPoint(10, 3)));
    EXPECT_EQ(region.Handle().boundingRect(), QRect(0, 0, 10, 6));
}

TEST(Region, StreamsArriveInBatchesOfAtMost4000) {
    std::vector<TRect> runs;
    for (int i = 0; i < 9000; ++i)
        runs.push_back({2 * (i % 300), i / 300, 2 * (i % 300) + 1, i / 300 + 1});
    TCountingStream stream(RectStream(runs));
    TRegion region;
    region.LoadFromStream(stream);
    EXPECT_EQ(stream.Reads, (std::vector<int64_t>{32, 4000 * 16, 4000 * 16, 1000 * 16}));
    int64_t area = 0;
    for (const QRect& r : region.Handle())
        area += int64_t(r.width()) * r.height();
    EXPECT_EQ(area, 9000);
    EXPECT_TRUE(region.Handle().contains(QPoint(598, 29)));
    EXPECT_FALSE(region.Handle().contains(QPoint(599, 29)));
}

TEST(Region, DamagedStreamsLeaveTheRegionAsItWas) {
    const std::string shortRects = RectStream({{0, 0, 1, 1}}, 32, 1, 2);
    struct {
        const char* What;
        std::string Bytes;
    } const cases[] = {
        {"short header", RectStream({}).substr(0, 31)},
        {"header size 40", RectStream({{0, 0, 1, 1}}, 40)},
        {"kind 2", RectStream({{0, 0, 1, 1}}, 32, 2)},
        {"count beyond the data", shortRects},
        {"huge count", RectStream({{0, 0, 1, 1}}, 32, 1, 0xFFFFFFFF)},
        {"coordinate out of range", RectStream({{0, 0, 1, 1}, {0, 0, 2147483647, 1}})},
    };
    for (const auto& c : cases) {
        TRegion region;
        region.AddRect(5, 5, 6, 6, TRegionMode::Union);
        TMemoryStream stream(c.Bytes);
        EXPECT_EQ(ErrorOf([&] { region.LoadFromStream(stream); }), "TRegion.LoadFromStream: Cannot Create Region")
            << c.What;
        EXPECT_EQ(region.Handle(), QRegion(5, 5, 1, 1)) << c.What;
    }
    // Empty and inverted rectangles add nothing; a count of 0 gives the empty region.
    TRegion region;
    region.AddRect(0, 0, 9, 9, TRegionMode::Union);
    TMemoryStream inverted(RectStream({{4, 4, 2, 6}, {1, 1, 1, 5}, {0, 0, 1, 1}}));
    region.LoadFromStream(inverted);
    EXPECT_EQ(region.Handle(), QRegion(0, 0, 1, 1));
    TMemoryStream none(RectStream({}));
    region.LoadFromStream(none);
    EXPECT_TRUE(region.Handle().isEmpty());
}

TEST(Region, BitmapShapesFollowTheAlphaThreshold) {
    TBitmap clear = MakeBitmap(7, 4, Bits32, [](int, int) { return TPixel{1, 2, 3, 0}; });
    TBitmap solid = MakeBitmap(7, 4, Bits32, [](int, int) { return TPixel{1, 2, 3, 128}; });
    TRegion region;
    region.MakeFromBitmap(clear, 128);
    EXPECT_TRUE(region.Handle().isEmpty());
    region.MakeFromBitmap(solid, 128);
    EXPECT_EQ(region.Handle(), QRegion(0, 0, 7, 4));
    EXPECT_EQ(region.Handle().rectCount(), 1);

    auto alpha = [](int x, int y) { return uint8_t((x * 37 + y * 91) * 7 % 256); };
    TBitmap speckled = MakeBitmap(40, 30, Bits32, [&](int x, int y) { return TPixel{0, 0, 0, alpha(x, y)}; });
    for (int threshold : {1, 128, 255, 256}) {
        region.MakeFromBitmap(speckled, threshold);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                ASSERT_EQ(region.Handle().contains(QPoint(x, y)), alpha(x, y) >= threshold) << x << "," << y;
    }
    TBitmap rgb(3, 3, Bits24);
    region.MakeFromBitmap(solid, 128);
    EXPECT_EQ(ErrorOf([&] { region.MakeFromBitmap(rgb, 128); }), "TRegion.makeRgnFromBitmap Failed");
    EXPECT_EQ(region.Handle(), QRegion(0, 0, 7, 4));
}

TEST(Region, MovingShiftsWithinTheRange) {
    TRegion region;
    region.AddRect(0, 0, 2, 2, TRegionMode::Union);
    region.Move(3, -1);
    EXPECT_EQ(region.Handle(), QRegion(3, -1, 2, 2));
    EXPECT_EQ(ErrorOf([&] { region.Move(MaxRegionCoordinate, 0); }), "TRegion.Move Failed");
    EXPECT_EQ(region.Handle(), QRegion(3, -1, 2, 2));
    TRegion empty;
    empty.Move(2147483647, 0);
    EXPECT_TRUE(empty.Handle().isEmpty());
}

namespace {

// '#' for every pixel that one of the rectangles covers, '2' where two overlap.
std::string Cover(const std::vector<TRect>& parts, int width, int height) {
    std::string text;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int count = 0;
            for (const TRect& r : parts)
                count += r.Left <= x && x < r.Right && r.Top <= y && y < r.Bottom;
            text += count == 0 ? '.' : count == 1 ? '#' : '2';
        }
        text += '\n';
    }
    return text;
}

}  // namespace

TEST(Region, RectanglesWithinTileTheClippedShapeOnce) {
    TRegion region;
    region.AddRect(0, 0, 4, 2, TRegionMode::Union);
    region.AddRect(2, 1, 7, 4, TRegionMode::Union);
    region.AddEllipse(-3, 3, 3, 9, TRegionMode::Union);
    struct {
        const char* What;
        TRect Clip;
    } const clips[] = {
        {"the whole area", {0, 0, 8, 6}},
        {"a corner band", {1, 1, 6, 4}},
        {"beyond the shape", {-5, -5, 20, 20}},
    };
    for (const auto& c : clips) {
        std::vector<TRect> parts = region.RectanglesWithin(c.Clip);
        TRegion clipped = region;
        clipped.AddRect(c.Clip, TRegionMode::Intersect);
        EXPECT_EQ(Cover(parts, 8, 6), Shape(clipped, 8, 6)) << c.What;
        for (size_t i = 1; i < parts.size(); ++i)  // bands from the top, left to right within one
            EXPECT_TRUE(parts[i - 1].Top < parts[i].Top ||
                        (parts[i - 1].Top == parts[i].Top && parts[i - 1].Right <= parts[i].Left))
                << c.What << " " << i;
    }
    EXPECT_TRUE(region.RectanglesWithin({10, 10, 20, 20}).empty());
    EXPECT_TRUE(region.RectanglesWithin({2, 2, 2, 5}).empty());  // an empty clip
    EXPECT_TRUE(TRegion().RectanglesWithin({0, 0, 8, 6}).empty());
}
