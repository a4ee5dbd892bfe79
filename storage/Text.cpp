#include "storage/Text.h"

namespace {

constexpr char32_t Replacement = 0xFFFD;

// Length and value of the well-formed sequence at i; length 0 when there is none
// (overlong forms, surrogates and values beyond U+10FFFF are not well formed).
size_t Decode(std::string_view text, size_t i, char32_t& value) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    if (lead < 0x80) {
        value = lead;
        return 1;
    }
    size_t length;
    char32_t minimum;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        minimum = 0x80;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        minimum = 0x800;
        value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        minimum = 0x10000;
        value = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (byte(i + k) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

}  // namespace

size_t CharLengthAt(std::string_view text, size_t i) {
    char32_t value;
    size_t length = Decode(text, i, value);
    return length == 0 ? 1 : length;
}

char32_t CodePointAt(std::string_view text, size_t i) {
    char32_t value;
    return Decode(text, i, value) == 0 ? Replacement : value;
}

void AppendUtf8(std::string& text, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        c = Replacement;
    if (c < 0x80) {
        text.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        text.push_back(static_cast<char>(0xC0 | (c >> 6)));
        text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        text.push_back(static_cast<char>(0xE0 | (c >> 12)));
        text.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        text.push_back(static_cast<char>(0xF0 | (c >> 18)));
        text.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::string ValidUtf8(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        char32_t value;
        size_t length = Decode(text, i, value);
        if (length == 0) {
            AppendUtf8(result, Replacement);
            ++i;
        } else {
            result.append(text.substr(i, length));
            i += length;
        }
    }
    return result;
}

int ColumnsAt(std::string_view text, size_t i) {
    const char32_t c = CodePointAt(text, i);
    return c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F) ? 1 : 2;
}

int TextColumns(std::string_view text) {
    int columns = 0;
    for (size_t i = 0; i < text.size(); i = NextCharAt(text, i))
        columns += ColumnsAt(text, i);
    return columns;
}

bool IsAsciiText(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

std::string AsciiLowerCase(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + ('a' - 'A'));
    return result;
}

std::string AsciiUpperCase(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - ('a' - 'A'));
    return result;
}

bool AsciiSameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && AsciiLowerCase(a) == AsciiLowerCase(b);
}
