#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "graphics/Bitmap.h"
#include "graphics/GraphicWork.h"
#include "graphics/Region.h"
#include "ui/PaperTurn.h"

namespace {

// A 120 × 120 page, the size of a day page.
struct TPage {
    TBitmap Bitmap{120, 120, TPixelFormat::Bits32};
    TPaperTurn Turn;
    TPage() { Turn.SetSource(&Bitmap); }
};

}  // namespace

TEST(PaperTurn, TheWorkedTearStep) {
    TPage page;
    EXPECT_EQ(page.Turn.SrcCenter(), (TPoint{60, 60}));
    EXPECT_EQ(page.Turn.Radius(), 84);
    EXPECT_EQ(page.Turn.RotCenter(), (TPoint{61, 61}));
    EXPECT_EQ(page.Turn.Damping(), 40);
    page.Turn.SetPivotSrc({120, 0});
    EXPECT_EQ(page.Turn.PivotRot(), (TPoint{120, 0}));

    EXPECT_TRUE(page.Turn.Step(-10, 20));
    EXPECT_EQ(page.Turn.Angle(), 358);
    EXPECT_EQ(page.Turn.Velocity(), -30);
    EXPECT_FALSE(page.Turn.Dirty());
    // The image was rebuilt at 358° and the pivot mapped into it.
    std::unique_ptr<TBitmap> expected = RotateBitmap(page.Bitmap, 358);
    EXPECT_EQ(page.Turn.GetBitmap()->Width(), expected->Width());
    EXPECT_EQ(page.Turn.RotCenter(), (TPoint{expected->Width() / 2, expected->Height() / 2}));
    EXPECT_EQ(page.Turn.PivotRot(), page.Turn.SrcToRot({120, 0}));
}

TEST(PaperTurn, SetAngleFoldsAndMarksOnlyRealChanges) {
    struct TCase {
        int Start;
        int Set;
        int Angle;
        bool Dirty;
    };
    const TCase cases[] = {
        {0, -30, 330, true}, {0, 360, 0, false}, {0, 725, 5, true}, {10, -350, 10, false}, {359, -1, 359, false},
    };
    for (const TCase& c : cases) {
        TPage page;
        page.Turn.SetAngle(c.Start);
        page.Turn.GetBitmap();
        page.Turn.SetAngle(c.Set);
        EXPECT_EQ(page.Turn.Angle(), c.Angle) << c.Set;
        EXPECT_EQ(page.Turn.Dirty(), c.Dirty) << c.Set;
    }
}

TEST(PaperTurn, TheRotatedImageIsRebuiltOnlyWhenTheAngleChanges) {
    TPage page;
    const TBitmap* first = page.Turn.GetBitmap();
    EXPECT_EQ(first->Width(), 123);
    EXPECT_EQ(page.Turn.GetBitmap(), first);
    page.Turn.SetAngle(45);
    const TBitmap* turned = page.Turn.GetBitmap();
    EXPECT_GT(turned->Width(), 160);  // the diagonal of the page
    EXPECT_EQ(page.Turn.RotCenter(), (TPoint{turned->Width() / 2, turned->Height() / 2}));
}

TEST(PaperTurn, StepsWithoutTorqueOrWithTooLittleOfIt) {
    struct TCase {
        const char* What;
        TPoint Pivot;
        int Velocity;
        int Fx, Fy;
        int Angle;  // after one step
        int After;  // velocity after the step
        bool Rebuilt;
    };
    const TCase cases[] = {
        // At the centre the lever is 0: only the velocity left over turns the page.
        {"centre, at rest", {60, 60}, 0, 500, 500, 0, 0, false},
        {"centre, moving", {60, 60}, 100, 0, 0, 5, 60, true},
        {"centre, too fast", {60, 60}, 500, 0, 0, 20, 240, true},  // 500 held at 400 first
        {"centre, backwards", {60, 60}, -500, 0, 0, 340, -240, true},
        // A small pull: a velocity under 20 turns nothing, but survives, damped.
        {"corner, small pull", {120, 0}, 0, 0, 1, 0, -2, false},
        // Inside a quarter of the half diagonal (21) of the centre: no lever.
        {"near the centre", {75, 60}, 0, 100, 100, 0, 0, false},
    };
    for (const TCase& c : cases) {
        TPage page;
        page.Turn.SetPivotSrc(c.Pivot);
        page.Turn.SetVelocity(c.Velocity);
        EXPECT_EQ(page.Turn.Step(c.Fx, c.Fy), c.Rebuilt) << c.What;
        EXPECT_EQ(page.Turn.Angle(), c.Angle) << c.What;
        EXPECT_EQ(page.Turn.Velocity(), c.After) << c.What;
    }
}

