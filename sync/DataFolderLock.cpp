#include "sync/DataFolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "storage/FileUtils.h"

TDataFolderLock::TDataFolderLock(const std::string& dataPath) {
    const std::string fileName = dataPath + "quillo.lock";
    FFile = open(fileName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (FFile < 0) {
        FReason = fileName + " を開けません: " + SystemErrorText(errno);
        return;
    }
    for (;;) {
        if (flock(FFile, LOCK_EX | LOCK_NB) == 0) {
            FHeld = true;
            return;
        }
        if (errno == EINTR)
            continue;
        if (errno == EWOULDBLOCK) {
            FReason =
                "このデータフォルダの日めくり暦が動いています。暦の「同期…」を使うか、暦を終えてから同期してください";
        } else {
            // A file system without locks: the calendar runs unguarded there too.
            FHeld = true;
        }
        return;
    }
}

TDataFolderLock::~TDataFolderLock() {
    if (FFile >= 0)
        close(FFile);
}
