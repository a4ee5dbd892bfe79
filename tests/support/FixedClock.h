#pragma once
// Stops the calendar's clock at one moment for the lifetime of the object, so that a test
// that compares with "today" cannot fail when it runs across midnight.

#include "storage/DateUtils.h"

class TFixedClock {
public:
    explicit TFixedClock(TLocalMoment moment) {
        SetClock([moment] { return moment; });
    }
    ~TFixedClock() { SetClock(nullptr); }
    TFixedClock(const TFixedClock&) = delete;
    TFixedClock& operator=(const TFixedClock&) = delete;
};
