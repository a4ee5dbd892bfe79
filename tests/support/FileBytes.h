#pragma once
// Text as the calendar's stored files hold it: code page 932, with "\u{…}" for a character
// that code page 932 lacks. A byte that starts no UTF-8 character is taken over as it is,
// so that a test can put damaged bytes among the characters.

#include <string>
#include <string_view>

#include "storage/Cp932.h"
#include "storage/Text.h"
#include "storage/TextUtils.h"

inline std::string Cp932(std::string_view utf8) {
    std::string bytes;
    size_t start = 0;
    for (size_t i = 0; i < utf8.size(); i = NextCharAt(utf8, i)) {
        if (static_cast<unsigned char>(utf8[i]) < 0x80 || CharLengthAt(utf8, i) > 1)
            continue;
        bytes += EncodeCp932(utf8.substr(start, i - start), UnicodeEscape) + utf8[i];
        start = i + 1;
    }
    return bytes + EncodeCp932(utf8.substr(start), UnicodeEscape);
}
