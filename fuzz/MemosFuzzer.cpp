// Loads any bytes as "Memos.txt", writes the memos back and loads what was written. Any
// bytes must load without an error; the written file must load into the same memos and
// write the same bytes again, or a save would change what the user wrote.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "storage/MemoStore.h"

namespace {

bool SameMemos(const TTaggedStrings& a, const TTaggedStrings& b) {
    if (a.Count() != b.Count())
        return false;
    for (int i = 0; i < a.Count(); ++i)
        if (a.Strings(i) != b.Strings(i) || a.Tags(i) != b.Tags(i))
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TMemoStore first("");
    first.LoadFromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    std::string written = first.SaveToBytes();
    TMemoStore second("");
    second.LoadFromBytes(written);
    if (!SameMemos(first.Items(), second.Items()) || second.KeptLineCount() != first.KeptLineCount() ||
        second.SaveToBytes() != written)
        std::abort();
    return 0;
}
