#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "storage/Text.h"
#include "storage/TextUtils.h"

namespace {

struct TEscapeCase {
    std::string Text;
    std::string Escaped;
};

}  // namespace

TEST(EscapeText, EscapesAndRoundTrips) {
    const std::vector<TEscapeCase> cases = {
        {"a\\nb", "a\\\\nb"},  // backslash + n is not a line break
        {"x\r\ny", "x\\ny"},
        {"x\ry", "x\\dy"},
        {"x\ny", "x\\ay"},
        {"x\n\r\ty", "x\\a\\d\\ty"},
        {"say \"hi\"", "say \\\"hi\\\""},
        {std::string("ソ表\r\n能"),
         std::string("ソ表") + "\\n" + std::string("能")},  // trail byte 0x5C is not a backslash
        {"", ""},
    };
    for (const TEscapeCase& c : cases) {
        EXPECT_EQ(EscapeText(c.Text), c.Escaped) << c.Text;
        EXPECT_EQ(UnescapeText(c.Escaped), c.Text) << c.Escaped;
    }
}

TEST(EscapeText, UnescapeReadsEveryForm) {
    const std::vector<TEscapeCase> cases = {
        {"\\x41", "A"},
        {"\\x4", std::string(1, '\x04')},
        {"\\xZZ!", std::string(1, '\0') + "!"},  // no number gives byte 0
        {"\\q", "q"},
        {"end\\", "end\\"},
        {"\\r", "\r"},
        {"\\\\", "\\"},
        {std::string("ソ") + "\\t", std::string("ソ") + "\t"},
        {std::string("a\\b\x83"), std::string("ab\x83")},  // lead byte at the very end kept
        // The character after "\\" is whole: 表's trail byte 0x5C starts no escape.
        {"\\" + std::string("表") + "n", std::string("表") + "n"},
        {"\\" + std::string("ソ") + "\\n", std::string("ソ") + "\r\n"},
        {"\\" + std::string("表"), std::string("表")},
        {std::string("\\\x95"), std::string("\x95")},        // a lone lead byte after "\\" at the end
        {std::string("\\\x95\r!"), std::string("\x95\r!")},  // or before a byte that is no trail byte
        // The two characters after "\\x" are whole: no number, byte 0, both consumed.
        {"\\x" + std::string("表") + "n!", std::string(1, '\0') + "!"},
        {"\\x4" + std::string("表") + "n", std::string(1, '\0') + "n"},
        {"\\x41" + std::string("表") + "\\\\", "A" + std::string("表") + "\\"},
        {"\\x" + std::string("表"), std::string(1, '\0')},
    };
    for (const TEscapeCase& c : cases)
        EXPECT_EQ(UnescapeText(c.Text), c.Escaped) << c.Text;
}

TEST(MessageExcerpt, ShowsOneShortLineWithUnprintableBytesEscaped) {
    const std::string forty(40, 'x');
    const struct {
        std::string Text;
        std::string Excerpt;
    } cases[] = {
        {"a > 3 <y/>", "a > 3 <y/>"},  // short text as it is
        {forty + "y", forty + ".."},
        {std::string(100, '<'), std::string(40, '<') + ".."},
        {"first\r\nsecond", "first.."},     // up to the line end
        {"last\r\n\r\n", "last"},           // only line ends left: nothing left off
        {"\r\n\n\tnext\rmore", " next.."},  // leading line ends skipped, TAB as space
        {std::string("\x01\x7F\x80\xA0\xFD\xFF", 6), "\\x01\\x7F\\x80\\xA0\\xFD\\xFF"},
        {"表ソｶﾅ🎂", "表ソｶﾅ🎂"},                 // characters kept whole
        {"\x95<\xE8\xA1", "\\x95<\\xE8\\xA1"},  // bytes that start no UTF-8 character
        {std::string(39, 'x') + std::string("表") + "z",
         std::string(39, 'x') + std::string("表") + ".."},  // 表 is one character
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MessageExcerpt(c.Text), c.Excerpt) << std::string(c.Text);
}

