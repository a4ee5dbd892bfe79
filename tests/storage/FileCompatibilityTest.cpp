// Files written in code page 932 (by this program's earlier versions or the Windows one)
// read and write back byte for byte when nothing changed, and an edit changes its own line
// only: characters with two code page 932 forms, the NEC and IBM extensions, half-width
// katakana and a damaged lead byte among them.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "storage/ColorScheme.h"
#include "storage/FileUtils.h"
#include "storage/MemoStore.h"
#include "storage/ProfileFile.h"
#include "support/FileBytes.h"
#include "support/TestEnvironment.h"

namespace {

// 〜 ① 髙 ｶﾅ in code page 932, then a lead byte without its second half.
const std::string Special = Cp932("〜①髙ｶﾅ") + "\x81";

struct TFileCase {
    const char* Name;
    std::string Before;                               // the file as written elsewhere
    std::function<void(const std::string&)> Rewrite;  // loads the file and saves it unchanged
    std::function<void(const std::string&)> Edit;     // loads, changes one entry, saves
    std::string After;                                // the file after Edit
};

void Put(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

}  // namespace

TEST(FileCompatibility, UnchangedFilesStayByteForByteAndAnEditChangesItsLineOnly) {
    const std::string colors = "<?xml version=\"\" encoding=\"shift_jis\" ?>\r\n<colors>\r\n\t<" + Cp932("全般") +
                               ">\r\n\t\t<" + Cp932("背景") + ">$FFFFFF</" + Cp932("背景") + ">\r\n\t\t<m>" + Special +
                               " x</m>\r\n\t</" + Cp932("全般") + ">\r\n</colors>\r\n";
    const TFileCase cases[] = {
        {"Memos.txt", "20261207" + Special + "\r\n20261208" + Cp932("表ソ") + "\\n\r\n",
         [](const std::string& path) {
             TMemoStore memos(path);
             memos.Load();
             memos.Save();
         },
         [](const std::string& path) {
             TMemoStore memos(path);
             memos.Load();
             memos.StoreMemo(46364, "🎂 〜");
         },
         "20261207" + Special + "\r\n20261208\\u{1F382} " + Cp932("〜") + "\r\n"},
        {"application.ini", "[CALENDAR]\r\nNAME=" + Special + "\r\nDATE=1\r\n",
         [](const std::string& path) {
             TProfileFile profile(path);
             profile.WriteString("CALENDAR", "DATE", profile.ReadString("CALENDAR", "DATE", ""));
         },
         [](const std::string& path) { TProfileFile(path).WriteString("CALENDAR", "DATE", "2"); },
         "[CALENDAR]\r\nNAME=" + Special + "\r\nDATE=2\r\n"},
        {"colors.clr", colors,
         [](const std::string& path) {
             TColorScheme scheme(path);
             scheme.Load();
             scheme.Save();
         },
         [](const std::string& path) {
             TColorScheme scheme(path);
             scheme.Load();
             scheme.SetValue("全般\\背景", "$000000");
             scheme.Save();
         },
         [&] {
             std::string after = colors;
             after.replace(after.find("$FFFFFF"), 7, "$000000");
             return after;
         }()},
    };
    TTemporaryFolder folder;
    for (const TFileCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string path = folder.Slash() + c.Name;
        Put(path, c.Before);
        c.Rewrite(path);
        EXPECT_EQ(ReadFileBytes(path), c.Before);
        c.Edit(path);
        EXPECT_EQ(ReadFileBytes(path), c.After);
    }
}

// A settings value that code page 932 cannot hold turns the file into UTF-16 with its
// byte-order mark, which reads back every entry, the old ones included.
TEST(FileCompatibility, ASettingCodePage932CannotHoldMakesTheFileUtf16) {
    TTemporaryFolder folder;
    const std::string path = folder.Slash() + "application.ini";
    Put(path, "[CALENDAR]\r\nNAME=" + Cp932("表〜") + "\r\n");
    TProfileFile profile(path);
    profile.WriteString("DATA", "PATH", "/home/josé-😀/暦");
    EXPECT_EQ(ReadFileBytes(path).substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(profile.ReadString("DATA", "PATH", ""), "/home/josé-😀/暦");
    EXPECT_EQ(profile.ReadString("CALENDAR", "NAME", ""), "表〜");
    profile.WriteString("CALENDAR", "NAME", "x");
    EXPECT_EQ(ReadFileBytes(path).substr(0, 2), "\xFF\xFE");  // it stays UTF-16
    EXPECT_EQ(profile.ReadString("DATA", "PATH", ""), "/home/josé-😀/暦");
}
