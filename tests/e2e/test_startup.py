"""How the calendar starts and ends when something is wrong: no X display, a data folder
it cannot use, a damaged archive beside the program, a full disk at a termination signal.

QUILLO_PROGRAM names the program. The tests that mount a file system of their own (a
read-only or a tiny one) need root and are skipped otherwise.
"""

import contextlib
import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

from harness import (Calendar, HarnessError, XSession, today_day_number, wait_until,
                     watchdog, write_profile)

PROGRAM = os.environ.get("QUILLO_PROGRAM", "")
TEST_SECONDS = 100
NEEDS_X = "the calendar needs X11 or XWayland"


@contextlib.contextmanager
def mounted_tmpfs(folder, options):
    """A tmpfs mounted at folder for the block (root only; the test is skipped otherwise)."""
    if os.geteuid() != 0:
        raise unittest.SkipTest("mounting a file system of the test's own needs root")
    os.makedirs(folder, exist_ok=True)
    result = subprocess.run(["mount", "-t", "tmpfs", "-o", options, "tmpfs", folder],
                            capture_output=True, timeout=10, check=False)
    if result.returncode != 0:
        raise unittest.SkipTest(f"mount failed: {result.stderr.decode(errors='replace').strip()}")
    try:
        yield folder
    finally:
        subprocess.run(["umount", "-l", folder], capture_output=True, timeout=10, check=False)


def fill(folder):
    """Writes a file into folder until the file system is full."""
    with contextlib.suppress(OSError), open(os.path.join(folder, "filler"), "wb", buffering=0) as f:
        while True:
            f.write(b"\0" * 4096)


def files_below(folder):
    """{relative path: bytes} of every file below folder."""
    found = {}
    for root, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(root, name)
            with open(path, "rb") as f:
                found[os.path.relpath(path, folder)] = f.read()
    return found


class WithoutADisplayTest(unittest.TestCase):
    def setUp(self):
        if not os.access(PROGRAM, os.X_OK):
            self.skipTest(f"no program at {PROGRAM!r}")
        self.home = self.enterContext(tempfile.TemporaryDirectory(prefix="quillo-e2e-"))

    def test_no_display_is_one_clear_line_and_status_1(self):
        cases = [
            ("no DISPLAY", None, "cannot open the X display (DISPLAY is not set): " + NEEDS_X),
            ("a display nobody serves", ":999", f'cannot open the X display ":999": {NEEDS_X}'),
        ]
        for name, display, line in cases:
            with self.subTest(name):
                env = {k: v for k, v in os.environ.items()
                       if not k.startswith(("DISPLAY", "WAYLAND_", "QT_", "XDG_"))}
                env.update(HOME=self.home, XDG_DATA_HOME=os.path.join(self.home, "share"),
                           XDG_CONFIG_HOME=os.path.join(self.home, "config"), LC_ALL="C.UTF-8")
                if display:
                    env["DISPLAY"] = display
                result = subprocess.run([PROGRAM], env=env, cwd=self.home, capture_output=True,
                                        timeout=10, check=False)
                self.assertEqual(result.returncode, 1, result.stderr)
                self.assertEqual(result.stderr.decode(), line + "\n")
                # Nothing was created for a calendar that never ran.
                self.assertEqual(os.listdir(self.home), [])


class StartUpFaultTest(unittest.TestCase):
    """A start-up error shows a message box, writes one line on standard error and ends
    with status 1 once the box is closed; nothing is written anywhere."""

    def setUp(self):
        if not os.access(PROGRAM, os.X_OK):
            self.skipTest(f"no program at {PROGRAM!r}")
        self.enterContext(watchdog(TEST_SECONDS))
        self.x = self.enterContext(XSession())

    def start_and_close_the_box(self, app):
        """Starts the program, answers its message box and returns (status, log)."""
        app.launch()
        box = wait_until(app.windows, 15, "the message box")
        self.assertEqual(len(box), 1, box)
        self.assertNotEqual((box[0].width, box[0].height), Calendar.MAIN_SIZE, "a main window opened")
        self.x.x_command("xdotool", "windowfocus", "--sync", str(box[0].wid))
        self.x.x_command("xdotool", "key", "Return")
        return app.wait_end(5), app.log_text()

    def assert_nothing_written_elsewhere(self, app, store_before):
        with open(app.registry_path(), "rb") as f:
            self.assertEqual(f.read(), store_before)
        share = app.environment()["XDG_DATA_HOME"]
        self.assertEqual(os.listdir(share), [], "something was written to the default data folder")

    def test_a_data_folder_that_cannot_be_created(self):
        home = tempfile.mkdtemp(prefix="home-", dir=self.x.folder)
        with open(os.path.join(home, "mount"), "w") as f:
            f.write("a file where the mount point should be")
        app = Calendar(self.x, PROGRAM, home=home, data=os.path.join(home, "mount", "quillo"))
        with open(app.registry_path(), "rb") as f:
            store = f.read()
        status, log = self.start_and_close_the_box(app)
        self.assertEqual(status, 1, log)
        self.assertEqual(log, f"データフォルダ {app.data} を作成できません: Not a directory\n")
        self.assert_nothing_written_elsewhere(app, store)

    def test_a_data_folder_that_cannot_be_written(self):
        app = Calendar(self.x, PROGRAM)
        if os.geteuid() == 0:
            self.enterContext(mounted_tmpfs(app.data, "ro,size=64k"))
            reason = "Read-only file system"
        else:
            os.makedirs(app.data)
            os.chmod(app.data, 0o555)
            self.addCleanup(os.chmod, app.data, 0o755)
            reason = "Permission denied"
        with open(app.registry_path(), "rb") as f:
            store = f.read()
        status, log = self.start_and_close_the_box(app)
        self.assertEqual(status, 1, log)
        self.assertEqual(log, f"データフォルダ {app.data} に書き込めません: {reason}\n")
        self.assert_nothing_written_elsewhere(app, store)

    def test_a_damaged_graphic_archive_beside_the_program(self):
        folder = tempfile.mkdtemp(prefix="program-", dir=self.x.folder)
        program = os.path.join(folder, "quillo")
        shutil.copy2(PROGRAM, program)
        with open(os.path.join(folder, "graphic"), "wb") as f:
            f.write(b"junk")
        app = Calendar(self.x, program)
        status, log = self.start_and_close_the_box(app)
        self.assertEqual(status, 1, log)
        self.assertTrue(log.startswith(f"{folder}/graphic を読めません: "), log)
        self.assertEqual(log.count("\n"), 1, log)
        # Only the lock of the one running copy was taken; no settings, no papers.
        self.assertEqual(os.listdir(app.data), ["quillo.lock"])


