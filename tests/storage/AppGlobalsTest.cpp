#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "storage/AppGlobals.h"
#include "storage/Exception.h"
#include "storage/FileUtils.h"
#include "storage/RegistryStore.h"
#include "storage/Text.h"
#include "support/TestEnvironment.h"

namespace fs = std::filesystem;

namespace {

const char* const UserKey = "software\\Vellomar\\quillo\\DATA";

// A program file in a folder of its own, a per-machine store beside it, and the XDG
// folders of the user in the same temporary tree.
class AppGlobalsTest : public ::testing::Test {
protected:
    AppGlobalsTest() { fs::create_directories(ProgramFolder); }

    std::unique_ptr<TAppGlobals> MakeGlobals() {
        return std::make_unique<TAppGlobals>(ProgramFolder.string() + "/quillo", MachineStore);
    }
    void SetInstalledFolder(const std::string& folder) {
        fs::create_directories(fs::path(MachineStore).parent_path());
        std::ofstream(MachineStore) << "[software\\vellomar\\quillo]\nAppDir=" << folder << "\n";
    }
    TRegistryStore UserStore() { return TRegistryStore(TRegistryStore::CurrentUserFile(), TRegistryAccess::ReadWrite); }
    std::string ApplicationDataFolder() {
        return Environment.DataHome().string() + "/Vellomar/" + std::string("日めくり暦");
    }
    static int FileCount(const fs::path& folder) {
        int count = 0;
        for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
            ++count;
        return count;
    }

    TTestEnvironment Environment;
    fs::path ProgramFolder = Environment.Root() / "opt/Quillo";
    std::string MachineStore = (Environment.Root() / "etc/registry.ini").string();
};

}  // namespace

TEST_F(AppGlobalsTest, ChoosesAndCreatesTheDataFolder) {
    const std::string programFolder = ProgramFolder.string();
    const std::string ownFolder = Environment.Root().string() + "/" + std::string("表ソ/データ");
    struct TCase {
        const char* Name;
        std::function<void()> Prepare;
        std::string Expected;
    };
    const TCase cases[] = {
        {"no keys, writable program folder", [] {}, programFolder + "/Data"},
        {"installed here, in another letter case", [&] { SetInstalledFolder(AsciiUpperCase(programFolder)); },
         ApplicationDataFolder()},
        {"installed here, written with a trailing slash", [&] { SetInstalledFolder(programFolder + "/"); },
         ApplicationDataFolder()},
        {"installed elsewhere", [&] { SetInstalledFolder("/usr/lib/quillo"); }, programFolder + "/Data"},
        {"per-user folder set", [&] { UserStore().WriteString(UserKey, "PATH", ownFolder); }, ownFolder},
        {"per-user folder empty", [&] { UserStore().WriteString(UserKey, "PATH", ""); }, programFolder + "/Data"},
        {"every write test name taken",
         [&] {
             for (int n = 0; n < 1000; ++n)
                 std::ofstream(ProgramFolder / ("WriteTest" + std::to_string(n) + ".tmp"));
         },
         ApplicationDataFolder()},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        fs::remove_all(Environment.Root() / "etc");
        fs::remove_all(Environment.ConfigHome());
        fs::remove_all(Environment.DataHome());
        fs::remove_all(ProgramFolder);
        fs::create_directories(ProgramFolder);
        c.Prepare();
        int filesBefore = FileCount(ProgramFolder);
        auto globals = MakeGlobals();
        EXPECT_EQ(globals->DataDir(), c.Expected);
        EXPECT_EQ(globals->DataPath(), c.Expected + "/");
        EXPECT_TRUE(DirectoryExists(c.Expected));
        // The write test leaves nothing; only the data folder itself may have been added.
        bool dataBeside = c.Expected == programFolder + "/Data";
        EXPECT_EQ(FileCount(ProgramFolder), filesBefore + (dataBeside ? 1 : 0));
        // A folder found by the default rule is not recorded for the user.
        EXPECT_EQ(UserStore().ReadString(UserKey, "PATH", ""), c.Expected == ownFolder ? ownFolder : "");
    }
}

TEST_F(AppGlobalsTest, SetDataDirIsRememberedForTheNextStart) {
    const std::string chosen = Environment.Root().string() + "/chosen/" + std::string("ソ");
    MakeGlobals()->SetDataDir(chosen);
    EXPECT_TRUE(DirectoryExists(chosen));
    auto next = MakeGlobals();
    EXPECT_EQ(next->DataDir(), chosen);
    next->WriteInteger("PAPER", "number", 2);
    EXPECT_TRUE(FileExists(chosen + "/application.ini"));
}

