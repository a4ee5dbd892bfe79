#pragma once
// Small pieces the dialogs share: program text to and from Qt, and placing a
// window in the middle of the screen.

#include "graphics/QtText.h"
#include <cstdint>
#include <string>
#include <string_view>

class QDateEdit;
class QWidget;

// Moves the window so that its frame is centred in the work area of the primary screen.
void CentreOnScreen(QWidget* window);

// Limits a date field to the calendar's dates, years MinDateYear..MaxDateYear, in place
// of Qt's default limits (from 1752-09-14 on), which would silently move an earlier date
// the calendar shows. Call it before the field is given its date.
void LimitToCalendarDates(QDateEdit* field);

// The text of a message box fitted so that the box stays inside the work area of the
// primary screen (at most half its width and three quarters of its height), however long
// the message is. Every message box that shows an error's message takes its text from here.
QString MessageBoxText(const QString& text);
