#include "graphics/ArchiveStream.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "storage/Cp932.h"
#include "storage/DateUtils.h"
#include "storage/FileUtils.h"
#include "storage/Text.h"
#include "storage/TextUtils.h"

namespace {

uint64_t GetLittleEndian(const uint8_t* p, int bytes) {
    uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | p[i];
    return value;
}

void SetLittleEndian(uint8_t* p, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<uint8_t>(value >> (8 * i));
}

std::string LittleEndianBytes(uint64_t value, int bytes) {
    std::string out(bytes, '\0');
    SetLittleEndian(reinterpret_cast<uint8_t*>(out.data()), value, bytes);
    return out;
}

// Local time as "YYYYMMDDHHNNSS" followed by the milliseconds twice without leading zeros,
// cut to 16 characters: the creation stamp the archive format has always carried.
std::string CreationStamp() {
    const TLocalMoment now = Now();
    const TYmd date = YmdOf(now.Day);
    const int seconds = now.MillisecondOfDay / 1000;
    const int milliseconds = now.MillisecondOfDay % 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", date.Year, date.Month, date.Day, seconds / 3600,
                  seconds / 60 % 60, seconds % 60);
    std::string stamp = text + std::to_string(milliseconds) + std::to_string(milliseconds);
    return stamp.substr(0, 16);
}

// A name as the archive stores it: code page 932, as the archives' own tool writes them. A
// character that code page 932 lacks cannot be stored and becomes "?".
std::string StoredName(const std::string& name) {
    return EncodeCp932(name, [](char32_t) { return std::string("?"); });
}

}  // namespace

EArchiveError::EArchiveError(const std::string& text) : Exception("TArchiveStream:\r\n" + text) {}

int32_t TArchiveEntry::Number() const { return static_cast<int32_t>(GetLittleEndian(Bytes.data(), 4)); }
uint32_t TArchiveEntry::NameLength() const { return static_cast<uint32_t>(GetLittleEndian(Bytes.data() + 4, 4)); }
int64_t TArchiveEntry::DataOffset() const { return static_cast<int64_t>(GetLittleEndian(Bytes.data() + 8, 8)); }
int64_t TArchiveEntry::DataSize() const { return static_cast<int64_t>(GetLittleEndian(Bytes.data() + 17, 8)); }
void TArchiveEntry::SetNumber(int32_t number) { SetLittleEndian(Bytes.data(), static_cast<uint32_t>(number), 4); }
void TArchiveEntry::SetNameLength(uint32_t length) { SetLittleEndian(Bytes.data() + 4, length, 4); }
void TArchiveEntry::SetDataOffset(int64_t offset) {
    SetLittleEndian(Bytes.data() + 8, static_cast<uint64_t>(offset), 8);
}
void TArchiveEntry::SetFlag(uint8_t flag) { Bytes[16] = flag; }
void TArchiveEntry::SetDataSize(int64_t size) { SetLittleEndian(Bytes.data() + 17, static_cast<uint64_t>(size), 8); }

int TArchiveDirectory::Add(const std::string& name, const TArchiveEntry& entry) {
    Insert(Count(), name, entry);
    return Count() - 1;
}

void TArchiveDirectory::Insert(int index, const std::string& name, const TArchiveEntry& entry) {
    index = std::clamp(index, 0, Count());
    TItem item{name, entry};
    item.Entry.SetNameLength(static_cast<uint32_t>(StoredName(name).size()));
    FItems.insert(FItems.begin() + index, std::move(item));
}

void TArchiveDirectory::Rename(int index, const std::string& name) {
    TItem& item = FItems.at(index);
    item.Name = name;
    item.Entry.SetNameLength(static_cast<uint32_t>(StoredName(name).size()));
}

void TArchiveDirectory::Delete(int index) {
    if (index >= 0 && index < Count())
        FItems.erase(FItems.begin() + index);
}

int TArchiveDirectory::IndexOf(const std::string& name) const {
    for (int i = 0; i < Count(); ++i)
        if (AsciiSameText(FItems[i].Name, name))
            return i;
    return -1;
}

std::string TArchiveDirectory::Text() const {
    std::string text;
    for (const TItem& item : FItems) {
        text.append(reinterpret_cast<const char*>(item.Entry.Bytes.data()), ArchiveEntryBytes);
        text += StoredName(item.Name);
    }
    return text;
}

std::string TArchiveStream::EmptyArchive() {
    return "KARC" + LittleEndianBytes(4, 8) + "AHDR" + LittleEndianBytes(24, 4) + LittleEndianBytes(0, 8) +
           CreationStamp() + "ADAT";
}

TArchiveStream::TArchiveStream(const std::string& fileName) : FFileName(fileName) {
    try {
        FFile = std::make_unique<TFileStream>(fileName, TFileMode::ReadWrite);
    } catch (const EFileError&) {
        // An installed program's folder may not be writable; reading is all this program does.
        FFile = std::make_unique<TFileStream>(fileName, TFileMode::Read);
    }
    Reload();
}

