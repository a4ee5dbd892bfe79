#include "storage/ProfileFile.h"

#include <cerrno>
#include <sys/stat.h>

#include "storage/Cp932.h"
#include "storage/Exception.h"
#include "storage/FileUtils.h"
#include "storage/Text.h"
#include "storage/TextUtils.h"

namespace {

// What one line of a profile text is. Lines are looked at trimmed of spaces and control
// bytes at both ends.
struct TLineKind {
    enum { Other, Section, Entry } Kind = Other;
    std::string Name;   // the section name or the entry's key
    std::string Value;  // the entry's value, whole
};

// Only lines whose first byte after the trim is "[" can be section headers; this finds
// them without copying the line.
bool OpensWithBracket(std::string_view line) {
    for (char c : line)
        if (static_cast<unsigned char>(c) > 0x20)
            return c == '[';
    return false;
}

TLineKind ClassifyLine(std::string_view line) {
    TLineKind result;
    std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == ';')
        return result;
    if (trimmed[0] == '[') {
        size_t close = trimmed.rfind(']');
        if (close != std::string_view::npos) {
            result.Kind = TLineKind::Section;
            result.Name = Trim(std::string_view(trimmed).substr(1, close - 1));
            return result;
        }
        // '[name' without its bracket: read as an ordinary line below.
    }
    size_t equals = trimmed.find('=');
    if (equals == std::string::npos)
        return result;
    result.Name = Trim(std::string_view(trimmed).substr(0, equals));
    if (result.Name.empty())
        return result;
    result.Kind = TLineKind::Entry;
    result.Value = Trim(std::string_view(trimmed).substr(equals + 1));
    return result;
}

// The value as a read returns it: up to its first NUL byte (the value ends there for
// every reader of C strings), and at most MaxProfileValueBytes without splitting a
// character.
std::string ReadableValue(const std::string& value) {
    size_t end = value.find('\0');
    if (end == std::string::npos)
        end = value.size();
    if (end > MaxProfileValueBytes)
        end = MaxProfileValueBytes;
    size_t cut = 0;
    while (cut < end) {
        size_t step = CharLengthAt(value, cut);
        if (cut + step > end)
            break;
        cut += step;
    }
    // A lead byte that ends the value has lost its second half (DecodeCp932 kept it as a
    // character of three bytes of UTF-8): it goes too.
    if (cut >= 3) {
        const int last = KeptByteOf(CodePointAt(value, cut - 3));
        if (last >= 0 && IsCp932LeadByte(static_cast<unsigned char>(last)))
            cut -= 3;
    }
    return value.substr(0, cut);
}

bool HasLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// Never escaped: a profile line that code page 932 cannot hold makes the whole file
// UTF-16 (Bytes), so this is only called for text that fits.
std::string NoEscape(char32_t) { return "?"; }

const std::string Utf16Mark("\xFF\xFE", 2);
const std::string Utf8Mark("\xEF\xBB\xBF");

}  // namespace

TProfileText::TProfileText(std::string_view bytes) {
    if (bytes.substr(0, 2) == Utf16Mark) {
        FEncoding = TEncoding::Utf16Le;
        SplitLines(DecodeUtf16Le(bytes.substr(2)), false);
    } else if (bytes.substr(0, 3) == Utf8Mark) {
        FEncoding = TEncoding::Utf8;
        SplitLines(ValidUtf8(bytes.substr(3)), false);
    } else {
        SplitLines(bytes, true);
    }
}

