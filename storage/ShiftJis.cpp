#include "storage/ShiftJis.h"

#include <cerrno>
#include <iconv.h>

namespace {

// One open conversion per direction, kept for the run (the program has one thread that
// converts; tests may have more, hence thread_local).
class TConverter {
public:
    TConverter(const char* to, const char* from) : FHandle(iconv_open(to, from)) {}
    ~TConverter() {
        if (FHandle != reinterpret_cast<iconv_t>(-1))
            iconv_close(FHandle);
    }
    TConverter(const TConverter&) = delete;
    TConverter& operator=(const TConverter&) = delete;

    // Converts the whole input; a character that cannot be converted is skipped and the
    // replacement is written in its place.
    // unitLength tells how many bytes the unconvertible character at a position takes.
    std::string Convert(std::string_view input, std::string_view replacement,
                        size_t (*unitLength)(const unsigned char* at, size_t left)) {
        std::string output;
        if (FHandle == reinterpret_cast<iconv_t>(-1)) {
            output.assign(input);
            return output;
        }
        iconv(FHandle, nullptr, nullptr, nullptr, nullptr);
        output.reserve(input.size() * 2 + 16);
        char* in = const_cast<char*>(input.data());
        size_t inLeft = input.size();
        char buffer[4096];
        while (inLeft > 0) {
            char* out = buffer;
            size_t outLeft = sizeof buffer;
            size_t result = iconv(FHandle, &in, &inLeft, &out, &outLeft);
            output.append(buffer, out - buffer);
            if (result != static_cast<size_t>(-1))
                continue;
            if (errno == E2BIG)
                continue;
            // EILSEQ or EINVAL (a sequence cut at the end): replace one input character.
            output.append(replacement);
            size_t skip = unitLength(reinterpret_cast<const unsigned char*>(in), inLeft);
            if (skip == 0 || skip > inLeft)
                skip = 1;
            in += skip;
            inLeft -= skip;
            iconv(FHandle, nullptr, nullptr, nullptr, nullptr);
        }
        char* out = buffer;
        size_t outLeft = sizeof buffer;
        iconv(FHandle, nullptr, nullptr, &out, &outLeft);
        output.append(buffer, out - buffer);
        return output;
    }

private:
    iconv_t FHandle;
};

// A whole UTF-8 sequence when its lead byte and continuation bytes are in order, else one byte.
size_t Utf8Unit(const unsigned char* at, size_t left) {
    size_t length = at[0] >= 0xF0 && at[0] <= 0xF4 ? 4 : at[0] >= 0xE0 ? 3 : at[0] >= 0xC2 && at[0] < 0xE0 ? 2 : 1;
    if (at[0] > 0xF4 || length > left)
        return 1;
    for (size_t i = 1; i < length; ++i)
        if ((at[i] & 0xC0) != 0x80)
            return 1;
    return length;
}

// A double-byte character goes as a whole when its trail byte is there.
size_t SjisUnit(const unsigned char* at, size_t left) {
    return CharLengthAt(std::string_view(reinterpret_cast<const char*>(at), left), 0);
}

size_t Utf16Unit(const unsigned char*, size_t left) { return left >= 2 ? 2 : left; }

}  // namespace

std::string Utf8ToSjis(std::string_view utf8) {
    bool ascii = true;
    for (char c : utf8)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii)
        return std::string(utf8);
    thread_local TConverter converter("CP932", "UTF-8");
    return converter.Convert(utf8, "?", Utf8Unit);
}

std::string SjisToUtf8(std::string_view sjis) {
    bool ascii = true;
    for (char c : sjis)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii)
        return std::string(sjis);
    thread_local TConverter converter("UTF-8", "CP932");
    return converter.Convert(sjis, "\xEF\xBF\xBD", SjisUnit);
}

std::string Utf16LeToSjis(std::string_view utf16le) {
    thread_local TConverter converter("CP932", "UTF-16LE");
    return converter.Convert(utf16le, "?", Utf16Unit);
}

std::string SjisToUtf16Le(std::string_view sjis) {
    thread_local TConverter converter("UTF-16LE", "CP932");
    return converter.Convert(sjis, std::string_view("\xFD\xFF", 2), SjisUnit);
}

std::string AsciiLowerCase(std::string_view text) {
    std::string result(text);
    for (size_t i = 0; i < result.size(); i += CharLengthAt(result, i)) {
        unsigned char c = static_cast<unsigned char>(result[i]);
        if (c >= 'A' && c <= 'Z')
            result[i] = static_cast<char>(c + ('a' - 'A'));
    }
    return result;
}

std::string AsciiUpperCase(std::string_view text) {
    std::string result(text);
    for (size_t i = 0; i < result.size(); i += CharLengthAt(result, i)) {
        unsigned char c = static_cast<unsigned char>(result[i]);
        if (c >= 'a' && c <= 'z')
            result[i] = static_cast<char>(c - ('a' - 'A'));
    }
    return result;
}

bool AsciiSameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && AsciiLowerCase(a) == AsciiLowerCase(b);
}
