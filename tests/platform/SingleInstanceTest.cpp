#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include "platform/SingleInstance.h"
#include "storage/Exception.h"
#include "support/TestEnvironment.h"

namespace fs = std::filesystem;

namespace {

QString Name(const fs::path& path) { return QFile::decodeName(path.c_str()); }

// Runs ask on a thread of its own while this thread's event loop lets the running
// copy answer; returns what ask returned.
bool AskFromAnotherThread(TSingleInstance& later, int timeoutMs) {
    std::atomic<bool> done = false;
    bool answered = false;
    std::thread asker([&] {
        answered = later.AskRunningCopyToComeForward(timeoutMs);
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    asker.join();
    return answered;
}

// A socket file that nobody listens on, as a copy killed with SIGKILL leaves it.
void LeaveStaleSocket(const QString& path) {
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    QByteArray native = QFile::encodeName(path);
    std::memcpy(address.sun_path, native.constData(), static_cast<size_t>(native.size()));
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(fd);
}

}  // namespace

TEST(InstanceSocketName, NamedFromTheUserAndTheFolderInsideTheRuntimeFolder) {
    const QString runtime = QStringLiteral("/run/user/1000");
    const QString name = InstanceSocketName(1000, QStringLiteral("/home/a/data"), runtime);
    EXPECT_TRUE(name.startsWith(runtime + QStringLiteral("/quillo-1000-"))) << name.toStdString();
    EXPECT_EQ(name.size(), runtime.size() + 1 + QStringLiteral("quillo-1000-").size() + 16);
    struct TCase {
        const char* Name;
        unsigned User;
        QString Folder;
        QString Runtime;
        bool Same;  // the same name as above
    };
    const TCase cases[] = {
        {"the same user and folder", 1000, QStringLiteral("/home/a/data"), runtime, true},
        {"another folder", 1000, QStringLiteral("/home/a/data2"), runtime, false},
        {"a folder that differs in letter case only", 1000, QStringLiteral("/home/a/Data"), runtime, false},
        {"another user", 1001, QStringLiteral("/home/a/data"), runtime, false},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(InstanceSocketName(c.User, c.Folder, c.Runtime) == name, c.Same) << c.Name;
    // Without a usable runtime folder the name has no folder, and Qt puts it in the
    // temporary folder; the user in the name keeps users apart there.
    const QString longRuntime = QStringLiteral("/") + QString(120, QLatin1Char('r'));
    for (const QString& elsewhere : {QString(), QStringLiteral("relative/run"), longRuntime}) {
        QString bare = InstanceSocketName(1000, QStringLiteral("/home/a/data"), elsewhere);
        EXPECT_TRUE(bare.startsWith(QStringLiteral("quillo-1000-"))) << bare.toStdString();
        EXPECT_FALSE(bare.contains(QLatin1Char('/'))) << bare.toStdString();
    }
}

// A second start, a killed copy and two data folders side by side are checked end to end
// (tests/e2e/test_single_copy.py); here, what needs a closer look.
TEST(SingleInstance, AKilledCopysSocketIsTakenOverAndALinkNamesTheSameFolder) {
    TTestEnvironment environment;
    const fs::path data = environment.Root() / "data";
    fs::create_directories(data);
    QString socketName;
    {
        TSingleInstance first(Name(data));
        ASSERT_EQ(first.Claim(), TSingleInstance::TRole::Running);
        first.Listen();
        socketName = first.SocketName();
    }
    EXPECT_TRUE(fs::exists(data / "quillo.lock"));
    QFile::remove(socketName);
    LeaveStaleSocket(socketName);
    TSingleInstance next(Name(data));
    ASSERT_EQ(next.Claim(), TSingleInstance::TRole::Running);
    next.Listen();
    EXPECT_TRUE(next.Listening());
    int comeForward = 0;
    next.OnComeForward = [&] { ++comeForward; };
    fs::create_directory_symlink(data, environment.Root() / "link");
    TSingleInstance later(Name(environment.Root() / "link"));
    ASSERT_EQ(later.Claim(), TSingleInstance::TRole::AnotherRuns);
    EXPECT_EQ(later.SocketName(), socketName);
    EXPECT_TRUE(AskFromAnotherThread(later, 2000));
    EXPECT_EQ(comeForward, 1);
}

TEST(SingleInstance, ARunningCopyThatDoesNotAnswerIsReportedAndAStrangerGetsNoAnswer) {
    TTestEnvironment environment;
    const fs::path data = environment.Root() / "data";
    fs::create_directories(data);
    TSingleInstance running(Name(data));
    int comeForward = 0;
    running.OnComeForward = [&] { ++comeForward; };
    ASSERT_EQ(running.Claim(), TSingleInstance::TRole::Running);
    running.Listen();
    // Without its event loop the running copy cannot answer: the later start gives up.
    TSingleInstance later(Name(data));
    ASSERT_EQ(later.Claim(), TSingleInstance::TRole::AnotherRuns);
    EXPECT_FALSE(later.AskRunningCopyToComeForward(300));
    // The request still reaches the running copy once its loop runs again.
    QDeadlineTimer settle(300);
    while (!settle.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(comeForward, 1);
    // Anything but the request is closed without effect.
    for (const QByteArray& request : {QByteArray("raise\n"), QByteArray(200, 'x')}) {
        std::atomic<bool> done = false;
        QByteArray reply;
        std::thread stranger([&] {
            QLocalSocket socket;
            socket.connectToServer(running.SocketName());
            if (socket.waitForConnected(1000)) {
                socket.write(request);
                socket.waitForBytesWritten(1000);
                socket.waitForDisconnected(2000);
                reply = socket.readAll();
            }
            done = true;
        });
        while (!done)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        stranger.join();
        EXPECT_EQ(reply, QByteArray()) << request.left(10).toStdString();
    }
    EXPECT_EQ(comeForward, 1);
}

TEST(SingleInstance, ALockFileThatCannotBeMadeGivesTheReason) {
    TTestEnvironment environment;
    TSingleInstance nowhere(Name(environment.Root() / "missing"));
    try {
        nowhere.Claim();
        FAIL() << "claimed a lock in a missing folder";
    } catch (const EFileError& error) {
        EXPECT_EQ(error.SystemError(), ENOENT);
        EXPECT_NE(error.Message().find("quillo.lock"), std::string::npos) << error.Message();
    }
}

// With a long runtime folder the socket's path may fit the address and still be refused
// by Qt; the running copy then listens on the name without folder, and a later start
// finds it there.
TEST(SingleInstance, ALaterStartFindsTheRunningCopyWhateverTheLengthOfTheSocketPath) {
    for (int pathBytes : {100, 106, 107, 108, 109}) {
        TTestEnvironment environment;
        const fs::path data = environment.Root() / "data";
        fs::create_directories(data);
        const QString canonical = QFileInfo(Name(data)).canonicalFilePath();
        const qsizetype nameBytes = QFileInfo(InstanceSocketName(getuid(), canonical, QString())).fileName().size();
        // <root>/r<padding>/<name>, pathBytes long.
        const qsizetype padding =
            pathBytes - nameBytes - 1 - static_cast<qsizetype>(environment.Root().native().size()) - 2;
        ASSERT_GT(padding, 0) << pathBytes;
        const fs::path runtime = environment.Root() / ("r" + std::string(static_cast<size_t>(padding), 'x'));
        fs::create_directory(runtime);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        const QStringList names = InstanceSocketNames(getuid(), canonical, Name(runtime));
        ASSERT_EQ(QFile::encodeName(names.front()).size(), pathBytes < 108 ? pathBytes : nameBytes) << pathBytes;
        TSingleInstance running(Name(data));
        ASSERT_EQ(running.Claim(), TSingleInstance::TRole::Running);
        running.Listen();
        EXPECT_TRUE(running.Listening()) << pathBytes;
        EXPECT_TRUE(names.contains(running.SocketName())) << pathBytes;
        int comeForward = 0;
        running.OnComeForward = [&] { ++comeForward; };
        TSingleInstance later(Name(data));
        ASSERT_EQ(later.Claim(), TSingleInstance::TRole::AnotherRuns);
        EXPECT_TRUE(AskFromAnotherThread(later, 2000)) << pathBytes;
        EXPECT_EQ(comeForward, 1) << pathBytes;
    }
}

// Without a runtime folder the socket lies in the shared temporary folder: whatever the
// umask, it is the user's alone, and a later start finds it; a file there that is not a
// socket is someone else's and stays.
TEST(SingleInstance, InTheTemporaryFolderTheSocketIsTheUsersAloneAndOtherFilesStay) {
    TTestEnvironment environment;
    const fs::path temporary = environment.Root() / "tmp";
    fs::create_directories(temporary);
    const char* savedTmp = std::getenv("TMPDIR");
    const std::string restoreTmp = savedTmp ? savedTmp : "";
    setenv("TMPDIR", temporary.c_str(), 1);
    unsetenv("XDG_RUNTIME_DIR");
    const mode_t savedMask = umask(0);
    for (const char* folder : {"data", "occupied"}) {
        const fs::path data = environment.Root() / folder;
        fs::create_directories(data);
        TSingleInstance running(Name(data));
        ASSERT_EQ(running.Claim(), TSingleInstance::TRole::Running);
        const fs::path file = temporary / running.SocketName().toStdString();
        const bool occupied = std::string(folder) == "occupied";
        if (occupied)
            QFile(Name(file)).open(QIODevice::WriteOnly);
        running.Listen();
        EXPECT_EQ(running.Listening(), !occupied) << folder;
        struct stat made {};
        ASSERT_EQ(lstat(file.c_str(), &made), 0) << folder;
        EXPECT_EQ(made.st_mode, occupied ? S_IFREG | 0666 : S_IFSOCK | 0600) << folder;
        if (!occupied) {
            TSingleInstance later(Name(data));
            ASSERT_EQ(later.Claim(), TSingleInstance::TRole::AnotherRuns);
            EXPECT_TRUE(AskFromAnotherThread(later, 2000));
        }
    }
    umask(savedMask);
    if (savedTmp)
        setenv("TMPDIR", restoreTmp.c_str(), 1);
    else
        unsetenv("TMPDIR");
}
