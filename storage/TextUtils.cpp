#include "storage/TextUtils.h"

#include <algorithm>
#include <cmath>

#include "storage/ShiftJis.h"

namespace {

// Replaces every occurrence of from by to, scanning left to right over whole characters.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string result;
    result.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (text.compare(i, from.size(), from) == 0) {
            result.append(to);
            i += from.size();
        } else {
            size_t length = CharLengthAt(text, i);
            result.append(text.substr(i, length));
            i += length;
        }
    }
    return result;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string EscapeText(std::string_view text) {
    // One pass that gives what the replacements "\" → "\\", CR LF → "\n", CR → "\d",
    // LF → "\a", TAB → "\t" and '"' → '\"' give one after the other.
    std::string result;
    result.reserve(text.size() + text.size() / 8);
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (IsLeadByte(c)) {
            if (CharLengthAt(text, i) == 2) {
                result.append(text.substr(i, 2));
                i += 2;
            } else {
                // A lead byte without its second half: as "\xHH", so that a CR, LF or
                // escape after it, or the line end, never pairs up with it on reading.
                result.append("\\x" + FormatHex(static_cast<unsigned char>(c), 2));
                ++i;
            }
            continue;
        }
        switch (c) {
        case '\\':
            result.append("\\\\");
            break;
        case '\r':
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                result.append("\\n");
                ++i;
            } else {
                result.append("\\d");
            }
            break;
        case '\n':
            result.append("\\a");
            break;
        case '\t':
            result.append("\\t");
            break;
        case '"':
            result.append("\\\"");
            break;
        default:
            result.push_back(c);
            break;
        }
        ++i;
    }
    return result;
}

std::string UnescapeText(std::string_view text) {
    if (text.find('\\') == std::string_view::npos)
        return std::string(text);
    std::string result;
    result.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (CharLengthAt(text, i) == 2) {
            result.append(text.substr(i, 2));
            i += 2;
            continue;
        }
        if (c != '\\') {
            result.push_back(c);
            ++i;
            continue;
        }
        if (i + 1 >= text.size()) {
            result.push_back('\\');
            ++i;
            continue;
        }
        // The character after "\" is a whole character: a double-byte one stands for itself,
        // and its trail byte (which may be 0x5C) never starts an escape of its own.
        if (CharLengthAt(text, i + 1) == 2) {
            result.append(text.substr(i + 1, 2));
            i += 3;
            continue;
        }
        char escaped = text[i + 1];
        i += 2;
        switch (escaped) {
        case 'a':
            result.push_back('\n');
            break;
        case 'n':
            result.append("\r\n");
            break;
        case 'r':
        case 'd':
            result.push_back('\r');
            break;
        case 't':
            result.push_back('\t');
            break;
        case 'x': {
            // "\x" and the next two characters, read as "$" + those two. A double-byte
            // character among them is no digit (the value is 0) and is consumed whole.
            size_t end = i;
            for (int n = 0; n < 2 && end < text.size(); ++n)
                end = NextCharAt(text, end);
            std::string_view digits = text.substr(i, end - i);
            i = end;
            int32_t value = ParseIntOr(std::string("$") + std::string(digits), 0);
            result.push_back(static_cast<char>(value & 0xFF));
            break;
        }
        default:
            result.push_back(escaped);
            break;  // '"', '\' and any other
        }
    }
    return result;
}

std::string XmlEncode(std::string_view text) {
    std::string s = ReplaceAll(text, "&", "&amp;");
    s = ReplaceAll(s, "<", "&lt;");
    s = ReplaceAll(s, ">", "&gt;");
    s = ReplaceAll(s, "\"", "&quot;");
    return ReplaceAll(s, "'", "&apos;");
}

std::string XmlDecode(std::string_view text) {
    if (text.find('&') == std::string_view::npos)
        return std::string(text);
    std::string s = ReplaceAll(text, "&lt;", "<");
    s = ReplaceAll(s, "&gt;", ">");
    s = ReplaceAll(s, "&quot;", "\"");
    s = ReplaceAll(s, "&apos;", "'");
    return ReplaceAll(s, "&amp;", "&");
}

std::string CopyRange(std::string_view text, int from, int to) {
    if (from < 1)
        from = 1;
    if (to > static_cast<int>(text.size()))
        to = static_cast<int>(text.size());
    if (to < from)
        return {};
    return std::string(text.substr(from - 1, to - from + 1));
}

