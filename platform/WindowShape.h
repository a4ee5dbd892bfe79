#pragma once
// The shape of a top-level window on X in device pixels. Qt's QWidget::setMask takes
// logical coordinates and scales them by the device pixel ratio, so at ratio 2 a shape cut
// from a device-resolution image would come out in 2-pixel steps; this sets the X window's
// bounding shape (which also bounds where it takes clicks) directly through the shape
// extension.

#include <QRegion>

class QWidget;

// True when the window runs on X and the server has the shape extension: only then can
// SetDeviceWindowShape act.
bool DeviceWindowShapeAvailable();

// Makes the region (device pixels of the window, top-left 0,0) the window's shape, creating
// the native window first when it does not exist yet. An empty region hides the whole
// window. A mask set earlier through Qt is cleared first, so that Qt does not put it back.
// False (nothing done) where DeviceWindowShapeAvailable is false.
bool SetDeviceWindowShape(QWidget* window, const QRegion& deviceRegion);
