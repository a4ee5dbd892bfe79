#include "sync/SyncRunner.h"

#include <QDateTime>
#include <algorithm>

#include "storage/DateUtils.h"
#include "storage/Exception.h"
#include "storage/FileUtils.h"
#include "storage/MemoStore.h"
#include "sync/HttpTransport.h"
#include "sync/SyncState.h"

namespace {

TSyncReport Refused(TSyncOutcome outcome, std::string error) {
    TSyncReport report;
    report.Outcome = outcome;
    report.Error = std::move(error);
    return report;
}

std::string CollectionWithSlash(std::string url) {
    if (!url.empty() && url.back() != '/')
        url += '/';
    return url;
}

}  // namespace

TSyncMemoAccess MemoFileAccess(const std::string& dataPath) {
    const std::string fileName = dataPath + "Memos.txt";
    TSyncMemoAccess access;
    access.Read = [fileName] {
        TMemoStore store(fileName);
        store.Load();
        std::map<int32_t, std::string> memos;
        const TTaggedStrings& items = store.Items();
        for (int i = items.Count() - 1; i >= 0; --i)
            memos[items.Tags(i)] = items.Strings(i);  // the first memo of a day wins, as MemoOf reads it
        return memos;
    };
    access.Store = [fileName](const std::vector<std::pair<int32_t, std::string>>& memos) {
        TMemoStore store(fileName);
        store.Load();
        store.StoreMemos(memos);
    };
    return access;
}

std::string ConflictFolder(const std::string& dataPath) { return dataPath + "conflicts/"; }

TPreparedPass PreparePass(const std::string& dataPath, const TSyncMemoAccess& memos, TMassDeletionChoice choice) {
    TPreparedPass pass;
    pass.Settings = LoadSyncSettings(dataPath);
    if (!pass.Settings.Configured()) {
        pass.Refusal = Refused(TSyncOutcome::NotConfigured, "同期の設定がありません (quillo-tool sync setup)");
        return pass;
    }
    try {
        pass.Input.Memos = memos.Read();
        pass.Input.State = LoadSyncState(dataPath);
    } catch (const Exception& error) {
        pass.Refusal = Refused(TSyncOutcome::Failed, error.Message());
        return pass;
    }
    pass.Input.CollectionUrl = CollectionWithSlash(pass.Settings.CollectionUrl);
    if (pass.Input.State.CollectionUrl != pass.Input.CollectionUrl)
        pass.Input.State.Reset(pass.Input.CollectionUrl);
    pass.Input.Choice = choice;
    const QDateTime now = QDateTime::currentDateTime();
    pass.Input.StampUtc = now.toUTC().toString(QStringLiteral("yyyyMMdd'T'hhmmss'Z'")).toStdString();
    pass.Input.LocalTime = now.toString(QStringLiteral("yyyy-MM-dd hh:mm")).toStdString();
    pass.Ready = true;
    return pass;
}

TPassResult RunPassOverHttp(const TSyncSettings& settings, const std::string& password, TPassInput input,
                            std::shared_ptr<std::atomic<bool>> cancel) {
    THttpTransport transport(settings.UserName, password, settings.PinnedFingerprint, settings.TimeoutSeconds,
                             std::move(cancel));
    return RunSyncPass(transport, std::move(input));
}

TSyncReport ApplyPassResult(const std::string& dataPath, const TPassInput& input, TPassResult result,
                            const TSyncMemoAccess& memos) {
    try {
        if (!result.Conflicts.empty()) {
            const std::string folder = ConflictFolder(dataPath);
            CreateFolders(folder);
            const std::string stamp =
                QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss")).toStdString();
            for (const TConflictCopy& copy : result.Conflicts) {
                const std::string stem = folder + FormatYmd(copy.Day) + "-" + stamp;
                WriteFileAtomic(stem + "-local.txt", copy.Local);
                WriteFileAtomic(stem + "-remote.txt", copy.Remote);
            }
        }
        std::vector<std::pair<int32_t, std::string>> changes;
        if (!result.LocalChanges.empty()) {
            const std::map<int32_t, std::string> now = memos.Read();
            for (const auto& [day, text] : result.LocalChanges) {
                const auto before = input.Memos.find(day);
                const auto current = now.find(day);
                const std::string beforeText = before == input.Memos.end() ? std::string() : before->second;
                const std::string currentText = current == now.end() ? std::string() : current->second;
                if (currentText == beforeText) {
                    changes.emplace_back(day, text);
                    continue;
                }
                // Edited here while the pass ran: the edit stays; the day is looked at again.
                const auto old = input.State.Days.find(day);
                if (old == input.State.Days.end())
                    result.State.Days.erase(day);
                else
                    result.State.Days[day] = old->second;
                result.State.SyncToken = input.State.SyncToken;
                result.State.CTag = input.State.CTag;
                result.Report.Pending += 1;
            }
            std::sort(changes.begin(), changes.end());
            if (!changes.empty())
                memos.Store(changes);
        }
        SaveSyncState(dataPath, result.State);
    } catch (const Exception& error) {
        result.Report.Outcome = TSyncOutcome::Failed;
        result.Report.Error = error.Message();
    }
    return result.Report;
}

TSyncReport RunPassHere(const std::string& dataPath, const std::string& password, const TSyncMemoAccess& memos,
                        TMassDeletionChoice choice) {
    TPreparedPass pass = PreparePass(dataPath, memos, choice);
    if (!pass.Ready)
        return pass.Refusal;
    TPassResult result = RunPassOverHttp(pass.Settings, password, pass.Input);
    return ApplyPassResult(dataPath, pass.Input, std::move(result), memos);
}
