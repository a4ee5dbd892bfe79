#include "almanac/DeltaT.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

#include "almanac/data/DeltaT.inc"

constexpr int DeltaTRows = static_cast<int>(std::size(DeltaTSecondsTable));
constexpr double DeltaTLastYear = DeltaTFirstYear + DeltaTStepYears * (DeltaTRows - 1);
// Years over which the step between the table and the polynomials is faded out.
constexpr double FadeYears = 100.0;

// F. Espenak and J. Meeus, "Five Millennium Canon of Solar Eclipses: -1999 to +3000",
// NASA/TP-2006-214141 (2006), the polynomial expressions for ΔT; seconds.
double EspenakMeeusDeltaT(double year) {
    const double u = (year - 1820.0) / 100.0;
    if (year < -500.0)
        return -20.0 + 32.0 * u * u;
    if (year < 500.0) {
        const double t = year / 100.0;
        return 10583.6 +
               t * (-1014.41 +
                    t * (33.78311 + t * (-5.952053 + t * (-0.1798452 + t * (0.022174192 + t * 0.0090316521)))));
    }
    if (year < 1600.0) {
        const double t = (year - 1000.0) / 100.0;
        return 1574.2 + t * (-556.01 + t * (71.23472 +
                                            t * (0.319781 + t * (-0.8503463 + t * (-0.005050998 + t * 0.0083572073)))));
    }
    if (year < 1700.0) {
        const double t = year - 1600.0;
        return 120.0 + t * (-0.9808 + t * (-0.01532 + t / 7129.0));
    }
    if (year < 2050.0) {
        const double t = year - 2000.0;
        return 62.92 + t * (0.32217 + t * 0.005589);
    }
    if (year < 2150.0)
        return -20.0 + 32.0 * u * u - 0.5628 * (2150.0 - year);
    return -20.0 + 32.0 * u * u;
}

}  // namespace

double DeltaTSeconds(double decimalYear) {
    if (std::isnan(decimalYear))
        return 0.0;
    if (decimalYear < DeltaTFirstYear) {
        const double fade = std::max(0.0, 1.0 - (DeltaTFirstYear - decimalYear) / FadeYears);
        return EspenakMeeusDeltaT(decimalYear) + (DeltaTSecondsTable[0] - EspenakMeeusDeltaT(DeltaTFirstYear)) * fade;
    }
    if (decimalYear > DeltaTLastYear) {
        const double fade = std::max(0.0, 1.0 - (decimalYear - DeltaTLastYear) / FadeYears);
        return EspenakMeeusDeltaT(decimalYear) +
               (DeltaTSecondsTable[DeltaTRows - 1] - EspenakMeeusDeltaT(DeltaTLastYear)) * fade;
    }
    const double position = (decimalYear - DeltaTFirstYear) / DeltaTStepYears;
    const int index = std::min(static_cast<int>(position), DeltaTRows - 2);
    const double fraction = position - index;
    return DeltaTSecondsTable[index] + (DeltaTSecondsTable[index + 1] - DeltaTSecondsTable[index]) * fraction;
}
