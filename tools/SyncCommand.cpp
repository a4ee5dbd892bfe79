// quillo-tool sync: memo sync with the user's CalDAV server from the command line.
//   sync setup URL USER [--collection NAME-or-URL] [--data FOLDER]
//   sync [--data FOLDER] [--delete-local | --upload-again]
//   sync --status [--data FOLDER]
// The password comes from QUILLO_SYNC_PASSWORD, else standard input (setup), else the
// settings' PASSWORDCOMMAND, else the keyring; never from an argument. Exit status: 0 done,
// 1 the server could not be reached or refused (with a message), 2 bad arguments, 3 a day
// needs a look after a merge.

#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QUrl>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "storage/DataFolderLock.h"
#include "storage/DateUtils.h"
#include "storage/Exception.h"
#include "sync/CredentialStore.h"
#include "sync/Discovery.h"
#include "sync/HttpTransport.h"
#include "sync/SyncRunner.h"
#include "sync/SyncState.h"
#include "tools/ToolArguments.h"
#include "tools/ToolCommands.h"

namespace {

constexpr const char* Usage = "usage: sync setup URL USER [--collection NAME-or-URL] [--data FOLDER]\n"
                              "       sync [--data FOLDER] [--delete-local | --upload-again]\n"
                              "       sync --status [--data FOLDER]";
constexpr const char* DefaultCollectionName = "日めくり暦のメモ";

enum class TAction { Pass, Setup, Status };

struct TSyncOptions {
    TAction Action = TAction::Pass;
    std::string Url;
    std::string User;
    std::string Collection;
    std::string DataFolder;
    TMassDeletionChoice Choice = TMassDeletionChoice::Ask;
};

int UsageError(const std::string& message) {
    std::fprintf(stderr, "quillo-tool sync: %s\n%s\n", message.c_str(), Usage);
    return 2;
}

int Failure(const std::string& message) {
    std::fprintf(stderr, "quillo-tool sync: %s\n", message.c_str());
    return 1;
}

bool ParseOptions(int argc, char** argv, TSyncOptions& options, std::string& error) {
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--data" || argument == "--collection") {
            if (i + 1 >= argc) {
                error = argument + " needs a value";
                return false;
            }
            (argument == "--data" ? options.DataFolder : options.Collection) = argv[++i];
        } else if (argument == "--status") {
            options.Action = TAction::Status;
        } else if (argument == "--delete-local") {
            options.Choice = TMassDeletionChoice::DeleteLocally;
        } else if (argument == "--upload-again") {
            options.Choice = TMassDeletionChoice::UploadAgain;
        } else if (!argument.empty() && argument[0] == '-') {
            error = "unknown option " + argument;
            return false;
        } else {
            positional.push_back(argument);
        }
    }
    if (!positional.empty() && positional[0] == "setup") {
        if (positional.size() != 3 || options.Action == TAction::Status) {
            error = "setup needs URL and USER";
            return false;
        }
        options.Action = TAction::Setup;
        options.Url = positional[1];
        options.User = positional[2];
        return true;
    }
    if (!positional.empty()) {
        error = "unexpected argument " + positional[0];
        return false;
    }
    if (!options.Collection.empty()) {
        error = "--collection belongs to setup";
        return false;
    }
    return true;
}

