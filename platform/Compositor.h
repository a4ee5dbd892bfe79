#pragma once
// Whether the X display composes its windows, which is what per-pixel-alpha (translucent)
// top-level windows need: without a compositor such a window shows black where its image
// is transparent, and the window is cut to a region instead. The answer is asked of the X
// server each time, so that every window decides when it is created.

#include <cstdint>
#include <string>
#include <string_view>

// True when windows on the display are composited: the X selection "_NET_WM_CM_S<screen>"
// of the display's default screen has an owner, or the X server is Xwayland (a Wayland
// compositor composes every window, whether or not anything owns that selection; some
// ignore the shape of an opaque window and show black where it cuts). False on any other
// platform (offscreen, Wayland without XWayland) and when the server cannot be asked.
bool CompositingManagerRunning();

// True when the application's X server is Xwayland: it offers the "XWAYLAND" extension
// (from Xwayland 23.1 on), or its screens are the RandR outputs "XWAYLAND<n>".
bool XServerIsXWayland();

// True when the X selection of that name has an owner on the application's display; false
// without an X display.
bool XSelectionHasOwner(const std::string& selectionName);

// The X atom of that name on the application's display, made when missing; 0 without an X
// display.
uint32_t XAtomOf(const std::string& name);

// The screen number that a DISPLAY value names ("host:display.screen"); 0 when the value
// names none or is malformed.
int ScreenNumberOfDisplay(std::string_view display);
// The default screen's number of the application's display (from DISPLAY).
int DefaultScreenNumber();

// Tests and the benchmarks replace the X query with their own answer; nullptr puts the X
// query back. Returns the probe it replaces.
using TCompositorProbe = bool (*)();
TCompositorProbe SetCompositorProbe(TCompositorProbe probe);
