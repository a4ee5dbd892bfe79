#pragma once
// Tray hosts as the calendar sees them without asking Qt's tray, and TTrayHostWatcher,
// which hears them come and go.
//
// Qt 6.4 chooses its tray once per process, at the first tray call (a QSystemTrayIcon made,
// or isSystemTrayAvailable asked): the StatusNotifierItem tray on the session bus when
// "org.kde.StatusNotifierWatcher" is there and says a host is registered, the X11 tray
// otherwise, and it never looks again. A tray call made before any host runs would therefore
// shut out a StatusNotifierItem host that starts later; until a host runs, the calendar asks
// these questions instead.

#include <QAbstractNativeEventFilter>
#include <QByteArray>

#include <cstdint>
#include <functional>
#include <memory>

class QTimer;

// The X11 tray's manager selection "_NET_SYSTEM_TRAY_S<screen>" of the default screen has
// an owner; false without an X display.
bool XTrayHostRunning();

// The longest the calendar waits for the watcher's answer before it counts as no host.
constexpr int NotifierReplyMs = 500;
// "org.kde.StatusNotifierWatcher" is on the session bus and its property
// IsStatusNotifierHostRegistered reads true (what Qt asks before it takes that tray); false
// without a session bus and when the watcher does not answer within NotifierReplyMs.
bool NotifierHostRunning();

// Either of the two hosts runs.
bool TrayHostRunning();

// Hears tray hosts start and end, and calls changed on the event loop, once the event that
// told of it is handled, when the answer of hostRunning differs from the last one. It
// listens to the X server (a host announces itself with the "MANAGER" client message on
// the root window; while a host is known, every destroyed window is asked about, since the
// host's selection window may be the one) and, when there is a session bus, to the bus
// (the watcher's name registered or unregistered, and its StatusNotifierHostRegistered
// signal). Install it as the application's native event filter for the X part.
class TTrayHostWatcher : public QAbstractNativeEventFilter {
public:
    TTrayHostWatcher(std::function<bool()> hostRunning, std::function<void()> changed);
    ~TTrayHostWatcher() override;
    TTrayHostWatcher(const TTrayHostWatcher&) = delete;
    TTrayHostWatcher& operator=(const TTrayHostWatcher&) = delete;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    // The answer the last check gave.
    bool HostKnown() const { return FHostKnown; }
    // Asks again once the current event is handled (several requests in one event ask once).
    void Recheck();

private:
    void WatchSessionBus();
    void Check();

    std::function<bool()> FHostRunning;
    std::function<void()> FChanged;
    bool FHostKnown = false;
    uint32_t FManagerAtom = 0;  // the X atom "MANAGER", made on first use
    // Its timeout is the check; the bus watcher is its child.
    std::unique_ptr<QTimer> FRecheck;
};
