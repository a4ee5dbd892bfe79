#pragma once
// TPaperTurn: the turning of a paper's page about a pivot. It holds the page's angle in
// whole degrees and an angular velocity, maps points between the unrotated page (source
// coordinates) and the rotated image (rotated coordinates), turns a pull at the pivot into
// one damped step of rotation, and caches the rotated image. Integer arithmetic throughout,
// with sines and cosines from the 1/256 tables; "÷" below truncates toward zero.

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
    bool Dirty() const { return FDirty; }
    TPoint SrcCenter() const { return FSrcCenter; }
    TPoint RotCenter() const { return FRotCenter; }
    TPoint PivotSrc() const { return FPivotSrc; }
    TPoint PivotRot() const { return FPivotRot; }
    const TBitmap* Source() const { return FSource; }

    // Takes the page to turn (not owned; it must outlive its use here) and builds its
    // rotated image at once. The pivot must be set again afterwards.
    void SetSource(const TBitmap* bitmap);
    // The page rotated by Angle, rebuilt first when the angle or the page changed; owned by
    // the paper turn and valid until the next call that rebuilds it. Null without a page.
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
    const TBitmap* FSource = nullptr;
    std::unique_ptr<TBitmap> FRotated;
    bool FDirty = true;
    TPoint FSrcCenter;
    TPoint FRotCenter;
    TPoint FPivotSrc;
    TPoint FPivotRot;
};
