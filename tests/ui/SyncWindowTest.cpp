// The window side of memo sync: what the memo window and the menu show from the sync
// state, and the scheduler's waits. The passes themselves run against real servers in
// tests/sync.

#include <QLabel>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

#include <memory>

#include "DialogTestEnvironment.h"
#include "storage/DateUtils.h"
#include "storage/MemoStore.h"
#include "sync/SyncSettings.h"
#include "sync/SyncState.h"
#include "ui/MemoEditor.h"
#include "ui/SyncScheduler.h"

namespace {

const int32_t Merged = DayNumberOf(2026, 12, 7);
const int32_t Plain = DayNumberOf(2026, 12, 8);

// A data folder synced once: the memo of Merged was merged and not looked at yet, another
// program keeps a journal on it, and the memo of Plain changed here since.
void SyncedFolder(const TDialogTestEnvironment& environment) {
    TSyncSettings settings;
    settings.Enabled = true;
    settings.ServerUrl = "http://127.0.0.1:1/";
    settings.UserName = "user";
    settings.CollectionUrl = "http://127.0.0.1:1/user/memos/";
    SaveSyncSettings(environment.DataPath(), settings);
    TSyncState state;
    state.CollectionUrl = settings.CollectionUrl;
    state.Days[Merged] = {"ours\r\n――― 別の端末での変更 ―――\r\ntheirs", "\"1\"", 2, true};
    state.Days[Plain] = {"before", "\"2\"", 1, false};
    state.Others["/user/memos/other.ics"] = {"\"3\"", Merged, "x@example", "買い物", "買い物\n牛乳 🥛"};
    SaveSyncState(environment.DataPath(), state);
    MemoStore().StoreMemo(Merged, "ours\r\n――― 別の端末での変更 ―――\r\ntheirs");
    MemoStore().StoreMemo(Plain, "after");
}

}  // namespace

TEST(SyncWindow, TheMemoWindowShowsAMergeUntilLeftAndOtherProgramsJournalsReadOnly) {
    TDialogTestEnvironment environment;
    SyncedFolder(environment);
    TMemoEditor window;
    const auto* note = window.findChild<QLabel*>("mergeNote");
    const auto* others = window.findChild<QPlainTextEdit*>("otherJournals");
    ASSERT_TRUE(note && others);
    const struct {
        int32_t Day;
        bool Note;
        const char* Others;
    } days[] = {
        {Merged, true, "買い物\n牛乳 🥛"}, {Plain, false, ""}, {Merged, false, "買い物\n牛乳 🥛"}};
    for (const auto& day : days) {
        window.ShowDate(day.Day);
        EXPECT_EQ(!note->isHidden(), day.Note) << day.Day;
        EXPECT_EQ(others->toPlainText().toStdString(), day.Others) << day.Day;
        EXPECT_EQ(others->isHidden(), *day.Others == 0) << day.Day;
        EXPECT_TRUE(others->isReadOnly());
    }
    EXPECT_FALSE(LoadSyncState(environment.DataPath()).Days[Merged].NeedsLook);
}

TEST(SyncWindow, TheMenuCountsTheChangesThatWaitAndTheWaitsGrowToAnHour) {
    TDialogTestEnvironment environment;
    TSyncScheduler scheduler(environment.DataPath(), std::make_unique<TMemoryCredentialStore>());
    EXPECT_EQ(scheduler.MenuCaption(), "同期…");
    SyncedFolder(environment);
    EXPECT_EQ(scheduler.MenuCaption(), "同期… (未送信 1 件)");
    const int waits[][2] = {{0, 0}, {1, 1}, {2, 2}, {3, 4}, {6, 32}, {7, 60}, {40, 60}};
    for (const auto& [failures, minutes] : waits)
        EXPECT_EQ(TSyncScheduler::BackOffMinutes(failures), minutes) << failures;
}
