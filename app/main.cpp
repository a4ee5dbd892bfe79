// The calendar program: the process-wide objects in their order, the application with its
// exception display, the main window and the event loop. Every way of ending the run
// (closing the main window, its menu, SIGTERM, SIGHUP, SIGINT, the end of the desktop
// session) runs the main window's saving once before the loop ends.

#include <QApplication>
#include <QDesktopServices>
#include <QUrl>
#include <QSessionManager>
#include <QSocketNotifier>

#include <csignal>
#include <cstdlib>
#include <exception>
#include <fcntl.h>
#include <unistd.h>

#include "almanac/Almanac.h"
#include "graphics/Canvas.h"
#include "graphics/GraphicSource.h"
#include "graphics/QtText.h"
#include "storage/FileUtils.h"
#include "storage/AppGlobals.h"
#include "storage/ColorScheme.h"
#include "storage/MemoStore.h"
#include "ui/FmQuillo.h"
#include "ui/FormFunc.h"
#include "ui/TaskBarIcon.h"
#include "ui/PageRenderer.h"

namespace {

// The application whose event delivery never lets an exception reach Qt's own frames:
// the message is shown and the loop goes on.
class TQuilloApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& error) {
            ShowExceptionMessage(error);
        } catch (...) {
            ShowExceptionMessage(std::runtime_error("unknown exception"));
        }
        return false;
    }
};

// The write end of the pipe through which the signal handler wakes the event loop.
int SignalPipe[2] = {-1, -1};

void OnTerminationSignal(int signalNumber) {
    const char byte = static_cast<char>(signalNumber);
    [[maybe_unused]] ssize_t ignored = write(SignalPipe[1], &byte, 1);
}

bool InstallTerminationSignals() {
    if (pipe2(SignalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : {SIGTERM, SIGHUP, SIGINT})
        sigaction(signalNumber, &action, nullptr);
    return true;
}

// The calendar places its windows at absolute screen positions, which only X11 allows:
// under a Wayland session it runs through XWayland when that is there.
void PreferXWayland() {
    QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    bool askedForWayland = platform.isEmpty() || platform.startsWith("wayland");
    if (askedForWayland && !qgetenv("WAYLAND_DISPLAY").isEmpty() && !qgetenv("DISPLAY").isEmpty())
        qputenv("QT_QPA_PLATFORM", "xcb");
}

// Saves through the main window once, then ends the loop.
void SaveAndQuit() {
    if (TFmQuillo* main = MainWindow())
        main->SaveAtExit();
    QCoreApplication::quit();
}

} // namespace

int main(int argc, char** argv) {
    PreferXWayland();
    TQuilloApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    InstallFontSubstitutions();
    // The desktop's "open" for files, web and mail addresses goes through Qt's desktop services.
    SetShellOpenHandler([](const std::string& target) { QDesktopServices::openUrl(QUrl::fromUserInput(QtText(target))); });
    TTaskBarIcon::SetExceptionDisplay(ShowExceptionMessage);

    CreateAlmanac();
    CreateAppGlobals();
    CreateColorScheme();
    CreateMemoStore();
    CreatePageRenderer();
    CreateGraphicSource();

    int result = EXIT_FAILURE;
    try {
        auto mainWindow = std::make_unique<TFmQuillo>();

        std::unique_ptr<QSocketNotifier> signalNotifier;
        if (InstallTerminationSignals()) {
            signalNotifier = std::make_unique<QSocketNotifier>(SignalPipe[0], QSocketNotifier::Read);
            QObject::connect(signalNotifier.get(), &QSocketNotifier::activated, [] {
                char bytes[16];
                while (read(SignalPipe[0], bytes, sizeof bytes) > 0) {
                }
                SaveAndQuit();
            });
        }
        // The end of the desktop session: every window's behaviour component runs its end of
        // session (the main window's saving among them), then the loop ends.
        QObject::connect(&application, &QGuiApplication::commitDataRequest, [](QSessionManager&) {
            BroadcastEndSession();
            SaveAndQuit();
        });
        QObject::connect(&application, &QCoreApplication::aboutToQuit, [] {
            if (TFmQuillo* main = MainWindow())
                main->SaveAtExit();
        });

        mainWindow->show();
        result = application.exec();
        mainWindow.reset();
    } catch (const std::exception& error) {
        ShowExceptionMessage(error);
    }

    DestroyGraphicSource();
    DestroyPageRenderer();
    DestroyMemoStore();
    DestroyColorScheme();
    DestroyAppGlobals();
    FreeAlmanac();
    return result;
}
