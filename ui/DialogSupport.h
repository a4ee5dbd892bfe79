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

// The text of a message box fitted so that the box stays inside the work area of the
// primary screen (at most half its width and three quarters of its height), however long
// the message is. Every message box that shows an error's message takes its text from here.
QString MessageBoxText(const QString& text);
