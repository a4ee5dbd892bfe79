#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "storage/DateUtils.h"
#include "storage/Exception.h"
#include "storage/FileUtils.h"
#include "storage/MemoStore.h"
#include "storage/Text.h"
#include "support/FileBytes.h"
#include "support/TestEnvironment.h"

namespace {

const int32_t Day20261207 = 46363;

std::string FileText(const std::string& path) { return ReadFileBytes(path); }

void WriteText(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

struct TMemo {
    std::string Text;
    int32_t Day;
    friend bool operator==(const TMemo&, const TMemo&) = default;
};

std::vector<TMemo> Entries(const TMemoStore& store) {
    std::vector<TMemo> result;
    for (int i = 0; i < store.Items().Count(); ++i)
        result.push_back({store.Items().Strings(i), store.Items().Tags(i)});
    return result;
}

class MemoFile : public ::testing::Test {
protected:
    std::string Path() const { return FFolder.Slash() + "Memos.txt"; }
    TTemporaryFolder FFolder;
};

}  // namespace

TEST(MemoLines, EscapedTextIsWrittenOnOneLineAndReadBackUnchanged) {
    struct TCase {
        std::string Text;
        std::string Line;  // after the date, before CR LF
    };
    const TCase cases[] = {
        {"first\r\nsecond", "first\\nsecond"},
        {"C:\\memo", "C:\\\\memo"},
        {"lone\rcr", "lone\\dcr"},
        {"lone\nlf", "lone\\alf"},
        {"a\tb \"q\"", "a\\tb \\\"q\\\""},
        {"ソ表ゼ能", "ソ表ゼ能"},  // trail bytes 0x5C are no backslashes
        {"", ""},
        // characters code page 932 lacks, and the full-width twins of typed forms
        {"🎂 母の誕生日 café 𠮷野家 한", "\\u{1F382} 母の誕生日 caf\\u{E9} \\u{20BB7}野家 \\u{D55C}"},
        {"〜−‖¢£¬ ～－∥￠￡￢", "〜−‖¢£¬ \\u{FF5E}\\u{FF0D}\\u{2225}\\u{FFE0}\\u{FFE1}\\u{FFE2}"},
        {"①髙ｶﾅ", "①髙ｶﾅ"},
        // bytes kept from a damaged file: lead bytes without a second half
        {"\xEF\x9E\x82\r\n\xEF\x9E\x9F", "\xEF\x9E\x82\\n\xEF\x9E\x9F"},  // 82 5C and 9F CR make no character
        {"\xEF\x9E\x83\\", "\\x83\\\\"},  // 83 5C would read as ソ: the byte goes escaped
    };
    for (const TCase& c : cases) {
        TMemoStore store("unused");
        store.Items().AddTagged(c.Text, Day20261207);
        std::string bytes = store.SaveToBytes();
        EXPECT_EQ(bytes, "20261207" + Cp932(c.Line) + "\r\n") << c.Line;
        TMemoStore back("unused");
        back.LoadFromBytes(bytes);
        EXPECT_EQ(Entries(back), (std::vector<TMemo>{{c.Text, Day20261207}})) << c.Line;
    }
}

TEST(MemoLines, LineEndsAndDuplicateDates) {
    TMemoStore store("unused");
    // CR LF, a lone LF, a lone CR and a last line without line end all end a line.
    store.LoadFromBytes("20261207one\r\n20261208\n20261207two\r18991230old");
    EXPECT_EQ(Entries(store),
              (std::vector<TMemo>{{"one", Day20261207}, {"", Day20261207 + 1}, {"two", Day20261207}, {"old", 0}}));
    EXPECT_EQ(store.MemoOf(Day20261207), "one");  // the first entry of a date wins
    EXPECT_EQ(store.MemoOf(1), "");
    EXPECT_EQ(store.SaveToBytes(), "20261207one\r\n20261208\r\n20261207two\r\n18991230old\r\n");
}

TEST(MemoLines, LinesWithoutDateAreKeptVerbatimInTheirPlace) {
    const std::string damaged[] = {
        "",                // an empty line
        "2026120",         // too short for a date
        "20260230thirty",  // 30 February
        "2026-12-07 dashes",
        " 2026120x",
        "00000101year zero",
        "\xFF\xFE\x81garbage\\",
        std::string("nul\0byte", 8),
    };
    for (const std::string& line : damaged) {
        std::string bytes = "20261207a\r\n" + line + "\r\n20261208b\r\n";
        TMemoStore store("unused");
        store.LoadFromBytes(bytes);
        EXPECT_EQ(Entries(store), (std::vector<TMemo>{{"a", Day20261207}, {"b", Day20261207 + 1}})) << line;
        EXPECT_EQ(store.KeptLineCount(), 1);
        EXPECT_EQ(store.SaveToBytes(), bytes) << line;
    }
}

TEST(MemoLines, KeptLinesStayInFrontOfTheMemoTheyPreceded) {
    TMemoStore store("unused");
    store.LoadFromBytes("junk1\r\n20261207a\r\njunk2\r\n");
    store.Items().SetStrings(0, "A");
    store.Items().AddTagged("new", 5);
    EXPECT_EQ(store.SaveToBytes(), "junk1\r\n20261207A\r\njunk2\r\n19000104new\r\n");
}

TEST(MemoLines, AHandEditedEscapeTakesAWholeDoubleByteCharacter) {
    // Lines a hand-edited or foreign "Memos.txt" may hold: "\\" or "\\x" before a
    // character whose trail byte is 0x5C (表 ソ) or 0x7C (ポ). The memo shown is the
    // character itself, never a broken one; an unchanged memo is written back as read,
    // an edited one plainly.
    const struct {
        std::string Line;  // after the date
        std::string Memo;
        std::string Saved;  // the line as the next save writes it
    } cases[] = {
        {"\\" + std::string("表") + "n", std::string("表") + "n", std::string("表") + "n"},
        {"\\" + std::string("ソ") + "\\n" + std::string("能"), std::string("ソ") + "\r\n" + std::string("能"),
         std::string("ソ") + "\\n" + std::string("能")},
        {"\\" + std::string("ポ") + "\\|", std::string("ポ") + "|", std::string("ポ") + "|"},
        {"\\x" + std::string("表") + "n", std::string(1, '\0'), std::string(1, '\0')},
        {"\\x41" + std::string("表") + "\\\\", "A" + std::string("表") + "\\", "A" + std::string("表") + "\\\\"},
    };
    for (const auto& c : cases) {
        TMemoStore store("unused");
        store.LoadFromBytes(Cp932("20261207" + c.Line + "\r\n"));
        EXPECT_EQ(Entries(store), (std::vector<TMemo>{{c.Memo, Day20261207}})) << std::string(c.Line);
        EXPECT_EQ(store.SaveToBytes(), Cp932("20261207" + c.Line + "\r\n")) << std::string(c.Line);
        store.Items().SetStrings(0, c.Memo + "!");
        EXPECT_EQ(store.SaveToBytes(), Cp932("20261207" + c.Saved + "!\r\n")) << std::string(c.Line);
    }
}

TEST(MemoLines, DamagedBytesNeverCrashAndASecondRoundChangesNothing) {
    const std::string inputs[] = {
        std::string("\0\0\0\0\0\0\0\0\r\n", 10),
        "20261207\\",   // a lone backslash at the end
        "20261207\\x",  // an unfinished byte escape
        "20261207\\xZZ\\q\\r\\",
        std::string(1 << 20, '\x82'),  // a long line of lead bytes
        "20261207" + std::string(100000, '\\') + "\r",
        "\r\r\n\n\r",
        "20261207\\x82\\d\r\n20261208\\x82\\n\\x82",  // a lead byte before a line break
    };
    for (const std::string& input : inputs) {
        TMemoStore first("unused");
        first.LoadFromBytes(input);
        std::string saved = first.SaveToBytes();
        TMemoStore second("unused");
        second.LoadFromBytes(saved);
        EXPECT_EQ(Entries(second), Entries(first));
        EXPECT_EQ(second.SaveToBytes(), saved);
    }
}

TEST_F(MemoFile, LoadReplacesTheListAndNeverWritesTheFile) {
    TMemoStore store(Path());
    store.Items().AddTagged("dropped", 1);
    store.Load();  // no file yet: nothing changes
    EXPECT_EQ(Entries(store), (std::vector<TMemo>{{"dropped", 1}}));

    const std::string bytes = "junk\n20261207x\\n";  // LF only, a damaged first line
    WriteText(Path(), bytes);
    auto before = std::filesystem::last_write_time(Path());
    store.Load();
    EXPECT_EQ(Entries(store), (std::vector<TMemo>{{"x\r\n", Day20261207}}));
    EXPECT_EQ(FileText(Path()), bytes);
    EXPECT_EQ(std::filesystem::last_write_time(Path()), before);
}

TEST_F(MemoFile, StoreMemoReplacesOrAppendsAnnouncesThenSaves) {
    WriteText(Path(), "20261207old\r\n20261207second\r\n");
    TMemoStore store(Path());
    store.Load();
    std::vector<std::pair<int32_t, std::string>> told;
    SetMemoChangedHandler([&](int32_t day) { told.push_back({day, FileText(Path())}); });
    store.StoreMemo(Day20261207, "new");
    store.StoreMemo(1, std::string("表\r\n"));
    SetMemoChangedHandler(nullptr);
    EXPECT_EQ(FileText(Path()), "20261207new\r\n20261207second\r\n18991231" + Cp932("表") + "\\n\r\n");
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[0].first, Day20261207);
    EXPECT_EQ(told[0].second, "20261207old\r\n20261207second\r\n");  // told before the save
    EXPECT_EQ(told[1].first, 1);
}

TEST_F(MemoFile, AFileThatCannotBeReadIsNeverReplaced) {
    // A file too large to be a memo file: it exists, but is refused.
    std::string big = Path();
    WriteText(big, "20261207x\r\n");
    std::filesystem::resize_file(big, TMemoStore::MaxFileBytes + 1);  // sparse: cheap
    TMemoStore bigStore(big);
    EXPECT_THROW(bigStore.Load(), EFileError);
    EXPECT_THROW(bigStore.StoreMemo(1, "lost?"), EFileError);
    EXPECT_EQ(bigStore.MemoOf(1), "lost?");  // still in memory
    EXPECT_EQ(std::filesystem::file_size(big), TMemoStore::MaxFileBytes + 1);

    // Once the file reads again, saving works again; a failed write keeps the memo.
    std::filesystem::resize_file(big, 11);
    bigStore.Load();
    bigStore.Save();
    EXPECT_EQ(FileText(big), "20261207x\r\n");
    std::filesystem::remove(big);
    std::filesystem::create_directory(big);  // cannot be replaced by a file
    EXPECT_THROW(bigStore.StoreMemo(7, "text"), EFileError);
    EXPECT_EQ(bigStore.MemoOf(7), "text");
}
