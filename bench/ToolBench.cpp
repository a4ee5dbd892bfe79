// The companion tool as its users meet it: whole processes of `quillo-tool ics` over
// 1900..2100 with every kind of the almanac, of `quillo-tool almanac` over 1873..2100, of
// `quillo-tool month` and of `quillo-tool page` (start, dynamic linking and, for the page,
// the hand-over to quillo-tool-qt and all); and the month view alone, inside one process.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "almanac/Almanac.h"
#include "storage/Resources.h"
#include "tools/MonthView.h"

namespace {

// Runs the tool with arguments, its standard output into /dev/null; false when it fails.
bool RunTool(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), QUILLO_TOOL_PATH);
    arguments.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int error =
        posix_spawn(&pid, QUILLO_TOOL_PATH, &actions, nullptr, const_cast<char**>(arguments.data()), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return error == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_IcsWholeRangeProcess(benchmark::State& state) {
    for (auto _ : state)
        if (!RunTool({"ics", "1900-01-01", "2100-12-31", "--with", "holidays,terms,rokuyo,lunar"}))
            state.SkipWithError("quillo-tool ics failed");
}
BENCHMARK(BM_IcsWholeRangeProcess)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Every day from the first of the solar calendar to the last the almanac is exact for, as
// one process of `quillo-tool almanac`; the time per day is the time over the day count.
void BM_AlmanacWholeRangeProcess(benchmark::State& state) {
    for (auto _ : state)
        if (!RunTool({"almanac", "1873-01-01", "2100-12-31"}))
            state.SkipWithError("quillo-tool almanac failed");
    state.counters["days"] = 83275;
}
BENCHMARK(BM_AlmanacWholeRangeProcess)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_MonthProcess(benchmark::State& state) {
    for (auto _ : state)
        if (!RunTool({"month", "2025-05"}))
            state.SkipWithError("quillo-tool month failed");
}
BENCHMARK(BM_MonthProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PageProcess(benchmark::State& state) {
    char folder[] = "/tmp/quillo-page-bench-XXXXXX";
    if (!mkdtemp(folder)) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string out = std::string(folder) + "/page.png";
    for (auto _ : state)
        if (!RunTool({"page", "2025-05-05", out.c_str()}))
            state.SkipWithError("quillo-tool page failed");
    unlink(out.c_str());
    rmdir(folder);
}
BENCHMARK(BM_PageProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

// The grid and notes of one month, a year's tables built fresh each time (a month of
// another year in turn), as one run of the command needs.
void BM_FormatMonth(benchmark::State& state) {
    TAlmanac almanac;
    almanac.LoadHolidays(LoadResourceText("holidays"));
    int year = 1900;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FormatMonth(almanac, year, 5, TColorMode::Plain, TMonthColors()));
        year = year == 2100 ? 1900 : year + 1;
    }
}
BENCHMARK(BM_FormatMonth)->Unit(benchmark::kMicrosecond);

}  // namespace
