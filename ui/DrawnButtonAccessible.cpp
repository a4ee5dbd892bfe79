#include "ui/DrawnButtonAccessible.h"

#include <QKeySequence>
#include <QMetaObject>

#include "graphics/ButtonPainter.h"
#include "ui/DrawnButton.h"

namespace {

// TDrawnButton has no meta-object of its own, so Qt asks for it under the class name
// "QWidget": the object's own type decides.
QAccessibleInterface* DrawnButtonInterface(const QString&, QObject* object) {
    auto* button = dynamic_cast<TDrawnButton*>(object);
    return button ? new TDrawnButtonAccessible(button) : nullptr;
}

}  // namespace

TDrawnButtonAccessible::TDrawnButtonAccessible(TDrawnButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

TDrawnButton* TDrawnButtonAccessible::Button() const { return static_cast<TDrawnButton*>(widget()); }

QAccessible::State TDrawnButtonAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.pressed = Button()->Pressed();
    return state;
}

QStringList TDrawnButtonAccessible::actionNames() const {
    QStringList names;
    if (Button()->isEnabled())
        names << pressAction();
    return names + QAccessibleWidget::actionNames();
}

void TDrawnButtonAccessible::doAction(const QString& actionName) {
    if (actionName != pressAction()) {
        QAccessibleWidget::doAction(actionName);
        return;
    }
    TDrawnButton* button = Button();
    if (!button->isEnabled())
        return;
    // Dropped by Qt when the button is gone before the loop comes round.
    QMetaObject::invokeMethod(
        button,
        [button] {
            if (button->isEnabled())
                button->Click();
        },
        Qt::QueuedConnection);
}

QStringList TDrawnButtonAccessible::keyBindingsForAction(const QString& actionName) const {
    if (actionName != pressAction())
        return QAccessibleWidget::keyBindingsForAction(actionName);
    char key = CaptionAccelerator(Button()->Caption());
    if (key == 0)
        return {};
    QKeySequence sequence(Qt::ALT | static_cast<Qt::Key>(static_cast<unsigned char>(key)));
    return {sequence.toString(QKeySequence::NativeText)};
}

void InstallDrawnButtonAccessibility() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(DrawnButtonInterface);
}
