#include "platform/WindowShape.h"

#include <QGuiApplication>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <vector>

namespace {

xcb_connection_t* ApplicationConnection() {
    if (!qGuiApp)
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

bool HasShapeExtension(xcb_connection_t* connection) {
    const xcb_query_extension_reply_t* shape = xcb_get_extension_data(connection, &xcb_shape_id);
    return shape && shape->present;
}

}  // namespace

bool DeviceWindowShapeAvailable() {
    xcb_connection_t* connection = ApplicationConnection();
    return connection && HasShapeExtension(connection);
}

bool SetDeviceWindowShape(QWidget* window, const QRegion& deviceRegion) {
    xcb_connection_t* connection = ApplicationConnection();
    if (!window || !connection || !HasShapeExtension(connection))
        return false;
    // Qt sets the shape only from setMask, and again from the widget's mask whenever it makes
    // the native window anew; with no mask held there it leaves this shape alone.
    if (!window->mask().isEmpty())
        window->clearMask();
    // The native window is made if need be without winId(), which would mark the window
    // native and with it every child of its parent: the main window's buttons would become
    // X windows of their own when a paper's shape is first set.
    if (!window->testAttribute(Qt::WA_WState_Created))
        window->createWinId();
    const auto id = static_cast<xcb_window_t>(window->effectiveWinId());
    if (!id)
        return false;
    std::vector<xcb_rectangle_t> rectangles;
    rectangles.reserve(static_cast<size_t>(deviceRegion.rectCount()));
    for (const QRect& r : deviceRegion)
        rectangles.push_back({static_cast<int16_t>(r.x()), static_cast<int16_t>(r.y()),
                              static_cast<uint16_t>(r.width()), static_cast<uint16_t>(r.height())});
    xcb_shape_rectangles(connection, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, XCB_CLIP_ORDERING_YX_BANDED, id, 0, 0,
                         static_cast<uint32_t>(rectangles.size()), rectangles.data());
    xcb_flush(connection);
    return true;
}