void TProfileText::SplitLines(std::string_view bytes, bool cp932) {
    auto add = [this, cp932](std::string_view line) {
        if (cp932)
            FLines.push_back({DecodeCp932(line), std::string(line), true});
        else
            FLines.push_back({std::string(line), std::string(), false});
    };
    size_t start = 0;
    size_t i = 0;
    while (i < bytes.size()) {
        char c = bytes[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        add(bytes.substr(start, i - start));
        ++i;
        if (c == '\r' && i < bytes.size() && bytes[i] == '\n')
            ++i;
        start = i;
    }
    if (start < bytes.size())
        add(bytes.substr(start));
}

int TProfileText::FindSection(std::string_view section) const {
    std::string wanted = Trim(section);
    for (size_t i = 0; i < FLines.size(); ++i) {
        if (!OpensWithBracket(FLines[i].Text))
            continue;
        TLineKind kind = ClassifyLine(FLines[i].Text);
        if (kind.Kind == TLineKind::Section && AsciiSameText(kind.Name, wanted))
            return static_cast<int>(i);
    }
    return -1;
}

int TProfileText::FindKey(int sectionLine, std::string_view key) const {
    std::string wanted = Trim(key);
    for (size_t i = static_cast<size_t>(sectionLine) + 1; i < FLines.size(); ++i) {
        TLineKind kind = ClassifyLine(FLines[i].Text);
        if (kind.Kind == TLineKind::Section)
            break;
        if (kind.Kind == TLineKind::Entry && AsciiSameText(kind.Name, wanted))
            return static_cast<int>(i);
    }
    return -1;
}

std::optional<std::string> TProfileText::Find(std::string_view section, std::string_view key) const {
    int sectionLine = FindSection(section);
    if (sectionLine < 0)
        return std::nullopt;
    int keyLine = FindKey(sectionLine, key);
    if (keyLine < 0)
        return std::nullopt;
    return ReadableValue(ClassifyLine(FLines[keyLine].Text).Value);
}

bool TProfileText::HasSection(std::string_view section) const { return FindSection(section) >= 0; }

std::vector<std::string> TProfileText::SectionNames() const {
    std::vector<std::string> names;
    for (const TLine& line : FLines) {
        TLineKind kind = ClassifyLine(line.Text);
        if (kind.Kind == TLineKind::Section)
            names.push_back(std::move(kind.Name));
    }
    return names;
}

bool TProfileText::CanStore(std::string_view section, std::string_view key, std::string_view value) {
    if (HasLineBreakOrNul(section) || HasLineBreakOrNul(key) || HasLineBreakOrNul(value))
        return false;
    std::string trimmedKey = Trim(key);
    return !Trim(section).empty() && !trimmedKey.empty() && trimmedKey.find('=') == std::string::npos &&
           trimmedKey[0] != '[' && trimmedKey[0] != ';';
}

bool TProfileText::Set(std::string_view section, std::string_view key, std::string_view value) {
    int sectionLine = FindSection(section);
    if (sectionLine < 0) {
        FLines.push_back({"[" + Trim(section) + "]", std::string(), false});
        FLines.push_back({Trim(key) + "=" + std::string(value), std::string(), false});
        return true;
    }
    int keyLine = FindKey(sectionLine, key);
    if (keyLine >= 0) {
        // The entry keeps the spelling of its key as the file has it ("DATE" stays "DATE"
        // when "date" is written).
        std::string line = ClassifyLine(FLines[keyLine].Text).Name + "=" + std::string(value);
        if (FLines[keyLine].Text == line)
            return false;
        FLines[keyLine] = {std::move(line), std::string(), false};
        return true;
    }
    // After the section's last entry, so that blank lines and comments that end the
    // section stay in front of the next header.
    size_t insertAt = static_cast<size_t>(sectionLine) + 1;
    for (size_t i = insertAt; i < FLines.size(); ++i) {
        TLineKind kind = ClassifyLine(FLines[i].Text);
        if (kind.Kind == TLineKind::Section)
            break;
        if (kind.Kind == TLineKind::Entry)
            insertAt = i + 1;
    }
    FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                  TLine{Trim(key) + "=" + std::string(value), std::string(), false});
    return true;
}

TProfileText::TEncoding TProfileText::WrittenEncoding() const {
    if (FEncoding != TEncoding::Cp932)
        return FEncoding;
    for (const TLine& line : FLines)
        if (!line.AsRead && !FitsCp932(line.Text))
            return TEncoding::Utf16Le;
    return TEncoding::Cp932;
}

