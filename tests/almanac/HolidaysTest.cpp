#include <gtest/gtest.h>

#include <map>

#include "AlmanacTestSupport.h"
#include "storage/Exception.h"

namespace {

// Every holiday of a year as "mm-dd name" lines.
std::string HolidaysOfYear(TAlmanacAt& almanacs, int year) {
    std::string list;
    for (int32_t day = DayNumberOf(year, 1, 1); day <= DayNumberOf(year, 12, 31); ++day) {
        const TDayFacts almanac = almanacs.At(day);
        const std::string name = Utf8(almanac.HolidayName);
        EXPECT_EQ(almanac.IsHoliday, !name.empty()) << day;
        if (name.empty())
            continue;
        char date[8];
        std::snprintf(date, sizeof date, "%02d-%02d", almanac.Month, almanac.Day);
        list += std::string(date) + " " + name + "\n";
    }
    return list;
}

// A holiday definition document around the given elements, declared UTF-8.
std::string Document(const std::string& elements, const std::string& root = "specialday") {
    return std::string("<?xml version=\"\" encoding=\"utf-8\" ?>\r\n<" + root + ">\r\n" + elements + "</" + root +
                       ">\r\n");
}

}  // namespace

// The published lists of public holidays.
TEST(Holidays, PublishedHolidaysOf2024To2027) {
    const std::map<int, std::string> published = {
        {2024, "01-01 元日\n01-08 成人の日\n02-11 建国記念の日\n02-12 振替休日\n02-23 天皇誕生日\n03-20 春分の日\n"
               "04-29 昭和の日\n05-03 憲法記念日\n05-04 みどりの日\n05-05 こどもの日\n05-06 振替休日\n07-15 海の日\n"
               "08-11 山の日\n08-12 振替休日\n09-16 敬老の日\n09-22 秋分の日\n09-23 振替休日\n10-14 スポーツの日\n"
               "11-03 文化の日\n11-04 振替休日\n11-23 勤労感謝の日\n"},
        {2025, "01-01 元日\n01-13 成人の日\n02-11 建国記念の日\n02-23 天皇誕生日\n02-24 振替休日\n03-20 春分の日\n"
               "04-29 昭和の日\n05-03 憲法記念日\n05-04 みどりの日\n05-05 こどもの日\n05-06 振替休日\n07-21 海の日\n"
               "08-11 山の日\n09-15 敬老の日\n09-23 秋分の日\n10-13 スポーツの日\n11-03 文化の日\n11-23 勤労感謝の日\n"
               "11-24 振替休日\n"},
        {2026, "01-01 元日\n01-12 成人の日\n02-11 建国記念の日\n02-23 天皇誕生日\n03-20 春分の日\n04-29 昭和の日\n"
               "05-03 憲法記念日\n05-04 みどりの日\n05-05 こどもの日\n05-06 振替休日\n07-20 海の日\n08-11 山の日\n"
               "09-21 敬老の日\n09-22 国民の休日\n09-23 秋分の日\n10-12 スポーツの日\n11-03 文化の日\n"
               "11-23 勤労感謝の日\n"},
        {2027, "01-01 元日\n01-11 成人の日\n02-11 建国記念の日\n02-23 天皇誕生日\n03-21 春分の日\n03-22 振替休日\n"
               "04-29 昭和の日\n05-03 憲法記念日\n05-04 みどりの日\n05-05 こどもの日\n07-19 海の日\n08-11 山の日\n"
               "09-20 敬老の日\n09-23 秋分の日\n10-11 スポーツの日\n11-03 文化の日\n11-23 勤労感謝の日\n"},
    };
    TAlmanacAt almanacs;
    for (const auto& [year, list] : published)
        EXPECT_EQ(HolidaysOfYear(almanacs, year), list) << year;
}

