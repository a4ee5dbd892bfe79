// The archive stream and its directory, damaged archives, and the graphic source's
// lookup order, plain bitmaps and cache modes.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "BitmapTestSupport.h"
#include "PngTestFiles.h"
#include "graphics/ArchiveStream.h"
#include "graphics/GraphicSource.h"
#include "storage/FileUtils.h"
#include "storage/Text.h"
#include "support/FileBytes.h"
#include "support/TestEnvironment.h"

using enum TPixelFormat;

namespace {

std::string LE(uint64_t v, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i)
        out += char((v >> (8 * i)) & 0xFF);
    return out;
}

struct TMember {
    std::string Name, Data;
};

// An archive as a writer lays it out; headerExtra lengthens the header body.
std::string MakeArchive(const std::vector<TMember>& members, const std::string& headerExtra = "") {
    std::string out = "KARC" + LE(4, 8) + "AHDR" + LE(24 + headerExtra.size(), 4) + LE(members.size(), 8) +
                      "2024010203040512" + headerExtra + "ADAT";
    int number = 1;
    for (const TMember& m : members) {
        const std::string name = Cp932(m.Name);  // names are stored in code page 932
        uint64_t offset = out.size() + 37 + name.size();
        out += LE(number++, 4) + LE(name.size(), 4) + LE(offset, 8) + "\x01" + LE(m.Data.size(), 8) +
               std::string(12, '\0');
        out += name + m.Data;
    }
    return out;
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(no error)";
}

std::string Prefixed(const std::string& text) { return "TArchiveStream:\r\n" + text; }

std::string RedPng() {
    TPngRecipe recipe;
    recipe.Width = 3;
    recipe.Height = 2;
    recipe.Sample = [](int, int, int c) { return c == 0 ? 255 : 0; };
    return MakePng(recipe);
}

}  // namespace

TEST(ArchiveStream, MembersReadAndSeekWithinThemselves) {
    TTemporaryFolder folder;
    const std::string path = folder.Slash() + "graphic";
    WriteFile(path, MakeArchive({{"First.png", "abcdef"}, {std::string("表示.png"), "XYZ"}, {"empty", ""}}));
    TArchiveStream archive(path);
    ASSERT_EQ(archive.Files().Count(), 3);
    EXPECT_EQ(archive.Files().Number(1), 2);
    EXPECT_EQ(archive.Files().DataSize(0), 6);
    EXPECT_EQ(archive.CreationText(), "2024010203040512");
    EXPECT_EQ(archive.Selected(), -1);

    EXPECT_EQ(ErrorOf([&] { archive.Seek(0, TSeekOrigin::Beginning); }),
              Prefixed(std::string("[Seek]読み込みINDEXが指定されていません")));
    char buffer[16] = {};
    EXPECT_EQ(ErrorOf([&] { archive.Read(buffer, 1); }),
              Prefixed(std::string("[Read]読み込みINDEXが指定されていません")));
    EXPECT_FALSE(archive.SelectFile("missing.png"));
    EXPECT_EQ(archive.Selected(), -1);

    ASSERT_TRUE(archive.SelectFile("FIRST.PNG"));
    EXPECT_EQ(archive.Read(buffer, 4), 4);
    EXPECT_EQ(std::string(buffer, 4), "abcd");
    EXPECT_EQ(archive.Position(), 4);
    EXPECT_EQ(archive.Read(buffer, 16), 2);  // never into the next member
    EXPECT_EQ(archive.Size(), 6);
    EXPECT_EQ(archive.Seek(0, TSeekOrigin::End), 6);
    EXPECT_EQ(archive.Seek(-2, TSeekOrigin::Current), 4);
    EXPECT_EQ(archive.Seek(1, TSeekOrigin::Beginning), 1);
    const std::string outside = Prefixed(std::string("[Seek]格納ファイルの範囲外を指定しました"));
    EXPECT_EQ(ErrorOf([&] { archive.Seek(7, TSeekOrigin::Beginning); }), outside);
    EXPECT_EQ(ErrorOf([&] { archive.Seek(1, TSeekOrigin::End); }), outside);
    EXPECT_EQ(ErrorOf([&] { archive.Seek(-2, TSeekOrigin::Current); }), outside);
    EXPECT_EQ(ErrorOf([&] { archive.Seek(INT64_MAX, TSeekOrigin::Current); }), outside);
    EXPECT_EQ(archive.Position(), 1);
    EXPECT_EQ(ErrorOf([&] { archive.Read(buffer, -3); }), Prefixed(std::string("[Read]Countが負です(-3)")));
    EXPECT_EQ(ErrorOf([&] { archive.Write("x", 1); }), Prefixed(std::string("[Write]対応していません")));

    ASSERT_TRUE(archive.SelectFile(std::string("表示.PNG")));
    EXPECT_EQ(archive.ReadRest(100), "XYZ");
    ASSERT_TRUE(archive.SelectFile("empty"));
    EXPECT_EQ(archive.Read(buffer, 5), 0);
    archive.Reload();
    EXPECT_EQ(archive.Selected(), -1);
}

