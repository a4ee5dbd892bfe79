// The calendar program: the X display check, the application with its exception display,
// the process-wide objects in their order, one running copy per data folder, the main
// window and the event loop. Every way of ending the run (closing the main window, its
// menu, SIGTERM, SIGHUP, SIGINT, the end of the desktop session) runs the main window's
// saving once before the loop ends; the exit status is 1 when a file could not be saved
// or start-up failed.

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QUrl>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fcntl.h>
#include <fontconfig/fontconfig.h>
#include <future>
#include <memory>
#include <stdexcept>
#include <unistd.h>
#include <vector>

#include "almanac/Almanac.h"
#include "graphics/Canvas.h"
#include "graphics/GraphicSource.h"
#include "graphics/QtText.h"
#include "platform/SingleInstance.h"
#include "platform/XDisplayCheck.h"
#include "storage/AppGlobals.h"
#include "storage/ColorScheme.h"
#include "storage/DateUtils.h"
#include "storage/Exception.h"
#include "storage/FileUtils.h"
#include "storage/MemoStore.h"
#include "storage/PaperFile.h"
#include "storage/Text.h"
#include "ui/Autostart.h"
#include "ui/DrawnButtonAccessible.h"
#include "ui/ErrorDisplay.h"
#include "ui/MainWindow.h"
#include "ui/TrayIcon.h"
#include "ui/WindowBehaviour.h"

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

// The process-wide objects, created in their order and released in reverse, also when one
// further on, or the main window, fails to come into being.
class TProcessWideObjects {
public:
    TProcessWideObjects() = default;
    ~TProcessWideObjects() {
        while (!FDestroyers.empty()) {
            FDestroyers.back()();
            FDestroyers.pop_back();
        }
    }
    TProcessWideObjects(const TProcessWideObjects&) = delete;
    TProcessWideObjects& operator=(const TProcessWideObjects&) = delete;

    void Create(void (*create)(), void (*destroy)()) {
        create();
        FDestroyers.push_back(destroy);
    }

private:
    std::vector<void (*)()> FDestroyers;
};

// How long a later start waits for the running copy to answer; within the two seconds in
// which a user who started the calendar twice expects to see it.
constexpr int RunningCopyAnswerMs = 1500;

// The end of the run that nobody watches (a termination signal, the end of the desktop
// session): no message box may hold the exit up, so errors go to standard error; every
// file is still tried, and the exit status says whether all were saved.
void SaveAndQuitUnattended() {
    SetErrorDisplay(TErrorDisplay::StandardErrorOnly);
    if (HasMainWindow())
        MainWindow().SaveAtExit();
    QCoreApplication::quit();
}

