// The PNG reader (and the small writer the tool uses). The reader walks the chunks itself,
// gathers the image data into memory and inflates it row by row with zlib.

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "graphics/ImageLoader.h"
#include "storage/Text.h"

namespace {

const uint8_t PngSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

uint32_t BigEndian32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

struct TChunkHead {
    uint32_t Length = 0;
    char Type[5] = {};
    bool Is(const char* type) const { return std::memcmp(Type, type, 4) == 0; }
};

// False at the end of the stream.
bool ReadChunkHead(TStream& stream, TChunkHead& head) {
    uint8_t bytes[8];
    if (stream.Read(bytes, 8) != 8)
        return false;
    head.Length = BigEndian32(bytes);
    std::memcpy(head.Type, bytes + 4, 4);
    return true;
}

void SkipBytes(TStream& stream, int64_t count) { stream.Seek(count, TSeekOrigin::Current); }

struct THeader {
    int64_t Width, Height;
    int Depth, ColorType, Compression, Interlace;
};

int ChannelsOf(int colorType) {
    switch (colorType) {
    case 0:
    case 3:
        return 1;
    case 2:
        return 3;
    case 4:
        return 2;
    default:
        return 4;
    }
}

void CheckHeader(const THeader& h, const TImageLimits& limits) {
    if (h.Depth == 16)
        throw Exception("16bit色深度には対応していません");
    if (h.Compression != 0)
        throw Exception("このPNG圧縮には対応していません");
    if (h.Interlace != 0)
        throw Exception("PNGインターレースには対応していません");
    if (h.ColorType != 0 && h.ColorType != 2 && h.ColorType != 3 && h.ColorType != 4 && h.ColorType != 6)
        throw Exception("このPNGには対応していません");
    // Grey and indexed take 1, 2, 4 or 8 bits; the other types only 8.
    bool packed = h.ColorType == 0 || h.ColorType == 3;
    bool depthFits = packed ? (h.Depth == 1 || h.Depth == 2 || h.Depth == 4 || h.Depth == 8) : h.Depth == 8;
    if (!depthFits)
        throw Exception(std::to_string(h.Depth) + "bit色深度には対応していません");
    CheckImageSize(h.Width, h.Height, limits);
}

// zlib over the gathered image data, handing out one row at a time.
class TInflater {
public:
    explicit TInflater(const std::string& data) {
        FStream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
        FStream.avail_in = static_cast<uInt>(data.size());
        if (inflateInit(&FStream) != Z_OK)
            throw Exception("zlib: inflateInit failed");
    }
    ~TInflater() { inflateEnd(&FStream); }
    TInflater(const TInflater&) = delete;
    TInflater& operator=(const TInflater&) = delete;

    // Fills count bytes; what the data does not supply is 0.
    void Fill(uint8_t* out, size_t count) {
        FStream.next_out = out;
        FStream.avail_out = static_cast<uInt>(count);
        while (FStream.avail_out > 0 && !FEnded) {
            int result = inflate(&FStream, Z_SYNC_FLUSH);
            if (result == Z_STREAM_END || (result == Z_BUF_ERROR && FStream.avail_in == 0)) {
                FEnded = true;
            } else if (result != Z_OK) {
                throw Exception(std::string("zlib: ") + (FStream.msg ? FStream.msg : zError(result)));
            }
        }
        std::memset(FStream.next_out, 0, FStream.avail_out);
    }

private:
    z_stream FStream{};
    bool FEnded = false;
};

inline uint8_t Paeth(int a, int b, int c) {
    int p = a + b - c;
    int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc)
        return static_cast<uint8_t>(a);
    return static_cast<uint8_t>(pb <= pc ? b : c);
}

