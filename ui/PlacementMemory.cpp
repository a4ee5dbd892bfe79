#include "ui/PlacementMemory.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "graphics/Bitmap.h"
#include "graphics/QtText.h"
#include "storage/AppGlobals.h"
#include "storage/Exception.h"
#include "storage/Text.h"
#include "storage/WindowPlacement.h"
#include "ui/WindowGeometry.h"

namespace {

// A failure while a window or the session ends: nobody is left to answer a message box.
void WarnOnStandardError(const std::exception& error) { qWarning("%s", qUtf8Printable(ExceptionText(error))); }

}  // namespace

TPlacementMemory::TPlacementMemory(QWidget* window, std::string sectionName)
    : FWindow(window), FSectionName(std::move(sectionName)) {
    FLastRect = WindowRect();
}

TRect TPlacementMemory::WindowRect() const { return FWindow ? FrameRectOf(*FWindow) : FLastRect; }

void TPlacementMemory::SavePositionOnce() {
    if (FPositionSavedAtEnd)
        return;
    FPositionSavedAtEnd = true;
    SavePosition();
}

void TPlacementMemory::SavePositionAtEnd() {
    try {
        SavePositionOnce();
    } catch (const std::exception& error) {
        WarnOnStandardError(error);
    }
}

void TPlacementMemory::LoadPosition() {
    FPositionLoaded = true;
    if (!FWindow)
        return;
    if (FPreserve) {
        TAppGlobals& globals = AppGlobals();
        QScreen* primary = QGuiApplication::primaryScreen();
        const QSize screen = primary ? primary->geometry().size() : QSize(0, 0);
        if (FKeepLocation) {
            int left = globals.ReadInteger(FSectionName, "LEFT", (screen.width() - FWindow->width()) / 2);
            int top = globals.ReadInteger(FSectionName, "TOP", (screen.height() - FWindow->height()) / 2);
            FWindow->move(left, top);
        }
        if (FKeepSize) {
            int width = globals.ReadInteger(FSectionName, "WIDTH", FWindow->width());
            int height = globals.ReadInteger(FSectionName, "HEIGHT", FWindow->height());
            // A size that no window can have leaves the window as designed.
            if (width > 0 && height > 0 && width <= MaxImageSide && height <= MaxImageSide)
                FWindow->resize(width, height);
        }
        FDockSiteName = globals.ReadString(FSectionName, "DOCKSITE", "");
        const TRect now = WindowRect();
        const TRect placed = EnsureOnMonitor(now, ScreenWorkAreas(), screen.width(), screen.height());
        if (placed != now) {
            FWindow->move(placed.Left, placed.Top);
            FWindow->resize(placed.Width(), placed.Height());
        }
        RememberRect();
    }
    FDesignClientWidth = FWindow->width();
    FDesignClientHeight = FWindow->height();
}

void TPlacementMemory::SavePosition() {
    if (!FPreserve)
        return;
    const TRect rect = FMaximized ? FNormalRect : WindowRect();
    TAppGlobals& globals = AppGlobals();
    if (FKeepLocation) {
        globals.WriteInteger(FSectionName, "TOP", rect.Top);
        globals.WriteInteger(FSectionName, "LEFT", rect.Left);
    }
    if (FKeepSize) {
        globals.WriteInteger(FSectionName, "WIDTH", rect.Width());
        globals.WriteInteger(FSectionName, "HEIGHT", rect.Height());
    }
    globals.WriteString(FSectionName, "DOCKSITE", FDockSiteName);
}

void TPlacementMemory::RememberRect() {
    if (!FWindow)
        return;
    FLastRect = WindowRect();
    if (!FMaximized && !FWindow->isMaximized())
        FNormalRect = FLastRect;
}

void TPlacementMemory::WatchEvent(const QEvent& event) {
    if (!FWindow)
        return;
    switch (event.type()) {
    case QEvent::Move:
    case QEvent::Resize:
        RememberRect();
        break;
    case QEvent::WindowStateChange:
        FMaximized = FWindow->isMaximized();
        if (!FMaximized)
            RememberRect();
        break;
    case QEvent::Show:
    case QEvent::Hide:
        if (!FPositionLoaded)
            LoadPosition();
        break;
    default:
        break;
    }
}
