// The pass engine over recorded server replies: the rules a real server in the end-to-end
// harness cannot be made to show on demand (a server that answers 412 to every write, one
// that sends no ETag, Retry-After) and the one-request idle pass.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "storage/DateUtils.h"
#include "sync/Journal.h"
#include "sync/SyncEngine.h"

namespace {

const std::string Collection = "http://127.0.0.1:1/alice/memos/";

class TRecordedServer : public TDavTransport {
public:
    explicit TRecordedServer(std::function<TDavReply(const TDavRequest&)> answer) : FAnswer(std::move(answer)) {}
    TDavReply Send(const TDavRequest& request) override {
        Log.push_back(request.Method);
        return FAnswer(request);
    }
    std::vector<std::string> Log;

private:
    std::function<TDavReply(const TDavRequest&)> FAnswer;
};

// The collection's answer to the first PROPFIND: its ctag, and sync-collection offered.
std::string Probe(const std::string& ctag) {
    return "<d:multistatus xmlns:d=\"DAV:\" xmlns:cs=\"http://calendarserver.org/ns/\"><d:response>"
           "<d:href>/alice/memos/</d:href><d:propstat><d:prop><cs:getctag>" +
           ctag +
           "</cs:getctag><d:supported-report-set><d:supported-report><d:report><d:sync-collection/>"
           "</d:report></d:supported-report></d:supported-report-set></d:prop><d:status>HTTP/1.1 200 OK</d:status>"
           "</d:propstat></d:response></d:multistatus>";
}

std::string Listing(const std::string& entries, const std::string& token) {
    return "<d:multistatus xmlns:d=\"DAV:\">" + entries + "<d:sync-token>" + token + "</d:sync-token></d:multistatus>";
}

std::string ETagEntry(const std::string& name, const std::string& etag) {
    return "<d:response><d:href>/alice/memos/" + name + "</d:href><d:propstat><d:prop><d:getetag>" + etag +
           "</d:getetag></d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>";
}

bool IsProbe(const TDavRequest& request) { return request.Method == "PROPFIND" && request.Url == Collection; }

TEST(SyncEngine, RecordedReplies) {
    const int32_t day = DayNumberOf(2026, 12, 8);
    const std::string name = MemoResourceName(day);
    struct TRow {
        const char* Name;
        std::string Local;   // the memo of the day here
        std::string Agreed;  // last agreed text ("" with no ETag: never synced)
        std::function<TDavReply(const TDavRequest&)> Server;
        std::vector<std::string> Requests;
        TSyncOutcome Outcome;
        int Pending;
        std::string ETagAfter;
        std::string TokenAfter;
        int RetryAfter;
    } rows[] = {
        {"idle: one PROPFIND",
         "same",
         "same",
         [](const TDavRequest&) {
             return TDavReply{207, Probe("c1")};
         },
         {"PROPFIND"},
         TSyncOutcome::Done,
         0,
         "\"e1\"",
         "t1",
         0},
        {"busy server: Retry-After, nothing sent",
         "new",
         "old",
         [](const TDavRequest&) {
             return TDavReply{503, "busy", {}, 120};
         },
         {"PROPFIND"},
         TSyncOutcome::Failed,
         1,
         "\"e1\"",
         "t1",
         120},
        {"PUT answered without an ETag: read back",
         "new",
         "old",
         [&](const TDavRequest& request) {
             if (IsProbe(request))
                 return TDavReply{207, Probe("c1")};
             if (request.Method == "PUT")
                 return TDavReply{204, {}};
             if (request.Method == "PROPFIND")
                 return TDavReply{207, Listing(ETagEntry(name, "\"e9\""), "")};
             return TDavReply{207, Listing(ETagEntry(name, "\"e9\""), "t2")};
         },
         {"PROPFIND", "PUT", "PROPFIND", "REPORT"},
         TSyncOutcome::Done,
         0,
         "\"e9\"",
         "t2",
         0},
        {"412 on every write: the day stays pending, the pass ends",
         "mine",
         "base",
         [&, edits = 0](const TDavRequest& request) mutable {
             if (IsProbe(request))
                 return TDavReply{207, Probe("c1")};
             if (request.Method == "PUT")
                 return TDavReply{412, {}};
             if (request.Method == "GET")
                 return TDavReply{
                     200, WriteMemoJournal(day, "theirs " + std::to_string(++edits), 1, "20261208T000000Z"), "\"e2\""};
             return TDavReply{207, Listing("", "t2")};
         },
         {"PROPFIND", "PUT", "GET", "PUT", "GET", "PUT", "REPORT"},
         TSyncOutcome::Done,
         1,
         "\"e1\"",
         "t2",
         0},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TRecordedServer server(row.Server);
        TPassInput input;
        input.CollectionUrl = Collection;
        input.Memos[day] = row.Local;
        input.State.CollectionUrl = Collection;
        input.State.SyncToken = "t1";
        input.State.CTag = "c1";
        input.State.Days[day] = {row.Agreed, "\"e1\"", 1, false};
        input.StampUtc = "20261208T000000Z";
        input.LocalTime = "2026-12-08 09:00";
        const TPassResult result = RunSyncPass(server, input);
        EXPECT_EQ(server.Log, row.Requests);
        EXPECT_EQ(result.Report.Outcome, row.Outcome);
        EXPECT_EQ(result.Report.Pending, row.Pending);
        EXPECT_EQ(result.Report.RetryAfterSeconds, row.RetryAfter);
        EXPECT_EQ(result.State.Days.at(day).ETag, row.ETagAfter);
        EXPECT_EQ(result.State.SyncToken, row.TokenAfter);
        EXPECT_TRUE(result.LocalChanges.empty());  // the memo here is never replaced in these rows
    }
}

}  // namespace
