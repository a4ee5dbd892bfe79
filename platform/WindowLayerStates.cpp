#include "platform/WindowLayerStates.h"

#include <QGuiApplication>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/Compositor.h"

namespace {

constexpr uint32_t AllDesktops = 0xFFFFFFFF;
// _NET_WM_STATE client message actions.
constexpr uint32_t StateRemove = 0;
constexpr uint32_t StateAdd = 1;
// The message comes from an application (not a pager).
constexpr uint32_t SourceApplication = 1;

// Every state a layer gives or takes, and which layers give it. Qt names "stays on top"
// beside "above"; KWin's window switcher leaves out windows of its own skip state, the
// other window managers what the taskbar leaves out.
struct TLayerState {
    const char* Name;
    bool Above, DesktopWidget;
};
constexpr std::array<TLayerState, 7> LayerStates = {{
    {"_NET_WM_STATE_ABOVE", true, false},
    {"_NET_WM_STATE_STAYS_ON_TOP", true, false},
    {"_NET_WM_STATE_BELOW", false, true},
    {"_NET_WM_STATE_STICKY", false, true},
    {"_NET_WM_STATE_SKIP_TASKBAR", false, true},
    {"_NET_WM_STATE_SKIP_PAGER", false, true},
    {"_KDE_NET_WM_STATE_SKIP_SWITCHER", false, true},
}};

bool Given(const TLayerState& state, TWindowLayer layer) {
    return layer == TWindowLayer::Above ? state.Above : layer == TWindowLayer::DesktopWidget && state.DesktopWidget;
}

xcb_connection_t* ApplicationConnection() {
    if (!qGuiApp)
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t RootOf(xcb_connection_t* connection) {
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = DefaultScreenNumber(); i > 0 && screens.rem > 1; --i)
        xcb_screen_next(&screens);
    if (screens.rem == 0)
        return XCB_WINDOW_NONE;
    return screens.data->root;
}

xcb_window_t NativeWindowOf(const QWidget* window) {
    if (!window || !window->testAttribute(Qt::WA_WState_Created))
        return XCB_WINDOW_NONE;
    return static_cast<xcb_window_t>(window->effectiveWinId());
}

// A property of 32-bit values of that type (atoms, cardinals); empty when the window has
// none of that type.
std::vector<uint32_t> ReadValues(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property,
                                 xcb_atom_t type) {
    xcb_get_property_cookie_t cookie = xcb_get_property(connection, 0, window, property, type, 0, 1024);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(connection, cookie, nullptr), &std::free);
    std::vector<uint32_t> values;
    if (!reply || reply->type != type || reply->format != 32)
        return values;
    const auto* first = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    values.assign(first, first + xcb_get_property_value_length(reply.get()) / 4);
    return values;
}

bool WindowViewable(xcb_connection_t* connection, xcb_window_t window) {
    std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr),
        &std::free);
    return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

void SendToRoot(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t type,
                const std::array<uint32_t, 5>& data) {
    xcb_client_message_event_t message = {};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = type;
    std::copy(data.begin(), data.end(), message.data.data32);
    xcb_send_event(connection, 0, RootOf(connection),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
}

}  // namespace

bool WriteWindowLayerStates(QWidget* widget, TWindowLayer layer) {
    xcb_connection_t* connection = ApplicationConnection();
    const xcb_window_t window = NativeWindowOf(widget);
    if (!connection || !window)
        return false;
    const xcb_atom_t netWmState = XAtomOf("_NET_WM_STATE");
    std::vector<uint32_t> states = ReadValues(connection, window, netWmState, XCB_ATOM_ATOM);
    for (const TLayerState& state : LayerStates) {
        const uint32_t atom = XAtomOf(state.Name);
        states.erase(std::remove(states.begin(), states.end(), atom), states.end());
        if (Given(state, layer))
            states.push_back(atom);
    }
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, netWmState, XCB_ATOM_ATOM, 32,
                        static_cast<uint32_t>(states.size()), states.data());
    const xcb_atom_t netWmDesktop = XAtomOf("_NET_WM_DESKTOP");
    if (layer == TWindowLayer::DesktopWidget)
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, netWmDesktop, XCB_ATOM_CARDINAL, 32, 1,
                            &AllDesktops);
    else
        xcb_delete_property(connection, window, netWmDesktop);
    xcb_flush(connection);
    return true;
}

bool RequestWindowLayerStates(QWidget* widget, TWindowLayer layer) {
    xcb_connection_t* connection = ApplicationConnection();
    const xcb_window_t window = NativeWindowOf(widget);
    if (!connection || !window || !WindowViewable(connection, window))
        return false;
    const xcb_atom_t netWmState = XAtomOf("_NET_WM_STATE");
    for (const TLayerState& state : LayerStates)
        SendToRoot(
            connection, window, netWmState,
            {Given(state, layer) ? StateAdd : StateRemove, XAtomOf(state.Name), XCB_ATOM_NONE, SourceApplication, 0});
    // Leaving every workspace, the window stays on the one shown now.
    uint32_t desktop = AllDesktops;
    if (layer != TWindowLayer::DesktopWidget) {
        const std::vector<uint32_t> current =
            ReadValues(connection, RootOf(connection), XAtomOf("_NET_CURRENT_DESKTOP"), XCB_ATOM_CARDINAL);
        const std::vector<uint32_t> own = ReadValues(connection, window, XAtomOf("_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL);
        // A window that is on one workspace already stays there.
        if (!own.empty() && own.front() != AllDesktops) {
            xcb_flush(connection);
            return true;
        }
        desktop = current.empty() ? 0 : current.front();
    }
    SendToRoot(connection, window, XAtomOf("_NET_WM_DESKTOP"), {desktop, SourceApplication, 0, 0, 0});
    xcb_flush(connection);
    return true;
}
