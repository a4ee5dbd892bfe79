#pragma once
// TSyncScheduler: when the running calendar syncs its memos with the user's CalDAV server.
// A pass runs once the page is on the screen (Start), 10 s after a memo changed, every 15
// minutes, just after midnight and when the network comes back; never two at once, and
// never on the window's thread. After a pass that could not reach the server it waits 1, 2,
// 4 … 60 minutes (or as long as the server's Retry-After says) before the next try on its
// own. A refused password stops it until the user gives one (AskPassword); nothing retries
// it behind the user's back, so that no server locks the account.

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>

#include "sync/CredentialStore.h"
#include "sync/SyncReport.h"

class TSyncPass;

class TSyncScheduler : public QObject {
public:
    static constexpr int EditDelayMs = 10 * 1000;
    static constexpr int PeriodMs = 15 * 60 * 1000;
    static constexpr int LongestBackOffMinutes = 60;

    // dataPath ends in "/". credentials: the keyring, or a stand-in in tests.
    TSyncScheduler(std::string dataPath, std::unique_ptr<TCredentialStore> credentials, QObject* parent = nullptr);
    ~TSyncScheduler() override;

    // Begins the timers and the first pass when sync is on.
    void Start();
    // The settings changed (the dialog): a pass now when sync is on, the timers stop when off.
    void SettingsChanged();
    // A pass now, whatever the timers say ("今すぐ同期"); also after a refused password once
    // the user gave another (SetPassword).
    void SyncNow(TMassDeletionChoice choice = TMassDeletionChoice::Ask);
    // A password the user typed, used for this run before the keyring's.
    void SetPassword(std::string password);

    bool Running() const;
    bool Enabled() const { return FEnabled; }
    const TSyncReport& LastReport() const { return FLastReport; }
    bool HasReport() const { return FHasReport; }
    // The menu entry: "同期…", with "未送信 n 件" while local changes wait for the server.
    std::string MenuCaption() const;
    // The delay before the next try after the failures so far: 1, 2, 4 … 60 minutes.
    static int BackOffMinutes(int failures);
    TCredentialStore& Credentials() { return *FCredentials; }
    const std::string& DataPath() const { return FDataPath; }

    // After each pass, on the window's thread.
    std::function<void(const TSyncReport& report)> OnFinished;
    // A pass was refused its password, or needs one that no keyring keeps: the window asks
    // the user (and hands the answer to SetPassword).
    std::function<void()> OnPasswordWanted;
    // The server lists none of the many memos synced before: the window asks the user what
    // to do and calls SyncNow with the choice.
    std::function<void(const TSyncReport& report)> OnSafetyStop;

private:
    void MemoChanged();
    void PassFinished(const TSyncReport& report);
    void ArmMidnight();
    void NetworkReachable();
    void WatchNetwork();

    std::string FDataPath;
    std::unique_ptr<TCredentialStore> FCredentials;
    TSyncPass* FPass = nullptr;
    QTimer FEditTimer;
    QTimer FPeriodTimer;
    QTimer FRetryTimer;
    QTimer FMidnightTimer;
    bool FEnabled = false;
    bool FStarted = false;
    bool FWatchingNetwork = false;
    bool FWaitingForPassword = false;
    int FFailures = 0;
    TSyncReport FLastReport;
    bool FHasReport = false;
};
