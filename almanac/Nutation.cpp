#include "almanac/Nutation.h"

#include <cmath>
#include <numbers>

namespace {

struct TNutationTerm {
    int D, M, MoonM, F, Omega;  // multipliers of the fundamental arguments
    double S0, S1;              // 0.0001" and 0.0001" per century
};

#include "almanac/data/Nutation1980.inc"

constexpr double RadiansPerDegree = std::numbers::pi / 180.0;

// The fundamental arguments of the IAU 1980 theory in degrees, T in Julian centuries of
// TT (J. Meeus, Astronomical Algorithms, 2nd ed., ch. 22).
double Polynomial(double t, double c0, double c1, double c2, double c3) { return c0 + t * (c1 + t * (c2 + t * c3)); }

}  // namespace

double NutationInLongitudeArcsec(double centuriesTT) {
    const double t = centuriesTT;
    const double elongation = Polynomial(t, 297.85036, 445267.111480, -0.0019142, 1.0 / 189474.0) * RadiansPerDegree;
    const double sunAnomaly = Polynomial(t, 357.52772, 35999.050340, -0.0001603, -1.0 / 300000.0) * RadiansPerDegree;
    const double moonAnomaly = Polynomial(t, 134.96298, 477198.867398, 0.0086972, 1.0 / 56250.0) * RadiansPerDegree;
    const double latitudeArgument =
        Polynomial(t, 93.27191, 483202.017538, -0.0036825, 1.0 / 327270.0) * RadiansPerDegree;
    const double node = Polynomial(t, 125.04452, -1934.136261, 0.0020708, 1.0 / 450000.0) * RadiansPerDegree;
    double sum = 0;
    for (const TNutationTerm& term : Nutation1980Longitude) {
        const double argument = term.D * elongation + term.M * sunAnomaly + term.MoonM * moonAnomaly +
                                term.F * latitudeArgument + term.Omega * node;
        sum += (term.S0 + term.S1 * t) * std::sin(argument);
    }
    return sum * 1e-4;
}
