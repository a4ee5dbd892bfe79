#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "storage/ShiftJis.h"
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
        {SJIS("ソ表\r\n能"), SJIS("ソ表") + "\\n" + SJIS("能")},  // trail byte 0x5C is not a backslash
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
        {SJIS("ソ") + "\\t", SJIS("ソ") + "\t"},
        {std::string("a\\b\x83"), std::string("ab\x83")},  // lead byte at the very end kept
        // The character after "\\" is whole: 表's trail byte 0x5C starts no escape.
        {"\\" + SJIS("表") + "n", SJIS("表") + "n"},
        {"\\" + SJIS("ソ") + "\\n", SJIS("ソ") + "\r\n"},
        {"\\" + SJIS("表"), SJIS("表")},
        {std::string("\\\x95"), std::string("\x95")},        // a lone lead byte after "\\" at the end
        {std::string("\\\x95\r!"), std::string("\x95\r!")},  // or before a byte that is no trail byte
        // The two characters after "\\x" are whole: no number, byte 0, both consumed.
        {"\\x" + SJIS("表") + "n!", std::string(1, '\0') + "!"},
        {"\\x4" + SJIS("表") + "n", std::string(1, '\0') + "n"},
        {"\\x41" + SJIS("表") + "\\\\", "A" + SJIS("表") + "\\"},
        {"\\x" + SJIS("表"), std::string(1, '\0')},
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
        {SJIS("表ソ") + "\xB1\xDF", SJIS("表ソ") + "\xB1\xDF"},  // double-byte and half-width kana kept
        {"\x95<\x95", "\\x95<\\x95"},                            // lead bytes without their second half
        {std::string(39, 'x') + SJIS("表") + "z", std::string(39, 'x') + SJIS("表") + ".."},  // 表 is one character
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MessageExcerpt(c.Text), c.Excerpt) << SjisToUtf8(c.Text);
}

TEST(EscapeText, RoundTripsEveryByte) {
    std::string all;
    for (int c = 0; c < 256; ++c)
        all.push_back(static_cast<char>(c));
    // Single bytes only: a lead byte followed by "\" would make a character, so test them apart.
    for (int c = 0; c < 256; ++c) {
        std::string text = std::string("<") + static_cast<char>(c) + ">";
        if (IsLeadByte(static_cast<unsigned char>(c)))
            text += "x";
        EXPECT_EQ(UnescapeText(EscapeText(text)), text) << c;
    }
}

TEST(EscapeText, AnyBytesComeBackAndNeverBreakTheLine) {
    // Damaged text too: stray lead bytes before CR, LF, "\\" or the end of the text.
    const std::vector<std::string> damaged = {
        "\x82\r\n",
        "\x82\r",
        "\x82\n",
        "\x82\\",
        std::string("\x82\"x"),
        "\x82\t",
        "a\x82",
        "\x82\x82\r\n\x82",
        std::string("\x82\0", 2),
    };
    uint32_t seed = 12345;
    std::vector<std::string> texts = damaged;
    for (int n = 0; n < 2000; ++n) {
        std::string text;
        for (int i = 0; i < n % 23; ++i) {
            seed = seed * 1664525u + 1013904223u;
            const char pool[] = {'\\', '\r', '\n', '\t', '"', 'x', '\x82', '\x5C', '\xE0', '\x40', '\xFD'};
            text.push_back(pool[(seed >> 16) % sizeof pool]);
        }
        texts.push_back(text);
    }
    for (const std::string& text : texts) {
        std::string escaped = EscapeText(text);
        EXPECT_EQ(escaped.find_first_of("\r\n"), std::string::npos) << escaped;
        EXPECT_EQ(UnescapeText(escaped), text) << escaped;
    }
}

TEST(XmlEntities, EncodeAndDecodeOnce) {
    EXPECT_EQ(XmlEncode("a<b&c"), "a&lt;b&amp;c");
    EXPECT_EQ(XmlEncode("&lt;"), "&amp;lt;");
    EXPECT_EQ(XmlEncode("\"x\" 'y' >"), "&quot;x&quot; &apos;y&apos; &gt;");
    EXPECT_EQ(XmlDecode("&amp;lt;"), "&lt;");
    EXPECT_EQ(XmlDecode("a&lt;b&amp;c"), "a<b&c");
    EXPECT_EQ(XmlDecode(XmlEncode(SJIS("表<ソ>&"))), SJIS("表<ソ>&"));
}

TEST(Substrings, CopyRangeAndPositions) {
    EXPECT_EQ(CopyRange("abcdef", 0, 3), "abc");
    EXPECT_EQ(CopyRange("abcdef", 4, 99), "def");
    EXPECT_EQ(CopyRange("abcdef", 5, 4), "");
    EXPECT_EQ(CopyRange("", 1, 1), "");
    EXPECT_EQ(CopyFrom("abcdef", 5), "ef");
    EXPECT_EQ(CopyFrom("abcdef", 7), "");
    EXPECT_EQ(PositionFrom("b", "abcabc", 1), 2);
    EXPECT_EQ(PositionFrom("b", "abcabc", 3), 5);
    EXPECT_EQ(PositionFrom("b", "abcabc", 6), 0);
    EXPECT_EQ(PositionFrom("", "abc", 1), 0);
    // "\" inside ソ (83 5C) is not found; the real one after it is.
    std::string text = SJIS("ソ") + "\\x";
    EXPECT_EQ(PositionOf("\\", text), 3);
    EXPECT_EQ(LastPositionOf('\\', SJIS("ソ")), 0);
    EXPECT_EQ(LastPositionOf('/', "a/b/c"), 4);
    EXPECT_TRUE(HasDoubleByte("x" + SJIS("日")));
    EXPECT_FALSE(HasDoubleByte("abc\xB1"));  // half-width katakana is single-byte
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
    std::string japanese = SJIS("日本語");                      // 6 bytes
    EXPECT_EQ(FitText(japanese, width, 5), SJIS("日") + "..");  // 4 bytes: never half of 本
    EXPECT_EQ(FitText(japanese, width, 6), japanese);
    EXPECT_EQ(FitText("a" + japanese, width, 5), "a" + SJIS("日") + "..");
}
