#include "platform/FormMessages.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

QEvent::Type TFormMessageEvent::EventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

intptr_t SendFormMessage(QObject* receiver, int message, intptr_t wParam, intptr_t lParam) {
    if (!receiver)
        return 0;
    TFormMessageEvent event(message, wParam, lParam);
    QCoreApplication::sendEvent(receiver, &event);
    return event.Result();
}

void BroadcastToForms(int message, intptr_t wParam, intptr_t lParam) {
    QList<QPointer<QWidget>> forms;
    for (QWidget* widget : QApplication::topLevelWidgets())
        forms.append(widget);
    for (const QPointer<QWidget>& form : forms)
        if (form)
            SendFormMessage(form, message, wParam, lParam);
}
