#pragma once
// What one sync pass did, for the window, the tool and the state file.

#include <cstdint>
#include <string>
#include <vector>

enum class TSyncOutcome {
    Done,           // every change went through
    Failed,         // the server could not be reached or refused; Error says why
    NeedsPassword,  // 401/403: the password must be asked again; no retry until it is
    SafetyStop,     // the server lists none of many synced memos; nothing was deleted
    NotConfigured,  // no server or collection set
    Busy,           // another pass runs on this data folder
};

// What to do when the server lists none of the memos synced before.
enum class TMassDeletionChoice {
    Ask,            // stop and report SafetyStop (the default)
    DeleteLocally,  // the user confirmed: delete the memos here too
    UploadAgain,    // the user chose the local memos: upload them again
};

struct TSyncReport {
    TSyncOutcome Outcome = TSyncOutcome::Done;
    int Uploaded = 0;                      // memos written to the server (new, edited or merged)
    int DeletedRemote = 0;                 // memos deleted on the server
    int Downloaded = 0;                    // memos taken from the server into Memos.txt
    int DeletedLocal = 0;                  // memos emptied here because they were deleted on the server
    int Merged = 0;                        // days where both sides changed differently
    int Pending = 0;                       // local changes not yet on the server after this pass
    std::vector<int32_t> DaysNeedingLook;  // days with a merged memo not looked at yet
    std::string Error;                     // why it failed, in plain Japanese; empty on success
    int RetryAfterSeconds = 0;             // the server asked to wait this long (Retry-After)
    std::string UntrustedFingerprint;      // SHA-256 of a certificate that was refused
    bool Partial = false;                  // some work left for the next pass (412 retries, errors)
};

// One line for people: "送信 2 件, 受信 1 件, ..." or the error.
std::string DescribeReport(const TSyncReport& report);