std::string TProfileText::Bytes() const {
    const TEncoding encoding = WrittenEncoding();
    std::string text;
    for (const TLine& line : FLines) {
        text += line.Text;
        text += "\r\n";
    }
    if (encoding == TEncoding::Utf16Le)
        return Utf16Mark + EncodeUtf16Le(text);
    if (encoding == TEncoding::Utf8)
        return Utf8Mark + text;
    // Lines as read go back as the bytes they were read from, so that an unchanged line
    // never changes (a byte code page 932 does not map, one of its duplicate codes).
    std::string bytes;
    for (const TLine& line : FLines) {
        bytes += line.AsRead ? line.Raw : EncodeCp932(line.Text, NoEscape);
        bytes += "\r\n";
    }
    return bytes;
}

TProfileFile::TLoadResult TProfileFile::Load(TProfileText& text, std::string* reason) const {
    auto unreadable = [reason](std::string why) {
        if (reason)
            *reason = std::move(why);
        return TLoadResult::Unreadable;
    };
    struct stat info;
    if (stat(FFileName.c_str(), &info) != 0) {
        int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return TLoadResult::Missing;
        return unreadable(SystemErrorText(error));
    }
    // Only a regular file is read: a pipe in its place would block the read forever.
    if (S_ISDIR(info.st_mode))
        return unreadable(SystemErrorText(EISDIR));
    if (!S_ISREG(info.st_mode))
        return unreadable("通常のファイルではありません");
    if (static_cast<std::size_t>(info.st_size) > MaxProfileFileBytes)
        return unreadable("ファイルが大きすぎます");
    try {
        text = TProfileText(ReadFileBytes(FFileName, MaxProfileFileBytes));
        return TLoadResult::Loaded;
    } catch (const EFileError& error) {
        // Without a system error the file grew past the limit since the look above.
        return unreadable(error.SystemError() ? SystemErrorText(error.SystemError()) : "ファイルが大きすぎます");
    }
}

void TProfileFile::FailWrite(std::string_view reason) const { throw EFileError(CannotWriteMessage(FFileName, reason)); }

TProfileFile::TLoadResult TProfileFile::Current(TProfileText& text) const {
    if (FBatch) {
        text = FBatch->Text;
        return TLoadResult::Loaded;
    }
    return Load(text);
}

std::string TProfileFile::ReadString(std::string_view section, std::string_view key,
                                     std::string_view defaultValue) const {
    TProfileText text;
    Current(text);
    std::optional<std::string> value = text.Find(section, key);
    return value ? *value : std::string(defaultValue);
}

bool TProfileFile::SectionExists(std::string_view section) const {
    TProfileText text;
    Current(text);
    return text.HasSection(section);
}

std::vector<std::string> TProfileFile::SectionNames() const {
    TProfileText text;
    Current(text);
    return text.SectionNames();
}

void TProfileFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    if (!TProfileText::CanStore(section, key, value))
        FailWrite("一行の項目として書けない名前か値です");
    if (FBatch) {
        FBatch->Changed |= FBatch->Text.Set(section, key, value);
        return;
    }
    TProfileText text;
    std::string reason;
    // A file that exists but could not be read in full is never replaced: the rewrite
    // would hold only the new entry and lose everything else the user had.
    if (Load(text, &reason) == TLoadResult::Unreadable)
        FailWrite(reason);
    if (text.Set(section, key, value))
        WriteFileAtomic(FFileName, text.Bytes());
}

void TProfileFile::BeginBatch() {
    auto batch = std::make_unique<TBatch>();
    std::string reason;
    if (Load(batch->Text, &reason) == TLoadResult::Unreadable)
        FailWrite(reason);
    FBatch = std::move(batch);
}

void TProfileFile::EndBatch() {
    std::unique_ptr<TBatch> batch = std::move(FBatch);
    if (batch->Changed)
        WriteFileAtomic(FFileName, batch->Text.Bytes());
}
