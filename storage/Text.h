#pragma once
// The program's text. One rule for every string the calendar holds:
//
// - Text is UTF-8 in std::string: almanac names, captions, messages, memo text, settings
//   values, exception messages. Source literals are written as they are.
// - Positions count bytes from 0, as in the standard library. Delimiters and escapes are
//   ASCII, and no byte of a multi-byte UTF-8 character is ever ASCII, so a search for one
//   never lands inside a character; a walker that looks at single characters steps with
//   NextCharAt.
// - Qt meets the text at one crossing, QtText / ProgramText in graphics/QtText.h.
// - Code page 932 (the files' Shift_JIS) lives only inside the readers and writers of
//   stored files, through storage/Cp932.h: bytes are decoded once on reading and encoded
//   once on writing.
// - Paths are not text: they stay the bytes the system gave (getenv, argv, /proc/self/exe,
//   a dialog) on their way to open(), and are never converted.

#include <cstddef>
#include <string>
#include <string_view>

// Length of the UTF-8 character that starts at index i (i < text.size()): 2 to 4 for a
// well-formed multi-byte sequence, else 1, so a damaged byte is stepped over alone.
size_t CharLengthAt(std::string_view text, size_t i);
// Index of the character after the one that starts at index i (i < text.size()).
inline size_t NextCharAt(std::string_view text, size_t i) { return i + CharLengthAt(text, i); }
// The code point of the character at index i; U+FFFD for a byte that starts no well-formed
// sequence.
char32_t CodePointAt(std::string_view text, size_t i);
// Appends code point c as UTF-8 (U+FFFD for a surrogate or a value beyond U+10FFFF).
void AppendUtf8(std::string& text, char32_t c);
// text with every byte that starts no well-formed UTF-8 sequence replaced by U+FFFD.
std::string ValidUtf8(std::string_view text);

// Columns the character at index i takes in a fixed-width Japanese font: 1 for ASCII and
// half-width katakana, 2 for any other (the bytes of its code page 932 form, where it
// has one). TextColumns adds them up over text.
int ColumnsAt(std::string_view text, size_t i);
int TextColumns(std::string_view text);

// True when text holds nothing but ASCII.
bool IsAsciiText(std::string_view text);

// ASCII letters to lower / upper case; every other byte is kept, so UTF-8 stays intact.
std::string AsciiLowerCase(std::string_view text);
std::string AsciiUpperCase(std::string_view text);
// Case-insensitive comparison in the same sense (ASCII letters only).
bool AsciiSameText(std::string_view a, std::string_view b);
