#pragma once
// A CalDAV server of a benchmark's own: Debian's python3-radicale on a free loopback port,
// with a fresh storage folder and one account; stopped and removed with the object.

#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "storage/FileUtils.h"
#include "sync/Discovery.h"
#include "sync/HttpTransport.h"

class TLocalRadicale {
public:
    static constexpr char User[] = "alice";
    static constexpr char Password[] = "secret";

    // Starts the server and waits until it listens (at most 10 s; Running tells).
    TLocalRadicale() {
        std::string pattern = "/tmp/quillo-bench-radicale-XXXXXX";
        FFolder = std::string(mkdtemp(pattern.data())) + "/";
        FPort = FreePort();
        WriteFileAtomic(FFolder + "users", std::string(User) + ":" + Password + "\n");
        WriteFileAtomic(FFolder + "config", "[server]\nhosts = 127.0.0.1:" + std::to_string(FPort) +
                                                "\n[auth]\ntype = htpasswd\nhtpasswd_filename = " + FFolder +
                                                "users\nhtpasswd_encryption = plain\n[storage]\nfilesystem_folder = " +
                                                FFolder + "collections\n[logging]\nlevel = warning\n");
        const std::string config = FFolder + "config";
        const char* arguments[] = {"/usr/bin/python3", "-m", "radicale", "--config", config.c_str(), nullptr};
        if (posix_spawn(&FPid, arguments[0], nullptr, nullptr, const_cast<char**>(arguments), environ) != 0)
            FPid = 0;
        for (int i = 0; i < 200 && FPid && !Listening(FPort); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ~TLocalRadicale() {
        if (FPid) {
            kill(FPid, SIGTERM);
            waitpid(FPid, nullptr, 0);
        }
        std::error_code ignored;
        std::filesystem::remove_all(FFolder, ignored);
    }
    TLocalRadicale(const TLocalRadicale&) = delete;
    TLocalRadicale& operator=(const TLocalRadicale&) = delete;

    bool Running() const { return FPid && Listening(FPort); }
    std::string Root() const { return "http://127.0.0.1:" + std::to_string(FPort) + "/"; }
    // A new memo collection named name; empty when the server cannot make one.
    std::string NewCollection(const std::string& name) const {
        THttpTransport transport(User, Password, {}, 60);
        const TSyncDiscovery found = DiscoverCollections(transport, Root());
        return found.Ok ? CreateJournalCollection(transport, found.HomeUrl, name).CollectionUrl : std::string();
    }

private:
    static int FreePort() {
        const int probe = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
        close(probe);
        return ntohs(address.sin_port);
    }
    static bool Listening(int port) {
        const int probe = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(port));
        const bool connected = connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        close(probe);
        return connected;
    }

    std::string FFolder;
    int FPort = 0;
    pid_t FPid = 0;
};