TArchiveStream::TArchiveStream(std::unique_ptr<TStream> file) : FFile(std::move(file)) { Reload(); }

TArchiveStream::~TArchiveStream() = default;

void TArchiveStream::Reload() {
    FSelected = -1;
    if (FFile->Size() == 0) {
        std::string empty = EmptyArchive();
        try {
            if (FFileName.empty())
                throw EFileError("");
            WriteFileAtomic(FFileName, empty);
            FFile = std::make_unique<TFileStream>(FFileName, TFileMode::ReadWrite);
        } catch (const EFileError&) {
            FFile = std::make_unique<TMemoryStream>(empty);  // read-only folder: an empty archive in memory
        }
    }
    TStream& file = *FFile;
    const int64_t fileSize = file.Size();
    auto readExactly = [&file](void* buffer, int64_t count) {
        if (file.Read(buffer, count) != count)
            throw EArchiveError("[Reload]ファイルが途中で切れています");
    };
    auto readTag = [&file](const char* expected, const std::string& message) {
        char tag[4];
        int64_t got = file.Read(tag, 4);
        if (got != 4 || std::memcmp(tag, expected, 4) != 0) {
            const std::string_view read(tag, static_cast<size_t>(std::clamp<int64_t>(got, 0, 4)));
            throw EArchiveError(message + MessageExcerpt(read) + "]です");
        }
    };
    file.SetPosition(0);
    readTag("KARC", "[Reload]ファイルが不正[");
    uint8_t field[16];
    readExactly(field, 8);
    FStoredSize = static_cast<int64_t>(GetLittleEndian(field, 8));
    readTag("AHDR", "[Reload]ファイルヘッダが不正[");
    readExactly(field, 4);
    uint32_t headerLength = static_cast<uint32_t>(GetLittleEndian(field, 4));
    readExactly(field, 8);
    FMemberCount = static_cast<int64_t>(GetLittleEndian(field, 8));
    readExactly(field, 16);
    FCreationText.assign(reinterpret_cast<const char*>(field), 16);
    file.SetPosition(20 + int64_t(headerLength));
    readTag("ADAT", "[Reload]ファイルデータが不正[");

    FFiles.Clear();
    const uint32_t count = static_cast<uint32_t>(FMemberCount);  // the low 32 bits
    for (uint32_t i = 0; i < count; ++i) {
        TArchiveEntry entry;
        readExactly(entry.Bytes.data(), ArchiveEntryBytes);
        const int64_t position = file.Position();
        if (int64_t(entry.NameLength()) > fileSize - position)
            throw EArchiveError("[Reload]ファイルが途中で切れています");
        std::string name(entry.NameLength(), '\0');
        readExactly(name.data(), static_cast<int64_t>(name.size()));
        // The data must lie inside the file, both where the walk finds it and where the entry says.
        if (entry.DataSize() < 0 || entry.DataSize() > fileSize - file.Position() || entry.DataOffset() < 0 ||
            entry.DataOffset() > fileSize - entry.DataSize())
            throw EArchiveError("[Reload]ファイルが途中で切れています");
        FFiles.Add(DecodeCp932(name), entry);
        file.Seek(entry.DataSize(), TSeekOrigin::Current);
    }
}

bool TArchiveStream::SelectFile(const std::string& name) {
    int index = FFiles.IndexOf(name);
    if (index < 0)
        return false;
    FSelected = index;
    FFile->SetPosition(std::max<int64_t>(0, FFiles.DataOffset(index)));
    return true;
}

int64_t TArchiveStream::Read(void* buffer, int64_t count) {
    if (count < 0)
        throw EArchiveError("[Read]Countが負です(" + std::to_string(count) + ")");
    if (FSelected < 0)
        throw EArchiveError("[Read]読み込みINDEXが指定されていません");
    // A member ends where its size says, so a reader never runs into the next member.
    int64_t end = FFiles.DataOffset(FSelected) + FFiles.DataSize(FSelected);
    int64_t available = std::max<int64_t>(0, end - FFile->Position());
    return FFile->Read(buffer, std::min(count, available));
}

int64_t TArchiveStream::Seek(int64_t offset, TSeekOrigin origin) {
    if (FSelected < 0)
        throw EArchiveError("[Seek]読み込みINDEXが指定されていません");
    const int64_t start = FFiles.DataOffset(FSelected), end = start + FFiles.DataSize(FSelected);
    int64_t base = origin == TSeekOrigin::Beginning ? start : origin == TSeekOrigin::Current ? FFile->Position() : end;
    if ((offset > 0 && base > INT64_MAX - offset) || (offset < 0 && base < INT64_MIN - offset))
        throw EArchiveError("[Seek]格納ファイルの範囲外を指定しました");
    int64_t target = base + offset;
    if (target < start || target > end)
        throw EArchiveError("[Seek]格納ファイルの範囲外を指定しました");
    if (target != FFile->Position())
        FFile->SetPosition(target);
    return target - start;
}

int64_t TArchiveStream::Write(const void*, int64_t) { throw EArchiveError("[Write]対応していません"); }