TEST(PaperTurn, LeftoverVelocityDecaysByFortyPerCentAStep) {
    TPage page;
    page.Turn.SetPivotSrc({60, 60});
    page.Turn.SetVelocity(300);
    const int angles[] = {15, 24, 29, 32, 33, 34, 34};
    const int velocities[] = {180, 108, 64, 38, 22, 13, 7};
    for (int i = 0; i < 7; ++i) {
        page.Turn.Step(0, 0);
        EXPECT_EQ(page.Turn.Angle(), angles[i]) << i;
        EXPECT_EQ(page.Turn.Velocity(), velocities[i]) << i;
    }
}

TEST(PaperTurn, APageHingedAtOneCornerSwingsTheOtherWayDown) {
    // Pulling down at the top-right hinge lets the left side fall: counter-clockwise,
    // angles below 360; at the top-left hinge the right side falls: clockwise.
    struct TCase {
        TPoint Hinge;
        bool Clockwise;
    };
    for (const TCase& c : {TCase{{120, 0}, false}, TCase{{0, 0}, true}}) {
        TPage page;
        page.Turn.SetPivotSrc(c.Hinge);
        int steps = 0;
        while (page.Turn.Angle() <= 10 || page.Turn.Angle() >= 350) {
            page.Turn.Step(0, 60);
            ASSERT_LT(++steps, 20) << c.Hinge.X;
        }
        EXPECT_EQ(page.Turn.Angle() < 180, c.Clockwise) << page.Turn.Angle();
        EXPECT_EQ(page.Turn.PivotRot(), page.Turn.SrcToRot(c.Hinge));
    }
}

TEST(PaperTurn, MappingThereAndBackLandsOnTheSamePoint) {
    for (int angle : {0, 1, 30, 90, 179, 269, 358}) {
        TPage page;
        page.Turn.SetAngle(angle);
        page.Turn.GetBitmap();
        int worst = 0;
        for (int y = 0; y <= 120; y += 4)
            for (int x = 0; x <= 120; x += 4) {
                TPoint back = page.Turn.RotToSrc(page.Turn.SrcToRot({x, y}));
                worst = std::max({worst, std::abs(back.X - x), std::abs(back.Y - y)});
            }
        // Exact at 0°; elsewhere the truncated tables and the whole-pixel centres of the
        // two images move a point by a few pixels at most.
        EXPECT_LE(worst, angle == 0 ? 0 : 4) << angle;
    }
}

TEST(PaperTurn, ATinyOrMissingPageNeverDividesByZero) {
    TBitmap dot(1, 1, TPixelFormat::Bits32);
    TPaperTurn turn;
    EXPECT_EQ(turn.GetBitmap(), nullptr);
    turn.SetSource(&dot);
    EXPECT_EQ(turn.Radius(), 0);
    turn.SetPivotSrc({1, 0});
    turn.SetVelocity(40);
    EXPECT_TRUE(turn.Step(1000, 1000));
    EXPECT_EQ(turn.Angle(), 2);
}

// ---- Pages drawn for screens of other device pixel ratios ----------------------------

namespace {

// A white page of DeviceLength(120, ratio) with a red square on the logical pixels
// (88..91, 18..21), whose centre is the logical point (90, 20).
std::unique_ptr<TBitmap> MarkedPage(double ratio) {
    const int side = DeviceLength(120, ratio);
    auto page = std::make_unique<TBitmap>(side, side, TPixelFormat::Bits32);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const bool mark = x >= DeviceLength(88, ratio) && x < DeviceLength(92, ratio) &&
                              y >= DeviceLength(18, ratio) && y < DeviceLength(22, ratio);
            uint8_t* p = page->ScanLine(y) + x * 4;
            p[0] = p[1] = mark ? 0 : 255;
            p[2] = p[3] = 255;
        }
    return page;
}

// The centre of the red pixels of a rotated image.
std::pair<double, double> RedCentre(const TBitmap& image) {
    double sumX = 0, sumY = 0, count = 0;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const uint8_t* p = image.ScanLine(y) + x * 4;
            if (p[3] > 200 && p[2] > 200 && p[1] < 100) {
                sumX += x;
                sumY += y;
                ++count;
            }
        }
    return count > 0 ? std::pair{sumX / count + 0.5, sumY / count + 0.5} : std::pair{-1.0, -1.0};
}

}  // namespace