TEST(ArchiveStream, AnEmptyFileBecomesAnEmptyArchive) {
    TTemporaryFolder folder;
    const std::string path = folder.Slash() + "graphic";
    WriteFile(path, "");
    TArchiveStream archive(path);
    EXPECT_EQ(archive.Files().Count(), 0);
    std::string bytes = ReadFileBytes(path);
    ASSERT_EQ(bytes.size(), size_t(ArchiveHeaderBytes));
    EXPECT_EQ(bytes.substr(0, 4), "KARC");
    EXPECT_EQ(bytes.substr(4, 8), LE(4, 8));
    EXPECT_EQ(bytes.substr(12, 8), "AHDR" + LE(24, 4));
    EXPECT_EQ(bytes.substr(20, 8), LE(0, 8));
    EXPECT_EQ(bytes.substr(28, 16).find_first_not_of("0123456789"), std::string::npos);
    EXPECT_EQ(bytes.substr(44), "ADAT");
}

TEST(ArchiveStream, DamagedArchivesAreRefusedWithTheirMessage) {
    const std::string good = MakeArchive({{"a.png", "12345"}});
    const std::string truncated = Prefixed(std::string("[Reload]ファイルが途中で切れています"));
    std::string wrongOffset = good;
    wrongOffset.replace(48 + 8, 8, LE(1000, 8));
    struct {
        const char* What;
        std::string Bytes, Message;
    } const cases[] = {
        {"magic", "KARX" + good.substr(4), Prefixed(std::string("[Reload]ファイルが不正[KARX]です"))},
        {"three bytes", "KAR", Prefixed(std::string("[Reload]ファイルが不正[KAR]です"))},
        {"header tag", good.substr(0, 12) + "AHDX" + good.substr(16),
         Prefixed(std::string("[Reload]ファイルヘッダが不正[AHDX]です"))},
        {"data tag", good.substr(0, 44) + "ADAX" + good.substr(48),
         Prefixed(std::string("[Reload]ファイルデータが不正[ADAX]です"))},
        {"header length past the end", good.substr(0, 16) + LE(0x7FFFFFF0, 4) + good.substr(20),
         Prefixed(std::string("[Reload]ファイルデータが不正[]です"))},
        {"cut in the header", good.substr(0, 30), truncated},
        {"cut in an entry", good.substr(0, 60), truncated},
        {"name past the end", good.substr(0, 52) + LE(0xFFFFFFFF, 4) + good.substr(56), truncated},
        {"data past the end", good.substr(0, good.size() - 1), truncated},
        {"offset outside the file", wrongOffset, truncated},
        {"more members than entries", good.substr(0, 20) + LE(5, 8) + good.substr(28), truncated},
    };
    TTemporaryFolder folder;
    for (const auto& c : cases) {
        const std::string path = folder.Slash() + "damaged";
        WriteFile(path, c.Bytes);
        EXPECT_EQ(ErrorOf([&] { TArchiveStream archive(path); }), c.Message) << c.What;
    }
    // A longer header body is stepped over; the count's high half is not read.
    WriteFile(folder.Path() / "long", MakeArchive({{"a.png", "12345"}}, "future"));
    TArchiveStream longer(folder.Slash() + "long");
    EXPECT_EQ(longer.Files().Count(), 1);
    std::string high = good;
    high.replace(24, 4, LE(7, 4));
    WriteFile(folder.Path() / "high", high);
    TArchiveStream highCount(folder.Slash() + "high");
    EXPECT_EQ(highCount.Files().Count(), 1);
}

