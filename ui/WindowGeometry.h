#pragma once
// What the window behaviour's pieces read of a window and its screens: the frame
// rectangle, the child controls and every screen's work area, in the program's rectangles.

#include <QRect>

#include <vector>

#include "storage/Geometry.h"

class QWidget;

TRect ToRect(const QRect& r);
// The window's frame on the screen, its title bar and borders included.
TRect FrameRectOf(const QWidget& window);
// The window's direct child controls; child windows (dialogs, menus) are not among them.
std::vector<QWidget*> ChildControlsOf(const QWidget& window);
// The work areas of every screen, in the order the application lists the screens.
std::vector<TRect> ScreenWorkAreas();
