#pragma once
// The month view of `quillo-tool month`: a grid of weeks from Sunday to Saturday, each day
// with its 六曜 under it, the year in Western and era form with the month above, and the
// month's holidays, solar terms, seasonal days and lunar month starts below.

#include <cstdint>
#include <string>
#include <string_view>

class TAlmanac;

enum class TColorMode {
    Plain,       // no escapes
    TrueColor,   // 24-bit foreground escapes
    Palette256,  // the nearest colour of the 256-colour palette
};

// Text colours as 0x00BBGGRR, the colour scheme's form.
struct TMonthColors {
    uint32_t Sunday = 0x4040FF;
    uint32_t Saturday = 0xFF6060;
    uint32_t Holiday = 0x4060FF;
};

// The month as UTF-8 lines, each ending in "\n". The almanac must hold the holiday rules.
std::string FormatMonth(const TAlmanac& almanac, int year, int month, TColorMode mode, const TMonthColors& colors);
