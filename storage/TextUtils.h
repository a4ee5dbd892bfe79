#pragma once
// Text helpers shared by every part of the calendar. Strings are Shift_JIS byte strings,
// positions are 1-based byte positions, and every helper that looks at single characters
// keeps a lead byte together with its trail byte.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// One-line storage of a multi-line text: "\" → "\\", CR LF → "\n", CR → "\d", LF → "\a",
// TAB → "\t", '"' → '\"'; a lead byte without its second half (damaged text) → "\xHH".
// UnescapeText(EscapeText(s)) == s for every s, and the result holds no CR or LF.
std::string EscapeText(std::string_view text);
// Reverses EscapeText and also reads "\r" (CR) and "\xHH" (one byte); any other escaped
// character stands for itself; a lone "\" at the end stays. The character after "\" and
// the two after "\x" are whole characters: "\" + 表 is 表, never 表's lead byte and an
// escape begun by its trail byte 0x5C; "\x" before a double-byte character gives 0.
std::string UnescapeText(std::string_view text);

// "&" "<" ">" '"' "'" to their entity references, and back in one pass each.
std::string XmlEncode(std::string_view text);
std::string XmlDecode(std::string_view text);

// Characters from..to inclusive; from < 1 counts as 1, to beyond the end as the end.
std::string CopyRange(std::string_view text, int from, int to);
// Characters from position from to the end.
std::string CopyFrom(std::string_view text, int from);
// Position of the first occurrence of pattern at or after start (counted from the start
// of text); 0 if none. Occurrences that begin on a trail byte are not matches.
int PositionFrom(std::string_view pattern, std::string_view text, int start = 1);
// Position of the first occurrence of pattern; 0 if none (double-byte aware).
inline int PositionOf(std::string_view pattern, std::string_view text) { return PositionFrom(pattern, text, 1); }
// Position of the last occurrence of the single-byte character c; 0 if none.
int LastPositionOf(char c, std::string_view text);
bool HasDoubleByte(std::string_view text);

// A short piece of outside text (a damaged file's bytes) that a message can show: from
// its first character that is no line break, at most MessageExcerptChars characters, up
// to the line end. A TAB shows as a space; a byte that is no printable character (control
// bytes, a lead byte without its second half, 0x7F, 0x80, 0xA0, 0xFD..0xFF) shows as
// "\xHH"; ".." follows when anything was left off.
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
// double-byte character); the text itself when it fits; ".." when nothing fits.
using TTextWidthFunction = std::function<int(const std::string&)>;
std::string FitText(const std::string& text, const TTextWidthFunction& textWidth, int width);

// n × factor truncated toward zero.
int ScaleInt(int n, double factor);
int Min3(int a, int b, int c);
int Max3(int a, int b, int c);
// Exchanges the lowest and the third byte of a colour; the top byte becomes 0.
uint32_t SwapRB(uint32_t colour);
