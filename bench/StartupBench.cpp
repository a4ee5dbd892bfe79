// The calendar as a user meets it, in a private Xvfb: the time from launch to the first
// painted main window, the memory it then holds, the processor time it takes while nobody
// touches it, and one step of carrying a loose paper (pointer moved → window moved) with
// and without a compositing manager. gsimplecal, a small GTK calendar, is started the same
// way in the same run for comparison, and so is the floor: a bare Qt window that draws a
// few words in the page's fonts (quillo_bare_qt_window), against which the calendar's
// ratio is given.
//
// The benchmark talks to the X server itself through xcb: it watches the root window for
// new windows and reads a new window's pixels until they show a painted picture (more than
// a handful of colours), so "painted" means visible on the screen, not merely mapped.
// QUILLO_PROGRAM and GSIMPLECAL override the programs' paths (default: app/quillo of
// this build tree and /usr/bin/gsimplecal).

#include <benchmark/benchmark.h>

#include <xcb/xcb.h>

#include <QCoreApplication>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/LocalRadicale.h"
#include "sync/SyncSettings.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct TFreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using TReply = std::unique_ptr<T, TFreeDeleter>;

std::string EnvironmentOr(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    return value && *value ? value : fallback;
}

// Starts argv in a session of its own with env as its whole environment; output is dropped.
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, int keepFd = -1) {
    std::vector<char*> args, vars;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    for (const auto& v : env)
        vars.push_back(const_cast<char*>(v.c_str()));
    args.push_back(nullptr);
    vars.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        setsid();
        const int devNull = open("/dev/null", O_RDWR);
        dup2(devNull, 0);
        dup2(devNull, 1);
        dup2(devNull, 2);
        for (int fd = 3; fd < 256; ++fd)
            if (fd != keepFd)
                close(fd);
        execve(args[0], args.data(), vars.data());
        _exit(127);
    }
    if (pid < 0)
        throw std::runtime_error("fork failed");
    return pid;
}

// Asks the process to end and waits for it; kills it when it takes longer than 3 s.
void EndChild(pid_t pid) {
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    const auto deadline = Clock::now() + 3s;
    while (Clock::now() < deadline) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        std::this_thread::sleep_for(2ms);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// Runs a short command to its end (at most 5 s); true when it ended with status 0.
bool RunToEnd(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    const pid_t pid = Spawn(argv, env);
    const auto deadline = Clock::now() + 5s;
    while (Clock::now() < deadline) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        std::this_thread::sleep_for(1ms);
    }
    EndChild(pid);
    return false;
}

