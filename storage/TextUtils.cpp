#include "storage/TextUtils.h"

#include <algorithm>
#include <cmath>

#include "storage/Cp932.h"
#include "storage/Text.h"

namespace {

// Replaces every occurrence of from (ASCII) by to, scanning left to right.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string result;
    result.reserve(text.size());
    size_t i = 0;
    for (size_t hit = text.find(from); hit != std::string_view::npos; hit = text.find(from, i)) {
        result.append(text.substr(i, hit - i));
        result.append(to);
        i = hit + from.size();
    }
    result.append(text.substr(i));
    return result;
}

// The character that a "&#…;" reference at i names (its length in length); 0 when the
// text at i is no well-formed reference to a character.
char32_t ReadCharacterReference(std::string_view text, size_t i, size_t& length) {
    size_t p = i + 2;
    const bool hex = p < text.size() && (text[p] == 'x' || text[p] == 'X');
    if (hex)
        ++p;
    const size_t digitsStart = p;
    uint32_t value = 0;
    for (; p < text.size() && p - digitsStart < 8; ++p) {
        int digit = HexDigit(text[p]);
        if (digit < 0 || (!hex && digit > 9))
            break;
        value = value * (hex ? 16 : 10) + static_cast<uint32_t>(digit);
    }
    if (p == digitsStart || p >= text.size() || text[p] != ';')
        return 0;
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    length = p + 1 - i;
    return value;
}

}  // namespace

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string EscapeText(std::string_view text) {
    // One pass that gives what the replacements "\" → "\\", CR LF → "\n", CR → "\d",
    // LF → "\a", TAB → "\t" and '"' → '\"' give one after the other.
    std::string result;
    result.reserve(text.size() + text.size() / 8);
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
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
            // "\x" and the next two characters, read as "$" + those two; anything but two
            // hexadecimal digits gives 0.
            size_t end = i;
            for (int n = 0; n < 2 && end < text.size(); ++n)
                end = NextCharAt(text, end);
            std::string_view digits = text.substr(i, end - i);
            i = end;
            const int32_t byte = ParseIntOr(std::string("$") + std::string(digits), 0) & 0xFF;
            // The byte as code page 932 reads it alone: ASCII, a half-width katakana, or
            // a byte kept as it is.
            const char alone = static_cast<char>(byte);
            result.append(DecodeCp932(std::string_view(&alone, 1)));
            break;
        }
        case 'u': {
            // '\u{' hex digits '}'
            size_t close = text.find('}', i);
            char32_t value = 0;
            bool wellFormed = i < text.size() && text[i] == '{' && close != std::string_view::npos && close > i + 1 &&
                              close - i - 1 <= 6;
            for (size_t k = i + 1; wellFormed && k < close; ++k) {
                int digit = HexDigit(text[k]);
                wellFormed = digit >= 0;
                value = value * 16 + static_cast<char32_t>(digit < 0 ? 0 : digit);
            }
            if (wellFormed && value != 0 && value <= 0x10FFFF && !(value >= 0xD800 && value <= 0xDFFF)) {
                AppendUtf8(result, value);
                i = close + 1;
            } else {
                result.push_back('u');
            }
            break;
        }
        default:
            // '"', '\' and any other character, taken whole.
            if (static_cast<unsigned char>(escaped) >= 0x80) {
                size_t length = CharLengthAt(text, i - 1);
                result.append(text.substr(i - 1, length));
                i += length - 1;
            } else {
                result.push_back(escaped);
            }
            break;
        }
    }
    return result;
}

std::string UnicodeEscape(char32_t codePoint) {
    // A byte kept from a damaged file goes back as the "\xHH" that older files use.
    if (int byte = KeptByteOf(codePoint); byte >= 0)
        return "\\x" + FormatHex(static_cast<uint32_t>(byte), 2);
    return "\\u{" + FormatHex(codePoint, 1) + "}";
}

std::string XmlEncode(std::string_view text) {
    std::string s = ReplaceAll(text, "&", "&amp;");
    s = ReplaceAll(s, "<", "&lt;");
    s = ReplaceAll(s, ">", "&gt;");
    s = ReplaceAll(s, "\"", "&quot;");
    return ReplaceAll(s, "'", "&apos;");
}

namespace {

// Decodes the entity references of text in one pass, so that what one gives is never read
// as a reference again: the named ones when named is true, and the character references.
std::string DecodeReferences(std::string_view text, bool named) {
    static const std::pair<std::string_view, char> Named[] = {
        {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}, {"&amp;", '&'}};
    std::string result;
    result.reserve(text.size());
    size_t i = 0;
    for (size_t hit = text.find('&'); hit != std::string_view::npos; hit = text.find('&', i)) {
        result.append(text.substr(i, hit - i));
        i = hit + 1;
        size_t length = 0;
        if (char32_t c = ReadCharacterReference(text, hit, length)) {
            AppendUtf8(result, c);
            i = hit + length;
            continue;
        }
        bool found = false;
        for (const auto& [entity, character] : Named)
            if (named && text.compare(hit, entity.size(), entity) == 0) {
                result.push_back(character);
                i = hit + entity.size();
                found = true;
                break;
            }
        if (!found)
            result.push_back('&');
    }
    result.append(text.substr(i));
    return result;
}

}  // namespace

std::string XmlDecode(std::string_view text) {
    if (text.find('&') == std::string_view::npos)
        return std::string(text);
    return DecodeReferences(text, true);
}

std::string DecodeCharacterReferences(std::string_view text) { return DecodeReferences(text, false); }

std::string XmlCharacterReference(char32_t codePoint) { return "&#x" + FormatHex(codePoint, 1) + ";"; }

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
        const size_t length = CharLengthAt(text, i);
        const int kept = length == 3 ? KeptByteOf(CodePointAt(text, i)) : -1;
        if (kept >= 0)  // a byte of a damaged file (DecodeCp932)
            result.append("\\x" + FormatHex(static_cast<uint32_t>(kept), 2));
        else if (length > 1)
            result.append(text.substr(i, length));
        else if (c == '\t')
            result.push_back(' ');
        else if (c >= 0x20 && c < 0x7F)
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
    // Candidates end after whole characters only.
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
uint32_t SwapRB(uint32_t color) { return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF); }