TEST_F(AppGlobalsTest, ProgramPathsAndVersionStrings) {
    auto globals = MakeGlobals();
    EXPECT_EQ(globals->ExeName(), "quillo");
    EXPECT_TRUE(globals->VersionLoaded());
    EXPECT_EQ(globals->ExeDir(), ProgramFolder.string());
    EXPECT_EQ(globals->ExePath(), ProgramFolder.string() + "/");
    EXPECT_EQ(globals->CompanyName(), "Vellomar");
    EXPECT_EQ(globals->InternalName(), "quillo");
    EXPECT_EQ(globals->ProductName(), std::string("日めくり暦"));
    EXPECT_EQ(globals->FileVersion(), "0.5.0.23");
    EXPECT_GE(globals->MajorVersion(), 2);

    // Without an injected program file the running program is found.
    TAppGlobals running;
    EXPECT_EQ(running.ExeName(), "quillo_storage_tests");
    EXPECT_TRUE(DirectoryExists(running.ExeDir()));
}

TEST_F(AppGlobalsTest, ReadIntegerAcceptsDecimalAndHexadecimalText) {
    auto globals = MakeGlobals();
    struct TCase {
        const char* Text;
        int Expected;
    };
    const TCase cases[] = {
        {"0x1E", 30}, {"0X1e", 30}, {"$1E", 30},         {"30", 30},   {"-7", -7},  {"abc", 10}, {"", 10},
        {"0x", 10},   {"1E", 10},   {"99999999999", 10}, {" 42 ", 42}, {"0xG", 10}, {"$", 10},   {"12abc", 10},
    };
    for (const TCase& c : cases) {
        globals->WriteString("CALENDAR", "MAX", c.Text);
        EXPECT_EQ(globals->ReadInteger("CALENDAR", "MAX", 10), c.Expected) << '"' << c.Text << '"';
    }
    EXPECT_EQ(globals->ReadInteger("CALENDAR", "MISSING", 10), 10);
}

TEST_F(AppGlobalsTest, SettingsFileOfAFirstRun) {
    auto globals = MakeGlobals();
    EXPECT_EQ(globals->ReadInteger("CALENDAR", "DATE", 45000), 45000);
    globals->WriteInteger("PAPER", "number", 3);
    globals->WriteInteger("CALENDAR", "date", 45123);
    globals->WriteInteger("TFMQUILLO", "TOP", 114);
    globals->WriteInteger("TFMQUILLO", "LEFT", -270);
    globals->WriteString("TFMQUILLO", "DOCKSITE", "");
    EXPECT_EQ(globals->SettingsFileName(), ProgramFolder.string() + "/Data/application.ini");
    EXPECT_EQ(
        ReadFileBytes(globals->SettingsFileName()),
        "[PAPER]\r\nnumber=3\r\n[CALENDAR]\r\ndate=45123\r\n[TFMQUILLO]\r\nTOP=114\r\nLEFT=-270\r\nDOCKSITE=\r\n");
    EXPECT_EQ(MakeGlobals()->ReadInteger("CALENDAR", "DATE", 0), 45123);
    EXPECT_EQ(globals->ReadInteger("tfmquillo", "left", 0), -270);
}

TEST_F(AppGlobalsTest, FailedSettingsWritesRaiseTheMessageWithTheFullPath) {
    struct TCase {
        const char* Name;
        std::function<std::string()> DataFolder;  // returns the data folder to use
        bool NeedsOrdinaryUser;                   // root may write into read-only folders
        int Reason;                               // the errno value the message names
    };
    const TCase cases[] = {
        {"read-only data folder",
         [&] {
             std::string folder = Environment.Root().string() + "/locked";
             fs::create_directories(folder);
             chmod(folder.c_str(), 0555);
             return folder;
         },
         true, EACCES},
        {"data folder below a file",
         [&] {
             std::ofstream(Environment.Root() / "plain") << "x";
             return Environment.Root().string() + "/plain/Data";
         },
         false, ENOTDIR},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        if (c.NeedsOrdinaryUser && geteuid() == 0)
            continue;
        auto globals = MakeGlobals();
        std::string folder = c.DataFolder();
        try {
            globals->SetDataDir(folder);
        } catch (const EFileError&) {
            ADD_FAILURE() << "the per-user store could not be written";
        }
        try {
            globals->WriteInteger("CALENDAR", "date", 1);
            ADD_FAILURE() << "the write did not fail";
        } catch (const EFileError& error) {
            EXPECT_EQ(error.Message(),
                      folder + "/application.ini" + std::string(" に書き込めません: ") + SystemErrorText(c.Reason));
        }
        EXPECT_EQ(globals->ReadInteger("CALENDAR", "date", 9), 9);
    }
}

