#include "sync/SyncEngine.h"

#include <QUrl>
#include <optional>
#include <set>

#include "sync/Journal.h"
#include "sync/Multistatus.h"

namespace {

constexpr const char* ProbeBody = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                                  "<d:propfind xmlns:d=\"DAV:\" xmlns:cs=\"http://calendarserver.org/ns/\"><d:prop>"
                                  "<d:resourcetype/><cs:getctag/><d:supported-report-set/>"
                                  "</d:prop></d:propfind>";
constexpr const char* ListBody =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<d:propfind xmlns:d=\"DAV:\"><d:prop><d:resourcetype/><d:getetag/></d:prop></d:propfind>";
constexpr const char* ETagBody = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                                 "<d:propfind xmlns:d=\"DAV:\"><d:prop><d:getetag/></d:prop></d:propfind>";
constexpr const char* XmlType = "application/xml; charset=utf-8";

std::string EscapeXml(std::string_view text) {
    std::string result;
    for (char c : text) {
        switch (c) {
        case '&':
            result += "&amp;";
            break;
        case '<':
            result += "&lt;";
            break;
        case '>':
            result += "&gt;";
            break;
        case '"':
            result += "&quot;";
            break;
        default:
            result += c;
        }
    }
    return result;
}

bool Succeeded(int status) { return status >= 200 && status <= 299; }

// A sync-collection answer that refuses the token: 403/409 with valid-sync-token as RFC 6578
// says, or any other failure but the password and the server's load (some servers answer a
// token they do not know with 400 or 500). A full listing follows; one that fails as well
// reports that failure.
bool TokenRefused(const TDavReply& reply) {
    if ((reply.Status == 403 || reply.Status == 409) && IsInvalidSyncTokenError(reply.Body))
        return true;
    return reply.Status >= 400 && reply.Status != 401 && reply.Status != 403 && reply.Status != 429 &&
           reply.Status != 503 && reply.Status != 507;
}

// How a pass ends early: the outcome and the words for the user.
struct TStop {
    TSyncOutcome Outcome;
    std::string Message;
    int RetryAfterSeconds = 0;
};

// A memo as the server holds it.
struct TRemoteMemo {
    bool Exists = false;
    bool Readable = false;  // holds a journal (else it is left alone, never read as empty)
    std::string Text;       // memo line ends
    std::string ETag;
    int Sequence = 0;
};

class TPass {
public:
    TPass(TDavTransport& transport, TPassInput input) : FTransport(transport), FIn(std::move(input)) {
        FOut.State = FIn.State;
        FLocal = FIn.Memos;
        FCollection = QUrl(QString::fromStdString(FIn.CollectionUrl));
    }

    TPassResult Run() {
        try {
            Probe();
            Push();
            Pull();
            FOut.State.LastSync = FIn.LocalTime;
            FOut.State.LastError.clear();
        } catch (const TStop& stop) {
            FOut.Report.Outcome = stop.Outcome;
            FOut.Report.Error = stop.Message;
            FOut.Report.RetryAfterSeconds = stop.RetryAfterSeconds;
        } catch (const ESyncNetworkError& error) {
            FOut.Report.Outcome = TSyncOutcome::Failed;
            FOut.Report.Error = error.Message();
            FOut.Report.UntrustedFingerprint = error.UntrustedFingerprint();
        }
        if (FOut.Report.Outcome != TSyncOutcome::Done)
            FOut.State.LastError = FOut.Report.Error;
        FOut.Report.Pending = PendingCount(FOut.State, FLocal);
        for (const auto& [day, dayState] : FOut.State.Days)
            if (dayState.NeedsLook)
                FOut.Report.DaysNeedingLook.push_back(day);
        FOut.Report.Merged = static_cast<int>(FMergedDays.size());
        return std::move(FOut);
    }

private:
    // --- requests

