#pragma once
// The page of a day as the calendar shows it: the process-wide almanac's facts, the memo
// store's memo and the colour scheme's colours, drawn by DrawDayPage. Each of the three
// must exist when a page is drawn.

#include <cstdint>
#include <future>
#include <memory>

#include "graphics/Bitmap.h"

class QThread;

// The page of day number day (day 0 = 1899-12-30) for a screen of device pixel ratio ratio.
std::unique_ptr<TBitmap> PageOfDay(int32_t day, double ratio = 1);

// The same page drawn on a thread of its own, so that the caller goes on meanwhile (the
// main window is made and shown while its first page is drawn). The facts, the memo and
// the colours are read here, on the caller's thread; the drawing reads nothing else.
class TPageAhead {
public:
    TPageAhead(int32_t day, double ratio);
    // Waits for the thread to end (and throws the page away when it was not taken).
    ~TPageAhead();
    TPageAhead(const TPageAhead&) = delete;
    TPageAhead& operator=(const TPageAhead&) = delete;

    // Waits for the page, not for the thread, which may still be tidying up its font
    // caches; what the drawing threw is thrown here. Null after the first call.
    std::unique_ptr<TBitmap> Take();

private:
    std::unique_ptr<QThread> FThread;
    std::future<std::unique_ptr<TBitmap>> FPage;
};
