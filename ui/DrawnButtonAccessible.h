#pragma once
// The drawn button as assistive technology sees it: a push button named by its caption
// (TDrawnButton sets the name), disabled while the button is, with a press action that
// clicks it. Qt asks the factory that InstallDrawnButtonAccessibility installs.

#include <QAccessibleWidget>

class TDrawnButton;

class TDrawnButtonAccessible : public QAccessibleWidget {
public:
    explicit TDrawnButtonAccessible(TDrawnButton* button);

    // The widget's states, pressed while the button is held down.
    QAccessible::State state() const override;
    // Press while the button is enabled; a disabled button offers no action.
    QStringList actionNames() const override;
    // Press clicks the button as a mouse click would (TDrawnButton::Click), once control is
    // back in the event loop, so that a click which opens a dialog does not hold up the
    // assistive tool's call. Nothing when the button is disabled by then.
    void doAction(const QString& actionName) override;
    // The caption's accelerator with Alt ("Alt+M") for press; none without one.
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    TDrawnButton* Button() const;
};

// Makes Qt describe every TDrawnButton through TDrawnButtonAccessible. Called once at
// start-up, after the application object and before the first window is shown; a
// further call changes nothing.
void InstallDrawnButtonAccessibility();
