#include "almanac/Angles.h"

#include <cmath>

double NormalizeDegrees(double angleDeg) {
    double angle = std::fmod(angleDeg, 360.0);
    if (angle < 0)
        angle += 360.0;
    // A tiny negative angle plus 360 can round up to 360 itself.
    return angle >= 360.0 ? 0.0 : angle;
}

double LongitudeDifference(double differenceDeg) {
    double difference = std::fmod(differenceDeg, 360.0);
    if (difference > 180.0)
        difference -= 360.0;
    else if (difference <= -180.0)
        difference += 360.0;
    return difference;
}
