"""The calendar as a screen reader sees it, through the real accessibility bus.

Each test runs a private session bus (dbus-run-session) whose only client of its own is
at-spi-bus-launcher: it starts the accessibility bus and its registry with the test's
display and runtime folder, so that nothing reaches the desktop's buses or another test's.
The calendar joins it (QT_LINUX_ACCESSIBILITY_ALWAYS_ON); atspi_client.py reads and
drives it with pyatspi under Debian's own Python (/usr/bin/python3).

QUILLO_PROGRAM names the program.
"""

import datetime
import json
import os
import shutil
import subprocess
import time
import unittest

from harness import HarnessError, wait_until
from test_calendar import CalendarCase

SYSTEM_PYTHON = "/usr/bin/python3"
BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
CLIENT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "atspi_client.py")
CLIENT_TIMEOUT = 20  # seconds for one call of the client, its own waiting included

# A day with a solar term, and its memo as the memo file holds it: two lines, with ソ and
# 表, whose second bytes are a backslash in Shift_JIS.
SHOWN_DAY = datetime.date(2026, 12, 7)
SHOWN_PAGE = "2026年12月7日 月曜日 令和8年 旧暦十月29日 友引 大雪"
MEMO_IN_FILE = "歯医者\\n表ソ"
MEMO_READ = "歯医者 表ソ"
NEXT_PAGE = "2026年12月8日 火曜日 令和8年 旧暦十月30日 先負"
BUTTONS = ["MENU", "最小化", "閉じる"]


def day_number(date):
    return (date - datetime.date(1899, 12, 30)).days


def pyatspi_missing():
    if not (os.access(SYSTEM_PYTHON, os.X_OK) and os.access(BUS_LAUNCHER, os.X_OK)
            and shutil.which("dbus-run-session")):
        return True
    probe = subprocess.run([SYSTEM_PYTHON, "-c", "import pyatspi"], capture_output=True, check=False)
    return probe.returncode != 0


def walk(node):
    yield node
    for child in node["children"]:
        yield from walk(child)


@unittest.skipIf(pyatspi_missing(),
                 "needs at-spi2-core, dbus-daemon and python3-pyatspi (scripts/install-deps)")
