#pragma once
// TPlacementMemory: a window's place in its section of the settings file. It loads the
// place once (at the first showing, or when asked), follows the window's moves, and saves
// the place, a maximised window's restored rectangle included.
//
// A compositor that places windows itself (sway centres X11 windows as it maps them and
// again at each move they ask for) must not take the user's place away: a place that the
// window system reports shortly after the program asked for another one is the
// compositor's choice, shown but not saved; one that it reports later is a move the user
// made through the window manager, and saved.

#include <QPointer>

#include <cstdint>
#include <string>

#include "storage/Geometry.h"

class QEvent;
class QWidget;

// How long after the program asked for a place (a move, or showing the window) another place
// reported by the window system counts as the compositor's answer to it.
constexpr int64_t CompositorAnswerMs = 2000;

// Who moved the window: the program itself (its own move or resize), or the window system
// (a place it reports: the compositor's choice or the user's move through it).
enum class TMoveOrigin { Program, WindowSystem };

class TPlacementMemory {
public:
    // sectionName: the section of the settings file that the window keeps its place under.
    // It is stored in the user's file, so a window keeps its name for good ("TFMQUILLO" for
    // the main window) whatever its class is called.
    TPlacementMemory(QWidget* window, std::string sectionName);

    bool Preserve() const { return FPreserve; }
    void SetPreserve(bool value) { FPreserve = value; }
    bool KeepSize() const { return FKeepSize; }
    void SetKeepSize(bool value) { FKeepSize = value; }
    bool KeepLocation() const { return FKeepLocation; }
    void SetKeepLocation(bool value) { FKeepLocation = value; }

    // Position (and size with KeepSize) from the window's settings section;
    // centred on the primary screen by default, and moved onto a monitor when it lies on
    // none. Only with Preserve; either way the position counts as loaded afterwards.
    void LoadPosition();
    // Writes "TOP", "LEFT" (KeepLocation), "WIDTH", "HEIGHT" (KeepSize) and "DOCKSITE"
    // (Preserve only); a maximised window writes its last restored rectangle. Raises
    // EFileError when the settings file cannot be written.
    void SavePosition();
    // SavePosition, unless the position was saved for the end already; the window's end
    // and the session's end save nothing after it. Raises EFileError as SavePosition does.
    void SavePositionOnce();
    // SavePositionOnce for a window or session that ends: a failure goes to standard
    // error, since nobody is left to tell.
    void SavePositionAtEnd();
    // Takes the window's present rectangle as its last (and, unless maximised, restored) one.
    void RememberRect();
    // Follows moves, resizes and maximising; the first showing loads the position.
    void WatchEvent(const QEvent& event);
    // Follows the window's present rectangle after a move or resize of that origin at nowMs
    // (a monotonic clock in milliseconds): the program's own and the window system's that
    // agree with the last request or come CompositorAnswerMs after it become the place to
    // save; any other is the compositor's choice and leaves that place as it was.
    void FollowMove(TMoveOrigin origin, int64_t nowMs);
    // The window is about to be mapped at nowMs: the compositor may answer with a place.
    void FollowShow(int64_t nowMs);
    // The rectangle SavePosition writes (for a window that is not maximised).
    TRect PlaceToSave() const;
    // The window is going: its last rectangle stands for it from now on.
    void ForgetWindow() { FWindow = nullptr; }

    std::string SectionName() const { return FSectionName; }
    bool PositionLoaded() const { return FPositionLoaded; }
    bool Maximized() const { return FMaximized; }
    TRect NormalRect() const { return FNormalRect; }
    // The window's client size when its position was loaded: the size it was designed with.
    int DesignClientWidth() const { return FDesignClientWidth; }
    int DesignClientHeight() const { return FDesignClientHeight; }

private:
    TRect WindowRect() const;

    QPointer<QWidget> FWindow;
    std::string FSectionName;
    bool FPreserve = false;
    bool FKeepSize = false;
    bool FKeepLocation = false;
    bool FMaximized = false;
    TRect FNormalRect;
    TRect FLastRect;
    // The window stands where the compositor put it, not at FLastRect.
    bool FCompositorPlaced = false;
    // When the program last asked for a place; far back until it does.
    int64_t FLastRequestMs = INT64_MIN / 2;
    bool FPositionLoaded = false;
    bool FPositionSavedAtEnd = false;
    int FDesignClientWidth = 0;
    int FDesignClientHeight = 0;
    std::string FDockSiteName;
};
