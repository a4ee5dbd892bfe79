#include "graphics/GraphicWork.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "graphics/Canvas.h"
#include "graphics/GraphicMath.h"
#include "storage/Text.h"

namespace {

const std::string_view DrawTypeNames[DrawTypeCount] = {"dtAlpha", "dtCopy",    "dtAdd",      "dtSub",   "dtMulti",
                                                       "dtDiv",   "dtScreen",  "dtOverlay",  "dtWhite", "dtBlack",
                                                       "dtNone",  "dtLayered", "dtAlphaOver"};

bool Usable32(const TBitmap& bitmap) { return bitmap.Is32Bit() && !bitmap.Empty(); }

}  // namespace

std::string_view DrawTypeName(TDrawType mode) {
    auto index = static_cast<int>(mode);
    return index < DrawTypeCount ? DrawTypeNames[index] : std::string_view();
}

bool DrawTypeFromName(std::string_view name, TDrawType& mode) {
    for (int i = 0; i < DrawTypeCount; ++i)
        if (DrawTypeNames[i] == name) {
            mode = static_cast<TDrawType>(i);
            return true;
        }
    return false;
}

uint32_t BlendColor(uint32_t c1, uint32_t c2, int weight) {
    auto mix = [weight](uint32_t a, uint32_t b) {
        return (weight * static_cast<int>(a) + (255 - weight) * static_cast<int>(b)) / 255;
    };
    return RGB(mix(RedOf(c1), RedOf(c2)), mix(GreenOf(c1), GreenOf(c2)), mix(BlueOf(c1), BlueOf(c2))) & 0xFFFFFF;
}

uint32_t GrayTone(uint32_t color) {
    uint32_t grey = 128 + (RedOf(color) + GreenOf(color) + BlueOf(color)) / 8;
    return RGB(grey, grey, grey);
}

void SetAlpha(TBitmap& bitmap, uint8_t alpha) {
    if (!Usable32(bitmap))
        return;
    for (int y = 0; y < bitmap.Height(); ++y) {
        uint8_t* p = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x)
            p[x * 4 + 3] = alpha;
    }
}

void SetAlphaByColorKey(TBitmap& bitmap, uint8_t alpha) {
    if (!Usable32(bitmap))
        return;
    const uint8_t* key = bitmap.ScanLine(0);
    uint8_t b = key[0], g = key[1], r = key[2];
    for (int y = 0; y < bitmap.Height(); ++y) {
        uint8_t* p = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x, p += 4)
            p[3] = (p[0] == b && p[1] == g && p[2] == r) ? 0 : alpha;
    }
}

void SetColorKeepAlpha(TBitmap& bitmap, uint32_t color) {
    if (!Usable32(bitmap))
        return;
    for (int y = 0; y < bitmap.Height(); ++y) {
        uint8_t* p = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x, p += 4) {
            p[0] = BlueOf(color);
            p[1] = GreenOf(color);
            p[2] = RedOf(color);
        }
    }
}

void FillBitmap32(TBitmap& bitmap, uint32_t color) {
    if (!bitmap.Is32Bit())
        throw Exception("32bitBmp以外を塗りつぶそうとしました");
    uint8_t alpha = color >> 24;
    for (int y = 0; y < bitmap.Height(); ++y) {
        uint8_t* p = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x, p += 4) {
            p[0] = BlueOf(color);
            p[1] = GreenOf(color);
            p[2] = RedOf(color);
            p[3] = alpha;
        }
    }
}

void ScaleAlphaCorners(TBitmap& bitmap, int topLeft, int topRight, int bottomRight, int bottomLeft) {
    if (!Usable32(bitmap))
        return;
    const int64_t w = bitmap.Width(), h = bitmap.Height();
    for (int64_t y = 0; y < h; ++y) {
        uint8_t* p = bitmap.ScanLine(static_cast<int>(y));
        for (int64_t x = 0; x < w; ++x, p += 4) {
            int64_t g = (topLeft * (w - x) + topRight * x) * (h - y) + y * (w - x) * bottomLeft + y * x * bottomRight;
            int64_t factor = g * 256 / (w * h);
            // Corner factors above 256 or below 0 would push alpha out of its byte.
            p[3] = static_cast<uint8_t>(std::clamp<int64_t>(p[3] * factor / 65536, 0, 255));
        }
    }
}

