#include "ui/DialogSupport.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "storage/ShiftJis.h"

QString QtText(std::string_view sjis) { return QString::fromStdString(SjisToUtf8(sjis)); }

std::string SjisText(const QString& text) { return Utf8ToSjis(text.toStdString()); }

QColor QtColor(uint32_t colour) { return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF); }

void CentreOnScreen(QWidget* window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}
