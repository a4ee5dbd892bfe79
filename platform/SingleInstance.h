#pragma once
// One running calendar per data folder. The running copy holds a lock on the file
// "quillo.lock" in its data folder for its whole run and listens on a local socket named
// from the user and the data folder. A later start on the same data folder finds the lock
// taken, asks the running copy through the socket to come forward, and ends without
// opening a window, so that two copies never overwrite each other's papers and memos.
//
// The lock is the data folder's (storage/DataFolderLock.h), which quillo-tool takes too. A
// crashed copy's socket is left behind; the next running copy finds that nobody answers
// there and replaces it.

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class TDataFolderLock;

class QSocketNotifier;

// The socket's name for a user and a data folder: "<runtimeDir>/quillo-<user>-<hash>"
// when runtimeDir is an absolute path and the whole path fits a socket address, else
// "quillo-<user>-<hash>", which lies in the temporary folder. hash is 16 hexadecimal
// digits of the SHA-256 of the folder's path.
QString InstanceSocketName(unsigned user, const QString& dataFolder, const QString& runtimeDir);
// The names tried in turn, by the running copy to listen and by a later start to ask:
// InstanceSocketName, then the name without folder when that differs. A name without folder
// lies in the temporary folder (InstanceSocketPath), as Qt's local sockets put it, so that
// copies of the calendar built on QLocalServer and this one find each other.
QStringList InstanceSocketNames(unsigned user, const QString& dataFolder, const QString& runtimeDir);
// The file of a socket name: the name itself when it is a path, else the name in
// QDir::tempPath().
QString InstanceSocketPath(const QString& name);

class TSingleInstance : public QObject {
public:
    enum class TRole { Running, AnotherRuns };

    // dataFolder: the data folder as the file system spells it; it must exist. The socket is
    // named from its canonical path (links resolved), the user and $XDG_RUNTIME_DIR.
    explicit TSingleInstance(const QString& dataFolder);
    ~TSingleInstance() override;
    TSingleInstance(const TSingleInstance&) = delete;
    TSingleInstance& operator=(const TSingleInstance&) = delete;

    // Takes the lock without waiting. Running: this copy is the running one from now on;
    // AnotherRuns: a running copy (or quillo-tool) holds the lock. Throws EFileError when the
    // lock file cannot be opened.
    TRole Claim();
    // After Running: listens for later starts. The running copy does it once its window
    // shows; a later start meanwhile keeps asking until it answers.
    void Listen();
    // After AnotherRuns: asks the running copy to come forward and waits for its answer.
    // False when no answer came within timeoutMs (the running copy may still be starting
    // for a moment; it is asked again until then).
    bool AskRunningCopyToComeForward(int timeoutMs);

    // Runs in the running copy when a later start asks it to come forward.
    std::function<void()> OnComeForward;

    QString LockFileName() const;
    // The name listened on; before that (or when no name could be listened on) the first
    // of InstanceSocketNames.
    const QString& SocketName() const { return FSocketName; }
    bool Listening() const;

private:
    class TPeer;
    // Listens on the socket file path; -1 when it cannot (the reason is logged).
    int ListenAt(const QByteArray& path);
    void Accept();

    QString FSocketName;
    QStringList FSocketNames;
    std::unique_ptr<TDataFolderLock> FLock;
    // The listening socket (plain POSIX: the calendar needs no network library for it) and
    // the file it is bound to, removed again when this copy ends.
    int FServer = -1;
    QByteArray FServerFile;
    QSocketNotifier* FServerNotifier = nullptr;
};
