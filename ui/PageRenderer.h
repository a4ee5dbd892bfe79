#pragma once
// TPageRenderer: draws the calendar page of one day, the 120 × 120 picture the main window
// shows and every paper carries: the day of the month in large figures, the weekday, year
// and month, the era year and month in vertical writing, the lunar date, the sexagenary
// day, the rokuyō, the solar term or seasonal day, the holiday and the day's memo. The page
// is drawn at 240 × 240 and halved, which smooths the text.
//
// It asks the process-wide Almanac for the day's facts (leaving its held date alone) and
// reads the ColorScheme and the memo store; each must exist when a page is drawn.

#include <cstdint>
#include <memory>

#include "graphics/Bitmap.h"

class TPageRenderer {
public:
    // Side of the finished page and of the picture it is drawn on before halving.
    static constexpr int PageSize = 120;
    static constexpr int DrawSize = 2 * PageSize;

    // The page of a day number (day 0 = 1899-12-30): a new 32-bit bitmap, 120 × 120,
    // alpha 255 everywhere, framed; the caller owns it. Missing colours fall back to
    // fixed ones; missing fonts are substituted.
    std::unique_ptr<TBitmap> DrawDay(int32_t day) const;
};

// The process-wide renderer, created at start-up and released at exit.
TPageRenderer& PageRenderer();
void CreatePageRenderer();
void DestroyPageRenderer();
