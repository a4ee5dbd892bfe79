#include "ui/TrayIcon.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "graphics/QtText.h"
#include "storage/Exception.h"
#include "storage/ProcessState.h"
#include "storage/Text.h"
#include "ui/DialogSupport.h"
#include "ui/TrayHostWatcher.h"

namespace {

void DefaultExceptionDisplay(const std::exception& error) {
    const QString text = ExceptionText(error);
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        QMessageBox::critical(nullptr, QString(), MessageBoxText(text));
}

void ShowIconError(const std::exception& error) {
    if (TTrayIcon::TExceptionDisplay display = ProcessState().ExceptionDisplay)
        display(error);
    else
        DefaultExceptionDisplay(error);
}

bool TrayAvailable() {
    if (TTrayIcon::TTrayProbe probe = ProcessState().TrayProbe)
        return probe();
    // Asking Qt before a host runs would make it choose, for good, a tray that cannot show the
    // icon; once it has chosen, its own answer tells whether the chosen tray is there.
    return ProcessState().TrayChosen ? QSystemTrayIcon::isSystemTrayAvailable() : TrayHostRunning();
}

// The calendar's own small page: a white leaf under a red binding strip, framed in grey.
QIcon CalendarPageIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.fillRect(3, 3, 26, 26, QColor(0x80, 0x80, 0x80));
    painter.fillRect(4, 4, 24, 24, Qt::white);
    painter.fillRect(4, 4, 24, 7, QColor(0xD0, 0x30, 0x30));
    painter.fillRect(9, 15, 14, 2, QColor(0x60, 0x60, 0x60));
    painter.fillRect(9, 20, 14, 2, QColor(0x60, 0x60, 0x60));
    painter.end();
    return QIcon(pixmap);
}

std::vector<TTrayIcon*>& LiveIcons() {
    static std::vector<TTrayIcon*> icons;
    return icons;
}

// Tells every icon when a tray host starts or ends.
void WatchTrayHost() {
    static TTrayHostWatcher* watcher = nullptr;
    if (watcher || QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    watcher = new TTrayHostWatcher(&TrayAvailable, [] {
        std::vector<QPointer<TTrayIcon>> icons(LiveIcons().begin(), LiveIcons().end());
        for (const QPointer<TTrayIcon>& icon : icons)
            if (icon)
                icon->TrayHostChanged();
    });
    qApp->installNativeEventFilter(watcher);
}

}  // namespace

std::string CutTipText(const std::string& text) {
    size_t end = 0;
    size_t columns = 0;
    while (end < text.size()) {
        columns += static_cast<size_t>(ColumnsAt(text, end));
        if (columns > MaxTipBytes)
            break;
        end = NextCharAt(text, end);
    }
    return text.substr(0, end);
}

TTrayIcon::TTrayIcon(QWidget* owner) : QObject(owner), FOwner(owner) {
    LiveIcons().push_back(this);
    WatchTrayHost();
    MakeTray();
}

TTrayIcon::~TTrayIcon() {
    auto& live = LiveIcons();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    if (FAdded)
        NotifyIcon(TNotifyAction::Delete);
}

TTrayIcon::TTrayProbe TTrayIcon::SetTrayProbe(TTrayProbe probe) {
    return std::exchange(ProcessState().TrayProbe, probe);
}

bool TTrayIcon::MakeTray() {
    if (FTray)
        return true;
    if (!TrayAvailable())
        return false;
    FTray = new QSystemTrayIcon(this);
    ProcessState().TrayChosen = true;
    connect(FTray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { HandleActivation(reason); });
    return true;
}

TTrayIcon::TExceptionDisplay TTrayIcon::SetExceptionDisplay(TExceptionDisplay display) {
    return std::exchange(ProcessState().ExceptionDisplay, display);
}

bool TTrayIcon::Enabled() const { return FEnabled && TrayAvailable(); }

void TTrayIcon::SetIcon(const QIcon& icon) {
    FIcon = icon;
    if (FEnabled)
        NotifyIcon(TNotifyAction::Modify);
}

void TTrayIcon::SetText(const std::string& text) {
    FText = text;
    if (FEnabled)
        NotifyIcon(TNotifyAction::Modify);
}