// A private Xvfb (free display via -displayfd, white root), optionally with xcompmgr, a
// temporary home for the programs, and an xcb connection that watches the root window.
class TXServer {
public:
    // dpi: the Xft.dpi resource set before any program starts, as a scaled desktop sets it
    // (192 gives the calendar a device pixel ratio of 2); 0 leaves it unset.
    explicit TXServer(bool compositor, int dpi = 0) {
        char pattern[] = "/tmp/quillo-bench-XXXXXX";
        if (!mkdtemp(pattern))
            throw std::runtime_error("mkdtemp failed");
        FFolder = pattern;
        int fds[2];
        if (pipe(fds) != 0)
            throw std::runtime_error("pipe failed");
        // The screen keeps the logical size of a 1024 × 768 desktop at every dpi.
        const int scale = std::max(1, dpi / 96);
        const std::string size = std::to_string(1024 * scale) + "x" + std::to_string(768 * scale) + "x24";
        FProcesses.push_back(Spawn({"/usr/bin/Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", size,
                                    "-nolisten", "tcp", "-noreset", "-wr"},
                                   BaseEnvironment(), fds[1]));
        close(fds[1]);
        std::string number;
        char c;
        pollfd waitFor{fds[0], POLLIN, 0};
        while (poll(&waitFor, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (number.empty())
            throw std::runtime_error("Xvfb reported no display");
        FDisplay = ":" + number;
        if (dpi > 0)
            SetDpi(dpi);
        FConnection = xcb_connect(FDisplay.c_str(), nullptr);
        if (xcb_connection_has_error(FConnection))
            throw std::runtime_error("no X connection");
        FRoot = xcb_setup_roots_iterator(xcb_get_setup(FConnection)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(FConnection, FRoot, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(FConnection);
        if (compositor) {
            FProcesses.push_back(Spawn({"/usr/bin/xcompmgr"}, Environment()));
            WaitForCompositor();
        }
        std::filesystem::create_directories(FFolder + "/config/vellomar");
        std::ofstream(FFolder + "/config/vellomar/registry.ini")
            << "[software\\Vellomar\\quillo\\DATA]\r\nPATH=" << FFolder << "/data\r\n";
    }
    ~TXServer() {
        xcb_disconnect(FConnection);
        for (auto it = FProcesses.rbegin(); it != FProcesses.rend(); ++it)
            EndChild(*it);
        std::error_code ignored;
        std::filesystem::remove_all(FFolder, ignored);
    }
    TXServer(const TXServer&) = delete;
    TXServer& operator=(const TXServer&) = delete;

    xcb_connection_t* Connection() const { return FConnection; }
    xcb_window_t Root() const { return FRoot; }
    // The data folder of the calendars started here, with a closing slash.
    std::string DataPath() const { return FFolder + "/data/"; }

    void SetDpi(int dpi) {
        char pattern[] = "/tmp/quillo-bench-dpi-XXXXXX";
        const int fd = mkstemp(pattern);
        if (fd < 0)
            throw std::runtime_error("mkstemp failed");
        const std::string resource = "Xft.dpi: " + std::to_string(dpi) + "\n";
        const bool written = write(fd, resource.data(), resource.size()) == static_cast<ssize_t>(resource.size());
        close(fd);
        auto env = BaseEnvironment();
        env.push_back("DISPLAY=" + FDisplay);
        const bool merged = written && RunToEnd({"/usr/bin/xrdb", "-merge", pattern}, env);
        unlink(pattern);
        if (!merged)
            throw std::runtime_error("xrdb could not set Xft.dpi");
    }

    std::vector<std::string> Environment() const {
        auto env = BaseEnvironment();
        for (const char* sub : {"config", "share", "runtime"})
            std::filesystem::create_directories(FFolder + "/" + sub);
        std::filesystem::permissions(FFolder + "/runtime", std::filesystem::perms::owner_all);
        env.push_back("DISPLAY=" + FDisplay);
        env.push_back("HOME=" + FFolder);
        env.push_back("XDG_CONFIG_HOME=" + FFolder + "/config");
        env.push_back("XDG_DATA_HOME=" + FFolder + "/share");
        env.push_back("XDG_RUNTIME_DIR=" + FFolder + "/runtime");
        return env;
    }

    // The next event within the time left, or null.
    TReply<xcb_generic_event_t> NextEvent(Clock::time_point deadline) {
        for (;;) {
            if (auto* event = xcb_poll_for_event(FConnection))
                return TReply<xcb_generic_event_t>(event);
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0)
                return nullptr;
            pollfd waitFor{xcb_get_file_descriptor(FConnection), POLLIN, 0};
            poll(&waitFor, 1, static_cast<int>(left.count()));
        }
    }
    void DropEvents() {
        xcb_flush(FConnection);
        while (auto* event = xcb_poll_for_event(FConnection))
            std::free(event);
    }

    // Waits for the first newly mapped top-level window of at least 50 × 50 pixels other
    // than except, and then for its pixels to show a painted picture. 0 on timeout.
    // MappedAt() then tells when the window was mapped.
    xcb_window_t WaitPainted(Clock::duration timeout, xcb_window_t except = 0) {
        const auto deadline = Clock::now() + timeout;
        xcb_window_t window = 0;
        while (!window) {
            auto event = NextEvent(deadline);
            if (!event)
                return 0;
            if ((event->response_type & 0x7F) != XCB_MAP_NOTIFY)
                continue;
            const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event.get());
            const auto size = Geometry(map->window);
            if (map->window != except && size.width >= 50 && size.height >= 50)
                window = map->window;
        }
        FMappedAt = Clock::now();
        while (Clock::now() < deadline) {
            if (Painted(window))
                return window;
            std::this_thread::sleep_for(500us);
        }
        return 0;
    }

    Clock::time_point MappedAt() const { return FMappedAt; }

    xcb_get_geometry_reply_t Geometry(xcb_window_t window) {
        TReply<xcb_get_geometry_reply_t> reply(
            xcb_get_geometry_reply(FConnection, xcb_get_geometry(FConnection, window), nullptr));
        return reply ? *reply : xcb_get_geometry_reply_t{};
    }

    void WarpPointer(int x, int y) {
        xcb_warp_pointer(FConnection, XCB_NONE, FRoot, 0, 0, 0, 0, static_cast<int16_t>(x), static_cast<int16_t>(y));
        xcb_flush(FConnection);
    }

private:
    static std::vector<std::string> BaseEnvironment() {
        return {"PATH=/usr/bin:/bin", "LC_ALL=C.UTF-8", "QT_QPA_PLATFORM=xcb", "GDK_BACKEND=x11", "NO_AT_BRIDGE=1"};
    }

    // A window counts as painted once its pixels hold more than eight colours: an
    // unpainted window is one flat colour, a calendar shows text and lines.
    bool Painted(xcb_window_t window) {
        const auto size = Geometry(window);
        TReply<xcb_get_image_reply_t> image(xcb_get_image_reply(
            FConnection,
            xcb_get_image(FConnection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0, size.width, size.height, ~0u),
            nullptr));
        if (!image || size.width == 0)
            return false;
        const auto* pixels = reinterpret_cast<const uint32_t*>(xcb_get_image_data(image.get()));
        const int count = xcb_get_image_data_length(image.get()) / 4;
        std::set<uint32_t> colors;
        for (int i = 0; i < count && colors.size() <= 8; i += 7)
            colors.insert(pixels[i] & 0xFFFFFF);
        return colors.size() > 8;
    }

    void WaitForCompositor() {
        TReply<xcb_intern_atom_reply_t> atom(
            xcb_intern_atom_reply(FConnection, xcb_intern_atom(FConnection, 0, 13, "_NET_WM_CM_S0"), nullptr));
        const auto deadline = Clock::now() + 10s;
        while (atom && Clock::now() < deadline) {
            TReply<xcb_get_selection_owner_reply_t> owner(
                xcb_get_selection_owner_reply(FConnection, xcb_get_selection_owner(FConnection, atom->atom), nullptr));
            if (owner && owner->owner)
                return;
            std::this_thread::sleep_for(5ms);
        }
        throw std::runtime_error("xcompmgr did not start");
    }

    std::string FFolder;
    std::string FDisplay;
    std::vector<pid_t> FProcesses;
    xcb_connection_t* FConnection = nullptr;
    xcb_window_t FRoot = 0;
    Clock::time_point FMappedAt;
};

// The median and the 90th percentile of samples, as benchmark counters in ms or µs.
void ReportSpread(benchmark::State& state, std::vector<double> samples, const std::string& unit) {
    if (samples.empty())
        return;
    std::sort(samples.begin(), samples.end());
    state.counters["median_" + unit] = samples[samples.size() / 2];
    state.counters["p90_" + unit] = samples[samples.size() * 9 / 10];
}

TXServer& PlainServer() {
    static TXServer server(false);
    return server;
}

// Resident memory in MB and the processor time used so far in ms, from /proc.
double ResidentMb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}
double CpuMs(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
        if (i == 14 || i == 15)
            ticks += std::stol(field);  // utime, stime
    return ticks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The calendar of this build tree: app/quillo beside the bench folder.
std::string Quillo() {
    static const std::string built =
        (std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "app" / "quillo").string();
    return EnvironmentOr("QUILLO_PROGRAM", built.c_str());
}
std::string Gsimplecal() { return EnvironmentOr("GSIMPLECAL", "/usr/bin/gsimplecal"); }
// The floor: a bare Qt window drawing a few words in the page's fonts, beside this program.
std::string BareQt() {
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "quillo_bare_qt_window").string();
}

struct TLaunched {
    pid_t Pid = 0;
    xcb_window_t Window = 0;  // the first painted window
};

// Starts program and waits for its first painted window. Pid 0, with the benchmark marked
// as failed, when the program is missing or shows nothing within 20 s.
TLaunched LaunchPainted(benchmark::State& state, TXServer& x, const std::string& program,
                        const std::vector<std::string>& extraEnvironment = {}) {
    if (access(program.c_str(), X_OK) != 0) {
        state.SkipWithError(("not installed: " + program).c_str());
        return {};
    }
    x.DropEvents();
    std::vector<std::string> environment = x.Environment();
    environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());
    const pid_t pid = Spawn({program}, environment);
    if (const xcb_window_t window = x.WaitPainted(20s))
        return {pid, window};
    EndChild(pid);
    state.SkipWithError(("no painted window within 20 s: " + program).c_str());
    return {};
}

