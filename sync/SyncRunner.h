#pragma once
// The steps of a pass around the engine, shared by the window's pass (MemoSync.h) and
// quillo-tool: prepare (settings, state, memos) on the owner's thread, run the network part
// anywhere, apply the result (memos first, then the state with the new token) on the
// owner's thread again.

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "sync/SyncEngine.h"
#include "sync/SyncSettings.h"

// The memos a pass reads and stores, on the thread that owns the pass.
struct TSyncMemoAccess {
    // Every day's memo text (days without a memo left out or empty).
    std::function<std::map<int32_t, std::string>()> Read;
    // Stores texts taken from the server (an empty text empties the day), saved once.
    // Throws EFileError when they cannot be saved.
    std::function<void(const std::vector<std::pair<int32_t, std::string>>& memos)> Store;
};
// The memo file "Memos.txt" of a data folder, read and saved by each call (the tool).
TSyncMemoAccess MemoFileAccess(const std::string& dataPath);

struct TPreparedPass {
    bool Ready = false;
    TSyncReport Refusal;  // why not, when not Ready
    TSyncSettings Settings;
    TPassInput Input;
};
// Reads the settings, the state and the memos; the stamps are taken from the clock now.
TPreparedPass PreparePass(const std::string& dataPath, const TSyncMemoAccess& memos, TMassDeletionChoice choice);

// The engine over HTTP with the settings' server rules. Any thread.
TPassResult RunPassOverHttp(const TSyncSettings& settings, const std::string& password, TPassInput input,
                            std::shared_ptr<std::atomic<bool>> cancel = {});

// Writes the conflict copies, stores the memos and then saves the state. A day the user
// changed while the pass ran keeps the user's text (its state stays as it was and the
// token is not advanced, so the next pass looks at it again). Returns the final report;
// a failure to store turns it into Failed with the reason.
TSyncReport ApplyPassResult(const std::string& dataPath, const TPassInput& input, TPassResult result,
                            const TSyncMemoAccess& memos);

// The whole pass on this thread (the tool): prepare, run, apply.
TSyncReport RunPassHere(const std::string& dataPath, const std::string& password, const TSyncMemoAccess& memos,
                        TMassDeletionChoice choice);

// "conflicts/" in the data folder, where both originals of a merged memo are kept as
// "<yyyymmdd>-<yyyymmddhhmmss>-local.txt" and "...-remote.txt" (UTF-8).
std::string ConflictFolder(const std::string& dataPath);