namespace {

// The 2×2 averages of source into the top-left quarter-sized part of target (32-bit, at
// least that large), which may be source itself: row y of the output is row 2y of the
// input or above it, so every input row is read before the output overwrites it.
void HalveInto(const TBitmap& source, TBitmap& target) {
    int halfWidth = source.Width() / 2, halfHeight = source.Height() / 2;
    for (int y = 0; y < halfHeight; ++y) {
        const uint8_t* top = source.ScanLine(2 * y);
        const uint8_t* bottom = source.ScanLine(2 * y + 1);
        uint8_t* out = target.ScanLine(y);
        int i = 0;
#if defined(__SSE2__)
        // Two output pixels from four input pixels of each row, summed in 16-bit lanes.
        const __m128i zero = _mm_setzero_si128();
        for (; i + 8 <= halfWidth * 4; i += 8) {
            __m128i upper = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + 2 * i));
            __m128i lower = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + 2 * i));
            __m128i left = _mm_add_epi16(_mm_unpacklo_epi8(upper, zero), _mm_unpacklo_epi8(lower, zero));
            __m128i right = _mm_add_epi16(_mm_unpackhi_epi8(upper, zero), _mm_unpackhi_epi8(lower, zero));
            __m128i sums = _mm_add_epi16(_mm_unpacklo_epi64(left, right), _mm_unpackhi_epi64(left, right));
            __m128i averages = _mm_srli_epi16(sums, 2);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(averages, averages));
        }
#endif
        for (; i < halfWidth * 4; ++i) {
            int k = (i & ~3) * 2 + (i & 3);
            out[i] = static_cast<uint8_t>((top[k] + top[k + 4] + bottom[k] + bottom[k + 4]) / 4);
        }
    }
}

}  // namespace

void HalveBitmap(TBitmap& bitmap) {
    if (Usable32(bitmap))
        HalveInto(bitmap, bitmap);
}

namespace {

// The source pixels an output pixel covers along one axis, and each one's share in units
// of 1/size of the output pixel (the shares of one output pixel sum to source).
struct TCoverage {
    int First = 0;
    std::vector<int> Weights;
};

std::vector<TCoverage> AxisCoverage(int source, int size) {
    std::vector<TCoverage> axis(static_cast<size_t>(size));
    // Output pixel i covers source [i * source / size, (i + 1) * source / size); in units of
    // 1/size of a source pixel that is [i * source, (i + 1) * source).
    for (int i = 0; i < size; ++i) {
        const int64_t begin = int64_t(i) * source, end = int64_t(i + 1) * source;
        TCoverage& cover = axis[static_cast<size_t>(i)];
        cover.First = static_cast<int>(begin / size);
        for (int64_t pixel = cover.First; pixel * size < end; ++pixel) {
            const int64_t from = std::max(begin, pixel * size), to = std::min(end, (pixel + 1) * size);
            cover.Weights.push_back(static_cast<int>(to - from));
        }
    }
    return axis;
}

}  // namespace

