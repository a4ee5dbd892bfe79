#include <gtest/gtest.h>

#include <cmath>

#include "AlmanacTestSupport.h"
#include "almanac/LunarCalendar.h"

namespace {

struct TLunarDate {
    const char* Date;
    const char* Month;
    int Day;
    const char* Rokuyo;  // "" when not checked
};

template <size_t N>
void ExpectLunarDates(const TLunarDate (&cases)[N]) {
    TAlmanacAt almanacs;
    for (const TLunarDate& c : cases) {
        const TDayFacts almanac = almanacs.At(c.Date);
        EXPECT_EQ(Utf8(almanac.LunarMonthName), c.Month) << c.Date;
        EXPECT_EQ(almanac.LunarDay, c.Day) << c.Date;
        if (*c.Rokuyo) {
            EXPECT_EQ(Utf8(almanac.Rokuyo), c.Rokuyo) << c.Date;
        }
    }
}

}  // namespace

TEST(LunarCalendar, MonthsOf2014WithTheLeapNinthMonth) {
    const TLunarDate cases[] = {
        {"2013-12-03", "十一月", 1, "大安"},  {"2014-01-01", "十二月", 1, "赤口"},  {"2014-01-31", "正月", 1, "先勝"},
        {"2014-03-01", "二月", 1, "友引"},    {"2014-03-31", "三月", 1, "先負"},    {"2014-09-24", "九月", 1, "先負"},
        {"2014-10-23", "九月", 30, "友引"},   {"2014-10-24", "閏九月", 1, "先負"},  {"2014-11-22", "十月", 1, "仏滅"},
        {"2014-12-21", "十月", 30, "先負"},   {"2014-12-22", "十一月", 1, "大安"},  // new moon on the solstice
        {"2014-12-31", "十一月", 10, "友引"}, {"2015-01-01", "十一月", 11, "先負"},
    };
    ExpectLunarDates(cases);
}

// New year days (旧正月) and leap months as published in Japanese almanacs.
TEST(LunarCalendar, PublishedNewYearsAndLeapMonths) {
    const TLunarDate cases[] = {
        {"2023-01-22", "正月", 1, "先勝"},   {"2024-02-10", "正月", 1, "先勝"},   {"2025-01-29", "正月", 1, "先勝"},
        {"2026-02-17", "正月", 1, "先勝"},   {"2017-06-24", "閏五月", 1, "大安"}, {"2017-07-23", "六月", 1, "赤口"},
        {"2012-04-21", "閏三月", 1, "先負"}, {"2020-05-23", "閏四月", 1, "仏滅"}, {"2023-03-22", "閏二月", 1, "友引"},
        {"2025-07-25", "閏六月", 1, "赤口"}, {"1984-11-23", "閏十月", 1, "仏滅"},
    };
    ExpectLunarDates(cases);
}

// Years in which numbering the months by individual principal terms goes wrong: 2033 gets
// the accepted 閏十一月, 1985 and 2053 have no leap month at all.
TEST(LunarCalendar, YearsThatNeedTheSequentialRule) {
    const TLunarDate cases[] = {
        {"2033-08-25", "八月", 1, ""},   {"2033-09-23", "九月", 1, ""},         {"2033-10-23", "十月", 1, ""},
        {"2033-11-22", "十一月", 1, ""}, {"2033-12-22", "閏十一月", 1, "大安"}, {"2034-01-20", "十二月", 1, ""},
        {"2034-02-19", "正月", 1, ""},   {"2034-03-20", "二月", 1, ""},
    };
    ExpectLunarDates(cases);
    TAlmanacAt almanacs;
    for (int year : {1985, 2053}) {
        const TAlmanac::TYearTables& tables = almanacs.Tables(year);
        for (int i = 0; i < tables.Moons.Count(); ++i)
            EXPECT_EQ(Utf8(tables.Moons.Strings(i)).find("閏"), std::string::npos) << year << " " << i;
    }
}

// Every day from 1873 to 2100 lies in a properly named month, its lunar day is 1..30, and
// the month changes exactly when the lunar day returns to 1.
TEST(LunarCalendar, EveryDayFrom1873To2100HasAProperMonth) {
    static const char* const Names[] = {"正月", "二月", "三月", "四月", "五月",   "六月",
                                        "七月", "八月", "九月", "十月", "十一月", "十二月"};
    TAlmanacAt almanacs;
    std::string previousMonth;
    int previousDay = 0;
    for (int32_t day = Day("1873-01-01"); day <= Day("2100-12-31"); ++day) {
        const TDayFacts almanac = almanacs.At(day);
        std::string month = Utf8(almanac.LunarMonthName);
        const int lunarDay = almanac.LunarDay;
        ASSERT_TRUE(lunarDay >= 1 && lunarDay <= 30) << day;
        ASSERT_TRUE(lunarDay == previousDay + 1 || (lunarDay == 1 && previousDay >= 29) || previousDay == 0)
            << almanac.Year << "-" << almanac.Month << "-" << almanac.Day;
        ASSERT_TRUE(lunarDay == 1 || previousDay == 0 || month == previousMonth) << day;
        previousMonth = month;
        previousDay = lunarDay;
        const std::string plain = month.rfind("閏", 0) == 0 ? month.substr(std::string("閏").size()) : month;
        ASSERT_NE(std::find(std::begin(Names), std::end(Names), plain), std::end(Names)) << month << " " << day;
    }
}

