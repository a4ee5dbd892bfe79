#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "storage/ColorScheme.h"
#include "storage/Exception.h"
#include "storage/FileUtils.h"
#include "storage/Resources.h"
#include "storage/Text.h"
#include "support/FileBytes.h"
#include "support/TestEnvironment.h"

namespace {

void WriteText(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string Scheme(const std::string& utf8Body) {
    return Cp932("<?xml version=\"\" encoding=\"shift_jis\" ?>\r\n<colors>" + utf8Body + "</colors>\r\n");
}

class ColorFile : public ::testing::Test {
protected:
    std::string Path() const { return FFolder.Slash() + "colors.clr"; }
    TTemporaryFolder FFolder;
};

}  // namespace

TEST_F(ColorFile, FirstRunUsesTheShippedColorsAndWritesNothing) {
    struct TCase {
        const char* Path;
        uint32_t Fallback;
        uint32_t Expected;
    };
    const TCase cases[] = {
        {"全般\\背景", 0xFFFFFF, 0xFFFFFF},           {"全般\\枠線", 0x808080, 0xC0C0C0},
        {"日めくり\\背景", 0xFFFFFF, 0xFEFDFD},       {"\\日めくり\\枠線", 0xC0C0C0, 0x808080},
        {"日めくり\\文字\\平日", 0, 0x606060},        {"日めくり/文字/日曜", 0x0000FF, 0x4040FF},
        {"日めくり\\文字\\土曜", 0xFF0000, 0xFF6060}, {"日めくり\\文字\\祝日", 0x0000FF, 0x4060FF},
    };
    TColorScheme scheme(Path());
    scheme.Load();  // no "colors.clr" yet
    for (const TCase& c : cases)
        EXPECT_EQ(scheme.GetColor(std::string(c.Path), c.Fallback), c.Expected) << c.Path;
    EXPECT_FALSE(FileExists(Path()));
}

TEST(ColorSchemeValues, TextToColor) {
    struct TCase {
        const char* Text;
        uint32_t Expected;  // fallback 0x123456
    };
    const TCase cases[] = {
        {"$4040FF", 0x4040FF},
        {"$ff6060", 0xFF6060},
        {"16777215", 0xFFFFFF},
        {"", 0x123456},  // empty: the caller's fallback
        {"red", 0},      // no number: black, not the fallback
        {"$", 0},
        {"$12G", 0},
        {"12 34", 0},
        {"$FFFFFFFF", 0xFFFFFFFF},
    };
    for (const TCase& c : cases) {
        TColorScheme scheme("unused");
        scheme.LoadFromString(Scheme(std::string("<a><b>") + c.Text + "</b></a>"));
        EXPECT_EQ(scheme.GetColor("a\\b", 0x123456), c.Expected) << c.Text;
    }
}

TEST(ColorSchemeValues, SetColorWritesSixUpperCaseDigitsAtLeast) {
    struct TCase {
        uint32_t Color;
        const char* Text;
    };
    const TCase cases[] = {{0x004040FF, "$4040FF"}, {0, "$000000"}, {0xABCDEF, "$ABCDEF"}, {0x1ABCDEF, "$1ABCDEF"}};
    for (const TCase& c : cases) {
        TColorScheme scheme("unused");
        scheme.LoadDefaults();
        scheme.SetColor(std::string("\\日めくり\\文字\\日曜"), c.Color);
        EXPECT_EQ(scheme.GetValue(std::string("日めくり\\文字\\日曜")), c.Text);
        EXPECT_EQ(scheme.GetColor(std::string("日めくり\\文字\\日曜"), 1), c.Color);
    }
}

TEST_F(ColorFile, SaveWritesTheEmbeddedFormAndLoadReadsItBack) {
    TColorScheme scheme(Path());
    scheme.LoadDefaults();
    scheme.Save();
    std::string embedded = LoadResourceText("colors");
    EXPECT_EQ(ReadFileBytes(Path()), embedded);  // the embedded bytes are written as they ship

    scheme.SetColor(std::string("日めくり\\文字\\日曜"), 0x00FF00);
    scheme.SaveTo(Path());
    TColorScheme back(Path());
    back.Load();
    EXPECT_EQ(back.GetColor(std::string("日めくり\\文字\\日曜"), 0), 0x00FF00u);
    EXPECT_EQ(back.GetColor(std::string("日めくり\\文字\\土曜"), 0), 0xFF6060u);
}

TEST_F(ColorFile, AMissingEntryFallsBackAndIsWrittenEmptyByTheNextSave) {
    WriteText(Path(), Scheme("<全般><背景>$FFFFFF</背景></全般>"));
    TColorScheme scheme(Path());
    scheme.Load();
    EXPECT_EQ(scheme.GetColor(std::string("全般\\枠線"), 0x808080), 0x808080u);
    scheme.Save();
    TColorScheme back(Path());
    back.Load();
    TXmlNode* general = back.NodeByPath(std::string("全般"));
    ASSERT_EQ(general->Count(), 2);
    EXPECT_EQ(general->Items(1)->TagName(), std::string("枠線"));
    EXPECT_EQ(general->Items(1)->GetText(), "");
}

TEST_F(ColorFile, DamagedFilesRaiseTheReadersErrorsAndAreNeverWritten) {
    const std::string embedded = LoadResourceText("colors");
    std::vector<std::string> files;
    for (std::size_t length = 0; length < embedded.size(); length += 7)
        files.push_back(embedded.substr(0, length));  // every kind of truncation
    files.push_back(std::string("\0\x01\xFF\xFE<\0>", 7));
    files.push_back("<colors>" + std::string(10 << 20, 'x') + "</colors>");  // 10 MB on one line
    files.push_back("<colors><a>\x82</a><b>\xFF\xFF</b></colors>");          // invalid Shift_JIS
    for (const std::string& bytes : files) {
        WriteText(Path(), bytes);
        TColorScheme scheme(Path());
        try {
            scheme.Load();
        } catch (const Exception&) {
            // The reader's errors reach the caller; the scheme is partly filled.
        }
        // Reading any colour from what was loaded is safe and gives a colour.
        scheme.GetColor(std::string("日めくり\\文字\\日曜"), 0x0000FF);
        EXPECT_EQ(ReadFileBytes(Path()), bytes) << bytes.size();
    }

    // A scheme cut off inside a group names the tag that is not closed.
    WriteText(Path(), embedded.substr(0, embedded.find(Cp932("</全般>"))));
    TColorScheme scheme(Path());
    try {
        scheme.Load();
        ADD_FAILURE() << "a scheme without its closing tags loaded";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message().rfind(std::string("終了タグがありません"), 0), 0u) << std::string(error.Message());
    }
    // The root element was never closed, so nothing of it was kept: callers get their fallbacks.
    EXPECT_EQ(scheme.GetColor(std::string("全般\\枠線"), 0x808080), 0x808080u);
}
