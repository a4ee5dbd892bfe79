#include <gtest/gtest.h>

#include <cmath>
#include <future>
#include <limits>

#include "AlmanacTestSupport.h"
#include "almanac/Almanac.h"
#include "almanac/Angles.h"
#include "almanac/CalendarDate.h"
#include "almanac/CivilTime.h"
#include "almanac/Ephemeris.h"
#include "almanac/Numerals.h"

TEST(AlmanacDate, FieldsWeekdaysErasAndSexagenaryDays) {
    struct TCase {
        const char* Date;
        const char* Weekday;
        const char* Kanji;
        const char* Month;
        const char* Era;
        int EraYear;
        const char* Eto;
    };
    const TCase cases[] = {
        {"1868-09-07", "Monday", "月", "SEPTEMBER", "", 0, "丙申"},
        {"1868-09-08", "Tuesday", "火", "SEPTEMBER", "明治", 1, "丁酉"},
        {"1900-01-01", "Monday", "月", "JANUALY", "明治", 33, "甲戌"},
        {"1912-07-29", "Monday", "月", "JULY", "明治", 45, "丙午"},
        {"1912-07-30", "Tuesday", "火", "JULY", "大正", 1, "丁未"},
        {"1926-12-24", "Friday", "金", "DECEMBER", "大正", 15, "丁亥"},
        {"1926-12-25", "Saturday", "土", "DECEMBER", "昭和", 1, "戊子"},
        {"1989-01-07", "Saturday", "土", "JANUALY", "昭和", 64, "丁卯"},
        {"1989-01-08", "Sunday", "日", "JANUALY", "平成", 1, "戊辰"},
        {"2000-01-01", "Saturday", "土", "JANUALY", "平成", 12, "戊午"},
        {"2000-02-29", "Tuesday", "火", "FEBRUALY", "平成", 12, "丁巳"},
        {"2019-04-30", "Tuesday", "火", "APRIL", "平成", 31, "丁酉"},
        {"2019-05-01", "Wednesday", "水", "MAY", "令和", 1, "戊戌"},
        {"2024-01-01", "Monday", "月", "JANUALY", "令和", 6, "甲子"},
        {"1899-12-30", "Saturday", "土", "DECEMBER", "明治", 32, "壬申"},
        {"0001-01-01", "Monday", "月", "JANUALY", "", 0, "己卯"},
    };
    TAlmanac calendar;
    for (const TCase& c : cases) {
        const TDayFacts almanac = calendar.FactsOf(Day(c.Date));
        EXPECT_EQ(almanac.DayNumber, Day(c.Date)) << c.Date;
        EXPECT_EQ(almanac.DayOfWeekName, c.Weekday) << c.Date;
        EXPECT_EQ(Utf8(almanac.DayOfWeekKanji), c.Kanji) << c.Date;
        EXPECT_EQ(almanac.MonthName, c.Month) << c.Date;
        EXPECT_EQ(Utf8(almanac.EraName), c.Era) << c.Date;
        EXPECT_EQ(almanac.EraYear, c.EraYear) << c.Date;
        EXPECT_EQ(Utf8(almanac.Eto), c.Eto) << c.Date;
    }
}

TEST(AlmanacDate, DaysOutsideTheCalendarAreBroughtIntoIt) {
    TAlmanac almanac;
    EXPECT_EQ(almanac.FactsOf(-1).Day, 29);  // 1899-12-29
    EXPECT_EQ(almanac.FactsOf(1000000000).Year, 9999);
    EXPECT_EQ(almanac.FactsOf(1000000000).Month, 12);
    const TDayFacts clamped = almanac.FactsOf(-100000000);
    EXPECT_EQ(clamped.DayNumber, FirstSupportedDay);
    EXPECT_EQ(clamped.Year, 1);
    EXPECT_EQ(ContinuousDays(-1.25), -0.75);
    EXPECT_EQ(ContinuousDays(-3.0), -3.0);
    EXPECT_EQ(ContinuousDays(DateOfDay(-5, 0.5)), -4.5);
}

TEST(AlmanacYearCache, RebuildsOncePerYearChange) {
    TAlmanacAt almanacs;
    const TAlmanac& almanac = almanacs.Almanac();
    EXPECT_EQ(almanac.TableBuildCount(), 0);  // loading the holidays builds nothing
    almanac.FactsOf(Day("2014-03-01"));
    EXPECT_EQ(almanac.CachedYear(), 2014);
    const int first = almanac.TableBuildCount();
    almanac.FactsOf(Day("2015-06-01"));
    almanac.FactsOf(Day("2015-12-31"));
    almanac.TablesOf(2015);
    EXPECT_EQ(almanac.TableBuildCount(), first + 1);
    EXPECT_EQ(almanac.CachedYear(), 2015);
    EXPECT_EQ(Utf8(almanac.FactsOf(Day("2014-03-01")).LunarMonthName), "二月");
    EXPECT_EQ(almanac.TableBuildCount(), first + 2);
}

