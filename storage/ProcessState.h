#pragma once
// The state the process keeps outside its objects, all of it in this one place: the answers
// that tests put in place of the system's and the desktop's, and the few choices a run makes
// once. Each is read by the one function named beside it and set through that function's
// setter (SetClock, SetCompositorProbe, ...), at start-up or by a test. Beside it, only
// these live outside objects: the process-wide objects in their holders (ProcessWide.h),
// the registries of live window behaviours and tray icons and the once-only installations
// (the tray host watcher, the accessibility factory, the memo sync module once loaded),
// each in its unit, and the termination signals' pipe in app/main.cpp, which a signal
// handler must reach without any object.

#include <cstdint>
#include <exception>
#include <functional>

struct TLocalMoment;  // storage/DateUtils.h

struct TProcessState {
    // Now(): the clock every "today" and "now" is read from; empty: the system's local time.
    std::function<TLocalMoment()> Clock;
    // CompositingManagerRunning(): whether windows are composited; null: ask the X server.
    bool (*CompositorProbe)() = nullptr;
    // The tray icons: whether a tray host shows icons; null: ask the desktop.
    bool (*TrayProbe)() = nullptr;
    // Qt chose its tray for good when the process made its first QSystemTrayIcon.
    bool TrayChosen = false;
    // The tray icons: how an error that leaves an icon's handler is shown; null: on standard
    // error and in a message box.
    void (*ExceptionDisplay)(const std::exception& error) = nullptr;
    // ShowExceptionMessage: on standard error only, no message box (the unattended end of a
    // run, when nobody may be there to close one).
    bool ErrorsToStandardErrorOnly = false;
    // The paper windows: the serial of the last one made; papers sort by it in the order
    // they were made.
    uint64_t LastPaperSerial = 0;
};

TProcessState& ProcessState();
