#include "almanac/CalendarDate.h"

#include <cmath>

double ClampDate(double date) {
    if (std::isnan(date))
        return 0;
    if (date < FirstSupportedDay)
        return FirstSupportedDay;
    if (date >= LastSupportedDay + 1.0)
        return LastSupportedDay;
    return date;
}

int32_t DayNumberOfDate(double date) { return static_cast<int32_t>(std::trunc(ClampDate(date))); }

double DateOfDay(int32_t dayNumber, double timeOfDay) {
    return dayNumber < 0 ? dayNumber - timeOfDay : dayNumber + timeOfDay;
}

double ContinuousDays(double date) {
    if (date >= 0)
        return date;
    const double whole = std::trunc(date);
    return whole + (whole - date);
}
