#include "ui/WindowMover.h"

#include <QMouseEvent>
#include <QWidget>

#include <algorithm>

#include "storage/WindowPlacement.h"
#include "ui/WindowGeometry.h"

namespace {

Qt::CursorShape CursorOfEdges(Qt::Edges edges) {
    const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
    const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
    if (horizontal && vertical) {
        bool falling = edges == (Qt::TopEdge | Qt::LeftEdge) || edges == (Qt::BottomEdge | Qt::RightEdge);
        return falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
    }
    return horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor;
}

}  // namespace

TRect SnapRect(const TRect& window, const TRect& workArea, int distance) {
    if (distance <= 0)
        return window;
    const int width = window.Width();
    const int height = window.Height();
    int left = window.Left;
    int top = window.Top;
    const int d = distance;
    if (workArea.Top - d < window.Top && window.Top < workArea.Top + d)
        top = workArea.Top;
    else if (workArea.Bottom - d < window.Bottom && window.Bottom < workArea.Bottom + d)
        top = workArea.Bottom - height;
    if (workArea.Left - d < window.Left && window.Left < workArea.Left + d)
        left = workArea.Left;
    else if (workArea.Right - d < window.Right && window.Right < workArea.Right + d)
        left = workArea.Right - width;
    return RectOfSize(left, top, width, height);
}

Qt::Edges EdgesAt(TPoint pointer, const TRect& window) {
    Qt::Edges edges;
    if (pointer.Y > window.Top + window.Height() - ResizeBandPx)
        edges |= Qt::BottomEdge;
    else if (pointer.Y < window.Top + ResizeBandPx)
        edges |= Qt::TopEdge;
    if (pointer.X > window.Left + window.Width() - ResizeBandPx)
        edges |= Qt::RightEdge;
    else if (pointer.X < window.Left + ResizeBandPx)
        edges |= Qt::LeftEdge;
    return edges;
}

void TWindowMover::SetWindowResize(bool value) {
    FWindowResize = value;
    // The cursor shows the band while the pointer hovers over it.
    if (FWindow && value)
        FWindow->setMouseTracking(true);
}

void TWindowMover::SnapToWorkArea() {
    if (OnMoved)
        OnMoved();
    if (FFitScreenPx == 0 || !FWindow)
        return;
    const TRect window = FrameRectOf(*FWindow);
    const TRect snapped = SnapRect(window, WorkAreaOf(window, ScreenWorkAreas()), FFitScreenPx);
    if (snapped != window)
        FWindow->move(snapped.Left, snapped.Top);
    if (OnSnapped)
        OnSnapped();
}

bool TWindowMover::BeginDragMove(QPoint p) {
    bool dragMove = true;
    for (QWidget* child : ChildControlsOf(*FWindow)) {
        const QRect c = child->geometry();
        if (c.left() < p.x() && p.x() < c.left() + c.width() && c.top() < p.y() && p.y() < c.top() + c.height())
            dragMove = false;
    }
    if (OnCanDragMove)
        OnCanDragMove(p.x(), p.y(), dragMove);
    return dragMove;
}

bool TWindowMover::HandleMouse(QEvent& event) {
    if (!FWindow)
        return false;
    auto& mouse = static_cast<QMouseEvent&>(event);
    const QPoint global = mouse.globalPosition().toPoint();
    switch (event.type()) {
    case QEvent::MouseButtonPress:
        if (mouse.button() != Qt::LeftButton)
            return false;
        FDragArmed = true;
        FPressSeen = true;
        FPressGlobal = global;
        FPressPoint = FWindow->mapFromGlobal(global);
        FStartPos = FWindow->pos();
        FStartGeometry = FWindow->geometry();
        if (FWindowResize) {
            Qt::Edges edges = EdgesAt({global.x(), global.y()}, FrameRectOf(*FWindow));
            if (edges) {
                FResizing = edges;
                return true;  // a press in the band belongs to the frame, not to the window
            }
        }
        return false;
    case QEvent::MouseMove: {
        const bool leftOnly = mouse.buttons() == Qt::LeftButton && mouse.modifiers() == Qt::NoModifier;
        if (FResizing || FDragging) {
            if (!(mouse.buttons() & Qt::LeftButton)) {
                EndMoveOrResize();
                return true;
            }
            const QPoint delta = global - FPressGlobal;
            if (FDragging) {
                FWindow->move(FStartPos + delta);
            } else {
                QRect r = FStartGeometry;
                if (FResizing & Qt::LeftEdge)
                    r.setLeft(std::min(r.left() + delta.x(), r.right()));
                if (FResizing & Qt::RightEdge)
                    r.setRight(std::max(r.right() + delta.x(), r.left()));
                if (FResizing & Qt::TopEdge)
                    r.setTop(std::min(r.top() + delta.y(), r.bottom()));
                if (FResizing & Qt::BottomEdge)
                    r.setBottom(std::max(r.bottom() + delta.y(), r.top()));
                FWindow->setGeometry(r);
            }
            return true;
        }
        if (FWindowResize && mouse.buttons() == Qt::NoButton) {
            Qt::Edges edges = EdgesAt({global.x(), global.y()}, FrameRectOf(*FWindow));
            if (edges)
                FWindow->setCursor(CursorOfEdges(edges));
            else
                FWindow->unsetCursor();
        }
        if (FWindowDrag && FDragArmed && leftOnly) {
            // Whether the window is dragged depends on where the press was: a first motion
            // that already left the pressed area (a flick, a slow machine) decides nothing.
            if (BeginDragMove(FPressSeen ? FPressPoint : FWindow->mapFromGlobal(global))) {
                // The point that was pressed stays under the pointer while the window moves.
                if (!FPressSeen) {
                    FPressGlobal = global;
                    FStartPos = FWindow->pos();
                }
                FDragging = true;
                FWindow->move(FStartPos + (global - FPressGlobal));
                return true;
            }
            FDragArmed = false;
        }
        return false;
    }
    case QEvent::MouseButtonRelease:
        FPressSeen = false;
        if (FDragging || FResizing) {
            EndMoveOrResize();
            return true;
        }
        return false;
    default:
        return false;
    }
}

void TWindowMover::Cancel() {
    FDragging = false;
    FResizing = {};
}

void TWindowMover::EndMoveOrResize() {
    FDragging = false;
    FResizing = {};
    FPressSeen = false;
    SnapToWorkArea();
}
