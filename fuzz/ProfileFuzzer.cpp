// Profile texts of any bytes: parse, read a few entries, write one entry and check that the
// written text reads back as written.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "storage/ProfileFile.h"

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

void CheckRead(const TProfileText& text, std::string_view section, std::string_view key) {
    if (auto value = text.Find(section, key))
        Check(value->size() <= MaxProfileValueBytes && value->find('\0') == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TProfileText text(std::string_view(reinterpret_cast<const char*>(data), size));
    CheckRead(text, "CALENDAR", "DATE");
    CheckRead(text, "TFMQUILLO", "DOCKSITE");
    CheckRead(text, "software\\Vellomar\\quillo\\DATA", "PATH");
    int names = 0;
    for (const std::string& name : text.SectionNames()) {
        Check(text.HasSection(name));
        if (++names > 8)
            break;
    }

    text.Set("CALENDAR", "date", "45000");
    text.Set("PAPER", "number", "3");
    Check(text.Find("calendar", "DATE") == "45000");
    Check(text.Find("PAPER", "NUMBER") == "3");
    std::string written = text.Bytes();
    TProfileText again(written);
    Check(again.Find("CALENDAR", "DATE") == "45000");
    Check(again.Bytes() == written);
    return 0;
}
