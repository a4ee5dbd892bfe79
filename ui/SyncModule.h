#pragma once
// Memo sync's window side — the scheduler of passes, the "同期…" dialog, the questions for a
// password and after a safety stop, and the sync facts the memo window shows — lives in a
// module of its own, "quillo-sync.so", which the calendar loads the first time sync is
// wanted: at start-up when the settings say sync is set up, when "同期…" is opened, and
// when the memo window shows a day of a synced data folder. A calendar that never syncs so
// never loads Qt Network, libical and the keyring library, and starts and stays as small as
// one without sync.
//
// The module uses the calendar's own objects (the memo store, the notices, the settings
// files), which the program exports to it; it brings no copy of them.

#include <cstdint>
#include <memory>
#include <string>

#include "sync/SyncedDay.h"

class QWidget;

// The running calendar's memo sync: passes after a memo changed, by the clock and when the
// network comes back, and the questions to the user.
class TMemoSync {
public:
    virtual ~TMemoSync() = default;
    // The menu entry: "同期…", with the changes that wait for the server.
    virtual std::string MenuCaption() const = 0;
    // The "同期…" dialog, modal.
    virtual void OpenDialog(QWidget* owner) = 0;
};

class TSyncModule {
public:
    virtual ~TSyncModule() = default;
    // Starts memo sync for the data folder dataPath (ending in "/"): the first pass and the
    // timers when sync is on.
    virtual std::unique_ptr<TMemoSync> StartMemoSync(const std::string& dataPath) = 0;
    // Of the sync state, read once; nothing when it cannot be read.
    virtual TSyncedDay SyncedDayOf(const std::string& dataPath, int32_t dayNumber) = 0;
    // The merged memo of the day was looked at. EFileError.
    virtual void MarkDayLooked(const std::string& dataPath, int32_t dayNumber) = 0;
};

// The module, loaded on the first call: "quillo-sync.so" beside the program (a build tree, a
// copy carried in one folder), else in the installed program's library folder. Throws
// EFileError, naming the file and the loader's reason, when it cannot be loaded.
TSyncModule& SyncModule();
// Whether the data folder's settings say sync is set up: only then is the module wanted
// without the user asking for it.
bool SyncSetUp(const std::string& dataPath);
// A program that links the window side of sync into itself (the tests) hands it over here
// in place of loading the module.
void UseSyncModule(TSyncModule* linked);

// The name the module's entry point is exported under: a function without arguments that
// returns the module's TSyncModule.
inline constexpr char SyncModuleEntry[] = "QuilloSyncModule";
