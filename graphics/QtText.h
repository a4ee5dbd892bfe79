#pragma once
// Program text (UTF-8) and colours (0x00BBGGRR) as Qt takes them, and back: the one
// place where the program's strings cross into Qt.

#include <QColor>
#include <QString>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

class QFontMetrics;

// The one crossing between the program's text (UTF-8, storage/Text.h) and Qt's QString:
// QtText into Qt, ProgramText back. Paths do not cross here: they go through
// QFile::encodeName / decodeName.
QString QtText(std::string_view text);
std::string ProgramText(const QString& text);
// A path (the system's bytes, never converted as text) as Qt takes it, and back.
QString QtPath(std::string_view path);
std::string ProgramPath(const QString& path);
QColor QtColor(uint32_t color);
// The message of error as Qt shows it: the program's own exceptions carry UTF-8 text;
// any other (from the standard library or the system) is read in the locale's encoding.
QString ExceptionText(const std::exception& error);

// A message fitted into rowWidth by maxHeight pixels as metrics measure it (with the fonts
// that stand in for characters the font lacks), whatever it holds. Each line (lines end at
// CR LF, CR or LF) is elided in its middle to MaxRowsPerMessageLine rows and broken into
// rows no wider than rowWidth (after a space or "/" where one is near, else anywhere);
// rows that do not fit below one another are replaced by one "…" row.
constexpr int MaxRowsPerMessageLine = 4;
QString FitMessageText(const QString& text, const QFontMetrics& metrics, int rowWidth, int maxHeight);
