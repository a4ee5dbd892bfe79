#include "ui/SyncScheduler.h"

#include <QNetworkInformation>

#include <algorithm>

#include "storage/DateUtils.h"
#include "sync/MemoSync.h"
#include "sync/SyncSettings.h"
#include "ui/Notices.h"

TSyncScheduler::TSyncScheduler(std::string dataPath, std::unique_ptr<TCredentialStore> credentials, QObject* parent)
    : QObject(parent), FDataPath(std::move(dataPath)), FCredentials(std::move(credentials)) {
    FPass = new TSyncPass(FDataPath, ProcessMemoAccess(), *FCredentials, this);
    connect(FPass, &TSyncPass::Finished, this, [this](const TSyncReport& report) { PassFinished(report); });
    FEditTimer.setSingleShot(true);
    FEditTimer.setInterval(EditDelayMs);
    FPeriodTimer.setInterval(PeriodMs);
    FRetryTimer.setSingleShot(true);
    FMidnightTimer.setSingleShot(true);
    for (QTimer* timer : {&FEditTimer, &FPeriodTimer, &FRetryTimer})
        connect(timer, &QTimer::timeout, this, [this] { SyncNow(); });
    connect(&FMidnightTimer, &QTimer::timeout, this, [this] {
        SyncNow();
        ArmMidnight();
    });
    MemoChangedNotice().Listen(this, [this](int32_t) { MemoChanged(); });
}

TSyncScheduler::~TSyncScheduler() = default;

bool TSyncScheduler::Running() const { return FPass->Running(); }

int TSyncScheduler::BackOffMinutes(int failures) {
    return failures <= 0 ? 0 : std::min(LongestBackOffMinutes, 1 << std::min(failures - 1, 6));
}

void TSyncScheduler::Start() {
    FStarted = true;
    SettingsChanged();
}

void TSyncScheduler::WatchNetwork() {
    // The network's coming back brings a pass at once rather than at the next timer. Asked
    // only once sync is on: the desktop's network service is no business of a calendar
    // that does not sync.
    if (FWatchingNetwork)
        return;
    FWatchingNetwork = true;
    if (QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
        connect(QNetworkInformation::instance(), &QNetworkInformation::reachabilityChanged, this,
                [this](QNetworkInformation::Reachability reachability) {
                    if (reachability == QNetworkInformation::Reachability::Online)
                        NetworkReachable();
                });
}

void TSyncScheduler::SettingsChanged() {
    const TSyncSettings settings = LoadSyncSettings(FDataPath);
    FEnabled = settings.Enabled && settings.Configured();
    FFailures = 0;
    FWaitingForPassword = false;
    FRetryTimer.stop();
    if (!FEnabled || !FStarted) {
        FPeriodTimer.stop();
        FMidnightTimer.stop();
        FEditTimer.stop();
        return;
    }
    WatchNetwork();
    FPeriodTimer.start();
    ArmMidnight();
    SyncNow();
}

void TSyncScheduler::SyncNow(TMassDeletionChoice choice) {
    if (FPass->Running()) {
        // The change that asked for this pass may have come after the running pass read the
        // memos: one more pass after it.
        FEditTimer.start();
        return;
    }
    FEditTimer.stop();
    FRetryTimer.stop();
    FPass->Start(choice);
}

void TSyncScheduler::SetPassword(std::string password) {
    FPass->SetPassword(std::move(password));
    FWaitingForPassword = false;
}

void TSyncScheduler::MemoChanged() {
    if (FEnabled && !FWaitingForPassword)
        FEditTimer.start();
}

void TSyncScheduler::NetworkReachable() {
    if (FEnabled && !FWaitingForPassword && FFailures > 0)
        SyncNow();
}

void TSyncScheduler::ArmMidnight() {
    const TLocalMoment now = Now();
    // A moment after midnight, when the day's page has changed.
    FMidnightTimer.start(MillisecondsPerDay - now.MillisecondOfDay + 5000);
}

void TSyncScheduler::PassFinished(const TSyncReport& report) {
    FLastReport = report;
    FHasReport = true;
    switch (report.Outcome) {
    case TSyncOutcome::Done:
    case TSyncOutcome::NotConfigured:
    case TSyncOutcome::Busy:
        FFailures = 0;
        break;
    case TSyncOutcome::Failed: {
        ++FFailures;
        const int waitMs = std::max(BackOffMinutes(FFailures) * 60 * 1000, report.RetryAfterSeconds * 1000);
        FRetryTimer.start(waitMs);
        break;
    }
    case TSyncOutcome::NeedsPassword:
        FWaitingForPassword = true;
        FEditTimer.stop();
        FRetryTimer.stop();
        break;
    case TSyncOutcome::SafetyStop:
        FEditTimer.stop();
        break;
    }
    if (OnFinished)
        OnFinished(report);
    if (report.Outcome == TSyncOutcome::NeedsPassword && OnPasswordWanted)
        OnPasswordWanted();
    if (report.Outcome == TSyncOutcome::SafetyStop && OnSafetyStop)
        OnSafetyStop(report);
}

std::string TSyncScheduler::MenuCaption() const {
    std::string caption = "同期…";
    const TSyncStatus status = ReadSyncStatus(FDataPath, ProcessMemoAccess().Read());
    if (status.Configured && status.Pending > 0)
        caption += " (未送信 " + std::to_string(status.Pending) + " 件)";
    else if (FWaitingForPassword)
        caption += " (パスワードが必要です)";
    return caption;
}