// The holiday law's changes, its one-off days, and the substitute and citizens' holiday
// rules on the days where they differ.
TEST(Holidays, ChangesOfTheLawOnTheDaysTheyName) {
    const std::pair<const char*, const char*> cases[] = {
        // clang-format off
        {"1948-01-01", ""},               {"1949-01-01", "元日"},           {"1948-09-23", "秋分の日"},
        {"1966-02-11", ""},               {"1967-02-11", "建国記念の日"},   {"1967-01-15", "成人の日"},
        {"1967-01-16", ""},               {"1973-02-11", "建国記念の日"},   {"1973-02-12", ""},
        {"1973-04-29", "天皇誕生日"},     {"1973-04-30", "振替休日"},       {"1987-05-04", "振替休日"},
        {"1988-04-29", "天皇誕生日"},     {"1988-05-04", "国民の休日"},     {"1989-04-29", "みどりの日"},
        {"1989-02-24", "大喪の礼"},       {"1959-04-10", "結婚の儀"},       {"1990-11-12", "即位礼正殿の儀"},
        {"1993-06-09", "結婚の儀"},       {"1995-07-20", ""},               {"1996-07-20", "海の日"},
        {"1997-05-04", ""},               // a Sunday between two holidays up to 2006
        {"1998-05-04", "振替休日"},       {"2002-09-15", "敬老の日"},       {"2003-09-15", "敬老の日"},
        {"2003-07-21", "海の日"},         {"2006-04-29", "みどりの日"},     {"2007-04-29", "昭和の日"},
        {"2007-04-30", "振替休日"},       {"2007-05-04", "みどりの日"},     {"2008-05-06", "振替休日"},
        {"2009-09-22", "国民の休日"},     {"2012-01-02", "振替休日"},       {"2015-09-22", "国民の休日"},
        {"2016-08-11", "山の日"},         {"2015-08-11", ""},               {"2018-12-23", "天皇誕生日"},
        {"2018-12-24", "振替休日"},       {"2019-04-30", "国民の休日"},     {"2019-05-01", "天皇の即位の日"},
        {"2019-05-02", "国民の休日"},     {"2019-10-14", "体育の日"},       {"2019-10-22", "即位礼正殿の儀"},
        {"2019-12-23", ""},               {"2019-02-23", ""},               {"2020-02-23", "天皇誕生日"},
        {"2020-02-24", "振替休日"},       {"2020-07-20", ""},               {"2020-07-23", "海の日"},
        {"2020-07-24", "スポーツの日"},   {"2020-08-10", "山の日"},         {"2020-08-11", ""},
        {"2020-10-12", ""},               {"2021-07-19", ""},               {"2021-07-22", "海の日"},
        {"2021-07-23", "スポーツの日"},   {"2021-08-08", "山の日"},         {"2021-08-09", "振替休日"},
        {"2021-10-11", ""},               {"2022-10-10", "スポーツの日"},   {"2026-09-22", "国民の休日"},
        // clang-format on
    };
    TAlmanacAt almanacs;
    for (const auto& [date, name] : cases)
        EXPECT_EQ(Utf8(almanacs.At(date).HolidayName), name) << date;
}

// The holidays of 1873-10-14 .. 1948-07-19 (祝祭日) by the decrees in force on each day,
// and the present law from 1948-07-20: every year's list against the table of the decrees.
// 春分日 and 秋分日 are the days of the equinoxes in the almanac's term table.
TEST(Holidays, EveryYearOf1873To1948ByTheDecrees) {
    constexpr int VernalEquinox = -1, AutumnalEquinox = -2;  // in place of a month
    struct TDecreeRule {
        const char* Name;
        int Month, Day;
        int FirstYear, LastYear;
    };
    const TDecreeRule rules[] = {
        // clang-format off
        {"元始祭", 1, 3, 1874, 1948},         {"新年宴会", 1, 5, 1874, 1948},
        {"孝明天皇祭", 1, 30, 1874, 1912},    {"紀元節", 2, 11, 1874, 1948},
        {"春季皇霊祭", VernalEquinox, 0, 1879, 1948},
        {"神武天皇祭", 4, 3, 1874, 1948},     {"天長節", 4, 29, 1927, 1948},
        {"明治天皇祭", 7, 30, 1913, 1926},    {"天長節", 8, 31, 1913, 1926},
        {"神嘗祭", 9, 17, 1874, 1878},        {"秋季皇霊祭", AutumnalEquinox, 0, 1878, 1947},
        {"神嘗祭", 10, 17, 1879, 1947},       {"天長節祝日", 10, 31, 1913, 1926},
        {"天長節", 11, 3, 1873, 1911},        {"明治節", 11, 3, 1927, 1947},
        {"新嘗祭", 11, 23, 1873, 1947},       {"大正天皇祭", 12, 25, 1927, 1947},
        {"即位ノ礼", 11, 10, 1915, 1915},     {"大嘗祭", 11, 14, 1915, 1915},
        {"即位礼及大嘗祭後大饗第一日", 11, 16, 1915, 1915},
        {"即位ノ礼", 11, 10, 1928, 1928},     {"大嘗祭", 11, 14, 1928, 1928},
        {"即位礼及大嘗祭後大饗第一日", 11, 16, 1928, 1928},
        {"皇大神宮遷御当日", 10, 2, 1929, 1929},
        {"秋分の日", AutumnalEquinox, 0, 1948, 1948}, {"文化の日", 11, 3, 1948, 1948},
        {"勤労感謝の日", 11, 23, 1948, 1948},
        // clang-format on
    };
    TAlmanacAt almanacs;
    for (int year = 1872; year <= 1948; ++year) {
        const TAlmanac::TYearTables& tables = almanacs.Tables(year);
        std::map<int32_t, std::string> expected;
        for (const TDecreeRule& rule : rules) {
            if (year < rule.FirstYear || year > rule.LastYear)
                continue;
            const int32_t day = rule.Month == VernalEquinox     ? tables.Terms.Tags(3)
                                : rule.Month == AutumnalEquinox ? tables.Terms.Tags(15)
                                                                : DayNumberOf(year, rule.Month, rule.Day);
            ASSERT_TRUE(expected.emplace(day, rule.Name).second) << FormatYmd(day);
        }
        std::string list;
        for (const auto& [day, name] : expected) {
            const std::string ymd = FormatYmd(day);
            list += ymd.substr(4, 2) + "-" + ymd.substr(6, 2) + " " + name + "\n";
        }
        EXPECT_EQ(HolidaysOfYear(almanacs, year), list) << year;
    }
}