TEST(ArchiveDirectory, EntriesFollowTheirNames) {
    TArchiveDirectory list;
    TArchiveEntry entry;
    entry.SetNumber(7);
    entry.SetDataOffset(0x0102030405LL);
    entry.SetDataSize(99);
    entry.SetFlag(1);
    EXPECT_EQ(list.Add("abc", entry), 0);
    list.Insert(0, "Z", entry);
    EXPECT_EQ(list.Entries(1).NameLength(), 3u);
    list.Rename(1, "longer name");
    EXPECT_EQ(list.Entries(1).NameLength(), 11u);
    EXPECT_EQ(list.IndexOf("LONGER NAME"), 1);
    EXPECT_EQ(list.DataOffset(1), 0x0102030405LL);
    EXPECT_EQ(list.Number(0), 7);
    std::string text = list.Text();
    ASSERT_EQ(text.size(), size_t(2 * ArchiveEntryBytes + 1 + 11));
    EXPECT_EQ(text.substr(ArchiveEntryBytes, 1), "Z");
    EXPECT_EQ(text.substr(2 * ArchiveEntryBytes + 1), "longer name");
    EXPECT_EQ(text.substr(4, 4), LE(1, 4));
    EXPECT_EQ(uint8_t(text[16]), 1);
    list.Delete(0);
    EXPECT_EQ(list.Names(0), "longer name");
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(GraphicSource, PlainBitmapsFromTheirDescription) {
    TTemporaryFolder folder;
    TGraphicSource source(folder.Slash());
    struct {
        std::string Name;
        int Width, Height;
        TPixelFormat Format;
        int64_t Color;
    } const cases[] = {
        {"\\16,16,$0000FF,32", 16, 16, Bits32, 0x0000FF},
        {"\\16,16", 16, 16, Bits24, 0},
        {"\\3,2,255,24", 3, 2, Bits24, 0x0000FF},
        {"\\\\4\\,1,nonsense,32", 4, 1, Bits32, 0},
        {"\\2,x,$FFFFFFFF", 2, 0, Bits24, -1},
    };
    for (const auto& c : cases) {
        auto b = source.GetGraphic(c.Name);
        EXPECT_EQ(b->Width(), c.Width) << c.Name;
        EXPECT_EQ(b->Height(), c.Height) << c.Name;
        EXPECT_EQ(b->PixelFormat(), c.Format) << c.Name;
        EXPECT_EQ(b->Pixel(c.Width - 1, c.Height - 1), c.Color) << c.Name;
        if (c.Format == Bits32) {
            EXPECT_EQ(b->PixelAlpha(0, 0), 255) << c.Name;
        }
    }
    EXPECT_THROW(source.GetGraphic("\\100000,100000"), Exception);
}

TEST(GraphicSource, CacheModesCountUsesAndKeepFlags) {
    TTemporaryFolder folder;
    TGraphicSource source(folder.Slash());
    auto first = source.GetGraphic("\\2,2", TCacheMode::Cached);
    auto again = source.GetGraphic("\\2,2", TCacheMode::Cached);
    EXPECT_EQ(first.get(), again.get());
    EXPECT_EQ(first->UseCount, 2);
    EXPECT_EQ(first->Keep, 0);
    source.GetGraphic("\\2,2", TCacheMode::Keep);
    EXPECT_EQ(first->Keep, 1);
    EXPECT_EQ(first->UseCount, 3);
    auto reloaded = source.GetGraphic("\\2,2", TCacheMode::Reload);
    EXPECT_NE(reloaded.get(), first.get());
    EXPECT_EQ(reloaded->UseCount, 1);
    EXPECT_EQ(reloaded->Keep, 0);
    ASSERT_EQ(source.Count(), 2);
    EXPECT_EQ(source.Names(1), "\\2,2");
    auto loose = source.GetGraphic("\\5,5", TCacheMode::Uncached);
    EXPECT_EQ(loose.use_count(), 1);
    EXPECT_EQ(source.Count(), 2);
    auto kept = source.GetGraphic("\\6,6", TCacheMode::Keep);
    EXPECT_EQ(kept->Keep, 1);
}

TEST(GraphicSource, LooksInTheFolderThenTheArchivesThenTheResources) {
    TTestEnvironment environment;
    TTemporaryFolder program;
    TPngRecipe blue;
    blue.Sample = [](int, int, int c) { return c == 2 ? 255 : 0; };
    WriteFile(program.Path() / "graphic", MakeArchive({{"face.png", RedPng()}, {"both.png", RedPng()}}));
    WriteFile(program.Path() / "resource/both.png", MakePng(blue));
    TGraphicSource source(program.Slash());
    ASSERT_EQ(source.ArchiveSet().Count(), 1);
    EXPECT_EQ(source.ArchiveSet().Names(0), "graphic");
    EXPECT_EQ(source.FolderPath(), program.Slash() + "resource/");
    EXPECT_EQ(source.GetGraphic("both.png")->Pixel(0, 0), 0xFF0000);  // the folder wins
    EXPECT_EQ(source.GetGraphic("FACE.png")->Pixel(2, 1), 0x0000FF);  // then the archive
    // Archives from index 1 on: there are none, and no resource "FACE" either.
    const int cached = source.Count();
    EXPECT_EQ(ErrorOf([&] { source.GetGraphic("FACE.png", TCacheMode::Reload, 1); }),
              std::string("リソース FACE が見つかりません"));
    // The embedded resource "colors" is found by the name without its extension; the
    // decoder's error passes through, and an unknown extension gives an empty image.
    EXPECT_EQ(ErrorOf([&] { source.GetGraphic("colors.png"); }), std::string("PNGファイルではありません"));
    EXPECT_EQ(source.Count(), cached);
    EXPECT_EQ(source.GetGraphic("Colors.bin")->Width(), 0);
    EXPECT_EQ(source.Count(), cached + 1);
}

TEST(GraphicSource, ADamagedArchiveStopsTheStartAndAMissingOneIsPassedOver) {
    TTemporaryFolder program;
    TGraphicSource withoutArchive(program.Slash());
    EXPECT_EQ(withoutArchive.ArchiveSet().Count(), 0);
    WriteFile(program.Path() / "graphic", "");
    TGraphicSource fresh(program.Slash());
    EXPECT_EQ(ReadFileBytes(program.Slash() + "graphic").size(), size_t(ArchiveHeaderBytes));
    WriteFile(program.Path() / "graphic", "junk");
    EXPECT_EQ(ErrorOf([&] { TGraphicSource damaged(program.Slash()); }),
              program.Slash() + "graphic" + std::string(" を読めません: ") +
                  Prefixed(std::string("[Reload]ファイルが不正[junk]です")));

    auto previous = ReplaceGraphicSource(std::make_unique<TGraphicSource>(program.Slash() + "elsewhere/"));
    EXPECT_EQ(GraphicSource().FolderPath(), program.Slash() + "elsewhere/resource/");
    EXPECT_TRUE(HasGraphicSource());
    const bool hadOne = previous != nullptr;
    ReplaceGraphicSource(std::move(previous));
    // Nothing makes a source on first use: start-up creates it.
    EXPECT_EQ(HasGraphicSource(), hadOne);
}
