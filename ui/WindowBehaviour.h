#pragma once
// TWindowBehaviour: the behaviour every borderless window of the calendar shares. It
// watches its window's events before the window's own handlers and adds: dragging the
// window by any point that is no child control, snapping to the work area's edges when a
// move ends, the rounded window region, resizing by a 5-pixel edge band, showing a 32-bit
// image as the window itself (per-pixel alpha when a compositing manager runs, else a
// region cut from the image), remembering the position in the settings file, dropped files,
// the colour reset message and the saving when the session ends.
//
// Create it with new, with the window as owner, in the window's constructor before the
// window is first shown: whether the window gets per-pixel alpha is decided then, and the
// window deletes the component with its other children.

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRegion>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "graphics/Bitmap.h"
#include "graphics/Region.h"
#include "storage/Geometry.h"
#include "storage/TaggedStrings.h"

class QWidget;

enum class TStacking { Normal, Top, Bottom };

using TNotifyEvent = std::function<void(QObject* sender)>;
using TNotifyFilenameEvent = std::function<void(QObject* sender, const std::string& fileName)>;
// dragMove comes in true (false when the pointer lies on a child control); a handler that
// sets it false keeps the window where it is.
using TCanDragMove = std::function<void(QObject* sender, int mouseX, int mouseY, bool& dragMove)>;

// Width of the band along each edge that resizes a window with WindowResize.
constexpr int ResizeBandPx = 5;

// The window rectangle after snapping: each axis moves to the work area's nearer edge when
// that edge lies strictly less than distance pixels away (top before bottom, left before
// right). Distance 0 or less never snaps.
TRect SnapRect(const TRect& window, const TRect& workArea, int distance);
// The edges of window that a screen pointer lies in the resize band of: bottom before top,
// right before left, as one set. None inside the band-free middle.
Qt::Edges EdgesAt(TPoint pointer, const TRect& window);
// The region of a width × height window: with round, the rectangle less a 4-pixel
// staircase at each corner; without, the whole rectangle and one row more.
QRegion MakeRoundRegion(int width, int height, bool round);
// The work areas of every screen, in the order the application lists the screens.
std::vector<TRect> ScreenWorkAreas();

class TWindowBehaviour : public QObject {
public:
    // sectionName: the section of the settings file that the window keeps its place under.
    // It is stored in the user's file, so a window keeps its name for good ("TFMQUILLO" for
    // the main window) whatever its class is called.
    TWindowBehaviour(QWidget* owner, std::string sectionName);
    ~TWindowBehaviour() override;
    TWindowBehaviour(const TWindowBehaviour&) = delete;
    TWindowBehaviour& operator=(const TWindowBehaviour&) = delete;

    QWidget* OwnerControl() const { return FOwner; }

    bool Preserve() const { return FPreserve; }
    void SetPreserve(bool value) { FPreserve = value; }
    // Off: the window's background is not filled before it paints (it paints every pixel).
    bool EraseBackGround() const { return FEraseBackGround; }
    void SetEraseBackGround(bool value);
    bool KeepSize() const { return FKeepSize; }
    void SetKeepSize(bool value) { FKeepSize = value; }
    bool KeepLocation() const { return FKeepLocation; }
    void SetKeepLocation(bool value) { FKeepLocation = value; }
    // The window accepts files dropped on it; acts at once.
    bool DragDrop() const { return FDragDrop; }
    void SetDragDrop(bool value);
    bool DropNamesEnabled() const { return FDropNamesEnabled; }
    void SetDropNamesEnabled(bool value) { FDropNamesEnabled = value; }
    bool WindowDrag() const { return FWindowDrag; }
    void SetWindowDrag(bool value) { FWindowDrag = value; }
    bool WindowResize() const { return FWindowResize; }
    void SetWindowResize(bool value);
    // Rounded corners; on a borderless window applied (or removed) at once.
    bool WindowRound() const { return FWindowRound; }
    void SetWindowRound(bool value);
    TStacking Stacking() const { return FStacking; }
    // Acts only on a change: TStacking::Top keeps the window above others,
    // TStacking::Bottom below them.
    void SetStacking(TStacking value);
    int FitScreenPx() const { return FFitScreenPx; }
    void SetFitScreenPx(int value) { FFitScreenPx = value; }
    // Reads true only while asked for and the window can show per-pixel alpha: a
    // compositing manager ran when the window was made. Before the window exists on the
    // screen, setting it makes the window translucent or opaque accordingly.
    bool Layered() const { return FLayered && FLayeredCapable; }
    void SetLayered(bool value);
    bool BGrelocation() const { return FBGrelocation; }
    void SetBGrelocation(bool value) { FBGrelocation = value; }