void TTrayIcon::SetEnabled(bool value) {
    if (value == FEnabled)
        return;
    FEnabled = value;
    UpdateAppButton();
    NotifyIcon(value ? TNotifyAction::Modify : TNotifyAction::Delete);
}

QString TTrayIcon::ShownTip() const { return QtText(CutTipText(FText)); }

QIcon TTrayIcon::ShownIcon() const {
    if (!FIcon.isNull())
        return FIcon;
    const QIcon application = QApplication::windowIcon();
    return application.isNull() ? CalendarPageIcon() : application;
}

void TTrayIcon::NotifyIcon(TNotifyAction action) {
    if (action == TNotifyAction::Delete) {
        if (FTray)
            FTray->hide();
        FAdded = false;
        return;
    }
    // A modify before the icon was added adds it; without a tray host the icon waits and
    // appears once a host starts (TrayHostChanged comes here again).
    FAdded = true;
    if (!MakeTray())
        return;
    FTray->setIcon(ShownIcon());
    FTray->setToolTip(ShownTip());
    FTray->show();
}

void TTrayIcon::MinimizeOwner() {
    if (!FOwner)
        return;
    FHiddenInTray = Enabled();
    if (FHiddenInTray)
        FOwner->hide();
    else
        FOwner->showMinimized();
}

void TTrayIcon::TrayHostChanged() {
    if (!FEnabled || !FOwner)
        return;
    const bool host = Enabled();
    const bool hidden = FHiddenInTray && !FOwner->isVisible();
    UpdateAppButton();
    if (host) {
        NotifyIcon(TNotifyAction::Modify);
    } else if (hidden) {
        if (OnHostLost)
            OnHostLost(this);
        else
            FOwner->showMinimized();
    }
}

void TTrayIcon::UpdateAppButton() {
    if (!FOwner)
        return;
    FHiddenInTray = false;
    // A tool window has no taskbar button. The flag is only changed when it must, because
    // changing it takes a shown window off the screen for a moment.
    const bool tool = Enabled();
    if (FOwner->windowFlags().testFlag(Qt::Tool) == tool)
        return;
    const bool visible = FOwner->isVisible();
    // Becoming a tool window would stop closing the window from ending the program.
    const bool quitOnClose = FOwner->testAttribute(Qt::WA_QuitOnClose);
    Qt::WindowFlags flags = FOwner->windowFlags() & ~Qt::WindowType_Mask;
    FOwner->setWindowFlags(flags | (tool ? Qt::Tool : Qt::Window));
    FOwner->setAttribute(Qt::WA_QuitOnClose, quitOnClose);
    if (visible)
        FOwner->show();
}

void TTrayIcon::RaiseMouse(TMouseButton button, TShiftState shift, bool withUp) {
    const QPoint at = QCursor::pos();
    // A handler may end this component (closing the window that owns it).
    QPointer<TTrayIcon> alive(this);
    if (OnMouseDown)
        OnMouseDown(this, button, shift, at.x(), at.y());
    if (withUp && alive && OnMouseUp)
        OnMouseUp(this, button, shift, at.x(), at.y());
}

void TTrayIcon::HandleActivation(QSystemTrayIcon::ActivationReason reason) {
    try {
        switch (reason) {
        case QSystemTrayIcon::Trigger:
            RaiseMouse(TMouseButton::Left, TShiftStateBit::Left, true);
            break;
        case QSystemTrayIcon::DoubleClick: {
            QPointer<TTrayIcon> alive(this);
            if (OnDblClick)
                OnDblClick(this);
            if (alive)
                RaiseMouse(TMouseButton::Left, TShiftStateBit::Double, false);
            break;
        }
        case QSystemTrayIcon::Context:
            RaiseMouse(TMouseButton::Right, TShiftStateBit::Right, true);
            break;
        case QSystemTrayIcon::MiddleClick:
            RaiseMouse(TMouseButton::Middle, TShiftStateBit::Middle, true);
            break;
        default:
            break;
        }
    } catch (const std::exception& error) {
        // The click came through the tray's own event handling: the exception stops here.
        ShowIconError(error);
    }
}
