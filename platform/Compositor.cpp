#include "platform/Compositor.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <utility>

#include "storage/ProcessState.h"

namespace {

xcb_connection_t* ApplicationConnection() {
    if (!qGuiApp)
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

using TAtomReply = std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)>;

TAtomReply InternAtom(xcb_connection_t* connection, const std::string& name, bool onlyIfExists) {
    xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, onlyIfExists ? 1 : 0, static_cast<uint16_t>(name.size()), name.data());
    return TAtomReply(xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
}

}  // namespace

uint32_t XAtomOf(const std::string& name) {
    xcb_connection_t* connection = ApplicationConnection();
    if (!connection)
        return XCB_ATOM_NONE;
    TAtomReply atom = InternAtom(connection, name, false);
    return atom ? atom->atom : uint32_t(XCB_ATOM_NONE);
}

int ScreenNumberOfDisplay(std::string_view display) {
    size_t colon = display.rfind(':');
    if (colon == std::string_view::npos)
        return 0;
    size_t dot = display.find('.', colon + 1);
    if (dot == std::string_view::npos || dot + 1 >= display.size())
        return 0;
    int screen = 0;
    for (size_t i = dot + 1; i < display.size(); ++i) {
        char c = display[i];
        if (c < '0' || c > '9' || screen > 9999)
            return 0;
        screen = screen * 10 + (c - '0');
    }
    return screen;
}

int DefaultScreenNumber() {
    const char* display = std::getenv("DISPLAY");
    return display ? ScreenNumberOfDisplay(display) : 0;
}

bool XSelectionHasOwner(const std::string& selectionName) {
    xcb_connection_t* connection = ApplicationConnection();
    if (!connection)
        return false;
    TAtomReply atom = InternAtom(connection, selectionName, true);
    // With only_if_exists, an atom nobody ever made comes back as none: then no one owns it.
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return false;
    xcb_get_selection_owner_cookie_t ownerCookie = xcb_get_selection_owner(connection, atom->atom);
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        xcb_get_selection_owner_reply(connection, ownerCookie, nullptr), &std::free);
    return owner && owner->owner != XCB_WINDOW_NONE;
}

bool XServerIsXWayland() {
    xcb_connection_t* connection = ApplicationConnection();
    if (!connection)
        return false;
    constexpr std::string_view name = "XWAYLAND";
    xcb_query_extension_cookie_t cookie =
        xcb_query_extension(connection, static_cast<uint16_t>(name.size()), name.data());
    std::unique_ptr<xcb_query_extension_reply_t, decltype(&std::free)> reply(
        xcb_query_extension_reply(connection, cookie, nullptr), &std::free);
    if (reply && reply->present)
        return true;
    // Xwayland before 23.1 has no such extension; its RandR outputs, which Qt names its
    // screens after, are "XWAYLAND0", "XWAYLAND1", ...
    const QList<QScreen*> screens = QGuiApplication::screens();
    return std::any_of(screens.begin(), screens.end(),
                       [](const QScreen* screen) { return screen->name().startsWith(QLatin1String("XWAYLAND")); });
}

bool CompositingManagerRunning() {
    if (TCompositorProbe probe = ProcessState().CompositorProbe)
        return probe();
    return XSelectionHasOwner("_NET_WM_CM_S" + std::to_string(DefaultScreenNumber())) || XServerIsXWayland();
}

TCompositorProbe SetCompositorProbe(TCompositorProbe probe) {
    return std::exchange(ProcessState().CompositorProbe, probe);
}
