#pragma once
// Memo sync for a window: a pass that runs off the window's thread and reports through a
// signal, the queries a window shows (from the local state only, never the network), and
// the calls of the setup dialog. Every call here returns at once.

#include <QObject>
#include <QThread>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "sync/CredentialStore.h"
#include "sync/Discovery.h"
#include "sync/SyncReport.h"
#include "sync/SyncRunner.h"
#include "sync/SyncSettings.h"
#include "sync/SyncedDay.h"

// The process-wide memo store (MemoStore()): reads its items, stores through
// TMemoStore::StoreMemos, which announces every changed day.
TSyncMemoAccess ProcessMemoAccess();

// One sync pass at a time for one data folder. Start() reads the settings and the memos,
// gets the password (QUILLO_SYNC_PASSWORD, PASSWORDCOMMAND, else the credential store) and
// runs the network part on a thread of its own; Finished comes on the owner's thread after
// the memos and the sync state are stored. Destroying the object cancels a running pass
// (waiting for its thread, at most a moment: requests are aborted).
class TSyncPass : public QObject {
    Q_OBJECT
public:
    // dataPath ends in "/"; credentials outlives the object.
    TSyncPass(std::string dataPath, TSyncMemoAccess memos, TCredentialStore& credentials, QObject* parent = nullptr);
    ~TSyncPass() override;

    bool Running() const { return FRunning; }
    // Starts a pass; false (and no signal) when one runs already.
    bool Start(TMassDeletionChoice choice = TMassDeletionChoice::Ask);
    // A password the user typed for this run (after NeedsPassword), used before the store's.
    void SetPassword(std::string password) { FPassword = std::move(password); }

signals:
    void Finished(const TSyncReport& report);

private:
    void RunWithPassword(const std::string& password, TMassDeletionChoice choice);
    void Complete(TSyncReport report);

    std::string FDataPath;
    TSyncMemoAccess FMemos;
    TCredentialStore& FCredentials;
    std::string FPassword;
    bool FRunning = false;
    std::shared_ptr<std::atomic<bool>> FCancel;
    QThread* FThread = nullptr;
};

// What a window shows without the network, from the sync state file and the memos.
struct TSyncStatus {
    bool Configured = false;
    bool Enabled = false;
    int Pending = 0;        // days whose text differs from the last text both sides agreed on
    std::string LastSync;   // "yyyy-mm-dd hh:mm" local time of the last successful pass; empty: never
    std::string LastError;  // of the last pass; empty when it succeeded
    std::vector<int32_t> DaysNeedingLook;
};
TSyncStatus ReadSyncStatus(const std::string& dataPath, const std::map<int32_t, std::string>& memos);

// What the sync state says of one day, read once. Nothing when sync is not set up or its
// state cannot be read (the next pass reports the reason).
TSyncedDay SyncedDayOf(const std::string& dataPath, int32_t dayNumber);
// The user looked at the merged memo of the day: it no longer needs a look. EFileError.
void MarkDayLooked(const std::string& dataPath, int32_t dayNumber);

// The dialog's server calls, each on a thread of its own; the signal comes on the owner's
// thread. One call at a time per object (a second while one runs is refused: false).
class TSyncSetup : public QObject {
    Q_OBJECT
public:
    explicit TSyncSetup(QObject* parent = nullptr);
    ~TSyncSetup() override;
    // Discovery from settings.ServerUrl (a collection, or a root through /.well-known/caldav,
    // current-user-principal and calendar-home-set) and the password check.
    bool CheckServer(const TSyncSettings& settings, const std::string& password);
    // MKCALENDAR of a collection named displayName (e.g. "日めくり暦のメモ") for VJOURNAL
    // below homeUrl; Created gives it in CollectionUrl.
    bool CreateCollection(const TSyncSettings& settings, const std::string& password, const std::string& homeUrl,
                          const std::string& displayName);

signals:
    void ServerChecked(const TSyncDiscovery& result);
    void CollectionCreated(const TSyncDiscovery& result);

private:
    bool Launch(std::function<TSyncDiscovery()> work, bool create);
    QThread* FThread = nullptr;
};