class AccessibilityTest(CalendarCase):
    def setUp(self):
        super().setUp()
        self.bus_address = self.start_session_bus()
        self.app.write_settings({"CALENDAR": {"DATE": day_number(SHOWN_DAY)}})
        os.makedirs(self.app.data, exist_ok=True)
        with open(os.path.join(self.app.data, "Memos.txt"), "wb") as f:
            f.write(f"{SHOWN_DAY:%Y%m%d}{MEMO_IN_FILE}\r\n".encode("cp932"))

    def start_session_bus(self):
        """A dbus-run-session that holds at-spi-bus-launcher; returns the session bus's
        address, which the session's first line of output carries."""
        script = f'echo "$DBUS_SESSION_BUS_ADDRESS"; exec {BUS_LAUNCHER} --launch-immediately >&2'
        bus = self.x.start_helper(["dbus-run-session", "--", "sh", "-c", script],
                                  env=self.x.environment(self.app.home), pipes=True)
        address = bus.stdout.readline().decode().strip()
        bus.stdin.close()
        bus.stdout.close()
        if not address:
            raise HarnessError("dbus-run-session gave no session bus address")
        return address

    def accessibility_environment(self):
        return {"DBUS_SESSION_BUS_ADDRESS": self.bus_address,
                "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1", "QT_ACCESSIBILITY": "1"}

    def start(self):
        self.app.launch(self.accessibility_environment())
        return wait_until(self.app.main_window, 15, "the main window")

    def client(self, command, *arguments):
        argv = [SYSTEM_PYTHON, CLIENT, command, str(self.app.proc.pid), *arguments]
        result = subprocess.run(argv, env=self.app.environment(self.accessibility_environment()),
                                capture_output=True, timeout=CLIENT_TIMEOUT, check=False)
        if result.returncode != 0:
            self.fail(f"atspi_client.py {command}: {result.stderr.decode(errors='replace')}")
        return json.loads(result.stdout)

    def tree(self):
        return self.client("tree")

    def main_page_name(self, tree=None):
        """The accessible name of the window that holds the three buttons."""
        for node in walk(tree or self.tree()):
            if [child["name"] for child in node["children"]] == BUTTONS:
                return node["name"]
        self.fail("no window holds the MENU, 最小化 and 閉じる buttons")

    def test_the_page_and_its_buttons_as_a_screen_reader_finds_them(self):
        self.start()
        tree = self.tree()
        self.assertEqual(tree["name"], "example.vellomar.quillo")  # the application ID
        self.assertEqual(self.main_page_name(tree), f"{SHOWN_PAGE} {MEMO_READ}")
        buttons = {node["name"]: node for node in walk(tree) if node["name"] in BUTTONS}
        self.assertEqual(sorted(buttons), sorted(BUTTONS))
        for name, button in buttons.items():
            with self.subTest(button=name):
                self.assertEqual(button["role"], "push button")
                self.assertEqual(button["actions"], ["Press"])
                self.assertIn("enabled", button["states"])
                self.assertIn("sensitive", button["states"])

        # MENU's press opens the menu, as a click would. (Qt lists no popup among the
        # application's windows on the bus; X shows it.)
        self.assertEqual(self.app.other_windows(), [])
        self.client("press", "MENU")
        wait_until(self.app.other_windows, 5, "the menu opened by MENU's press action")
        self.x.x_command("xdotool", "key", "Escape")
        wait_until(lambda: not self.app.other_windows(), 5, "the menu to close")

        # 閉じる's press ends the calendar the way its click does: saved, status 0.
        self.client("press", "閉じる")
        self.assertEqual(self.app.wait_end(), 0, self.app.log_text())
        self.assertEqual(int(self.app.settings()["calendar"]["date"]), day_number(SHOWN_DAY))

    def test_names_follow_a_tear_and_a_new_memo(self):
        self.start()
        self.main_page_name()  # the calendar is on the bus
        watcher = self.x.start_helper([SYSTEM_PYTHON, CLIENT, "watch", str(self.app.proc.pid)],
                                      env=self.app.environment(self.accessibility_environment()),
                                      pipes=True)
        self.assertEqual(json.loads(watcher.stdout.readline() or "null"), "ready",
                         "the watching client did not start (see the session's x.log)")

        # After a tear the calendar shows the next day, and the paper is the torn day's.
        self.tear_loose((600, 400))
        wait_until(lambda: self.main_page_name() == NEXT_PAGE, 5, "the next day's name")
        windows = [(node["name"], node["children"]) for node in self.tree()["children"]]
        self.assertIn((f"{SHOWN_PAGE} {MEMO_READ}", []), windows)

        # A memo written for the shown day joins its name.
        main = self.app.main_window()
        known = {w.wid for w in self.app.windows()}
        self.x.move(main.x + 60, main.y + 80)
        self.x.x_command("xdotool", "click", "--repeat", "2", "--delay", "80", "1")
        editor = wait_until(lambda: [w for w in self.app.windows() if w.wid not in known], 10,
                            "the memo window")[0]
        time.sleep(0.3)
        self.x.x_command("xdotool", "type", "--delay", "40", "Dentist 10:00")
        self.x.x_command("xdotool", "key", "Escape")
        wait_until(lambda: all(w.wid != editor.wid for w in self.app.windows()), 10,
                   "the memo window to close")
        wait_until(lambda: self.main_page_name() == f"{NEXT_PAGE} Dentist 10:00", 5,
                   "the name with the new memo")

        # Both changes reached the bus as name-changed events.
        out, _ = watcher.communicate(timeout=CLIENT_TIMEOUT)  # closing its input ends it
        announced = [json.loads(line)["name"] for line in out.decode().splitlines()]
        self.assertIn(NEXT_PAGE, announced)
        self.assertIn(f"{NEXT_PAGE} Dentist 10:00", announced)
        self.assertEqual(self.app.stop(), 0, self.app.log_text())


if __name__ == "__main__":
    unittest.main()
