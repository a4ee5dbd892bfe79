#include "ui/PageOfDay.h"

#include "almanac/Almanac.h"
#include "page/DayPage.h"
#include "storage/ColorScheme.h"
#include "storage/MemoStore.h"

std::unique_ptr<TBitmap> PageOfDay(int32_t day, double ratio) {
    const TDayFacts facts = Almanac().FactsOf(day);
    return DrawDayPage(facts, MemoStore().MemoOf(facts.DayNumber), PageColorsOf(ColorScheme()), ratio);
}
