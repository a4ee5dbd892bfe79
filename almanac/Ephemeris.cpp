#include "almanac/Ephemeris.h"

#include <cmath>

#include "almanac/Angles.h"
#include "almanac/CalendarDate.h"
#include "almanac/DeltaT.h"
#include "almanac/MoonPosition.h"
#include "almanac/Nutation.h"
#include "almanac/ShortSeries.h"
#include "almanac/SunPosition.h"

namespace {

// Day number of 1974-12-31, day 0 of the time argument's day count.
constexpr int DayCountOrigin = 27394;
// 1 day at 0h JST is 15h UT of the day before: the time argument works in UT.
constexpr double JstOffsetDays = 9.0 / 24.0;
// J2000.0 (2000-01-01 12h) is 21h JST of day 36526.
constexpr double JstDaysAtJ2000 = 36526.5 + JstOffsetDays;
constexpr double DaysPerJulianYear = 365.25;
constexpr double DaysPerJulianCentury = 36525.0;
constexpr double SecondsPerDay = 86400.0;

// A search has converged when its step is shorter than this.
constexpr double ConvergedDays = 1.0 / SecondsPerDay;
// Each step divides the error by at least 4 (the moon's speed is within 25% of the rate
// the steps assume, the sun's within 4%), so this many steps reach a second from anywhere
// within half a turn; the usual count from the short series' start is two.
constexpr int MaxSteps = 30;
// Mean motions, degrees per day: the sun (tropical year) and the moon's elongation
// (synodic month).
constexpr double SunMeanRateDegPerDay = 360.0 / 365.242190;
constexpr double ElongationMeanRateDegPerDay = 360.0 / 29.530589;

double ApparentSunAt(double jstDays) {
    const double centuries = TerrestrialCenturies(jstDays);
    return NormalizeDegrees(SunMeanLongitudeWithAberrationDeg(centuries) +
                            NutationInLongitudeArcsec(centuries) / 3600.0);
}

// Moon minus sun, degrees in (-180, 180]; the nutation moves both alike.
double ElongationAt(double jstDays) {
    const double centuries = TerrestrialCenturies(jstDays);
    return LongitudeDifference(MoonMeanLongitudeWithLightTimeDeg(centuries) -
                               SunMeanLongitudeWithAberrationDeg(centuries));
}

double ShortSeriesElongationAt(double jstDays) {
    const double years = ShortSeriesYears(jstDays);
    return LongitudeDifference(ShortSeriesMoonLongitude(years) - ShortSeriesSunLongitude(years));
}

// A rate measured on the short series, kept within `fraction` of the mean rate so that a
// damaged measurement cannot stall or reverse the search.
double PlausibleRate(double measuredDegPerDay, double meanDegPerDay, double fraction) {
    if (!(std::abs(measuredDegPerDay - meanDegPerDay) <= fraction * meanDegPerDay))
        return meanDegPerDay;
    return measuredDegPerDay;
}

}  // namespace

double TimeArgument(double date) {
    const double universal = ContinuousDays(date) - JstOffsetDays;
    const double day = std::floor(universal);
    const double wholeHours = std::floor((universal - day) * 24.0);
    return (day - DayCountOrigin + wholeHours / 24.0) / DaysPerJulianYear;
}

double TerrestrialCenturies(double jstDays) {
    const double universalDays = jstDays - JstDaysAtJ2000;
    const double decimalYear = 2000.0 + universalDays / DaysPerJulianYear;
    return (universalDays + DeltaTSeconds(decimalYear) / SecondsPerDay) / DaysPerJulianCentury;
}

double SunLongitude(double date) { return ApparentSunAt(ContinuousDays(date)); }

double MoonLongitude(double date) {
    const double centuries = TerrestrialCenturies(ContinuousDays(date));
    return NormalizeDegrees(MoonMeanLongitudeWithLightTimeDeg(centuries) +
                            NutationInLongitudeArcsec(centuries) / 3600.0);
}

double MoonAge(double date) { return MoonAgeAtInstant(ContinuousDays(date)); }

double MoonAgeAtInstant(double jstDays) {
    double age = ElongationAt(jstDays) * 15.0 / 180.0;
    if (age < 0)
        age += 30.0;
    return age >= 30.0 ? 0.0 : age;
}

double FindLongitudeInstant(double longitudeDeg, int startDay) {
    // One linear step on the short series over the start day gives the instant within a
    // few minutes and the sun's rate there within a part in a thousand.
    const double first = ShortSeriesSunLongitude(ShortSeriesYears(startDay));
    const double next = ShortSeriesSunLongitude(ShortSeriesYears(startDay + 1.0));
    const double rate = PlausibleRate(LongitudeDifference(next - first), SunMeanRateDegPerDay, 0.05);
    double instant = startDay + LongitudeDifference(longitudeDeg - first) / rate;
    for (int i = 0; i < MaxSteps; ++i) {
        const double step = LongitudeDifference(longitudeDeg - ApparentSunAt(instant)) / rate;
        instant += step;
        if (std::abs(step) < ConvergedDays)
            break;
    }
    return instant;
}

double FindLongitudeDay(double longitudeDeg, int startDay) {
    const double instant = FindLongitudeInstant(longitudeDeg, startDay);
    const double day = std::floor(instant);
    return DateOfDay(static_cast<int32_t>(day), instant - day);
}

double FindNewMoonInstant(double jstDays) {
    // Newton steps on the short series bring the instant within a few minutes; the rate
    // of the last of them serves the steps on the precise models.
    double instant = jstDays;
    double rate = ElongationMeanRateDegPerDay;
    for (int i = 0; i < MaxSteps; ++i) {
        const double halfDay = 0.5;
        const double measured = LongitudeDifference(ShortSeriesElongationAt(instant + halfDay) -
                                                    ShortSeriesElongationAt(instant - halfDay));
        rate = PlausibleRate(measured, ElongationMeanRateDegPerDay, 0.3);
        const double step = -ShortSeriesElongationAt(instant) / rate;
        instant += step;
        if (std::abs(step) < 1.0 / 1440.0)
            break;
    }
    for (int i = 0; i < MaxSteps; ++i) {
        const double step = -ElongationAt(instant) / rate;
        instant += step;
        if (std::abs(step) < ConvergedDays)
            break;
    }
    return instant;
}

int DayOfInstant(double jstDays) { return static_cast<int>(std::floor(jstDays)); }