    TNotifyEvent OnDropFinish;
    TNotifyFilenameEvent OnDropFile;
    TNotifyEvent OnWindowMoved;
    TNotifyEvent OnColorReset;
    TNotifyEvent OnEraseBackGround;
    TCanDragMove OnCanDragMove;
    TNotifyEvent OnEndSession;
    // The window's own destroy handler, which the end of the session runs after the
    // position is saved so that the window's shutdown saving happens before the process ends.
    TNotifyEvent OnOwnerDestroy;

    // Position (and size with KeepSize) from the window's settings section;
    // centred on the primary screen by default, and moved onto a monitor when it lies on
    // none. Only with Preserve; either way the position counts as loaded afterwards.
    void LoadPosition();
    // Writes "TOP", "LEFT" (KeepLocation), "WIDTH", "HEIGHT" (KeepSize) and "DOCKSITE"
    // (Preserve only); a maximised window writes its last restored rectangle. Raises
    // EFileError when the settings file cannot be written.
    void SavePosition();
    // Shows bitmap (24-bit: keyed by its top-left colour) as the window, its top-left
    // corner at screen (x, y): as per-pixel alpha when Layered, else cut to the pixels of
    // alpha 128 or more. With BGrelocation the image is cropped to its opaque part and the
    // child controls move along with it. The child controls get the composed image.
    void ShowBitmap(const TBitmap& bitmap, int x, int y);
    // Raises OnWindowMoved, then moves the window onto the nearer work-area edges within
    // FitScreenPx pixels. Runs by itself when a drag or an edge resize ends.
    void SnapToWorkArea();
    // SavePosition, unless the position was saved for the end already; the window's end
    // and the session's end save nothing after it. Raises EFileError as SavePosition does.
    void SavePositionOnce();
    // The session ends: OnEndSession, SavePositionOnce, OnOwnerDestroy. Once per component.
    // A position that cannot be saved is reported on standard error and the rest goes on.
    void EndSession();

    const TTaggedStrings& DroppedNames() const { return FDroppedNames; }
    std::string SectionName() const { return FSectionName; }
    bool PositionLoaded() const { return FPositionLoaded; }
    bool LayeredReady() const { return FLayeredReady; }
    bool DragArmed() const { return FDragArmed; }
    bool Dragging() const { return FDragging; }
    bool Maximized() const { return FMaximized; }
    TRect NormalRect() const { return FNormalRect; }
    int DesignClientWidth() const { return FDesignClientWidth; }
    int DesignClientHeight() const { return FDesignClientHeight; }
    // The window image in region mode (empty in layered mode after each show).
    const TBitmap* ComposedBitmap() const { return FComposedBitmap.get(); }
    // The premultiplied image a layered window paints; null in region mode.
    const QImage& LayeredImage() const { return FLayeredImage; }
    const TRegion& Region() const { return FRegion; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TChildPosition {
        QPointer<QWidget> Child;
        QPoint Position;
    };

    // SavePositionOnce when the window or the component goes, whichever is first; a
    // failure goes to standard error, since nobody is left to tell.
    void SavePositionAtEnd();
    TRect WindowRect() const;
    std::vector<QWidget*> ChildControls() const;
    void ApplyRoundRegion();
    void ApplyTranslucency();
    // The window shows (and takes clicks on) only the composed pixels of at least that alpha.
    void CutWindowTo(int alphaThreshold);
    void UpdateLayered(int x, int y);
    void PaintBackground();
    bool HandleMouse(QEvent* event);
    bool BeginDragMove(QPoint clientPoint);
    void EndMoveOrResize();
    void HandleDrop(QEvent* event);
    void RememberRect();

    QPointer<QWidget> FOwner;
    std::string FSectionName;
    bool FPreserve = false;
    bool FEraseBackGround = true;
    bool FKeepSize = false;
    bool FKeepLocation = false;
    bool FDragDrop = false;
    bool FDropNamesEnabled = false;
    bool FWindowDrag = false;
    bool FWindowResize = false;
    bool FWindowRound = false;
    TStacking FStacking = TStacking::Normal;
    int FFitScreenPx = 0;
    bool FLayered = true;
    bool FLayeredCapable = false;
    bool FBGrelocation = false;

    bool FDragArmed = true;
    bool FDragging = false;
    Qt::Edges FResizing;
    bool FPressSeen = false;
    QPoint FPressGlobal;
    QPoint FStartPos;
    QRect FStartGeometry;
    bool FMaximized = false;
    TRect FNormalRect;
    TRect FLastRect;
    bool FPositionLoaded = false;
    bool FPositionSavedAtEnd = false;
    bool FSessionEnded = false;
    int FDesignClientWidth = 0;
    int FDesignClientHeight = 0;
    std::unique_ptr<TBitmap> FComposedBitmap;
    QImage FLayeredImage;
    std::vector<TChildPosition> FChildPositions;
    bool FLayeredReady = false;
    TTaggedStrings FDroppedNames;
    std::string FDockSiteName;
    TRegion FRegion;
};

// What the window system does at the end of the session: every open window's behaviour
// component runs EndSession, in the application's window order.
void BroadcastEndSession();
