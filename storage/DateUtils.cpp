#include "storage/DateUtils.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "storage/Exception.h"
#include "storage/ProcessState.h"
#include "storage/Text.h"
#include "storage/TextUtils.h"

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (the era-based civil calendar
// algorithm: 400-year eras of 146097 days, March-based years so that the leap day ends
// a year).
int64_t DaysFromCivil(int64_t year, int month, int day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

TYmd CivilFromDays(int64_t days) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    const int month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    const int64_t year = yearOfEra + era * 400 + (month <= 2);
    return TYmd{static_cast<int>(year), month, day};
}

// 1970-01-01 is day 25569 of the day-number scale.
constexpr int64_t UnixEpochDay = 25569;

// Reads length bytes from index start as a plain decimal number; false when they are not one.
bool ReadPart(std::string_view text, size_t start, size_t length, int& value) {
    std::string part(start < text.size() ? text.substr(start, length) : std::string_view());
    int32_t number;
    if (part.empty() || part[0] == '$' || !TryParseInt(part, number))
        return false;
    value = number;
    return true;
}

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool IsValidDate(int year, int month, int day) {
    return year >= MinDateYear && year <= MaxDateYear && month >= 1 && month <= 12 && day >= 1 &&
           day <= DaysInMonth(year, month);
}

int32_t DayNumberOf(int year, int month, int day) {
    return static_cast<int32_t>(DaysFromCivil(year, month, day) + UnixEpochDay);
}

TYmd YmdOf(int32_t dayNumber) { return CivilFromDays(static_cast<int64_t>(dayNumber) - UnixEpochDay); }

int IsoWeekday(int32_t dayNumber) {
    // Day 0 is a Saturday (6).
    int remainder = static_cast<int>(((static_cast<int64_t>(dayNumber) + 5) % 7 + 7) % 7);
    return remainder + 1;
}

double DateFromYmd(std::string_view text) {
    int year, month, day;
    if (!ReadPart(text, 0, 4, year) || !ReadPart(text, 4, 2, month) || !ReadPart(text, 6, 2, day))
        return 0;
    if (!IsValidDate(year, month, day))
        return 0;
    return DayNumberOf(year, month, day);
}

int32_t DayFromYmd(std::string_view text) {
    int year = 0, month = 0, day = 0;
    if (!ReadPart(text, 0, 4, year))
        year = 0;
    if (!ReadPart(text, 4, 2, month))
        month = 0;
    if (!ReadPart(text, 6, 2, day))
        day = 0;
    if (!IsValidDate(year, month, day))
        throw Exception("日付に変換できない値が渡されました");
    return DayNumberOf(year, month, day);
}

std::string FormatYmd(int32_t dayNumber) {
    TYmd date = YmdOf(dayNumber);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", date.Year, date.Month, date.Day);
    return buffer;
}

double TLocalMoment::DayTime() const { return Day + MillisecondOfDay / static_cast<double>(MillisecondsPerDay); }

TLocalMoment SystemNow() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto sinceEpoch = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    const int milliseconds = static_cast<int>(((sinceEpoch % 1000) + 1000) % 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    TLocalMoment moment;
    moment.Day = DayNumberOf(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    // A leap second (tm_sec 60) stays within the day.
    moment.MillisecondOfDay = std::min(((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000 + milliseconds,
                                       MillisecondsPerDay - 1);
    return moment;
}

void SetClock(TClock clock) { ProcessState().Clock = std::move(clock); }

TLocalMoment Now() {
    const TClock& clock = ProcessState().Clock;
    return clock ? clock() : SystemNow();
}

int32_t Today() { return Now().Day; }
