#pragma once
// The page of a day as the calendar shows it: the process-wide almanac's facts, the memo
// store's memo and the colour scheme's colours, drawn by DrawDayPage. Each of the three
// must exist when a page is drawn.

#include <cstdint>
#include <memory>

#include "graphics/Bitmap.h"

// The page of day number day (day 0 = 1899-12-30) for a screen of device pixel ratio ratio.
std::unique_ptr<TBitmap> PageOfDay(int32_t day, double ratio = 1);
