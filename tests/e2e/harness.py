"""A private X server per test, the programs under test started inside it, and the small
set of reads and gestures the end-to-end tests need.

Everything here has a timeout, and every process started is ended again by a context
manager, also when a test fails half-way. Only the Python standard library and the X
utilities of the test machine (Xvfb, xdotool, xwininfo, xcompmgr, trayer) are used.
"""

import contextlib
import ctypes
import datetime
import os
import re
import select
import shutil
import signal
import subprocess
import tempfile
import time

SCREEN_WIDTH = 1024
SCREEN_HEIGHT = 768
COMMAND_TIMEOUT = 10  # seconds for any single X utility call
DESKTOP_COLOUR = "#2a5d8f"


_LIBC = ctypes.CDLL(None, use_errno=True)
_PR_SET_PDEATHSIG = 1


def _die_with_parent():
    """Runs in each child before exec: when the test process is killed (a ctest timeout),
    its X server and programs end with it instead of living on."""
    _LIBC.prctl(_PR_SET_PDEATHSIG, signal.SIGTERM)


class HarnessError(Exception):
    """The environment could not be set up or a wait ran out."""


@contextlib.contextmanager
def watchdog(seconds):
    """Raises HarnessError in the main thread when the block runs longer than seconds, so
    that a stuck test still ends through its clean-up rather than by being killed."""
    def expire(signum, frame):
        raise HarnessError(f"the test ran longer than {seconds} s")

    previous = signal.signal(signal.SIGALRM, expire)
    signal.alarm(seconds)
    try:
        yield
    finally:
        signal.alarm(0)
        signal.signal(signal.SIGALRM, previous)


