"""The desktops' own compositors, headless, each with its Xwayland: GNOME's mutter, KDE's
kwin_wayland and sway, as Debian 12 ships them. A CompositorSession stands where an XSession
stands for the calendar's tests: its display is the compositor's Xwayland.

The compositor runs as an unprivileged user (sway and KWin refuse or fail as root): the
test's own user, or, when the tests run as root, the system user "quillo-e2e", made here
when it is missing. Anything that cannot be started raises CompositorUnavailable with the
reason, which the tests turn into a skip with that message.
"""

import contextlib
import os
import pwd
import re
import shutil
import signal
import struct
import subprocess
import tempfile
import time

from harness import COMMAND_TIMEOUT, HarnessError, XSession, _die_with_parent, _end_process, wait_until

WIDTH, HEIGHT = 1280, 800
TEST_USER = "quillo-e2e"
START_TIMEOUT = 15  # seconds for a compositor and its Xwayland to come up

HERE = os.path.dirname(os.path.abspath(__file__))


class CompositorUnavailable(Exception):
    """The compositor cannot run on this machine; the message says why."""


def _run_as():
    """(uid, gid) the compositors run as; made when the tests run as root."""
    if os.getuid() != 0:
        return os.getuid(), os.getgid()
    try:
        entry = pwd.getpwnam(TEST_USER)
    except KeyError:
        made = subprocess.run(["useradd", "--system", "--user-group", "--no-create-home",
                               "--home-dir", "/nonexistent", "--shell", "/usr/sbin/nologin",
                               TEST_USER], capture_output=True, timeout=COMMAND_TIMEOUT)
        if made.returncode != 0:
            raise CompositorUnavailable(f"cannot make the user {TEST_USER}: "
                                        f"{made.stderr.decode(errors='replace').strip()}")
        entry = pwd.getpwnam(TEST_USER)
    # Xwayland makes its socket there as the compositor's user.
    os.makedirs("/tmp/.X11-unix", exist_ok=True)
    os.chown("/tmp/.X11-unix", 0, 0)
    os.chmod("/tmp/.X11-unix", 0o1777)
    return entry.pw_uid, entry.pw_gid


# The program each compositor starts once its Xwayland is up; it records the environment the
# compositor gives its clients (Xwayland's display and its authority file among them), and
# stays as long as the record does (mutter ends with its command; sway's commands run in a
# session of their own, which ending sway would not end).
ENVIRONMENT_RECORDER = """#!/bin/sh
env > "$1.part" && mv "$1.part" "$1"
while [ -e "$1" ]; do sleep 0.2; done
"""


class Compositor:
    """How one compositor is started: the command line for a folder, its environment, and
    how long its Xwayland takes at most."""

    def __init__(self, name, program, argv, env=None, copy_binary=False):
        self.name, self.program, self.argv = name, program, argv
        self.env, self.copy_binary = env or {}, copy_binary

    def command(self, folder, recorder, record):
        program = shutil.which(self.program)
        if program is None:
            raise CompositorUnavailable(f"{self.program} is not installed (scripts/install-deps)")
        if self.copy_binary:
            # /usr/bin/kwin_wayland carries a file capability that an unprivileged container
            # may refuse to execute; a plain copy runs. Its Qt platform plugin only loads
            # in a program named kwin_wayland.
            os.makedirs(os.path.join(folder, "bin"), exist_ok=True)
            copy = os.path.join(folder, "bin", self.program)
            shutil.copyfile(program, copy)
            os.chmod(copy, 0o755)
            program = copy
        return [part.format(program=program, folder=folder, recorder=recorder, record=record,
                            width=WIDTH, height=HEIGHT) for part in self.argv]


COMPOSITORS = {
    "mutter": Compositor(
        "mutter", "mutter",
        ["dbus-run-session", "--", "{program}", "--headless", "--wayland",
         "--virtual-monitor", "{width}x{height}", "--", "{recorder}", "{record}"]),
    "kwin": Compositor(
        "kwin", "kwin_wayland",
        ["dbus-run-session", "--", "{program}", "--virtual", "--xwayland",
         "--width", "{width}", "--height", "{height}", "{recorder} {record}"],
        env={"KWIN_SCREENSHOT_NO_PERMISSION_CHECKS": "1", "KWIN_XKB_DEFAULT_KEYMAP": "1"},
        copy_binary=True),
    "sway": Compositor(
        "sway", "sway", ["dbus-run-session", "--", "{program}", "-c", "{folder}/sway.config"],
        env={"WLR_BACKENDS": "headless", "WLR_RENDERER": "pixman", "WLR_LIBINPUT_NO_DEVICES": "1"}),
}

