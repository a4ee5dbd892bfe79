#pragma once
// The calendar page of one day, the 120 × 120 picture the main window shows and every paper
// carries: the day of the month in large figures, the weekday, year and month, the era year
// and month in vertical writing, the lunar date, the sexagenary day, the rokuyō, the solar
// term or seasonal day, the holiday and the day's memo.
//
// A page is drawn from plain values: nothing process-wide is read, so the calendar's
// windows, quillo-tool, the tests and the benchmarks draw it alike.
//
// The page is 120 × 120 logical pixels, made for the device pixel ratio of the screen that
// shows it. Its layout is drawn at 240 × 240 (or at the device size when that is larger,
// the layout scaled alike) and then brought to the device size: halved at ratio 1, which
// smooths the text, shown as drawn at ratio 2, and reduced with a box filter in between
// (ratio 1.5 gives 180 × 180).

#include <cstdint>
#include <memory>
#include <string_view>

#include "almanac/DayFacts.h"
#include "graphics/Bitmap.h"
#include "storage/Geometry.h"

class TColorScheme;

// Side of the finished page and of the picture it is drawn on before halving.
constexpr int PageSide = 120;
constexpr int PageDrawSide = 2 * PageSide;
// The largest device pixel ratio a page is made for.
constexpr double MaxPageRatio = MaxDeviceRatio;

// The page's colours (0x00BBGGRR); the values given here stand in for missing ones.
struct TPageColors {
    uint32_t Background = 0xFFFFFF;
    uint32_t Frame = 0xC0C0C0;
    uint32_t Weekday = 0x000000;
    uint32_t Saturday = 0xFF0000;
    uint32_t Sunday = 0x0000FF;
    uint32_t Holiday = 0x0000FF;  // over the weekday's colour on a holiday
};
// The colours of the page in scheme ("日めくり\背景", "日めくり\枠線", "日めくり\文字\…").
TPageColors PageColorsOf(TColorScheme& scheme);

// The page of the day facts describes, with memo (its first line that fits; none when
// empty), for a screen of device pixel ratio ratio (1 when not positive or above
// MaxPageRatio): a new 32-bit bitmap of DeviceLength(120, ratio) pixels a side, alpha 255
// everywhere, framed one logical pixel wide. Missing fonts are substituted.
std::unique_ptr<TBitmap> DrawDayPage(const TDayFacts& facts, std::string_view memo, const TPageColors& colors,
                                     double ratio = 1);
