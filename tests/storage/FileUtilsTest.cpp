#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "storage/Exception.h"
#include "storage/FileUtils.h"
#include "storage/Resources.h"
#include "storage/Text.h"
#include "support/FileBytes.h"
#include "support/TestEnvironment.h"

namespace fs = std::filesystem;

// The storage tests link with -Wl,--wrap=fsync: every fsync of the storage code comes here,
// and a test can make the n-th call from now on fail with an error number.
namespace {
int FsyncCallsUntilFailure = 0;  // 0: no failure planned
int FsyncFailure = 0;
}  // namespace

extern "C" int __real_fsync(int fd);
extern "C" int __wrap_fsync(int fd) {
    if (FsyncCallsUntilFailure > 0 && --FsyncCallsUntilFailure == 0) {
        errno = FsyncFailure;
        return -1;
    }
    return __real_fsync(fd);
}

TEST(Resources, FoundByLowerCaseNameWithoutExtension) {
    std::string colors = LoadResourceText("colors");
    EXPECT_EQ(LoadResourceText("COLORS.clr"), colors);
    EXPECT_EQ(LoadResourceText("some/folder/Colors.txt"), colors);
    const std::string declaration = "<?xml version=\"\" encoding=\"shift_jis\" ?>\r\n<colors>\r\n";
    EXPECT_EQ(colors.compare(0, declaration.size(), declaration), 0);
    EXPECT_NE(colors.find(Cp932("<日めくり>")), std::string::npos);
    auto stream = OpenResource("Colors");
    ASSERT_TRUE(stream);
    std::string streamed((std::istreambuf_iterator<char>(*stream)), std::istreambuf_iterator<char>());
    EXPECT_EQ(streamed, colors);
    EXPECT_EQ(OpenResource("nothing"), nullptr);
    EXPECT_THROW(LoadResourceText("nothing.txt"), EResourceNotFound);
}

TEST(Folders, ForceFoldersAndFolderOf) {
    TTemporaryFolder folder;
    std::string deep = folder.Slash() + std::string("表/ソ/c");
    CreateFolders(deep);
    EXPECT_TRUE(DirectoryExists(deep));
    EXPECT_EQ(FolderOf(deep), folder.Slash() + std::string("表/ソ/"));
    EXPECT_EQ(FolderOf("noslash"), "");
    EXPECT_EQ(FolderOf(std::string("ソ")), "");  // the trail byte 5C is no separator
    EXPECT_FALSE(FileExists(deep));
}

TEST(AtomicWrite, ReplacesWholeFileAndLeavesNoTemporaryBehind) {
    TTemporaryFolder folder;
    std::string path = folder.Slash() + std::string("メモ.txt");
    WriteFileAtomic(path, "first");
    WriteFileAtomic(path, "second, longer");
    EXPECT_EQ(ReadFileBytes(path), "second, longer");
    int entries = 0;
    for (auto& entry : fs::directory_iterator(folder.Path())) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST(AtomicWrite, FailureKeepsOldFileAndSaysWhere) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    TTemporaryFolder folder;
    std::string path = folder.Slash() + "a.ini";
    WriteFileAtomic(path, "old");
    chmod(folder.Path().c_str(), 0555);
    try {
        WriteFileAtomic(path, "new");
        ADD_FAILURE() << "write into a read-only folder succeeded";
    } catch (const EFileError& error) {
        EXPECT_EQ(error.Message(), path + std::string(" に書き込めません: ") + SystemErrorText(EACCES));
    }
    chmod(folder.Path().c_str(), 0755);
    EXPECT_EQ(ReadFileBytes(path), "old");
}

TEST(AtomicWrite, FailedRenameKeepsWhatStandsThere) {
    // A folder in the file's place makes the final rename fail, also for root.
    TTemporaryFolder folder;
    std::string path = folder.Slash() + "taken";
    fs::create_directories(folder.Path() / "taken" / "inside");
    try {
        WriteFileAtomic(path, "new");
        ADD_FAILURE() << "the rename over a folder succeeded";
    } catch (const EFileError& error) {
        EXPECT_EQ(error.Message(), path + std::string(" に書き込めません: ") + SystemErrorText(EISDIR));
    }
    EXPECT_TRUE(DirectoryExists(path + "/inside"));
    int entries = 0;
    for (auto& entry : fs::directory_iterator(folder.Path())) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 1);  // the temporary file is gone again
}

