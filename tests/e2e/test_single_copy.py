"""One running calendar per data folder: a second start hands over to the running copy,
what a killed copy leaves behind is taken over, and different data folders run side by
side. QUILLO_PROGRAM names the program.
"""

import glob
import os
import signal
import unittest

from harness import Calendar, today_day_number, wait_until
from test_calendar import CalendarCase


class SingleCopyTest(CalendarCase):
    def main_windows(self):
        """Every calendar main window on the screen, whichever process shows it."""
        return [w for w in self.x.root_children()
                if (w.width, w.height) == Calendar.MAIN_SIZE and w.name == "日めくり暦"]

    def sockets(self):
        return glob.glob(os.path.join(self.app.environment()["XDG_RUNTIME_DIR"], "quillo-*"))

    def test_a_second_start_brings_the_running_copy_forward_and_ends(self):
        main = self.app.start()
        # Another program's window over the calendar.
        cover = self.x.start_helper(["xmessage", "-geometry", f"300x300+{main.x - 50}+{main.y - 50}",
                                     "cover"])
        wait_until(lambda: self.x.root_children(named="xmessage"), 5, "the covering window")
        covering = self.x.root_children(named="xmessage")[0]
        self.assertTrue(self.x.stacked_above(covering.wid, main.wid))

        status, took, errors = self.app.run_to_end(timeout=5)
        self.assertEqual((status, errors), (0, ""))
        self.assertLess(took, 2.0)
        self.assertEqual([w.wid for w in self.main_windows()], [main.wid])
        wait_until(lambda: self.x.stacked_above(main.wid, covering.wid), 3,
                   "the calendar raised over the covering window")
        cover.terminate()

        # The running copy's work is what the next start finds.
        self.tear_loose((600, 200))
        settings, papers = self.stop_and_read()
        self.assertEqual([int(p["date"]) for p in papers], [today_day_number()])
        self.app.start()
        self.assertEqual(len(self.app.wait_papers(1)), 1)
        self.assertEqual(self.shown_day(self.app.settings()), today_day_number() + 1)
        self.assertEqual(self.app.stop(), 0, self.app.log_text())

    def test_what_a_killed_copy_leaves_behind_does_not_stop_the_next_start(self):
        self.app.start()
        # The running copy listens once its page is on the screen.
        wait_until(lambda: len(self.sockets()) == 1, 5, "the running copy's socket")
        self.assertEqual(self.app.stop(signal.SIGKILL), -signal.SIGKILL)
        self.assertTrue(os.path.exists(os.path.join(self.app.data, "quillo.lock")))
        self.assertEqual(len(self.sockets()), 1, "the killed copy's socket is gone")
        main = self.app.start()
        # The new copy answers on the socket it took over.
        status, took, errors = self.app.run_to_end(timeout=5)
        self.assertEqual((status, errors), (0, ""))
        self.assertEqual([w.wid for w in self.main_windows()], [main.wid])
        self.assertEqual(self.app.stop(), 0, self.app.log_text())

    def test_two_data_folders_run_side_by_side(self):
        # One user, one runtime folder, two data folders chosen one after the other.
        first = self.app
        first.start()
        second = Calendar(self.x, self.app.program, home=first.home,
                          data=os.path.join(first.home, "other data"))
        second.start()
        self.assertEqual(len(self.main_windows()), 2)
        wait_until(lambda: len(self.sockets()) == 2, 5, "a socket for each running copy")
        for app in (first, second):
            self.assertEqual(app.stop(), 0, app.log_text())
            self.assertTrue(os.path.exists(app.settings_path()))

    def test_without_a_runtime_folder_the_socket_lies_in_the_temporary_folder(self):
        temporary = os.path.join(self.app.home, "tmp")
        os.makedirs(temporary)
        changes = {"XDG_RUNTIME_DIR": None, "TMPDIR": temporary}
        self.app.launch(env=changes)
        main = wait_until(self.app.main_window, 15, "the main window")
        wait_until(lambda: glob.glob(os.path.join(temporary, f"quillo-{os.geteuid()}-*")), 5,
                   "the socket in the temporary folder")
        # (Qt warns on standard error that the runtime folder is not set.)
        status, _, errors = self.app.run_to_end(timeout=5, env=changes)
        self.assertEqual(status, 0, errors)
        self.assertEqual([w.wid for w in self.main_windows()], [main.wid])
        self.assertEqual(self.app.stop(), 0, self.app.log_text())


if __name__ == "__main__":
    unittest.main()