// Start-up after the application object, the event loop and the end. Every failure is an
// exception that main shows; objects holds what was created so far.
int Run(TQuilloApplication& application, TProcessWideObjects& objects, int skyYear, std::future<TYearSky> sky) {
    objects.Create(CreateAlmanac, DestroyAlmanac);
    Almanac().ExpectSky(skyYear, std::move(sky));
    objects.Create(CreateAppGlobals, DestroyAppGlobals);
    // Nothing is read from or written to a data folder that is not there to take it: the
    // user's files may lie on a mount that is missing right now.
    AppGlobals().CheckDataFolder();

    TSingleInstance instance(QtPath(AppGlobals().DataDir()));
    if (instance.Claim() == TSingleInstance::TRole::AnotherRuns) {
        if (instance.AskRunningCopyToComeForward(RunningCopyAnswerMs))
            return EXIT_SUCCESS;
        throw Exception("データフォルダ " + AppGlobals().DataDir() + " を使っている日めくり暦が応答しません");
    }

    objects.Create(CreateColorScheme, DestroyColorScheme);
    objects.Create(CreateMemoStore, DestroyMemoStore);
    objects.Create(CreateGraphicSource, DestroyGraphicSource);

    objects.Create(CreateMainWindow, DestroyMainWindow);
    // A later start on this data folder: the window comes forward, also out of the tray,
    // with its papers.
    instance.OnComeForward = [] {
        if (HasMainWindow())
            MainWindow().RestoreFromTray();
    };
    // Once the page is on the screen: later starts are answered, and the temporary files of
    // a run that ended between writing one and putting it in place go (they hold nothing the
    // files beside them lack; only the copy that holds the lock may remove them).
    MainWindow().OnStartedUp = [&instance] {
        instance.Listen();
        RemoveAtomicWriteLeftovers(AppGlobals().DataDir());
        RemoveAtomicWriteLeftovers(PaperFolder(AppGlobals().DataPath()));
    };

    std::unique_ptr<QSocketNotifier> signalNotifier;
    if (InstallTerminationSignals()) {
        signalNotifier = std::make_unique<QSocketNotifier>(SignalPipe[0], QSocketNotifier::Read);
        QObject::connect(signalNotifier.get(), &QSocketNotifier::activated, [] {
            char bytes[16];
            while (read(SignalPipe[0], bytes, sizeof bytes) > 0) {
            }
            SaveAndQuitUnattended();
        });
    }
    // The end of the desktop session: the main window saves, then every other window's
    // behaviour component runs its end of session, then the loop ends.
    QObject::connect(&application, &QGuiApplication::commitDataRequest, [](QSessionManager&) {
        SetErrorDisplay(TErrorDisplay::StandardErrorOnly);
        if (HasMainWindow())
            MainWindow().SaveAtExit();
        BroadcastEndSession();
        SaveAndQuitUnattended();
    });
    QObject::connect(&application, &QCoreApplication::aboutToQuit, [] {
        if (HasMainWindow())
            MainWindow().SaveAtExit();
    });

    MainWindow().show();
    int result = application.exec();
    // Whichever way the run ended, the saving has run by now.
    bool allSaved = MainWindow().SaveAtExit();
    // The window goes before the single-copy lock and the signal pipe it answers.
    DestroyMainWindow();
    return allSaved ? result : EXIT_FAILURE;
}

}  // namespace

int main(int argc, char** argv) {
    PreferXWayland();
    // Without an X display Qt would abort; the calendar says why and ends instead.
    auto display = std::make_unique<TXDisplayCheck>(argc, argv);
    if (!display->Problem().empty()) {
        std::fprintf(stderr, "%s\n", display->Problem().c_str());
        return EXIT_FAILURE;
    }
    // Pages, papers and buttons are drawn for the screen's exact device pixel ratio, so a
    // desktop at 150 % gets a calendar drawn at 1.5 rather than one rounded to 2 and
    // scaled down (or to 1 and stretched). QT_SCALE_FACTOR_ROUNDING_POLICY still overrides
    // this. It must be set before the application object exists.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    // While Qt connects to the display, a thread of its own reads the font configuration
    // (which Qt then finds ready) and gets the solar terms and lunar months of the page's
    // year, most likely this year: from the table made when the program was built, or
    // worked out there for a year outside it.
    const int skyYear = YmdOf(Today()).Year;
    std::future<TYearSky> sky = std::async(std::launch::async, [skyYear] {
        FcInit();
        return SkyOfYear(skyYear);
    });
    TQuilloApplication application(argc, argv);
    display.reset();
    // One ID for the menu entry, the icon and the window class (WM_CLASS "quillo", ID) of every window.
    QGuiApplication::setDesktopFileName(ApplicationId);
    QCoreApplication::setApplicationName(ApplicationId);
    application.setQuitOnLastWindowClosed(false);
    InstallFontSubstitutions();
    // Screen readers and other assistive tools see the drawn buttons as push buttons.
    InstallDrawnButtonAccessibility();
    // The desktop's "open" for files, web and mail addresses goes through Qt's desktop services.
    SetShellOpenHandler(
        [](const std::string& target) { QDesktopServices::openUrl(QUrl::fromUserInput(QtText(target))); });
    TTrayIcon::SetExceptionDisplay(ShowExceptionMessage);

    // Declared before the guarded part, so that an error is shown while the objects made
    // so far (the settings among them) still exist, and they are released after it.
    TProcessWideObjects objects;
    try {
        return Run(application, objects, skyYear, std::move(sky));
    } catch (const std::exception& error) {
        ShowExceptionMessage(error);
        return EXIT_FAILURE;
    }
}
