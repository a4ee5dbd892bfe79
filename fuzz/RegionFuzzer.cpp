// Any bytes as a rectangle stream. Damaged input may only raise ERegionError; a crash, a hang
// or a sanitizer report is a finding. The region built must also survive a move and a
// combination.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "graphics/Region.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TRegion region;
    TBytesStream stream(std::string_view(reinterpret_cast<const char*>(data), size));
    try {
        region.LoadFromStream(stream);
        region.Move(size > 0 ? data[0] - 128 : 0, 3);
        region.AddEllipse(0, 0, 40, 30, TRegionMode::Xor);
    } catch (const ERegionError&) {
    }
    return 0;
}
