#include "ui/DialogSupport.h"

#include <QApplication>
#include <QDateEdit>
#include <QFontMetrics>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "storage/DateUtils.h"

namespace {

// Room a message box takes beside its text: the icon, the margins and the button row.
constexpr int BoxChromeWidth = 150;
constexpr int BoxChromeHeight = 120;
// A message box whose content is wider than half the screen (at most this) wraps its text
// itself, where it sees fit; the text is kept narrower so that its rows stay as given.
constexpr int BoxWrapLimit = 500;
// Used when there is no screen to measure.
constexpr QSize FallbackWorkArea(1024, 768);

}  // namespace

void CentreOnScreen(QWidget* window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

void LimitToCalendarDates(QDateEdit* field) {
    field->setDateRange(QDate(MinDateYear, 1, 1), QDate(MaxDateYear, 12, 31));
}

QString MessageBoxText(const QString& text) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize workArea = screen ? screen->availableGeometry().size() : FallbackWorkArea;
    const QFontMetrics metrics(QApplication::font("QMessageBox"));
    const int rowWidth = std::max(std::min(workArea.width() / 2, BoxWrapLimit) - BoxChromeWidth, 100);
    const int maxHeight = std::max(workArea.height() * 3 / 4 - BoxChromeHeight, 3 * metrics.lineSpacing());
    return FitMessageText(text, metrics, rowWidth, maxHeight);
}
