#pragma once
// Image files into bitmaps: Windows bitmaps through Qt's reader, PNG through our own reader
// on zlib, JPEG through libjpeg, and the scrambled JPEG variant ".jpx". Input is treated as
// hostile: every size is checked before anything is allocated, images beyond the limits
// are refused, and a damaged file raises an Exception with a message, never more.

#include <cstdint>
#include <string>
#include <string_view>

#include "graphics/Bitmap.h"
#include "graphics/Stream.h"

// Largest encoded image read into memory at once (".bmp", ".jpg", ".jpeg").
constexpr int64_t MaxEncodedImageBytes = int64_t(64) << 20;
// ".jpx" streams above this size are skipped without a word.
constexpr int64_t MaxJpxBytes = 10'000'000;
// The key byte with which ".jpx" scrambling starts.
constexpr uint8_t JpxSeed = 0xB5;

// Fills bitmap from stream (read from its position) by the lower-case extension of
// fileName: ".bmp", ".png", ".jpg", ".jpeg", ".jpx". Any other extension leaves the
// bitmap alone. On an error the bitmap may hold a partly decoded image.
void LoadGraphic(TBitmap& bitmap, const std::string& fileName, TStream& stream, const TImageLimits& limits = {});

// PNG, non-interlaced, depth 8 or less: grey and indexed (1, 2, 4, 8 bits), truecolour
// (8) give 24-bit, grey with alpha and truecolour with alpha (8) give 32-bit with straight
// alpha. Chunk CRCs and ancillary chunks are ignored; palette indices without an entry
// are black. A stream that ends before the header leaves the bitmap unchanged; image
// data that ends early leaves the missing rows black. Messages:
//   "PNGファイルではありません", "16bit色深度には対応していません", "このPNG圧縮には対応していません",
//   "PNGインターレースには対応していません", "このPNGには対応していません",
//   "<n>bit色深度には対応していません" (a depth the colour type does not take),
//   "画像が大きすぎます(W×H)", and zlib's own message for damaged image data.
void LoadPng(TBitmap& bitmap, TStream& stream, const TImageLimits& limits = {});

// JPEG bytes into a 24-bit bitmap (grey and CMYK images are converted). libjpeg's message
// on damaged data; "画像が大きすぎます" beyond the limits.
void LoadJpeg(TBitmap& bitmap, std::string_view bytes, const TImageLimits& limits = {});

// Scrambles or unscrambles ".jpx" bytes in place (the operation is its own inverse): each
// byte is XORed with a key that starts at JpxSeed and grows by the low byte of (size − i).
void ScrambleJpx(std::string& bytes);

// Writes a PNG of the bitmap (24-bit as RGB, 32-bit as RGBA with its alpha), no filter,
// zlib at its default level. An empty bitmap raises "空の画像はPNGにできません".
std::string EncodePng(const TBitmap& bitmap);
