#pragma once
// The lock that keeps two programs from changing one data folder at once: the calendar holds
// it for its whole run, quillo-tool for a sync pass. It is flock(2) on the file "quillo.lock"
// in the data folder, so the system drops it when the holder ends in any way and the file
// of a crashed holder is simply taken over. The file stays when the lock is released:
// removing it could let a program that opened it a moment earlier lock a file that no
// longer has a name, beside a third program's new one.

#include <string>

class TDataFolderLock {
public:
    // dataFolder: the folder as the file system spells it, with or without a closing slash.
    explicit TDataFolderLock(const std::string& dataFolder);
    ~TDataFolderLock();
    TDataFolderLock(const TDataFolderLock&) = delete;
    TDataFolderLock& operator=(const TDataFolderLock&) = delete;

    // Takes the lock without waiting: false when another program holds it. Throws
    // EFileError when the lock file cannot be opened. A file system without locks lets
    // the taker go on unguarded (true).
    bool TryTake();
    bool Held() const { return FFile >= 0; }
    const std::string& FileName() const { return FFileName; }

private:
    std::string FFileName;
    int FFile = -1;
};