TEST(AtomicWrite, MissingFolderFailsWithTheMessage) {
    TTemporaryFolder folder;
    std::string path = folder.Slash() + "missing/a.ini";
    try {
        WriteFileAtomic(path, "x");
        ADD_FAILURE();
    } catch (const EFileError& error) {
        EXPECT_EQ(error.Message(), path + std::string(" に書き込めません: ") + SystemErrorText(ENOENT));
        EXPECT_EQ(error.SystemError(), ENOENT);
    }
}

TEST(AtomicWrite, AWriteThatFailsPartWayKeepsTheOldFileByteForByte) {
    // The process's file size limit makes write() stop part-way with EFBIG, as a disk that
    // fills up under the write does; it works for every user, root included.
    TTemporaryFolder folder;
    std::string path = folder.Slash() + std::string("表.ini");
    const std::string old = "[PAPER]\r\nangle=30\r\nleft=100\r\n";
    WriteFileAtomic(path, old);
    struct sigaction ignore = {}, previousAction = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previousAction);
    rlimit saved = {};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limited = saved;
    limited.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &limited);
    std::string message;
    int systemError = 0;
    try {
        WriteFileAtomic(path, std::string(10000, 'x'));
    } catch (const EFileError& error) {
        message = error.Message();
        systemError = error.SystemError();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    sigaction(SIGXFSZ, &previousAction, nullptr);
    EXPECT_EQ(message, path + std::string(" に書き込めません: ") + SystemErrorText(EFBIG));
    EXPECT_EQ(systemError, EFBIG);
    EXPECT_EQ(ReadFileBytes(path), old);
    int entries = 0;
    for ([[maybe_unused]] auto& entry : fs::directory_iterator(folder.Path()))
        ++entries;
    EXPECT_EQ(entries, 1);  // no temporary file left
}

TEST(Folders, CreateFoldersSaysWhyAFolderCannotBeMade) {
    TTemporaryFolder folder;
    std::ofstream(folder.Path() / "plain") << "x";
    fs::create_directories(folder.Path() / "locked");
    chmod((folder.Path() / "locked").c_str(), 0555);
    struct TCase {
        std::string Folder;
        int Expected;
        bool NeedsOrdinaryUser;  // root creates folders in read-only folders
    };
    const TCase cases[] = {
        {folder.Slash() + std::string("新/ソ/表"), 0, false},
        {folder.Slash() + std::string("新/ソ/表"), 0, false},  // already there
        {folder.Slash() + "plain", ENOTDIR, false},
        {folder.Slash() + "plain/Data", ENOTDIR, false},
        {folder.Slash() + "locked/Data", EACCES, true},
        {"", ENOENT, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Folder);
        if (c.NeedsOrdinaryUser && geteuid() == 0)
            continue;
        int error = 0;
        try {
            CreateFolders(c.Folder);
        } catch (const EFileError& failure) {
            error = failure.SystemError();
            EXPECT_EQ(failure.Message(), c.Folder + " を作成できません: " + SystemErrorText(error));
        }
        EXPECT_EQ(error, c.Expected);
        EXPECT_EQ(DirectoryExists(c.Folder), c.Expected == 0);
    }
    chmod((folder.Path() / "locked").c_str(), 0755);
}

TEST(ReadFile, LimitsAndMissingFiles) {
    TTemporaryFolder folder;
    std::string path = folder.Slash() + "big";
    WriteFileAtomic(path, std::string(1000, 'x'));
    EXPECT_EQ(ReadFileBytes(path, 1000).size(), 1000u);
    EXPECT_THROW(ReadFileBytes(path, 999), EFileError);
    EXPECT_THROW(ReadFileBytes(folder.Slash() + "none"), EFileError);
}

TEST(SpecialFolders, FollowXdgAndFallBackToHome) {
    TTestEnvironment environment;
    EXPECT_EQ(SpecialFolder(TSpecialFolder::ApplicationData), environment.DataHome().string());
    EXPECT_EQ(SpecialFolder(TSpecialFolder::Desktop), (environment.Home() / "Desktop").string());
    fs::create_directories(environment.ConfigHome());
    std::ofstream(environment.ConfigHome() / "user-dirs.dirs") << "# comment\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n";
    EXPECT_EQ(SpecialFolder(TSpecialFolder::Desktop), (environment.Home() / "Schreibtisch").string());
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(SpecialFolder(TSpecialFolder::ApplicationData), (environment.Home() / ".local/share").string());
}

