// The day page and the paper drag: drawing a page once the fonts and the almanac's year
// tables are warm, for screens of device pixel ratio 1, 1.5 and 2, and one step of carrying a paper (the turn, the rotated image when the
// whole-degree angle changed, and its premultiplied copy for the layered window).

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <cstdlib>

#include "almanac/Almanac.h"
#include "graphics/Canvas.h"
#include "graphics/GraphicWork.h"
#include "storage/ColorScheme.h"
#include "storage/DateUtils.h"
#include "storage/MemoStore.h"
#include "storage/Resources.h"
#include "storage/Text.h"
#include "ui/PageOfDay.h"
#include "ui/PaperTurn.h"

namespace {

const int32_t BenchDay = DayNumberOf(2026, 12, 7);

// The argument is the screen's device pixel ratio in per cent: 100 halves the drawing, 150
// reduces it with the box filter, 200 shows it as drawn.
void BM_DrawDayWarm(benchmark::State& state) {
    const double ratio = state.range(0) / 100.0;
    PageOfDay(BenchDay, ratio);
    for (auto _ : state)
        benchmark::DoNotOptimize(PageOfDay(BenchDay, ratio));
}
BENCHMARK(BM_DrawDayWarm)->Arg(100)->Arg(150)->Arg(200)->Unit(benchmark::kMicrosecond);

// The layered window's image: the rotated page premultiplied.
void ComposeLayered(TBitmap& layered, const TBitmap& rotated) {
    if (layered.Width() != rotated.Width() || layered.Height() != rotated.Height())
        layered.SetSize(rotated.Width(), rotated.Height());
    DrawBlend(0, 0, layered, rotated, TDrawType::Layered);
}

// A paper carried by its top-right corner, on a screen of the argument's device pixel ratio
// in per cent (the page and its rotated image at that resolution). turning: every step
// turns the page by whole degrees, so the rotated image is rebuilt each time (the costly
// case); otherwise the page hangs still and the caller merely moves its window.
void DragStep(benchmark::State& state, bool turning) {
    const double ratio = state.range(0) / 100.0;
    std::unique_ptr<TBitmap> page = PageOfDay(BenchDay, ratio);
    TPaperTurn turn;
    turn.SetSource(page.get(), ratio);
    TBitmap layered(0, 0, TPixelFormat::Bits32);
    const TPoint grab{110, 10};
    int swing = 1;
    for (auto _ : state) {
        turn.SetPivotSrc(grab);
        if (turning) {
            swing = -swing;
            turn.SetVelocity(60 * swing);  // three degrees, alternately either way
        }
        if (turn.Step(0, 0))
            ComposeLayered(layered, *turn.GetBitmap());
        benchmark::DoNotOptimize(turn.PivotRot());
    }
}

void BM_DragStepTurning(benchmark::State& state) { DragStep(state, true); }
BENCHMARK(BM_DragStepTurning)->Arg(100)->Arg(200)->Unit(benchmark::kMicrosecond);

void BM_DragStepStill(benchmark::State& state) { DragStep(state, false); }
BENCHMARK(BM_DragStepStill)->Arg(100)->Arg(200)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication application(argc, argv);
    InstallFontSubstitutions();
    CreateAlmanac();
    Almanac().LoadHolidays(LoadResourceText("holidays"));
    ReplaceColorScheme(std::make_unique<TColorScheme>(""));
    ColorScheme().LoadDefaults();
    ReplaceMemoStore(std::make_unique<TMemoStore>(""));
    Memos().AddTagged(std::string("忘年会の会場予約とソフト表彰式の準備"), BenchDay);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    DestroyMemoStore();
    DestroyColorScheme();
    DestroyAlmanac();
    return 0;
}
