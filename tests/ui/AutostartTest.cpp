#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "storage/Exception.h"
#include "storage/FileUtils.h"
#include "storage/Text.h"
#include "support/TestEnvironment.h"
#include "ui/Autostart.h"

namespace fs = std::filesystem;

namespace {

void WriteText(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

}  // namespace

TEST(AutostartTest, ExecArgumentQuotesWhatTheDesktopWouldSplitOrExpand) {
    struct TCase {
        const char* Path;
        const char* Expected;
    };
    const TCase cases[] = {
        {"/usr/bin/quillo", "/usr/bin/quillo"},
        {"/home/u/my build/app/quillo", "\"/home/u/my build/app/quillo\""},
        {"/home/u/100%/quillo", "/home/u/100%%/quillo"},
        {"/tmp/a$b\"c`d/quillo", "\"/tmp/a\\\\$b\\\\\"c\\\\`d/quillo\""},
        {"/tmp/back\\slash/quillo", "\"/tmp/back\\\\\\\\slash/quillo\""},
        {"/home/u/日めくり/quillo", "/home/u/日めくり/quillo"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Path);
        EXPECT_EQ(ExecArgument(c.Path), c.Expected);
    }
}

TEST(AutostartTest, TickingWritesTheEntryAndClearingRemovesIt) {
    TTestEnvironment environment;
    const fs::path file = environment.ConfigHome() / "autostart/example.vellomar.quillo.desktop";
    EXPECT_EQ(AutostartFileName(), std::string(file.string()));
    EXPECT_FALSE(StartsAtLogin());
    // Clearing what is not there is no error.
    SetStartAtLogin(false, "/usr/bin/quillo");

    const std::string program = std::string(environment.Root().string() + "/build tree/app/quillo");
    SetStartAtLogin(true, program);
    ASSERT_TRUE(fs::exists(file));
    EXPECT_TRUE(StartsAtLogin());
    const std::string text = ReadFileBytes(AutostartFileName());
    EXPECT_NE(text.find("\nExec=\"" + environment.Root().string() + "/build tree/app/quillo\"\n"), std::string::npos);
    EXPECT_NE(text.find("\nX-GNOME-Autostart-Delay=5\n"), std::string::npos);
    EXPECT_NE(text.find("\nName=日めくり暦\n"), std::string::npos);
    // Ticking again replaces the entry; no temporary file stays behind.
    SetStartAtLogin(true, "/usr/bin/quillo");
    EXPECT_NE(ReadFileBytes(AutostartFileName()).find("\nExec=/usr/bin/quillo\n"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()), 1);

    SetStartAtLogin(false, "/usr/bin/quillo");
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(StartsAtLogin());
}

TEST(AutostartTest, AHiddenEntryDoesNotStartTheCalendar) {
    TTestEnvironment environment;
    const fs::path file = environment.ConfigHome() / "autostart/example.vellomar.quillo.desktop";
    struct TCase {
        const char* Text;
        bool Starts;
    };
    const TCase cases[] = {
        {"[Desktop Entry]\nType=Application\nExec=quillo\n", true},
        {"[Desktop Entry]\nExec=quillo\nHidden=true\n", false},
        {"[Desktop Entry]\r\nHidden = true\r\n", false},
        {"[Desktop Entry]\nHidden=false\n", true},
        {"[Desktop Entry]\nHiddenness=true\n", true},
        {"[Desktop Entry]\nExec=quillo\n[Desktop Action x]\nHidden=true\n", true},
        {"", true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Text);
        WriteText(file, c.Text);
        EXPECT_EQ(StartsAtLogin(), c.Starts);
    }
    // Ticking replaces a hidden entry by one that starts the calendar.
    SetStartAtLogin(true, "/usr/bin/quillo");
    EXPECT_TRUE(StartsAtLogin());
}

TEST(AutostartTest, ARelativeConfigurationFolderIsIgnoredAndFailuresAreReported) {
    TTestEnvironment environment;
    setenv("XDG_CONFIG_HOME", "relative/config", 1);
    EXPECT_EQ(AutostartFileName(),
              std::string(environment.Home().string()) + "/.config/autostart/example.vellomar.quillo.desktop");
    // A file where the autostart folder belongs: the entry cannot be written.
    WriteText(environment.Home() / ".config/autostart", "not a folder");
    EXPECT_THROW(SetStartAtLogin(true, "/usr/bin/quillo"), EFileError);
    EXPECT_FALSE(StartsAtLogin());
}

// The written entry is one that the desktop accepts: desktop-file-validate finds nothing,
// also for a program path that needs quoting.
TEST(AutostartTest, TheEntryPassesTheDesktopEntryValidator) {
    if (std::system("command -v desktop-file-validate > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "desktop-file-validate is not installed (scripts/install-deps installs it)";
    TTestEnvironment environment;
    for (const char* program : {"/usr/bin/quillo", "/tmp/my \"build\"/$HOME/100%/quillo"}) {
        SCOPED_TRACE(program);
        SetStartAtLogin(true, program);
        const std::string report = (environment.Root() / "validate.txt").string();
        const std::string command =
            "desktop-file-validate '" + std::string(AutostartFileName()) + "' > '" + report + "' 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0);
        EXPECT_EQ(ReadFileBytes(report), "");
    }
}
