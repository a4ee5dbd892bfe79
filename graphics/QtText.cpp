#include "graphics/QtText.h"

#include "storage/ShiftJis.h"

QString QtText(std::string_view sjis) { return QString::fromStdString(SjisToUtf8(sjis)); }

std::string SjisText(const QString& text) { return Utf8ToSjis(text.toStdString()); }

QColor QtColor(uint32_t colour) { return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF); }
