"""The harness itself, against small X clients that are always there: if these fail, the
calendar's end-to-end results mean nothing."""

import os
import shutil
import subprocess
import sys
import unittest

from harness import (DESKTOP_COLOUR, HarnessError, XSession, read_profile, steps, wait_until,
                     watchdog, write_profile)


class SessionTest(unittest.TestCase):
    def test_sessions_side_by_side_get_their_own_display_and_end_cleanly(self):
        with XSession() as first, XSession() as second:
            self.assertNotEqual(first.display, second.display)
            servers = [p for p in first.processes + second.processes]
            folder = first.folder
        for proc in servers:
            self.assertIsNotNone(proc.poll(), "an X server outlived its session")
        self.assertFalse(os.path.exists(folder))

    def test_helpers_claim_their_place(self):
        table = [
            # compositor, tray, window that must exist
            (True, False, "xcompmgr"),
            (False, True, "panel"),
        ]
        for compositor, tray, name in table:
            with self.subTest(name=name), XSession(compositor=compositor, tray=tray) as x:
                self.assertTrue(x.root_children(named=name))

    def test_programs_see_only_the_private_home(self):
        with XSession() as x:
            env = x.environment(x.folder)
            for key in ("HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"):
                self.assertTrue(env[key].startswith(x.folder), key)
            self.assertEqual(os.stat(env["XDG_RUNTIME_DIR"]).st_mode & 0o777, 0o700)
            self.assertEqual(env["DISPLAY"], x.display)


class DrivingTest(unittest.TestCase):
    def test_window_found_with_its_geometry_and_clicked(self):
        with XSession() as x:
            proc = x.start_helper(["xmessage", "-geometry", "+200+150", "-buttons",
                                   "first:3,second:4", "harness"])
            window = wait_until(lambda: x.visible_windows(window_class="Xmessage"), 10,
                                "xmessage")[0]
            self.assertEqual((window.x, window.y), (200, 150))
            self.assertEqual(window.name, "xmessage")
            # The buttons lie along the bottom edge, "first" at the left.
            x.click(window.x + 12, window.y + window.height - 12)
            self.assertEqual(proc.wait(timeout=10), 3)
            wait_until(lambda: not x.visible_windows(window_class="Xmessage"), 5, "no xmessage")

    def test_pointer_and_pixels(self):
        with XSession() as x:
            for _ in range(2):  # the second move goes nowhere and must not wait for one
                x.move(321, 123)
                self.assertEqual(x.pointer(), (321, 123))
            rows = x.pixels(10, 20, 4, 3)
            desktop = tuple(int(DESKTOP_COLOUR[i:i + 2], 16) for i in (1, 3, 5))
            self.assertEqual(rows, [[desktop] * 4] * 3)

    def test_the_watchdog_stops_a_stuck_test_and_its_processes_still_end(self):
        with self.assertRaisesRegex(HarnessError, "longer than 1 s"):
            with watchdog(1), XSession() as x:
                proc = x.start_helper(["sleep", "30"])
                proc.wait()
        self.assertIsNotNone(proc.poll())

    def test_children_end_when_the_test_process_is_killed(self):
        script = ("import sys; sys.path.insert(0, %r)\n"
                  "from harness import XSession\n"
                  "x = XSession().__enter__()\n"
                  "print(x.processes[0].pid, x.folder, flush=True)\n"
                  "import time; time.sleep(60)\n") % os.path.dirname(os.path.abspath(__file__))
        runner = subprocess.Popen([sys.executable, "-c", script], stdout=subprocess.PIPE)
        pid, folder = runner.stdout.readline().split()
        xvfb = int(pid)
        runner.kill()
        runner.wait(timeout=10)
        shutil.rmtree(folder)
        wait_until(lambda: not os.path.exists(f"/proc/{xvfb}") or
                   open(f"/proc/{xvfb}/stat").read().split()[2] == "Z", 10, "Xvfb to end")

    def test_a_wait_that_runs_out_names_what_it_waited_for(self):
        with self.assertRaisesRegex(HarnessError, "the impossible"):
            wait_until(lambda: False, 0.05, "the impossible")


class ProfileTest(unittest.TestCase):
    def test_round_trip_with_shift_jis_and_case_insensitive_names(self):
        with XSession() as x:
            path = os.path.join(x.folder, "sub", "application.ini")
            write_profile(path, {"CALENDAR": {"DATE": "46000", "Memo": "表ソ能"}})
            with open(path, "rb") as f:
                raw = f.read()
            self.assertIn(b"\r\n", raw)
            self.assertIn("表ソ能".encode("cp932"), raw)
            self.assertEqual(read_profile(path), {"calendar": {"date": "46000", "memo": "表ソ能"}})
            self.assertEqual(read_profile(os.path.join(x.folder, "missing.ini")), {})

    def test_steps_end_on_the_target_and_never_repeat_the_start(self):
        self.assertEqual(steps((0, 0), (10, -20), 2), [(5, -10), (10, -20)])
        self.assertEqual(steps((7, 7), (7, 9), 1), [(7, 9)])

if __name__ == "__main__":
    unittest.main()