SWAY_CONFIG = """output HEADLESS-1 mode {width}x{height} position 0 0
xwayland enable
exec {recorder} {record}
"""


class CompositorSession(XSession):
    """A headless compositor on its own Wayland socket, with its Xwayland as the display
    of the programs started in the session; sway_lines are added to sway's configuration."""

    def __init__(self, name, sway_lines=()):
        super().__init__(width=WIDTH, height=HEIGHT)
        self.compositor_name = name
        self.sway_lines = sway_lines
        self.compositor_env = {}
        self.uid = self.gid = None
        self.compositor_group = self.record = None

    def _start(self):
        compositor = COMPOSITORS[self.compositor_name]
        self.uid, self.gid = _run_as()
        self.folder = tempfile.mkdtemp(prefix=f"quillo-{compositor.name}-")
        self.log_path = os.path.join(self.folder, "x.log")
        self._log = open(self.log_path, "wb")
        # The compositor's own folder: its runtime folder (Wayland socket, Xwayland's
        # authority file) and the record of its environment.
        own = os.path.join(self.folder, "compositor")
        os.makedirs(own, mode=0o700)
        recorder = os.path.join(own, "record-environment")
        with open(recorder, "w") as f:
            f.write(ENVIRONMENT_RECORDER)
        os.chmod(recorder, 0o755)
        record = os.path.join(own, "environment")
        with open(os.path.join(own, "sway.config"), "w") as f:
            f.write(SWAY_CONFIG.format(width=WIDTH, height=HEIGHT, recorder=recorder, record=record))
            f.writelines(line + "\n" for line in self.sway_lines)
        argv = compositor.command(own, recorder, record)
        for path in [own] + [os.path.join(own, f) for f in os.listdir(own)]:
            os.chown(path, self.uid, self.gid)
        os.chmod(self.folder, 0o755)
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": own,
               "XDG_RUNTIME_DIR": own, "LC_ALL": "C.UTF-8", **compositor.env}
        as_user = {} if self.uid == os.getuid() else {"user": self.uid, "group": self.gid,
                                                      "extra_groups": []}
        proc = subprocess.Popen(argv, env=env, cwd=own, stdin=subprocess.DEVNULL,
                                stdout=self._log, stderr=self._log, start_new_session=True,
                                preexec_fn=_die_with_parent, **as_user)
        self.processes.append(proc)
        self.compositor_group, self.record = proc.pid, record
        deadline = time.monotonic() + START_TIMEOUT
        while not os.path.exists(record):
            if proc.poll() is not None or time.monotonic() > deadline:
                self._log.flush()
                with open(self.log_path, "rb") as f:
                    tail = f.read().decode(errors="replace").strip().splitlines()[-6:]
                why = "ended" if proc.poll() is not None else f"gave no display in {START_TIMEOUT} s"
                raise CompositorUnavailable(f"{compositor.program} {why}: " + " | ".join(tail))
            time.sleep(0.05)
        with open(record) as f:
            for line in f:
                name, _, value = line.rstrip("\n").partition("=")
                self.compositor_env[name] = value
        self.display = self.compositor_env.get("DISPLAY")
        if not self.display:
            raise CompositorUnavailable(f"{compositor.program} started no Xwayland")
        self.wayland_socket = os.path.join(own, self.compositor_env.get("WAYLAND_DISPLAY", "wayland-0"))
        if self.uid != os.getuid():
            # KWin's and sway's Xwayland admit only their own user; the tests' user too.
            self.as_compositor_user(["xhost", f"+si:localuser:{pwd.getpwuid(os.getuid()).pw_name}"])
        wait_until(lambda: self.x_command("xdpyinfo", check=False), COMMAND_TIMEOUT,
                   "Xwayland to answer")

    def close(self):
        """Ends the session's programs, the compositor's whole process group (KWin and its
        Xwayland may outlive dbus-run-session's end) and the recorder."""
        with contextlib.suppress(FileNotFoundError, TypeError):
            os.remove(self.record)
        super().close()
        if self.compositor_group:
            with contextlib.suppress(ProcessLookupError):
                os.killpg(self.compositor_group, signal.SIGKILL)
            self.compositor_group = None

    def environment(self, home):
        """A program's environment in this Wayland session: Xwayland's display and authority,
        the compositor's Wayland socket (the calendar chooses XWayland itself), and the
        private home of XSession.environment."""
        env = super().environment(home)
        env.pop("QT_QPA_PLATFORM", None)
        if "XAUTHORITY" in self.compositor_env:
            env["XAUTHORITY"] = self.compositor_env["XAUTHORITY"]
        env["WAYLAND_DISPLAY"] = self.wayland_socket
        return env

    def as_compositor_user(self, argv, timeout=COMMAND_TIMEOUT, extra_env=None):
        """Runs argv as the compositor's user on its session bus; returns its output."""
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "LC_ALL": "C.UTF-8",
               **{k: v for k, v in self.compositor_env.items()
                  if k in ("DBUS_SESSION_BUS_ADDRESS", "DISPLAY", "XAUTHORITY", "SWAYSOCK",
                           "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR")},
               **(extra_env or {})}
        as_user = {} if self.uid == os.getuid() else {"user": self.uid, "group": self.gid,
                                                      "extra_groups": []}
        result = subprocess.run(argv, env=env, capture_output=True, timeout=timeout,
                                check=False, cwd="/", **as_user)
        if result.returncode != 0:
            raise HarnessError(f"{' '.join(argv)} failed: {result.stderr.decode(errors='replace')}")
        return result.stdout

    # --- pictures of the screen -------------------------------------------------------

    def can_take_pictures(self):
        """KWin and sway show their screen to tests (ScreenShot2, grim); mutter alone does
        not (its screenshots live in gnome-shell)."""
        return self.compositor_name in ("kwin", "sway")

    def pixels(self, x, y, width, height):
        """The composed screen's pixels in a rectangle as rows of (r, g, b)."""
        if self.compositor_name == "sway":
            ppm = self.as_compositor_user(["grim", "-t", "ppm", "-g", f"{x},{y} {width}x{height}", "-"])
            return _ppm_rows(ppm, width, height)
        if self.compositor_name == "kwin":
            raw = self.as_compositor_user(["/usr/bin/python3", os.path.join(HERE, "kwin_screenshot.py")],
                                          timeout=20)
            return _workspace_rows(raw, x, y, width, height)
        raise HarnessError(f"{self.compositor_name} takes no screenshots")

    def stacking(self):
        """The managed windows from the bottom up, as the window manager lists them."""
        out = self.x_command("xprop", "-root", "-notype", "_NET_CLIENT_LIST_STACKING")
        _, _, ids = out.partition("#")
        return [int(i, 16) for i in ids.replace(",", " ").split()]

    def on_every_workspace(self, wid):
        """Whether the window manager keeps the window on every workspace (_NET_WM_DESKTOP
        0xFFFFFFFF)."""
        out = self.x_command("xprop", "-id", str(wid), "-notype", "_NET_WM_DESKTOP")
        return out.strip().endswith("= 4294967295")

    def states(self, wid):
        """The window manager's states of a window (_NET_WM_STATE), as atom names."""
        out = self.x_command("xprop", "-id", str(wid), "-notype", "_NET_WM_STATE")
        _, _, names = out.partition("=")
        return {n.strip() for n in names.split(",") if n.strip()}


