#include "storage/WindowPlacement.h"

#include <algorithm>
#include <climits>

TRect EnsureOnMonitor(const TRect& window, const std::vector<TRect>& workAreas, int screenWidth, int screenHeight) {
    const int x = window.Left;
    const int y = window.Top;
    const int right = window.Left + window.Width();
    for (const TRect& area : workAreas) {
        bool topVisible = area.Top - 8 <= y && y < area.Bottom - 8;
        bool leftVisible = area.Left - 4 <= x && x < area.Right;
        bool rightVisible = area.Left <= right && right + 4 < area.Right;
        if (topVisible && (leftVisible || rightVisible))
            return window;
    }
    int width = std::min(window.Width(), screenWidth);
    int height = std::min(window.Height(), screenHeight);
    return RectOfSize((screenWidth - width) / 2, (screenHeight - height) / 2, width, height);
}

TRect FitIntoWorkArea(const TRect& window, const TRect& workArea) {
    int left = window.Left;
    int top = window.Top;
    const int width = window.Width();
    const int height = window.Height();
    if (top + height > workArea.Bottom)
        top = workArea.Bottom - height;
    if (left + width > workArea.Right)
        left = workArea.Right - width;
    if (left < workArea.Left)
        left = workArea.Left;
    if (top < workArea.Top)
        top = workArea.Top;
    return RectOfSize(left, top, width, height);
}

TRect WorkAreaOf(const TRect& window, const std::vector<TRect>& workAreas) {
    TRect best;
    long long bestOverlap = -1;
    long long bestDistance = LLONG_MAX;
    for (const TRect& area : workAreas) {
        long long overlapWidth = std::min(window.Right, area.Right) - std::max(window.Left, area.Left);
        long long overlapHeight = std::min(window.Bottom, area.Bottom) - std::max(window.Top, area.Top);
        long long overlap = overlapWidth > 0 && overlapHeight > 0 ? overlapWidth * overlapHeight : 0;
        long long dx = std::max({0, area.Left - window.Right, window.Left - area.Right});
        long long dy = std::max({0, area.Top - window.Bottom, window.Top - area.Bottom});
        long long distance = dx * dx + dy * dy;
        if (overlap > bestOverlap || (overlap == 0 && bestOverlap == 0 && distance < bestDistance)) {
            best = area;
            bestOverlap = overlap;
            bestDistance = distance;
        }
    }
    return best;
}