// Launch → first painted main window, each launch a fresh process of the same home; the
// counters give the spread and how long the launch took to the window's mapping alone.
void BM_StartUp(benchmark::State& state, std::string (*program)()) {
    std::vector<double> paintedMs, mappedMs;
    for (auto _ : state) {
        const auto start = Clock::now();
        const pid_t pid = LaunchPainted(state, PlainServer(), program()).Pid;
        const auto painted = Clock::now();
        if (!pid)
            return;
        EndChild(pid);
        paintedMs.push_back(std::chrono::duration<double, std::milli>(painted - start).count());
        mappedMs.push_back(std::chrono::duration<double, std::milli>(PlainServer().MappedAt() - start).count());
        state.SetIterationTime(paintedMs.back() / 1000.0);
    }
    ReportSpread(state, paintedMs, "ms");
    ReportSpread(state, mappedMs, "mapped_ms");
}
BENCHMARK_CAPTURE(BM_StartUp, quillo, Quillo)->Iterations(12)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StartUp, gsimplecal, Gsimplecal)->Iterations(12)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StartUp, bare_qt, BareQt)->Iterations(12)->UseManualTime()->Unit(benchmark::kMillisecond);

// The calendar against the bare Qt floor, launched in turn so that both see the same
// machine: the ratio of their median times to the first paint (goal: at most 1.1).
void BM_StartUpOverBareQt(benchmark::State& state) {
    std::vector<double> calendarMs, bareMs;
    for (auto _ : state) {
        double total = 0;
        for (auto [program, samples] : {std::pair{Quillo(), &calendarMs}, std::pair{BareQt(), &bareMs}}) {
            const auto start = Clock::now();
            const pid_t pid = LaunchPainted(state, PlainServer(), program).Pid;
            const auto painted = Clock::now();
            if (!pid)
                return;
            EndChild(pid);
            samples->push_back(std::chrono::duration<double, std::milli>(painted - start).count());
            total += samples->back();
        }
        state.SetIterationTime(total / 1000.0);
    }
    std::sort(calendarMs.begin(), calendarMs.end());
    std::sort(bareMs.begin(), bareMs.end());
    const double calendar = calendarMs[calendarMs.size() / 2], bare = bareMs[bareMs.size() / 2];
    state.counters["calendar_median_ms"] = calendar;
    state.counters["bare_qt_median_ms"] = bare;
    state.counters["ratio"] = calendar / bare;
}
BENCHMARK(BM_StartUpOverBareQt)->Iterations(12)->UseManualTime()->Unit(benchmark::kMillisecond);

