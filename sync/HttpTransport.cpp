#include "sync/HttpTransport.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QEventLoop>
#include <QHostAddress>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslError>
#include <QTimeZone>
#include <QTimer>
#include <QUrl>
#include <algorithm>

namespace {

constexpr int MaxRedirects = 5;
constexpr int CancelCheckMilliseconds = 100;

std::string Fingerprint(const QSslCertificate& certificate) {
    return certificate.digest(QCryptographicHash::Sha256).toHex(':').toUpper().toStdString();
}

std::string FingerprintKey(const std::string& fingerprint) {
    std::string key;
    for (char c : fingerprint)
        if (c != ':' && c != ' ')
            key += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return key;
}

// Retry-After: seconds, or an HTTP date; -1 when absent or unreadable.
int RetryAfterOf(const QByteArray& value) {
    if (value.isEmpty())
        return -1;
    bool number = false;
    const int seconds = value.trimmed().toInt(&number);
    if (number)
        return seconds < 0 ? -1 : seconds;
    QDateTime when = QLocale::c().toDateTime(QString::fromLatin1(value.trimmed()),
                                             QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"));
    if (!when.isValid())
        return -1;
    when.setTimeZone(QTimeZone::utc());
    const qint64 wait = QDateTime::currentDateTimeUtc().secsTo(when);
    return wait < 0 ? 0 : static_cast<int>(std::min<qint64>(wait, 24 * 3600));
}

}  // namespace

bool IsAllowedServerUrl(const std::string& url, std::string* reason) {
    const QUrl parsed(QString::fromStdString(url), QUrl::StrictMode);
    auto refuse = [&](const std::string& why) {
        if (reason)
            *reason = why;
        return false;
    };
    if (!parsed.isValid() || parsed.host().isEmpty())
        return refuse("サーバーのアドレスが正しくありません: " + url);
    if (parsed.scheme() == QLatin1String("https"))
        return true;
    if (parsed.scheme() != QLatin1String("http"))
        return refuse("サーバーのアドレスは https: で始めてください: " + url);
    const QString host = parsed.host();
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 || QHostAddress(host).isLoopback())
        return true;
    return refuse("暗号化されない http: はこのコンピューターの中のサーバーにだけ使えます: " + url);
}

THttpTransport::THttpTransport(std::string userName, std::string password, std::string pinnedFingerprint,
                               int timeoutSeconds, std::shared_ptr<std::atomic<bool>> cancel)
    : FPinnedFingerprint(FingerprintKey(pinnedFingerprint)), FTimeoutSeconds(timeoutSeconds),
      FCancel(std::move(cancel)), FManager(std::make_unique<QNetworkAccessManager>()) {
    const QByteArray credentials = QByteArray::fromStdString(userName + ":" + password);
    FAuthorization = "Basic " + credentials.toBase64().toStdString();
    FManager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

THttpTransport::~THttpTransport() = default;

TDavReply THttpTransport::Send(const TDavRequest& request) {
    TDavRequest current = request;
    for (int redirects = 0;; ++redirects) {
        std::string reason;
        if (!IsAllowedServerUrl(current.Url, &reason))
            throw ESyncNetworkError(reason);
        std::string redirect;
        TDavReply reply = SendOnce(current, redirect);
        if (redirect.empty())
            return reply;
        if (redirects == MaxRedirects)
            throw ESyncNetworkError("サーバーの転送が多すぎます: " + request.Url);
        if (QUrl(QString::fromStdString(current.Url)).scheme() == QLatin1String("https") &&
            QUrl(QString::fromStdString(redirect)).scheme() != QLatin1String("https"))
            throw ESyncNetworkError("サーバーが暗号化されない接続に転送しようとしました: " + redirect);
        current.Url = redirect;
    }
}

TDavReply THttpTransport::SendOnce(const TDavRequest& request, std::string& redirect) {
    const QUrl url(QString::fromStdString(request.Url));
    QNetworkRequest networkRequest(url);
    networkRequest.setRawHeader("Authorization", QByteArray::fromStdString(FAuthorization));
    networkRequest.setRawHeader("User-Agent", "quillo memo sync");
    for (const auto& [name, value] : request.Headers)
        networkRequest.setRawHeader(QByteArray::fromStdString(name), QByteArray::fromStdString(value));
    networkRequest.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);

    QNetworkReply* reply = FManager->sendCustomRequest(networkRequest, QByteArray::fromStdString(request.Method),
                                                       QByteArray::fromStdString(request.Body));
    QByteArray body;
    bool tooLarge = false;
    bool timedOut = false;
    bool cancelled = false;
    std::string refusedFingerprint;
    QEventLoop loop;

    QObject::connect(reply, &QNetworkReply::metaDataChanged, [&] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toULongLong() > MaxDavReplyBytes) {
            tooLarge = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::readyRead, [&] {
        body += reply->readAll();
        if (static_cast<std::size_t>(body.size()) > MaxDavReplyBytes) {
            tooLarge = true;
            body.clear();
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::sslErrors, [&](const QList<QSslError>& errors) {
        const QList<QSslCertificate> chain = reply->sslConfiguration().peerCertificateChain();
        const QSslCertificate certificate = chain.isEmpty() ? QSslCertificate() : chain.first();
        const std::string fingerprint = Fingerprint(certificate);
        if (!FPinnedFingerprint.empty() && FingerprintKey(fingerprint) == FPinnedFingerprint)
            reply->ignoreSslErrors(errors);
        else
            refusedFingerprint = fingerprint;
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);

    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, [&] {
        timedOut = true;
        reply->abort();
    });
    deadline.start(FTimeoutSeconds * 1000);
    QTimer cancelCheck;
    QObject::connect(&cancelCheck, &QTimer::timeout, [&] {
        if (FCancel && FCancel->load()) {
            cancelled = true;
            reply->abort();
        }
    });
    cancelCheck.start(CancelCheckMilliseconds);
    if (!reply->isFinished())
        loop.exec();
    deadline.stop();
    cancelCheck.stop();
    if (!tooLarge && reply->isOpen())
        body += reply->readAll();

    TDavReply result;
    result.Status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString errorText = reply->errorString();
    result.ETag = reply->rawHeader("ETag").toStdString();
    result.RetryAfterSeconds = RetryAfterOf(reply->rawHeader("Retry-After"));
    const QByteArray location = reply->rawHeader("Location");
    reply->deleteLater();

    if (cancelled)
        throw ESyncNetworkError("同期を中止しました");
    if (tooLarge)
        throw ESyncNetworkError("サーバーの応答が大きすぎます (" + std::to_string(MaxDavReplyBytes >> 20) +
                                " MB を超えます): " + request.Url);
    if (timedOut)
        throw ESyncNetworkError("サーバーが " + std::to_string(FTimeoutSeconds) +
                                " 秒以内に応答を終えません: " + request.Url);
    if (!refusedFingerprint.empty())
        throw ESyncNetworkError("サーバーの証明書を確認できません (SHA-256 " + refusedFingerprint + ")",
                                refusedFingerprint);
    if (result.Status == 0)
        throw ESyncNetworkError("サーバーに接続できません: " + errorText.toStdString());
    const bool redirected = result.Status == 301 || result.Status == 302 || result.Status == 303 ||
                            result.Status == 307 || result.Status == 308;
    if (redirected && !location.isEmpty())
        redirect = url.resolved(QUrl(QString::fromLatin1(location))).toString().toStdString();
    result.Body = body.toStdString();
    return result;
}
