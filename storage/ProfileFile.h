#pragma once
// Profile (INI) files: "[section]" lines open sections, "key=value" lines give entries.
// Sections and keys compare without regard to ASCII letter case; values are plain text
// without quoting. A new section goes to the end of the file, a new key to the end of its
// section. Lines are read with LF, CR LF or CR ends and written with CR LF.
//
// A file is code page 932 text, as Windows writes profile files. A line that is not
// changed is written back as the very bytes it was read from. When a changed line holds a
// character that code page 932 cannot hold, the whole file is written as UTF-16 little
// endian after the byte-order mark FF FE (the Unicode profile file that Windows' own
// profile functions read), and stays so. A file that starts with the UTF-8 mark EF BB BF
// (as an installer may write one) is read and written as UTF-8.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The longest value a read returns, in bytes of UTF-8; a longer value is cut, never inside
// a character.
constexpr std::size_t MaxProfileValueBytes = 2047;
// The largest profile file that is read. A larger file reads as empty and refuses writes,
// so that a write can never replace it by a file holding only the new entry.
constexpr std::size_t MaxProfileFileBytes = 16u << 20;

// The parsed lines of one profile text, held in memory. Every line is kept as it was read
// (also lines that are neither section nor entry), so that rewriting the text after a
// change loses nothing but the old line ends.
class TProfileText {
public:
    TProfileText() = default;
    // Splits the file's bytes into lines; never fails, whatever the bytes are.
    explicit TProfileText(std::string_view bytes);

    // The value of the first entry named key in the first section named section, cut to
    // MaxProfileValueBytes and at its first NUL byte; nothing when either is missing.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;
    bool HasSection(std::string_view section) const;
    // The names of every section header, in file order (duplicates included).
    std::vector<std::string> SectionNames() const;

    // Sets the entry: replaces the value of an existing entry, else adds "key=value" after
    // the last entry of the section, else appends "[section]" and the entry to the text.
    // Returns false, changing nothing, when the entry already holds exactly this value.
    bool Set(std::string_view section, std::string_view key, std::string_view value);
    // True when the entry can be written as one line that reads back as this entry: no
    // CR, LF or NUL byte anywhere, a section and a key that are not empty, and a key
    // without "=" that does not open with "[" or ";". Spaces at either end of a section,
    // key or value are not kept (lines are read trimmed, as profile files always were).
    static bool CanStore(std::string_view section, std::string_view key, std::string_view value);

    // The whole file, every line ended by CR LF.
    std::string Bytes() const;
    int LineCount() const { return static_cast<int>(FLines.size()); }

private:
    enum class TEncoding { Cp932, Utf16Le, Utf8 };
    struct TLine {
        std::string Text;  // UTF-8
        std::string Raw;   // the bytes it was read from, when AsRead
        bool AsRead;       // read from a code page 932 file and not changed since
    };

    void SplitLines(std::string_view bytes, bool cp932);
    TEncoding WrittenEncoding() const;
    // Index of the header line of the first section named section; -1 when none.
    int FindSection(std::string_view section) const;
    // Index of the first entry named key below the header at sectionLine; -1 when none.
    int FindKey(int sectionLine, std::string_view key) const;

    std::vector<TLine> FLines;
    TEncoding FEncoding = TEncoding::Cp932;
};

// A profile file on disk. Nothing is cached: every read loads and parses the file, so
// an entry edited by hand is seen by the next read. Every write loads the file, changes
// the entry and replaces the file through WriteFileAtomic before it returns.
class TProfileFile {
public:
    // fileName: the full path.
    explicit TProfileFile(std::string fileName) : FFileName(std::move(fileName)) {}

    const std::string& FileName() const { return FFileName; }

    // The value, or defaultValue when the file (missing, unreadable or larger than
    // MaxProfileFileBytes), the section or the key is missing. Never fails.
    std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const;
    bool SectionExists(std::string_view section) const;
    std::vector<std::string> SectionNames() const;

    // Writes the entry, creating the file, section or key as needed; the file is on disk
    // when the call returns. Throws EFileError "<FileName> に書き込めません: <reason>" when
    // the file cannot be replaced, when it exists but cannot be read in full (unreadable,
    // not a regular file or larger than MaxProfileFileBytes), or when the entry cannot be
    // stored as given (TProfileText::CanStore). Writing the value an entry already holds
    // does not touch the file.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);

    // Gathers the writes of work into one replacement of the file: inside it, WriteString
    // changes a copy in memory (which the reads see), and the file is written once at the
    // end when an entry changed. When work or that write throws, nothing of work's is
    // written and the exception goes on. EFileError before work runs when the file exists
    // but cannot be read in full. Nested calls join the outer one.
    template <typename Work>
    void WriteTogether(Work work) {
        if (FBatch) {
            work();
            return;
        }
        BeginBatch();
        try {
            work();
        } catch (...) {
            FBatch.reset();
            throw;
        }
        EndBatch();
    }

private:
    enum class TLoadResult { Loaded, Missing, Unreadable };
    struct TBatch {
        TProfileText Text;
        bool Changed = false;
    };
    void BeginBatch();
    void EndBatch();
    // The text the reads see: the batch's copy while one is open, else the file's.
    TLoadResult Current(TProfileText& text) const;
    // reason (when given) receives why a file that exists could not be read.
    TLoadResult Load(TProfileText& text, std::string* reason = nullptr) const;
    [[noreturn]] void FailWrite(std::string_view reason) const;

    std::string FFileName;
    std::unique_ptr<TBatch> FBatch;
};
