#pragma once
// TWindowImage: shows a 32-bit image as the window itself: with per-pixel alpha when a
// compositing manager ran as the window was made, else as the image's opaque pixels cut
// out as the window's region. The window's child controls get the composed image.
//
// The image is made for the window's device pixel ratio and shown 1:1 on device pixels;
// the window's place and size stay logical. The region is cut at device resolution: at
// ratios other than 1 it is set on the X window directly in device pixels, since Qt's mask
// is logical and would come out in steps of the ratio.

#include <QImage>
#include <QPoint>
#include <QPointer>

#include <memory>
#include <vector>

#include "graphics/Bitmap.h"
#include "graphics/Region.h"

class QWidget;

// A child control that takes its background from the window's composed image (the drawn
// buttons): the image is valid only during the call.
class TBackgroundTaker {
public:
    virtual ~TBackgroundTaker() = default;
    virtual void TakeBackground(const TBitmap& composed) = 0;
};

class TWindowImage {
public:
    // Decides whether the window can show per-pixel alpha: only before the window exists on
    // the screen and only while a compositing manager runs.
    explicit TWindowImage(QWidget* window);

    // Reads true only while asked for and the window can show per-pixel alpha. Before the
    // window exists on the screen, setting it makes the window translucent or opaque
    // accordingly.
    bool Layered() const { return FLayered && FLayeredCapable; }
    void SetLayered(bool value);
    bool BGrelocation() const { return FBGrelocation; }
    void SetBGrelocation(bool value) { FBGrelocation = value; }

    // Shows bitmap (24-bit: keyed by its top-left colour), drawn at ratio device pixels per
    // logical pixel, as the window, its top-left corner at the logical screen point (x, y)
    // and its logical size the bitmap's ÷ ratio, rounded: as per-pixel alpha when Layered,
    // else cut to the pixels of alpha 128 or more. With BGrelocation the image is cropped
    // to its opaque part and the child controls, first seen where the window of
    // designWidth × designHeight (logical) put them, move along with it. The child controls
    // get the composed image (at ratio's resolution). A ratio that UsableRatio refuses counts as 1.
    void Show(const TBitmap& bitmap, int x, int y, int designWidth, int designHeight, double ratio = 1);
    // Paints the shown image on the window; called from the window's paint event.
    void Paint();

    bool LayeredReady() const { return FLayeredReady; }
    // The window image in region mode (empty in layered mode after each show).
    const TBitmap* ComposedBitmap() const { return FComposedBitmap.get(); }
    // The premultiplied image a layered window paints; null in region mode.
    const QImage& LayeredImage() const { return FLayeredImage; }
    // The window's shape in device pixels of the composed image.
    const TRegion& Region() const { return FRegion; }
    // The ratio of the image last shown.
    double Ratio() const { return FRatio; }

private:
    struct TChildPosition {
        QPointer<QWidget> Child;
        QPoint Position;
    };

    void ApplyTranslucency();
    // The window shows (and takes clicks on) only the composed pixels of at least that alpha.
    void CutWindowTo(int alphaThreshold);
    void UpdateLayered(int x, int y);
    QSize LogicalSize() const;

    QPointer<QWidget> FWindow;
    bool FLayered = true;
    bool FLayeredCapable = false;
    bool FBGrelocation = false;
    std::unique_ptr<TBitmap> FComposedBitmap;
    QImage FLayeredImage;
    std::vector<TChildPosition> FChildPositions;
    bool FLayeredReady = false;
    TRegion FRegion;
    double FRatio = 1;
};

// The logical region that covers every device pixel of deviceRegion at ratio, for windows
// whose shape can only be set in logical pixels.
QRegion LogicalRegion(const QRegion& deviceRegion, double ratio);
// The device pixels at ratio that the logical pixels of logicalRegion cover: logical pixel
// x spans DeviceLength(x, ratio) up to DeviceLength(x + 1, ratio), as the drawn frames
// count them.
QRegion DeviceRegion(const QRegion& logicalRegion, double ratio);
