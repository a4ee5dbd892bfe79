#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

#include "storage/Exception.h"
#include "storage/FileUtils.h"
#include "storage/ProfileFile.h"
#include "storage/Text.h"
#include "support/FileBytes.h"
#include "support/TestEnvironment.h"

using namespace std::string_literals;

namespace {

void PutFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string FileText(const std::string& path) { return ReadFileBytes(path, 64u << 20); }

ino_t InodeOf(const std::string& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_ino;
}

}  // namespace

TEST(TProfileText, FindsEntriesAsProfileFilesAreRead) {
    struct TCase {
        const char* Name;
        std::string Text;
        std::string Section;
        std::string Key;
        std::optional<std::string> Expected;
    };
    const std::string zo = std::string("ゾ");  // 83 5D: its trail byte is "]"
    const TCase cases[] = {
        {"LF line ends", "[A]\nk=1\n", "A", "k", "1"},
        {"CR LF line ends", "[A]\r\nk=1\r\n", "A", "k", "1"},
        {"CR line ends", "[A]\rk=1\r", "A", "k", "1"},
        {"no line end at the end", "[A]\r\nk=1", "A", "k", "1"},
        {"section and key without case", "[Calendar]\r\nDate=7\r\n", "CALENDAR", "date", "7"},
        {"spaces around names and value", "  [ A ]  \r\n  k  =  v w  \r\n", "A", "k", "v w"},
        {"value with '=' in it", "[A]\r\nk=a=b\r\n", "A", "k", "a=b"},
        {"empty value", "[A]\r\nk=\r\n", "A", "k", ""},
        {"first of two equal keys", "[A]\r\nk=1\r\nK=2\r\n", "A", "k", "1"},
        {"first of two equal sections", "[A]\r\nx=1\r\n[B]\r\n[a]\r\nk=2\r\n", "A", "k", std::nullopt},
        {"key of another section", "[A]\r\n[B]\r\nk=1\r\n", "A", "k", std::nullopt},
        {"entry before every section", "k=1\r\n[A]\r\n", "A", "k", std::nullopt},
        {"comment line", "[A]\r\n;k=1\r\n", "A", "k", std::nullopt},
        {"line without '='", "[A]\r\nk\r\n", "A", "k", std::nullopt},
        {"header without ']' is no header", "[A]\r\n[B\r\nk=1\r\n", "A", "k", "1"},
        {"double-byte section name", "[" + zo + "]\r\nk=1\r\n", zo, "k", "1"},
        {"trail byte ']' closes no header", "[A]\r\n[" + zo + "\r\nk=1\r\n", "A", "k", "1"},
        {"value ends at a NUL byte", "[A]\r\nk=ab\0cd\r\n"s, "A", "k", "ab"},
        {"missing section", "[A]\r\nk=1\r\n", "B", "k", std::nullopt},
        {"empty text", "", "A", "k", std::nullopt},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(TProfileText(Cp932(c.Text)).Find(c.Section, c.Key), c.Expected);
    }
}

TEST(TProfileText, LongValuesAreCutWithoutSplittingACharacter) {
    // 2046 single bytes and then ソ: its three bytes of UTF-8 would end at byte 2049.
    std::string value = std::string(2046, 'a') + "ソtail";
    std::string read = *TProfileText(Cp932("[A]\r\nk=" + value + "\r\n")).Find("A", "k");
    EXPECT_EQ(read, std::string(2046, 'a'));
    std::string exact = std::string(2044, 'a') + "ソtail";
    EXPECT_EQ(*TProfileText(Cp932("[A]\r\nk=" + exact + "\r\n")).Find("A", "k"), std::string(2044, 'a') + "ソ");
}

TEST(TProfileText, NewKeysGoToTheEndOfTheirSectionAndNewSectionsToTheEndOfTheText) {
    TProfileText text("[A]\r\nx=1\r\n\r\n; about B\r\n[B]\r\ny=2");
    EXPECT_TRUE(text.Set("a", "z", "3"));
    EXPECT_TRUE(text.Set("C", "w", "4"));
    EXPECT_TRUE(text.Set("A", "X", "5"));  // existing entry: its own spelling stays
    EXPECT_EQ(text.Bytes(), "[A]\r\nx=5\r\nz=3\r\n\r\n; about B\r\n[B]\r\ny=2\r\n[C]\r\nw=4\r\n");
    EXPECT_FALSE(text.Set("A", "x", "5"));
}