// The calendar with memo sync on against a local Radicale (Debian's python3-radicale on a
// free loopback port) and off, launched in turn in one home: the pass starts after the
// first paint, so the two medians should not differ beyond the spread.
void BM_StartUpWithSync(benchmark::State& state) {
    static int argc = 1;
    static char name[] = "quillo_startup_bench";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
    TLocalRadicale server;
    TSyncSettings settings;
    settings.ServerUrl = server.Root();
    settings.UserName = TLocalRadicale::User;
    settings.CollectionUrl = server.NewCollection("bench");
    if (settings.CollectionUrl.empty())
        return state.SkipWithError("Radicale did not start");
    TXServer& x = PlainServer();
    std::vector<double> offMs, onMs;
    for (auto _ : state) {
        double total = 0;
        for (auto [enabled, samples] : {std::pair{false, &offMs}, std::pair{true, &onMs}}) {
            std::filesystem::create_directories(x.DataPath());
            settings.Enabled = enabled;
            SaveSyncSettings(x.DataPath(), settings);
            const auto start = Clock::now();
            const pid_t pid =
                LaunchPainted(state, x, Quillo(), {std::string("QUILLO_SYNC_PASSWORD=") + TLocalRadicale::Password})
                    .Pid;
            const auto painted = Clock::now();
            if (!pid)
                break;
            std::this_thread::sleep_for(300ms);  // the pass runs before the next launch
            EndChild(pid);
            samples->push_back(std::chrono::duration<double, std::milli>(painted - start).count());
            total += samples->back();
        }
        state.SetIterationTime(total / 1000.0);
    }
    // The benchmarks after this one find the calendar without sync, as it starts for most.
    SaveSyncSettings(x.DataPath(), TSyncSettings{});
    if (offMs.empty() || onMs.empty())
        return;
    std::sort(offMs.begin(), offMs.end());
    std::sort(onMs.begin(), onMs.end());
    state.counters["sync_off_median_ms"] = offMs[offMs.size() / 2];
    state.counters["sync_on_median_ms"] = onMs[onMs.size() / 2];
    state.counters["on_over_off"] = onMs[onMs.size() / 2] / offMs[offMs.size() / 2];
}
BENCHMARK(BM_StartUpWithSync)->Iterations(12)->UseManualTime()->Unit(benchmark::kMillisecond);

