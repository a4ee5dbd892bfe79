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
        EXPECT_EQ(Utf8(almanac.At(c.Date).SolarTermName()), c.Name) << c.Date;
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

// Table rows win over the seasonal days counted from them when two fall on one day, and
// the table holds the 30 rows followed by the 7 seasonal days, all in the cached year.
TEST(SolarTerms, TableOrderAndYearBounds) {
    TAlmanacAt almanacs;
    for (int year : {1900, 1955, 2000, 2033, 2100}) {
        TAlmanac& almanac = almanacs.At(DayNumberOf(year, 6, 1));
        almanac.UpdateYear();
        const TTaggedStrings& terms = almanac.Terms();
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