// Undoes the row's filter on its raw bytes; prior is the previous raw row (zeros above the first).
void Unfilter(int filter, uint8_t* row, const uint8_t* prior, size_t length, size_t bpp) {
    switch (filter) {
    case 1:
        for (size_t i = bpp; i < length; ++i)
            row[i] = static_cast<uint8_t>(row[i] + row[i - bpp]);
        break;
    case 2:
        for (size_t i = 0; i < length; ++i)
            row[i] = static_cast<uint8_t>(row[i] + prior[i]);
        break;
    case 3:
        for (size_t i = 0; i < bpp && i < length; ++i)
            row[i] = static_cast<uint8_t>(row[i] + prior[i] / 2);
        for (size_t i = bpp; i < length; ++i)
            row[i] = static_cast<uint8_t>(row[i] + (row[i - bpp] + prior[i]) / 2);
        break;
    case 4:
        for (size_t i = 0; i < bpp && i < length; ++i)
            row[i] = static_cast<uint8_t>(row[i] + prior[i]);  // Paeth(0, b, 0) is b
        for (size_t i = bpp; i < length; ++i)
            row[i] = static_cast<uint8_t>(row[i] + Paeth(row[i - bpp], prior[i], prior[i - bpp]));
        break;
    default:
        break;  // 0, and unknown types leave the row as read
    }
}

struct TPalette {
    std::array<uint8_t, 256> Red{}, Green{}, Blue{};  // entries PLTE does not supply stay black
};

// Sample x of a row packed at depth bits, leftmost pixel in the high bits.
inline int PackedSample(const uint8_t* row, int64_t x, int depth) {
    if (depth == 8)
        return row[x];
    int64_t bit = x * depth;
    int shift = 8 - depth - static_cast<int>(bit & 7);
    return (row[bit >> 3] >> shift) & ((1 << depth) - 1);
}

void ConvertRow(const THeader& h, const TPalette& palette, const uint8_t* in, uint8_t* out) {
    const int64_t width = h.Width;
    switch (h.ColorType) {
    case 0: {
        const int scale = h.Depth == 1 ? 255 : h.Depth == 2 ? 85 : h.Depth == 4 ? 17 : 1;
        for (int64_t x = 0; x < width; ++x, out += 3)
            out[0] = out[1] = out[2] = static_cast<uint8_t>(PackedSample(in, x, h.Depth) * scale);
        break;
    }
    case 3:
        for (int64_t x = 0; x < width; ++x, out += 3) {
            int index = PackedSample(in, x, h.Depth);
            out[0] = palette.Blue[index];
            out[1] = palette.Green[index];
            out[2] = palette.Red[index];
        }
        break;
    case 2:
        for (int64_t x = 0; x < width; ++x, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
        break;
    case 4:
        for (int64_t x = 0; x < width; ++x, in += 2, out += 4) {
            out[0] = out[1] = out[2] = in[0];
            out[3] = in[1];
        }
        break;
    default:
        for (int64_t x = 0; x < width; ++x, in += 4, out += 4) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = in[3];
        }
        break;
    }
}

// Appends up to length bytes of chunk data and steps over the CRC.
void AppendChunkData(TStream& stream, uint32_t length, std::string& data) {
    int64_t available = std::min<int64_t>(length, stream.Remaining());
    size_t start = data.size();
    data.resize(start + static_cast<size_t>(available));
    data.resize(start + static_cast<size_t>(stream.Read(data.data() + start, available)));
    SkipBytes(stream, int64_t(length) - available + 4);
}

}  // namespace