    TDavReply Send(const std::string& method, const std::string& url, std::string body,
                   std::vector<std::pair<std::string, std::string>> headers = {}) {
        return FTransport.Send({method, url, std::move(headers), std::move(body)});
    }

    // Ends the pass for an answer that no rule of the caller took.
    [[noreturn]] void Fail(const TDavReply& reply, const std::string& what) {
        const std::string status = " (HTTP " + std::to_string(reply.Status) + ")";
        if (reply.Status == 401 || reply.Status == 403)
            throw TStop{TSyncOutcome::NeedsPassword, "サーバーがユーザー名かパスワードを受け付けません" + status};
        if (reply.Status == 429 || reply.Status == 503)
            throw TStop{TSyncOutcome::Failed, "サーバーが混み合っています。しばらくしてから同期します" + status,
                        std::max(reply.RetryAfterSeconds, 0)};
        if (reply.Status == 507)
            throw TStop{TSyncOutcome::Failed, "サーバーの容量が足りません" + status};
        throw TStop{TSyncOutcome::Failed, "サーバーが" + what + "を受け付けません" + status};
    }

    TMultistatus Multistatus(const TDavReply& reply, const std::string& what) {
        if (reply.Status != 207)
            Fail(reply, what);
        std::string reason;
        std::optional<TMultistatus> result = ReadMultistatus(reply.Body, &reason);
        if (!result)
            throw TStop{TSyncOutcome::Failed, "サーバーの応答を読めません (" + what + "): " + reason};
        return std::move(*result);
    }

    std::string UrlOf(int32_t day) const { return FIn.CollectionUrl + MemoResourceName(day); }
    std::string Absolute(const std::string& href) const {
        return FCollection.resolved(QUrl(QString::fromStdString(href))).toString().toStdString();
    }
    // The href's path, decoded: the key of an item in the state.
    std::string PathOf(const std::string& href) const {
        return DecodeHref(QUrl(QString::fromStdString(Absolute(href))).path(QUrl::FullyEncoded).toStdString());
    }

    // --- local side

    std::string LocalOf(int32_t day) const {
        const auto it = FLocal.find(day);
        return it == FLocal.end() ? std::string() : it->second;
    }
    std::string AgreedOf(int32_t day) const {
        const auto it = FOut.State.Days.find(day);
        return it == FOut.State.Days.end() ? std::string() : it->second.Agreed;
    }
    std::string ETagOf(int32_t day) const {
        const auto it = FOut.State.Days.find(day);
        return it == FOut.State.Days.end() ? std::string() : it->second.ETag;
    }
    void StoreLocally(int32_t day, const std::string& text) {
        FLocal[day] = text;
        for (auto& change : FOut.LocalChanges)
            if (change.first == day) {
                change.second = text;
                return;
            }
        FOut.LocalChanges.emplace_back(day, text);
    }
    void Agree(int32_t day, const std::string& text, const std::string& etag, int sequence) {
        TSyncDayState& entry = FOut.State.Days[day];
        entry.Agreed = text;
        entry.ETag = etag;
        entry.Sequence = std::max(entry.Sequence, sequence);
    }
    void Forget(int32_t day) { FOut.State.Days.erase(day); }

    // --- the steps

    std::string MissingCollection() const {
        return "サーバーにメモのコレクションがありません (消されたか移されました): " + FIn.CollectionUrl;
    }

    void Probe() {
        const TDavReply answer =
            Send("PROPFIND", FIn.CollectionUrl, ProbeBody, {{"Depth", "0"}, {"Content-Type", XmlType}});
        if (answer.Status == 404 || answer.Status == 410)
            throw TStop{TSyncOutcome::Failed, MissingCollection()};
        const TMultistatus reply = Multistatus(answer, "コレクションの問い合わせ");
        if (reply.Responses.empty())
            throw TStop{TSyncOutcome::Failed, "サーバーの応答にコレクションがありません"};
        // Some servers answer for a missing collection with a multistatus that says 404.
        if (reply.Responses.front().Status == 404 || reply.Responses.front().Status == 410)
            throw TStop{TSyncOutcome::Failed, MissingCollection()};
        const TDavResponse& collection = reply.Responses.front();
        FServerToken = collection.SyncToken;
        FServerCTag = collection.CTag;
        FSyncCollection = collection.SupportsSyncCollection;
    }

