#include "almanac/CivilTime.h"

#include <cmath>

#include "storage/DateUtils.h"

namespace {

constexpr double TokyoMeanTimeAheadDays = TokyoMeanTimeAheadSeconds / 86400.0;

}  // namespace

int32_t FirstStandardTimeDay() {
    static const int32_t Day = DayNumberOf(1888, 1, 1);
    return Day;
}

double CivilMidnightInstant(int32_t day) {
    return day < FirstStandardTimeDay() ? day - TokyoMeanTimeAheadDays : static_cast<double>(day);
}

int32_t CivilDayOfInstant(double jstDays) {
    const double civil = jstDays < FirstStandardTimeDay() ? jstDays + TokyoMeanTimeAheadDays : jstDays;
    return static_cast<int32_t>(std::floor(civil));
}