// One line of standard input, without echo when it is a terminal.
std::string ReadPasswordLine() {
    const bool terminal = isatty(STDIN_FILENO);
    termios saved{};
    if (terminal) {
        std::fprintf(stderr, "パスワード: ");
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string line;
    std::getline(std::cin, line);
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::fprintf(stderr, "\n");
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

// Waits for the keyring's answer.
TCredentialResult AwaitKeyring(const std::function<void(TCredentialStore::TDone)>& call) {
    TCredentialResult result;
    bool done = false;
    QEventLoop loop;
    call([&](const TCredentialResult& answer) {
        result = answer;
        done = true;
        loop.quit();
    });
    if (!done)
        loop.exec();
    return result;
}

std::string FormatDays(const std::vector<int32_t>& days) {
    std::string text;
    for (int32_t day : days) {
        const TYmd date = YmdOf(day);
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%s%04d-%02d-%02d", text.empty() ? "" : " ", date.Year, date.Month,
                      date.Day);
        text += buffer;
    }
    return text;
}

int RunSetup(const TSyncOptions& options, const std::string& dataPath) {
    std::string reason;
    if (!IsAllowedServerUrl(options.Url, &reason))
        return Failure(reason);
    bool fromEnvironment = false;
    TSyncSettings settings = LoadSyncSettings(dataPath);
    settings.ServerUrl = options.Url;
    settings.UserName = options.User;
    std::string password;
    if (const char* given = std::getenv("QUILLO_SYNC_PASSWORD")) {
        password = given;
        fromEnvironment = true;
    } else {
        password = ReadPasswordLine();
    }

    THttpTransport transport(settings.UserName, password, settings.PinnedFingerprint, settings.TimeoutSeconds);
    TSyncDiscovery found = DiscoverCollections(transport, options.Url);
    if (!found.Ok) {
        if (!found.UntrustedFingerprint.empty())
            return Failure(found.Error + "\n信頼する場合は設定の [SYNC] に FINGERPRINT=" + found.UntrustedFingerprint +
                           " を書いてください");
        return Failure(found.Error);
    }
    std::string collection;
    const std::string wanted = options.Collection;
    if (wanted.empty() && !found.CollectionUrl.empty()) {
        if (!found.Collections.front().AcceptsJournals)
            return Failure("このコレクションはメモ (VJOURNAL) を受け付けません: " + found.CollectionUrl);
        collection = found.CollectionUrl;
    } else if (wanted.find("://") != std::string::npos || (!wanted.empty() && wanted[0] == '/')) {
        TSyncDiscovery named =
            DiscoverCollections(transport, wanted[0] == '/' ? QUrl(QString::fromStdString(options.Url))
                                                                  .resolved(QUrl(QString::fromStdString(wanted)))
                                                                  .toString()
                                                                  .toStdString()
                                                            : wanted);
        if (!named.Ok || named.CollectionUrl.empty())
            return Failure(named.Ok ? "カレンダーのコレクションではありません: " + wanted : named.Error);
        if (!named.Collections.front().AcceptsJournals)
            return Failure("このコレクションはメモ (VJOURNAL) を受け付けません: " + wanted);
        collection = named.CollectionUrl;
    } else {
        const std::string name = wanted.empty() ? DefaultCollectionName : wanted;
        for (const TSyncCollection& candidate : found.Collections)
            if (candidate.DisplayName == name && candidate.AcceptsJournals)
                collection = candidate.Url;
        if (collection.empty()) {
            if (found.HomeUrl.empty())
                return Failure("コレクションを作る場所がわかりません。コレクションの URL を指定してください");
            const TSyncDiscovery created = CreateJournalCollection(transport, found.HomeUrl, name);
            if (!created.Ok)
                return Failure(created.Error);
            collection = created.CollectionUrl;
            std::printf("コレクション「%s」を作成しました: %s\n", name.c_str(), collection.c_str());
        }
    }
    settings.CollectionUrl = collection;
    settings.Enabled = true;
    SaveSyncSettings(dataPath, settings);
    std::printf("同期の設定を保存しました: %s\n", collection.c_str());

    TKeychainCredentialStore keyring;
    const TCredentialResult stored = AwaitKeyring(
        [&](TCredentialStore::TDone done) { keyring.WritePassword(CredentialAccount(settings), password, done); });
    if (stored.Ok)
        std::printf("パスワードをキーリングに保存しました\n");
    else if (!fromEnvironment || !stored.NoKeyring)
        std::fprintf(stderr,
                     "quillo-tool sync: %s。パスワードは保存していません: QUILLO_SYNC_PASSWORD か設定の "
                     "PASSWORDCOMMAND= を使ってください\n",
                     stored.Error.c_str());
    return 0;
}

int RunStatus(const std::string& dataPath) {
    const TSyncSettings settings = LoadSyncSettings(dataPath);
    if (!settings.Configured()) {
        std::printf("同期の設定がありません\n");
        return 0;
    }
    std::map<int32_t, std::string> memos;
    try {
        memos = MemoFileAccess(dataPath).Read();
    } catch (const Exception& error) {
        return Failure(error.Message());
    }
    TSyncState state;
    try {
        state = LoadSyncState(dataPath);
    } catch (const Exception& error) {
        return Failure(error.Message());
    }
    std::vector<int32_t> needLook;
    for (const auto& [day, dayState] : state.Days)
        if (dayState.NeedsLook)
            needLook.push_back(day);
    std::printf("コレクション: %s\nユーザー: %s\n同期: %s\n最後の同期: %s\n未送信: %d 件\n",
                settings.CollectionUrl.c_str(), settings.UserName.c_str(), settings.Enabled ? "有効" : "無効",
                state.LastSync.empty() ? "まだありません" : state.LastSync.c_str(), PendingCount(state, memos));
    if (!state.LastError.empty())
        std::printf("最後のエラー: %s\n", state.LastError.c_str());
    if (!needLook.empty())
        std::printf("確認が必要な日: %s\n", FormatDays(needLook).c_str());
    return 0;
}

int RunPass(const TSyncOptions& options, const std::string& dataPath) {
    const TSyncSettings settings = LoadSyncSettings(dataPath);
    if (!settings.Configured())
        return Failure("同期の設定がありません (quillo-tool sync setup URL USER)");
    bool found = false;
    std::string password;
    try {
        password = PasswordWithoutKeyring(settings, found);
    } catch (const Exception& error) {
        return Failure(error.Message());
    }
    if (!found) {
        TKeychainCredentialStore keyring;
        const TCredentialResult read = AwaitKeyring(
            [&](TCredentialStore::TDone done) { keyring.ReadPassword(CredentialAccount(settings), done); });
        if (!read.Ok)
            return Failure("パスワードがありません (" + read.Error +
                           "): QUILLO_SYNC_PASSWORD、設定の PASSWORDCOMMAND= か sync setup で渡してください");
        password = read.Password;
    }
    const TSyncReport report = RunPassHere(dataPath, password, MemoFileAccess(dataPath), options.Choice);
    switch (report.Outcome) {
    case TSyncOutcome::Done:
        std::printf("同期しました: %s\n", DescribeReport(report).c_str());
        return report.Merged > 0 ? 3 : 0;
    case TSyncOutcome::SafetyStop:
        return Failure(report.Error +
                       "\nサーバーの削除をこの端末にも反映するなら --delete-local、この端末のメモを送り直すなら "
                       "--upload-again を付けて実行してください");
    case TSyncOutcome::NeedsPassword:
        return Failure(report.Error + "\nパスワードを確かめてください (quillo-tool sync setup)");
    default:
        if (!report.UntrustedFingerprint.empty())
            return Failure(report.Error + "\n信頼する場合は設定の [SYNC] に FINGERPRINT=" +
                           report.UntrustedFingerprint + " を書いてください");
        return Failure(DescribeReport(report));
    }
}

}  // namespace

int RunSyncCommand(int argc, char** argv) {
    TSyncOptions options;
    std::string error;
    if (!ParseOptions(argc, argv, options, error))
        return UsageError(error);
    std::string dataPath;
    try {
        dataPath = ToolDataPath(options.DataFolder);
    } catch (const Exception& failure) {
        return UsageError(failure.Message());
    }
    if (options.Action == TAction::Status)
        return RunStatus(dataPath);

    int applicationArgc = 1;
    char* applicationArgv[] = {argv[0], nullptr};
    QCoreApplication application(applicationArgc, applicationArgv);
    try {
        TDataFolderLock lock(dataPath);
        if (!lock.TryTake())
            return Failure(
                "このデータフォルダの日めくり暦が動いています。暦の「同期…」を使うか、暦を終えてから同期してください");
        return options.Action == TAction::Setup ? RunSetup(options, dataPath) : RunPass(options, dataPath);
    } catch (const Exception& failure) {
        return Failure(failure.Message());
    }
}
