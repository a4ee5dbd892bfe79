#pragma once
// Fixed name tables of the almanac, written in the source as they are shown.

#include <array>
#include <cstddef>
#include <string>

// The names of the table as strings, made once; keep the result in a function-local static.
template <size_t N>
std::array<std::string, N> NameTable(const char* const (&names)[N]) {
    std::array<std::string, N> table;
    for (size_t i = 0; i < N; ++i)
        table[i] = names[i];
    return table;
}
