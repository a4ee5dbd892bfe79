#pragma once
// Where a window may stand on the screen, as geometry over rectangles, so that the rules
// hold the same for a real window and in tests. The windows pass their frame and the
// monitors' work areas and move themselves to the result.

#include <vector>

#include "storage/Geometry.h"

// The window unchanged when some work area shows it (top edge y with T-8 <= y < B-8, and
// left edge x with L-4 <= x < R or right edge r with L <= r and r+4 < R). Otherwise it is
// shrunk to the screen where larger and centred on the screen.
TRect EnsureOnMonitor(const TRect& window, const std::vector<TRect>& workAreas, int screenWidth, int screenHeight);
// The window moved, without resizing, so that its bottom and right edges lie inside the
// work area, and then its left and top edges (which win when it is larger than the area).
TRect FitIntoWorkArea(const TRect& window, const TRect& workArea);
// The work area of the monitor that holds the window: the one it overlaps most, else the
// one nearest to it. Ties go to the area listed first (ScreenWorkAreas lists the primary
// screen first). An empty list gives an empty rectangle.
TRect WorkAreaOf(const TRect& window, const std::vector<TRect>& workAreas);
