#include "almanac/SolarTerms.h"

#include "almanac/CivilTime.h"
#include "almanac/Ephemeris.h"
#include "almanac/NameTables.h"
#include "storage/DateUtils.h"

// Longitudes of the terms and the days near which they fall (Japan Standard Time).
const TSolarTermDef SolarTermDefs[SolarTermCount] = {
    {315, 204},  {330, 219},  {345, 305},  {0, 320},    {15, 405},   {30, 420},   {45, 505},  {60, 521},
    {75, 605},   {90, 621},   {105, 707},  {120, 723},  {135, 807},  {150, 823},  {165, 907}, {180, 923},
    {195, 1008}, {210, 1023}, {225, 1107}, {240, 1122}, {255, 1207}, {270, 1222}, {285, 105}, {300, 120},
    {297, 117},  {27, 417},   {117, 720},  {207, 1020}, {80, 611},   {100, 702},
};

const TSeasonalDayDef SeasonalDayDefs[SeasonalDayCount] = {
    {0, -1}, {0, 87}, {0, 209}, {3, -3}, {3, 3}, {15, -3}, {15, 3},
};

namespace {

const char* const SolarTermNamesUtf8[SolarTermCount] = {
    "立春", "雨水", "啓蟄", "春分", "清明",   "穀雨",   "立夏",   "小満",   "芒種", "夏至",
    "小暑", "大暑", "立秋", "処暑", "白露",   "秋分",   "寒露",   "霜降",   "立冬", "小雪",
    "大雪", "冬至", "小寒", "大寒", "土用入", "土用入", "土用入", "土用入", "入梅", "半夏生",
};

const char* const SeasonalDayNamesUtf8[SeasonalDayCount] = {
    "節分", "八十八夜", "二百十日", "彼岸入", "彼岸明", "秋彼岸入", "秋彼岸明",
};

int EstimateDay(int year, int monthDay) { return DayNumberOf(year, monthDay / 100, monthDay % 100); }

}  // namespace

const std::string& SolarTermDefName(int row) {
    static const auto Names = NameTable(SolarTermNamesUtf8);
    return Names.at(row);
}

const std::string& SeasonalDayName(int index) {
    static const auto Names = NameTable(SeasonalDayNamesUtf8);
    return Names.at(index);
}

int SolarTermDay(int year, int row) {
    const TSolarTermDef& def = SolarTermDefs[row];
    return CivilDayOfInstant(FindLongitudeInstant(def.LongitudeDeg, EstimateDay(year, def.EstimateMonthDay)));
}

TTaggedStrings SolarTermsOfYear(int year) {
    std::array<int32_t, SolarTermCount> days;
    for (int row = 0; row < SolarTermCount; ++row)
        days[static_cast<size_t>(row)] = SolarTermDay(year, row);
    return SolarTermsOfDays(days);
}

TTaggedStrings SolarTermsOfDays(const std::array<int32_t, SolarTermCount>& days) {
    TTaggedStrings terms;
    for (int row = 0; row < SolarTermCount; ++row)
        terms.AddTagged(SolarTermDefName(row), days[static_cast<size_t>(row)]);
    for (int index = 0; index < SeasonalDayCount; ++index) {
        const TSeasonalDayDef& def = SeasonalDayDefs[index];
        terms.AddTagged(SeasonalDayName(index), terms.Tags(def.BaseRow) + def.OffsetDays);
    }
    return terms;
}
