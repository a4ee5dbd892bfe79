#include "storage/DataFolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "storage/Exception.h"
#include "storage/FileUtils.h"

TDataFolderLock::TDataFolderLock(const std::string& dataFolder)
    : FFileName(dataFolder.empty() || dataFolder.back() == '/' ? dataFolder + "quillo.lock"
                                                               : dataFolder + "/quillo.lock") {}

TDataFolderLock::~TDataFolderLock() {
    if (FFile >= 0)
        close(FFile);
}

bool TDataFolderLock::TryTake() {
    if (FFile >= 0)
        return true;
    int file = open(FFileName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (file < 0) {
        int error = errno;
        throw EFileError(CannotWriteMessage(FFileName, SystemErrorText(error)), error);
    }
    for (;;) {
        if (flock(file, LOCK_EX | LOCK_NB) == 0)
            break;
        if (errno == EINTR)
            continue;
        if (errno == EWOULDBLOCK) {
            close(file);
            return false;
        }
        // A file system without locks (ENOLCK): the holder still runs, unguarded.
        std::fprintf(stderr, "cannot lock %s: %s\n", FFileName.c_str(), SystemErrorText(errno).c_str());
        break;
    }
    FFile = file;
    return true;
}