def wait_until(condition, timeout, what, interval=0.02):
    """Polls condition() until it returns something true and returns that value;
    HarnessError naming what after timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise HarnessError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


def _end_process(proc, grace=3):
    """Asks a process (and the group it leads) to end, then kills it after grace seconds."""
    if proc is None or proc.poll() is not None:
        return
    with contextlib.suppress(ProcessLookupError):
        os.killpg(proc.pid, signal.SIGTERM)
    try:
        proc.wait(timeout=grace)
    except subprocess.TimeoutExpired:
        with contextlib.suppress(ProcessLookupError):
            os.killpg(proc.pid, signal.SIGKILL)
        proc.wait(timeout=grace)


class Window:
    """A top-level window as the X server reports it: id, name and geometry in screen
    pixels."""

    def __init__(self, wid, name, x, y, width, height):
        self.wid, self.name = wid, name
        self.x, self.y, self.width, self.height = x, y, width, height

    def contains(self, px, py):
        return self.x <= px < self.x + self.width and self.y <= py < self.y + self.height

    def __repr__(self):
        return f"Window({self.wid:#x} {self.name!r} {self.width}x{self.height}+{self.x}+{self.y})"


# One child line of `xwininfo -root -children -int`:
#      4194352 "xmessage": ("xmessage" "Xmessage")  62x52+100+100  +100+100
_CHILD_LINE = re.compile(
    r'^\s+(\d+) (?:"(.*)"|\(has no name\)): \((?:"[^"]*" "[^"]*")?\)\s+'
    r'(\d+)x(\d+)\+(-?\d+)\+(-?\d+)\s+\+(-?\d+)\+(-?\d+)\s*$')


class XSession:
    """An Xvfb on a free display (found with -displayfd), optionally with the compositing
    manager xcompmgr and the tray host trayer, plus a private temporary home. dpi sets the
    X resource Xft.dpi before any program starts: Qt takes dpi / 96 as the device pixel
    ratio (192: 2, 144: 1.5)."""

    def __init__(self, compositor=False, tray=False, width=SCREEN_WIDTH, height=SCREEN_HEIGHT,
                 dpi=None):
        self.compositor, self.tray, self.dpi = compositor, tray, dpi
        self.width, self.height = width, height
        self.processes = []
        self.display = None
        self.folder = None

    def __enter__(self):
        try:
            self._start()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()

    def _start(self):
        self.folder = tempfile.mkdtemp(prefix="quillo-e2e-")
        self.log_path = os.path.join(self.folder, "x.log")
        self._log = open(self.log_path, "wb")
        read_end, write_end = os.pipe()
        try:
            xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                 f"{self.width}x{self.height}x24", "-nolisten", "tcp", "-noreset"],
                pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=self._log,
                stderr=self._log, start_new_session=True, preexec_fn=_die_with_parent)
        finally:
            os.close(write_end)
        self.processes.append(xvfb)
        number = b""
        deadline = time.monotonic() + COMMAND_TIMEOUT
        with os.fdopen(read_end, "rb", buffering=0) as pipe:
            while not number.endswith(b"\n"):
                left = deadline - time.monotonic()
                if left <= 0 or xvfb.poll() is not None:
                    raise HarnessError("Xvfb did not report its display number")
                ready, _, _ = select.select([pipe], [], [], left)
                if ready:
                    chunk = pipe.read(16)
                    if not chunk:
                        raise HarnessError("Xvfb closed -displayfd without a number")
                    number += chunk
        self.display = ":" + number.decode().strip()
        if self.dpi is not None:
            subprocess.run(["xrdb", "-merge"], input=f"Xft.dpi: {self.dpi}\n".encode(),
                           env=self.environment(self.folder), stdout=self._log,
                           stderr=self._log, timeout=COMMAND_TIMEOUT, check=True)
        if self.compositor:
            # xcompmgr paints a grey desktop of its own.
            self.start_helper(["xcompmgr"])
            wait_until(lambda: self.root_children(named="xcompmgr"), COMMAND_TIMEOUT,
                       "xcompmgr to own the compositing selection")
        else:
            # A desktop of one colour that no window paints, so that a pixel shows whether
            # a window covers it. (display exits with status 1 after setting the root.)
            subprocess.run(["/usr/bin/display", "-window", "root", "-size", "16x16",
                            "xc:" + DESKTOP_COLOUR], env=self.environment(self.folder),
                           stdout=self._log, stderr=self._log, timeout=COMMAND_TIMEOUT,
                           check=False)
        if self.tray:
            self.start_helper(["trayer", "--edge", "bottom", "--align", "right",
                               "--widthtype", "pixel", "--width", "120", "--height", "26"])
            wait_until(lambda: self.root_children(named="panel"), COMMAND_TIMEOUT,
                       "trayer's panel")

    @property
    def scale(self):
        """The device pixel ratio that programs in this session draw for."""
        return (self.dpi or 96) / 96

    def device(self, logical):
        """Device pixels of a length of logical pixels, rounded as Qt rounds window sizes."""
        return int(logical * self.scale + 0.5)

    def close(self):
        for proc in reversed(self.processes):
            _end_process(proc)
        self.processes.clear()
        if getattr(self, "_log", None):
            self._log.close()
        if self.folder and not os.environ.get("QUILLO_E2E_KEEP"):
            shutil.rmtree(self.folder, ignore_errors=True)

    def environment(self, home):
        """The environment of a program started in this session: the display, and HOME and
        the XDG folders inside home, so that no test reaches the user's real files."""
        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("XDG_", "WAYLAND_", "DBUS_", "QT_", "SESSION_MANAGER"))}
        runtime = os.path.join(home, "runtime")
        for sub in ("config", "share", "runtime"):
            os.makedirs(os.path.join(home, sub), exist_ok=True)
        os.chmod(runtime, 0o700)
        env.update(DISPLAY=self.display, HOME=home,
                   XDG_CONFIG_HOME=os.path.join(home, "config"),
                   XDG_DATA_HOME=os.path.join(home, "share"),
                   XDG_RUNTIME_DIR=runtime, QT_QPA_PLATFORM="xcb", LC_ALL="C.UTF-8")
        return env

    def start_helper(self, argv, env=None, pipes=False, output=None):
        """Starts a program that ends with the session. With pipes its standard input and
        output are pipes; else its standard output goes to the file output when given, and
        otherwise with its errors to the session's log."""
        out = subprocess.PIPE if pipes else open(output, "ab") if output else self._log
        try:
            proc = subprocess.Popen(argv, env=env or self.environment(self.folder),
                                    stdin=subprocess.PIPE if pipes else subprocess.DEVNULL,
                                    stdout=out, stderr=self._log,
                                    start_new_session=True, preexec_fn=_die_with_parent)
        finally:
            if output and not pipes:
                out.close()
        self.processes.append(proc)
        return proc

    # --- reading the screen -------------------------------------------------------

    def x_command(self, *argv, check=True):
        """Runs an X utility on this display and returns its standard output as text."""
        result = subprocess.run(argv, env=self.environment(self.folder), capture_output=True,
                                timeout=COMMAND_TIMEOUT, check=False)
        if check and result.returncode != 0:
            raise HarnessError(f"{' '.join(argv)} failed: {result.stderr.decode(errors='replace')}")
        return result.stdout.decode("utf-8", errors="replace")

    def root_children(self, named=None):
        """The direct children of the root window, in stacking order, the top-most first
        (as xwininfo lists them)."""
        windows = []
        for line in self.x_command("xwininfo", "-root", "-children", "-int").splitlines():
            match = _CHILD_LINE.match(line)
            if match:
                wid, name, w, h, x, y = match.group(1, 2, 3, 4, 5, 6)
                windows.append(Window(int(wid), name or "", int(x), int(y), int(w), int(h)))
        if named is not None:
            windows = [w for w in windows if w.name == named]
        return windows

    def stacked_above(self, upper, lower):
        """Whether window upper lies above window lower (ids) in the stacking order."""
        order = [w.wid for w in self.root_children()]
        return order.index(upper) < order.index(lower)

    def visible_windows(self, pid=None, window_class=None):
        """The viewable top-level windows of a process (by _NET_WM_PID) or of a class."""
        argv = ["xdotool", "search", "--onlyvisible"]
        argv += ["--pid", str(pid)] if pid is not None else ["--class", window_class]
        ids = {int(i) for i in self.x_command(*argv, check=False).split()}
        return [w for w in self.root_children() if w.wid in ids]

    def pointer(self):
        out = self.x_command("xdotool", "getmouselocation", "--shell")
        values = dict(line.split("=", 1) for line in out.split())
        return int(values["X"]), int(values["Y"])

    def pixels(self, x, y, width, height):
        """The screen's pixels in a rectangle as rows of (r, g, b), read with import."""
        data = subprocess.run(
            ["/usr/bin/import", "-silent", "-window", "root", "-crop",
             f"{width}x{height}+{x}+{y}", "-depth", "8", "rgb:-"],
            env=self.environment(self.folder), capture_output=True,
            timeout=COMMAND_TIMEOUT, check=True).stdout
        if len(data) != width * height * 3:
            raise HarnessError(f"import returned {len(data)} bytes for {width}x{height}")
        return [[tuple(data[(r * width + c) * 3:(r * width + c) * 3 + 3]) for c in range(width)]
                for r in range(height)]

    # --- driving the pointer ------------------------------------------------------

    def move(self, x, y):
        # --sync waits for the pointer to leave its place, so it would wait forever when
        # the pointer is already at (x, y).
        if self.pointer() != (x, y):
            self.x_command("xdotool", "mousemove", "--sync", str(x), str(y))

    def press(self, x, y, button=1):
        self.move(x, y)
        self.x_command("xdotool", "mousedown", str(button))

    def release(self, button=1):
        self.x_command("xdotool", "mouseup", str(button))

    def click(self, x, y, button=1):
        self.press(x, y, button)
        self.release(button)

    def drag_path(self, points, pause=0.03):
        """Moves the pointer through points with a pause after each, as a hand would."""
        for x, y in points:
            self.move(x, y)
            time.sleep(pause)


