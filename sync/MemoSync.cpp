#include "sync/MemoSync.h"

#include <QPointer>

#include "storage/Exception.h"
#include "storage/MemoStore.h"
#include "sync/Discovery.h"
#include "sync/HttpTransport.h"
#include "sync/SyncState.h"

TSyncMemoAccess ProcessMemoAccess() {
    TSyncMemoAccess access;
    access.Read = [] {
        std::map<int32_t, std::string> memos;
        const TTaggedStrings& items = MemoStore().Items();
        for (int i = items.Count() - 1; i >= 0; --i)
            memos[items.Tags(i)] = items.Strings(i);
        return memos;
    };
    access.Store = [](const std::vector<std::pair<int32_t, std::string>>& memos) { MemoStore().StoreMemos(memos); };
    return access;
}

TSyncPass::TSyncPass(std::string dataPath, TSyncMemoAccess memos, TCredentialStore& credentials, QObject* parent)
    : QObject(parent), FDataPath(std::move(dataPath)), FMemos(std::move(memos)), FCredentials(credentials) {}

TSyncPass::~TSyncPass() {
    if (FThread) {
        FCancel->store(true);
        FThread->wait();
        delete FThread;
    }
}

bool TSyncPass::Start(TMassDeletionChoice choice) {
    if (FRunning)
        return false;
    FRunning = true;
    if (!FPassword.empty()) {
        RunWithPassword(FPassword, choice);
        return true;
    }
    const TSyncSettings settings = LoadSyncSettings(FDataPath);
    if (!settings.Configured()) {
        // Nothing to ask a password for: PreparePass reports it.
        RunWithPassword({}, choice);
        return true;
    }
    bool found = false;
    try {
        const std::string password = PasswordWithoutKeyring(settings, found);
        if (found) {
            RunWithPassword(password, choice);
            return true;
        }
    } catch (const Exception& error) {
        TSyncReport report;
        report.Outcome = TSyncOutcome::NeedsPassword;
        report.Error = error.Message();
        QMetaObject::invokeMethod(
            this, [this, report] { Complete(report); }, Qt::QueuedConnection);
        return true;
    }
    QPointer<TSyncPass> self(this);
    FCredentials.ReadPassword(CredentialAccount(settings), [self, choice](const TCredentialResult& result) {
        if (!self)
            return;
        if (result.Ok) {
            self->RunWithPassword(result.Password, choice);
            return;
        }
        TSyncReport report;
        report.Outcome = TSyncOutcome::NeedsPassword;
        report.Error = "パスワードが必要です: " + result.Error;
        QMetaObject::invokeMethod(
            self.data(), [pass = self.data(), report] { pass->Complete(report); }, Qt::QueuedConnection);
    });
    return true;
}

void TSyncPass::RunWithPassword(const std::string& password, TMassDeletionChoice choice) {
    TPreparedPass pass = PreparePass(FDataPath, FMemos, choice);
    if (!pass.Ready) {
        const TSyncReport report = pass.Refusal;
        QMetaObject::invokeMethod(
            this, [this, report] { Complete(report); }, Qt::QueuedConnection);
        return;
    }
    FCancel = std::make_shared<std::atomic<bool>>(false);
    auto shared = std::make_shared<TPreparedPass>(std::move(pass));
    std::shared_ptr<std::atomic<bool>> cancel = FCancel;
    QPointer<TSyncPass> self(this);
    FThread = QThread::create([self, shared, password, cancel] {
        auto result = std::make_shared<TPassResult>(RunPassOverHttp(shared->Settings, password, shared->Input, cancel));
        if (cancel->load())
            return;
        // Back on the owner's thread: the memos are stored there, then the state.
        QMetaObject::invokeMethod(
            self.data(),
            [self, shared, result] {
                if (!self)
                    return;
                self->Complete(ApplyPassResult(self->FDataPath, shared->Input, std::move(*result), self->FMemos));
            },
            Qt::QueuedConnection);
    });
    FThread->start();
}

