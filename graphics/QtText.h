#pragma once
// Program text (Shift_JIS) and colours (0x00BBGGRR) as Qt takes them, and back: the one
// place where the program's strings cross into Qt.

#include <QColor>
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

QString QtText(std::string_view sjis);
std::string SjisText(const QString& text);
QColor QtColor(uint32_t colour);
