#pragma once
// TTrayIcon: the calendar's icon in the notification area (tray), with the application
// title as its tip, reporting clicks on it as mouse events. While it is enabled the owner
// window has no taskbar button and minimising hides it into the tray.
//
// The icon counts as enabled only while a tray host runs: without one, minimising falls
// back to the ordinary minimise, so the window never disappears beyond the user's reach.
// Whether a host runs is asked at each use. On X the component also watches the host come
// and go (TTrayHostWatcher): the X11 tray's "MANAGER" message and its selection window's
// end, and the StatusNotifierItem watcher on the session bus. A host that starts later then
// takes the window off the taskbar; a host that goes away while the window hides in it
// brings the window back.
//
// The QSystemTrayIcon is made only when a host runs: Qt chooses between the session bus
// tray and the X11 tray when the first one is made and keeps that choice, so an icon made
// before a StatusNotifierItem host starts would never show in it.

#include <QFlags>
#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

#include <exception>
#include <functional>
#include <string>

class QWidget;

enum class TMouseButton { Left, Right, Middle };
// The shift state of a mouse event: the keys and buttons held, and whether it is the second
// click of a double click, as a set of these flags.
enum class TShiftStateBit : unsigned { Shift = 1, Alt = 2, Ctrl = 4, Left = 8, Right = 16, Middle = 32, Double = 64 };
using TShiftState = QFlags<TShiftStateBit>;
Q_DECLARE_OPERATORS_FOR_FLAGS(TShiftState)

using TTrayNotifyEvent = std::function<void(QObject* sender)>;
using TTrayMouseEvent = std::function<void(QObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TTrayMouseMoveEvent = std::function<void(QObject* sender, TShiftState shift, int x, int y)>;

// The tip shows at most this many bytes of the text in code page 932 (TextColumns).
constexpr size_t MaxTipBytes = 63;
// The longest start of text, in whole characters, whose TextColumns is at most MaxTipBytes.
std::string CutTipText(const std::string& text);

enum class TNotifyAction { Add, Modify, Delete };

class TTrayIcon : public QObject {
public:
    explicit TTrayIcon(QWidget* owner);
    // Takes the icon out of the notification area first.
    ~TTrayIcon() override;
    TTrayIcon(const TTrayIcon&) = delete;
    TTrayIcon& operator=(const TTrayIcon&) = delete;

    const QIcon& Icon() const { return FIcon; }
    // Empty: the application's icon (or, without one, the calendar's own small page).
    void SetIcon(const QIcon& icon);
    const std::string& Text() const { return FText; }
    // The tip text; changes the tip in place while the icon is shown.
    void SetText(const std::string& text);
    // Asked for, and a tray host runs to show the icon in.
    bool Enabled() const;
    bool EnabledWanted() const { return FEnabled; }
    void SetEnabled(bool value);
    // The icon was handed to the tray (an add or a modify that was not undone by a delete);
    // without a host it shows once one starts.
    bool Added() const { return FAdded; }
    // The QSystemTrayIcon is made: a host ran at some point since this component was made.
    bool TrayMade() const { return FTray != nullptr; }

    TTrayNotifyEvent OnDblClick;
    // The tray host went away while the owner was hidden in it; without a handler the owner
    // is shown minimised. The calendar brings its papers back with it here.
    TTrayNotifyEvent OnHostLost;
    TTrayMouseMoveEvent OnMouseMove;
    TTrayMouseEvent OnMouseDown;
    TTrayMouseEvent OnMouseUp;

    void NotifyIcon(TNotifyAction action);
    // Enabled: hides the owner window into the tray; otherwise minimises it.
    void MinimizeOwner();
    // Takes the owner off the taskbar while enabled and puts it back otherwise. Call it
    // before showing the owner again.
    void UpdateAppButton();

    // A tray host came or went: the taskbar button follows, and an owner hidden in a tray
    // that is gone comes back (OnHostLost).
    void TrayHostChanged();

    // A click on the icon as the tray reports it, turned into the mouse events; handler
    // exceptions are shown to the user and go no further.
    void HandleActivation(QSystemTrayIcon::ActivationReason reason);

    // The tip as the tray shows it, and the icon it shows.
    QString ShownTip() const;
    QIcon ShownIcon() const;

    // Tests replace the question whether a tray host runs; nullptr asks the tray again.
    using TTrayProbe = bool (*)();
    static TTrayProbe SetTrayProbe(TTrayProbe probe);
    // Where an exception that a handler raised is shown; the program puts its standard
    // exception display here. The default shows the message in a message box (on the
    // offscreen platform, on standard error). Returns the display it replaces.
    using TExceptionDisplay = void (*)(const std::exception& error);
    static TExceptionDisplay SetExceptionDisplay(TExceptionDisplay display);

private:
    // Makes the QSystemTrayIcon when a host runs; whether it is made.
    bool MakeTray();
    void RaiseMouse(TMouseButton button, TShiftState shift, bool withUp);

    QPointer<QWidget> FOwner;
    QSystemTrayIcon* FTray = nullptr;
    QIcon FIcon;
    std::string FText;
    bool FEnabled = false;
    bool FAdded = false;
    bool FHiddenInTray = false;
};