TEST_F(AppGlobalsTest, TheStartUpCheckNamesADataFolderItCannotUseAndWritesNothingElsewhere) {
    std::ofstream(Environment.Root() / "plain") << "x";
    const std::string locked = Environment.Root().string() + "/locked";
    fs::create_directories(locked);
    chmod(locked.c_str(), 0555);
    struct TCase {
        const char* Name;
        std::string Folder;
        std::string Failure;  // the message's words between the folder and the reason; empty: usable
        int Reason;
        bool NeedsOrdinaryUser;
    };
    const TCase cases[] = {
        {"new folder", Environment.Root().string() + "/" + std::string("新/データ"), "", 0, false},
        {"below a file", Environment.Root().string() + "/plain/Data", std::string(" を作成できません: "), ENOTDIR,
         false},
        {"read-only folder", locked, std::string(" に書き込めません: "), EACCES, true},
        {"below a read-only folder", locked + "/Data", std::string(" を作成できません: "), EACCES, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        if (c.NeedsOrdinaryUser && geteuid() == 0)
            continue;
        UserStore().WriteString(UserKey, "PATH", c.Folder);
        const std::string storeBefore = ReadFileBytes(TRegistryStore::CurrentUserFile());
        auto globals = MakeGlobals();
        try {
            globals->CheckDataFolder();
            EXPECT_TRUE(c.Failure.empty()) << "the check passed";
            EXPECT_TRUE(DirectoryExists(c.Folder));
        } catch (const EFileError& error) {
            EXPECT_EQ(error.Message(),
                      std::string("データフォルダ ") + c.Folder + c.Failure + SystemErrorText(c.Reason));
        }
        // Neither the folder of the default rule nor the store was touched.
        EXPECT_EQ(ReadFileBytes(TRegistryStore::CurrentUserFile()), storeBefore);
        EXPECT_FALSE(fs::exists(ProgramFolder / "Data"));
        EXPECT_FALSE(fs::exists(ApplicationDataFolder()));
    }
    chmod(locked.c_str(), 0755);
}

TEST_F(AppGlobalsTest, CanWriteFolderNeverLeavesAFileBehind) {
    const fs::path folder = Environment.Root() / "probe";
    struct TCase {
        const char* Name;
        int Taken;  // WriteTest0.tmp .. WriteTest<Taken-1>.tmp exist before the test
        bool FolderExists;
        bool Expected;
    };
    const TCase cases[] = {
        {"missing folder", 0, false, false},
        {"empty folder", 0, true, true},
        {"first names taken", 5, true, true},
        {"every name taken", 1000, true, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        fs::remove_all(folder);
        if (c.FolderExists)
            fs::create_directories(folder);
        for (int n = 0; n < c.Taken; ++n)
            std::ofstream(folder / ("WriteTest" + std::to_string(n) + ".tmp"));
        EXPECT_EQ(TAppGlobals::CanWriteFolder(folder.string() + "/"), c.Expected);
        if (c.FolderExists) {
            EXPECT_EQ(FileCount(folder), c.Taken);
        }
    }
}

TEST_F(AppGlobalsTest, RegistryKeysExistWithoutBeingCreated) {
    TRegistryStore user = UserStore();
    EXPECT_FALSE(user.KeyExists("software"));
    EXPECT_FALSE(fs::exists(user.FileName()));  // asking created nothing
    user.WriteString("software\\Vellomar\\quillo\\DATA", "PATH", std::string("/ソ/表"));
    for (const char* key :
         {"software", "SOFTWARE\\vellomar", "software\\Vellomar\\Quillo", "software\\vellomar\\quillo\\data"})
        EXPECT_TRUE(user.KeyExists(key)) << key;
    for (const char* key : {"soft", "software\\Vellomar\\quill", "software\\Vellomar\\quillo\\DATA\\more", "Vellomar"})
        EXPECT_FALSE(user.KeyExists(key)) << key;
    EXPECT_EQ(user.ReadString("SOFTWARE\\VELLOMAR\\QUILLO\\DATA", "path", ""), std::string("/ソ/表"));

    SetInstalledFolder("/usr/lib/quillo");
    TRegistryStore machine(MachineStore, TRegistryAccess::ReadOnly);
    EXPECT_EQ(machine.ReadString("software\\vellomar\\quillo", "AppDir", ""), "/usr/lib/quillo");
    EXPECT_THROW(machine.WriteString("software\\vellomar\\quillo", "AppDir", "/tmp"), EFileError);
    EXPECT_EQ(machine.ReadString("software\\vellomar\\quillo", "AppDir", ""), "/usr/lib/quillo");
}

TEST_F(AppGlobalsTest, TheProcessWideObjectIsReplacedAndReleasedInOrder) {
    EXPECT_FALSE(HasAppGlobals());
    TAppGlobals* made = MakeGlobals().release();
    EXPECT_EQ(ReplaceAppGlobals(std::unique_ptr<TAppGlobals>(made)), nullptr);
    EXPECT_EQ(&AppGlobals(), made);
    AppGlobals().WriteInteger("PAPER", "number", 1);
    EXPECT_EQ(AppGlobals().ReadInteger("PAPER", "NUMBER", 0), 1);
    DestroyAppGlobals();
    EXPECT_FALSE(HasAppGlobals());
}

TEST(RegistryStoreTest, MachineStoresFollowTheConfigurationFoldersThenThePrefix) {
    struct TCase {
        const char* ConfigDirs;  // nullptr: unset
        const char* ProgramFolder;
        std::vector<std::string> Expected;
    };
    const TCase cases[] = {
        {nullptr, "/usr/bin", {"/etc/xdg/vellomar/registry.ini", "/usr/etc/xdg/vellomar/registry.ini"}},
        {"", "/opt/q/bin/", {"/etc/xdg/vellomar/registry.ini", "/opt/q/etc/xdg/vellomar/registry.ini"}},
        {"/a/:relative::/b",
         "/home/u/.local/bin",
         {"/a/vellomar/registry.ini", "/b/vellomar/registry.ini", "/home/u/.local/etc/xdg/vellomar/registry.ini"}},
        {"/", "/", {"/vellomar/registry.ini"}},
        {"/etc/xdg", "", {"/etc/xdg/vellomar/registry.ini"}},
    };
    const char* saved = std::getenv("XDG_CONFIG_DIRS");
    const std::string savedValue = saved ? saved : "";
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.ConfigDirs ? c.ConfigDirs : "(unset)");
        if (c.ConfigDirs)
            setenv("XDG_CONFIG_DIRS", c.ConfigDirs, 1);
        else
            unsetenv("XDG_CONFIG_DIRS");
        EXPECT_EQ(TRegistryStore::LocalMachineFiles(c.ProgramFolder), c.Expected);
    }
    if (saved)
        setenv("XDG_CONFIG_DIRS", savedValue.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_DIRS");
}

// Without a store of its own the program looks along $XDG_CONFIG_DIRS and in its
// installation prefix: a copy installed into ~/.local keeps its data in the user's
// application-data folder, though its own folder is writable.
TEST_F(AppGlobalsTest, AnInstallationIsFoundAlongTheConfigurationFoldersAndInItsPrefix) {
    const std::string programFolder = ProgramFolder.string();
    const fs::path listed = Environment.Root() / "xdg-b";
    const fs::path prefixStore = ProgramFolder.parent_path() / "etc/xdg/vellomar/registry.ini";
    auto record = [](const fs::path& store, const std::string& folder) {
        fs::create_directories(store.parent_path());
        std::ofstream(store) << "[software\\vellomar\\quillo]\nAppDir=" << folder << "\n";
    };
    struct TCase {
        const char* Name;
        std::function<void()> Prepare;
        bool Installed;
    };
    const TCase cases[] = {
        {"no store anywhere", [] {}, false},
        {"second folder of the list", [&] { record(listed / "vellomar/registry.ini", programFolder); }, true},
        {"first store names another folder, the prefix's names this one",
         [&] {
             record(Environment.Root() / "xdg-a/vellomar/registry.ini", "/usr/bin");
             record(prefixStore, programFolder);
         },
         true},
        {"recorded through a link to the prefix",
         [&] {
             fs::remove(Environment.Root() / "link");
             fs::create_directory_symlink(ProgramFolder.parent_path(), Environment.Root() / "link");
             record(prefixStore, (Environment.Root() / "link/Quillo").string());
         },
         true},
        {"only other installations", [&] { record(prefixStore, "/usr/local/bin"); }, false},
        {"empty AppDir", [&] { record(prefixStore, ""); }, false},
    };
    const std::string dirs = (Environment.Root() / "xdg-a").string() + ":" + listed.string();
    setenv("XDG_CONFIG_DIRS", dirs.c_str(), 1);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        fs::remove_all(Environment.Root() / "xdg-a");
        fs::remove_all(listed);
        fs::remove_all(ProgramFolder.parent_path() / "etc");
        fs::remove_all(Environment.DataHome());
        c.Prepare();
        TAppGlobals globals(programFolder + "/quillo", "");
        EXPECT_EQ(globals.DataDir(), c.Installed ? ApplicationDataFolder() : programFolder + "/Data");
    }
    unsetenv("XDG_CONFIG_DIRS");
}
