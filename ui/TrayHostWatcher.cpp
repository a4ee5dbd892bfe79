#include "ui/TrayHostWatcher.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QString>
#include <QTimer>

#include <xcb/xcb.h>

#include <string>
#include <utility>

#include "platform/Compositor.h"

namespace {

const QString NotifierWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString NotifierWatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString NotifierWatcherInterface = QStringLiteral("org.kde.StatusNotifierWatcher");

}  // namespace

bool XTrayHostRunning() { return XSelectionHasOwner("_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreenNumber())); }

bool NotifierHostRunning() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    if (!bus.interface()->isServiceRegistered(NotifierWatcherService).value())
        return false;
    QDBusMessage get =
        QDBusMessage::createMethodCall(NotifierWatcherService, NotifierWatcherPath,
                                       QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << NotifierWatcherInterface << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, NotifierReplyMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    return qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant().toBool();
}

bool TrayHostRunning() { return XTrayHostRunning() || NotifierHostRunning(); }

TTrayHostWatcher::TTrayHostWatcher(std::function<bool()> hostRunning, std::function<void()> changed)
    : FHostRunning(std::move(hostRunning)), FChanged(std::move(changed)), FRecheck(std::make_unique<QTimer>()) {
    FHostKnown = FHostRunning();
    FRecheck->setSingleShot(true);
    FRecheck->setInterval(0);
    QObject::connect(FRecheck.get(), &QTimer::timeout, [this] { Check(); });
    WatchSessionBus();
}

TTrayHostWatcher::~TTrayHostWatcher() = default;

void TTrayHostWatcher::WatchSessionBus() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    auto* busWatcher = new QDBusServiceWatcher(
        NotifierWatcherService, bus,
        QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration, FRecheck.get());
    QObject::connect(busWatcher, &QDBusServiceWatcher::serviceRegistered, FRecheck.get(), [this] { Recheck(); });
    QObject::connect(busWatcher, &QDBusServiceWatcher::serviceUnregistered, FRecheck.get(), [this] { Recheck(); });
    // A watcher may come before its host (the panel registers itself a moment later). The bus
    // delivers signals only to named slots, and the timer's start() is the recheck.
    bus.connect(NotifierWatcherService, NotifierWatcherPath, NotifierWatcherInterface,
                QStringLiteral("StatusNotifierHostRegistered"), FRecheck.get(), SLOT(start()));
}

bool TTrayHostWatcher::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t")
        return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    const uint8_t type = event->response_type & 0x7F;
    if (type == XCB_CLIENT_MESSAGE) {
        if (FManagerAtom == XCB_ATOM_NONE)
            FManagerAtom = XAtomOf("MANAGER");
        const xcb_atom_t messageType = reinterpret_cast<xcb_client_message_event_t*>(event)->type;
        if (FManagerAtom != XCB_ATOM_NONE && messageType == FManagerAtom)
            Recheck();
    } else if (type == XCB_DESTROY_NOTIFY && FHostKnown) {
        Recheck();
    }
    return false;
}

void TTrayHostWatcher::Recheck() { FRecheck->start(); }

void TTrayHostWatcher::Check() {
    const bool host = FHostRunning();
    if (host == FHostKnown)
        return;
    FHostKnown = host;
    FChanged();
}
