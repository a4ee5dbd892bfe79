#pragma once
// Small pieces the dialogs share: program text (Shift_JIS) to and from Qt, and placing a
// window in the middle of the screen.

#include "graphics/QtText.h"
#include <cstdint>
#include <string>
#include <string_view>

class QWidget;

// Moves the window so that its frame is centred in the work area of the primary screen.
void CentreOnScreen(QWidget* window);
