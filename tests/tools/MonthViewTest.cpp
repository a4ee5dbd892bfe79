#include <gtest/gtest.h>

#include <string>

#include "almanac/Almanac.h"
#include "storage/Resources.h"
#include "tools/MonthView.h"

namespace {

TAlmanac& LoadedAlmanac() {
    static TAlmanac almanac;
    static const bool loaded = (almanac.LoadHolidays(LoadResourceText("holidays")), true);
    (void)loaded;
    return almanac;
}

std::string WithoutEscapes(const std::string& text) {
    std::string plain;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\x1b') {
            i = text.find('m', i);
            if (i == std::string::npos)
                break;
            continue;
        }
        plain += text[i];
    }
    return plain;
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

int LineCount(const std::string& text) {
    int lines = 0;
    for (char c : text)
        lines += c == '\n';
    return lines;
}

}  // namespace

TEST(MonthView, HeadingNamesTheYearInWesternAndEraForm) {
    const struct {
        int Year, Month;
        const char* Heading;
    } table[] = {
        {2025, 5, "2025年（令和7年）5月"},
        {2019, 5, "2019年（令和元年）5月"},  // the era begins on the 1st
        {2019, 4, "2019年（平成31年）4月"},
        {1989, 1, "1989年（昭和64年・平成元年）1月"},  // a new era on the 8th
        {1868, 9, "1868年（明治元年）9月"},            // the first era begins on the 8th
        {1868, 8, "1868年8月"},
    };
    for (const auto& row : table) {
        const std::string month = FormatMonth(LoadedAlmanac(), row.Year, row.Month, TColorMode::Plain, {});
        const std::string heading = FirstLine(month);
        EXPECT_EQ(heading.substr(heading.find_first_not_of(' ')), row.Heading);
    }
}

TEST(MonthView, HasOneRowPairPerWeekFromSunday) {
    const struct {
        int Year, Month;
        int Weeks;
    } table[] = {
        {2015, 2, 4},  // 28 days from a Sunday
        {2025, 2, 5},
        {2026, 8, 6},  // 31 days from a Saturday
    };
    for (const auto& row : table) {
        const std::string month = FormatMonth(LoadedAlmanac(), row.Year, row.Month, TColorMode::Plain, {});
        const std::string grid = month.substr(0, month.find("\n\n") + 1);
        EXPECT_EQ(LineCount(grid), 2 + 2 * row.Weeks) << row.Year << "-" << row.Month;
    }
}

// Colour only wraps the day figures; the columns stay where the plain text has them.
TEST(MonthView, ColorEscapesWrapTheDaysInThePageColors) {
    const TMonthColors colors;  // the shipped scheme: 日曜 $4040FF, 土曜 $FF6060, 祝日 $4060FF
    const std::string plain = FormatMonth(LoadedAlmanac(), 2019, 5, TColorMode::Plain, colors);
    EXPECT_EQ(plain.find('\x1b'), std::string::npos);
    const std::string trueColor = FormatMonth(LoadedAlmanac(), 2019, 5, TColorMode::TrueColor, colors);
    const std::string palette = FormatMonth(LoadedAlmanac(), 2019, 5, TColorMode::Palette256, colors);
    EXPECT_EQ(WithoutEscapes(trueColor), plain);
    EXPECT_EQ(WithoutEscapes(palette), plain);

    EXPECT_NE(trueColor.find("\x1b[38;2;255;64;64m  12\x1b[0m"), std::string::npos);  // Sunday
    EXPECT_NE(trueColor.find("\x1b[38;2;255;96;64m   5\x1b[0m"), std::string::npos);  // Sunday, こどもの日
    EXPECT_NE(trueColor.find("\x1b[38;2;96;96;255m  11\x1b[0m"), std::string::npos);  // Saturday
    EXPECT_NE(trueColor.find("\x1b[38;2;255;96;64m   2\x1b[0m"), std::string::npos);  // 国民の休日
    EXPECT_NE(trueColor.find("\x1b[38;2;255;96;64m   4\x1b[0m"), std::string::npos);  // みどりの日, a Saturday
    EXPECT_NE(trueColor.find("     7  "), std::string::npos);                         // a plain Tuesday
    // The nearest of the 6 × 6 × 6 cube: 255,64,64 → 5,1,1; 96,96,255 → 1,1,5.
    EXPECT_NE(palette.find("\x1b[38;5;203m  12\x1b[0m"), std::string::npos);
    EXPECT_NE(palette.find("\x1b[38;5;63m  11\x1b[0m"), std::string::npos);
}