std::string CopyFrom(std::string_view text, int from) { return CopyRange(text, from, static_cast<int>(text.size())); }

int PositionFrom(std::string_view pattern, std::string_view text, int start) {
    if (pattern.empty())
        return 0;
    // Walk whole characters from the front so that a trail byte is never a match start.
    size_t i = 0;
    while (i < text.size()) {
        if (static_cast<int>(i) + 1 >= start && text.compare(i, pattern.size(), pattern) == 0)
            return static_cast<int>(i) + 1;
        i += CharLengthAt(text, i);
    }
    return 0;
}

int LastPositionOf(char c, std::string_view text) {
    int last = 0;
    size_t i = 0;
    for (; i < text.size(); i += CharLengthAt(text, i))
        if (text[i] == c)
            last = static_cast<int>(i) + 1;
    return last;
}

bool HasDoubleByte(std::string_view text) {
    for (size_t i = 0; i < text.size(); i = NextCharAt(text, i))
        if (CharLengthAt(text, i) == 2)
            return true;
    return false;
}

std::string MessageExcerpt(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == '\r' || text[i] == '\n'))
        ++i;
    std::string result;
    int shown = 0;
    for (; i < text.size() && shown < MessageExcerptChars; i = NextCharAt(text, i), ++shown) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\r' || c == '\n')
            break;
        if (CharLengthAt(text, i) == 2)
            result.append(text.substr(i, 2));
        else if (c == '\t')
            result.push_back(' ');
        else if ((c >= 0x20 && c < 0x7F) || (c >= 0xA1 && c <= 0xDF))  // ASCII, half-width katakana
            result.push_back(static_cast<char>(c));
        else
            result.append("\\x" + FormatHex(c, 2));
    }
    if (text.find_first_not_of("\r\n", i) != std::string_view::npos)
        result.append("..");
    return result;
}

std::string Trim(std::string_view text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= 0x20)
        ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= 0x20)
        --last;
    return std::string(text.substr(first, last - first));
}

bool TryParseInt(std::string_view text, int32_t& value) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size())
        return false;
    uint64_t magnitude = 0;
    if (text[i] == '$') {
        ++i;
        if (i >= text.size())
            return false;
        for (; i < text.size(); ++i) {
            int digit = HexDigit(text[i]);
            if (digit < 0)
                return false;
            magnitude = magnitude * 16 + digit;
            if (magnitude > 0xFFFFFFFFull)
                return false;
        }
        uint32_t bits = static_cast<uint32_t>(magnitude);
        if (negative)
            bits = 0u - bits;
        value = static_cast<int32_t>(bits);
        return true;
    }
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > 0x80000000ull)
            return false;
    }
    if (!negative && magnitude > 0x7FFFFFFFull)
        return false;
    value = negative ? static_cast<int32_t>(-static_cast<int64_t>(magnitude)) : static_cast<int32_t>(magnitude);
    return true;
}

int32_t ParseIntOr(std::string_view text, int32_t defaultValue) {
    int32_t value;
    return TryParseInt(text, value) ? value : defaultValue;
}

std::string FormatHex(uint32_t value, int digits) {
    static const char hexDigits[] = "0123456789ABCDEF";
    std::string result;
    do {
        result.insert(result.begin(), hexDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    while (static_cast<int>(result.size()) < digits)
        result.insert(result.begin(), '0');
    return result;
}

std::string FitText(const std::string& text, const TTextWidthFunction& textWidth, int width) {
    if (textWidth(text) <= width)
        return text;
    std::string best = "..";
    // Candidates end after whole characters only: a cut after a lead byte is skipped.
    size_t n = 0;
    while (n < text.size()) {
        n += CharLengthAt(text, n);
        std::string candidate = text.substr(0, n) + "..";
        if (textWidth(candidate) > width)
            break;  // longer candidates are never narrower
        best = std::move(candidate);
    }
    return best;
}

int ScaleInt(int n, double factor) { return static_cast<int>(std::trunc(n * factor)); }
int Min3(int a, int b, int c) { return std::min({a, b, c}); }
int Max3(int a, int b, int c) { return std::max({a, b, c}); }
uint32_t SwapRB(uint32_t colour) { return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF); }
