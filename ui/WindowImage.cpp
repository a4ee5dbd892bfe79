#include "ui/WindowImage.h"

#include <QMessageBox>
#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "graphics/GraphicWork.h"
#include "graphics/QtText.h"
#include "platform/Compositor.h"
#include "platform/WindowShape.h"
#include "storage/Geometry.h"
#include "ui/WindowGeometry.h"

TWindowImage::TWindowImage(QWidget* window) : FWindow(window) {
    // A window that already stands on the screen keeps the visual it was made with.
    FLayeredCapable = !window->testAttribute(Qt::WA_WState_Created) && CompositingManagerRunning();
    ApplyTranslucency();
}

void TWindowImage::SetLayered(bool value) {
    FLayered = value;
    ApplyTranslucency();
}

void TWindowImage::ApplyTranslucency() {
    if (FWindow && !FWindow->testAttribute(Qt::WA_WState_Created))
        FWindow->setAttribute(Qt::WA_TranslucentBackground, Layered());
}

QRegion LogicalRegion(const QRegion& deviceRegion, double ratio) {
    if (ratio == 1)
        return deviceRegion;
    QRegion logical;
    for (const QRect& r : deviceRegion) {
        const int left = static_cast<int>(std::floor(r.left() / ratio));
        const int top = static_cast<int>(std::floor(r.top() / ratio));
        const int right = static_cast<int>(std::ceil((r.right() + 1) / ratio));
        const int bottom = static_cast<int>(std::ceil((r.bottom() + 1) / ratio));
        logical += QRect(left, top, right - left, bottom - top);
    }
    return logical;
}

QRegion DeviceRegion(const QRegion& logicalRegion, double ratio) {
    if (ratio == 1)
        return logicalRegion;
    QRegion device;
    for (const QRect& r : logicalRegion) {
        const int left = DeviceLength(r.left(), ratio), top = DeviceLength(r.top(), ratio);
        device +=
            QRect(left, top, DeviceLength(r.right() + 1, ratio) - left, DeviceLength(r.bottom() + 1, ratio) - top);
    }
    return device;
}

QSize TWindowImage::LogicalSize() const {
    // A window cannot be smaller than one pixel; the region hides that pixel.
    return {std::max(1, LogicalLength(FComposedBitmap->Width(), FRatio)),
            std::max(1, LogicalLength(FComposedBitmap->Height(), FRatio))};
}

void TWindowImage::Show(const TBitmap& bitmap, int x, int y, int designWidth, int designHeight, double ratio) {
    if (!FWindow)
        return;
    FRatio = UsableRatio(ratio);
    if (FChildPositions.empty())
        for (QWidget* child : ChildControlsOf(*FWindow))
            FChildPositions.push_back({child, child->pos()});
    if (!FComposedBitmap)
        FComposedBitmap = std::make_unique<TBitmap>(0, 0, TPixelFormat::Bits32);

    const TBitmap* source = &bitmap;
    TBitmap keyed;
    if (!bitmap.Is32Bit()) {
        keyed = bitmap;
        keyed.SetPixelFormat(TPixelFormat::Bits32);
        SetAlphaByColorKey(keyed, 255);
        source = &keyed;
    }
    const bool layered = Layered();
    const TDrawType mode = layered ? TDrawType::Layered : TDrawType::Copy;
    int dx = 0;
    int dy = 0;
    if (FBGrelocation) {
        const TRect opaque = GetOpaqueBounds(*source);
        // The child controls move by whole logical pixels.
        dx = LogicalLength((source->Width() - DeviceLength(designWidth, FRatio)) / 2 - opaque.Left, FRatio);
        dy = LogicalLength((source->Height() - DeviceLength(designHeight, FRatio)) / 2 - opaque.Top, FRatio);
        FComposedBitmap->SetSize(opaque.Width(), opaque.Height());
        DrawBlend(-opaque.Left, -opaque.Top, *FComposedBitmap, *source, mode);
    } else {
        FComposedBitmap->SetSize(source->Width(), source->Height());
        DrawBlend(0, 0, *FComposedBitmap, *source, mode);
    }

    if (layered) {
        UpdateLayered(x, y);
        FComposedBitmap->SetSize(0, 0);
        return;
    }

    FLayeredImage = QImage();
    CutWindowTo(128);
    FWindow->setGeometry(QRect(QPoint(x, y), LogicalSize()));
    for (const TChildPosition& recorded : FChildPositions) {
        if (!recorded.Child)
            continue;
        if (FBGrelocation)
            recorded.Child->move(recorded.Position + QPoint(dx, dy));
        if (auto* taker = dynamic_cast<TBackgroundTaker*>(recorded.Child.data()))
            taker->TakeBackground(*FComposedBitmap);
    }
    FWindow->update();
}

void TWindowImage::CutWindowTo(int alphaThreshold) {
    FRegion.MakeFromBitmap(*FComposedBitmap, alphaThreshold);
    if (FRatio != 1 && SetDeviceWindowShape(FWindow, FRegion.Handle()))
        return;
    // An empty mask would mean no mask at all, showing the whole window; a region that lies
    // outside the window shows none of it, as a fully transparent image should.
    const QRegion logical = LogicalRegion(FRegion.Handle(), FRatio);
    FWindow->setMask(logical.isEmpty() ? QRegion(-1, -1, 1, 1) : logical);
}

void TWindowImage::UpdateLayered(int x, int y) {
    const int width = FComposedBitmap->Width();
    const int height = FComposedBitmap->Height();
    QImage image(std::max(1, width), std::max(1, height), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        QMessageBox::critical(FWindow, QString(), QtText("画像のためのメモリが足りません"));
        return;
    }
    image.fill(Qt::transparent);
    // The composed rows hold blue, green, red, alpha premultiplied: the memory layout of
    // Format_ARGB32_Premultiplied on this little-endian machine.
    for (int row = 0; row < height; ++row)
        std::memcpy(image.scanLine(row), FComposedBitmap->ScanLine(row), static_cast<size_t>(width) * 4);
    image.setDevicePixelRatio(FRatio);
    FLayeredImage = std::move(image);
    // Clicks on fully transparent pixels reach what lies below, as on a per-pixel-alpha
    // window; every pixel with some alpha still shows, so the soft edges stay.
    CutWindowTo(1);
    FWindow->setGeometry(QRect(QPoint(x, y), LogicalSize()));
    FWindow->update();
    FLayeredReady = true;
}

void TWindowImage::Paint() {
    if (!FWindow)
        return;
    QPainter painter(FWindow);
    if (!FLayeredImage.isNull()) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, FLayeredImage);
    } else if (FComposedBitmap && !FComposedBitmap->Empty()) {
        // The region cuts the shape; inside it the colours are shown without their alpha.
        QImage image(FComposedBitmap->ScanLine(0), FComposedBitmap->Width(), FComposedBitmap->Height(),
                     FComposedBitmap->RowStride(), QImage::Format_RGB32);
        image.setDevicePixelRatio(FRatio);
        painter.drawImage(0, 0, image);
    }
}