TEST(TProfileText, RefusesEntriesThatWouldNotReadBack) {
    struct TCase {
        std::string Section, Key, Value;
        bool Storable;
    };
    const TCase cases[] = {
        {"A", "k", "v", true},
        {"A", "k", "", true},
        {"A", "k", std::string("ソ表ゾ"), true},
        {"A", "k", "line\r\nk2=injected", false},
        {"A", "k", "cr\rhere", false},
        {"A", "k", "nul\0"s, false},
        {"A\nB", "k", "v", false},
        {"", "k", "v", false},
        {"A", "", "v", false},
        {"A", "a=b", "v", false},
        {"A", "[k]", "v", false},
        {"A", ";k", "v", false},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(TProfileText::CanStore(c.Section, c.Key, c.Value), c.Storable) << c.Section << "/" << c.Key;
}

class ProfileFileTest : public ::testing::Test {
protected:
    TTestEnvironment Environment;
    std::string FileName = (Environment.Root() / "settings.ini").string();
};

TEST_F(ProfileFileTest, WritesInOrderOfFirstWriteAndReadsEveryChangeFromTheFile) {
    TProfileFile profile(FileName);
    EXPECT_EQ(profile.ReadString("PAPER", "number", "none"), "none");
    profile.WriteString("PAPER", "number", "3");
    profile.WriteString("CALENDAR", "date", "45000");
    profile.WriteString("TFMQUILLO", "TOP", "114");
    profile.WriteString("TFMQUILLO", "LEFT", "270");
    profile.WriteString("TFMQUILLO", "DOCKSITE", "");
    profile.WriteString("PAPER", "number", "4");
    EXPECT_EQ(FileText(FileName),
              "[PAPER]\r\nnumber=4\r\n[CALENDAR]\r\ndate=45000\r\n[TFMQUILLO]\r\nTOP=114\r\nLEFT=270\r\nDOCKSITE=\r\n");
    EXPECT_EQ(profile.ReadString("calendar", "DATE", ""), "45000");

    // An edit by hand while the program runs is seen by the next read.
    PutFile(FileName, "[CALENDAR]\nDATE=1\n");
    EXPECT_EQ(profile.ReadString("CALENDAR", "date", ""), "1");
}

TEST_F(ProfileFileTest, ShiftJisCharactersWithABackslashTrailByteRoundTrip) {
    TProfileFile profile(FileName);
    const std::string section = std::string("表ソ"), key = std::string("ゾポ"), value = std::string("C:\\ソ\\表\\");
    profile.WriteString(section, key, value);
    profile.WriteString(section, "next", std::string("能"));
    EXPECT_EQ(profile.ReadString(section, key, ""), value);
    EXPECT_EQ(profile.ReadString(section, "next", ""), std::string("能"));
    EXPECT_EQ(profile.SectionNames(), std::vector<std::string>{section});
}

TEST_F(ProfileFileTest, WritingTheValueAnEntryHoldsLeavesTheFileAlone) {
    TProfileFile profile(FileName);
    profile.WriteString("A", "k", "1");
    ino_t before = InodeOf(FileName);
    profile.WriteString("a", "K", "1");
    EXPECT_EQ(InodeOf(FileName), before);
    profile.WriteString("A", "k", "2");
    EXPECT_NE(InodeOf(FileName), before);
}

TEST_F(ProfileFileTest, DamagedFilesReadTheirReadableEntriesAndKeepThemOnTheNextWrite) {
    std::mt19937 random(20240229);
    std::string garbage(4096, '\0');
    for (char& c : garbage)
        c = static_cast<char>(random());
    const std::string readable = "\r\n[CALENDAR]\r\nMAX=20\r\nGRAVITY=7\r\n";
    struct TCase {
        const char* Name;
        std::string Bytes;
        std::string Max;  // expected read of CALENDAR/MAX with default "10"
    };
    const TCase cases[] = {
        {"binary garbage", garbage + readable + garbage, "20"},
        {"10 MB line", std::string(10u << 20, 'x') + readable, "20"},
        {"10 MB value", "[CALENDAR]\r\nMAX=20\r\nGRAVITY=7\r\nMEMO=" + std::string(10u << 20, 'y'), "20"},
        {"no line ends", std::string(1u << 20, 'z') + "[CALENDAR]MAX=20", "10"},
        {"NUL bytes", "\0\0[CALENDAR]\0\r\nMAX=20\r\nGRAVITY=7\r\n\0"s, "20"},
        {"invalid Shift_JIS", "[CALENDAR]\r\nGRAVITY=7\r\nMAX=20\x81\r\n\xFC\xFC\xFC\x81", "20"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        PutFile(FileName, c.Bytes);
        TProfileFile profile(FileName);
        EXPECT_EQ(profile.ReadString("CALENDAR", "MAX", "10"), c.Max);
        profile.WriteString("PAPER", "number", "2");
        EXPECT_EQ(profile.ReadString("CALENDAR", "MAX", "10"), c.Max);
        EXPECT_EQ(profile.ReadString("PAPER", "number", "0"), "2");
        // Every line of the damaged file is still there, line ends aside.
        TProfileText original(c.Bytes);
        std::string rewritten = FileText(FileName);
        EXPECT_EQ(rewritten.substr(0, original.Bytes().size()), original.Bytes());
        EXPECT_EQ(rewritten.substr(original.Bytes().size()), "[PAPER]\r\nnumber=2\r\n");
    }
}

TEST_F(ProfileFileTest, FilesThatCannotBeReadInFullAreNeverReplaced) {
    struct TCase {
        const char* Name;
        std::function<void()> Make;
        std::string Reason;  // said after "に書き込めません: "
    };
    const TCase cases[] = {
        {"larger than the limit",
         [&] {
             PutFile(FileName, "[CALENDAR]\r\nMAX=20\r\n");
             std::filesystem::resize_file(FileName, MaxProfileFileBytes + 1);
         },
         std::string("ファイルが大きすぎます")},
        {"a folder in its place", [&] { std::filesystem::create_directory(FileName); }, SystemErrorText(EISDIR)},
        {"a pipe in its place", [&] { mkfifo(FileName.c_str(), 0600); }, std::string("通常のファイルではありません")},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        std::filesystem::remove_all(FileName);
        c.Make();
        auto typeBefore = std::filesystem::status(FileName).type();
        auto sizeBefore = std::filesystem::is_regular_file(FileName) ? std::filesystem::file_size(FileName) : 0;
        TProfileFile profile(FileName);
        EXPECT_EQ(profile.ReadString("CALENDAR", "MAX", "10"), "10");
        try {
            profile.WriteString("CALENDAR", "MAX", "30");
            ADD_FAILURE() << "the write did not fail";
        } catch (const EFileError& error) {
            EXPECT_EQ(error.Message(), FileName + std::string(" に書き込めません: ") + c.Reason);
        }
        EXPECT_EQ(std::filesystem::status(FileName).type(), typeBefore);
        if (std::filesystem::is_regular_file(FileName)) {
            EXPECT_EQ(std::filesystem::file_size(FileName), sizeBefore);
        }
    }
}

TEST_F(ProfileFileTest, AnEntryThatWouldNotReadBackIsRefusedWithTheMessage) {
    // A line break in a value would add entries of its own to the file.
    PutFile(FileName, "[A]\r\nk=0\r\n");
    TProfileFile profile(FileName);
    try {
        profile.WriteString("A", "k", "1\r\n[X]\r\ny=2");
        ADD_FAILURE() << "the write did not fail";
    } catch (const EFileError& error) {
        EXPECT_EQ(error.Message(), FileName + std::string(" に書き込めません: 一行の項目として書けない名前か値です"));
    }
    EXPECT_EQ(FileText(FileName), "[A]\r\nk=0\r\n");
}

TEST(ProfileFile, WritesGatheredTogetherReplaceTheFileOnceOrNotAtAll) {
    struct TCase {
        const char* Name;
        std::vector<std::pair<std::string, std::string>> Writes;  // key of "PAPER", value
        bool Throws;                                              // the work fails after its writes
        bool Replaced;                                            // the file was replaced (once) afterwards
        const char* Top;                                          // "top" as read afterwards
    };
    const TCase cases[] = {
        {"three changed entries", {{"number", "3"}, {"top", "ソ表"}, {"left", "-20"}}, false, true, "ソ表"},
        {"an entry set twice", {{"top", "1"}, {"top", "2"}}, false, true, "2"},
        {"values the file already holds", {{"number", "1"}, {"top", "10"}}, false, false, "10"},
        {"work that fails half-way", {{"number", "5"}, {"top", "99"}}, true, false, "10"},
    };
    for (const TCase& c : cases) {
        TTemporaryFolder folder;
        const std::string path = folder.Slash() + "application.ini";
        TProfileFile file(path);
        file.WriteString("PAPER", "number", "1");
        file.WriteString("PAPER", "top", "10");
        struct stat before = {}, after = {};
        ASSERT_EQ(stat(path.c_str(), &before), 0);
        try {
            file.WriteTogether([&] {
                for (const auto& [key, value] : c.Writes) {
                    file.WriteString("PAPER", key, value);
                    // The reads inside see the gathered writes before the file has them.
                    EXPECT_EQ(file.ReadString("paper", key, ""), value) << c.Name;
                    // Nested gatherings join the outer one.
                    file.WriteTogether([&] { file.WriteString("PAPER", key, value); });
                }
                if (c.Throws)
                    throw EFileError("fails");
            });
            EXPECT_FALSE(c.Throws) << c.Name;
        } catch (const EFileError&) {
            EXPECT_TRUE(c.Throws) << c.Name;
        }
        ASSERT_EQ(stat(path.c_str(), &after), 0);
        EXPECT_EQ(before.st_ino != after.st_ino, c.Replaced) << c.Name;
        EXPECT_EQ(file.ReadString("PAPER", "top", ""), c.Top) << c.Name;
        // After the gathering, writes go to the file at once again.
        file.WriteString("PAPER", "after", "1");
        EXPECT_EQ(TProfileFile(path).ReadString("PAPER", "after", ""), "1") << c.Name;
    }
}
