#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/IcsWriter.h"

namespace {

std::vector<std::string> PhysicalLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "text after the last CR LF";
    return lines;
}

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Whether the bytes are whole UTF-8 characters (lead bytes 0xC2..0xF4 with their trail).
bool IsWholeUtf8(const std::string& bytes) {
    for (size_t i = 0; i < bytes.size();) {
        const unsigned char lead = bytes[i];
        const size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        if (length == 0 || i + length > bytes.size())
            return false;
        for (size_t k = 1; k < length; ++k)
            if (!IsUtf8Continuation(bytes[i + k]))
                return false;
        i += length;
    }
    return true;
}

}  // namespace

TEST(IcsWriter, EscapesTextValues) {
    const struct {
        const char* Text;
        const char* Escaped;
    } table[] = {
        {"春分の日", "春分の日"},
        {R"(C:\memo)", R"(C:\\memo)"},
        {"会議; 本社, 3階", R"(会議\; 本社\, 3階)"},
        {"一行目\r\n二行目\n三行目\r四行目", R"(一行目\n二行目\n三行目\n四行目)"},
        {"\r\n\r\n", R"(\n\n)"},
        {"ソ表ポ", "ソ表ポ"},  // UTF-8 of these holds no backslash, unlike their Shift_JIS
        {"", ""},
    };
    for (const auto& row : table)
        EXPECT_EQ(EscapeIcsText(row.Text), row.Escaped) << row.Text;
}

TEST(IcsWriter, FoldsAt75OctetsWithoutSplittingACharacter) {
    // Every mix of an ASCII prefix (shifting the character bounds) and lengths of
    // two-, three- and four-byte characters around the fold.
    const char* characters[] = {"é", "旧", "😀", "a"};
    for (int prefix = 0; prefix < 4; ++prefix)
        for (const char* character : characters)
            for (int count = 0; count < 70; ++count) {
                std::string line = "SUMMARY:" + std::string(prefix, 'x');
                for (int i = 0; i < count; ++i)
                    line += character;
                const std::string folded = FoldIcsLine(line);
                const std::vector<std::string> lines = PhysicalLines(folded);
                std::string unfolded;
                for (size_t i = 0; i < lines.size(); ++i) {
                    SCOPED_TRACE(line + " line " + std::to_string(i));
                    EXPECT_LE(lines[i].size(), 75u);
                    EXPECT_FALSE(lines[i].empty());
                    std::string content = lines[i];
                    if (i > 0) {
                        ASSERT_EQ(content[0], ' ');
                        content.erase(0, 1);
                    }
                    EXPECT_TRUE(IsWholeUtf8(content));
                    // A fold that is not needed is a fault too: each line but the last is full
                    // up to less than one character.
                    if (i + 1 < lines.size()) {
                        EXPECT_GT(lines[i].size() + std::string(character).size(), 75u);
                    }
                    unfolded += content;
                }
                EXPECT_EQ(unfolded, line);
            }
}

TEST(IcsWriter, StampsAreUtcFromTheEpoch) {
    const struct {
        int64_t Seconds;
        const char* Stamp;
    } table[] = {
        {0, "19700101T000000Z"},
        {1700000000, "20231114T221320Z"},
        {951825600, "20000229T120000Z"},
        {-1, "19691231T235959Z"},
        {253402300799, "99991231T235959Z"},
        {253402300800, "99991231T235959Z"},  // beyond the calendar: its last second
    };
    for (const auto& row : table)
        EXPECT_EQ(IcsUtcStamp(row.Seconds), row.Stamp) << row.Seconds;
    EXPECT_EQ(IcsDate(0), "18991230");
    EXPECT_EQ(IcsDate(45736), "20250320");
}

TEST(IcsWriter, WritesACalendarOfAllDayEventsInCrLfLines) {
    TIcsWriter writer("-//Test//JA", "日本の祝日と暦", "20231114T221320Z");
    writer.AddEvent({45736, "20250320-holiday@example", "春分の日", {"祝日"}, {}});
    writer.AddEvent({45737, "20250321-memo@example", "会議", {"メモ", "a,b"}, "会議\r\n本社, 3階"});
    EXPECT_EQ(writer.EventCount(), 2);
    const std::string text = writer.Finish();

    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << i;
        }
        if (text[i] == '\r') {
            ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << i;
        }
    }
    const std::vector<std::string> expected = {
        "BEGIN:VCALENDAR",
        "VERSION:2.0",
        "PRODID:-//Test//JA",
        "CALSCALE:GREGORIAN",
        "METHOD:PUBLISH",
        "X-WR-CALNAME:日本の祝日と暦",
        "BEGIN:VEVENT",
        "UID:20250320-holiday@example",
        "DTSTAMP:20231114T221320Z",
        "DTSTART;VALUE=DATE:20250320",
        "DTEND;VALUE=DATE:20250321",
        "SUMMARY:春分の日",
        "CATEGORIES:祝日",
        "TRANSP:TRANSPARENT",
        "END:VEVENT",
        "BEGIN:VEVENT",
        "UID:20250321-memo@example",
        "DTSTAMP:20231114T221320Z",
        "DTSTART;VALUE=DATE:20250321",
        "DTEND;VALUE=DATE:20250322",
        "SUMMARY:会議",
        R"(DESCRIPTION:会議\n本社\, 3階)",
        R"(CATEGORIES:メモ,a\,b)",
        "TRANSP:TRANSPARENT",
        "END:VEVENT",
        "END:VCALENDAR",
    };
    EXPECT_EQ(PhysicalLines(text), expected);
}

TEST(IcsWriter, TheLastDayOfTheCalendarEndsWithoutDtend) {
    TIcsWriter writer("-//Test//JA", "name", "20000101T000000Z");
    writer.AddEvent({2958465, "uid", "大晦日", {}, {}});  // 9999-12-31
    const std::string text = writer.Finish();
    EXPECT_NE(text.find("DTSTART;VALUE=DATE:99991231\r\n"), std::string::npos);
    EXPECT_EQ(text.find("DTEND"), std::string::npos);
}

TEST(IcsWriter, TakenPiecesMakeTheSameDocument) {
    auto write = [](bool inPieces) {
        TIcsWriter writer("-//Test//JA", "name", "20000101T000000Z");
        std::string text;
        for (int32_t day = 0; day < 100; ++day) {
            writer.AddEvent({day, std::to_string(day), std::string(day, 'x'), {}, {}});
            if (inPieces && day % 7 == 0)
                text += writer.TakeText();
        }
        return text + writer.Finish();
    };
    EXPECT_EQ(write(true), write(false));
}
