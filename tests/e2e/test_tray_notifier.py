"""The tray on the session bus: a StatusNotifierItem host that starts after the calendar.

ctest runs this module inside dbus-run-session, so that the calendar and the stand-in
watcher (notifier_watcher.py, run with Debian's /usr/bin/python3 for python3-dbus) share a
private session bus; QUILLO_PROGRAM names the program.
"""

import os
import subprocess
import time
import unittest

from harness import Calendar, XSession, wait_until, watchdog

PROGRAM = os.environ.get("QUILLO_PROGRAM", "")
BUS = os.environ.get("DBUS_SESSION_BUS_ADDRESS", "")
SYSTEM_PYTHON = "/usr/bin/python3"
WATCHER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "notifier_watcher.py")
MINIMISE_BUTTON = (96, 14)  # inside the main window
TEST_SECONDS = 40
REGISTRATION_SECONDS = 2  # the most the calendar may take to register once the watcher runs


def system_python_has_dbus():
    return os.access(SYSTEM_PYTHON, os.X_OK) and subprocess.run(
        [SYSTEM_PYTHON, "-c", "import dbus, gi"], capture_output=True, check=False).returncode == 0


class NotifierTrayTest(unittest.TestCase):
    def setUp(self):
        if not os.access(PROGRAM, os.X_OK):
            self.skipTest(f"no program at {PROGRAM!r}")
        if not BUS:
            self.skipTest("no session bus: run under dbus-run-session")
        if not system_python_has_dbus():
            self.skipTest(f"{SYSTEM_PYTHON} cannot import dbus (python3-dbus)")
        self.enterContext(watchdog(TEST_SECONDS))
        self.x = self.enterContext(XSession())
        self.app = Calendar(self.x, PROGRAM)
        self.record = os.path.join(self.x.folder, "watcher.txt")

    def start_calendar(self, bus):
        self.app.launch(env={"DBUS_SESSION_BUS_ADDRESS": bus})
        return wait_until(self.app.main_window, 15, "the main window")

    def start_watcher(self, *options):
        proc = self.x.start_helper([SYSTEM_PYTHON, WATCHER, self.record, *options],
                                   env=self.app.environment({"DBUS_SESSION_BUS_ADDRESS": BUS}))
        wait_until(lambda: "ready" in self.records(), 10, "the watcher on the session bus")
        return proc

    def records(self, kind=None):
        """The watcher's record lines, or the arguments of those of one kind ("item")."""
        if not os.path.exists(self.record):
            return []
        with open(self.record, encoding="utf-8") as f:
            lines = f.read().splitlines()
        if kind is None:
            return lines
        return [line.split()[1:] for line in lines if line.split()[0] == kind]

    def window_property(self, wid, name):
        return self.x.x_command("xprop", "-id", str(wid), name, check=False)

    def on_taskbar(self, wid):
        """A normal window; a tool (utility) window has no taskbar button."""
        return "_NET_WM_WINDOW_TYPE_UTILITY" not in self.window_property(wid, "_NET_WM_WINDOW_TYPE")

    def watch_root_requests(self):
        """Starts writing the client messages sent to the root window to a file; returns
        its path."""
        path = os.path.join(self.x.folder, "root-events.txt")
        self.x.start_helper(["stdbuf", "-oL", "xev", "-root", "-event", "structure"], output=path)
        time.sleep(0.3)  # xev selects its events when it starts
        return path

    def iconify_requested(self, path):
        with open(path, encoding="utf-8", errors="replace") as f:
            return "(WM_CHANGE_STATE)" in f.read()

    def minimise(self):
        main = self.app.main_window()
        self.x.click(main.x + MINIMISE_BUTTON[0], main.y + MINIMISE_BUTTON[1])

    def test_a_watcher_that_starts_later_takes_the_icon_and_gives_the_window_back_when_it_ends(self):
        main = self.start_calendar(BUS)
        self.assertTrue(self.on_taskbar(main.wid))

        # No host yet: minimising asks the window manager to iconify the window (there is
        # none here, so it stays mapped) and keeps its taskbar button.
        requests = self.watch_root_requests()
        self.minimise()
        wait_until(lambda: self.iconify_requested(requests), 5, "the window's request to be iconified")
        self.assertIsNotNone(self.app.main_window(), "the window was hidden without a tray")
        self.assertTrue(self.on_taskbar(main.wid))
        self.assertEqual(self.records(), [])

        watcher = self.start_watcher()
        began = time.monotonic()
        items = wait_until(lambda: self.records("item"), REGISTRATION_SECONDS,
                           "the calendar's StatusNotifierItem registered with the watcher")
        took = time.monotonic() - began
        self.assertEqual(len(items), 1, self.records())
        self.assertTrue(items[0][0], "the item named no service")
        self.assertLess(took, REGISTRATION_SECONDS)
        wait_until(lambda: not self.on_taskbar(self.app.main_window().wid), 5,
                   "the window off the taskbar while the tray runs")

        # Minimising now hides the window into the tray.
        self.minimise()
        wait_until(lambda: not self.app.windows(), 5, "the main window hidden in the tray")

        # The watcher ends: its name leaves the bus and the window comes back.
        watcher.terminate()
        watcher.wait(timeout=5)
        back = wait_until(self.app.main_window, 5, "the main window back without a tray")
        self.assertTrue(self.on_taskbar(back.wid))
        self.assertEqual(self.app.stop(), 0, self.app.log_text())

    def test_a_watcher_whose_host_registers_later_gets_the_item_then(self):
        # Qt takes the bus tray only when the watcher says a host is registered: a tray made
        # when the bare watcher appeared would be the X11 tray, for good.
        self.start_calendar(BUS)
        self.start_watcher("--host-after", "1")
        wait_until(lambda: "host-registered" in self.records(), 5, "the host registered")
        began = time.monotonic()
        wait_until(lambda: self.records("item"), REGISTRATION_SECONDS,
                   "the calendar's StatusNotifierItem registered once the host is")
        self.assertLess(time.monotonic() - began, REGISTRATION_SECONDS)
        self.assertEqual(self.records()[:2], ["ready", "host-registered"])

    def test_a_session_bus_that_cannot_be_reached_leaves_the_x11_tray(self):
        began = time.monotonic()
        main = self.start_calendar("unix:path=" + os.path.join(self.x.folder, "no-bus"))
        self.assertLess(time.monotonic() - began, 10)
        self.minimise()
        time.sleep(0.5)
        self.assertIsNotNone(self.app.main_window(), "the window was hidden without a tray")
        self.assertTrue(self.on_taskbar(main.wid))
        # The X11 tray still takes the icon when it starts.
        self.x.start_helper(["trayer", "--edge", "bottom", "--align", "right"])
        wait_until(lambda: not self.on_taskbar(main.wid), 10, "the window off the taskbar with trayer")
        self.assertEqual(self.app.stop(), 0)
        self.assertEqual(self.app.log_text(), "")


if __name__ == "__main__":
    unittest.main()
