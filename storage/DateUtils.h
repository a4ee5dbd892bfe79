#pragma once
// Calendar dates as day numbers: whole days counted from 1899-12-30 (day 0), the scale of
// the shown day, the papers, the memo tags and the holiday tables. A date with a time of
// day is a double on the same scale. The proleptic Gregorian calendar, years 1..9999.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

struct TYmd {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    friend bool operator==(const TYmd&, const TYmd&) = default;
};

constexpr int MinDateYear = 1;
constexpr int MaxDateYear = 9999;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
// True for a real date of years 1..9999.
bool IsValidDate(int year, int month, int day);
// Day number of a valid date (the caller checks with IsValidDate).
int32_t DayNumberOf(int year, int month, int day);
TYmd YmdOf(int32_t dayNumber);
// ISO weekday: 1 = Monday … 7 = Sunday; day 0 (1899-12-30) is a Saturday.
int IsoWeekday(int32_t dayNumber);

// "yyyymmdd" → date (day number as a double). Any failure, a part that is not a number or
// an impossible date, gives 0.
double DateFromYmd(std::string_view text);
// "yyyymmdd" → day number, a part that is not a number counting as 0. An impossible date
// throws Exception("日付に変換できない値が渡されました").
int32_t DayFromYmd(std::string_view text);
// The day number as "yyyymmdd".
std::string FormatYmd(int32_t dayNumber);
// A moment in local time: its day number and the milliseconds since that day's midnight.
struct TLocalMoment {
    int32_t Day = 0;
    int32_t MillisecondOfDay = 0;  // 0 .. MillisecondsPerDay - 1
    // Days since 1899-12-30 with the time of day as the fraction (the papers' make time).
    double DayTime() const;
    friend bool operator==(const TLocalMoment&, const TLocalMoment&) = default;
};
constexpr int32_t MillisecondsPerDay = 24 * 60 * 60 * 1000;

// The calendar's one clock: every "today" and "now" of the program is read from here. It
// is the system's local time unless SetClock gave another, so that tests can stand on
// any moment (a day's last millisecond, 29 February) and never see the date move.
TLocalMoment Now();
// Today's day number in local time: the day of Now().
int32_t Today();
using TClock = std::function<TLocalMoment()>;
// Makes clock the calendar's clock; an empty function restores the system's local time.
void SetClock(TClock clock);
// The system's local time, the clock the calendar runs on.
TLocalMoment SystemNow();
