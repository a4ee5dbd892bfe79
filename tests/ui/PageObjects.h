#pragma once
// The process-wide objects that drawing a page needs, made once per test suite: the font
// substitutions, the almanac with the shipped holidays, and the page renderer.

#include "almanac/Almanac.h"
#include "graphics/Canvas.h"
#include "storage/Resources.h"
#include "ui/PageRenderer.h"

inline void CreatePageObjects() {
    InstallFontSubstitutions();
    CreateAlmanac();
    Almanac().LoadHolidays(LoadResourceText("holidays"));
    CreatePageRenderer();
}

inline void DestroyPageObjects() {
    DestroyPageRenderer();
    DestroyAlmanac();
}
