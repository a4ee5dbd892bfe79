// Memo sync against a local Radicale that the benchmark starts (Debian's python3-radicale,
// on a free loopback port, with a fresh storage folder): the first pass of 1,000 memos
// (uploading from one data folder, and taking them into another), the idle pass when
// nothing changed, and one edited memo pushed by one folder and seen by the other's next
// pass. Run by hand: build/bench/quillo_sync_bench.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/LocalRadicale.h"
#include "storage/DateUtils.h"
#include "storage/FileUtils.h"
#include "storage/MemoStore.h"
#include "sync/SyncRunner.h"

namespace {

const std::string User = TLocalRadicale::User;
const std::string Password = TLocalRadicale::Password;

std::string TemporaryFolder(const char* stem) {
    std::string pattern = std::string("/tmp/") + stem + "-XXXXXX";
    return std::string(mkdtemp(pattern.data())) + "/";
}

// One Radicale for the whole run, and a QCoreApplication for Qt Network's event loops.
class TServer {
public:
    ~TServer() {
        for (const std::string& folder : FFolders)
            std::filesystem::remove_all(folder);
    }
    bool Running() const { return FRadicale.Running(); }

    // A fresh collection and two data folders set up for it.
    std::pair<std::string, std::string> Machines() {
        TSyncSettings settings;
        settings.Enabled = true;
        settings.ServerUrl = FRadicale.Root();
        settings.UserName = User;
        settings.CollectionUrl = FRadicale.NewCollection("bench");
        const std::string a = TemporaryFolder("quillo-bench-A");
        const std::string b = TemporaryFolder("quillo-bench-B");
        FFolders.push_back(a);
        FFolders.push_back(b);
        SaveSyncSettings(a, settings);
        SaveSyncSettings(b, settings);
        return {a, b};
    }

private:
    static QCoreApplication* MakeApplication() {
        static int argc = 1;
        static char name[] = "quillo_sync_bench";
        static char* argv[] = {name, nullptr};
        return new QCoreApplication(argc, argv);
    }

    QCoreApplication* FApplication = MakeApplication();
    TLocalRadicale FRadicale;
    std::vector<std::string> FFolders;
};

TServer& Server() {
    static TServer server;
    return server;
}

void WriteMemos(const std::string& dataPath, int count) {
    TMemoStore store(dataPath + "Memos.txt");
    const int32_t first = DayNumberOf(2026, 1, 1);
    for (int i = 0; i < count; ++i)
        store.Items().AddTagged("メモ " + std::to_string(i) + "\r\n二行目 🎂", first + i);
    store.Save();
}

bool Pass(const std::string& dataPath) {
    const TSyncReport report = RunPassHere(dataPath, Password, MemoFileAccess(dataPath), TMassDeletionChoice::Ask);
    return report.Outcome == TSyncOutcome::Done;
}

void BM_FirstSyncUpload(benchmark::State& state) {
    if (!Server().Running())
        return state.SkipWithError("Radicale did not start");
    for (auto _ : state) {
        state.PauseTiming();
        const auto [a, b] = Server().Machines();
        WriteMemos(a, static_cast<int>(state.range(0)));
        state.ResumeTiming();
        if (!Pass(a))
            state.SkipWithError("pass failed");
    }
}
// Radicale's PUT grows with the collection (about 8 ms at 100 items, 60 ms at 1,000 on
// these machines), so the upload of 1,000 is the server's time far more than the client's.
BENCHMARK(BM_FirstSyncUpload)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_FirstSyncDownload1000(benchmark::State& state) {
    if (!Server().Running())
        return state.SkipWithError("Radicale did not start");
    for (auto _ : state) {
        state.PauseTiming();
        const auto [a, b] = Server().Machines();
        WriteMemos(a, 1000);
        Pass(a);
        state.ResumeTiming();
        if (!Pass(b))
            state.SkipWithError("pass failed");
    }
}
BENCHMARK(BM_FirstSyncDownload1000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_IdlePass(benchmark::State& state) {
    if (!Server().Running())
        return state.SkipWithError("Radicale did not start");
    const auto [a, b] = Server().Machines();
    WriteMemos(a, static_cast<int>(state.range(0)));
    Pass(a);
    Pass(a);
    for (auto _ : state)
        if (!Pass(a))
            state.SkipWithError("pass failed");
}
BENCHMARK(BM_IdlePass)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_EditPushedAndSeen(benchmark::State& state) {
    if (!Server().Running())
        return state.SkipWithError("Radicale did not start");
    const auto [a, b] = Server().Machines();
    WriteMemos(a, static_cast<int>(state.range(0)));
    Pass(a);
    Pass(b);
    const int32_t day = DayNumberOf(2026, 1, 20);
    int edit = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TMemoStore store(a + "Memos.txt");
        store.Load();
        const std::string text = "編集 " + std::to_string(++edit);
        store.StoreMemo(day, text);
        state.ResumeTiming();
        if (!Pass(a) || !Pass(b))
            state.SkipWithError("pass failed");
        state.PauseTiming();
        TMemoStore seen(b + "Memos.txt");
        seen.Load();
        if (seen.MemoOf(day) != text)
            state.SkipWithError("the edit did not arrive");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EditPushedAndSeen)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