// Each rule of the decree years names its decree, the one in force on the days it gives.
TEST(HolidayDocument, RulesOfTheDecreeYearsNameTheirDecrees) {
    const std::pair<const char*, const char*> cases[] = {
        {"1873-11-03", "明治6年太政官布告第344号"}, {"1912-01-30", "明治6年太政官布告第344号"},
        {"1878-09-23", "明治11年太政官布告第23号"}, {"1912-03-21", "明治11年太政官布告第23号"},
        {"1879-10-17", "明治12年太政官布告第27号"}, {"1912-10-17", "大正元年勅令第19号"},
        {"1927-02-11", "大正元年勅令第19号"},       {"1913-10-31", "大正2年勅令第259号"},
        {"1927-03-21", "昭和2年勅令第25号"},        {"1947-11-23", "昭和2年勅令第25号"},
        {"1915-11-14", "大正4年勅令第161号"},       {"1928-11-16", "昭和3年勅令第226号"},
        {"1929-10-02", "昭和4年勅令第265号"},
    };
    TAlmanacAt almanacs;
    const std::vector<THolidayRule>& rules = almanacs.Almanac().Rules();
    for (const auto& [date, decree] : cases) {
        const int32_t day = Day(date);
        std::vector<std::string> decrees;
        for (const THolidayRule& rule : rules)
            for (int32_t ruleDay : RuleDays(rule, YmdOf(day).Year))
                if (ruleDay == day)
                    decrees.push_back(Utf8(rule.Decree));
        EXPECT_EQ(decrees, std::vector<std::string>{decree}) << date;
    }
    for (const THolidayRule& rule : rules) {
        if (YmdOf(rule.EndDay).Year <= 1948 && YmdOf(rule.StartDay).Year < 1948) {
            EXPECT_FALSE(rule.Decree.empty()) << Utf8(rule.Name) << " " << FormatYmd(rule.StartDay);
        }
    }
}

