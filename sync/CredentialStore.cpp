#include "sync/CredentialStore.h"

#include <qt6keychain/keychain.h>

#include <QProcess>
#include <QUrl>
#include <cstdlib>

#include "storage/Exception.h"

namespace {

const QString KeychainService = QStringLiteral("quillo memo sync");
constexpr int PasswordCommandMilliseconds = 30000;

TCredentialResult ResultOf(QKeychain::Job& job) {
    TCredentialResult result;
    switch (job.error()) {
    case QKeychain::NoError:
        result.Ok = true;
        break;
    case QKeychain::EntryNotFound:
        result.NotFound = true;
        result.Error = "キーリングにパスワードがありません";
        break;
    case QKeychain::NoBackendAvailable:
    case QKeychain::NotImplemented:
        result.NoKeyring = true;
        result.Error = "パスワードを保管するキーリングがありません";
        break;
    default:
        result.Error = "キーリングを使えません: " + job.errorString().toStdString();
        break;
    }
    return result;
}

template <typename Job>
Job* NewJob(const std::string& account) {
    auto* job = new Job(KeychainService);
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    job->setKey(QString::fromStdString(account));
    return job;
}

}  // namespace

void TKeychainCredentialStore::ReadPassword(const std::string& account, TDone done) {
    auto* job = NewJob<QKeychain::ReadPasswordJob>(account);
    QObject::connect(job, &QKeychain::Job::finished, [done](QKeychain::Job* finished) {
        TCredentialResult result = ResultOf(*finished);
        if (result.Ok)
            result.Password = static_cast<QKeychain::ReadPasswordJob*>(finished)->textData().toStdString();
        done(result);
    });
    job->start();
}

void TKeychainCredentialStore::WritePassword(const std::string& account, const std::string& password, TDone done) {
    auto* job = NewJob<QKeychain::WritePasswordJob>(account);
    job->setTextData(QString::fromStdString(password));
    QObject::connect(job, &QKeychain::Job::finished, [done](QKeychain::Job* finished) { done(ResultOf(*finished)); });
    job->start();
}

void TKeychainCredentialStore::DeletePassword(const std::string& account, TDone done) {
    auto* job = NewJob<QKeychain::DeletePasswordJob>(account);
    QObject::connect(job, &QKeychain::Job::finished, [done](QKeychain::Job* finished) { done(ResultOf(*finished)); });
    job->start();
}

void TMemoryCredentialStore::ReadPassword(const std::string& account, TDone done) {
    TCredentialResult result;
    const auto it = FPasswords.find(account);
    if (it == FPasswords.end()) {
        result.NotFound = true;
        result.Error = "キーリングにパスワードがありません";
    } else {
        result.Ok = true;
        result.Password = it->second;
    }
    done(result);
}

void TMemoryCredentialStore::WritePassword(const std::string& account, const std::string& password, TDone done) {
    FPasswords[account] = password;
    done({.Ok = true});
}

void TMemoryCredentialStore::DeletePassword(const std::string& account, TDone done) {
    FPasswords.erase(account);
    done({.Ok = true});
}

std::string CredentialAccount(const TSyncSettings& settings) {
    const std::string& url = settings.CollectionUrl.empty() ? settings.ServerUrl : settings.CollectionUrl;
    const QUrl parsed(QString::fromStdString(url));
    const std::string host = parsed.isValid() && !parsed.host().isEmpty() ? parsed.host().toStdString() : url;
    return settings.UserName + "@" + host;
}

std::string PasswordWithoutKeyring(const TSyncSettings& settings, bool& found) {
    found = true;
    if (const char* password = std::getenv("QUILLO_SYNC_PASSWORD"))
        return password;
    if (settings.PasswordCommand.empty()) {
        found = false;
        return {};
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QString::fromStdString(settings.PasswordCommand)});
    if (!process.waitForStarted() || !process.waitForFinished(PasswordCommandMilliseconds)) {
        process.kill();
        process.waitForFinished(1000);
        throw Exception("パスワードのコマンドが終わりません: " + settings.PasswordCommand);
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        throw Exception("パスワードのコマンドが失敗しました (終了コード " + std::to_string(process.exitCode()) +
                        "): " + settings.PasswordCommand);
    QByteArray output = process.readAllStandardOutput();
    const qsizetype lineEnd = output.indexOf('\n');
    if (lineEnd >= 0)
        output.truncate(lineEnd);
    if (output.endsWith('\r'))
        output.chop(1);
    return output.toStdString();
}
