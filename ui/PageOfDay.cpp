#include "ui/PageOfDay.h"

#include <QThread>

#include "almanac/Almanac.h"
#include "page/DayPage.h"
#include "storage/ColorScheme.h"
#include "storage/MemoStore.h"

std::unique_ptr<TBitmap> PageOfDay(int32_t day, double ratio) {
    const TDayFacts facts = Almanac().FactsOf(day);
    return DrawDayPage(facts, MemoStore().MemoOf(facts.DayNumber), PageColorsOf(ColorScheme()), ratio);
}

TPageAhead::TPageAhead(int32_t day, double ratio) {
    TDayFacts facts = Almanac().FactsOf(day);
    std::string memo = MemoStore().MemoOf(facts.DayNumber);
    const TPageColors colors = PageColorsOf(ColorScheme());
    auto page = std::make_shared<std::promise<std::unique_ptr<TBitmap>>>();
    FPage = page->get_future();
    FThread.reset(QThread::create([page, facts = std::move(facts), memo = std::move(memo), colors, ratio] {
        try {
            page->set_value(DrawDayPage(facts, memo, colors, ratio));
        } catch (...) {
            page->set_exception(std::current_exception());
        }
    }));
    FThread->start();
}

TPageAhead::~TPageAhead() { FThread->wait(); }

std::unique_ptr<TBitmap> TPageAhead::Take() { return FPage.valid() ? FPage.get() : nullptr; }
