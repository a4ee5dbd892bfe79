#include "almanac/Almanac.h"

#include <array>
#include <memory>

#include "almanac/CalendarDate.h"
#include "almanac/NameTables.h"
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

TProcessWide<TAlmanac> GlobalAlmanac("Almanac");

}  // namespace

void TAlmanac::SetDate(double value) { FDate = ClampDate(value); }

int32_t TAlmanac::DayNumber() const { return DayNumberOfDate(FDate); }

int TAlmanac::Year() const { return YmdOf(DayNumber()).Year; }

int TAlmanac::Month() const { return YmdOf(DayNumber()).Month; }

int TAlmanac::Day() const { return YmdOf(DayNumber()).Day; }

int TAlmanac::DayOfWeek() const { return IsoWeekday(DayNumber()); }

std::string TAlmanac::DayOfWeekName() const {
    static const std::array<const char*, 7> Names = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                                     "Friday", "Saturday", "Sunday"};
    return Names[DayOfWeek() - 1];
}

std::string TAlmanac::DayOfWeekKanji() const {
    static const auto Names = SjisNames({"月", "火", "水", "木", "金", "土", "日"});
    return Names[DayOfWeek() - 1];
}

std::string TAlmanac::MonthName() const {
    // The page has always printed these two spellings; they are kept as they are.
    static const std::array<const char*, 12> Names = {"JANUALY",   "FEBRUALY", "MARCH",    "APRIL",
                                                      "MAY",       "JUNE",     "JULY",     "AUGUST",
                                                      "SEPTEMBER", "OCTOBER",  "NOVEMBER", "DECEMBER"};
    return Names[Month() - 1];
}

std::string TAlmanac::EraName() const {
    static const auto Names = SjisNames({"令和", "平成", "昭和", "大正", "明治"});
    const TEra* era = EraOf(DayNumber());
    return era ? Names[era - Eras] : std::string();
}

int TAlmanac::EraYear() const {
    const TEra* era = EraOf(DayNumber());
    return era ? Year() - era->BaseYear : 0;
}

std::string TAlmanac::DayEto() const {
    static const auto Stems = SjisNames({"甲", "乙", "丙", "丁", "戊", "己", "庚", "辛", "壬", "癸"});
    static const auto Branches = SjisNames({"子", "丑", "寅", "卯", "辰", "巳", "午", "未", "申", "酉", "戌", "亥"});
    const int64_t shifted = static_cast<int64_t>(DayNumber()) + 8;
    const int stem = static_cast<int>((shifted % 10 + 10) % 10);
    const int branch = static_cast<int>((shifted % 12 + 12) % 12);
    return Stems[stem] + Branches[branch];
}

void TAlmanac::UpdateYear() {
    const int year = Year();
    if (year == FYear)
        return;
    FYear = year;
    ++FTableBuildCount;
    BuildSolarTerms();
    BuildLunarMonths();
    BuildHolidays();
}

void CreateAlmanac() { GlobalAlmanac.Replace(std::make_unique<TAlmanac>()); }

void DestroyAlmanac() { GlobalAlmanac.Replace(nullptr); }

TAlmanac& Almanac() { return GlobalAlmanac.Get(); }
