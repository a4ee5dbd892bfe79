#pragma once
// One sync pass as pure logic over a TDavTransport: no files, no clock, no threads. The
// caller gives the memos and the state and stores what comes back (ApplyPassResult in
// SyncStore.h): the memos first, then the state with the new token.
//
// 1. PROPFIND depth 0 of the collection: sync token, ctag, supported reports.
// 2. Push: a day whose memo differs from the last agreed text goes up first: a new memo with
//    PUT If-None-Match: *, an edited one with If-Match: <etag>, an emptied one DELETE with
//    If-Match. 412 brings a fresh copy and the three-way rule (at most MaxWriteAttempts
//    writes a day, then the day stays pending); 404 on an edit re-creates it; 412 on a
//    delete keeps the remote text.
// 3. Pull: sync-collection REPORT with the stored token (a token refused with
//    valid-sync-token means a full listing), else skip on an unchanged ctag, else list the
//    ETags with PROPFIND depth 1; changed items come by calendar-multiget, 100 at a time.
// 4. Three-way rule: remote unchanged → upload; local unchanged → take remote; both the
//    same → done; both different → local text, the line
//    "――― 別の端末での変更 (yyyy-mm-dd hh:mm) ―――", remote text, uploaded with If-Match of
//    the remote ETag; both originals go to conflicts/ and the day needs a look.
// 5. Safety stop: a listing that holds none of MassDeletionMinimum or more synced memos
//    deletes nothing here unless the user chose so.

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "sync/DavTransport.h"
#include "sync/SyncReport.h"
#include "sync/SyncState.h"

constexpr int MaxWriteAttempts = 3;
constexpr int MaxMultigetHrefs = 100;
constexpr int MassDeletionMinimum = 5;

// Both originals of a merged day, for conflicts/.
struct TConflictCopy {
    int32_t Day = 0;
    std::string Local;
    std::string Remote;
};

struct TPassInput {
    std::string CollectionUrl;  // absolute, ending in "/"
    std::map<int32_t, std::string> Memos;
    TSyncState State;
    TMassDeletionChoice Choice = TMassDeletionChoice::Ask;
    std::string StampUtc;   // "yyyymmddThhmmssZ", DTSTAMP and LAST-MODIFIED of writes
    std::string LocalTime;  // "yyyy-mm-dd hh:mm", in the merge line and LastSync
};

struct TPassResult {
    TSyncReport Report;
    TSyncState State;                                           // to be saved after LocalChanges are stored
    std::vector<std::pair<int32_t, std::string>> LocalChanges;  // texts to store here ("" empties)
    std::vector<TConflictCopy> Conflicts;
};

// Runs the pass. Never throws for the server's or the network's failures: they end in the
// report (Failed, NeedsPassword), with the state of what was done up to then.
TPassResult RunSyncPass(TDavTransport& transport, TPassInput input);

// The line that separates the local text from the remote text in a merged memo.
std::string MergeSeparator(const std::string& localTime);