def steps(start, end, count):
    """count evenly spaced points after start up to and including end."""
    (x0, y0), (x1, y1) = start, end
    return [(x0 + (x1 - x0) * i // count, y0 + (y1 - y0) * i // count)
            for i in range(1, count + 1)]


# --- pictures at a device pixel ratio ----------------------------------------------

# A pixel differs from the reference when a channel differs by more than this; at most this
# share of the pixels may differ (font rasterisation is not bit-stable).
CHANNEL_TOLERANCE = 32
MAX_DIFFERING_SHARE = 0.005
# A step between neighbouring device pixels at least this large (in one colour channel) is
# an edge drawn at device resolution; a picture stretched twofold keeps every such step
# between 2 × 2 blocks, never inside one.
SHARP_STEP = 96


def rgb_rows(data, width, height):
    """Bytes of packed 8-bit RGB as rows of (r, g, b)."""
    return [[tuple(data[(r * width + c) * 3:(r * width + c) * 3 + 3]) for c in range(width)]
            for r in range(height)]


def differing(shown, expected):
    """How many pixels of two pictures differ by more than CHANNEL_TOLERANCE."""
    return sum(max(abs(a - b) for a, b in zip(p, q)) > CHANNEL_TOLERANCE
               for row_s, row_e in zip(shown, expected) for p, q in zip(row_s, row_e))


def sharp_blocks(rows):
    """The aligned 2 × 2 blocks with a sharp step between two of their own pixels."""
    count = 0
    for r in range(0, len(rows) - 1, 2):
        for c in range(0, len(rows[r]) - 1, 2):
            a, b, d = rows[r][c], rows[r][c + 1], rows[r + 1][c]
            if max(abs(p - q) for p, q in zip(a, b)) >= SHARP_STEP or \
               max(abs(p - q) for p, q in zip(a, d)) >= SHARP_STEP:
                count += 1
    return count


# --- the calendar's files ---------------------------------------------------------

def today_day_number():
    """Today as the calendar counts days: whole days since 1899-12-30, local time."""
    return (datetime.date.today() - datetime.date(1899, 12, 30)).days


def read_profile(path):
    """A profile (INI) file as {section: {key: value}} with lower-case names: Shift_JIS
    text, or UTF-16 after its byte-order mark; {} when the file is missing."""
    sections = {}
    if not os.path.exists(path):
        return sections
    current = None
    with open(path, "rb") as f:
        data = f.read()
    text = data[2:].decode("utf-16-le", errors="replace") if data[:2] == b"\xff\xfe" else \
        data.decode("cp932", errors="replace")
    for raw in text.splitlines():
        line = raw.strip()
        if line.startswith("[") and line.endswith("]"):
            current = sections.setdefault(line[1:-1].lower(), {})
        elif "=" in line and current is not None:
            key, value = line.split("=", 1)
            current.setdefault(key.strip().lower(), value)
    return sections


def write_profile(path, sections):
    """Writes {section: {key: value}} as a Shift_JIS profile file with CR LF line ends, or as
    UTF-16 after its byte-order mark when Shift_JIS cannot hold it, as the calendar does."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    lines = []
    for section, entries in sections.items():
        lines.append(f"[{section}]")
        lines += [f"{key}={value}" for key, value in entries.items()]
    text = "\r\n".join(lines) + "\r\n"
    try:
        data = text.encode("cp932")
    except UnicodeEncodeError:
        data = b"\xff\xfe" + text.encode("utf-16-le")
    with open(path, "wb") as f:
        f.write(data)


class Calendar:
    """The calendar program started in an XSession with its own home and data folder.

    The data folder is chosen through the per-user store ("DATA"/"PATH"), so that the
    program run from the build tree keeps its files in the test's folder and not beside
    itself."""

    MAIN_SIZE = (130, 151)

    def __init__(self, session, program, home=None, data=None):
        self.session, self.program = session, program
        self.home = home or tempfile.mkdtemp(prefix="home-", dir=session.folder)
        self.data = data or os.path.join(self.home, "data")
        self.proc = None
        self.record_data_folder()

    def record_data_folder(self):
        """Makes this calendar's data folder the one the next start in its home uses."""
        write_profile(self.registry_path(), {"software\\Vellomar\\quillo\\DATA": {"PATH": self.data}})

    def registry_path(self):
        env = self.session.environment(self.home)
        return os.path.join(env["XDG_CONFIG_HOME"], "vellomar", "registry.ini")

    def settings_path(self):
        return os.path.join(self.data, "application.ini")

    def paper_path(self, index):
        return os.path.join(self.data, "PAPERS", f"{index:02d}")

    def settings(self):
        return read_profile(self.settings_path())

    def write_settings(self, sections):
        write_profile(self.settings_path(), sections)

    def launch(self, env=None):
        """Starts the program without waiting for anything; its output goes to the log.
        env: changes to the session's environment (None as a value removes the name)."""
        self.log = open(os.path.join(self.home, "program.log"), "ab")
        self.proc = subprocess.Popen([self.program], env=self.environment(env),
                                     cwd=self.home, stdin=subprocess.DEVNULL,
                                     stdout=self.log, stderr=self.log, start_new_session=True,
                                     preexec_fn=_die_with_parent)
        self.session.processes.append(self.proc)
        return self.proc

    def start(self, timeout=15):
        """Starts the program and waits until its main window is mapped."""
        self.launch()
        return wait_until(self.main_window, timeout, "the main window")

    def environment(self, changes=None):
        env = self.session.environment(self.home)
        for name, value in (changes or {}).items():
            if value is None:
                env.pop(name, None)
            else:
                env[name] = value
        return env

    def run_to_end(self, timeout=5, env=None):
        """Runs another start of the program in this calendar's home until it ends and
        returns (exit status, seconds taken, standard error as text); HarnessError when it
        does not end within timeout seconds."""
        began = time.monotonic()
        proc = subprocess.Popen([self.program], env=self.environment(env), cwd=self.home,
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE, start_new_session=True,
                                preexec_fn=_die_with_parent)
        self.session.processes.append(proc)
        try:
            _, err = proc.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            _end_process(proc, grace=1)
            raise HarnessError(f"the program did not end within {timeout} s") from None
        return proc.returncode, time.monotonic() - began, err.decode("utf-8", errors="replace")

    def stop(self, sig=signal.SIGTERM, timeout=10):
        """Sends sig and returns the exit status; kills the program if it does not end."""
        self.proc.send_signal(sig)
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            _end_process(self.proc, grace=1)
            raise HarnessError(f"the program did not end within {timeout} s of signal {sig}")
        finally:
            self.log.close()

    def wait_end(self, timeout=10):
        """Waits for the program to end by itself and returns its exit status."""
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            _end_process(self.proc, grace=1)
            raise HarnessError(f"the program did not end within {timeout} s")
        finally:
            self.log.close()

    def log_text(self):
        with open(os.path.join(self.home, "program.log"), "rb") as f:
            return f.read().decode(errors="replace")

    def windows(self):
        return self.session.visible_windows(pid=self.proc.pid)

    def main_window(self):
        size = tuple(self.session.device(side) for side in self.MAIN_SIZE)
        found = [w for w in self.windows() if (w.width, w.height) == size]
        return found[0] if found else None

    def papers(self):
        """The program's visible paper windows (captioned "FmPaper")."""
        return [w for w in self.windows() if w.name == "FmPaper"]

    def other_windows(self):
        """Visible windows that are neither the main window nor papers: menus, dialogs."""
        main = self.main_window()
        return [w for w in self.windows()
                if w.name != "FmPaper" and (main is None or w.wid != main.wid)]

    def settled(self, wid, timeout=5):
        """The window once its geometry stopped changing for 0.3 s."""
        last = [None, time.monotonic()]

        def still():
            now = [w for w in self.windows() if w.wid == wid]
            geometry = (now[0].x, now[0].y, now[0].width, now[0].height) if now else None
            if geometry != last[0]:
                last[:] = [geometry, time.monotonic()]
                return None
            return now[0] if now and time.monotonic() - last[1] >= 0.3 else None

        return wait_until(still, timeout, f"window {wid:#x} to come to rest")

    def wait_papers(self, count, timeout=5):
        """Waits until exactly count paper windows are visible and returns them."""
        found = []

        def settled():
            found[:] = self.papers()
            return len(found) == count

        try:
            wait_until(settled, timeout, f"{count} paper windows")
        except HarnessError as error:
            raise HarnessError(f"{error}; last seen: {found}") from None
        return found