TEST(EscapeText, AnyTextComesBackAndNeverBreaksTheLine) {
    uint32_t seed = 12345;
    std::vector<std::string> texts = {"🎂 母の誕生日\r\ncafé で", "\\u{41}", "\\x41\\", "ソ表\\"};
    for (int n = 0; n < 2000; ++n) {
        std::string text;
        for (int i = 0; i < n % 23; ++i) {
            seed = seed * 1664525u + 1013904223u;
            const char* pool[] = {"\\", "\r", "\n", "\t", "\"", "x", "u", "{", "}", "ソ", "😀", "é", "\xEF\x9E\x82"};
            text += pool[(seed >> 16) % (sizeof pool / sizeof pool[0])];
        }
        texts.push_back(text);
    }
    for (const std::string& text : texts) {
        std::string escaped = EscapeText(text);
        EXPECT_EQ(escaped.find_first_of("\r\n"), std::string::npos) << escaped;
        EXPECT_EQ(UnescapeText(escaped), text) << escaped;
    }
}

TEST(UnescapeText, CharacterEscapesOfMemoFiles) {
    struct TCase {
        const char* Escaped;
        const char* Text;
    };
    const TCase cases[] = {
        {"\\u{1F382} 母", "🎂 母"},
        {"\\u{20BB7}野家", "𠮷野家"},
        {"caf\\u{e9}", "café"},
        {"\\u{}", "u{}"},              // no digits: the "u" stands for itself
        {"\\u{110000}", "u{110000}"},  // beyond Unicode
        {"\\u{D800}", "u{D800}"},      // a surrogate is no character
        {"\\u{0}", "u{0}"},
        {"\\u{1234567}", "u{1234567}"},  // more than six digits
        {"\\u{12G}", "u{12G}"},
        {"\\u1F382", "u1F382"},
        {"\\u{41", "u{41"},
        {"\\xB6\\xC5", "ｶﾅ"},       // half-width katakana, one byte each in the file
        {"\\x82", "\xEF\x9E\x82"},  // a lone lead byte, kept as U+F782
        {"\\\\u{41}", "\\u{41}"},   // an escaped backslash starts no escape
        {"\\表", "表"},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(UnescapeText(c.Escaped), c.Text) << c.Escaped;
    EXPECT_EQ(UnicodeEscape(0x1F382), "\\u{1F382}");
    EXPECT_EQ(UnicodeEscape(0xF782), "\\x82");
}

TEST(XmlEntities, EncodeAndDecodeOnce) {
    EXPECT_EQ(XmlEncode("a<b&c"), "a&lt;b&amp;c");
    EXPECT_EQ(XmlEncode("&lt;"), "&amp;lt;");
    EXPECT_EQ(XmlEncode("\"x\" 'y' >"), "&quot;x&quot; &apos;y&apos; &gt;");
    EXPECT_EQ(XmlDecode("&amp;lt;"), "&lt;");
    EXPECT_EQ(XmlDecode("a&lt;b&amp;c"), "a<b&c");
    EXPECT_EQ(XmlDecode(XmlEncode(std::string("表<ソ>&"))), std::string("表<ソ>&"));
    // Character references: hexadecimal and decimal; one that names no character stays.
    EXPECT_EQ(XmlDecode("&#x1F382;&#127874;&#X41;"), "🎂🎂A");
    EXPECT_EQ(XmlDecode("&#x0;&#xD800;&#x110000;&#x41&#;&amp;#x41;"), "&#x0;&#xD800;&#x110000;&#x41&#;&#x41;");
    EXPECT_EQ(XmlDecode("&#x26;lt; &amp;amp;"), "&lt; &amp;");  // what one reference gives is never read again
    EXPECT_EQ(XmlCharacterReference(0x1F382), "&#x1F382;");
}

TEST(Utf8, CharactersAndDamagedBytes) {
    struct TCase {
        std::string Text;
        size_t Length;
        char32_t CodePoint;
    };
    const TCase cases[] = {
        {"a", 1, 'a'},
        {"é", 2, 0xE9},
        {"表", 3, 0x8868},
        {"🎂", 4, 0x1F382},
        {"\x80", 1, 0xFFFD},              // a continuation byte alone
        {"\xC0\xAF", 1, 0xFFFD},          // overlong "/"
        {"\xED\xA0\x80", 1, 0xFFFD},      // a surrogate
        {"\xF4\x90\x80\x80", 1, 0xFFFD},  // beyond U+10FFFF
        {"\xE8\xA1", 1, 0xFFFD},          // cut off
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(CharLengthAt(c.Text, 0), c.Length) << c.Text;
        EXPECT_EQ(CodePointAt(c.Text, 0), c.CodePoint) << c.Text;
    }
    EXPECT_EQ(ValidUtf8("a\x80表\xE8\xA1"), "a\xEF\xBF\xBD表\xEF\xBF\xBD\xEF\xBF\xBD");
    std::string appended;
    for (char32_t c : {char32_t('a'), char32_t(0xE9), char32_t(0x8868), char32_t(0x1F382), char32_t(0xD800)})
        AppendUtf8(appended, c);
    EXPECT_EQ(appended, "aé表🎂\xEF\xBF\xBD");
    EXPECT_EQ(AsciiLowerCase("ÉcoLE 表"), "École 表");
    EXPECT_TRUE(AsciiSameText("DATA\\パス", "data\\パス"));
    EXPECT_EQ(Trim(" \t\r\n x y \x01"), "x y");
}

TEST(Numbers, IntegerTextForms) {
    struct TCase {
        std::string Text;
        bool Valid;
        int32_t Value;
    };
    const std::vector<TCase> cases = {
        {"30", true, 30},
        {"-12", true, -12},
        {"+7", true, 7},
        {"$1E", true, 30},
        {"$ffffffff", true, -1},
        {"$4040FF", true, 0x4040FF},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, INT32_MIN},
        {"2147483648", false, 0},
        {"$100000000", false, 0},
        {"", false, 0},
        {"$", false, 0},
        {"abc", false, 0},
        {"12a", false, 0},
        {" 5", false, 0},
        {"0x1E", false, 0},
    };
    for (const TCase& c : cases) {
        int32_t value = 0;
        EXPECT_EQ(TryParseInt(c.Text, value), c.Valid) << c.Text;
        if (c.Valid) {
            EXPECT_EQ(value, c.Value) << c.Text;
        }
    }
    EXPECT_EQ(ParseIntOr("red", -5), -5);
    EXPECT_EQ(FormatHex(0x4040FF, 6), "4040FF");
    EXPECT_EQ(FormatHex(0xFF, 6), "0000FF");
    EXPECT_EQ(FormatHex(0x12345678, 6), "12345678");
    EXPECT_EQ(ScaleInt(7, 1.5), 10);
    EXPECT_EQ(ScaleInt(-7, 1.5), -10);
    EXPECT_EQ(Min3(3, -1, 2), -1);
    EXPECT_EQ(Max3(3, -1, 2), 3);
    EXPECT_EQ(SwapRB(0xAA112233u), 0x00332211u);
}

TEST(FitText, CutsWholeCharactersOnly) {
    // One width unit per byte makes the arithmetic visible.
    TTextWidthFunction width = [](const std::string& s) { return static_cast<int>(s.size()); };
    EXPECT_EQ(FitText("abc", width, 3), "abc");
    EXPECT_EQ(FitText("abcdef", width, 5), "abc..");
    EXPECT_EQ(FitText("abcdef", width, 2), "..");
    EXPECT_EQ(FitText("abcdef", width, 0), "..");
    std::string japanese = "日本語";                 // 9 bytes
    EXPECT_EQ(FitText(japanese, width, 7), "日..");  // 5 bytes: never part of 本
    EXPECT_EQ(FitText(japanese, width, 9), japanese);
    EXPECT_EQ(FitText("a🎂" + japanese, width, 8), "a🎂..");
}
