#include "sync/SyncState.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "storage/DateUtils.h"
#include "storage/Exception.h"
#include "storage/FileUtils.h"
#include "sync/Journal.h"

namespace {

// The state grows with the memos (about 200 bytes a day); this is far above any real one.
constexpr std::size_t MaxStateBytes = 64u << 20;
constexpr int FormatVersion = 1;

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QJsonValue& value) { return value.toString().toStdString(); }

}  // namespace

void TSyncState::Reset(const std::string& collectionUrl) {
    *this = TSyncState();
    CollectionUrl = collectionUrl;
}

std::string SyncStateFileName(const std::string& dataPath) { return dataPath + "MemoSync.json"; }

TSyncState LoadSyncState(const std::string& dataPath) {
    const std::string fileName = SyncStateFileName(dataPath);
    TSyncState state;
    if (!FileExists(fileName))
        return state;
    const std::string bytes = ReadFileBytes(fileName, MaxStateBytes);
    QJsonParseError error;
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())), &error);
    if (!document.isObject() || document.object().value("version").toInt() != FormatVersion)
        throw Exception(fileName + " を読めません: 同期の状態が壊れています");
    const QJsonObject root = document.object();
    state.CollectionUrl = S(root.value("collection"));
    state.SyncToken = S(root.value("token"));
    state.CTag = S(root.value("ctag"));
    state.LastSync = S(root.value("lastSync"));
    state.LastError = S(root.value("lastError"));
    const QJsonObject days = root.value("days").toObject();
    for (auto it = days.begin(); it != days.end(); ++it) {
        const double day = DateFromYmd(it.key().toStdString());
        if (day == 0)
            continue;
        const QJsonObject entry = it.value().toObject();
        TSyncDayState& dayState = state.Days[static_cast<int32_t>(day)];
        dayState.Agreed = S(entry.value("agreed"));
        dayState.ETag = S(entry.value("etag"));
        dayState.Sequence = entry.value("sequence").toInt();
        dayState.NeedsLook = entry.value("needsLook").toBool();
    }
    const QJsonObject others = root.value("others").toObject();
    for (auto it = others.begin(); it != others.end(); ++it) {
        const QJsonObject entry = it.value().toObject();
        TSyncOtherItem& item = state.Others[it.key().toStdString()];
        item.ETag = S(entry.value("etag"));
        item.Day = entry.value("day").toInt();
        item.Uid = S(entry.value("uid"));
        item.Summary = S(entry.value("summary"));
        item.Text = S(entry.value("text"));
    }
    return state;
}

void SaveSyncState(const std::string& dataPath, const TSyncState& state) {
    QJsonObject root;
    root.insert("version", FormatVersion);
    root.insert("collection", Q(state.CollectionUrl));
    root.insert("token", Q(state.SyncToken));
    root.insert("ctag", Q(state.CTag));
    root.insert("lastSync", Q(state.LastSync));
    root.insert("lastError", Q(state.LastError));
    QJsonObject days;
    for (const auto& [day, dayState] : state.Days) {
        QJsonObject entry;
        entry.insert("agreed", Q(dayState.Agreed));
        entry.insert("etag", Q(dayState.ETag));
        entry.insert("sequence", dayState.Sequence);
        if (dayState.NeedsLook)
            entry.insert("needsLook", true);
        days.insert(Q(FormatYmd(day)), entry);
    }
    root.insert("days", days);
    QJsonObject others;
    for (const auto& [href, item] : state.Others) {
        QJsonObject entry;
        entry.insert("etag", Q(item.ETag));
        entry.insert("day", item.Day);
        entry.insert("uid", Q(item.Uid));
        entry.insert("summary", Q(item.Summary));
        entry.insert("text", Q(item.Text));
        others.insert(Q(href), entry);
    }
    root.insert("others", others);
    const QByteArray bytes = QJsonDocument(root).toJson(QJsonDocument::Indented);
    WriteFileAtomic(SyncStateFileName(dataPath), std::string_view(bytes.constData(), bytes.size()));
}

bool SameMemoText(const std::string& a, const std::string& b) {
    return a == b || MemoTextToJournal(a) == MemoTextToJournal(b);
}

bool IsDirty(const TSyncState& state, int32_t dayNumber, const std::string& memoText) {
    const auto it = state.Days.find(dayNumber);
    return !SameMemoText(it == state.Days.end() ? std::string() : it->second.Agreed, memoText);
}

int PendingCount(const TSyncState& state, const std::map<int32_t, std::string>& memos) {
    int pending = 0;
    for (const auto& [day, text] : memos)
        pending += CanWriteMemoJournal(day) && IsDirty(state, day, text) ? 1 : 0;
    for (const auto& [day, dayState] : state.Days)
        if (!memos.contains(day) && !dayState.Agreed.empty())
            ++pending;
    return pending;
}
