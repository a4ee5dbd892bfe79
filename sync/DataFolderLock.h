#pragma once
// The lock the running calendar holds on "quillo.lock" in its data folder (flock(2),
// exclusive), taken by quillo-tool for a sync so that the two never sync one folder at once.

#include <string>

class TDataFolderLock {
public:
    // Tries once, without waiting. dataPath ends in "/".
    explicit TDataFolderLock(const std::string& dataPath);
    ~TDataFolderLock();
    TDataFolderLock(const TDataFolderLock&) = delete;
    TDataFolderLock& operator=(const TDataFolderLock&) = delete;

    // True when this object holds the lock (or the file system has no locks).
    bool Held() const { return FHeld; }
    // Why it is not held, in the user's words.
    const std::string& Reason() const { return FReason; }

private:
    int FFile = -1;
    bool FHeld = false;
    std::string FReason;
};
