#pragma once
// TWindowMessageEvent: the program's own window messages, delivered between its windows as
// Qt events.

#include <QEvent>
#include <cstdint>

// Message numbers: the window-user base 0x0400 plus the program's offsets.
constexpr int WM_USER = 0x0400;
constexpr int UM_COLORRESET = WM_USER + 100;   // the colour scheme changed; no parameters
constexpr int UM_BACKGROUND = WM_USER + 102;   // first parameter: the composed 32-bit window image
constexpr int UM_MEMOCHANGED = WM_USER + 202;  // first parameter: the day number whose memo changed

// One event type carries every program message; the number and parameters ride inside.
class TWindowMessageEvent : public QEvent {
public:
    static QEvent::Type EventType();

    TWindowMessageEvent(int message, intptr_t wParam, intptr_t lParam)
        : QEvent(EventType()), FMessage(message), FWParam(wParam), FLParam(lParam) {}

    int Message() const { return FMessage; }
    intptr_t WParam() const { return FWParam; }
    intptr_t LParam() const { return FLParam; }
    // What the receiver answers; 0 unless it sets another value.
    intptr_t Result() const { return FResult; }
    void SetResult(intptr_t result) { FResult = result; }

private:
    int FMessage;
    intptr_t FWParam;
    intptr_t FLParam;
    intptr_t FResult = 0;
};

class QObject;

// Delivers the message synchronously to one receiver; returns the receiver's result.
intptr_t SendWindowMessage(QObject* receiver, int message, intptr_t wParam = 0, intptr_t lParam = 0);
// Delivers the message synchronously to every open top-level window of the program, in
// the application's window order. A window that closes during the delivery is skipped.
void BroadcastToWindows(int message, intptr_t wParam = 0, intptr_t lParam = 0);