TEST(ShellOpen, MailAddressesGetMailtoAndWebAddressesStayAsTheyAre) {
    std::vector<std::string> opened;
    SetShellOpenHandler([&](const std::string& target) { opened.push_back(target); });
    OpenMailOrUrl("http://example.org/");
    OpenMailOrUrl("https://example.org/");
    OpenMailOrUrl("someone@example.org");
    SetShellOpenHandler(nullptr);
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[0], "http://example.org/");
    EXPECT_EQ(opened[1], "https://example.org/");
    EXPECT_EQ(opened[2], "mailto:someone@example.org");
}

TEST(AtomicWrite, AFailingSyncOfTheFileOrTheFolderIsReported) {
    struct TCase {
        const char* Name;
        int FailingCall;  // 1: the file's sync, 2: the folder's after the rename
        int Error;
        bool Reported;
        const char* Left;  // what the file holds afterwards
    };
    const TCase cases[] = {
        {"the disk fails under the file's sync", 1, EIO, true, "old"},
        {"a network file system runs out of space at the sync", 1, ENOSPC, true, "old"},
        {"the disk fails under the folder's sync", 2, EIO, true, "new"},
        {"a file system that cannot sync folders", 2, EINVAL, false, "new"},
    };
    for (const TCase& c : cases) {
        TTemporaryFolder folder;
        const std::string path = folder.Slash() + "application.ini";
        WriteFileAtomic(path, "old");
        FsyncCallsUntilFailure = c.FailingCall;
        FsyncFailure = c.Error;
        std::string message;
        try {
            WriteFileAtomic(path, "new");
        } catch (const EFileError& error) {
            message = error.Message();
            EXPECT_EQ(error.SystemError(), c.Error) << c.Name;
        }
        FsyncCallsUntilFailure = 0;
        EXPECT_EQ(message, c.Reported ? CannotWriteMessage(path, SystemErrorText(c.Error)) : "") << c.Name;
        EXPECT_EQ(ReadFileBytes(path), c.Left) << c.Name;
        int entries = 0;
        for ([[maybe_unused]] auto& entry : fs::directory_iterator(folder.Path()))
            ++entries;
        EXPECT_EQ(entries, 1) << c.Name << ": a temporary file was left";
    }
}

TEST(AtomicWrite, LeftoverTemporaryFilesAreRemovedUnread) {
    struct TCase {
        const char* Name;
        bool Leftover;
    };
    const TCase cases[] = {
        {"application.ini.tmp-a1B2c3", true},
        {"memo.txt.tmp-ZZZZZZ", true},
        {"00.tmp-000000", true},
        {"application.ini", false},
        {"application.ini.tmp-a1B2c", false},    // five letters
        {"application.ini.tmp-a1B2c3d", false},  // seven
        {"application.ini.tmp-a1B2.3", false},
        {"notes.tmp-ab-cde", false},
        {".tmp-abcdef", false},  // no name before the marker
    };
    TTemporaryFolder folder;
    for (const TCase& c : cases) {
        EXPECT_EQ(IsAtomicWriteLeftover(c.Name), c.Leftover) << c.Name;
        std::ofstream(folder.Path() / c.Name) << "half written";
    }
    // A folder of that form is no file of the program's.
    fs::create_directory(folder.Path() / "PAPERS.tmp-abcdef");
    int expected = 0;
    for (const TCase& c : cases)
        expected += c.Leftover;
    EXPECT_EQ(RemoveAtomicWriteLeftovers(folder.Slash()), expected);
    for (const TCase& c : cases)
        EXPECT_EQ(fs::exists(folder.Path() / c.Name), !c.Leftover) << c.Name;
    EXPECT_TRUE(fs::is_directory(folder.Path() / "PAPERS.tmp-abcdef"));
    EXPECT_EQ(RemoveAtomicWriteLeftovers(folder.Slash() + "missing"), 0);
}