def _ppm_rows(data, width, height):
    """A binary PPM (P6, maxval 255, as grim writes it) as rows of (r, g, b)."""
    header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", data)
    if not header or (int(header[1]), int(header[2])) != (width, height):
        raise HarnessError(f"grim gave {data[:20]!r} for {width}x{height}")
    pixels = data[header.end():]
    return [[tuple(pixels[(r * width + c) * 3:(r * width + c) * 3 + 3]) for c in range(width)]
            for r in range(height)]


def _workspace_rows(raw, x, y, width, height):
    """KWin's workspace picture (a header of width, height, stride and then rows of
    B, G, R, A bytes, see kwin_screenshot.py) cut to a rectangle, as rows of (r, g, b)."""
    full_width, full_height, stride = struct.unpack("<III", raw[:12])
    body = raw[12:]
    if x + width > full_width or y + height > full_height:
        raise HarnessError(f"the workspace is {full_width}x{full_height}")
    rows = []
    for r in range(y, y + height):
        line = body[r * stride:r * stride + full_width * 4]
        rows.append([(line[c * 4 + 2], line[c * 4 + 1], line[c * 4]) for c in range(x, x + width)])
    return rows


@contextlib.contextmanager
def coloured_window(session, colour, x, y, width, height):
    """An X window of one colour at (x, y) that the window manager may stack and raise:
    xlogo drawn in one colour on the same. Yields its window id."""
    proc = session.start_helper(["xlogo", "-title", "coloured", "-bg", colour, "-fg", colour,
                                 "-geometry", f"{width}x{height}+{x}+{y}"])
    try:
        found = wait_until(lambda: session.x_command("xdotool", "search", "--onlyvisible", "--name",
                                                     "^coloured$", check=False).split(),
                           COMMAND_TIMEOUT, "the coloured window")
        yield int(found[0])
    finally:
        _end_process(proc)
