#include "ui/PaperTurn.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "graphics/GraphicMath.h"
#include "graphics/GraphicWork.h"

namespace {

// One pixel in the 1/256 units of the tables. SrcToRot and RotToSrc shift by it in
// opposite directions, so that a point mapped there and back lands where it started.
constexpr int OnePixel = 256;

}  // namespace

TPaperTurn::TPaperTurn() = default;

void TPaperTurn::SetSource(const TBitmap* bitmap, double ratio) {
    FSource = bitmap;
    FRatio = UsableRatio(ratio);
    FSrcCenter = bitmap
                     ? TPoint{LogicalLength(bitmap->Width(), FRatio) / 2, LogicalLength(bitmap->Height(), FRatio) / 2}
                     : TPoint{};
    FRadius = static_cast<int>(
        std::sqrt(static_cast<double>(FSrcCenter.X) * FSrcCenter.X + static_cast<double>(FSrcCenter.Y) * FSrcCenter.Y));
    FDirty = true;
    GetBitmap();
}

const TBitmap* TPaperTurn::GetBitmap() {
    if (FDirty)
        FRotated.reset();
    if (!FSource)
        return nullptr;
    if (!FRotated) {
        const TRect bounds =
            RotatedBounds(LogicalLength(FSource->Width(), FRatio), LogicalLength(FSource->Height(), FRatio), FAngle);
        FRotWidth = bounds.Width();
        FRotHeight = bounds.Height();
        FRotCenter = {FRotWidth / 2, FRotHeight / 2};
        // At ratio 1 this is RotateBitmap itself.
        FRotated = RotateBitmapInto(*FSource, FAngle, DeviceLength(FRotWidth, FRatio), DeviceLength(FRotHeight, FRatio),
                                    {DeviceLength(FRotCenter.X, FRatio), DeviceLength(FRotCenter.Y, FRatio)});
    }
    FDirty = false;
    return FRotated.get();
}

void TPaperTurn::SetAngle(int angle) {
    angle = NormalizeAngle(angle);
    if (angle != FAngle)
        FDirty = true;
    FAngle = angle;
}

TPoint TPaperTurn::SrcToRot(TPoint p) const {
    const int sine = SinTable()[FAngle], cosine = CosTable()[FAngle];
    const int dx = p.X - FSrcCenter.X, dy = p.Y - FSrcCenter.Y;
    return {(dx * cosine - dy * sine - OnePixel) / 256 + FRotCenter.X,
            (dx * sine + dy * cosine - OnePixel) / 256 + FRotCenter.Y};
}

TPoint TPaperTurn::RotToSrc(TPoint p) const {
    const int back = NormalizeAngle(-FAngle);
    const int sine = SinTable()[back], cosine = CosTable()[back];
    const int dx = p.X - FRotCenter.X, dy = p.Y - FRotCenter.Y;
    return {(dx * cosine - dy * sine + OnePixel) / 256 + FSrcCenter.X,
            (dx * sine + dy * cosine + OnePixel) / 256 + FSrcCenter.Y};
}

void TPaperTurn::SetPivotSrc(TPoint p) {
    FPivotSrc = p;
    FPivotRot = SrcToRot(p);
}

void TPaperTurn::SetPivotRot(TPoint p) {
    FPivotRot = p;
    FPivotSrc = RotToSrc(p);
}

bool TPaperTurn::Step(int fx, int fy) {
    // The bearing of the pivot seen from the image centre: the arm the force turns.
    const int arm = PointAngle(FRotCenter, FPivotRot);
    // A pivot within a quarter of the half diagonal of the centre gives no turning.
    const int distance = static_cast<int>(PointDistance(FPivotSrc.X, FPivotSrc.Y, FSrcCenter.X, FSrcCenter.Y));
    const int quarter = FRadius / 4;
    const int lever = distance < quarter ? 0 : distance - quarter;
    // A page without size has no lever at all.
    const int64_t scaledX = FRadius > 0 ? int64_t(fx) * lever * 10 / FRadius : 0;
    const int64_t scaledY = FRadius > 0 ? int64_t(fy) * lever * 10 / FRadius : 0;
    const int forceX = static_cast<int>(std::clamp<int64_t>(scaledX, INT32_MIN / 2, INT32_MAX / 2));
    const int forceY = static_cast<int>(std::clamp<int64_t>(scaledY, INT32_MIN / 2, INT32_MAX / 2));
    const int64_t magnitude = static_cast<int64_t>(PointDistance(0, 0, forceX, forceY));
    // The force turned by a right angle, against the arm: its sine is the share that turns.
    const int direction = PointAngle({0, 0}, {-forceY, forceX});
    const int index = NormalizeAngle(90 - (direction - arm));
    const int torque = static_cast<int>(SinTable()[index] * magnitude / 256);

    FVelocity = std::clamp(FVelocity, -MaxVelocity, MaxVelocity) + torque;
    SetAngle(FAngle + FVelocity / VelocityPerDegree);
    FVelocity = static_cast<int>(int64_t(FVelocity) * (100 - FDamping) / 100);
    const bool rebuilt = FDirty;
    GetBitmap();
    FPivotRot = SrcToRot(FPivotSrc);
    return rebuilt;
}
