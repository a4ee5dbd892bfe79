// Loads any bytes as a colour scheme and reads every colour the windows and pages ask for,
// then changes one and writes the scheme. Only the load may raise Exception; an error
// anywhere else, a crash, a hang or a sanitizer report is a finding.

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "storage/ColorScheme.h"
#include "storage/Exception.h"
#include "storage/Text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char* const Paths[] = {
        "全般\\背景",           "全般\\枠線",           "日めくり\\背景",       "\\日めくり\\枠線",
        "日めくり\\文字\\平日", "日めくり\\文字\\日曜", "日めくり\\文字\\土曜", "日めくり\\文字\\祝日",
    };
    TColorScheme scheme("");
    try {
        scheme.LoadFromString(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const Exception&) {
        // A damaged scheme stays as far as it was read, and is still asked for colours.
    }
    // Reading a colour has a default and never fails, whatever was loaded.
    for (const char* path : Paths)
        scheme.GetColor(std::string(path), 0x123456);
    scheme.SetColor(std::string("日めくり\\文字\\日曜"), 0x4040FF);
    std::ostringstream out;
    scheme.SaveToStream(out);
    return 0;
}
