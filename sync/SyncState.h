#pragma once
// The sync state of a data folder: "MemoSync.json" beside "Memos.txt". Per collection its
// URL, sync token and ctag; per day the last text both sides agreed on, its ETag and
// whether the day needs a look after a merge; the journals of other programs, read-only.
// Written through WriteFileAtomic like every file of the data folder.

#include <cstdint>
#include <map>
#include <string>

struct TSyncDayState {
    std::string Agreed;  // the text both sides held after the last exchange (memo line ends)
    std::string ETag;    // of the server's object; empty: not on the server
    int Sequence = 0;    // SEQUENCE last written
    bool NeedsLook = false;
};

// A resource of the collection that is not one of the memos (another program's journal,
// or an item of another kind, Day 0), remembered by its ETag so that it is read once.
struct TSyncOtherItem {
    std::string ETag;
    int32_t Day = 0;
    std::string Uid;
    std::string Summary;
    std::string Text;
};

struct TSyncState {
    std::string CollectionUrl;
    std::string SyncToken;
    std::string CTag;
    std::string LastSync;   // "yyyy-mm-dd hh:mm" local time of the last pass that succeeded
    std::string LastError;  // of the last pass; empty after success
    std::map<int32_t, TSyncDayState> Days;
    std::map<std::string, TSyncOtherItem> Others;  // by href

    // Forgets token, ctag, days and others (another collection was chosen).
    void Reset(const std::string& collectionUrl);
};

// "MemoSync.json" in the data folder.
std::string SyncStateFileName(const std::string& dataPath);
// The state; empty when the file is missing. A file that cannot be read or parsed throws
// Exception (a pass must not run on a state it cannot read: it would upload every memo as
// new and turn every remote edit into a merge).
TSyncState LoadSyncState(const std::string& dataPath);
// Throws EFileError.
void SaveSyncState(const std::string& dataPath, const TSyncState& state);

// Whether the memo text differs from the last agreed text, line ends aside.
bool IsDirty(const TSyncState& state, int32_t dayNumber, const std::string& memoText);
// How many days are dirty, over the memos and the days of the state.
int PendingCount(const TSyncState& state, const std::map<int32_t, std::string>& memos);
// Texts equal once both use "\n" line ends.
bool SameMemoText(const std::string& a, const std::string& b);
