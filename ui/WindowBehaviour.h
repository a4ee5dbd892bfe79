#pragma once
// TWindowBehaviour: the behaviour every borderless window of the calendar shares, one
// object per window. It watches the window's events before the window's own handlers and
// hands them to its pieces: TPlacementMemory (the place in the settings file), TWindowMover
// (dragging, edge resizing, snapping) and TWindowImage (an image as the window). It keeps
// the small jobs itself: the rounded region, stacking, dropped files, the colour reset
// message and the saving when the session ends.
//
// Create it with new, with the window as owner, in the window's constructor before the
// window is first shown: whether the window gets per-pixel alpha is decided then, and the
// window deletes the component with its other children.

#include <QObject>
#include <QPointer>
#include <QRegion>

#include <functional>
#include <string>

#include "storage/TaggedStrings.h"
#include "ui/PlacementMemory.h"
#include "ui/WindowGeometry.h"
#include "ui/WindowImage.h"
#include "ui/WindowMover.h"

class QWidget;

// A window's place in the stack of windows: among the others, above all of them, or
// below all of them as a desktop widget (on every workspace, out of the taskbar, the pager
// and the window switcher).
enum class TStacking { Normal, Top, Bottom };
// The stacking a settings value stands for: 1 Top, 2 Bottom, anything else Normal.
TStacking StackingOfSetting(int value);
int SettingOfStacking(TStacking stacking);

using TNotifyEvent = std::function<void(QObject* sender)>;
// dragMove comes in true (false when the pointer lies on a child control); a handler that
// sets it false keeps the window where it is.
using TCanDragMove = std::function<void(QObject* sender, int mouseX, int mouseY, bool& dragMove)>;

// The region of a width × height window: with round, the rectangle less a 4-pixel
// staircase at each corner; without, the whole rectangle and one row more.
QRegion MakeRoundRegion(int width, int height, bool round);
// The same region in device pixels for a window of width × height logical pixels at ratio:
// each logical pixel of it as the device pixels it covers (see DeviceRegion).
QRegion MakeDeviceRoundRegion(int width, int height, bool round, double ratio);

class TWindowBehaviour : public QObject {
public:
    // sectionName: the section of the settings file that the window keeps its place under
    // (see TPlacementMemory).
    TWindowBehaviour(QWidget* owner, std::string sectionName);
    ~TWindowBehaviour() override;
    TWindowBehaviour(const TWindowBehaviour&) = delete;
    TWindowBehaviour& operator=(const TWindowBehaviour&) = delete;

    QWidget* OwnerControl() const { return FOwner; }
    TPlacementMemory& Placement() { return FPlacement; }
    const TPlacementMemory& Placement() const { return FPlacement; }
    TWindowMover& Mover() { return FMover; }
    const TWindowMover& Mover() const { return FMover; }
    TWindowImage& Image() { return FImage; }
    const TWindowImage& Image() const { return FImage; }

    // The pieces' settings, as the windows set them.
    void SetPreserve(bool value) { FPlacement.SetPreserve(value); }
    void SetKeepSize(bool value) { FPlacement.SetKeepSize(value); }
    void SetKeepLocation(bool value) { FPlacement.SetKeepLocation(value); }
    void SetWindowDrag(bool value) { FMover.SetWindowDrag(value); }
    void SetWindowResize(bool value) { FMover.SetWindowResize(value); }
    void SetFitScreenPx(int value) { FMover.SetFitScreenPx(value); }
    bool Layered() const { return FImage.Layered(); }
    void SetLayered(bool value) { FImage.SetLayered(value); }
    void SetBGrelocation(bool value) { FImage.SetBGrelocation(value); }

    // Rounded corners; on a borderless window applied (or removed) at once. The shape is
    // cut in device pixels for the window's device pixel ratio (on X at ratios other than
    // 1; elsewhere through Qt's logical mask), and cut anew when the window comes onto a
    // screen of another ratio.
    bool WindowRound() const { return FWindowRound; }
    void SetWindowRound(bool value);
    TStacking Stacking() const { return FStacking; }
    // Acts only on a change: TStacking::Top keeps the window above others,
    // TStacking::Bottom below them, on every workspace and out of the taskbar, the pager
    // and the window switcher (given again each time the window is shown, since window
    // managers drop them when a window is hidden).
    void SetStacking(TStacking value);

    TNotifyEvent OnWindowMoved;
    TNotifyEvent OnColorReset;
    TCanDragMove OnCanDragMove;
    TNotifyEvent OnEndSession;
    // The window came onto another screen, perhaps of another device pixel ratio: raised
    // after the event, once the window has its logical size and shape again, so that the
    // window can make its pictures for the screen's ratio.
    TNotifyEvent OnScreenChanged;
    // The window's own destroy handler, which the end of the session runs after the
    // position is saved so that the window's shutdown saving happens before the process ends.
    TNotifyEvent OnOwnerDestroy;

    // See TPlacementMemory.
    void LoadPosition() { FPlacement.LoadPosition(); }
    void SavePosition() { FPlacement.SavePosition(); }
    void SavePositionOnce() { FPlacement.SavePositionOnce(); }
    // See TWindowImage::Show; the child controls move from where the window's design put them.
    void ShowBitmap(const TBitmap& bitmap, int x, int y, double ratio = 1);
    // See TWindowMover::SnapToWorkArea.
    void SnapToWorkArea() { FMover.SnapToWorkArea(); }
    // The session ends: OnEndSession, SavePositionOnce, OnOwnerDestroy. Once per component.
    // A position that cannot be saved is reported on standard error and the rest goes on.
    void EndSession();

    std::string SectionName() const { return FPlacement.SectionName(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplyRoundRegion();
    enum class TMapMoment { BeforeMap, Mapped };
    // The window manager's states of the stacking, for a window about to be mapped or mapped.
    void GiveLayerStates(TMapMoment moment);
    // A rounded borderless window whose shape was cut for another ratio than its screen's.
    bool RoundShapeOutdated() const;

    QPointer<QWidget> FOwner;
    TPlacementMemory FPlacement;
    TWindowMover FMover;
    TWindowImage FImage;
    bool FWindowRound = false;
    // The ratio the rounded shape was last cut for in device pixels; 0 while it is Qt's mask.
    double FRoundRatio = 0;
    TStacking FStacking = TStacking::Normal;
    // States of another layer than the normal one were given: the next showing takes them off.
    bool FLayerStatesGiven = false;
    // The window manager is to be asked for them when the window paints next.
    bool FLayerRequestPending = false;
    bool FSessionEnded = false;
};

// The component of that window; null when it has none.
TWindowBehaviour* BehaviourOf(const QWidget* window);

// What the window system does at the end of the session: every open window's behaviour
// component runs EndSession, in the application's window order.
void BroadcastEndSession();