    void Push() {
        std::set<int32_t> days;
        for (const auto& [day, text] : FLocal)
            days.insert(day);
        for (const auto& [day, dayState] : FOut.State.Days)
            days.insert(day);
        for (int32_t day : days) {
            if (!CanWriteMemoJournal(day))
                continue;
            const std::string local = LocalOf(day);
            if (SameMemoText(local, AgreedOf(day))) {
                if (local.empty() && ETagOf(day).empty())
                    Forget(day);
                continue;
            }
            FPushed = true;
            if (local.empty() && ETagOf(day).empty())
                Forget(day);
            else if (local.empty())
                DeleteRemote(day);
            else
                WriteRemote(day, local, ETagOf(day), MaxWriteAttempts, std::nullopt);
        }
    }

    TRemoteMemo FetchMemo(int32_t day) {
        const TDavReply reply = Send("GET", UrlOf(day), {});
        TRemoteMemo memo;
        if (reply.Status == 404 || reply.Status == 410)
            return memo;
        if (!Succeeded(reply.Status))
            Fail(reply, "メモの読み込み");
        memo.Exists = true;
        memo.ETag = reply.ETag.empty() ? ETagFromServer(UrlOf(day)) : reply.ETag;
        ReadMemoObject(day, reply.Body, memo);
        return memo;
    }

    static void ReadMemoObject(int32_t day, const std::string& body, TRemoteMemo& memo) {
        const std::vector<TJournal> journals = ReadJournals(body);
        const TJournal* chosen = journals.empty() ? nullptr : &journals.front();
        for (const TJournal& journal : journals)
            if (journal.Uid == MemoUid(day))
                chosen = &journal;
        if (chosen) {
            memo.Readable = true;
            memo.Text = JournalTextToMemo(chosen->Text);
            memo.Sequence = chosen->Sequence;
        }
    }

    std::string ETagFromServer(const std::string& url) {
        const TMultistatus reply = Multistatus(
            Send("PROPFIND", url, ETagBody, {{"Depth", "0"}, {"Content-Type", XmlType}}), "ETag の問い合わせ");
        if (!reply.Responses.empty() && !reply.Responses.front().ETag.empty())
            return reply.Responses.front().ETag;
        // No ETag at all: a value no object has, so that the next write asks for a fresh copy.
        return "\"unknown\"";
    }

    // Writes text as the day's memo: created when ifMatch is empty, else replacing the object
    // with that ETag. A 412 brings the server's copy and the three-way rule, at most
    // attemptsLeft more writes; then the day stays pending.
    void WriteRemote(int32_t day, const std::string& text, const std::string& ifMatch, int attemptsLeft,
                     const std::optional<TConflictCopy>& conflict) {
        const int sequence = FOut.State.Days.contains(day) ? FOut.State.Days[day].Sequence + 1 : 0;
        std::vector<std::pair<std::string, std::string>> headers{{"Content-Type", "text/calendar; charset=utf-8"}};
        if (ifMatch.empty())
            headers.emplace_back("If-None-Match", "*");
        else
            headers.emplace_back("If-Match", ifMatch);
        const TDavReply reply =
            Send("PUT", UrlOf(day), WriteMemoJournal(day, text, sequence, FIn.StampUtc), std::move(headers));
        if (Succeeded(reply.Status)) {
            const std::string etag = reply.ETag.empty() ? ETagFromServer(UrlOf(day)) : reply.ETag;
            Agree(day, text, etag, sequence);
            if (!SameMemoText(text, LocalOf(day)))
                StoreLocally(day, text);
            ++FOut.Report.Uploaded;
            if (conflict) {
                FOut.State.Days[day].NeedsLook = true;
                FMergedDays.insert(day);
                std::erase_if(FOut.Conflicts, [day](const TConflictCopy& copy) { return copy.Day == day; });
                FOut.Conflicts.push_back(*conflict);
            }
            return;
        }
        if (attemptsLeft <= 1 && (reply.Status == 412 || reply.Status == 404)) {
            FOut.Report.Partial = true;
            return;
        }
        if (reply.Status == 404 && !ifMatch.empty()) {
            // Deleted on the server while edited here: the edit lives on as a new object.
            WriteRemote(day, text, {}, attemptsLeft - 1, conflict);
            return;
        }
        if (reply.Status != 412)
            Fail(reply, "メモの書き込み");
        const TRemoteMemo remote = FetchMemo(day);
        if (!remote.Exists)
            WriteRemote(day, text, {}, attemptsLeft - 1, conflict);
        else
            Reconcile(day, remote, attemptsLeft - 1);
    }

