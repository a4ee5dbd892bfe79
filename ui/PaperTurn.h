#pragma once
// TPaperTurn: the turning of a paper's page about a pivot. It holds the page's angle in
// whole degrees and an angular velocity, maps points between the unrotated page (source
// coordinates) and the rotated image (rotated coordinates), turns a pull at the pivot into
// one damped step of rotation, and caches the rotated image. Integer arithmetic throughout,
// with sines and cosines from the 1/256 tables; "÷" below truncates toward zero.
//
// The page may be drawn for a screen of any device pixel ratio. The turn's geometry (the
// centres, the radius, the pivots, the angle and its steps) is counted in logical pixels,
// the same numbers at every ratio; only the rotated image is made at the page's resolution,
// its centre at the logical centre times the ratio.

#include <memory>

#include "graphics/Bitmap.h"
#include "storage/Geometry.h"

class TPaperTurn {
public:
    // The velocity is held within ±MaxVelocity before each step's torque is added.
    static constexpr int MaxVelocity = 400;
    // Velocity is counted in twentieths of a degree per step.
    static constexpr int VelocityPerDegree = 20;

    TPaperTurn();
    TPaperTurn(const TPaperTurn&) = delete;
    TPaperTurn& operator=(const TPaperTurn&) = delete;

    int Angle() const { return FAngle; }        // 0..359 degrees
    int Velocity() const { return FVelocity; }  // twentieths of a degree per step
    int Damping() const { return FDamping; }    // per cent of the velocity lost per step
    int Radius() const { return FRadius; }      // half diagonal of the source, truncated
    double Ratio() const { return FRatio; }     // device pixels per logical pixel of the page
    // The logical size of the rotated page at the current angle: the window's size.
    int RotWidth() const { return FRotWidth; }
    int RotHeight() const { return FRotHeight; }
    bool Dirty() const { return FDirty; }
    TPoint SrcCenter() const { return FSrcCenter; }
    TPoint RotCenter() const { return FRotCenter; }
    TPoint PivotSrc() const { return FPivotSrc; }
    TPoint PivotRot() const { return FPivotRot; }
    const TBitmap* Source() const { return FSource; }

    // Takes the page to turn (not owned; it must outlive its use here), drawn at ratio
    // device pixels per logical pixel (one that UsableRatio refuses counts as 1), and builds its
    // rotated image at once. The page's logical size is its size ÷ ratio, rounded. The pivot
    // must be set again afterwards.
    void SetSource(const TBitmap* bitmap, double ratio = 1);
    // The page rotated by Angle, rebuilt first when the angle or the page changed; owned by
    // the paper turn and valid until the next call that rebuilds it. Null without a page.
    // Its size is DeviceLength of RotWidth × RotHeight at Ratio, and the rotated logical
    // centre RotCenter lies at RotCenter × Ratio (rounded) in it.
    const TBitmap* GetBitmap();
    // Any angle, folded into 0..359; a real change marks the rotated image for rebuilding.
    void SetAngle(int angle);
    void SetVelocity(int velocity) { FVelocity = velocity; }
    void SetDamping(int percent) { FDamping = percent; }

    // Source point → rotated point at the current angle, and back; both use the centre of
    // the rotated image cached at that moment. At angle 0 a point maps back onto itself.
    TPoint SrcToRot(TPoint p) const;
    TPoint RotToSrc(TPoint p) const;
    void SetPivotSrc(TPoint p);
    void SetPivotRot(TPoint p);

    // One step of turning under the force (fx, fy) pulling at the pivot (screen
    // orientation). True when the angle changed and the rotated image was rebuilt, so that
    // a caller that gets false need only move its window.
    bool Step(int fx, int fy);

private:
    int FAngle = 0;
    int FVelocity = 0;
    int FDamping = 40;
    int FRadius = 0;
    double FRatio = 1;
    int FRotWidth = 0;
    int FRotHeight = 0;
    const TBitmap* FSource = nullptr;
    std::unique_ptr<TBitmap> FRotated;
    bool FDirty = true;
    TPoint FSrcCenter;
    TPoint FRotCenter;
    TPoint FPivotSrc;
    TPoint FPivotRot;
};
