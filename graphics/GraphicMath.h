#pragma once
// Point geometry for turning papers: distance, bearing, angle normalisation and the
// whole-degree sine and cosine tables in 1/256 units.

#include <array>
#include <cstdint>

#include "storage/Geometry.h"

// √((x1−x2)² + (y1−y2)²).
double PointDistance(int x1, int y1, int x2, int y2);
// Bearing of p2 seen from p1 on the screen (y down), clockwise from straight up, in whole
// degrees 0..359: up 0, right 90, down 180, left 269 (the rounding of the bearing formula).
int PointAngle(TPoint p1, TPoint p2);
// angle folded into 0..359.
int NormalizeAngle(int angle);

// sin(i°)·256 and cos(i°)·256 for i = 0..359, truncated toward zero, computed in extended
// precision (so SinTable()[90] = 256, SinTable()[30] = 128 but CosTable()[60] = 127).
// Filled on first use.
using TTrigTable = std::array<int32_t, 360>;
const TTrigTable& SinTable();
const TTrigTable& CosTable();