// The new moon of 1900-01-01 starts 十二月 on that day; the day before ends 十一月.
TEST(LunarCalendar, NewMoonOf1900January1) {
    const TLunarDate cases[] = {{"1900-01-01", "十二月", 1, "赤口"}, {"1900-01-30", "十二月", 30, ""}};
    ExpectLunarDates(cases);
    TAlmanacAt almanacs;
    const TDayFacts almanac = almanacs.At("1899-12-31");
    EXPECT_EQ(Utf8(almanac.LunarMonthName), "十一月");
    EXPECT_GE(almanac.LunarDay, 29);
}

// Before 1888 the months begin on the day of the new moon in Tokyo mean time: 1873-01-01,
// the first day of the solar calendar, was 十二月三日 (the new moon of 1872-12-30 15:36 JST),
// and the new moon of 1884-04-25 23:57 JST fell on 04-26 00:16 in Tokyo, which began 四月.
TEST(LunarCalendar, MonthsInTokyoMeanTimeBefore1888) {
    const TLunarDate cases[] = {
        {"1872-12-29", "十一月", 29, ""}, {"1872-12-30", "十二月", 1, "赤口"}, {"1873-01-01", "十二月", 3, "友引"},
        {"1884-04-25", "三月", 30, ""},   {"1884-04-26", "四月", 1, "仏滅"},
    };
    ExpectLunarDates(cases);
}

// The scan for new moons with a made-up moon age: 29.5 days a month, new moon at 0h of
// day 10 exactly and then within later days.
TEST(LunarCalendar, NewMoonDaysFromTheMoonAge) {
    auto age = [](int32_t day) {
        const double sinceNewMoon = std::fmod(day - 10.0 + 29.5 * 4, 29.5);
        return sinceNewMoon * 30.0 / 29.5;
    };
    EXPECT_EQ(FindNewMoonDays(0, 80, age), (std::vector<int32_t>{10, 39, 69}));
    // An age of exactly 0 at 0h puts the new moon on that day, not also on the day before.
    EXPECT_EQ(FindNewMoonDays(9, 10, age), (std::vector<int32_t>{10}));
    EXPECT_EQ(FindNewMoonDays(9, 9, age), (std::vector<int32_t>{}));
    EXPECT_EQ(FindNewMoonDays(5, 4, age), (std::vector<int32_t>{}));
}

// Month numbering from new moons, solstices and principal terms (made-up day numbers: a
// month every 30 days).
TEST(LunarCalendar, NumberingAndTheLeapMonthRule) {
    struct TCase {
        const char* Title;
        std::vector<int32_t> NewMoons;
        std::vector<int32_t> Solstices;
        std::vector<int32_t> PrincipalTerms;
        std::vector<std::pair<int, bool>> Expected;
    };
    auto every30 = [](int count) {
        std::vector<int32_t> days;
        for (int i = 0; i < count; ++i)
            days.push_back(i * 30);
        return days;
    };
    const TCase cases[] = {
        // clang-format off
        {"twelve months: the month without a term is no leap month", every30(14), {5, 365},
         {5, 40, 70, 100, 130, 160, 190, 220, 250, 305, 335, 365},
         {{11, false}, {12, false}, {1, false}, {2, false}, {3, false}, {4, false}, {5, false}, {6, false},
          {7, false}, {8, false}, {9, false}, {10, false}, {11, false}}},
        {"thirteen months: the first without a term repeats the number before it", every30(15), {5, 395},
         {5, 40, 70, 100, 130, 190, 220, 250, 280, 310, 340, 370, 395},
         {{11, false}, {12, false}, {1, false}, {2, false}, {3, false}, {3, true}, {4, false}, {5, false},
          {6, false}, {7, false}, {8, false}, {9, false}, {10, false}, {11, false}}},
        {"thirteen months, two without a term: only the first is leap", every30(15), {5, 395},
         {5, 70, 70, 100, 130, 190, 220, 250, 280, 310, 340, 370, 395},
         {{11, false}, {11, true}, {12, false}, {1, false}, {2, false}, {3, false}, {4, false}, {5, false},
          {6, false}, {7, false}, {8, false}, {9, false}, {10, false}, {11, false}}},
        {"a solstice before the first new moon", every30(14), {-5, 365}, {}, {}},
        // clang-format on
    };
    for (const TCase& c : cases) {
        std::vector<std::pair<int, bool>> numbers;
        for (const TLunarMonth& month : NumberLunarMonths(c.NewMoons, c.Solstices, c.PrincipalTerms))
            numbers.emplace_back(month.Number, month.Leap);
        EXPECT_EQ(numbers, c.Expected) << c.Title;
    }
}

// The first day of each month number starts the cycle one name further, 七月 starts it
// again; every day takes the next name round the cycle of six.
TEST(LunarCalendar, RokuyoFromTheMonthNumberAndTheDay) {
    struct TCase {
        int Month;
        int Day;
        const char* Rokuyo;
    };
    const TCase cases[] = {
        {1, 1, "先勝"},  {2, 1, "友引"},   {3, 1, "先負"},  {4, 1, "仏滅"}, {5, 1, "大安"}, {6, 1, "赤口"},
        {7, 1, "先勝"},  {8, 1, "友引"},   {12, 1, "赤口"}, {1, 2, "友引"}, {1, 6, "赤口"}, {1, 7, "先勝"},
        {6, 30, "大安"}, {12, 29, "仏滅"}, {0, 1, ""},      {13, 1, ""},    {1, 0, ""},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(Utf8(RokuyoName(c.Month, c.Day)), c.Rokuyo) << c.Month << "/" << c.Day;
}
