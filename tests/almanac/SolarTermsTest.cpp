#include <gtest/gtest.h>

#include "AlmanacTestSupport.h"

namespace {

struct TTermDay {
    const char* Date;
    const char* Name;  // "" for a day that is no term
};

template <size_t N>
void ExpectTerms(const TTermDay (&cases)[N]) {
    TAlmanacAt almanac;
    for (const TTermDay& c : cases)
        EXPECT_EQ(Utf8(almanac.At(c.Date).SolarTermName), c.Name) << c.Date;
}

}  // namespace

TEST(SolarTerms, TermsAndSeasonalDaysOf2014) {
    const TTermDay cases[] = {
        {"2014-01-05", "小寒"},   {"2014-01-17", "土用入"},   {"2014-01-20", "大寒"},     {"2014-02-03", "節分"},
        {"2014-02-04", "立春"},   {"2014-03-18", "彼岸入"},   {"2014-03-21", "春分"},     {"2014-03-24", "彼岸明"},
        {"2014-04-17", "土用入"}, {"2014-05-02", "八十八夜"}, {"2014-06-11", "入梅"},     {"2014-06-21", "夏至"},
        {"2014-07-02", "半夏生"}, {"2014-07-20", "土用入"},   {"2014-09-01", "二百十日"}, {"2014-09-20", "秋彼岸入"},
        {"2014-09-23", "秋分"},   {"2014-09-26", "秋彼岸明"}, {"2014-10-20", "土用入"},   {"2014-11-07", "立冬"},
        {"2014-12-07", "大雪"},   {"2014-12-22", "冬至"},     {"2014-12-23", ""},         {"2014-07-01", ""},
    };
    ExpectTerms(cases);
}

// The equinoxes land on the JST day of the event, also when the search starts on the day
// before it; the published days of several years.
TEST(SolarTerms, EquinoxesOnTheirPublishedDays) {
    const TTermDay cases[] = {
        {"2005-03-20", "春分"}, {"2007-03-21", "春分"}, {"2012-03-20", "春分"}, {"2012-09-22", "秋分"},
        {"2016-09-22", "秋分"}, {"2019-03-21", "春分"}, {"2024-09-22", "秋分"}, {"2027-03-21", "春分"},
        {"2028-09-22", "秋分"}, {"2007-03-20", ""},
    };
    ExpectTerms(cases);
}

// Terms that fall minutes before midnight JST land on their own day, and the seasonal days
// counted from them move with them: 立春 2021 at 23:59 on 02-03 makes 02-02 節分.
TEST(SolarTerms, TermsJustBeforeMidnight) {
    const TTermDay cases[] = {
        {"2021-02-02", "節分"}, {"2021-02-03", "立春"}, {"2021-02-04", ""},     {"2023-06-21", "夏至"},
        {"2023-06-22", ""},     {"1998-10-23", "霜降"}, {"1998-10-24", ""},     {"2030-02-18", "雨水"},
        {"2030-02-19", ""},     {"2025-02-02", "節分"}, {"2025-02-03", "立春"}, {"1985-02-04", "立春"},
    };
    ExpectTerms(cases);
}

// Before 1888 the days are those of Tokyo mean time, 18 min 59 s ahead of JST: a term from
// 23:41:01 JST on falls on the next day, as do the seasonal days counted from it (times of
// the independent computation in tests/data/almanac/ReferenceInstants1873.txt; the starts
// of doyō are 27° and 117° from the almanac's own series).
TEST(SolarTerms, DaysOf1873To1887InTokyoMeanTime) {
    const TTermDay cases[] = {
        {"1883-11-22", ""},     {"1883-11-23", "小雪"},  // 23:56:44 JST
        {"1885-04-04", ""},     {"1885-04-05", "清明"},  // 23:56:24 JST
        {"1886-05-05", ""},     {"1886-05-06", "立夏"},  // 23:55:45 JST
        {"1887-10-08", ""},     {"1887-10-09", "寒露"},  // 23:49:31 JST
        {"1884-04-16", ""},     {"1884-04-17", "土用入"}, {"1881-07-19", ""}, {"1881-07-20", "土用入"},
        {"1885-02-02", "節分"}, {"1885-02-03", "立春"},  // 23:40:31 JST: still 02-03 23:59:30 in Tokyo
        {"1880-01-21", "大寒"},                          // 00:01:16 JST
    };
    ExpectTerms(cases);
}

// The equinoxes within minutes of midnight in the years of the 皇霊祭 holidays: the day of
// the event in JST (from 1888 on) is the day of the term and of the holiday, as the
// almanacs of those years printed it.
TEST(SolarTerms, EquinoxesNearMidnightAndTheirHolidays) {
    struct TEquinox {
        const char* Date;
        const char* Term;
        const char* Holiday;
    };
    const TEquinox cases[] = {
        {"1888-09-22", "秋分", "秋季皇霊祭"},  // 23:53:47 JST
        {"1888-09-23", "", ""},
        {"1894-03-20", "春分", "春季皇霊祭"},  // 23:59:21 JST
        {"1894-03-21", "", ""},
        {"1917-09-23", "", ""},
        {"1917-09-24", "秋分", "秋季皇霊祭"},  // 00:00:12 JST
        {"1927-03-21", "春分", "春季皇霊祭"},  // 23:59:07 JST
        {"1927-03-22", "", ""},
    };
    TAlmanacAt almanacs;
    for (const TEquinox& c : cases) {
        const TDayFacts almanac = almanacs.At(c.Date);
        EXPECT_EQ(Utf8(almanac.SolarTermName), c.Term) << c.Date;
        EXPECT_EQ(Utf8(almanac.HolidayName), c.Holiday) << c.Date;
    }
}

// Table rows win over the seasonal days counted from them when two fall on one day, and
// the table holds the 30 rows followed by the 7 seasonal days, all in the cached year.
TEST(SolarTerms, TableOrderAndYearBounds) {
    TAlmanacAt almanacs;
    for (int year : {1900, 1955, 2000, 2033, 2100}) {
        const TAlmanac::TYearTables& tables = almanacs.Tables(year);
        const TTaggedStrings& terms = tables.Terms;
        ASSERT_EQ(terms.Count(), 37);
        for (int i = 0; i < terms.Count(); ++i) {
            EXPECT_GE(terms.Tags(i), DayNumberOf(year, 1, 1)) << year << " " << i;
            EXPECT_LE(terms.Tags(i), DayNumberOf(year, 12, 31)) << year << " " << i;
        }
        EXPECT_EQ(Utf8(terms.Strings(18)), "立冬");
        EXPECT_EQ(terms.Tags(30), terms.Tags(0) - 1);   // 節分
        EXPECT_EQ(terms.Tags(36), terms.Tags(15) + 3);  // 秋彼岸明
    }
}