// Resident memory one second after the first paint, and processor time over the next
// three seconds of nobody touching the program.
void BM_ResidentAndIdle(benchmark::State& state, std::string (*program)()) {
    for (auto _ : state) {
        const pid_t pid = LaunchPainted(state, PlainServer(), program()).Pid;
        if (!pid)
            return;
        std::this_thread::sleep_for(1s);
        state.counters["resident_MB"] = ResidentMb(pid);
        const double before = CpuMs(pid);
        std::this_thread::sleep_for(3s);
        state.counters["idle_cpu_ms_per_s"] = (CpuMs(pid) - before) / 3.0;
        EndChild(pid);
        state.SetIterationTime(1);
    }
}
BENCHMARK_CAPTURE(BM_ResidentAndIdle, quillo, Quillo)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_ResidentAndIdle, gsimplecal, Gsimplecal)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_ResidentAndIdle, bare_qt, BareQt)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// One step of carrying a loose paper: the pointer moves 4 logical pixels (alternately right
// and left) and the paper window follows; timed from the pointer move to the window's
// ConfigureNotify. The tear is made like a user's: press in the page, pull down. After the
// release the processor time of two quiet seconds is counted too. At a dpi of 192 the
// calendar draws at a device pixel ratio of 2 and every distance on the screen doubles.
void BM_PaperDragStep(benchmark::State& state, bool compositor, int dpi) {
    TXServer x(compositor, dpi);
    const int scale = dpi > 0 ? std::max(1, dpi / 96) : 1;
    const auto env = x.Environment();
    const auto [pid, main] = LaunchPainted(state, x, Quillo());
    if (!pid)
        return;
    const auto at = x.Geometry(main);
    int px = at.x + 30 * scale, py = at.y + 60 * scale;
    RunToEnd({"/usr/bin/xdotool", "mousemove", "--sync", std::to_string(px), std::to_string(py), "mousedown", "1"},
             env);
    x.DropEvents();
    for (int step = 1; step <= 20; ++step) {
        x.WarpPointer(px, py + step * 8 * scale);
        std::this_thread::sleep_for(15ms);
    }
    py += 160 * scale;
    px += 200 * scale;
    x.WarpPointer(px, py);
    const xcb_window_t paper = x.WaitPainted(5s, main);
    std::this_thread::sleep_for(1500ms);  // let the swing die down
    if (!paper) {
        state.SkipWithError("no paper came off the page");
    } else {
        int direction = 4 * scale;
        std::vector<double> stepUs;
        for (auto _ : state) {
            x.DropEvents();
            px += direction;
            direction = -direction;
            const auto start = Clock::now();
            x.WarpPointer(px, py);
            bool moved = false;
            while (!moved) {
                auto event = x.NextEvent(start + 1s);
                if (!event)
                    break;
                if ((event->response_type & 0x7F) == XCB_CONFIGURE_NOTIFY)
                    moved = reinterpret_cast<xcb_configure_notify_event_t*>(event.get())->window == paper;
            }
            const auto done = Clock::now();
            if (!moved) {
                state.SkipWithError("the paper did not follow the pointer within 1 s");
                break;
            }
            stepUs.push_back(std::chrono::duration<double, std::micro>(done - start).count());
            state.SetIterationTime(stepUs.back() / 1e6);
            std::this_thread::sleep_for(2ms);
        }
        ReportSpread(state, stepUs, "us");
    }
    RunToEnd({"/usr/bin/xdotool", "mouseup", "1"}, env);
    // Once released, the paper lies still: its swing timer must be stopped.
    std::this_thread::sleep_for(500ms);
    const double before = CpuMs(pid);
    std::this_thread::sleep_for(2s);
    state.counters["idle_after_release_cpu_ms_per_s"] = (CpuMs(pid) - before) / 2.0;
    EndChild(pid);
}
BENCHMARK_CAPTURE(BM_PaperDragStep, region_window, false, 0)
    ->Iterations(200)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PaperDragStep, per_pixel_alpha, true, 0)
    ->Iterations(200)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PaperDragStep, region_window_ratio2, false, 192)
    ->Iterations(200)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PaperDragStep, per_pixel_alpha_ratio2, true, 192)
    ->Iterations(200)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace
