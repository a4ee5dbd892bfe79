#pragma once
// The lunisolar calendar (旧暦): months begin on the civil day (CivilTime.h: Japan Standard
// Time, Tokyo mean time before 1888) that contains a new moon; the month that contains the
// winter solstice is 十一月 and the months follow it in sequence; when thirteen months lie
// between two such months, the first of them that contains no principal term (中気, the sun
// at a multiple of 30°) is the leap month and repeats the number before it.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct TLunarMonth {
    int32_t FirstDay;  // day number of the month's first day
    int Number;        // 1..12
    bool Leap;
};

// Days u of [firstDay, lastDay] that contain a new moon, ascending, judged from the moon
// age (0..30) at the beginning of u and of u + 1: the age falls across a new moon, and an
// age of exactly 0 at the beginning of u puts the new moon on day u (and not on the day
// before).
std::vector<int32_t> FindNewMoonDays(int32_t firstDay, int32_t lastDay,
                                     const std::function<double(int32_t)>& moonAgeAtDay);

// Numbers the months from the one that contains the first winter solstice through the one
// that contains the last. newMoonDays and principalTermDays are ascending and cover that
// span; solsticeDays are at least two successive winter solstices. Empty when a solstice
// lies before the first new moon.
std::vector<TLunarMonth> NumberLunarMonths(const std::vector<int32_t>& newMoonDays,
                                           const std::vector<int32_t>& solsticeDays,
                                           const std::vector<int32_t>& principalTermDays);

// "正月", "二月" .. "十二月", with "閏" in front for a leap month.
std::string LunarMonthText(int number, bool leap);

// The numbered months from the one that contains the winter solstice of year - 1 through
// the one that contains the solstice of year + 1, from the precise ephemeris. Costly (a
// few milliseconds): callers cache the result per year.
std::vector<TLunarMonth> LunarMonthsOfYear(int year);

// The rokuyō of day `lunarDay` (1..30) of a month numbered `monthNumber` (1..12; a leap
// month counts as the month it repeats): "先勝", "友引", "先負", "仏滅", "大安" or "赤口"
// empty outside those ranges.
const std::string& RokuyoName(int monthNumber, int lunarDay);
