#pragma once
// Text helpers shared by every part of the calendar. Strings are UTF-8 (storage/Text.h);
// a helper that looks at single characters keeps each character whole.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// One-line storage of a multi-line text: "\" → "\\", CR LF → "\n", CR → "\d", LF → "\a",
// TAB → "\t", '"' → '\"'. UnescapeText(EscapeText(s)) == s for every s, and the result
// holds no CR or LF.
std::string EscapeText(std::string_view text);
// Reverses EscapeText and also reads "\r" (CR), "\xHH" (one code page 932 byte: ASCII, a
// half-width katakana, or U+F700 + HH, the form in which DecodeCp932 keeps a damaged byte) and "\u{H…}" (the character U+H…, which a
// memo file holds for a character that code page 932 lacks); any other escaped character,
// also a "\u" without a well-formed "{H…}", stands for itself; a lone "\" at the end
// stays. The character after "\" and the two after "\x" are whole characters.
std::string UnescapeText(std::string_view text);
// "\u{1F382}" for U+1F382: how a memo file spells a character that code page 932 lacks
// ("\xHH" for a byte kept from a damaged file, U+F780..U+F7FF).
std::string UnicodeEscape(char32_t codePoint);

// "&" "<" ">" '"' "'" to their entity references, and back in one pass each. XmlDecode
// also reads character references ("&#x1F382;", "&#127874;"); one that names no
// character (zero, a surrogate, beyond U+10FFFF) stays as it stands.
std::string XmlEncode(std::string_view text);
std::string XmlDecode(std::string_view text);
// Only the character references of text decoded, in the same sense.
std::string DecodeCharacterReferences(std::string_view text);
// "&#x1F382;" for U+1F382: how an XML document in code page 932 spells a character that
// code page 932 lacks.
std::string XmlCharacterReference(char32_t codePoint);

// A short piece of outside text (a damaged file's text) that a message can show: from
// its first character that is no line break, at most MessageExcerptChars characters, up
// to the line end. A TAB shows as a space; a control byte, 0x7F, a byte that starts no
// UTF-8 character and a byte kept from a damaged file (U+F780..U+F7FF) show as "\xHH";
// ".." follows when anything was left off.
constexpr int MessageExcerptChars = 40;
std::string MessageExcerpt(std::string_view text);

// Leading and trailing spaces and control characters (bytes up to 0x20) removed.
std::string Trim(std::string_view text);

// Integer from decimal text, or hexadecimal text after "$" (with an optional sign in
// front). Hexadecimal values up to FFFFFFFF wrap into the 32-bit range. Returns false for
// anything else, including empty text and values out of range.
bool TryParseInt(std::string_view text, int32_t& value);
int32_t ParseIntOr(std::string_view text, int32_t defaultValue);
// Upper-case hexadecimal digits of value, at least `digits` of them.
std::string FormatHex(uint32_t value, int digits);

// The longest start of text that fits width when ".." is put after it (never splitting a
// character); the text itself when it fits; ".." when nothing fits.
using TTextWidthFunction = std::function<int(const std::string&)>;
std::string FitText(const std::string& text, const TTextWidthFunction& textWidth, int width);

// n × factor truncated toward zero.
int ScaleInt(int n, double factor);
int Min3(int a, int b, int c);
int Max3(int a, int b, int c);
// Exchanges the lowest and the third byte of a colour; the top byte becomes 0.
uint32_t SwapRB(uint32_t color);

// The value of a hexadecimal digit (either case); -1 for any other character.
int HexDigit(char c);
