#pragma once
// TPlacementMemory: a window's place in its section of the settings file. It loads the
// place once (at the first showing, or when asked), follows the window's moves, and saves
// the place, a maximised window's restored rectangle included.

#include <QPointer>

#include <string>

#include "storage/Geometry.h"

class QEvent;
class QWidget;

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
    bool FPositionLoaded = false;
    bool FPositionSavedAtEnd = false;
    int FDesignClientWidth = 0;
    int FDesignClientHeight = 0;
    std::string FDockSiteName;
};
