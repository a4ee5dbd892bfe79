#pragma once
// A window's layer among the others as window-manager states on X (EWMH): above the
// others, or below them as a desktop widget (on every workspace, sticky, left out of the
// taskbar, the pager and the window switcher).
//
// Qt sets "above" and "below" from its stay-on-top and stay-on-bottom hints only as the
// window is mapped, into a property that window managers erase when a window is withdrawn:
// a window shown again after a change of hints may come back without them. These functions
// state all of the layer's states twice: in the properties before the window is mapped, and
// as requests to the window manager once it manages the window.

class QWidget;

enum class TWindowLayer { Normal, Above, DesktopWidget };

// Writes the layer's states into the window's properties "_NET_WM_STATE" and
// "_NET_WM_DESKTOP", keeping every other state there; for a window that is not mapped yet.
// False (nothing done) without an X display or a native window.
bool WriteWindowLayerStates(QWidget* window, TWindowLayer layer);
// Asks the window manager for the layer's states (and to take the others of them away)
// through client messages to the root window; for a window it manages. False (nothing
// done) without an X display, a native window, or while the window is not viewable.
bool RequestWindowLayerStates(QWidget* window, TWindowLayer layer);
