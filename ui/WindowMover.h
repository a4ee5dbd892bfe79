#pragma once
// TWindowMover: moves a borderless window by dragging any point that is no child control,
// resizes it by a 5-pixel band along its edges, and snaps it to the work area's edges when
// a move or resize ends.

#include <QPoint>
#include <QPointer>
#include <QRect>

#include <functional>

#include "storage/Geometry.h"

class QEvent;
class QWidget;

// Width of the band along each edge that resizes a window.
constexpr int ResizeBandPx = 5;

// The window rectangle after snapping: each axis moves to the work area's nearer edge when
// that edge lies strictly less than distance pixels away (top before bottom, left before
// right). Distance 0 or less never snaps.
TRect SnapRect(const TRect& window, const TRect& workArea, int distance);
// The edges of window that a screen pointer lies in the resize band of: bottom before top,
// right before left, as one set. None inside the band-free middle.
Qt::Edges EdgesAt(TPoint pointer, const TRect& window);

class TWindowMover {
public:
    explicit TWindowMover(QWidget* window) : FWindow(window) {}

    bool WindowDrag() const { return FWindowDrag; }
    void SetWindowDrag(bool value) { FWindowDrag = value; }
    bool WindowResize() const { return FWindowResize; }
    void SetWindowResize(bool value);
    int FitScreenPx() const { return FFitScreenPx; }
    void SetFitScreenPx(int value) { FFitScreenPx = value; }

    // Asked before a drag starts, with the client point (x, y) that was pressed (the first
    // motion's when no press was seen); dragMove comes in true (false when the point lies on
    // a child control), and a handler that sets it false refuses the drag.
    std::function<void(int x, int y, bool& dragMove)> OnCanDragMove;
    // A move or resize ended, before the window snaps.
    std::function<void()> OnMoved;
    // The window stands where the snapping put it.
    std::function<void()> OnSnapped;

    // A mouse press, move or release of the window; true when the mover used it up (the
    // window's own handlers then do not see it).
    bool HandleMouse(QEvent& event);
    // The window hides: a drag or resize under way ends without snapping.
    void Cancel();
    // OnMoved, then moves the window onto the nearer work-area edges within FitScreenPx
    // pixels, then OnSnapped. Runs by itself when a drag or an edge resize ends.
    void SnapToWorkArea();

    bool DragArmed() const { return FDragArmed; }
    bool Dragging() const { return FDragging; }

private:
    bool BeginDragMove(QPoint clientPoint);
    void EndMoveOrResize();

    QPointer<QWidget> FWindow;
    bool FWindowDrag = false;
    bool FWindowResize = false;
    int FFitScreenPx = 0;

    bool FDragArmed = true;
    bool FDragging = false;
    Qt::Edges FResizing;
    bool FPressSeen = false;
    QPoint FPressGlobal;
    QPoint FPressPoint;  // the press in client coordinates
    QPoint FStartPos;
    QRect FStartGeometry;
};
