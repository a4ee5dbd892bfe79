#include "platform/XDisplayCheck.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

std::string RequestedQtPlatform(int argc, char** argv) {
    std::string platform;
    if (const char* value = std::getenv("QT_QPA_PLATFORM"))
        platform = value;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            platform = argv[i + 1];
    return platform;
}

bool PlatformUsesX(const std::string& platform) {
    return platform.empty() || platform == "xcb" || platform.compare(0, 4, "xcb:") == 0;
}

TXDisplayCheck::TXDisplayCheck(int argc, char** argv) {
    if (!PlatformUsesX(RequestedQtPlatform(argc, argv)))
        return;
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        FProblem = "cannot open the X display (DISPLAY is not set): the calendar needs X11 or XWayland";
        return;
    }
    FConnection = xcb_connect(display, nullptr);
    if (xcb_connection_has_error(FConnection))
        FProblem = std::string("cannot open the X display \"") + display + "\": the calendar needs X11 or XWayland";
}

TXDisplayCheck::~TXDisplayCheck() {
    // xcb_connect never returns null: even a failed connection is an object to free.
    if (FConnection)
        xcb_disconnect(FConnection);
}