class FullDiskTest(unittest.TestCase):
    """A termination signal with a full disk: every file is tried, each failure is one line
    on standard error, no box holds the exit up, and the files saved before stay as they
    were."""

    def setUp(self):
        if not os.access(PROGRAM, os.X_OK):
            self.skipTest(f"no program at {PROGRAM!r}")
        self.enterContext(watchdog(TEST_SECONDS))
        self.x = self.enterContext(XSession())

    def start_on_a_small_disk(self):
        """A calendar whose data folder is a tiny file system, started with two papers."""
        app = Calendar(self.x, PROGRAM)
        self.enterContext(mounted_tmpfs(app.data, "size=256k"))
        day = today_day_number()
        app.write_settings({"CALENDAR": {"DATE": day}, "PAPER": {"number": 2}})
        for index, left in enumerate((100, 400)):
            write_profile(app.paper_path(index), {"PAPER": {
                "angle": 0, "left": left, "top": 450, "width": 120, "height": 120,
                "date": day + 1 + index, "maketime": "1.5"}})
        main = app.start()
        wait_until(lambda: len(app.papers()) == 2, 5, "the two saved papers")
        return app, main

    def test_the_menus_exit_on_a_full_disk_shows_each_error_in_a_box(self):
        app, main = self.start_on_a_small_disk()
        fill(app.data)
        self.x.click(main.x + 27, main.y + 14)
        wait_until(app.other_windows, 5, "the popup menu")
        self.x.x_command("xdotool", "key", "x")
        boxes = 0
        while app.proc.poll() is None:
            box = wait_until(lambda: app.proc.poll() is not None or app.other_windows(), 5,
                             "a message box or the end")
            if box is True:
                break
            boxes += 1
            self.x.x_command("xdotool", "windowfocus", "--sync", str(box[0].wid))
            self.x.x_command("xdotool", "key", "Return")
            wait_until(lambda: box[0].wid not in [w.wid for w in app.windows()], 5, "the box to close")
        self.assertEqual(app.wait_end(5), 1, app.log_text())
        errors = [line for line in app.log_text().splitlines() if "に書き込めません" in line]
        self.assertGreaterEqual(boxes, 3, app.log_text())
        self.assertEqual(boxes, len(errors), app.log_text())

    def test_a_termination_signal_ends_the_program_behind_an_open_box(self):
        app, main = self.start_on_a_small_disk()
        fill(app.data)
        self.x.click(main.x + 27, main.y + 14)
        wait_until(app.other_windows, 5, "the popup menu")
        self.x.x_command("xdotool", "key", "x")
        wait_until(app.other_windows, 5, "the first message box")
        began = time.monotonic()
        self.assertEqual(app.stop(signal.SIGTERM), 1, app.log_text())
        self.assertLess(time.monotonic() - began, 1.0)

    def test_a_termination_signal_on_a_full_disk_ends_with_status_1_at_once(self):
        app, main = self.start_on_a_small_disk()
        # Moved by the user since the start, so that the place must be written too.
        self.x.press(main.x + 68, main.y + 12)
        self.x.drag_path([(main.x + 69, main.y + 12), (main.x + 120, main.y + 40)])
        self.x.release()
        time.sleep(0.3)
        fill(app.data)
        before = files_below(app.data)
        del before["filler"]
        began = time.monotonic()
        status = app.stop(signal.SIGTERM)
        took = time.monotonic() - began
        log = app.log_text()
        self.assertEqual(status, 1, log)
        self.assertLess(took, 1.0, f"the exit took {took:.2f} s")
        after = files_below(app.data)
        del after["filler"]
        self.assertEqual(after, before, "a file saved before was changed")
        # One line for each paper (each was tried as the first file, since papers are
        # numbered by what was written) and for the settings file.
        lines = log.splitlines()
        full = "に書き込めません: No space left on device"
        self.assertEqual(sum(line == f"{app.data}/PAPERS/00 {full}" for line in lines), 2, log)
        self.assertIn(f"{app.data}/application.ini {full}", lines)
        self.assertTrue(all(line.endswith(full) for line in lines if "に書き込めません" in line), log)


if __name__ == "__main__":
    unittest.main()
