#include "ui/WindowGeometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

TRect ToRect(const QRect& r) { return RectOfSize(r.x(), r.y(), r.width(), r.height()); }

TRect FrameRectOf(const QWidget& window) { return ToRect(window.frameGeometry()); }

std::vector<QWidget*> ChildControlsOf(const QWidget& window) {
    std::vector<QWidget*> children;
    for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isWindow())
            children.push_back(child);
    return children;
}

std::vector<TRect> ScreenWorkAreas() {
    std::vector<TRect> areas;
    for (QScreen* screen : QGuiApplication::screens())
        areas.push_back(ToRect(screen->availableGeometry()));
    return areas;
}