void TSyncPass::Complete(TSyncReport report) {
    if (FThread) {
        FThread->wait();
        delete FThread;
        FThread = nullptr;
    }
    FRunning = false;
    if (report.Outcome != TSyncOutcome::NeedsPassword)
        FPassword.clear();
    emit Finished(report);
}

TSyncStatus ReadSyncStatus(const std::string& dataPath, const std::map<int32_t, std::string>& memos) {
    TSyncStatus status;
    const TSyncSettings settings = LoadSyncSettings(dataPath);
    status.Configured = settings.Configured();
    status.Enabled = settings.Enabled;
    try {
        const TSyncState state = LoadSyncState(dataPath);
        status.Pending = PendingCount(state, memos);
        status.LastSync = state.LastSync;
        status.LastError = state.LastError;
        for (const auto& [day, dayState] : state.Days)
            if (dayState.NeedsLook)
                status.DaysNeedingLook.push_back(day);
    } catch (const Exception& error) {
        status.LastError = error.Message();
    }
    return status;
}

TSyncedDay SyncedDayOf(const std::string& dataPath, int32_t dayNumber) {
    TSyncedDay day;
    if (!LoadSyncSettings(dataPath).Configured())
        return day;
    try {
        const TSyncState state = LoadSyncState(dataPath);
        const auto it = state.Days.find(dayNumber);
        day.NeedsLook = it != state.Days.end() && it->second.NeedsLook;
        for (const auto& [href, item] : state.Others)
            if (item.Day == dayNumber)
                day.Journals.push_back({item.Summary, item.Text});
    } catch (const Exception&) {
    }
    return day;
}

void MarkDayLooked(const std::string& dataPath, int32_t dayNumber) {
    TSyncState state = LoadSyncState(dataPath);
    const auto it = state.Days.find(dayNumber);
    if (it == state.Days.end() || !it->second.NeedsLook)
        return;
    it->second.NeedsLook = false;
    SaveSyncState(dataPath, state);
}

TSyncSetup::TSyncSetup(QObject* parent) : QObject(parent) {}

TSyncSetup::~TSyncSetup() {
    if (FThread) {
        FThread->wait();
        delete FThread;
    }
}

bool TSyncSetup::Launch(std::function<TSyncDiscovery()> work, bool create) {
    if (FThread)
        return false;
    QPointer<TSyncSetup> self(this);
    FThread = QThread::create([self, work, create] {
        const TSyncDiscovery result = work();
        QMetaObject::invokeMethod(
            self.data(),
            [self, result, create] {
                if (!self)
                    return;
                self->FThread->wait();
                delete self->FThread;
                self->FThread = nullptr;
                if (create)
                    emit self->CollectionCreated(result);
                else
                    emit self->ServerChecked(result);
            },
            Qt::QueuedConnection);
    });
    FThread->start();
    return true;
}

bool TSyncSetup::CheckServer(const TSyncSettings& settings, const std::string& password) {
    return Launch(
        [settings, password] {
            std::string reason;
            if (!IsAllowedServerUrl(settings.ServerUrl, &reason)) {
                TSyncDiscovery refused;
                refused.Error = reason;
                return refused;
            }
            THttpTransport transport(settings.UserName, password, settings.PinnedFingerprint, settings.TimeoutSeconds);
            return DiscoverCollections(transport, settings.ServerUrl);
        },
        false);
}

bool TSyncSetup::CreateCollection(const TSyncSettings& settings, const std::string& password,
                                  const std::string& homeUrl, const std::string& displayName) {
    return Launch(
        [settings, password, homeUrl, displayName] {
            THttpTransport transport(settings.UserName, password, settings.PinnedFingerprint, settings.TimeoutSeconds);
            return CreateJournalCollection(transport, homeUrl, displayName);
        },
        true);
}
