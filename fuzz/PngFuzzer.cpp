// Any bytes through the PNG reader. Damaged input may only raise Exception; a crash, a hang
// or a sanitizer report is a finding. The limits keep a lying header from making the
// fuzzer allocate hundreds of megabytes per input.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "graphics/ImageLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TBitmap bitmap;
    TBytesStream stream(std::string_view(reinterpret_cast<const char*>(data), size));
    try {
        LoadPng(bitmap, stream, TImageLimits{2048, 1 << 20});
    } catch (const Exception&) {
        return 0;
    }
    // Every row of the result must be readable in full.
    unsigned sum = 0;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width() * bitmap.BytesPerPixel(); ++x)
            sum += bitmap.ScanLine(y)[x];
    return static_cast<int>(sum & 0);
}
