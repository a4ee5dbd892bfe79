#pragma once
// Builds PNG files of any colour type, depth, filter and chunk layout for the tests,
// including layouts the reader must refuse. Samples are given unpacked, one int per
// channel; the encoder packs, filters and deflates them.

#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

struct TPngRecipe {
    int Width = 1, Height = 1, Depth = 8, ColorType = 2, Compression = 0, Interlace = 0;
    // Filter of row y; a value above 4 is written as it is over unfiltered bytes.
    std::function<int(int)> Filter = [](int) { return 0; };
    // Sample of channel c of pixel (x, y), below 2^Depth.
    std::function<int(int, int, int)> Sample = [](int, int, int) { return 0; };
    std::vector<uint8_t> Palette;  // r, g, b triples; written as PLTE before the data when not empty
    int IdatPieces = 1;            // the compressed data split over this many IDAT chunks
};

inline int PngChannels(int colorType) { return colorType == 2 ? 3 : colorType == 4 ? 2 : colorType == 6 ? 4 : 1; }

inline void PngPut32(std::string& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8)
        out += char((v >> s) & 0xFF);
}

inline std::string PngChunk(const char* type, const std::string& body) {
    std::string out;
    PngPut32(out, uint32_t(body.size()));
    std::string typed = std::string(type, 4) + body;
    out += typed;
    PngPut32(out, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(typed.data()), uInt(typed.size()))));
    return out;
}

inline std::string PngSignatureBytes() { return std::string("\x89PNG\r\n\x1a\n", 8); }

inline std::string PngHeaderChunk(const TPngRecipe& s) {
    std::string h;
    PngPut32(h, uint32_t(s.Width));
    PngPut32(h, uint32_t(s.Height));
    h += {char(s.Depth), char(s.ColorType), char(s.Compression), 0, char(s.Interlace)};
    return PngChunk("IHDR", h);
}

// The filtered scanlines (filter byte + row), not yet compressed.
inline std::string PngScanlines(const TPngRecipe& s) {
    const int channels = PngChannels(s.ColorType);
    const size_t rowBytes = (size_t(s.Width) * channels * s.Depth + 7) / 8;
    const size_t bpp = std::max<size_t>(1, size_t(channels) * s.Depth / 8);
    std::vector<uint8_t> prior(rowBytes, 0), raw(rowBytes);
    std::string out;
    for (int y = 0; y < s.Height; ++y) {
        std::fill(raw.begin(), raw.end(), 0);
        size_t bit = 0;
        for (int x = 0; x < s.Width; ++x)
            for (int c = 0; c < channels; ++c, bit += s.Depth) {
                int v = s.Sample(x, y, c);
                if (s.Depth == 16) {
                    raw[bit / 8] = uint8_t(v >> 8);
                    raw[bit / 8 + 1] = uint8_t(v);
                } else {
                    raw[bit / 8] |= uint8_t(v << (8 - s.Depth - bit % 8));
                }
            }
        int filter = s.Filter(y);
        out += char(filter);
        for (size_t i = 0; i < rowBytes; ++i) {
            int a = i >= bpp ? raw[i - bpp] : 0, b = prior[i], c = i >= bpp ? prior[i - bpp] : 0;
            int predictor = 0;
            if (filter == 1)
                predictor = a;
            else if (filter == 2)
                predictor = b;
            else if (filter == 3)
                predictor = (a + b) / 2;
            else if (filter == 4) {
                int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
                predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            }
            out += char(uint8_t(raw[i] - predictor));
        }
        prior = raw;
    }
    return out;
}

inline std::string Deflate(const std::string& bytes) {
    uLongf size = compressBound(uLong(bytes.size()));
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(bytes.data()),
             uLong(bytes.size()));
    out.resize(size);
    return out;
}

// The image data chunks for the recipe, split into its pieces.
inline std::string PngDataChunks(const TPngRecipe& s) {
    std::string packed = Deflate(PngScanlines(s)), out;
    size_t piece = packed.size() / size_t(s.IdatPieces) + 1;
    for (size_t at = 0; at < packed.size(); at += piece)
        out += PngChunk("IDAT", packed.substr(at, piece));
    return out;
}

inline std::string MakePng(const TPngRecipe& s) {
    std::string png = PngSignatureBytes() + PngHeaderChunk(s) + PngChunk("tEXt", std::string("Comment\0test", 12));
    if (!s.Palette.empty())
        png += PngChunk("PLTE", std::string(s.Palette.begin(), s.Palette.end()));
    return png + PngDataChunks(s) + PngChunk("IEND", "");
}
