#include "almanac/Almanac.h"

#include <algorithm>
#include <array>
#include <memory>
#include <utility>

#include "almanac/CalendarDate.h"
#include "almanac/LunarCalendar.h"
#include "almanac/NameTables.h"
#include "almanac/SolarTerms.h"
#include "storage/ProcessWide.h"

namespace {

struct TEra {
    int32_t FirstDay;
    const char* NameUtf8;
    int BaseYear;  // subtracted from the Gregorian year
};

// Newest first; no era before 明治.
const TEra Eras[] = {
    {DayNumberOf(2019, 5, 1), "令和", 2018},   {DayNumberOf(1989, 1, 8), "平成", 1988},
    {DayNumberOf(1926, 12, 25), "昭和", 1925}, {DayNumberOf(1912, 7, 30), "大正", 1911},
    {DayNumberOf(1868, 9, 8), "明治", 1867},
};

const TEra* EraOf(int32_t day) {
    for (const TEra& era : Eras)
        if (era.FirstDay <= day)
            return &era;
    return nullptr;
}

const std::string& EraNameOf(int32_t day) {
    static const auto Names = NameTable({"令和", "平成", "昭和", "大正", "明治"});
    static const std::string None;
    const TEra* era = EraOf(day);
    return era ? Names[era - Eras] : None;
}

int EraYearOf(int32_t day, int year) {
    const TEra* era = EraOf(day);
    return era ? year - era->BaseYear : 0;
}

const std::string& WeekdayNameOf(int isoWeekday) {
    static const std::array<std::string, 7> Names = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                                     "Friday", "Saturday", "Sunday"};
    return Names[isoWeekday - 1];
}

const std::string& WeekdayKanjiOf(int isoWeekday) {
    static const auto Names = NameTable({"月", "火", "水", "木", "金", "土", "日"});
    return Names[isoWeekday - 1];
}

const std::string& MonthNameOf(int month) {
    // The page has always printed these two spellings; they are kept as they are.
    static const std::array<std::string, 12> Names = {"JANUALY",   "FEBRUALY", "MARCH",    "APRIL",
                                                      "MAY",       "JUNE",     "JULY",     "AUGUST",
                                                      "SEPTEMBER", "OCTOBER",  "NOVEMBER", "DECEMBER"};
    return Names[month - 1];
}

std::string EtoOf(int32_t day) {
    static const auto Stems = NameTable({"甲", "乙", "丙", "丁", "戊", "己", "庚", "辛", "壬", "癸"});
    static const auto Branches = NameTable({"子", "丑", "寅", "卯", "辰", "巳", "午", "未", "申", "酉", "戌", "亥"});
    const int64_t shifted = static_cast<int64_t>(day) + 8;
    const int stem = static_cast<int>((shifted % 10 + 10) % 10);
    const int branch = static_cast<int>((shifted % 12 + 12) % 12);
    return Stems[stem] + Branches[branch];
}

// The text of the first entry tagged `day`; empty if none.
const std::string& NameTagged(const TTaggedStrings& list, int32_t day) {
    static const std::string None;
    const int index = list.IndexOfTag(day);
    return index < 0 ? None : list.Strings(index);
}

TProcessWide<TAlmanac> GlobalAlmanac("Almanac");

}  // namespace

void TAlmanac::LoadHolidays(const std::string& documentText) {
    // Read everything first: a document that fails leaves the rules and tables as they were.
    FRules = ReadHolidayRules(documentText);
    FYear = 0;
}

TDayFacts TAlmanac::FactsOf(int32_t day) const {
    day = std::clamp(day, FirstSupportedDay, LastSupportedDay);
    const TYmd ymd = YmdOf(day);
    UseYear(ymd.Year);
    TDayFacts facts;
    facts.DayNumber = day;
    facts.Year = ymd.Year;
    facts.Month = ymd.Month;
    facts.Day = ymd.Day;
    facts.DayOfWeek = IsoWeekday(day);
    facts.DayOfWeekName = WeekdayNameOf(facts.DayOfWeek);
    facts.DayOfWeekKanji = WeekdayKanjiOf(facts.DayOfWeek);
    facts.MonthName = MonthNameOf(ymd.Month);
    facts.EraName = EraNameOf(day);
    facts.EraYear = EraYearOf(day, ymd.Year);
    facts.Eto = EtoOf(day);
    facts.SolarTermName = NameTagged(FTables.Terms, day);
    const int monthIndex = MonthIndexOf(day);
    if (monthIndex < FTables.Moons.Count())
        facts.LunarMonthName = FTables.Moons.Strings(monthIndex);
    facts.LunarDay = LunarDayOf(day);
    facts.Rokuyo = RokuyoOf(day);
    facts.HolidayName = NameTagged(FTables.Holidays, day);
    facts.IsHoliday = FTables.Holidays.IndexOfTag(day) >= 0;
    return facts;
}

const TAlmanac::TYearTables& TAlmanac::TablesOf(int year) const {
    UseYear(year);
    return FTables;
}

void TAlmanac::ExpectSky(int year, std::future<TYearSky> sky) {
    FExpectedYear = year;
    FExpectedSky = std::move(sky);
}

void TAlmanac::UseYear(int year) const {
    if (year == FYear)
        return;
    FYear = year;
    ++FTableBuildCount;
    TYearSky sky = FExpectedSky.valid() && FExpectedYear == year ? FExpectedSky.get() : SkyOfYear(year);
    FTables.Terms = std::move(sky.Terms);
    FTables.Moons.Clear();
    FMoonNumbers.clear();
    for (const TLunarMonth& month : sky.Months) {
        FTables.Moons.AddTagged(LunarMonthText(month.Number, month.Leap), month.FirstDay);
        FMoonNumbers.push_back(month.Number);
    }
    THolidayDays holidays = HolidaysOfYear(FRules, year);
    FTables.Holidays = std::move(holidays.Holidays);
    FTables.OtherDays = std::move(holidays.OtherDays);
}

int TAlmanac::MonthIndexOf(int32_t day) const {
    int index = 0;
    while (index < FTables.Moons.Count() - 1 && day >= FTables.Moons.Tags(index + 1))
        ++index;
    return index;
}

int TAlmanac::LunarDayOf(int32_t day) const {
    return FTables.Moons.Count() == 0 ? 0 : day - FTables.Moons.Tags(MonthIndexOf(day)) + 1;
}

const std::string& TAlmanac::RokuyoOf(int32_t day) const {
    static const std::string None;
    if (FTables.Moons.Count() == 0)
        return None;
    return RokuyoName(FMoonNumbers[MonthIndexOf(day)], LunarDayOf(day));
}

void CreateAlmanac() { GlobalAlmanac.Replace(std::make_unique<TAlmanac>()); }

void DestroyAlmanac() { GlobalAlmanac.Replace(nullptr); }

TAlmanac& Almanac() { return GlobalAlmanac.Get(); }
