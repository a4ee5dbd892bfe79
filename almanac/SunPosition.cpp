#include "almanac/SunPosition.h"

#include <cmath>
#include <numbers>

namespace {

struct TVsopTerm {
    double Amplitude;  // radians or au
    double Phase;      // radians
    double Frequency;  // radians per Julian millennium
};

struct TVsopSeries {
    const TVsopTerm* Terms;
    int Count;
};

#include "almanac/data/Vsop87dEarth.inc"

constexpr double DegreesPerRadian = 180.0 / std::numbers::pi;
constexpr double ArcsecPerDegree = 3600.0;

// Σ_k τ^k Σ A·cos(B + C·τ), the highest power first (Horner).
template <size_t N>
double SumSeries(const TVsopSeries (&series)[N], double millennia) {
    double total = 0;
    for (size_t power = N; power-- > 0;) {
        double sum = 0;
        for (int i = 0; i < series[power].Count; ++i) {
            const TVsopTerm& term = series[power].Terms[i];
            sum += term.Amplitude * std::cos(term.Phase + term.Frequency * millennia);
        }
        total = total * millennia + sum;
    }
    return total;
}

}  // namespace

THeliocentricEarth EarthPosition(double centuriesTT) {
    const double millennia = centuriesTT / 10.0;
    return {SumSeries(Vsop87dEarthL, millennia), SumSeries(Vsop87dEarthB, millennia),
            SumSeries(Vsop87dEarthR, millennia)};
}

double SunMeanLongitudeWithAberrationDeg(double centuriesTT) {
    const double t = centuriesTT;
    const THeliocentricEarth earth = EarthPosition(t);
    const double longitudeDeg = earth.LongitudeRad * DegreesPerRadian + 180.0;
    const double latitudeRad = -earth.LatitudeRad;
    // From the dynamical frame of VSOP87 to FK5 (J. Meeus, Astronomical Algorithms, 2nd
    // ed., ch. 32).
    const double shiftedRad = (longitudeDeg - 1.397 * t - 0.00031 * t * t) / DegreesPerRadian;
    const double fk5Arcsec = -0.09033 + 0.03916 * (std::cos(shiftedRad) + std::sin(shiftedRad)) * std::tan(latitudeRad);
    const double aberrationArcsec = -20.4898 / earth.DistanceAu;
    return longitudeDeg + (fk5Arcsec + aberrationArcsec) / ArcsecPerDegree;
}
