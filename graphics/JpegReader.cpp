// JPEG through libjpeg's own interface. libjpeg reports fatal errors by calling error_exit,
// which here jumps back into DecodeJpeg with longjmp; no object with a destructor lives
// between the setjmp and the library calls, and the failure becomes an Exception outside.

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

#include <jpeglib.h>

#include "graphics/ImageLoader.h"
#include "storage/Text.h"

namespace {

// Progressive files may hold any number of scans, each a pass over the whole image.
constexpr int MaxJpegScans = 500;

struct TJpegError {
    jpeg_error_mgr Manager;
    jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
    bool TooLarge;
    bool TooManyScans;
};

extern "C" void JpegErrorExit(j_common_ptr info) {
    auto* error = reinterpret_cast<TJpegError*>(info->err);
    info->err->format_message(info, error->Message);
    std::longjmp(error->Jump, 1);
}

extern "C" void JpegOutputMessage(j_common_ptr) {}  // warnings on damaged data stay quiet

extern "C" void JpegProgress(j_common_ptr info) {
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > MaxJpegScans) {
        auto* error = reinterpret_cast<TJpegError*>(info->err);
        error->TooManyScans = true;
        std::longjmp(error->Jump, 1);
    }
}

// Where the rows go and how large the image may be.
struct TJpegTarget {
    TBitmap* Bitmap;
    const TImageLimits* Limits;
};

void ConvertCmykRow(uint8_t* row, int width, const JSAMPLE* cmyk) {
    // Adobe writes CMYK inverted: each value is 255 − ink, so red = C·K / 255 and so on.
    for (int x = 0; x < width; ++x, cmyk += 4, row += 3) {
        int k = cmyk[3];
        row[0] = static_cast<uint8_t>(cmyk[2] * k / 255);
        row[1] = static_cast<uint8_t>(cmyk[1] * k / 255);
        row[2] = static_cast<uint8_t>(cmyk[0] * k / 255);
    }
}

// Returns false with error->Message (or a flag) set on failure. Holds nothing that needs a destructor.
bool DecodeJpeg(const uint8_t* data, unsigned long size, TJpegTarget& target, TJpegError& error, JSAMPLE* cmykRow,
                size_t cmykRowBytes) {
    jpeg_decompress_struct info;
    jpeg_progress_mgr progress;
    info.err = jpeg_std_error(&error.Manager);
    error.Manager.error_exit = JpegErrorExit;
    error.Manager.output_message = JpegOutputMessage;
    if (setjmp(error.Jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    progress.progress_monitor = JpegProgress;
    info.progress = &progress;
    info.mem->max_memory_to_use = static_cast<long>(std::min<int64_t>(target.Limits->MaxPixels * 16, int64_t(1) << 30));
    jpeg_mem_src(&info, data, size);
    jpeg_read_header(&info, TRUE);
    if (int64_t(info.image_width) > target.Limits->MaxSide || int64_t(info.image_height) > target.Limits->MaxSide ||
        int64_t(info.image_width) * info.image_height > target.Limits->MaxPixels) {
        error.TooLarge = true;
        jpeg_destroy_decompress(&info);
        return false;
    }
    bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    if (cmyk && size_t(info.image_width) * 4 > cmykRowBytes) {
        error.TooLarge = true;
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_start_decompress(&info);
    try {
        target.Bitmap->Allocate(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                                TPixelFormat::Bits24);
    } catch (...) {  // out of memory or beyond the bitmap's own limits
        error.TooLarge = true;
        jpeg_destroy_decompress(&info);
        return false;
    }
    while (info.output_scanline < info.output_height) {
        uint8_t* row = target.Bitmap->ScanLine(static_cast<int>(info.output_scanline));
        JSAMPROW rows[1] = {cmyk ? cmykRow : row};
        if (jpeg_read_scanlines(&info, rows, 1) != 1)
            break;
        if (cmyk)
            ConvertCmykRow(row, static_cast<int>(info.output_width), cmykRow);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

}  // namespace

void LoadJpeg(TBitmap& bitmap, std::string_view bytes, const TImageLimits& limits) {
    // Allocation (which may throw) happens before the jump buffer is set; the row buffer for
    // CMYK images is as wide as the largest image side allows.
    std::string cmykRow(static_cast<size_t>(limits.MaxSide) * 4, '\0');
    TJpegTarget target{&bitmap, &limits};
    TJpegError error{};
    bool ok = DecodeJpeg(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<unsigned long>(bytes.size()),
                         target, error, reinterpret_cast<JSAMPLE*>(cmykRow.data()), cmykRow.size());
    if (ok)
        return;
    if (error.TooLarge)
        throw Exception("画像が大きすぎます");
    if (error.TooManyScans)
        throw Exception("JPEGのスキャンが多すぎます");
    throw Exception(error.Message);
}

void ScrambleJpx(std::string& bytes) {
    const size_t size = bytes.size();
    uint8_t key = JpxSeed;
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(static_cast<uint8_t>(bytes[i]) ^ key);
        key = static_cast<uint8_t>(key + (size - i));
    }
}
