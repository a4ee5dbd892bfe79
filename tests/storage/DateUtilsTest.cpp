#include <gtest/gtest.h>

#include "storage/DateUtils.h"
#include "storage/Exception.h"
#include "storage/Text.h"

TEST(DayNumbers, KnownDaysAndWeekdays) {
    struct TCase {
        TYmd Date;
        int32_t DayNumber;
        int Weekday;
    };
    const TCase cases[] = {
        {{1899, 12, 30}, 0, 6},    {{1899, 12, 31}, 1, 7},       {{1900, 1, 1}, 2, 1},
        {{1899, 3, 1}, -304, 3},   {{1900, 2, 28}, 60, 3},       {{1900, 3, 1}, 61, 4},  // 1900 has no 29 February
        {{2000, 2, 29}, 36585, 2}, {{1970, 1, 1}, 25569, 4},     {{2026, 12, 7}, 46363, 1},
        {{1, 1, 1}, -693593, 1},   {{9999, 12, 31}, 2958465, 5}, {{1868, 9, 8}, -11435, 2},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(DayNumberOf(c.Date.Year, c.Date.Month, c.Date.Day), c.DayNumber) << c.DayNumber;
        EXPECT_EQ(YmdOf(c.DayNumber), c.Date) << c.DayNumber;
        EXPECT_EQ(IsoWeekday(c.DayNumber), c.Weekday) << c.DayNumber;
    }
}

TEST(DayNumbers, EveryDayOfTheRangeRoundTrips) {
    int32_t expected = DayNumberOf(1, 1, 1);
    for (int year = 1; year <= 9999; ++year)
        for (int month = 1; month <= 12; ++month)
            for (int day = 1; day <= DaysInMonth(year, month); ++day) {
                ASSERT_EQ(DayNumberOf(year, month, day), expected) << year << "-" << month << "-" << day;
                ASSERT_EQ(YmdOf(expected), (TYmd{year, month, day}));
                ++expected;
            }
}

TEST(YmdText, DateFromYmdGivesZeroForAnythingInvalid) {
    EXPECT_EQ(DateFromYmd("20261207"), 46363.0);
    EXPECT_EQ(DateFromYmd("20260230"), 0.0);  // 30 February
    EXPECT_EQ(DateFromYmd("2026ab07"), 0.0);  // letters in the month
    EXPECT_EQ(DateFromYmd("202612x7"), 0.0);
    EXPECT_EQ(DateFromYmd("2026"), 0.0);
    EXPECT_EQ(DateFromYmd(""), 0.0);
    EXPECT_EQ(DateFromYmd("0000101"), 0.0);
    EXPECT_EQ(DateFromYmd("$7E81207"), 0.0);  // hexadecimal is no year
    EXPECT_EQ(FormatYmd(46363), "20261207");
    EXPECT_EQ(FormatYmd(0), "18991230");
}

TEST(YmdText, DayFromYmdCountsNonNumbersAsZeroAndRejectsImpossibleDates) {
    EXPECT_EQ(DayFromYmd("20261207"), 46363);
    EXPECT_THROW(DayFromYmd("xxxx0101"), Exception);  // year 0
    EXPECT_THROW(DayFromYmd("20261301"), Exception);
    EXPECT_THROW(DayFromYmd("202612"), Exception);  // day 0
    try {
        DayFromYmd("abcd0101");
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), std::string("日付に変換できない値が渡されました"));
    }
}

TEST(Clock, TodayAndNowComeFromTheOneClockUntilItIsGivenBack) {
    const TLocalMoment lastMillisecond{DayNumberOf(2028, 2, 29), MillisecondsPerDay - 1};
    SetClock([&] { return lastMillisecond; });
    EXPECT_EQ(Now(), lastMillisecond);
    EXPECT_EQ(Today(), DayNumberOf(2028, 2, 29));
    EXPECT_EQ((TLocalMoment{46363, 6 * 60 * 60 * 1000}.DayTime()), 46363.25);
    SetClock(nullptr);  // the system's local time again
    EXPECT_GT(Today(), DayNumberOf(2024, 1, 1));
}
