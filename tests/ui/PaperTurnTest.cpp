#include <gtest/gtest.h>

#include <cstdlib>

#include "graphics/Bitmap.h"
#include "graphics/GraphicWork.h"
#include "ui/PaperTurn.h"

namespace {

// A 120 × 120 page, the size of a day page.
struct TPage {
    TBitmap Bitmap{120, 120, TPixelFormat::pf32bit};
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
    TBitmap dot(1, 1, TPixelFormat::pf32bit);
    TPaperTurn turn;
    EXPECT_EQ(turn.GetBitmap(), nullptr);
    turn.SetSource(&dot);
    EXPECT_EQ(turn.Radius(), 0);
    turn.SetPivotSrc({1, 0});
    turn.SetVelocity(40);
    EXPECT_TRUE(turn.Step(1000, 1000));
    EXPECT_EQ(turn.Angle(), 2);
}
