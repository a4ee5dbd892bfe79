#include <gtest/gtest.h>

#include <vector>

#include "storage/WindowPlacement.h"

namespace {

const TRect Primary{0, 0, 1920, 1040};  // 1920×1080 with a 40-pixel panel below
const TRect Secondary{1920, 0, 3200, 1024};

}  // namespace

TEST(EnsureOnMonitor, VisibleWindowsStayAndLostOnesAreCentred) {
    struct TCase {
        TRect Window;
        bool Stays;
    };
    const TCase cases[] = {
        {RectOfSize(100, 100, 130, 151), true},   {RectOfSize(-4, -8, 130, 151), true},  // the tolerated overhang
        {RectOfSize(-5, 100, 130, 151), true},                                           // right edge still inside
        {RectOfSize(-200, 100, 130, 151), false},  // right edge -70 left of the area
        {RectOfSize(100, -9, 130, 151), false},   {RectOfSize(100, 1032, 130, 151), false},  // top at B-8
        {RectOfSize(100, 1031, 130, 151), true},  {RectOfSize(2000, 500, 130, 151), true},   // on the second monitor
        {RectOfSize(3300, 500, 130, 151), false},
    };
    const std::vector<TRect> areas = {Primary, Secondary};
    for (const TCase& c : cases) {
        TRect result = EnsureOnMonitor(c.Window, areas, 1920, 1080);
        if (c.Stays)
            EXPECT_EQ(result, c.Window) << c.Window.Left << "," << c.Window.Top;
        else
            EXPECT_EQ(result, RectOfSize((1920 - 130) / 2, (1080 - 151) / 2, 130, 151))
                << c.Window.Left << "," << c.Window.Top;
    }
    // A window larger than the screen is shrunk before it is centred.
    EXPECT_EQ(EnsureOnMonitor(RectOfSize(5000, 5000, 3000, 100), {Primary}, 1920, 1080), RectOfSize(0, 490, 1920, 100));
}

TEST(FitIntoWorkArea, MovesInsideWithLeftAndTopWinning) {
    EXPECT_EQ(FitIntoWorkArea(RectOfSize(1850, 1000, 130, 151), Primary), RectOfSize(1790, 889, 130, 151));
    EXPECT_EQ(FitIntoWorkArea(RectOfSize(-10, -20, 130, 151), Primary), RectOfSize(0, 0, 130, 151));
    EXPECT_EQ(FitIntoWorkArea(RectOfSize(10, 20, 130, 151), Primary), RectOfSize(10, 20, 130, 151));
    EXPECT_EQ(FitIntoWorkArea(RectOfSize(500, 500, 4000, 2000), Primary), RectOfSize(0, 0, 4000, 2000));
}

TEST(WorkAreaOf, PicksTheMonitorHoldingMostOfTheWindow) {
    const std::vector<TRect> areas = {Primary, Secondary};
    EXPECT_EQ(WorkAreaOf(RectOfSize(1900, 10, 130, 151), areas), Secondary);
    EXPECT_EQ(WorkAreaOf(RectOfSize(1850, 10, 130, 151), areas), Primary);
    EXPECT_EQ(WorkAreaOf(RectOfSize(5000, 10, 130, 151), areas), Secondary);
    EXPECT_EQ(WorkAreaOf(RectOfSize(0, 0, 1, 1), {}), TRect{});
}

TEST(WorkAreaOf, TiesGoToTheAreaListedFirstThePrimaryScreen) {
    // Two screens of the same height side by side, the primary listed first as the
    // screens are.
    const TRect left{0, 0, 1920, 1040};
    const TRect right{1920, 0, 3840, 1040};
    struct TCase {
        const char* Name;
        TRect Window;
        std::vector<TRect> Areas;
        TRect Expected;
    };
    const TCase cases[] = {
        {"below both, across their border", RectOfSize(1855, 1300, 130, 151), {left, right}, left},
        {"the same, the primary on the right", RectOfSize(1855, 1300, 130, 151), {right, left}, right},
        {"half on each", RectOfSize(1855, 100, 130, 151), {left, right}, left},
        {"the same, the primary on the right", RectOfSize(1855, 100, 130, 151), {right, left}, right},
        {"above both, across their border", RectOfSize(1855, -400, 130, 151), {left, right}, left},
        {"below the primary only", RectOfSize(100, 1300, 130, 151), {right, left}, left},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(WorkAreaOf(c.Window, c.Areas), c.Expected) << c.Name;
}