TEST(AlmanacNumerals, FullWidthDigitsAndKanjiNumerals) {
    const std::pair<int, const char*> digits[] = {{0, "〇"}, {1, "１"}, {9, "９"}, {10, "10"}, {12, "12"}, {-3, "-3"}};
    for (const auto& [n, text] : digits)
        EXPECT_EQ(Utf8(ToFullWidthDigit(n)), text) << n;
    const std::pair<int, const char*> kanji[] = {
        {0, "零"},
        {1, "一"},
        {10, "十"},
        {11, "十一"},
        {15, "十五"},
        {20, "二十"},
        {30, "三十"},
        {100, "百"},
        {103, "百三"},
        {110, "百十"},
        {1989, "千九百八十九"},
        {2014, "二千十四"},
        {10000, "万"},
        {12345, "万二千三百四十五"},
        {200000, "二十万"},
        {-1, ""},
    };
    for (const auto& [n, text] : kanji)
        EXPECT_EQ(Utf8(ToKanjiNumeral(n)), text) << n;
}

// The day count of the time argument against days counted one by one from 1974-12-31;
// the instant is 0h JST, that is 15h UT of the day before.
TEST(AlmanacTimeArgument, CountsTrueDaysFrom1975OnEveryDate) {
    const char* dates[] = {"1975-01-02", "1900-01-01", "1899-12-31", "1899-03-01", "1899-02-28", "1800-03-01",
                           "2100-02-28", "2100-03-01", "2101-01-01", "0001-01-01", "9999-12-31"};
    const int32_t origin = Day("1974-12-31");
    for (const char* date : dates) {
        const double expected = (Day(date) - 1 - origin + 15.0 / 24.0) / 365.25;
        EXPECT_NEAR(TimeArgument(Day(date)), expected, 1e-12) << date;
    }
    // Minutes are dropped: 0h JST and 0h59 JST share their time argument.
    EXPECT_EQ(TimeArgument(Day("2020-06-01") + 59.0 / 1440.0), TimeArgument(Day("2020-06-01")));
}

TEST(AlmanacAngles, NormalizeAndShortestDifference) {
    const std::pair<double, double> normalized[] = {{360, 0},  {0, 0},       {-0.5, 359.5},   {725, 5},
                                                    {-360, 0}, {-1e-300, 0}, {359.75, 359.75}};
    for (const auto& [angle, expected] : normalized)
        EXPECT_DOUBLE_EQ(NormalizeDegrees(angle), expected) << angle;
    EXPECT_DOUBLE_EQ(LongitudeDifference(0.5 - 359.5), 1.0);   // across 0°, forwards
    EXPECT_DOUBLE_EQ(LongitudeDifference(359.5 - 0.5), -1.0);  // across 0°, backwards
    EXPECT_DOUBLE_EQ(LongitudeDifference(180), 180);
    EXPECT_DOUBLE_EQ(LongitudeDifference(-180), 180);
}

TEST(AlmanacGlobal, CreatedAndFreedByTheProgram) {
    CreateAlmanac();
    EXPECT_EQ(Almanac().FactsOf(Day("2025-01-01")).Year, 2025);
    DestroyAlmanac();
}

// FactsOf walks the days in an order that changes the cached year at almost every step,
// while another almanac walks them day by day: the year cache must never tell a different
// story about one day.
TEST(AlmanacFacts, TheYearCacheAnswersAsAFreshAlmanacDoes) {
    TAlmanacAt stepping;
    TAlmanacAt hopping;
    const std::pair<const char*, int> spans[] = {
        {"2022-12-20", 460},  // 閏二月 2023, the turn of two years, a substitute holiday on 2023-01-02
        {"1868-09-01", 14},   // the first era begins
        {"1899-12-25", 10},   // before and after day 0
        {"2033-12-15", 45},   // 閏十一月
        {"0001-01-01", 3},    // the first supported days
        {"9999-12-29", 3},    // the last
    };
    for (const auto& [first, count] : spans)
        for (int offset = 0; offset < count; ++offset) {
            const int32_t day = Day(first) + offset;
            hopping.At("1950-06-01");  // another year in between
            const TDayFacts asked = hopping.At(day);
            const TDayFacts walked = stepping.At(day);
            const std::string where = first + std::string(" +") + std::to_string(offset);
            EXPECT_EQ(asked.DayNumber, walked.DayNumber) << where;
            EXPECT_EQ(asked.SolarTermName, walked.SolarTermName) << where;
            EXPECT_EQ(asked.LunarMonthName, walked.LunarMonthName) << where;
            EXPECT_EQ(asked.LunarDay, walked.LunarDay) << where;
            EXPECT_EQ(asked.Rokuyo, walked.Rokuyo) << where;
            EXPECT_EQ(asked.IsHoliday, walked.IsHoliday) << where;
            EXPECT_EQ(asked.HolidayName, walked.HolidayName) << where;
        }
}

