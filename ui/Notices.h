#pragma once
// Notices between the program's windows: a change that several windows follow (the colour
// scheme, the memo of a day) is announced once, and each window that follows it listens for
// as long as it lives.

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <vector>

template <typename... TArgs>
class TNotice {
public:
    // Calls action with every notice from now on, while owner exists.
    void Listen(QObject* owner, std::function<void(TArgs...)> action) {
        FListeners.push_back({owner, std::move(action)});
    }
    // Tells every listener, in the order they began to listen. A listener that goes away
    // during the notice (a window closed by another's action) is skipped; one that begins
    // to listen during it hears the next notice.
    void Notify(TArgs... args) {
        const std::vector<TListener> listeners = FListeners;
        for (const TListener& listener : listeners)
            if (listener.Owner)
                listener.Action(args...);
        std::erase_if(FListeners, [](const TListener& listener) { return !listener.Owner; });
    }

private:
    struct TListener {
        QPointer<QObject> Owner;
        std::function<void(TArgs...)> Action;
    };
    std::vector<TListener> FListeners;
};

// The colour scheme changed ("反映させる" or OK in the colour setup): every window takes its
// colours anew.
TNotice<>& ColorsChangedNotice();
// The memo of day number day changed: the page and the papers of that day redraw.
TNotice<int32_t>& MemoChangedNotice();
