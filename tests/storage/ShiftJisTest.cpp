#include <gtest/gtest.h>

#include <vector>

#include "storage/ShiftJis.h"

TEST(ShiftJis, RoundTripsCharactersWhoseTrailByteIsABackslash) {
    // ソ 表 能 have 0x5C as their second byte; ～ and ① exist only in code page 932.
    const std::string utf8 = "ソ表能～①ｱ";
    std::string sjis = Utf8ToSjis(utf8);
    EXPECT_EQ(sjis, std::string("\x83\x5C\x95\x5C\x94\x5C\x81\x60\x87\x40\xB1"));
    EXPECT_EQ(SjisToUtf8(sjis), utf8);
}

TEST(ShiftJis, UnconvertibleBytesAreReplacedNotDropped) {
    EXPECT_EQ(SjisToUtf8(std::string("a\x81", 2)), "a\xEF\xBF\xBD");  // cut double-byte character
    EXPECT_EQ(Utf8ToSjis("a\xFF"
                         "b"),
              "a?b");                 // invalid UTF-8
    EXPECT_EQ(Utf8ToSjis("😀"), "?");  // no code page 932 form
}

TEST(ShiftJis, Utf16RoundTrip) {
    std::string sjis = SJIS("日めくり ソ");
    std::string utf16 = SjisToUtf16Le(sjis);
    EXPECT_EQ(utf16.size(), 12u);
    EXPECT_EQ(Utf16LeToSjis(utf16), sjis);
}

TEST(ShiftJis, CaseMappingLeavesDoubleByteCharactersAlone) {
    // "ＡＢ" as bytes 82 60 82 61; the trail byte 0x60 and 0x41-range trail bytes must survive.
    std::string text = std::string("AbC") + SJIS("Ａ") + "\x83\x41" + "Z";  // 83 41 is ア
    std::string lower = AsciiLowerCase(text);
    EXPECT_EQ(lower, std::string("abc") + SJIS("Ａ") + "\x83\x41" + "z");
    EXPECT_EQ(AsciiUpperCase(lower), std::string("ABC") + SJIS("Ａ") + "\x83\x41" + "Z");
    EXPECT_TRUE(AsciiSameText("Monday", "MONDAY"));
    EXPECT_FALSE(AsciiSameText("\x83\x41", "\x83\x61"));
}

TEST(ShiftJis, LeadBytes) {
    int count = 0;
    for (int c = 0; c < 256; ++c)
        count += IsLeadByte(static_cast<unsigned char>(c));
    EXPECT_EQ(count, (0x9F - 0x81 + 1) + (0xFC - 0xE0 + 1));
    EXPECT_FALSE(IsLeadByte('\\'));
    EXPECT_FALSE(IsLeadByte(static_cast<unsigned char>(0xB1)));  // half-width katakana is single-byte
}

TEST(ShiftJis, TheBoundaryTestAgreesWithTheStepOnEveryShortText) {
    // Every text of up to six bytes drawn from the bytes that decide: lead bytes that are
    // also trail bytes, a trail byte that is "\", bytes that are no trail bytes, a letter.
    const char pool[] = {'\x81', '\xE0', '\x5C', '<', '\xFD', 'A'};
    constexpr int PoolSize = sizeof pool;
    int combinations = 1;
    for (int length = 0; length <= 6; ++length, combinations *= PoolSize) {
        for (int n = 0; n < combinations; ++n) {
            std::string text;
            for (int k = n, i = 0; i < length; ++i, k /= PoolSize)
                text.push_back(pool[k % PoolSize]);
            std::vector<bool> starts(text.size() + 1, false);
            for (size_t i = 0; i < text.size(); i = NextCharAt(text, i))
                starts[i] = true;
            starts[text.size()] = true;
            for (size_t from = 0; from <= text.size(); ++from) {
                if (!starts[from])
                    continue;
                for (size_t pos = from; pos <= text.size(); ++pos)
                    ASSERT_EQ(IsCharStart(text, from, pos), starts[pos])
                        << "text " << n << " of " << length << " bytes, from " << from << ", pos " << pos;
            }
        }
    }
}
