#pragma once
// Small pieces the dialogs share: program text (Shift_JIS) to and from Qt, and placing a
// window in the middle of the screen.

#include <QColor>
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

class QWidget;

QString QtText(std::string_view sjis);
std::string SjisText(const QString& text);
// A colour value 0x00BBGGRR as Qt's colour.
QColor QtColor(uint32_t colour);
// Moves the window so that its frame is centred in the work area of the primary screen.
void CentreOnScreen(QWidget* window);