std::unique_ptr<TBitmap> ReduceBitmap(const TBitmap& bitmap, int width, int height) {
    if (!Usable32(bitmap) || width < 1 || height < 1 || width > bitmap.Width() || height > bitmap.Height())
        return nullptr;
    if (2 * width == bitmap.Width() && 2 * height == bitmap.Height()) {
        auto half = std::make_unique<TBitmap>(width, height, TPixelFormat::Bits32);
        HalveInto(bitmap, *half);
        return half;
    }
    const std::vector<TCoverage> columns = AxisCoverage(bitmap.Width(), width);
    const std::vector<TCoverage> rows = AxisCoverage(bitmap.Height(), height);
    // First every source row reduced across: each sum is at most source width × 255.
    const size_t lineLength = static_cast<size_t>(width) * 4;
    std::vector<uint32_t> across(lineLength * static_cast<size_t>(bitmap.Height()));
    for (int y = 0; y < bitmap.Height(); ++y) {
        const uint8_t* source = bitmap.ScanLine(y);
        uint32_t* line = &across[lineLength * static_cast<size_t>(y)];
        for (int x = 0; x < width; ++x) {
            const TCoverage& column = columns[static_cast<size_t>(x)];
            const uint8_t* pixel = source + column.First * 4;
            uint32_t sums[4] = {};
            for (int weight : column.Weights) {
                for (int channel = 0; channel < 4; ++channel)
                    sums[channel] += pixel[channel] * static_cast<uint32_t>(weight);
                pixel += 4;
            }
            std::copy_n(sums, 4, line + x * 4);
        }
    }
    // Then down: each output pixel's weights sum to source width × source height units.
    auto result = std::make_unique<TBitmap>(width, height, TPixelFormat::Bits32);
    const double reciprocal = 1.0 / (double(bitmap.Width()) * bitmap.Height());
    std::vector<uint64_t> sums(lineLength);
    for (int y = 0; y < height; ++y) {
        const TCoverage& row = rows[static_cast<size_t>(y)];
        std::fill(sums.begin(), sums.end(), 0);
        for (size_t r = 0; r < row.Weights.size(); ++r) {
            const uint32_t* line = &across[lineLength * (static_cast<size_t>(row.First) + r)];
            const uint64_t weight = static_cast<uint64_t>(row.Weights[r]);
            for (size_t i = 0; i < lineLength; ++i)
                sums[i] += line[i] * weight;
        }
        uint8_t* out = result->ScanLine(y);
        for (size_t i = 0; i < lineLength; ++i)
            out[i] = static_cast<uint8_t>(static_cast<double>(sums[i]) * reciprocal + 0.5);
    }
    return result;
}

void TintThroughMask(TBitmap& dst, const TBitmap& mask, uint32_t color) {
    if (!Usable32(dst) || mask.Empty())
        return;
    int width = std::min(dst.Width(), mask.Width()), height = std::min(dst.Height(), mask.Height());
    int maskStep = mask.BytesPerPixel();
    const int c[3] = {BlueOf(color), GreenOf(color), RedOf(color)};
    for (int y = 0; y < height; ++y) {
        uint8_t* p = dst.ScanLine(y);
        const uint8_t* m = mask.ScanLine(y);
        for (int x = 0; x < width; ++x, p += 4, m += maskStep) {
            int weight = m[0];
            for (int k = 0; k < 3; ++k)
                p[k] = static_cast<uint8_t>(((255 - weight) * p[k] + weight * c[k]) / 255);
            p[3] = 255;
        }
    }
}

void Emboss(TBitmap& dst, const TBitmap& mask) {
    if (!Usable32(dst) || mask.Empty())
        return;
    int width = std::min(dst.Width(), mask.Width()), height = std::min(dst.Height(), mask.Height());
    int step = mask.BytesPerPixel();
    for (int y = 1; y < height - 1; ++y) {
        const uint8_t* above = mask.ScanLine(y - 1);
        const uint8_t* here = mask.ScanLine(y);
        const uint8_t* below = mask.ScanLine(y + 1);
        uint8_t* p = dst.ScanLine(y);
        for (int x = 1; x < width - 1; ++x) {
            int e = here[(x - 1) * step] / 5 + above[x * step] / 4 - here[(x + 1) * step] / 5 - below[x * step] / 4;
            for (int k = 0; k < 3; ++k)
                p[x * 4 + k] = static_cast<uint8_t>(std::clamp(p[x * 4 + k] + e, 0, 255));
        }
    }
}

