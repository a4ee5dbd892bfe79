#include "ui/PlacementMemory.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <chrono>

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

int64_t MonotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

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
    const TRect rect = FMaximized ? FNormalRect : PlaceToSave();
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

TRect TPlacementMemory::PlaceToSave() const { return FCompositorPlaced ? FLastRect : WindowRect(); }

void TPlacementMemory::FollowMove(TMoveOrigin origin, int64_t nowMs) {
    if (!FWindow)
        return;
    if (origin == TMoveOrigin::Program) {
        FLastRequestMs = nowMs;
    } else if (nowMs - FLastRequestMs < CompositorAnswerMs && WindowRect() != FLastRect) {
        FCompositorPlaced = true;
        return;
    }
    RememberRect();
}

void TPlacementMemory::FollowShow(int64_t nowMs) { FLastRequestMs = nowMs; }

void TPlacementMemory::RememberRect() {
    if (!FWindow)
        return;
    FCompositorPlaced = false;
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
        // Qt delivers the places the window system reports as spontaneous events, and
        // the program's own moves and resizes at once, as ordinary ones.
        FollowMove(event.spontaneous() ? TMoveOrigin::WindowSystem : TMoveOrigin::Program, MonotonicMs());
        break;
    case QEvent::WindowStateChange:
        FMaximized = FWindow->isMaximized();
        if (!FMaximized)
            RememberRect();
        break;
    case QEvent::Show:
        if (!FPositionLoaded)
            LoadPosition();
        FollowShow(MonotonicMs());
        break;
    case QEvent::Hide:
        if (!FPositionLoaded)
            LoadPosition();
        break;
    default:
        break;
    }
}
