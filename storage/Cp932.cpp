#include "storage/Cp932.h"

#include <cerrno>
#include <iconv.h>
#include <unordered_map>

#include "storage/Text.h"

namespace {

// One open conversion per direction, kept for the run (the program converts on one
// thread; tests may use more, hence thread_local at the places of use).
class TConverter {
public:
    TConverter(const char* to, const char* from) : FHandle(iconv_open(to, from)) {}
    ~TConverter() {
        if (Valid())
            iconv_close(FHandle);
    }
    TConverter(const TConverter&) = delete;
    TConverter& operator=(const TConverter&) = delete;

    bool Valid() const { return FHandle != reinterpret_cast<iconv_t>(-1); }

    // Converts the whole input. Where a unit cannot be converted, replace(at, left,
    // output) writes what stands for it and returns how many bytes it stood for (0 counts
    // as 1).
    using TReplace = size_t (*)(const unsigned char* at, size_t left, std::string& output);
    std::string Convert(std::string_view input, TReplace replace) {
        std::string output;
        if (!Valid())
            return output;
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
            if (result != static_cast<size_t>(-1) || errno == E2BIG)
                continue;
            // EILSEQ, or EINVAL for a unit cut off at the end.
            size_t skip = replace(reinterpret_cast<const unsigned char*>(in), inLeft, output);
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

    // The bytes of one whole input, or nothing when any part of it cannot be converted.
    bool ConvertExactly(std::string_view input, std::string& output) {
        if (!Valid())
            return false;
        iconv(FHandle, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(input.data());
        size_t inLeft = input.size();
        char buffer[16];
        char* out = buffer;
        size_t outLeft = sizeof buffer;
        if (iconv(FHandle, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
            return false;
        if (iconv(FHandle, nullptr, nullptr, &out, &outLeft) == static_cast<size_t>(-1))
            return false;
        output.assign(buffer, out - buffer);
        return true;
    }

private:
    iconv_t FHandle;
};

bool IsTrailByte(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

// A byte that code page 932 does not map reads as a private-use character of its own,
// U+F700 + the byte, and is written back as that byte: a damaged file keeps every byte
// through a load and a save. Code page 932's own private-use area ends at U+E757.
constexpr char32_t KeptByteBase = 0xF700;

// A lead byte goes with its trail byte; a lead byte before anything else stands alone, so
// a damaged character never swallows the CR, LF or "<" after it.
size_t KeepCp932Bytes(const unsigned char* at, size_t left, std::string& output) {
    size_t length = left >= 2 && IsCp932LeadByte(at[0]) && IsTrailByte(at[1]) ? 2 : 1;
    for (size_t i = 0; i < length; ++i)
        AppendUtf8(output, at[i] < 0x80 ? at[i] : KeptByteBase + at[i]);
    return length;
}

size_t ReplaceUtf16Unit(const unsigned char*, size_t left, std::string& output) {
    output.append("\xEF\xBF\xBD");
    return left >= 2 ? 2 : left;
}

size_t ReplaceUtf8Unit(const unsigned char* at, size_t left, std::string& output) {
    output.append("\xFD\xFF", 2);
    return CharLengthAt(std::string_view(reinterpret_cast<const char*>(at), left), 0);
}

bool IsKeptByte(char32_t c) { return KeptByteOf(c) >= 0; }

// The full-width forms that code page 932 reads, and the forms a Linux input method types.
struct TTypedForm {
    char32_t Read;
    char32_t Typed;
};
constexpr TTypedForm TypedForms[] = {
    {0xFF5E, 0x301C}, {0xFF0D, 0x2212}, {0x2225, 0x2016}, {0xFFE0, 0x00A2}, {0xFFE1, 0x00A3}, {0xFFE2, 0x00AC},
};

char32_t TypedForm(char32_t c) {
    for (const TTypedForm& form : TypedForms)
        if (form.Read == c)
            return form.Typed;
    return c;
}

// The bytes of code point c when they read back as c; empty when there are none.
const std::string& BytesOf(char32_t c) {
    thread_local std::unordered_map<char32_t, std::string> known;
    auto found = known.find(c);
    if (found != known.end())
        return found->second;
    thread_local TConverter encoder("CP932", "UTF-8");
    std::string utf8;
    AppendUtf8(utf8, c);
    std::string bytes;
    if (!encoder.ConvertExactly(utf8, bytes) || bytes.empty() || DecodeCp932(bytes) != utf8)
        bytes.clear();
    return known.emplace(c, std::move(bytes)).first->second;
}

}  // namespace

int KeptByteOf(char32_t character) {
    return character >= KeptByteBase + 0x80 && character <= KeptByteBase + 0xFF
               ? static_cast<int>(character - KeptByteBase)
               : -1;
}

bool IsCp932LeadByte(unsigned char byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

std::string DecodeCp932(std::string_view bytes) {
    if (IsAsciiText(bytes))
        return std::string(bytes);
    thread_local TConverter decoder("UTF-8", "CP932");
    std::string read = decoder.Convert(bytes, KeepCp932Bytes);
    // The six characters in their typed forms; all of them are three bytes starting
    // with E2 or EF in the decoder's output.
    if (read.find('\xEF') == std::string::npos && read.find('\xE2') == std::string::npos)
        return read;
    std::string result;
    result.reserve(read.size());
    size_t i = 0;
    while (i < read.size()) {
        size_t length = CharLengthAt(read, i);
        if (length == 3) {
            char32_t c = CodePointAt(read, i);
            char32_t typed = TypedForm(c);
            if (typed != c) {
                AppendUtf8(result, typed);
                i += length;
                continue;
            }
        }
        result.append(read, i, length);
        i += length;
    }
    return result;
}

namespace {

// Whether lead and trail, written one after the other, read back as one character of code
// page 932 rather than as the two bytes they are.
bool IsMappedPair(unsigned char lead, unsigned char trail) {
    if (!IsTrailByte(trail))
        return false;
    const char pair[] = {static_cast<char>(lead), static_cast<char>(trail)};
    return !IsKeptByte(CodePointAt(DecodeCp932(std::string_view(pair, 2)), 0));
}

// Whether byte, written alone, reads back as the kept byte it stands for (it is no
// character of code page 932 of its own).
bool ReadsAloneAsKept(unsigned char byte) {
    const char alone = static_cast<char>(byte);
    return IsKeptByte(CodePointAt(DecodeCp932(std::string_view(&alone, 1)), 0));
}

// The encoder of EncodeCp932 and FitsCp932. Kept bytes are written so that the reader pairs
// the bytes as they were read: a kept lead byte is held back until what follows it is
// known and written as its byte where the next byte cannot take it into another character
// (the end, a byte that is no trail byte, or one byte with which it makes no character),
// else as escape; a kept byte after it that makes no character with it is its second half,
// as it was when read; any other kept byte goes as its byte only where that byte reads
// back alone as itself.
template <typename TEscapeFunction>
std::string Encode(std::string_view utf8, TEscapeFunction&& escape) {
    std::string result;
    result.reserve(utf8.size());
    int heldLead = -1;
    auto settle = [&](std::string_view next) {
        if (heldLead < 0)
            return;
        const unsigned char first = next.empty() ? 0 : static_cast<unsigned char>(next[0]);
        const bool pairs = !next.empty() && IsTrailByte(first);
        if (!pairs || (next.size() == 1 && first < 0x80 && !IsMappedPair(heldLead, first)))
            result.push_back(static_cast<char>(heldLead));
        else
            result.append(escape(KeptByteBase + static_cast<char32_t>(heldLead)));
        heldLead = -1;
    };
    size_t i = 0;
    while (i < utf8.size()) {
        const size_t length = CharLengthAt(utf8, i);
        std::string piece;
        if (static_cast<unsigned char>(utf8[i]) < 0x80) {
            piece = utf8.substr(i, 1);
        } else {
            const char32_t codePoint = CodePointAt(utf8, i);
            if (length > 1 && IsKeptByte(codePoint)) {
                const unsigned char byte = static_cast<unsigned char>(codePoint - KeptByteBase);
                const std::string raw(1, static_cast<char>(byte));
                if (heldLead >= 0 && IsTrailByte(byte) && !IsMappedPair(heldLead, byte)) {
                    result.push_back(static_cast<char>(heldLead));
                    result.append(raw);
                    heldLead = -1;
                    i += length;
                    continue;
                }
                if (IsCp932LeadByte(byte)) {
                    settle(raw);
                    heldLead = byte;
                    i += length;
                    continue;
                }
                piece = ReadsAloneAsKept(byte) ? raw : escape(codePoint);
            } else {
                const std::string& bytes = length == 1 ? std::string() : BytesOf(codePoint);
                piece = bytes.empty() ? escape(codePoint) : bytes;
            }
        }
        settle(piece);
        result.append(piece);
        i += length;
    }
    settle({});
    return result;
}

}  // namespace

std::string EncodeCp932(std::string_view utf8, TCp932Escape escape) { return Encode(utf8, escape); }

bool FitsCp932(std::string_view utf8) {
    if (IsAsciiText(utf8))
        return true;
    bool escaped = false;
    Encode(utf8, [&escaped](char32_t) {
        escaped = true;
        return std::string();
    });
    return !escaped;
}

std::string DecodeUtf16Le(std::string_view bytes) {
    thread_local TConverter decoder("UTF-8", "UTF-16LE");
    return decoder.Convert(bytes, ReplaceUtf16Unit);
}

std::string EncodeUtf16Le(std::string_view utf8) {
    thread_local TConverter encoder("UTF-16LE", "UTF-8");
    return encoder.Convert(ValidUtf8(utf8), ReplaceUtf8Unit);
}