namespace {

// The colour a mode puts in place of the source byte s over the destination byte d.
template <TDrawType Mode>
inline int ModeColor(int s, int d) {
    if constexpr (Mode == TDrawType::Add)
        return std::min(d + s, 255);
    else if constexpr (Mode == TDrawType::Subtract)
        return std::max(d - s, 0);
    else if constexpr (Mode == TDrawType::Multiply)
        return s * d / 255;
    else if constexpr (Mode == TDrawType::Divide)
        return std::min(d * 255 / (s + 1), 255);
    else if constexpr (Mode == TDrawType::Screen)
        return (d * 255 + s * 255 - d * s) / 255;
    else if constexpr (Mode == TDrawType::Overlay)
        return d > 128 ? d + (255 - d) * (s - 128) / 128 : d + d * (s - 128) / 128;
    else if constexpr (Mode == TDrawType::White)
        return s / 2 + 128;
    else if constexpr (Mode == TDrawType::Black)
        return s / 2;
    else
        return s;  // dtAlpha, dtNone
}

struct TBlendArea {
    int SrcX, SrcY, DstX, DstY, Width, Height;
};

template <TDrawType Mode>
void BlendRows(TBitmap& dst, const TBitmap& src, const TBlendArea& area) {
    for (int row = 0; row < area.Height; ++row) {
        const uint8_t* s = src.ScanLine(area.SrcY + row) + area.SrcX * 4;
        uint8_t* d = dst.ScanLine(area.DstY + row) + area.DstX * 4;
        for (int i = 0; i < area.Width; ++i, s += 4, d += 4) {
            int a = s[3];
            if constexpr (Mode == TDrawType::Layered) {
                // Premultiplied, as a per-pixel-alpha window takes it.
                if (a == 0) {
                    d[0] = d[1] = d[2] = d[3] = 0;
                } else if (a == 255) {
                    d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = 255;
                } else {
                    for (int k = 0; k < 3; ++k)
                        d[k] = static_cast<uint8_t>(a * s[k] / 255);
                    d[3] = static_cast<uint8_t>(a);
                }
            } else if constexpr (Mode == TDrawType::Copy) {
                d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = s[3];
            } else if constexpr (Mode == TDrawType::AlphaOver) {
                int e = (255 - a) * d[3] / 255;
                int total = a + e;
                d[3] = static_cast<uint8_t>(total);
                if (total != 0)
                    for (int k = 0; k < 3; ++k)
                        d[k] = static_cast<uint8_t>((d[k] * e + s[k] * a) / total);
            } else {
                if (a == 0)
                    continue;
                for (int k = 0; k < 3; ++k) {
                    int mixed = ModeColor<Mode>(s[k], d[k]);
                    d[k] = static_cast<uint8_t>(a == 255 ? mixed : ((255 - a) * d[k] + a * mixed) / 255);
                }
                d[3] = 255;
            }
        }
    }
}

using TBlendRows = void (*)(TBitmap&, const TBitmap&, const TBlendArea&);

template <size_t... Modes>
constexpr std::array<TBlendRows, sizeof...(Modes)> BlendModeTable(std::index_sequence<Modes...>) {
    return {&BlendRows<static_cast<TDrawType>(Modes)>...};
}

// One specialised row loop per mode, indexed by the mode's value.
constexpr auto BlendModes = BlendModeTable(std::make_index_sequence<DrawTypeCount>());

}  // namespace

void DrawBlend(int x, int y, TBitmap& dst, const TBitmap& src, TDrawType mode) {
    // Both bitmaps are read four bytes a pixel: anything but 32-bit would be read past its rows.
    if (!Usable32(dst) || !Usable32(src))
        return;
    int64_t skipX = x < 0 ? -int64_t(x) : 0, skipY = y < 0 ? -int64_t(y) : 0;
    int64_t dstX = std::max(x, 0), dstY = std::max(y, 0);
    int64_t width = std::min<int64_t>(src.Width() - skipX, dst.Width() - dstX);
    int64_t height = std::min<int64_t>(src.Height() - skipY, dst.Height() - dstY);
    if (width <= 0 || height <= 0)
        return;
    TBlendArea area{int(skipX), int(skipY), int(dstX), int(dstY), int(width), int(height)};
    auto index = static_cast<size_t>(mode);
    if (index < BlendModes.size())
        BlendModes[index](dst, src, area);
}