    void DeleteRemote(int32_t day) {
        const TDavReply reply = Send("DELETE", UrlOf(day), {}, {{"If-Match", ETagOf(day)}});
        if (Succeeded(reply.Status) || reply.Status == 404 || reply.Status == 410) {
            Forget(day);
            ++FOut.Report.DeletedRemote;
            return;
        }
        if (reply.Status != 412)
            Fail(reply, "メモの削除");
        // Edited on the server after the last pass: the remote text stays, here too.
        const TRemoteMemo remote = FetchMemo(day);
        if (!remote.Exists) {
            Forget(day);
            return;
        }
        if (!remote.Readable) {
            FOut.Report.Partial = true;
            return;
        }
        StoreLocally(day, remote.Text);
        Agree(day, remote.Text, remote.ETag, remote.Sequence);
        ++FOut.Report.Downloaded;
    }

    // The three-way rule for a day whose server copy is known.
    void Reconcile(int32_t day, const TRemoteMemo& remote, int attemptsLeft) {
        if (!remote.Readable || !CanWriteMemoJournal(day)) {
            // Not a journal this program can read or write back: neither side is touched.
            FOut.Report.Partial = true;
            return;
        }
        const std::string local = LocalOf(day);
        const std::string agreed = AgreedOf(day);
        if (SameMemoText(local, remote.Text)) {
            Agree(day, local, remote.ETag, remote.Sequence);
        } else if (SameMemoText(local, agreed)) {
            StoreLocally(day, remote.Text);
            Agree(day, remote.Text, remote.ETag, remote.Sequence);
            ++FOut.Report.Downloaded;
        } else if (attemptsLeft <= 0) {
            FOut.Report.Partial = true;
        } else if (SameMemoText(remote.Text, agreed)) {
            WriteRemote(day, local, remote.ETag, attemptsLeft, std::nullopt);
        } else {
            const std::string merged = local + "\r\n" + MergeSeparator(FIn.LocalTime) + "\r\n" + remote.Text;
            WriteRemote(day, merged, remote.ETag, attemptsLeft, TConflictCopy{day, local, remote.Text});
        }
    }

    // --- pull

