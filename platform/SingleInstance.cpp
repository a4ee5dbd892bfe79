#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <sys/un.h>
#include <unistd.h>

#include "storage/DataFolderLock.h"

namespace {

// The one request a later start sends, and the running copy's answer once its window came
// forward.
constexpr char ComeForwardRequest[] = "show\n";
constexpr char ComeForwardAnswer[] = "shown\n";
// A peer that sends more than this without a line end, or nothing for this long, is no
// later start of the calendar.
constexpr qint64 MaxRequestBytes = 64;
constexpr int PeerTimeoutMs = 3000;
// How long a connect may take before the running copy counts as not answering.
constexpr int ConnectTimeoutMs = 200;

}  // namespace

namespace {

QString BareSocketName(unsigned user, const QString& dataFolder) {
    const QByteArray hash =
        QCryptographicHash::hash(QFile::encodeName(dataFolder), QCryptographicHash::Sha256).toHex().left(16);
    return QStringLiteral("quillo-%1-%2").arg(user).arg(QString::fromLatin1(hash));
}

}  // namespace

QStringList InstanceSocketNames(unsigned user, const QString& dataFolder, const QString& runtimeDir) {
    QStringList names{InstanceSocketName(user, dataFolder, runtimeDir)};
    const QString bare = BareSocketName(user, dataFolder);
    if (names.front() != bare)
        names.append(bare);
    return names;
}

QString InstanceSocketName(unsigned user, const QString& dataFolder, const QString& runtimeDir) {
    const QString name = BareSocketName(user, dataFolder);
    if (runtimeDir.startsWith(QLatin1Char('/'))) {
        QString path = runtimeDir + QLatin1Char('/') + name;
        // sun_path holds the path and its terminating NUL.
        if (QFile::encodeName(path).size() < static_cast<qsizetype>(sizeof(sockaddr_un::sun_path)))
            return path;
    }
    return name;
}

TSingleInstance::TSingleInstance(const QString& dataFolder) {
    QString canonical = QFileInfo(dataFolder).canonicalFilePath();
    if (canonical.isEmpty())
        canonical = dataFolder;
    FLock = std::make_unique<TDataFolderLock>(QFile::encodeName(canonical).toStdString());
    FSocketNames = InstanceSocketNames(getuid(), canonical, qEnvironmentVariable("XDG_RUNTIME_DIR"));
    FSocketName = FSocketNames.front();
}

TSingleInstance::~TSingleInstance() {
    // The socket goes before the lock, so that a copy that takes the lock next never finds
    // this copy's socket still answering.
    delete FServer;
    FServer = nullptr;
    FLock.reset();
}

bool TSingleInstance::Listening() const { return FServer && FServer->isListening(); }

TSingleInstance::TRole TSingleInstance::Claim() { return FLock->TryTake() ? TRole::Running : TRole::AnotherRuns; }

QString TSingleInstance::LockFileName() const { return QFile::decodeName(FLock->FileName().c_str()); }

void TSingleInstance::Listen() {
    if (FServer || !FLock->Held())
        return;
    FServer = new QLocalServer(this);
    // Outside $XDG_RUNTIME_DIR the socket lies in a shared folder: only this user may use it.
    FServer->setSocketOptions(QLocalServer::UserAccessOption);
    QObject::connect(FServer, &QLocalServer::newConnection, this, [this] { Accept(); });
    for (const QString& name : FSocketNames) {
        // This copy holds the lock, so a socket at the name is a crashed copy's, unless
        // something answers there after all; that one is left alone.
        QLocalSocket probe;
        probe.connectToServer(name);
        if (probe.waitForConnected(ConnectTimeoutMs)) {
            qWarning("%s is in use: a later start cannot find this calendar there", qPrintable(name));
            continue;
        }
        QLocalServer::removeServer(name);
        if (FServer->listen(name)) {
            FSocketName = name;
            return;
        }
        qWarning("cannot listen on %s: %s", qPrintable(name), qPrintable(FServer->errorString()));
    }
}

void TSingleInstance::Accept() {
    while (QLocalSocket* peer = FServer->nextPendingConnection()) {
        QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        QObject::connect(peer, &QLocalSocket::readyRead, this, [this, peer] { Answer(peer); });
        QTimer::singleShot(PeerTimeoutMs, peer, [peer] { peer->abort(); });
        if (peer->bytesAvailable() > 0)
            Answer(peer);
    }
}

void TSingleInstance::Answer(QLocalSocket* peer) {
    if (!peer->canReadLine()) {
        if (peer->bytesAvailable() > MaxRequestBytes)
            peer->abort();
        return;
    }
    const QByteArray request = peer->readLine(MaxRequestBytes);
    if (request == ComeForwardRequest) {
        if (OnComeForward)
            OnComeForward();
        peer->write(ComeForwardAnswer);
        peer->flush();
    }
    peer->disconnectFromServer();
}

bool TSingleInstance::AskRunningCopyToComeForward(int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    do {
        // The running copy listens on the first name it could.
        for (const QString& name : FSocketNames) {
            QLocalSocket socket;
            socket.connectToServer(name);
            if (!socket.waitForConnected(ConnectTimeoutMs))
                continue;
            socket.write(ComeForwardRequest);
            if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
                return false;
            while (!socket.canReadLine() && socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            }
            return socket.canReadLine() && socket.readLine(MaxRequestBytes) == ComeForwardAnswer;
        }
        // The running copy takes its lock a moment before it listens.
        QThread::msleep(50);
    } while (!deadline.hasExpired());
    return false;
}
