#pragma once
// TPageRenderer: draws the calendar page of one day, the 120 × 120 picture the main window
// shows and every paper carries: the day of the month in large figures, the weekday, year
// and month, the era year and month in vertical writing, the lunar date, the sexagenary
// day, the rokuyō, the solar term or seasonal day, the holiday and the day's memo.
//
// The page is 120 × 120 logical pixels; it is made for the device pixel ratio of the screen
// that shows it. Its layout is drawn at 240 × 240 (or at the device size when that is
// larger, the layout scaled alike) and then brought to the device size: halved at ratio 1,
// which smooths the text, shown as drawn at ratio 2, and reduced with a box filter in
// between (ratio 1.5 gives 180 × 180).
//
// It asks the process-wide Almanac for the day's facts (leaving its held date alone) and
// reads the ColorScheme and the memo store; each must exist when a page is drawn.

#include <cstdint>
#include <memory>

#include "graphics/Bitmap.h"
#include "storage/Geometry.h"

class TPageRenderer {
public:
    // Side of the finished page and of the picture it is drawn on before halving.
    static constexpr int PageSize = 120;
    static constexpr int DrawSize = 2 * PageSize;
    // The largest device pixel ratio a page is made for.
    static constexpr double MaxRatio = MaxDeviceRatio;

    // The page of a day number (day 0 = 1899-12-30) for a screen of device pixel ratio
    // ratio (1 when not given, not positive or above MaxRatio): a new 32-bit bitmap of
    // DeviceLength(120, ratio) pixels a side, alpha 255 everywhere, framed one logical
    // pixel wide; the caller owns it. Missing colours fall back to fixed ones; missing
    // fonts are substituted.
    std::unique_ptr<TBitmap> DrawDay(int32_t day, double ratio = 1) const;
};

// The process-wide renderer, created at start-up and released at exit.
TPageRenderer& PageRenderer();
void CreatePageRenderer();
void DestroyPageRenderer();
