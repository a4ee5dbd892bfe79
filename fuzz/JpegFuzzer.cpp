// Any bytes through libjpeg as a ".jpg", and unscrambled as a ".jpx". Damaged input may only
// raise Exception; a crash, a hang or a sanitizer report is a finding.

#include <cstddef>
#include <cstdint>
#include <string>

#include "graphics/ImageLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    const TImageLimits limits{2048, 1 << 20};
    for (const char* name : {"a.jpg", "a.jpx"}) {
        TBitmap bitmap;
        TBytesStream stream(bytes);
        try {
            LoadGraphic(bitmap, name, stream, limits);
        } catch (const Exception&) {
        }
        if (bitmap.Height() > 0)
            (void)bitmap.ScanLine(bitmap.Height() - 1)[bitmap.Width() * 3 - 1];
        // Scrambled again, the seeds are exercised through the ".jpx" path too.
        ScrambleJpx(bytes);
    }
    return 0;
}
