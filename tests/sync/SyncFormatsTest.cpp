// The readers of what a CalDAV server sends: VJOURNAL objects (libical) and multistatus
// replies; each table row is a shape real servers and other programs produce.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "storage/DateUtils.h"
#include "sync/Journal.h"
#include "sync/Multistatus.h"

namespace {

std::string Calendar(const std::string& body) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\n" + body + "END:VCALENDAR\r\n";
}

TEST(Journal, ReadsTheDayAsWrittenAndJoinsDescriptions) {
    struct TRow {
        const char* Name;
        std::string Object;
        int Count;
        TYmd Day;
        std::string Text;
    } rows[] = {
        {"two descriptions",
         Calendar("BEGIN:VJOURNAL\r\nUID:a\r\nDTSTART;VALUE=DATE:20261208\r\nDESCRIPTION:一つ目\r\n"
                  "DESCRIPTION:二つ目\r\nEND:VJOURNAL\r\n"),
         1,
         {2026, 12, 8},
         "一つ目\n二つ目"},
        // Just after midnight in Tokyo is still the previous day in UTC: the date stays as written.
        {"date-time in Asia/Tokyo",
         Calendar("BEGIN:VJOURNAL\r\nUID:b\r\nDTSTART;TZID=Asia/Tokyo:20270101T003000\r\nDESCRIPTION:元日\r\n"
                  "END:VJOURNAL\r\n"),
         1,
         {2027, 1, 1},
         "元日"},
        {"escaped text",
         Calendar("BEGIN:VJOURNAL\r\nUID:c\r\nDTSTART;VALUE=DATE:20261208\r\nDESCRIPTION:a\\, b\\; c\\\\ d\\ne\r\n"
                  "END:VJOURNAL\r\n"),
         1,
         {2026, 12, 8},
         "a, b; c\\ d\ne"},
        {"events and todos are not memos",
         Calendar("BEGIN:VEVENT\r\nUID:d\r\nDTSTART;VALUE=DATE:20261208\r\nEND:VEVENT\r\n"),
         0,
         {},
         ""},
        {"journal without a date", Calendar("BEGIN:VJOURNAL\r\nUID:e\r\nDESCRIPTION:x\r\nEND:VJOURNAL\r\n"), 0, {}, ""},
        {"not iCalendar", "<html>502 Bad Gateway</html>", 0, {}, ""},
        {"cut short", Calendar("BEGIN:VJOURNAL\r\nUID:f\r\nDTSTART;VALUE=DATE:2026"), 0, {}, ""},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        const std::vector<TJournal> journals = ReadJournals(row.Object);
        ASSERT_EQ(static_cast<int>(journals.size()), row.Count);
        if (row.Count == 1) {
            EXPECT_EQ(YmdOf(journals[0].Day), row.Day);
            EXPECT_EQ(journals[0].Text, row.Text);
        }
    }
}

TEST(Journal, WrittenMemoReadsBackUnchanged) {
    const int32_t day = DayNumberOf(2026, 12, 8);
    for (const std::string text : {"会議 ソ表ゼ\r\n二行目 🎂 é 𠮷 한국", "\r\n\r\n先頭の空行, ; \\ \" :", "x"}) {
        SCOPED_TRACE(text);
        const std::string object = WriteMemoJournal(day, text, 3, "20261208T010203Z");
        EXPECT_NE(object.find("DTSTART;VALUE=DATE:20261208"), std::string::npos);
        EXPECT_NE(object.find("UID:20261208-memo@quillo.vellomar.example"), std::string::npos);
        const std::vector<TJournal> journals = ReadJournals(object);
        ASSERT_EQ(journals.size(), 1u);
        EXPECT_EQ(JournalTextToMemo(journals[0].Text), text);
        EXPECT_EQ(journals[0].Sequence, 3);
        EXPECT_EQ(DayOfMemoUid(journals[0].Uid), day);
    }
}

TEST(Multistatus, ReadsWhatTheEngineAsksFor) {
    const std::string reply =
        "<?xml version=\"1.0\"?><d:multistatus xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\">"
        "<d:response><d:href>/a/c/20261208-memo.ics</d:href><d:propstat><d:prop><d:getetag>\"e1\"</d:getetag>"
        "<c:calendar-data>BEGIN:VCALENDAR&#13;\nEND:VCALENDAR</c:calendar-data></d:prop>"
        "<d:status>HTTP/1.1 200 OK</d:status></d:propstat>"
        "<d:propstat><d:prop><d:displayname/></d:prop><d:status>HTTP/1.1 404 Not Found</d:status></d:propstat>"
        "</d:response>"
        "<d:response><d:href>/a/c/20261209-memo.ics</d:href><d:status>HTTP/1.1 404 Not Found</d:status></d:response>"
        "<d:response><d:href>/a/c/</d:href><d:propstat><d:prop><d:resourcetype><d:collection/><c:calendar/>"
        "</d:resourcetype><c:supported-calendar-component-set><c:comp name=\"VEVENT\"/><c:comp name=\"VJOURNAL\"/>"
        "</c:supported-calendar-component-set><d:supported-report-set><d:supported-report><d:report>"
        "<d:sync-collection/></d:report></d:supported-report></d:supported-report-set></d:prop>"
        "<d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>"
        "<d:sync-token>http://example/sync/7</d:sync-token></d:multistatus>";
    const std::optional<TMultistatus> read = ReadMultistatus(reply);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->Responses.size(), 3u);
    EXPECT_EQ(read->Responses[0].ETag, "\"e1\"");
    EXPECT_EQ(read->Responses[0].CalendarData, "BEGIN:VCALENDAR\r\nEND:VCALENDAR");
    EXPECT_EQ(read->Responses[1].Status, 404);
    EXPECT_TRUE(read->Responses[2].IsCalendar && read->Responses[2].AcceptsJournals);
    EXPECT_TRUE(read->Responses[2].SupportsSyncCollection);
    EXPECT_EQ(read->SyncToken, "http://example/sync/7");
}

TEST(Multistatus, RefusesWhatIsNotAMultistatus) {
    for (const char* body : {"", "<html><body>Login</body></html>", "<d:multistatus xmlns:d=\"DAV:\"><d:response>",
                             "\x89PNG\r\n\x1a\n", "<d:multistatus xmlns:d=\"DAV:\"><d:response></d:multistatus>"}) {
        SCOPED_TRACE(body);
        std::string error;
        EXPECT_FALSE(ReadMultistatus(body, &error));
        EXPECT_FALSE(error.empty());
    }
    EXPECT_TRUE(IsInvalidSyncTokenError("<d:error xmlns:d=\"DAV:\"><d:valid-sync-token/></d:error>"));
    EXPECT_FALSE(IsInvalidSyncTokenError("<d:error xmlns:d=\"DAV:\"><d:need-privileges/></d:error>"));
}

}  // namespace