TRect GetOpaqueBounds(const TBitmap& bitmap) {
    if (bitmap.Empty())
        return {};
    int left = bitmap.Width() + 1, top = bitmap.Height() + 1, right = -1, bottom = -1;
    int64_t key = bitmap.Pixel(0, 0);
    for (int y = 0; y < bitmap.Height(); ++y) {
        const uint8_t* p = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x) {
            bool opaque = bitmap.Is32Bit() ? p[x * 4 + 3] != 0 : RGB(p[x * 3 + 2], p[x * 3 + 1], p[x * 3]) != key;
            if (opaque) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0)
        return {};
    return {left, top, right + 1, bottom + 1};
}

namespace {

// Neighbouring source columns (or rows) of a position in 1/256 pixel, weights adding up to 255.
struct TSamplePair {
    int First;  // x0; the second is x0 + 1
    int FirstWeight, SecondWeight;
};

inline TSamplePair PairOf(int position) {
    if (position >= 0)
        return {position / 256, 255 - position % 256, position % 256};
    int remainder = position % 256;  // -255..0, truncated division
    return {position / 256 - 1, -remainder, 255 + remainder};
}

// Each byte of the four pixels weighted by column and row weights (each pair adding up to
// 255) and divided by 255²: (Σ value · column weight · row weight) div 65025, exactly.
#if defined(__SSE2__)
inline uint32_t BilinearPixel(uint32_t p00, uint32_t p01, uint32_t p10, uint32_t p11, int wx0, int wx1, int wy0,
                              int wy1) {
    const __m128i zero = _mm_setzero_si128();
    // Columns first: p·wx0 + q·wx1 ≤ 255·255 fits the 16-bit lanes.
    const __m128i wx =
        _mm_set_epi16(short(wx1), short(wx1), short(wx1), short(wx1), short(wx0), short(wx0), short(wx0), short(wx0));
    __m128i upper = _mm_mullo_epi16(_mm_unpacklo_epi8(_mm_set_epi32(0, 0, int(p01), int(p00)), zero), wx);
    __m128i lower = _mm_mullo_epi16(_mm_unpacklo_epi8(_mm_set_epi32(0, 0, int(p11), int(p10)), zero), wx);
    upper = _mm_add_epi16(upper, _mm_srli_si128(upper, 8));
    lower = _mm_add_epi16(lower, _mm_srli_si128(lower, 8));
    // Then rows, in 32 bits.
    const __m128i wy =
        _mm_set_epi16(short(wy1), short(wy1), short(wy1), short(wy1), short(wy0), short(wy0), short(wy0), short(wy0));
    __m128i both = _mm_unpacklo_epi64(upper, lower);
    __m128i productLow = _mm_mullo_epi16(both, wy), productHigh = _mm_mulhi_epu16(both, wy);
    __m128i sum =
        _mm_add_epi32(_mm_unpacklo_epi16(productLow, productHigh), _mm_unpackhi_epi16(productLow, productHigh));
    // Division by 65025 as a multiplication by ⌈2^40 / 65025⌉, exact for sums below 2^24.
    const __m128i magic = _mm_set1_epi32(16909061);
    __m128i even = _mm_srli_epi64(_mm_mul_epu32(sum, magic), 40);
    __m128i odd = _mm_srli_epi64(_mm_mul_epu32(_mm_srli_epi64(sum, 32), magic), 40);
    __m128i quotient = _mm_or_si128(even, _mm_slli_epi64(odd, 32));
    quotient = _mm_packs_epi32(quotient, quotient);
    return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(quotient, quotient)));
}
#else
inline uint32_t BilinearPixel(uint32_t p00, uint32_t p01, uint32_t p10, uint32_t p11, int wx0, int wx1, int wy0,
                              int wy1) {
    uint32_t pixel = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        uint32_t upper = ((p00 >> shift) & 0xFF) * wx0 + ((p01 >> shift) & 0xFF) * wx1;
        uint32_t lower = ((p10 >> shift) & 0xFF) * wx0 + ((p11 >> shift) & 0xFF) * wx1;
        pixel |= ((upper * wy0 + lower * wy1) / 65025) << shift;
    }
    return pixel;
}
#endif

}  // namespace

