#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
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
constexpr qsizetype MaxRequestBytes = 64;
constexpr int PeerTimeoutMs = 3000;
// How long a connect may take before the running copy counts as not answering.
constexpr int ConnectTimeoutMs = 200;

// The address of a socket file; false when the path does not fit it.
bool AddressOf(const QByteArray& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    // sun_path holds the path and its terminating NUL.
    if (path.isEmpty() || path.size() >= static_cast<qsizetype>(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    return true;
}

int RemainingMs(const QDeadlineTimer& deadline) {
    return static_cast<int>(std::max<qint64>(0, deadline.remainingTime()));
}

// A socket connected to the socket file path, or -1 when nobody listens there (or its queue
// stays full until the deadline).
int ConnectTo(const QByteArray& path, const QDeadlineTimer& deadline) {
    sockaddr_un address;
    if (!AddressOf(path, address))
        return -1;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    for (;;) {
        if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
            return fd;
        // A local connect either succeeds at once or finds the listener's queue full.
        if ((errno != EAGAIN && errno != EINTR) || deadline.hasExpired())
            break;
        QThread::msleep(5);
    }
    close(fd);
    return -1;
}

// Waits for fd to become ready for events; false at the deadline.
bool WaitFor(int fd, short events, const QDeadlineTimer& deadline) {
    pollfd watched{fd, events, 0};
    for (;;) {
        const int ready = poll(&watched, 1, RemainingMs(deadline));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

bool SendAll(int fd, QByteArrayView data, const QDeadlineTimer& deadline) {
    while (!data.isEmpty()) {
        const ssize_t sent = send(fd, data.data(), static_cast<size_t>(data.size()), MSG_NOSIGNAL);
        if (sent > 0)
            data = data.sliced(sent);
        else if (sent < 0 && errno == EINTR)
            continue;
        else if (sent < 0 && errno == EAGAIN && WaitFor(fd, POLLOUT, deadline))
            continue;
        else
            return false;
    }
    return true;
}

// The first line the peer sends (with its line end), or what came before the deadline, the
// end of the connection or MaxRequestBytes.
QByteArray ReceiveLine(int fd, const QDeadlineTimer& deadline) {
    QByteArray line;
    char chunk[MaxRequestBytes];
    while (!line.contains('\n') && line.size() <= MaxRequestBytes) {
        const ssize_t got = recv(fd, chunk, sizeof chunk, 0);
        if (got > 0)
            line.append(chunk, got);
        else if (got < 0 && errno == EINTR)
            continue;
        else if (got < 0 && errno == EAGAIN && WaitFor(fd, POLLIN, deadline))
            continue;
        else
            break;
    }
    return line;
}

}  // namespace

// A later start that connected to the running copy: its request is read as it arrives,
// answered and the connection closed; a peer that says nothing within PeerTimeoutMs, or too
// much, is closed without effect.
class TSingleInstance::TPeer : public QObject {
public:
    TPeer(int fd, TSingleInstance* owner)
        : QObject(owner), FFd(fd), FOwner(owner), FNotifier(fd, QSocketNotifier::Read) {
        QObject::connect(&FNotifier, &QSocketNotifier::activated, this, [this] { Read(); });
        QTimer::singleShot(PeerTimeoutMs, this, [this] { Close(); });
    }
    ~TPeer() override { close(FFd); }

private:
    void Read() {
        char chunk[MaxRequestBytes];
        const ssize_t got = recv(FFd, chunk, sizeof chunk, 0);
        if (got < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        if (got <= 0)
            return Close();
        FRequest.append(chunk, got);
        const qsizetype end = FRequest.indexOf('\n');
        if (end < 0) {
            if (FRequest.size() > MaxRequestBytes)
                Close();
            return;
        }
        if (FRequest.first(end + 1) == ComeForwardRequest) {
            if (FOwner->OnComeForward)
                FOwner->OnComeForward();
            SendAll(FFd, ComeForwardAnswer, QDeadlineTimer(PeerTimeoutMs));
        }
        Close();
    }
    void Close() {
        FNotifier.setEnabled(false);
        deleteLater();
    }

    int FFd;
    TSingleInstance* FOwner;
    QSocketNotifier FNotifier;
    QByteArray FRequest;
};

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

QString InstanceSocketPath(const QString& name) {
    return name.startsWith(QLatin1Char('/')) ? name : QDir::tempPath() + QLatin1Char('/') + name;
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
    delete FServerNotifier;
    FServerNotifier = nullptr;
    if (FServer >= 0) {
        close(FServer);
        unlink(FServerFile.constData());
    }
    FLock.reset();
}

bool TSingleInstance::Listening() const { return FServer >= 0; }

TSingleInstance::TRole TSingleInstance::Claim() { return FLock->TryTake() ? TRole::Running : TRole::AnotherRuns; }

QString TSingleInstance::LockFileName() const { return QFile::decodeName(FLock->FileName().c_str()); }

void TSingleInstance::Listen() {
    if (FServer >= 0 || !FLock->Held())
        return;
    for (const QString& name : FSocketNames) {
        const QByteArray path = QFile::encodeName(InstanceSocketPath(name));
        // This copy holds the lock, so a socket at the name is a crashed copy's, unless
        // something answers there after all; that one is left alone. Whatever else lies
        // there is no socket of ours and is not removed.
        if (const int other = ConnectTo(path, QDeadlineTimer(ConnectTimeoutMs)); other >= 0) {
            close(other);
            qWarning("%s is in use: a later start cannot find this calendar there", path.constData());
            continue;
        }
        struct stat found;
        if (lstat(path.constData(), &found) == 0 && S_ISSOCK(found.st_mode))
            unlink(path.constData());
        FServer = ListenAt(path);
        if (FServer >= 0) {
            FSocketName = name;
            FServerFile = path;
            FServerNotifier = new QSocketNotifier(FServer, QSocketNotifier::Read, this);
            QObject::connect(FServerNotifier, &QSocketNotifier::activated, this, [this] { Accept(); });
            return;
        }
    }
}

int TSingleInstance::ListenAt(const QByteArray& path) {
    sockaddr_un address;
    if (!AddressOf(path, address)) {
        qWarning("cannot listen on %s: the path is too long for a socket", path.constData());
        return -1;
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        qWarning("cannot listen on %s: %s", path.constData(), std::strerror(errno));
        return -1;
    }
    // Outside $XDG_RUNTIME_DIR the socket lies in a shared folder: it is made this user's
    // alone before it listens, so that nobody else connects even for a moment.
    const bool bound = bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (bound && chmod(path.constData(), S_IRUSR | S_IWUSR) == 0 && listen(fd, SOMAXCONN) == 0)
        return fd;
    qWarning("cannot listen on %s: %s", path.constData(), std::strerror(errno));
    if (bound)
        unlink(path.constData());
    close(fd);
    return -1;
}

void TSingleInstance::Accept() {
    for (;;) {
        const int peer = accept4(FServer, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (peer >= 0)
            new TPeer(peer, this);
        else if (errno != EINTR)
            return;  // EAGAIN: no more waiting; anything else ends this round too
    }
}

bool TSingleInstance::AskRunningCopyToComeForward(int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    do {
        // The running copy listens on the first name it could.
        for (const QString& name : FSocketNames) {
            const int fd = ConnectTo(QFile::encodeName(InstanceSocketPath(name)), QDeadlineTimer(ConnectTimeoutMs));
            if (fd < 0)
                continue;
            const bool answered =
                SendAll(fd, ComeForwardRequest, deadline) && ReceiveLine(fd, deadline) == ComeForwardAnswer;
            close(fd);
            return answered;
        }
        // The running copy takes its lock a moment before it listens.
        QThread::msleep(50);
    } while (!deadline.hasExpired());
    return false;
}