void LoadPng(TBitmap& bitmap, TStream& stream, const TImageLimits& limits) {
    uint8_t signature[8];
    if (stream.Read(signature, 8) != 8 || std::memcmp(signature, PngSignature, 8) != 0)
        throw Exception("PNGファイルではありません");

    // Chunks before the header are stepped over.
    TChunkHead head;
    for (;;) {
        if (!ReadChunkHead(stream, head))
            return;
        if (head.Is("IHDR"))
            break;
        SkipBytes(stream, int64_t(head.Length) + 4);
    }
    if (head.Length < 13)
        throw Exception("このPNGには対応していません");
    uint8_t fields[13];
    if (stream.Read(fields, 13) != 13)
        return;
    SkipBytes(stream, int64_t(head.Length) - 13 + 4);
    THeader h{BigEndian32(fields), BigEndian32(fields + 4), fields[8], fields[9], fields[10], fields[12]};
    CheckHeader(h, limits);
    bitmap.Allocate(static_cast<int>(h.Width), static_cast<int>(h.Height),
                    h.ColorType == 4 || h.ColorType == 6 ? TPixelFormat::Bits32 : TPixelFormat::Bits24);

    // Gather the palette and the first run of image data chunks.
    TPalette palette;
    std::string data;
    bool more = ReadChunkHead(stream, head);
    while (more) {
        if (head.Is("IDAT")) {
            do
                AppendChunkData(stream, head.Length, data);
            while ((more = ReadChunkHead(stream, head)) && head.Is("IDAT"));
            break;
        }
        if (head.Is("PLTE")) {
            uint8_t entries[768];
            uint32_t count = std::min<uint32_t>(head.Length / 3, 256);
            int64_t got = stream.Read(entries, count * 3) / 3;
            for (int64_t k = 0; k < got; ++k) {
                palette.Red[k] = entries[3 * k];
                palette.Green[k] = entries[3 * k + 1];
                palette.Blue[k] = entries[3 * k + 2];
            }
            SkipBytes(stream, int64_t(head.Length) - count * 3 + 4);
        } else {
            SkipBytes(stream, int64_t(head.Length) + 4);
        }
        more = ReadChunkHead(stream, head);
    }

    const int channels = ChannelsOf(h.ColorType);
    const size_t rowBytes = static_cast<size_t>((h.Width * channels * h.Depth + 7) / 8);
    const size_t bpp = std::max(1, channels * h.Depth / 8);
    std::vector<uint8_t> rows(2 * (rowBytes + 1));
    uint8_t* current = rows.data();
    uint8_t* prior = rows.data() + rowBytes + 1;
    TInflater inflater(data);
    for (int64_t y = 0; y < h.Height; ++y) {
        inflater.Fill(current, rowBytes + 1);
        Unfilter(current[0], current + 1, prior + 1, rowBytes, bpp);
        ConvertRow(h, palette, current + 1, bitmap.ScanLine(static_cast<int>(y)));
        std::swap(current, prior);
    }
}

namespace {

void PutBigEndian32(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

void PutChunk(std::string& out, const char* type, const std::string& body) {
    PutBigEndian32(out, static_cast<uint32_t>(body.size()));
    std::string typed = std::string(type, 4) + body;
    out += typed;
    PutBigEndian32(out, static_cast<uint32_t>(
                            crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()))));
}

}  // namespace

std::string EncodePng(const TBitmap& bitmap) {
    if (bitmap.Empty())
        throw Exception("空の画像はPNGにできません");
    const int channels = bitmap.Is32Bit() ? 4 : 3;
    std::string raw;
    raw.reserve(static_cast<size_t>(bitmap.Height()) * (bitmap.Width() * channels + 1));
    for (int y = 0; y < bitmap.Height(); ++y) {
        raw += '\0';
        const uint8_t* p = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x, p += channels) {
            raw += static_cast<char>(p[2]);
            raw += static_cast<char>(p[1]);
            raw += static_cast<char>(p[0]);
            if (channels == 4)
                raw += static_cast<char>(p[3]);
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(packedSize, '\0');
    if (compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
                 static_cast<uLong>(raw.size())) != Z_OK)
        throw Exception("zlib: compress failed");
    packed.resize(packedSize);

    std::string header;
    PutBigEndian32(header, static_cast<uint32_t>(bitmap.Width()));
    PutBigEndian32(header, static_cast<uint32_t>(bitmap.Height()));
    header += {8, static_cast<char>(channels == 4 ? 6 : 2), 0, 0, 0};
    std::string png(reinterpret_cast<const char*>(PngSignature), 8);
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", "");
    return png;
}