TRect RotatedBounds(int width, int height, int degrees) {
    const TTrigTable &S = SinTable(), &C = CosTable();
    const int a = NormalizeAngle(degrees);
    const int w = width, h = height;
    int xs[4] = {0, C[a] * w / 256, (C[a] * w - S[a] * h) / 256, -S[a] * h / 256};
    int ys[4] = {0, S[a] * w / 256, (S[a] * w + C[a] * h) / 256, C[a] * h / 256};
    return {0, 0, *std::max_element(xs, xs + 4) - *std::min_element(xs, xs + 4) + 3,
            *std::max_element(ys, ys + 4) - *std::min_element(ys, ys + 4) + 3};
}

std::unique_ptr<TBitmap> RotateBitmap(const TBitmap& bitmap, int degrees) {
    const TRect bounds = RotatedBounds(bitmap.Width(), bitmap.Height(), degrees);
    return RotateBitmapInto(bitmap, degrees, bounds.Width(), bounds.Height(),
                            {bounds.Width() / 2, bounds.Height() / 2});
}

std::unique_ptr<TBitmap> RotateBitmapInto(const TBitmap& bitmap, int degrees, int outWidth, int outHeight,
                                          TPoint centre) {
    if (outWidth < 1 || outHeight < 1)
        return nullptr;
    const TBitmap* source = &bitmap;
    TBitmap opaqueCopy;
    if (!bitmap.Is32Bit()) {
        opaqueCopy = bitmap;
        opaqueCopy.SetPixelFormat(TPixelFormat::Bits32);
        source = &opaqueCopy;
    }
    const TTrigTable &S = SinTable(), &C = CosTable();
    int a = NormalizeAngle(degrees), v = (360 - a) % 360;
    int w = source->Width(), h = source->Height();
    auto result = std::make_unique<TBitmap>();
    result->Allocate(outWidth, outHeight, TPixelFormat::Bits32);  // transparent black
    if (w == 0 || h == 0)
        return result;

    std::vector<const uint32_t*> sourceRows(h);
    for (int y = 0; y < h; ++y)
        sourceRows[y] = reinterpret_cast<const uint32_t*>(source->ScanLine(y));
    const int cosV = C[v], sinV = S[v];
    const int sourceCentreX = w / 2, sourceCentreY = h / 2;
    const int outCentreX = centre.X, outCentreY = centre.Y;
    for (int i = 0; i < outHeight; ++i) {
        uint32_t* out = reinterpret_cast<uint32_t*>(result->ScanLine(i));
        int dy = i - outCentreY;
        int dx = -outCentreX;
        int px = dx * cosV - dy * sinV + 256 * sourceCentreX;
        int py = dx * sinV + dy * cosV + 256 * sourceCentreY;
        for (int j = 0; j < outWidth; ++j, px += cosV, py += sinV) {
            TSamplePair col = PairOf(px), row = PairOf(py);
            if (col.First < -1 || col.First + 1 > w || row.First < -1 || row.First + 1 > h)
                continue;  // already transparent black
            // A neighbour outside the source lends its partner's colour and adds no alpha.
            bool leftIn = col.First >= 0, rightIn = col.First + 1 < w;
            bool topIn = row.First >= 0, bottomIn = row.First + 1 < h;
            int x0 = leftIn ? col.First : col.First + 1, x1 = rightIn ? col.First + 1 : col.First;
            const uint32_t* top = sourceRows[topIn ? row.First : row.First + 1];
            const uint32_t* bottom = sourceRows[bottomIn ? row.First + 1 : row.First];
            constexpr uint32_t ColorOnly = 0x00FFFFFF;
            uint32_t p00 = top[x0] & (leftIn && topIn ? ~0u : ColorOnly);
            uint32_t p01 = top[x1] & (rightIn && topIn ? ~0u : ColorOnly);
            uint32_t p10 = bottom[x0] & (leftIn && bottomIn ? ~0u : ColorOnly);
            uint32_t p11 = bottom[x1] & (rightIn && bottomIn ? ~0u : ColorOnly);
            out[j] =
                BilinearPixel(p00, p01, p10, p11, col.FirstWeight, col.SecondWeight, row.FirstWeight, row.SecondWeight);
        }
    }
    return result;
}

