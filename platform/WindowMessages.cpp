#include "platform/WindowMessages.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

QEvent::Type TWindowMessageEvent::EventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

intptr_t SendWindowMessage(QObject* receiver, int message, intptr_t wParam, intptr_t lParam) {
    if (!receiver)
        return 0;
    TWindowMessageEvent event(message, wParam, lParam);
    QCoreApplication::sendEvent(receiver, &event);
    return event.Result();
}

void BroadcastToWindows(int message, intptr_t wParam, intptr_t lParam) {
    QList<QPointer<QWidget>> forms;
    for (QWidget* widget : QApplication::topLevelWidgets())
        forms.append(widget);
    for (const QPointer<QWidget>& form : forms)
        if (form)
            SendWindowMessage(form, message, wParam, lParam);
}
