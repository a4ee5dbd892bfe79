#pragma once
// The memos of every date: one list for the whole run, shown on the day pages, written by
// the memo window and kept in "Memos.txt" in the data folder.
//
// "Memos.txt" is code page 932 text, one memo per line, every line ending in CR LF: the date
// as "yyyymmdd", then the memo text escaped with EscapeText so that it holds no line break.
// A character that code page 932 cannot hold (an emoji, é, 𠮷, Korean) is written as
// "\u{1F382}", which UnescapeText reads back (an older reader shows "u{1F382}"). A memo
// that did not change since it was read is written back as the very bytes it was read
// from. A line that does not begin with a date in exactly that form (a damaged or foreign
// line) is not taken as a memo: it is kept as it stands and written back unchanged, in its
// place among the memos, by the next save.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "storage/TaggedStrings.h"

class TMemoStore {
public:
    // "Memos.txt" files larger than this are refused rather than read.
    static constexpr std::size_t MaxFileBytes = 64u << 20;

    // fileName: the memo file, fixed for the object's life.
    explicit TMemoStore(std::string fileName);

    const std::string& FileName() const { return FFileName; }
    // The memos: text exactly as typed (may hold CR LF), tagged with its day number.
    // Entries keep the order of the file; an emptied memo stays as an empty string.
    TTaggedStrings& Items() { return FItems; }
    const TTaggedStrings& Items() const { return FItems; }
    // Lines of the last load that were kept verbatim because they hold no date.
    int KeptLineCount() const { return static_cast<int>(FKeptLines.size()); }

    // Replaces the memos by the content of the file. A missing file changes nothing. A
    // file that exists but cannot be read (or is larger than MaxFileBytes) throws
    // EFileError and leaves the memos as they were; Save then refuses to replace it, so
    // that memos which could not be read are not wiped out by the next edit.
    void Load();
    // Writes every memo (and every kept line) to the file atomically. Throws EFileError
    // when it cannot be written, or when the last Load could not read the file.
    void Save();

    // The file content, without touching the disk.
    void LoadFromBytes(std::string_view bytes);
    std::string SaveToBytes() const;

    // The text of the first memo of the day; empty when it has none.
    std::string MemoOf(int32_t dayNumber) const;
    // Stores a memo the user wrote: replaces the text of the day's first memo, or appends
    // one; announces the change (NotifyMemoChanged), then saves.
    void StoreMemo(int32_t dayNumber, const std::string& text);
    // Stores several memos (from memo sync) as StoreMemo does, with one save for all of
    // them; announces each changed day after the save.
    void StoreMemos(const std::vector<std::pair<int32_t, std::string>>& memos);

private:
    struct TKeptLine {
        int Before;        // index of the memo the line stood before (Count: at the end)
        std::string Line;  // without its line end
    };

    std::string FFileName;
    TTaggedStrings FItems;
    std::vector<TKeptLine> FKeptLines;
    // The bytes each memo line was read from, by its date and text (RawKey).
    std::unordered_map<std::string, std::string> FReadLines;
    bool FUnreadable = false;
};

// The process-wide store, DataPath + "Memos.txt". Created at start-up after AppGlobals.
TMemoStore& MemoStore();
bool HasMemoStore();
// Makes instance the process-wide store (nullptr: none); returns the one it replaces.
std::unique_ptr<TMemoStore> ReplaceMemoStore(std::unique_ptr<TMemoStore> instance);
void CreateMemoStore();
void DestroyMemoStore();

// The memo list of the process-wide store.
TTaggedStrings& Memos();
void LoadMemos();
void SaveMemos();

// Told the day number of every memo the user stored. The windows connect it to their
// broadcast of the memo-changed message; an empty function disconnects it.
void SetMemoChangedHandler(std::function<void(int32_t dayNumber)> handler);
void NotifyMemoChanged(int32_t dayNumber);
