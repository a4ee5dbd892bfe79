#pragma once
// Fixed name tables of the almanac: written as UTF-8 in the source, held as Shift_JIS.

#include <array>
#include <cstddef>
#include <string>

#include "storage/ShiftJis.h"

// Each name of the table converted once; keep the result in a function-local static.
template <size_t N>
std::array<std::string, N> SjisNames(const char* const (&utf8)[N]) {
    std::array<std::string, N> converted;
    for (size_t i = 0; i < N; ++i)
        converted[i] = Utf8ToSjis(utf8[i]);
    return converted;
}
