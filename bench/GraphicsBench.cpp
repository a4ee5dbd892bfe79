// Pixel work and PNG decoding next to the nearest Qt routine, in the same run:
//   rotation of a 120 × 120 page by 37°      vs QImage::transformed, smooth
//   halving of 240 × 240                      vs QImage::scaled to half, smooth
//   dtLayered of 123 × 123                    vs conversion to premultiplied ARGB
//   a 1000 × 1000 truecolour-with-alpha PNG   vs QImage loading it (libpng)

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QTransform>

#include <cstring>

#include <string>

#include "graphics/GraphicWork.h"
#include "graphics/ImageLoader.h"

namespace {

uint8_t Wave(int x, int y, int c) { return static_cast<uint8_t>((x * (3 + c) + y * (5 - c) + ((x * y) >> 4)) & 0xFF); }

TBitmap OurPage(int side) {
    TBitmap b(side, side, TPixelFormat::Bits32);
    for (int y = 0; y < side; ++y) {
        uint8_t* p = b.ScanLine(y);
        for (int x = 0; x < side; ++x, p += 4)
            p[0] = Wave(x, y, 0), p[1] = Wave(x, y, 1), p[2] = Wave(x, y, 2),
            p[3] = static_cast<uint8_t>(x * 255 / side);
    }
    return b;
}

QImage QtPage(int side) {
    TBitmap b = OurPage(side);
    QImage image(side, side, QImage::Format_ARGB32);
    for (int y = 0; y < side; ++y)
        std::memcpy(image.scanLine(y), b.ScanLine(y), static_cast<size_t>(side) * 4);
    return image;
}

const std::string& PhotoPng() {
    static const std::string bytes = [] {
        QImage image(1000, 1000, QImage::Format_ARGB32);
        for (int y = 0; y < 1000; ++y)
            for (int x = 0; x < 1000; ++x)
                image.setPixel(
                    x, y, qRgba(Wave(x, y, 0), Wave(x, y, 1) ^ ((x * 7 + y * 13) % 11), Wave(x, y, 2), (x + y) & 0xFF));
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return data.toStdString();
    }();
    return bytes;
}

void RotateOurs(benchmark::State& state) {
    TBitmap page = OurPage(120);
    for (auto _ : state)
        benchmark::DoNotOptimize(RotateBitmap(page, 37));
}
BENCHMARK(RotateOurs);

void RotateQt(benchmark::State& state) {
    QImage page = QtPage(120);
    for (auto _ : state)
        benchmark::DoNotOptimize(page.transformed(QTransform().rotate(37), Qt::SmoothTransformation));
}
BENCHMARK(RotateQt);

void HalveOurs(benchmark::State& state) {
    TBitmap page = OurPage(240);
    for (auto _ : state) {
        HalveBitmap(page);  // halves in place; the cost does not depend on the values
        benchmark::ClobberMemory();
    }
}
BENCHMARK(HalveOurs);

void HalveQt(benchmark::State& state) {
    QImage page = QtPage(240);
    for (auto _ : state)
        benchmark::DoNotOptimize(page.scaled(120, 120, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}
BENCHMARK(HalveQt);

void LayeredOurs(benchmark::State& state) {
    TBitmap source = OurPage(123), target(123, 123, TPixelFormat::Bits32);
    for (auto _ : state) {
        DrawBlend(0, 0, target, source, TDrawType::Layered);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(LayeredOurs);

void LayeredQt(benchmark::State& state) {
    QImage source = QtPage(123);
    for (auto _ : state)
        benchmark::DoNotOptimize(source.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}
BENCHMARK(LayeredQt);

void PngOurs(benchmark::State& state) {
    const std::string& png = PhotoPng();
    for (auto _ : state) {
        TBitmap bitmap;
        TBytesStream stream(png);
        LoadPng(bitmap, stream);
        benchmark::DoNotOptimize(bitmap.Bits());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(png.size()));
}
BENCHMARK(PngOurs)->Unit(benchmark::kMillisecond);

void PngQt(benchmark::State& state) {
    const std::string& png = PhotoPng();
    for (auto _ : state) {
        QImage image;
        image.loadFromData(reinterpret_cast<const uchar*>(png.data()), static_cast<int>(png.size()), "PNG");
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(png.size()));
}
BENCHMARK(PngQt)->Unit(benchmark::kMillisecond);

}  // namespace
