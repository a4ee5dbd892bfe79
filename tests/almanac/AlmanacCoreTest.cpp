#include <gtest/gtest.h>

#include <cmath>
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
    TAlmanac almanac;
    for (const TCase& c : cases) {
        almanac.SetDate(DateOfDay(Day(c.Date), 0.75));
        EXPECT_EQ(almanac.DayNumber(), Day(c.Date)) << c.Date;
        EXPECT_EQ(almanac.DayOfWeekName(), c.Weekday) << c.Date;
        EXPECT_EQ(Utf8(almanac.DayOfWeekKanji()), c.Kanji) << c.Date;
        EXPECT_EQ(almanac.MonthName(), c.Month) << c.Date;
        EXPECT_EQ(Utf8(almanac.EraName()), c.Era) << c.Date;
        EXPECT_EQ(almanac.EraYear(), c.EraYear) << c.Date;
        EXPECT_EQ(Utf8(almanac.DayEto()), c.Eto) << c.Date;
    }
}

TEST(AlmanacDate, TimeOfDayAndDatesOutsideTheCalendar) {
    TAlmanac almanac;
    almanac.SetDate(Day("1989-01-07") + 0.999);  // late evening stays in 昭和
    EXPECT_EQ(Utf8(almanac.EraName()), "昭和");
    almanac.SetDate(-1.25);  // 1899-12-29 06:00 on the date scale
    EXPECT_EQ(almanac.Day(), 29);
    almanac.SetDate(1e12);
    EXPECT_EQ(almanac.Year(), 9999);
    EXPECT_EQ(almanac.Month(), 12);
    almanac.SetDate(-1e12);
    EXPECT_EQ(almanac.Year(), 1);
    almanac.SetDate(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(almanac.DayNumber(), 0);
    EXPECT_EQ(ContinuousDays(-1.25), -0.75);
    EXPECT_EQ(ContinuousDays(-3.0), -3.0);
    EXPECT_EQ(ContinuousDays(DateOfDay(-5, 0.5)), -4.5);
}

TEST(AlmanacYearCache, RebuildsOncePerYearChange) {
    TAlmanacAt almanacs;
    TAlmanac& almanac = almanacs.At("2014-03-01");
    EXPECT_EQ(almanac.CachedYear(), 1899);  // loading built the tables of the date then held
    almanac.IsHoliday();
    EXPECT_EQ(almanac.CachedYear(), 2014);
    const int afterLoad = almanac.TableBuildCount();
    almanac.SetDate(Day("2015-06-01"));
    EXPECT_EQ(almanac.TableBuildCount(), afterLoad);  // SetDate alone builds nothing
    almanac.HolidayName();
    almanac.Rokuyo();
    almanac.SetDate(Day("2015-12-31"));
    almanac.SolarTermName();
    almanac.LunarDay();
    EXPECT_EQ(almanac.TableBuildCount(), afterLoad + 1);
    EXPECT_EQ(almanac.CachedYear(), 2015);
    almanac.SetDate(Day("2014-03-01"));
    EXPECT_EQ(Utf8(almanac.LunarMonthName()), "二月");
    EXPECT_EQ(almanac.TableBuildCount(), afterLoad + 2);
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
    Almanac().SetDate(Day("2025-01-01"));
    EXPECT_EQ(Almanac().Year(), 2025);
    DestroyAlmanac();
    CreateAlmanac();
    EXPECT_EQ(Almanac().DayNumber(), 0);
    DestroyAlmanac();
}

namespace {

// Every field of `facts` against what the held-date queries of `held` (holding that day)
// answer; the two must never tell a different story about one day.
void ExpectFactsMatchHeldDate(const TDayFacts& facts, TAlmanac& held) {
    const std::string where = Utf8(held.DayOfWeekKanji()) + " " + std::to_string(held.DayNumber());
    EXPECT_EQ(facts.DayNumber, held.DayNumber()) << where;
    EXPECT_EQ(facts.Year, held.Year()) << where;
    EXPECT_EQ(facts.Month, held.Month()) << where;
    EXPECT_EQ(facts.Day, held.Day()) << where;
    EXPECT_EQ(facts.DayOfWeek, held.DayOfWeek()) << where;
    EXPECT_EQ(facts.DayOfWeekName, held.DayOfWeekName()) << where;
    EXPECT_EQ(facts.DayOfWeekKanji, held.DayOfWeekKanji()) << where;
    EXPECT_EQ(facts.MonthName, held.MonthName()) << where;
    EXPECT_EQ(facts.EraName, held.EraName()) << where;
    EXPECT_EQ(facts.EraYear, held.EraYear()) << where;
    EXPECT_EQ(facts.Eto, held.DayEto()) << where;
    EXPECT_EQ(facts.SolarTermName, held.SolarTermName()) << where;
    EXPECT_EQ(facts.LunarMonthName, held.LunarMonthName()) << where;
    EXPECT_EQ(facts.LunarDay, held.LunarDay()) << where;
    EXPECT_EQ(facts.Rokuyo, held.Rokuyo()) << where;
    EXPECT_EQ(facts.IsHoliday, held.IsHoliday()) << where;
    EXPECT_EQ(facts.HolidayName, held.HolidayName()) << where;
}

}  // namespace

// FactsOf walks the days in an order that changes the cached year at almost every step,
// while the held-date almanac moves day by day: the answers must agree all the same.
TEST(AlmanacFacts, AgreeWithTheHeldDateQueriesOnEveryDay) {
    TAlmanacAt held;
    TAlmanacAt asked;
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
            const TDayFacts facts = asked.At("1950-06-01").FactsOf(day);
            ExpectFactsMatchHeldDate(facts, held.At(day));
        }
}

TEST(AlmanacFacts, LeaveTheHeldDateAndItsAnswersAlone) {
    TAlmanacAt almanacs;
    TAlmanac& almanac = almanacs.At("2025-05-05");
    const double held = almanac.Date();
    const std::string holiday = almanac.HolidayName();
    const std::string rokuyo = almanac.Rokuyo();
    const std::string lunarMonth = almanac.LunarMonthName();
    ASSERT_EQ(Utf8(holiday), "こどもの日");

    // Another year, the same year and a day far outside the calendar.
    EXPECT_EQ(Utf8(almanac.FactsOf(Day("2031-02-11")).HolidayName), "建国記念の日");
    EXPECT_EQ(almanac.FactsOf(Day("2025-05-06")).Day, 6);
    const TDayFacts clamped = almanac.FactsOf(-100000000);
    EXPECT_EQ(clamped.DayNumber, FirstSupportedDay);
    EXPECT_EQ(clamped.Year, 1);

    EXPECT_EQ(almanac.Date(), held);
    EXPECT_EQ(almanac.HolidayName(), holiday);
    EXPECT_EQ(almanac.Rokuyo(), rokuyo);
    EXPECT_EQ(almanac.LunarMonthName(), lunarMonth);
    EXPECT_EQ(almanac.CachedYear(), 2025);
}

// A page query in the cached year builds nothing; only a change of year does.
TEST(AlmanacFacts, BuildTablesOnlyWhenTheYearChanges) {
    TAlmanacAt almanacs;
    TAlmanac& almanac = almanacs.At("2025-01-01");
    almanac.FactsOf(Day("2025-03-01"));
    const int builds = almanac.TableBuildCount();
    for (int offset = 0; offset < 365; ++offset)
        almanac.FactsOf(Day("2025-01-01") + offset);
    EXPECT_EQ(almanac.TableBuildCount(), builds);
    almanac.FactsOf(Day("2026-01-01"));
    EXPECT_EQ(almanac.TableBuildCount(), builds + 1);
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
