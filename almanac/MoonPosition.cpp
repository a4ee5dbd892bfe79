#include "almanac/MoonPosition.h"

#include <cmath>
#include <iterator>
#include <numbers>

namespace {

struct TElpTerm {
    double AmplitudeArcsec;
    double Phase0, Phase1, Phase2, Phase3, Phase4;  // radians: φ0 + φ1·T + ... + φ4·T^4
};

struct TElpSeries {
    const TElpTerm* Terms;
    int Count;
};

#include "almanac/data/ElpMpp02.inc"

constexpr double DegreesPerRadian = 180.0 / std::numbers::pi;
constexpr double ArcsecPerDegree = 3600.0;
constexpr double RadiansPerArcsec = 1.0 / (DegreesPerRadian * ArcsecPerDegree);

// The general precession in longitude from J2000.0 in arc-seconds (Laskar 1986), with the
// correction of the precession constant of the DE405 fit of ELP/MPP02 (−0.29965"/cy).
double PrecessionArcsec(double t) {
    return t * ((5029.0966 - 0.29965) + t * (1.1120 + t * (0.000077 - t * 0.00002353)));
}

// The light time of the moon turns its place back by its transverse speed (about
// 1.02 km/s) over the light time (about 1.28 s): 0.704" on average, within 0.06".
constexpr double LightTimeArcsec = -0.704;

}  // namespace

double MoonLongitudeFromDeparturePointRad(double centuriesTT) {
    const double t = centuriesTT;
    double periodicArcsec = 0;
    for (size_t power = std::size(ElpMpp02V); power-- > 0;) {
        double sum = 0;
        for (int i = 0; i < ElpMpp02V[power].Count; ++i) {
            const TElpTerm& term = ElpMpp02V[power].Terms[i];
            const double phase =
                term.Phase0 + t * (term.Phase1 + t * (term.Phase2 + t * (term.Phase3 + t * term.Phase4)));
            sum += term.AmplitudeArcsec * std::sin(phase);
        }
        periodicArcsec = periodicArcsec * t + sum;
    }
    const double* w = ElpMpp02W1;
    const double meanLongitudeRad = w[0] + t * (w[1] + t * (w[2] + t * (w[3] + t * w[4])));
    return meanLongitudeRad + periodicArcsec * RadiansPerArcsec;
}

double MoonMeanLongitudeWithLightTimeDeg(double centuriesTT) {
    const double correctionsArcsec = PrecessionArcsec(centuriesTT) + LightTimeArcsec;
    return MoonLongitudeFromDeparturePointRad(centuriesTT) * DegreesPerRadian + correctionsArcsec / ArcsecPerDegree;
}
