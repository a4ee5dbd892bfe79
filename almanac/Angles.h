#pragma once
// Angles in degrees: the two reductions that the ephemeris, the short series and the
// holiday search share.

// The angle brought into [0, 360).
double NormalizeDegrees(double angleDeg);
// A difference of two longitudes brought into (-180, 180], so that a step across the
// 0°/360° point is taken the short way.
double LongitudeDifference(double differenceDeg);
