// Reads any bytes as a paper file, writes the paper back and reads what was written. Any
// bytes must read without an error into a paper with an angle of 0..359, and writing what
// was read must give a file that reads into the same paper and writes the same bytes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "storage/PaperFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const TPaperRecord defaults{0, 10, 20, 123, 123, 45000, 0};
    TPaperRecord first = ParsePaperFile(std::string_view(reinterpret_cast<const char*>(data), size), defaults);
    if (first.Angle < 0 || first.Angle > 359)
        std::abort();
    std::string written = PaperFileBytes(first);
    // Defaults unlike anything written, except the size, which is never read back.
    const TPaperRecord others{7, 1, 2, first.Width, first.Height, 3, 4.5};
    TPaperRecord second = ParsePaperFile(written, others);
    if (second.Angle != first.Angle || second.Left != first.Left || second.Top != first.Top ||
        second.Date != first.Date || PaperFileBytes(second) != written)
        std::abort();
    return 0;
}
