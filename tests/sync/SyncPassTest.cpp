// The window's pass object: it reports on the owner's thread, never runs twice at once,
// asks for the password instead of retrying, and a pass destroyed while it waits on a
// silent server ends at once.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "sync/MemoSync.h"

namespace {

QCoreApplication& Application() {
    static int argc = 1;
    static char name[] = "quillo_sync_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* application = new QCoreApplication(argc, argv);
    return *application;
}

// A loopback port that accepts connections (the kernel's backlog) and never answers.
class TSilentServer {
public:
    TSilentServer() {
        FSocket = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(FSocket, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(FSocket, 8);
        socklen_t length = sizeof address;
        getsockname(FSocket, reinterpret_cast<sockaddr*>(&address), &length);
        FPort = ntohs(address.sin_port);
    }
    ~TSilentServer() { close(FSocket); }
    int Port() const { return FPort; }

private:
    int FSocket = -1;
    int FPort = 0;
};

std::string DataFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillo-pass-XXXXXX").string();
    return std::string(mkdtemp(pattern.data())) + "/";
}

TEST(SyncPass, ReportsOnTheOwnersThreadOneAtATime) {
    Application();
    unsetenv("QUILLO_SYNC_PASSWORD");
    TSilentServer silent;
    const int closedPort = [] {
        TSilentServer probe;
        return probe.Port();
    }();
    struct TRow {
        const char* Name;
        std::string Collection;      // empty: not set up
        std::string StoredPassword;  // in the credential store; empty: none
        TSyncOutcome Outcome;
    } rows[] = {
        {"not set up", "", "", TSyncOutcome::NotConfigured},
        {"no password anywhere: asks", "http://127.0.0.1:" + std::to_string(closedPort) + "/a/memos/", "",
         TSyncOutcome::NeedsPassword},
        {"server not listening", "http://127.0.0.1:" + std::to_string(closedPort) + "/a/memos/", "pw",
         TSyncOutcome::Failed},
        {"plain HTTP away from this computer", "http://192.0.2.1/a/memos/", "pw", TSyncOutcome::Failed},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        const std::string data = DataFolder();
        TSyncSettings settings;
        settings.UserName = "alice";
        settings.CollectionUrl = row.Collection;
        SaveSyncSettings(data, settings);
        TMemoryCredentialStore credentials;
        if (!row.StoredPassword.empty())
            credentials.WritePassword(CredentialAccount(settings), row.StoredPassword, [](auto&&) {});
        TSyncPass pass(data, MemoFileAccess(data), credentials);
        QEventLoop loop;
        std::unique_ptr<TSyncReport> report;
        QObject::connect(&pass, &TSyncPass::Finished, [&](const TSyncReport& finished) {
            EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
            report = std::make_unique<TSyncReport>(finished);
            loop.quit();
        });
        ASSERT_TRUE(pass.Start());
        EXPECT_FALSE(pass.Start());
        if (!report)
            loop.exec();
        ASSERT_TRUE(report);
        EXPECT_EQ(report->Outcome, row.Outcome);
        EXPECT_FALSE(report->Error.empty());
        EXPECT_FALSE(pass.Running());
        std::filesystem::remove_all(data);
    }

    // A server that never answers, a timeout of an hour: destroying the pass must cancel
    // it rather than wait (a hang here ends in the test's timeout).
    const std::string data = DataFolder();
    TSyncSettings settings;
    settings.UserName = "alice";
    settings.CollectionUrl = "http://127.0.0.1:" + std::to_string(silent.Port()) + "/a/memos/";
    settings.TimeoutSeconds = 3600;
    SaveSyncSettings(data, settings);
    TMemoryCredentialStore credentials;
    auto pass = std::make_unique<TSyncPass>(data, MemoFileAccess(data), credentials);
    pass->SetPassword("pw");
    bool finished = false;
    QObject::connect(pass.get(), &TSyncPass::Finished, [&](const TSyncReport&) { finished = true; });
    ASSERT_TRUE(pass->Start());
    QEventLoop wait;
    QTimer::singleShot(300, &wait, &QEventLoop::quit);
    wait.exec();
    EXPECT_TRUE(pass->Running());
    pass.reset();
    EXPECT_FALSE(finished);
    std::filesystem::remove_all(data);
}

}  // namespace
