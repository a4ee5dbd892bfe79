#include "almanac/ShortSeries.h"

#include <cmath>
#include <numbers>

#include "almanac/Angles.h"

namespace {

constexpr double RadiansPerDegree = std::numbers::pi / 180.0;
// Day number of 1974-12-31, day 0 of the series' day count.
constexpr double DayCountOrigin = 27394.0;
// 0h JST is 15h UT of the day before.
constexpr double JstOffsetDays = 9.0 / 24.0;

struct TPeriodicTerm {
    double AmplitudeDeg;
    double PhaseDeg;
    double RateDegPerYear;  // per Julian year of the time argument
};

// sin of an angle in degrees; the angle is reduced first so that large multiples of the
// time argument lose no precision.
double SinDeg(double angleDeg) { return std::sin(std::fmod(angleDeg, 360.0) * RadiansPerDegree); }

template <size_t N>
double SumTerms(const TPeriodicTerm (&terms)[N], double years) {
    double sum = 0;
    for (const TPeriodicTerm& term : terms)
        sum += term.AmplitudeDeg * SinDeg(term.PhaseDeg + term.RateDegPerYear * years);
    return sum;
}

// Sun: periodic terms of the apparent longitude after the equation of the centre; time
// argument in Julian years from 1975 January 0.0 UT.
constexpr TPeriodicTerm SunTerms[] = {
    {0.0200, 353.06, 719.981}, {-0.0048, 248.64, -19.341}, {0.0020, 285.0, 329.64}, {0.0018, 334.2, -4452.67},
    {0.0018, 293.7, -0.20},    {0.0015, 242.4, 450.37},    {0.0013, 211.1, 225.18}, {0.0008, 208.0, 659.29},
    {0.0007, 53.5, 90.38},     {0.0007, 12.1, -30.35},     {0.0006, 239.1, 337.18}, {0.0005, 10.1, -1.50},
    {0.0005, 99.1, -22.81},    {0.0004, 264.8, 315.56},    {0.0004, 233.8, 299.30}, {-0.0004, 198.1, 720.02},
    {0.0003, 349.6, 1079.97},  {0.0003, 241.2, -44.43},
};

// Moon: periodic terms after the first (which carries the small correction A); time
// argument in Julian years from 1975 January 0.0, on the dynamical time scale.
constexpr TPeriodicTerm MoonTerms[] = {
    {1.274, 107.248, -4133.3536}, {0.6583, 51.668, 8905.3422},  {0.2136, 317.831, 9543.9773},
    {0.1856, 176.531, 359.9905},  {0.1143, 292.463, 9664.0404}, {0.0588, 86.16, 638.635},
    {0.0572, 103.78, -3773.363},  {0.0533, 30.58, 13677.331},   {0.0459, 124.86, -8545.352},
    {0.041, 342.38, 4411.998},    {0.0348, 25.83, 4452.671},    {0.0305, 155.45, 5131.979},
    {0.0153, 240.79, 758.698},    {0.0125, 271.38, 14436.029},  {0.011, 226.45, -4892.052},
    {0.0107, 55.58, -13038.696},  {0.01, 296.75, 14315.966},    {0.0085, 34.5, -8266.71},
    {0.0079, 290.7, -4493.34},    {0.0068, 228.2, 9265.33},     {0.0052, 133.1, 319.32},
    {0.005, 202.4, 4812.66},      {0.0048, 68.6, -19.34},       {0.004, 34.1, 13317.34},
    {0.004, 9.5, 18449.32},       {0.004, 93.8, -1.33},         {0.0039, 103.3, 17810.68},
    {0.0037, 65.1, 5410.62},      {0.0027, 321.3, 9183.99},     {0.0026, 174.8, -13797.39},
    {0.0024, 82.7, 998.63},       {0.0024, 4.7, 9224.66},       {0.0022, 121.4, -8185.36},
    {0.0021, 134.4, 9903.97},     {0.0021, 173.1, 719.98},      {0.0021, 100.3, -3413.37},
    {0.002, 248.6, -19.34},       {0.0018, 98.1, 4013.29},      {0.0016, 344.1, 18569.38},
    {0.0012, 52.1, -12678.71},    {0.0011, 250.3, 19208.02},    {0.0009, 81.0, -8586.0},
    {0.0008, 207.0, 14037.3},     {0.0008, 31.0, -7906.7},      {0.0007, 346.0, 4052.0},
    {0.0007, 294.0, -4853.3},     {0.0007, 90.0, 278.6},        {0.0006, 237.0, 1118.7},
    {0.0005, 82.0, 22582.7},      {0.0005, 276.0, 19088.0},     {0.0005, 73.0, -17450.7},
    {0.0005, 112.0, 5091.3},      {0.0004, 116.0, -398.7},      {0.0004, 25.0, -120.1},
    {0.0004, 181.0, 9584.7},      {0.0004, 18.0, 720.0},        {0.0003, 60.0, -3814.0},
    {0.0003, 13.0, -3494.7},      {0.0003, 13.0, 18089.3},      {0.0003, 152.0, 5492.0},
    {0.0003, 317.0, -40.7},       {0.0003, 348.0, 23221.3},
};

// The small correction A that enters the argument of the moon's largest term.
constexpr TPeriodicTerm MoonCorrectionTerms[] = {
    {0.0040, 93.8, -1.33}, {0.0020, 248.6, -19.34}, {0.0006, 66.0, 0.2}, {0.0006, 249.0, -19.3}};

}  // namespace

double ShortSeriesYears(double jstDays) { return (jstDays - JstOffsetDays - DayCountOrigin) / 365.25; }

double ShortSeriesSunLongitude(double years) {
    const double centre = (1.9159 - 0.00005 * years) * SinDeg(356.531 + 359.991 * years);
    return NormalizeDegrees(279.0358 + 360.00769 * years + centre + SumTerms(SunTerms, years));
}

double ShortSeriesMoonLongitude(double years) {
    years += 1e-6 * (0.0317 * years + 1.43);  // dynamical minus universal time, in years
    const double correction = NormalizeDegrees(SumTerms(MoonCorrectionTerms, years));
    const double largest = 6.2887 * SinDeg(338.915 + 4771.9886 * years + correction);
    return NormalizeDegrees(124.8754 + 4812.67881 * years + largest + SumTerms(MoonTerms, years));
}
