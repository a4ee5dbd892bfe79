#pragma once
// The process-wide objects that drawing a page needs, made once per test suite: the font
// substitutions and the almanac with the shipped holidays.

#include "almanac/Almanac.h"
#include "graphics/Canvas.h"
#include "storage/Resources.h"
#include "ui/PageOfDay.h"

inline void CreatePageObjects() {
    InstallFontSubstitutions();
    CreateAlmanac();
    Almanac().LoadHolidays(LoadResourceText("holidays"));
}

inline void DestroyPageObjects() { DestroyAlmanac(); }
