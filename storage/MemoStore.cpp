#include "storage/MemoStore.h"
#include "storage/ProcessWide.h"

#include <cstdio>
#include <cstdlib>

#include "storage/AppGlobals.h"
#include "storage/Cp932.h"
#include "storage/DateUtils.h"
#include "storage/Exception.h"
#include "storage/FileUtils.h"
#include "storage/TextUtils.h"

namespace {

constexpr std::size_t DateLength = 8;  // "yyyymmdd"

TProcessWide<TMemoStore> TheMemoStore("MemoStore");
std::function<void(int32_t)> MemoChangedHandler;

// The day number of a line's "yyyymmdd" prefix. Only the form FormatYmd writes counts, so
// a memo's date is written back exactly as it was read.
bool ReadLineDate(std::string_view line, int32_t& dayNumber) {
    if (line.size() < DateLength)
        return false;
    std::string_view prefix = line.substr(0, DateLength);
    dayNumber = static_cast<int32_t>(DateFromYmd(prefix));  // 0 for anything but a date
    return FormatYmd(dayNumber) == prefix;
}

std::string RawKey(int32_t dayNumber, std::string_view text) {
    std::string key = std::to_string(dayNumber);
    key += '\n';
    key += text;
    return key;
}

}  // namespace

TMemoStore::TMemoStore(std::string fileName) : FFileName(std::move(fileName)) {}

void TMemoStore::Load() {
    if (!FileExists(FFileName))
        return;
    std::string bytes;
    try {
        bytes = ReadFileBytes(FFileName, MaxFileBytes);
    } catch (const EFileError&) {
        FUnreadable = true;
        throw;
    }
    LoadFromBytes(bytes);
}

void TMemoStore::LoadFromBytes(std::string_view bytes) {
    FItems.Clear();
    FKeptLines.clear();
    FReadLines.clear();
    FUnreadable = false;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        std::size_t next;
        if (end == std::string_view::npos) {
            end = bytes.size();  // the last line lacks its line end
            next = end;
        } else {
            next = end + (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1);
        }
        std::string_view line = bytes.substr(start, end - start);
        int32_t dayNumber;
        if (ReadLineDate(line, dayNumber)) {
            std::string text = UnescapeText(DecodeCp932(line.substr(DateLength)));
            FReadLines.emplace(RawKey(dayNumber, text), line);
            FItems.AddTagged(std::move(text), dayNumber);
        } else {
            FKeptLines.push_back({FItems.Count(), std::string(line)});
        }
        start = next;
    }
}

std::string TMemoStore::SaveToBytes() const {
    std::string out;
    std::size_t kept = 0;
    for (int i = 0; i <= FItems.Count(); ++i) {
        // Kept lines first, so that a line kept before memo i stays in front of it; the
        // last round writes the lines that followed every memo.
        while (kept < FKeptLines.size() && (FKeptLines[kept].Before <= i || i == FItems.Count())) {
            out += FKeptLines[kept++].Line;
            out += "\r\n";
        }
        if (i == FItems.Count())
            break;
        auto read = FReadLines.find(RawKey(FItems.Tags(i), FItems.Strings(i)));
        if (read != FReadLines.end()) {
            out += read->second;
        } else {
            out += FormatYmd(FItems.Tags(i));
            out += EncodeCp932(EscapeText(FItems.Strings(i)), UnicodeEscape);
        }
        out += "\r\n";
    }
    return out;
}

void TMemoStore::Save() {
    if (FUnreadable)
        throw EFileError(FFileName + " を読み込めなかったため、上書きしません");
    WriteFileAtomic(FFileName, SaveToBytes());
}

std::string TMemoStore::MemoOf(int32_t dayNumber) const {
    int index = FItems.IndexOfTag(dayNumber);
    return index >= 0 ? FItems.Strings(index) : std::string();
}

void TMemoStore::StoreMemo(int32_t dayNumber, const std::string& text) {
    int index = FItems.IndexOfTag(dayNumber);
    if (index >= 0)
        FItems.SetStrings(index, text);
    else
        FItems.AddTagged(text, dayNumber);
    NotifyMemoChanged(dayNumber);
    Save();
}

void TMemoStore::StoreMemos(const std::vector<std::pair<int32_t, std::string>>& memos) {
    std::vector<int32_t> changed;
    for (const auto& [dayNumber, text] : memos) {
        const int index = FItems.IndexOfTag(dayNumber);
        if (index >= 0 ? FItems.Strings(index) == text : text.empty())
            continue;
        if (index >= 0)
            FItems.SetStrings(index, text);
        else
            FItems.AddTagged(text, dayNumber);
        changed.push_back(dayNumber);
    }
    if (changed.empty())
        return;
    Save();
    for (int32_t dayNumber : changed)
        NotifyMemoChanged(dayNumber);
}

TMemoStore& MemoStore() { return TheMemoStore.Get(); }

bool HasMemoStore() { return TheMemoStore.Exists(); }

std::unique_ptr<TMemoStore> ReplaceMemoStore(std::unique_ptr<TMemoStore> instance) {
    return TheMemoStore.Replace(std::move(instance));
}

void CreateMemoStore() { ReplaceMemoStore(std::make_unique<TMemoStore>(AppGlobals().DataPath() + "Memos.txt")); }

void DestroyMemoStore() { ReplaceMemoStore(nullptr); }

TTaggedStrings& Memos() { return MemoStore().Items(); }

void LoadMemos() { MemoStore().Load(); }

void SaveMemos() { MemoStore().Save(); }

void SetMemoChangedHandler(std::function<void(int32_t)> handler) { MemoChangedHandler = std::move(handler); }

void NotifyMemoChanged(int32_t dayNumber) {
    if (MemoChangedHandler)
        MemoChangedHandler(dayNumber);
}
