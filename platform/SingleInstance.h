#pragma once
// One running calendar per data folder. The running copy holds a lock on the file
// "quillo.lock" in its data folder for its whole run and listens on a local socket named
// from the user and the data folder. A later start on the same data folder finds the lock
// taken, asks the running copy through the socket to come forward, and ends without
// opening a window, so that two copies never overwrite each other's papers and memos.
//
// The lock is flock(2) on the file: the system drops it when the process ends in any way,
// so the lock file of a crashed copy is simply taken over. Its socket is left behind too;
// the next running copy finds that nobody answers there and replaces it.

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QLocalServer;
class QLocalSocket;

// The socket's name for a user and a data folder: "<runtimeDir>/quillo-<user>-<hash>"
// when runtimeDir is an absolute path and the whole path fits a socket address, else
// "quillo-<user>-<hash>", which Qt places in the temporary folder. hash is 16 hexadecimal
// digits of the SHA-256 of the folder's path.
QString InstanceSocketName(unsigned user, const QString& dataFolder, const QString& runtimeDir);
// The names tried in turn, by the running copy to listen and by a later start to ask:
// InstanceSocketName, then the name without folder when that differs. A path that fits the
// address may still be refused by Qt (6.4 refuses paths of 107 bytes), and the running
// copy then listens on the next name.
QStringList InstanceSocketNames(unsigned user, const QString& dataFolder, const QString& runtimeDir);

class TSingleInstance : public QObject {
public:
    enum class TRole { Running, AnotherRuns };

    // dataFolder: the data folder as the file system spells it; it must exist. The socket is
    // named from its canonical path (links resolved), the user and $XDG_RUNTIME_DIR.
    explicit TSingleInstance(const QString& dataFolder);
    ~TSingleInstance() override;
    TSingleInstance(const TSingleInstance&) = delete;
    TSingleInstance& operator=(const TSingleInstance&) = delete;

    // Takes the lock without waiting. Running: this copy is the running one from now on and
    // listens for later starts; AnotherRuns: a running copy holds the lock. errorNumber
    // receives the errno value when the lock file cannot be opened (the role is then
    // meaningless), else 0.
    TRole Claim(int& errorNumber);
    // After AnotherRuns: asks the running copy to come forward and waits for its answer.
    // False when no answer came within timeoutMs (the running copy may still be starting
    // for a moment; it is asked again until then).
    bool AskRunningCopyToComeForward(int timeoutMs);

    // Runs in the running copy when a later start asks it to come forward.
    std::function<void()> OnComeForward;

    const QString& LockFileName() const { return FLockFileName; }
    // The name listened on; before that (or when no name could be listened on) the first
    // of InstanceSocketNames.
    const QString& SocketName() const { return FSocketName; }
    bool Listening() const;

private:
    void Listen();
    void Accept();
    void Answer(QLocalSocket* peer);

    QString FLockFileName;
    QString FSocketName;
    QStringList FSocketNames;
    int FLockFile = -1;
    QLocalServer* FServer = nullptr;
};
