#pragma once
// Shift_JIS (code page 932) byte strings: the program's text inside. UTF-8 is used only at
// the edges: source literals, Qt, and file names on the Linux file system.

#include <string>
#include <string_view>

// True for a byte that opens a double-byte character in code page 932.
constexpr bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
constexpr bool IsLeadByte(char c) { return IsLeadByte(static_cast<unsigned char>(c)); }

// True for a byte that may stand second in a double-byte character.
constexpr bool IsTrailByte(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }
constexpr bool IsTrailByte(char c) { return IsTrailByte(static_cast<unsigned char>(c)); }
// The one character step over Shift_JIS text; every walker over program text takes it.
// Length of the character that starts at index i (i < text.size()): 2 for a lead byte
// followed by a trail byte, else 1. A lead byte before a CR, LF, "<" or the end of the
// text stands alone, so damaged text never swallows the byte after it.
constexpr size_t CharLengthAt(std::string_view text, size_t i) {
    return IsLeadByte(text[i]) && i + 1 < text.size() && IsTrailByte(text[i + 1]) ? 2 : 1;
}
// Index of the character after the one that starts at index i (i < text.size()).
constexpr size_t NextCharAt(std::string_view text, size_t i) { return i + CharLengthAt(text, i); }
// Whether index pos starts a character, given that index from (from <= pos <= size)
// does, in the sense of CharLengthAt. Only the run of lead-range bytes right before pos
// matters: every byte in it is a trail byte too, so the run pairs up from its start, and
// an odd last lead byte takes the byte at pos only when that is a trail byte. Costs the
// length of that run, so a scan that moves from on stays linear.
constexpr bool IsCharStart(std::string_view text, size_t from, size_t pos) {
    size_t runStart = pos;
    while (runStart > from && IsLeadByte(text[runStart - 1]))
        --runStart;
    return (pos - runStart) % 2 == 0 || pos >= text.size() || !IsTrailByte(text[pos]);
}

// Conversions through glibc's iconv "CP932". Bytes that cannot be converted become "?"
// (Shift_JIS) or U+FFFD (UTF-8); neither function fails.
std::string Utf8ToSjis(std::string_view utf8);
std::string SjisToUtf8(std::string_view sjis);
// UTF-16 little endian (no byte-order mark) to and from Shift_JIS.
std::string Utf16LeToSjis(std::string_view utf16le);
std::string SjisToUtf16Le(std::string_view sjis);

// A UTF-8 literal of the source as Shift_JIS, converted once per place of use.
#define SJIS(utf8Literal)                                                                                              \
    ([]() -> const std::string& {                                                                                      \
        static const std::string converted = Utf8ToSjis(utf8Literal);                                                  \
        return converted;                                                                                              \
    }())

// ASCII letters to lower / upper case; the two bytes of a double-byte character are kept
// as they are, so a trail byte in the range of "A".."Z" is never changed.
std::string AsciiLowerCase(std::string_view text);
std::string AsciiUpperCase(std::string_view text);
// Case-insensitive comparison in the same sense (ASCII letters only).
bool AsciiSameText(std::string_view a, std::string_view b);

// File names: Shift_JIS inside the program, UTF-8 for the operating system.
inline std::string NativePath(std::string_view sjisPath) { return SjisToUtf8(sjisPath); }
inline std::string ProgramPath(std::string_view nativePath) { return Utf8ToSjis(nativePath); }
