#pragma once
// Small pieces the dialogs share: program text (Shift_JIS) to and from Qt, and placing a
// window in the middle of the screen.

#include <QString>
#include <string>
#include <string_view>

class QWidget;

QString QtText(std::string_view sjis);
std::string SjisText(const QString& text);
// Moves the window so that its frame is centred in the work area of the primary screen.
void CentreOnScreen(QWidget* window);