    void Pull() {
        // Nothing changed on either side: the idle pass ends after its one PROPFIND.
        if (!FPushed && !FServerCTag.empty() && FServerCTag == FOut.State.CTag)
            return;
        if (FSyncCollection) {
            if (!FPushed && !FServerToken.empty() && FServerToken == FOut.State.SyncToken)
                return;
            bool full = FOut.State.SyncToken.empty();
            TDavReply reply = SyncCollection(FOut.State.SyncToken);
            if (!full && TokenRefused(reply)) {
                // The server no longer knows the token: list everything again.
                full = true;
                reply = SyncCollection({});
            }
            TMultistatus listing = Multistatus(reply, "変更の一覧");
            ProcessListing(listing.Responses, full);
            FOut.State.SyncToken = listing.SyncToken;
            // The ctag of before the pushes would make the next pass list again for nothing;
            // after pushes it is left empty, and the next pass lists once and stores it.
            FOut.State.CTag = FPushed ? std::string() : FServerCTag;
        } else {
            if (!FPushed && !FServerCTag.empty() && FServerCTag == FOut.State.CTag)
                return;
            const TMultistatus listing =
                Multistatus(Send("PROPFIND", FIn.CollectionUrl, ListBody, {{"Depth", "1"}, {"Content-Type", XmlType}}),
                            "メモの一覧");
            ProcessListing(listing.Responses, true);
            std::string ctag = FServerCTag;
            if (FPushed) {
                const TMultistatus probe = Multistatus(
                    Send("PROPFIND", FIn.CollectionUrl, ProbeBody, {{"Depth", "0"}, {"Content-Type", XmlType}}),
                    "コレクションの問い合わせ");
                ctag = probe.Responses.empty() ? std::string() : probe.Responses.front().CTag;
            }
            FOut.State.CTag = ctag;
        }
    }

    TDavReply SyncCollection(const std::string& token) {
        const std::string body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                                 "<d:sync-collection xmlns:d=\"DAV:\"><d:sync-token>" +
                                 EscapeXml(token) +
                                 "</d:sync-token><d:sync-level>1</d:sync-level><d:prop><d:getetag/></d:prop>" +
                                 "</d:sync-collection>";
        return Send("REPORT", FIn.CollectionUrl, body, {{"Depth", "1"}, {"Content-Type", XmlType}});
    }

    void ProcessListing(const std::vector<TDavResponse>& responses, bool full) {
        const std::string collectionPath = PathOf(FIn.CollectionUrl);
        std::set<int32_t> seenDays;
        std::set<int32_t> removedDays;
        std::set<std::string> seenOthers;
        std::set<std::string> removedOthers;
        std::vector<std::string> toFetch;
        for (const TDavResponse& response : responses) {
            const std::string path = PathOf(response.Href);
            if (path == collectionPath || path.empty() || path.back() == '/' || response.IsCollection)
                continue;
            const std::string name = path.substr(path.rfind('/') + 1);
            const std::optional<int32_t> day = DayOfMemoResourceName(name);
            const bool gone = response.Status == 404 || response.Status == 410;
            if (day) {
                if (gone) {
                    removedDays.insert(*day);
                    continue;
                }
                seenDays.insert(*day);
                if (response.ETag.empty() || response.ETag != ETagOf(*day))
                    toFetch.push_back(response.Href);
            } else {
                if (gone) {
                    removedOthers.insert(path);
                    continue;
                }
                seenOthers.insert(path);
                const auto known = FOut.State.Others.find(path);
                if (known == FOut.State.Others.end() || response.ETag.empty() || known->second.ETag != response.ETag)
                    toFetch.push_back(response.Href);
            }
        }
        if (full) {
            for (const auto& [day, dayState] : FOut.State.Days)
                if (!dayState.ETag.empty() && !seenDays.contains(day))
                    removedDays.insert(day);
            for (const auto& [path, item] : FOut.State.Others)
                if (!seenOthers.contains(path))
                    removedOthers.insert(path);
        }
        std::erase_if(removedDays, [&](int32_t day) { return ETagOf(day).empty(); });
        CheckMassDeletion(removedDays);

        for (std::size_t start = 0; start < toFetch.size(); start += MaxMultigetHrefs)
            FetchItems(std::vector<std::string>(
                toFetch.begin() + static_cast<std::ptrdiff_t>(start),
                toFetch.begin() + static_cast<std::ptrdiff_t>(std::min(toFetch.size(), start + MaxMultigetHrefs))));

        for (int32_t day : removedDays) {
            const std::string local = LocalOf(day);
            if (SameMemoText(local, AgreedOf(day))) {
                if (!local.empty()) {
                    StoreLocally(day, {});
                    ++FOut.Report.DeletedLocal;
                }
                Forget(day);
            } else {
                // Edited here, deleted there: the edit is kept and goes up as a new object.
                FOut.State.Days[day].ETag.clear();
                WriteRemote(day, local, {}, MaxWriteAttempts, std::nullopt);
            }
        }
        for (const std::string& path : removedOthers)
            FOut.State.Others.erase(path);
    }

