#include "ui/DialogSupport.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "storage/ShiftJis.h"

QString QtText(std::string_view sjis) { return QString::fromStdString(SjisToUtf8(sjis)); }

std::string SjisText(const QString& text) { return Utf8ToSjis(text.toStdString()); }

void CentreOnScreen(QWidget* window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}