// Substitute and citizens' holidays from made-up holiday days.
TEST(Holidays, ObservedHolidayRules) {
    struct TCase {
        const char* Title;
        std::vector<const char*> Holidays;
        std::vector<std::pair<const char*, TObservedKind>> Expected;
    };
    const TCase cases[] = {
        {"up to 2006 no substitute when the next day is a holiday", {"2006-01-01", "2006-01-02"}, {}},
        {"from 2007 the substitute passes every holiday",
         {"2012-01-01", "2012-01-02", "2012-01-03"},
         {{"2012-01-04", TObservedKind::Substitute}}},
        {"before 1973-04-12 no substitute", {"1973-04-08"}, {}},
        {"from 1973-04-12 the next day", {"1973-04-15"}, {{"1973-04-16", TObservedKind::Substitute}}},
        {"up to 2006 a Sunday between holidays stays a Sunday", {"2006-01-07", "2006-01-09"}, {}},
        {"from 2007 a Sunday between holidays is a citizens' holiday",
         {"2007-01-06", "2007-01-08"},
         {{"2007-01-07", TObservedKind::Citizens}}},
        {"up to 2006 a substitute day is no citizens' holiday",
         {"2006-01-01", "2006-01-03"},
         {{"2006-01-02", TObservedKind::Substitute}}},
        {"no citizens' holiday before 1988", {"1987-01-06", "1987-01-08"}, {}},
        {"days of the neighbouring year count", {"2023-12-31"}, {{"2024-01-01", TObservedKind::Substitute}}},
    };
    for (const TCase& c : cases) {
        std::vector<int32_t> days;
        for (const char* date : c.Holidays)
            days.push_back(Day(date));
        const int32_t firstDay = Day(c.Holidays.front()) - 10, lastDay = Day(c.Holidays.back()) + 10;
        std::vector<std::pair<int32_t, TObservedKind>> observed, expected;
        for (const TObservedHoliday& holiday : ObservedHolidays(days, firstDay, lastDay))
            observed.emplace_back(holiday.Day, holiday.Kind);
        for (const auto& [date, kind] : c.Expected)
            expected.emplace_back(Day(date), kind);
        EXPECT_EQ(observed, expected) << c.Title;
    }
}