void DrawRoundFrame(TCanvas& canvas, const TRect& rect, int corner) {
    canvas.Brush.Style = TBrushStyle::Clear;
    if (corner == 0) {
        canvas.Rectangle(rect);
        return;
    }
    const int l = rect.Left, t = rect.Top, r = rect.Right - 1, b = rect.Bottom - 1;
    if (corner >= 1 && corner <= 3) {
        const int c = corner;
        canvas.MoveTo(l + c, t);
        const TPoint path[] = {{r - c, t}, {r, t + c}, {r, b - c}, {r - c, b},
                               {l + c, b}, {l, b - c}, {l, t + c}, {l + c, t}};
        for (const TPoint& p : path)
            canvas.LineTo(p.X, p.Y);
        return;
    }
    if (corner == 4) {
        const int hw = (r - l + 2) / 2, hh = (b - t + 2) / 2;
        struct TSegment {
            int X0, Y0, X1, Y1;
        };
        const TSegment segments[] = {{4, 0, hw, 0}, {0, 4, 0, hh}, {2, 1, 4, 1}, {1, 2, 1, 4}};
        for (const TSegment& s : segments) {
            canvas.MoveTo(l + s.X0, t + s.Y0), canvas.LineTo(l + s.X1, t + s.Y1);
            canvas.MoveTo(r - s.X0, t + s.Y0), canvas.LineTo(r - s.X1, t + s.Y1);
            canvas.MoveTo(r - s.X0, b - s.Y0), canvas.LineTo(r - s.X1, b - s.Y1);
            canvas.MoveTo(l + s.X0, b - s.Y0), canvas.LineTo(l + s.X1, b - s.Y1);
        }
        return;
    }
    canvas.Rectangle(l, t, r, b);
}

namespace {

const std::string& FullWidthSquare() {
    static const std::string Square = "■";
    return Square;
}

}  // namespace

void TextOutAligned(TCanvas& canvas, int x, int y, uint8_t hAlign, uint8_t vAlign, const std::string& text) {
    if (hAlign == 0)
        x -= canvas.TextWidth(text) / 2;
    else if (hAlign == 2)
        x -= canvas.TextWidth(text);
    if (vAlign == 0)
        y -= canvas.TextHeight(FullWidthSquare()) / 2;
    else if (vAlign == 2)
        y -= canvas.TextHeight(FullWidthSquare());
    canvas.TextOut(x, y, text);
}

void TextOutVertical(TCanvas& canvas, int x, int y, uint8_t hAlign, uint8_t vAlign, const std::string& text) {
    const int cellWidth = canvas.TextWidth(FullWidthSquare()), cellHeight = canvas.TextHeight(FullWidthSquare());
    // Each line holds two columns: one full-width character or two narrow ones.
    std::vector<std::string> lines;
    std::string line;
    int columns = 0;
    for (size_t i = 0; i < text.size(); i = NextCharAt(text, i)) {
        line.append(text, i, CharLengthAt(text, i));
        columns += ColumnsAt(text, i);
        if (columns >= 2) {
            lines.push_back(std::move(line));
            line.clear();
            columns = 0;
        }
    }
    const int count = static_cast<int>(lines.size());
    if (hAlign == 0)
        x -= cellWidth / 2;
    else if (hAlign == 2)
        x -= cellWidth;
    if (vAlign == 0)
        y -= count * cellHeight / 2;
    else if (vAlign == 2)
        y -= count * cellHeight;
    for (int i = 0; i < count; ++i)
        canvas.TextOut(x, y + i * cellHeight, lines[static_cast<size_t>(i)]);
}
