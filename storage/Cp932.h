#pragma once
// Code page 932, the Shift_JIS of every stored file, to and from the program's UTF-8 text.
// Only the readers and writers of stored files call these (storage/Text.h gives the rule).
//
// The table is glibc's "CP932" (the one Windows writes: NEC and IBM extensions, 0x5C a
// backslash), read with six characters in the forms a Linux input method types: Mozc and
// Anthy type 〜 U+301C, − U+2212, ‖ U+2016, ¢ U+00A2, £ U+00A3 and ¬ U+00AC, where code page
// 932 reads the same bytes (81 60, 81 7C, 81 61, 81 91, 81 92, 81 CA) as the full-width
// forms ～ U+FF5E, － U+FF0D, ∥ U+2225, ￠ U+FFE0, ￡ U+FFE1 and ￢ U+FFE2. Both forms are
// written as those bytes; the full-width forms therefore do not read back as themselves
// and go through the format's escape where it has one.

#include <string>
#include <string_view>

// bytes as UTF-8; never fails. A byte that code page 932 does not map (a lead byte
// without its trail byte, or each byte of an unmapped pair) reads as the private-use
// character U+F700 + byte, which EncodeCp932 writes back as that byte: a damaged file
// keeps every byte through a load and a save.
std::string DecodeCp932(std::string_view bytes);

// The byte that a character DecodeCp932 made of a byte code page 932 does not map stands
// for (U+F700 + byte, byte 0x80..0xFF); -1 for any other character.
int KeptByteOf(char32_t character);
// True for a byte that opens a double-byte character of code page 932.
bool IsCp932LeadByte(unsigned char byte);

// How a writer spells a character that code page 932 cannot hold so that it reads back
// as itself ("\u{1F382}" in memos, "&#x1F382;" in the XML dialect).
using TCp932Escape = std::string (*)(char32_t codePoint);

// utf8 as code page 932 bytes. Every character whose bytes read back as the character
// itself is written as those bytes, exactly as Windows writes it, and a kept byte
// (U+F780..U+F7FF) as its byte where the next byte cannot pair with it into another
// character; any other character is written as escape(code point), escape(U+FFFD) for a
// byte of utf8 that is no UTF-8.
std::string EncodeCp932(std::string_view utf8, TCp932Escape escape);
// True when EncodeCp932 would need no escape: every character reads back as itself.
bool FitsCp932(std::string_view utf8);

// UTF-16 little endian (no byte-order mark) to and from UTF-8; unpaired surrogates and an
// odd last byte read as U+FFFD.
std::string DecodeUtf16Le(std::string_view bytes);
std::string EncodeUtf16Le(std::string_view utf8);