TEST(Holidays, WeekdayNamesAndNthWeekdays) {
    EXPECT_EQ(WeekdayFromName("monday"), 1);
    EXPECT_EQ(WeekdayFromName("SUNDAY"), 7);
    EXPECT_EQ(WeekdayFromName("Sun"), -1);
    EXPECT_EQ(WeekdayFromName(""), -1);
    struct TCase {
        int Year, Month, Weekday, N;
        std::optional<int32_t> Expected;
    };
    const TCase cases[] = {
        {2025, 1, 1, 2, Day("2025-01-13")}, {2025, 9, 1, 3, Day("2025-09-15")}, {2024, 1, 1, 1, Day("2024-01-01")},
        {2024, 2, 4, 5, Day("2024-02-29")}, {2025, 2, 4, 5, std::nullopt},      {2025, 10, 1, 0, std::nullopt},
        {2025, 10, 8, 1, std::nullopt},     {2025, 13, 1, 1, std::nullopt},     {2025, 10, 1, 2000000000, std::nullopt},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(NthWeekdayOfMonth(c.Year, c.Month, c.Weekday, c.N), c.Expected) << c.Month << " " << c.N;
}

// Documents other than the shipped one: each row's holidays in 2025.
TEST(HolidayDocument, RulesReadFromDocuments) {
    struct TCase {
        const char* Title;
        std::string Document;
        std::string Expected;
    };
    const TCase cases[] = {
        {"another root element gives no holidays",
         Document("<holiday>元日<date month=\"1\" day=\"1\" /></holiday>", "holidays"), ""},
        {"a weekday without times adds nothing",
         Document("<holiday>a<date month=\"3\" dayoftheweek=\"monday\" /><date month=\"3\" times=\"1\" /></holiday>"),
         ""},
        {"times 5 in a month with four such weekdays adds nothing",
         Document("<holiday>a<date month=\"2\" dayoftheweek=\"Monday\" times=\"5\" /></holiday>"), ""},
        {"a day that does not exist in the year is skipped",
         Document("<holiday>a<date month=\"2\" day=\"29\" /><date month=\"2\" day=\"30\" /></holiday>"), ""},
        {"non-numeric values count as absent",
         Document("<holiday>a<date month=\"x\" day=\"1\" /><date ecliptic=\"east\" /></holiday>"), ""},
        {"a rule carrying several parts adds a day for each",
         Document(
             "<holiday mean=\"m\">both<date month=\"6\" day=\"2\" dayoftheweek=\"monday\" times=\"1\" /></holiday>"),
         "06-02 both\n"},
        {"years of validity, also written as yyyymmdd",
         Document("<holiday>old<date month=\"6\" day=\"3\" end=\"20241231\" /></holiday>"
                  "<holiday>now<date month=\"6\" day=\"4\" start=\"2025\" end=\"2025\" /></holiday>"
                  "<holiday>once<date month=\"6\" day=\"5\" year=\"2025\" start=\"2030\" /></holiday>"),
         "06-04 now\n06-05 once\n"},
        {"other special days are kept apart", Document("<birthday>x<date month=\"6\" day=\"6\" /></birthday>"), ""},
        {"a longitude of the sun", Document("<holiday>夏至<date ecliptic=\"90\" /></holiday>"), "06-21 夏至\n"},
    };
    for (const TCase& c : cases) {
        TAlmanacAt almanacs;
        almanacs.Almanac().LoadHolidays(c.Document);
        EXPECT_EQ(HolidaysOfYear(almanacs, 2025), c.Expected) << c.Title;
    }
}

TEST(HolidayDocument, RuleFieldsAndOtherDays) {
    TAlmanac almanac;
    almanac.LoadHolidays(Document("<holiday mean=\"意味 ソ表\">祝日ソ<date month=\"6\" day=\"2\" /></holiday>"
                                  "<birthday>誕生日<date month=\"6\" day=\"6\" /></birthday>"));
    ASSERT_EQ(almanac.Rules().size(), 2u);
    const THolidayRule& rule = almanac.Rules()[0];
    EXPECT_EQ(Utf8(rule.Name), "祝日ソ");
    EXPECT_EQ(Utf8(rule.Mean), "意味 ソ表");
    EXPECT_EQ(rule.Kind, "holiday");
    EXPECT_EQ(rule.StartDay, Day("0001-01-01"));
    EXPECT_EQ(rule.EndDay, Day("2999-12-31"));
    EXPECT_EQ(rule.Ecliptic, -1);
    EXPECT_EQ(rule.Weekday, -1);
    EXPECT_EQ(rule.Times, -1);
    const TAlmanac::TYearTables& tables = almanac.TablesOf(2025);
    ASSERT_EQ(tables.OtherDays.Count(), 1);
    EXPECT_EQ(tables.OtherDays.Tags(0), Day("2025-06-06"));
    EXPECT_FALSE(almanac.FactsOf(Day("2025-06-06")).IsHoliday);
}

// A document that fails leaves the rules and tables that were loaded before.
TEST(HolidayDocument, FailedLoadKeepsThePreviousRules) {
    const std::string failing[] = {
        Document("<holiday>a<date month=\"1\" day=\"1\" /></holiday><holiday>b<date start=\"abcd\" /></holiday>"),
        Document("<holiday>a<date month=\"1\" day=\"1\" /></holiday><holiday>b<date year=\"0\" /></holiday>"),
        Document("<holiday>a<date month=\"1\" day=\"1\" />"),
        "<specialday><holiday>a<date month='1' /></holiday></specialday>",
    };
    for (const std::string& document : failing) {
        TAlmanacAt almanacs;
        TAlmanac& almanac = almanacs.Almanac();
        const size_t rules = almanac.Rules().size();
        EXPECT_THROW(almanac.LoadHolidays(document), Exception) << document;
        EXPECT_EQ(almanac.Rules().size(), rules);
        EXPECT_EQ(Utf8(almanac.FactsOf(Day("2025-05-05")).HolidayName), "こどもの日");
    }
    TAlmanac almanac;
    try {
        almanac.LoadHolidays(failing[0]);
        FAIL();
    } catch (const Exception& error) {
        EXPECT_EQ(Utf8(error.Message()), "日付に変換できない値が渡されました");
    }
}

// The shipped document is Shift_JIS with CR LF line ends and names every holiday once.
TEST(HolidayDocument, ShippedDocumentIsShiftJisWithCrLf) {
    const std::string text = LoadResourceText("holidays.txt");
    EXPECT_EQ(text.rfind("<?xml version=\"\" encoding=\"shift_jis\" ?>\r\n", 0), 0u);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << i;
        }
    }
    TAlmanac almanac;
    almanac.LoadHolidays(text);
    const TAlmanac::TYearTables& tables = almanac.TablesOf(2030);
    // 2030-11-03 is a Sunday: one 文化の日 and one substitute day.
    std::map<int32_t, int> entriesPerDay;
    for (int i = 0; i < tables.Holidays.Count(); ++i)
        ++entriesPerDay[tables.Holidays.Tags(i)];
    EXPECT_EQ(entriesPerDay[Day("2030-11-03")], 1);
    EXPECT_EQ(entriesPerDay[Day("2030-11-04")], 1);
    EXPECT_EQ(Utf8(almanac.Rules().front().Mean), "年のはじめを祝う");
}
