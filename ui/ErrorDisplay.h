#pragma once
// How the program shows an error that no window handles itself: an exception that left an
// event handler, or a step of start-up or exit that failed.

#include <exception>

// One line on standard error always, and a message box while the error display is
// MessageBox and a display is there.
void ShowExceptionMessage(const std::exception& error);
// While the program ends on a termination signal or the end of the desktop session,
// nobody may be there to close a message box, and the program must end: errors then go to
// standard error only. Returns the display it replaces.
enum class TErrorDisplay { MessageBox, StandardErrorOnly };
TErrorDisplay SetErrorDisplay(TErrorDisplay display);