TEST(PaperTurn, AtEveryRatioTheTurnIsCountedInLogicalPixelsAndOnlyTheImageIsFiner) {
    for (double ratio : {1.5, 2.0}) {
        SCOPED_TRACE(ratio);
        TPage logical;
        std::unique_ptr<TBitmap> devicePage = MarkedPage(ratio);
        TPaperTurn device;
        device.SetSource(devicePage.get(), ratio);
        EXPECT_EQ(device.Ratio(), ratio);
        logical.Turn.SetPivotSrc({120, 0});
        device.SetPivotSrc({120, 0});
        // The same pulls turn both pages alike, step by step.
        const TPoint pulls[] = {{-10, 20}, {-30, 40}, {5, 60}, {0, 0}, {40, -10}, {-80, 90}};
        for (TPoint pull : pulls) {
            EXPECT_EQ(device.Step(pull.X, pull.Y), logical.Turn.Step(pull.X, pull.Y));
            EXPECT_EQ(device.Angle(), logical.Turn.Angle());
            EXPECT_EQ(device.Velocity(), logical.Turn.Velocity());
            EXPECT_EQ(device.Radius(), logical.Turn.Radius());
            EXPECT_EQ(device.SrcCenter(), logical.Turn.SrcCenter());
            EXPECT_EQ(device.RotCenter(), logical.Turn.RotCenter());
            EXPECT_EQ(device.PivotRot(), logical.Turn.PivotRot());
            const TBitmap* shown = logical.Turn.GetBitmap();
            EXPECT_EQ(device.RotWidth(), shown->Width());
            EXPECT_EQ(device.RotHeight(), shown->Height());
            // The image at the device's resolution: ratio times the logical size, give or
            // take the rounding of one pixel.
            const TBitmap* image = device.GetBitmap();
            EXPECT_NEAR(image->Width(), shown->Width() * ratio, 1);
            EXPECT_NEAR(image->Height(), shown->Height() * ratio, 1);
        }
    }
}

TEST(PaperTurn, APointOfTheDevicePageLandsWhereTheLogicalImageHasIt) {
    std::unique_ptr<TBitmap> logicalPage = MarkedPage(1);
    TPaperTurn logical;
    logical.SetSource(logicalPage.get());
    for (double ratio : {1.5, 2.0}) {
        std::unique_ptr<TBitmap> page = MarkedPage(ratio);
        TPaperTurn turn;
        turn.SetSource(page.get(), ratio);
        for (int angle : {0, 7, 30, 90, 135, 200, 333}) {
            SCOPED_TRACE(std::to_string(ratio) + " at " + std::to_string(angle));
            turn.SetAngle(angle);
            logical.SetAngle(angle);
            const auto [x, y] = RedCentre(*turn.GetBitmap());
            const auto [logicalX, logicalY] = RedCentre(*logical.GetBitmap());
            // Within three quarters of a logical pixel of where the 120-pixel page's image has the mark,
            // times the ratio: the image is not shifted against the window.
            EXPECT_NEAR(x / ratio, logicalX, 0.75);
            EXPECT_NEAR(y / ratio, logicalY, 0.75);
        }
    }
}

TEST(PaperTurn, AtRatioOneTheRotatedImageIsRotateBitmapItself) {
    std::unique_ptr<TBitmap> page = MarkedPage(1);
    TPaperTurn turn;
    turn.SetSource(page.get());
    for (int angle : {0, 1, 45, 181, 359}) {
        turn.SetAngle(angle);
        const TBitmap* rotated = turn.GetBitmap();
        std::unique_ptr<TBitmap> expected = RotateBitmap(*page, angle);
        ASSERT_EQ(rotated->Width(), expected->Width()) << angle;
        ASSERT_EQ(rotated->Height(), expected->Height()) << angle;
        for (int y = 0; y < rotated->Height(); ++y)
            ASSERT_EQ(std::memcmp(rotated->ScanLine(y), expected->ScanLine(y), size_t(rotated->Width()) * 4), 0)
                << angle << " row " << y;
    }
}

TEST(PaperTurn, TheShapeOfATurnedDevicePageStepsByOneDevicePixel) {
    std::unique_ptr<TBitmap> page = MarkedPage(2);
    TPaperTurn turn;
    turn.SetSource(page.get(), 2);
    turn.SetAngle(20);
    TRegion shape;
    shape.MakeFromBitmap(*turn.GetBitmap(), 128);
    // The left edge of each row of the shape: along a slanted side it moves by single
    // device pixels, landing on odd columns too, and pairs of rows differ, unlike a logical
    // shape stretched twofold.
    std::vector<int> lefts;
    for (int y = 0; y < turn.GetBitmap()->Height(); ++y) {
        const std::vector<TRect> row = shape.RectanglesWithin({0, y, turn.GetBitmap()->Width(), y + 1});
        if (!row.empty())
            lefts.push_back(row.front().Left);
    }
    ASSERT_GT(lefts.size(), 200u);
    int odd = 0, differingPairs = 0;
    for (size_t i = 0; i + 1 < lefts.size(); i += 2) {
        odd += (lefts[i] % 2) + (lefts[i + 1] % 2);
        differingPairs += lefts[i] != lefts[i + 1];
    }
    EXPECT_GT(odd, 20);
    EXPECT_GT(differingPairs, 20);
}