    void CheckMassDeletion(std::set<int32_t>& removedDays) {
        int synced = 0;
        for (const auto& [day, dayState] : FOut.State.Days)
            synced += dayState.ETag.empty() ? 0 : 1;
        if (synced < MassDeletionMinimum || static_cast<int>(removedDays.size()) < synced)
            return;
        switch (FIn.Choice) {
        case TMassDeletionChoice::Ask:
            throw TStop{TSyncOutcome::SafetyStop, "サーバーから同期済みのメモが " + std::to_string(synced) +
                                                      " 件すべて消えています。この端末のメモは消していません"};
        case TMassDeletionChoice::DeleteLocally:
            return;
        case TMassDeletionChoice::UploadAgain:
            for (int32_t day : removedDays) {
                TSyncDayState& entry = FOut.State.Days[day];
                entry.ETag.clear();
                entry.Agreed.clear();
                if (!LocalOf(day).empty())
                    WriteRemote(day, LocalOf(day), {}, MaxWriteAttempts, std::nullopt);
            }
            removedDays.clear();
            return;
        }
    }

    void FetchItems(const std::vector<std::string>& hrefs) {
        std::string body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                           "<c:calendar-multiget xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\">"
                           "<d:prop><d:getetag/><c:calendar-data/></d:prop>";
        for (const std::string& href : hrefs)
            body += "<d:href>" + EscapeXml(href) + "</d:href>";
        body += "</c:calendar-multiget>";
        const TMultistatus reply = Multistatus(
            Send("REPORT", FIn.CollectionUrl, body, {{"Depth", "1"}, {"Content-Type", XmlType}}), "メモの取得");
        for (const TDavResponse& response : reply.Responses) {
            const std::string path = PathOf(response.Href);
            const std::string name = path.substr(path.rfind('/') + 1);
            const std::optional<int32_t> day = DayOfMemoResourceName(name);
            if (response.Status != 200 || response.ETag.empty())
                continue;  // gone since the listing: the next listing says so
            if (day) {
                TRemoteMemo remote{true, false, {}, response.ETag, 0};
                ReadMemoObject(*day, response.CalendarData, remote);
                Reconcile(*day, remote, MaxWriteAttempts);
            } else {
                TSyncOtherItem item;
                item.ETag = response.ETag;
                const std::vector<TJournal> journals = ReadJournals(response.CalendarData);
                if (!journals.empty()) {
                    item.Day = journals.front().Day;
                    item.Uid = journals.front().Uid;
                    item.Summary = journals.front().Summary;
                    item.Text = JournalTextToMemo(journals.front().Text);
                }
                FOut.State.Others[path] = item;
            }
        }
    }

    TDavTransport& FTransport;
    TPassInput FIn;
    TPassResult FOut;
    std::map<int32_t, std::string> FLocal;
    QUrl FCollection;
    std::string FServerToken;
    std::string FServerCTag;
    bool FSyncCollection = false;
    bool FPushed = false;
    std::set<int32_t> FMergedDays;
};

}  // namespace

std::string MergeSeparator(const std::string& localTime) { return "――― 別の端末での変更 (" + localTime + ") ―――"; }

TPassResult RunSyncPass(TDavTransport& transport, TPassInput input) { return TPass(transport, std::move(input)).Run(); }