// A page query in the cached year builds nothing; only a change of year does.
TEST(AlmanacFacts, BuildTablesOnlyWhenTheYearChanges) {
    TAlmanacAt almanacs;
    const TAlmanac& almanac = almanacs.Almanac();
    almanac.FactsOf(Day("2025-03-01"));
    const int builds = almanac.TableBuildCount();
    for (int offset = 0; offset < 365; ++offset)
        almanac.FactsOf(Day("2025-01-01") + offset);
    EXPECT_EQ(almanac.TableBuildCount(), builds);
    almanac.FactsOf(Day("2026-01-01"));
    EXPECT_EQ(almanac.TableBuildCount(), builds + 1);
}

// Start-up works out the sky of this year on another thread: the almanac takes it for that
// year only, and answers with it as it does without.
TEST(AlmanacFacts, ASkyWorkedOutAheadIsTakenForItsYearOnly) {
    TAlmanac ahead;
    TAlmanac plain;
    bool worked = false;
    ahead.ExpectSky(2033, std::async(std::launch::deferred, [&worked] {
                        worked = true;
                        return SkyOfYear(2033);
                    }));
    ahead.FactsOf(Day("2032-06-01"));
    EXPECT_FALSE(worked);
    for (int offset = 0; offset < 60; ++offset) {  // 閏十一月 2033
        const int32_t day = Day("2033-11-20") + offset;
        const TDayFacts got = ahead.FactsOf(day), expected = plain.FactsOf(day);
        EXPECT_EQ(got.SolarTermName, expected.SolarTermName) << offset;
        EXPECT_EQ(got.LunarMonthName, expected.LunarMonthName) << offset;
        EXPECT_EQ(got.LunarDay, expected.LunarDay) << offset;
        EXPECT_EQ(got.Rokuyo, expected.Rokuyo) << offset;
    }
    EXPECT_TRUE(worked);
}

// The solar terms and lunar months of the years about now come from a table made when the
// program was built: for every year of it and either side, the same as worked out.
TEST(AlmanacFacts, TheSkyTableMadeAtBuildTimeGivesWhatTheEphemerisGives) {
    for (int year = 1985; year <= 2105; ++year) {
        const TYearSky tabled = SkyOfYear(year), worked = WorkedOutSkyOfYear(year);
        ASSERT_EQ(tabled.Terms.Count(), worked.Terms.Count()) << year;
        for (int i = 0; i < worked.Terms.Count(); ++i) {
            EXPECT_EQ(tabled.Terms.Strings(i), worked.Terms.Strings(i)) << year << " " << i;
            EXPECT_EQ(tabled.Terms.Tags(i), worked.Terms.Tags(i)) << year << " " << i;
        }
        ASSERT_EQ(tabled.Months.size(), worked.Months.size()) << year;
        for (size_t i = 0; i < worked.Months.size(); ++i) {
            EXPECT_EQ(tabled.Months[i].FirstDay, worked.Months[i].FirstDay) << year << " " << i;
            EXPECT_EQ(tabled.Months[i].Number, worked.Months[i].Number) << year << " " << i;
            EXPECT_EQ(tabled.Months[i].Leap, worked.Months[i].Leap) << year << " " << i;
        }
    }
}

// The civil day of an instant and the instant of a civil midnight on either side of
// 1888-01-01 0h JST, when Tokyo mean time (18 min 59 s ahead) gave way to JST.
TEST(AlmanacCivilTime, TokyoMeanTimeUntil1888) {
    constexpr double Second = 1.0 / 86400.0;
    const int32_t change = Day("1888-01-01");
    const double tokyoAhead = TokyoMeanTimeAheadSeconds * Second;
    const std::pair<double, int32_t> instants[] = {
        {change - tokyoAhead - Second, change - 1},  // 1887-12-31 23:59:59 Tokyo
        {change - tokyoAhead, change},               // 1888-01-01 0h Tokyo
        {change - Second, change},                   // 00:18:58 Tokyo, the day of the change
        {change, change},                            // 0h JST
        {change + 1 - Second, change},
        {change + 1, change + 1},
        {Day("1884-04-25") + (23 * 3600 + 57 * 60) * Second, Day("1884-04-26")},
        {Day("1888-04-25") + (23 * 3600 + 57 * 60) * Second, Day("1888-04-25")},
    };
    for (const auto& [instant, day] : instants)
        EXPECT_EQ(CivilDayOfInstant(instant), day) << std::fixed << instant;
    EXPECT_DOUBLE_EQ(CivilMidnightInstant(change - 1), change - 1 - tokyoAhead);
    EXPECT_DOUBLE_EQ(CivilMidnightInstant(change), change);
    for (int32_t day : {Day("1873-01-01"), change - 1, change, Day("2026-12-08")})
        EXPECT_EQ(CivilDayOfInstant(CivilMidnightInstant(day)), day) << day;
}
