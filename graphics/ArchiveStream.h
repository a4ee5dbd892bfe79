#pragma once
// The archive of named images: a chunked container ("KARC", "AHDR", "ADAT") whose members
// each carry a 37-byte entry, a name and their data. TArchiveStream reads one member at a
// time as a stream; TArchiveDirectory is its directory. Archives come from outside: every
// length is checked against the file before it is used. Names are stored in code page 932
// and held as UTF-8.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/Stream.h"
#include "storage/Exception.h"

// Every message reads "TArchiveStream:" + CR LF + the specific text.
class EArchiveError : public Exception {
public:
    explicit EArchiveError(const std::string& text);
};

constexpr int ArchiveEntryBytes = 37;
constexpr int ArchiveHeaderBytes = 48;  // an empty archive: tags, header body of 24, "ADAT"

// One member's entry, little-endian: number (0, 4 bytes), name length (4, 4), data offset
// (8, 8), flag (16, 1), data size (17, 8), 12 bytes this program does not read.
struct TArchiveEntry {
    std::array<uint8_t, ArchiveEntryBytes> Bytes{};
    int32_t Number() const;
    uint32_t NameLength() const;
    int64_t DataOffset() const;
    int64_t DataSize() const;
    void SetNumber(int32_t number);
    void SetNameLength(uint32_t length);
    void SetDataOffset(int64_t offset);
    void SetFlag(uint8_t flag);
    void SetDataSize(int64_t size);
};

// The directory: member names (compared without letter case), each with its entry.
class TArchiveDirectory {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    const std::string& Names(int index) const { return FItems.at(index).Name; }
    const TArchiveEntry& Entries(int index) const { return FItems.at(index).Entry; }
    int32_t Number(int index) const { return Entries(index).Number(); }
    int64_t DataOffset(int index) const { return Entries(index).DataOffset(); }
    int64_t DataSize(int index) const { return Entries(index).DataSize(); }
    // Adds or inserts a member; the entry's name length is set from the name.
    int Add(const std::string& name, const TArchiveEntry& entry);
    void Insert(int index, const std::string& name, const TArchiveEntry& entry);
    void Rename(int index, const std::string& name);
    void Delete(int index);
    void Clear() { FItems.clear(); }
    int IndexOf(const std::string& name) const;
    // The entries and names concatenated, entry first, member by member.
    std::string Text() const;

private:
    struct TItem {
        std::string Name;
        TArchiveEntry Entry;
    };
    std::vector<TItem> FItems;
};

class TArchiveStream : public TStream {
public:
    // Opens the file (read-write, or read-only where it may not be written) and reads its
    // directory. An empty file first becomes an empty archive.
    explicit TArchiveStream(const std::string& fileName);
    // An archive held by another stream (an empty one reads as an empty archive).
    explicit TArchiveStream(std::unique_ptr<TStream> file);
    ~TArchiveStream() override;

    // Reads the header and the directory again; Selected becomes -1. Raises on a damaged
    // file: "[Reload]ファイルが不正[..]です", "[Reload]ファイルヘッダが不正[..]です",
    // "[Reload]ファイルデータが不正[..]です", "[Reload]ファイルが途中で切れています".
    void Reload();
    // Selects the member by name and moves to the start of its data; false if absent.
    bool SelectFile(const std::string& name);
    int Selected() const { return FSelected; }
    const TArchiveDirectory& Files() const { return FFiles; }
    int64_t StoredSize() const { return FStoredSize; }
    int64_t MemberCount() const { return FMemberCount; }
    const std::string& CreationText() const { return FCreationText; }

    // Reads from the selected member, never past its end.
    int64_t Read(void* buffer, int64_t count) override;
    // Position within the selected member, which must stay between its start and its end.
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Write(const void* buffer, int64_t count) override;

    // The 48 bytes of an empty archive created now.
    static std::string EmptyArchive();

private:
    std::string FFileName;
    std::unique_ptr<TStream> FFile;
    TArchiveDirectory FFiles;
    int64_t FStoredSize = 0;
    int64_t FMemberCount = 0;
    std::string FCreationText;
    int FSelected = -1;
};
