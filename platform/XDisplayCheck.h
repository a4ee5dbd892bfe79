#pragma once
// The X display, asked before Qt is: Qt's xcb platform aborts the process (with a core
// dump) when it cannot connect, while the calendar is to end with a clear line instead.

#include <string>

struct xcb_connection_t;

class TXDisplayCheck {
public:
    // Connects to the X display that DISPLAY names when Qt is going to run on X: no
    // platform chosen ($QT_QPA_PLATFORM empty and no "-platform" argument) or "xcb". Other
    // platforms (offscreen for tests, for one) are not checked.
    TXDisplayCheck(int argc, char** argv);
    // The connection is held until then, so that an X server that resets when its last
    // client leaves (Xvfb without -noreset) does not reset between this check and Qt's
    // own connection.
    ~TXDisplayCheck();
    TXDisplayCheck(const TXDisplayCheck&) = delete;
    TXDisplayCheck& operator=(const TXDisplayCheck&) = delete;

    // Empty when the display answered or was not needed; else the one line to print:
    // "cannot open the X display ":5": the calendar needs X11 or XWayland".
    const std::string& Problem() const { return FProblem; }

private:
    xcb_connection_t* FConnection = nullptr;
    std::string FProblem;
};

// The platform Qt will be asked for: the value after the last "-platform" argument, else
// $QT_QPA_PLATFORM; empty when neither names one.
std::string RequestedQtPlatform(int argc, char** argv);
// Whether that request makes Qt run on X: empty (Qt's default here) or "xcb", with or
// without options after ":".
bool PlatformUsesX(const std::string& platform);
