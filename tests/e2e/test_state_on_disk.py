"""The calendar's state reaches the disk a moment after it settles, so that a run ended by
SIGKILL (a crash, the out-of-memory killer, a dead battery) loses nothing that had come to
rest; and a press on the page tears however far the first motion lands.

QUILLO_PROGRAM names the program; it runs on a plain X server.
"""

import collections
import ctypes
import os
import signal
import struct
import time
import unittest

from harness import steps, today_day_number, wait_until, write_profile
from test_calendar import PROGRAM, CalendarCase

# Where the papers of the kill rounds are put down, away from the calendar in the middle.
DROPS = [(160, 160), (860, 160), (160, 620), (860, 620), (520, 680)]
SETTLE_SECONDS = 3


def leftovers(folder):
    """The temporary files of an interrupted save below folder."""
    found = []
    for root, _, files in os.walk(folder):
        found += [os.path.join(root, name) for name in files if ".tmp-" in name]
    return found


def data_files(folder):
    """{path below folder: bytes} of every file there but the lock."""
    files = {}
    for root, _, names in os.walk(folder):
        for name in names:
            if name != "quillo.lock":
                path = os.path.join(root, name)
                with open(path, "rb") as f:
                    files[os.path.relpath(path, folder)] = f.read()
    return files


class Replacements:
    """Counts the files put in place by a rename (inotify IN_MOVED_TO) in some folders:
    every save of the calendar replaces its file that way, once per save."""

    IN_MOVED_TO = 0x80
    _EVENT = struct.Struct("iIII")

    def __init__(self, folders):
        self._libc = ctypes.CDLL(None, use_errno=True)
        self.fd = self._libc.inotify_init1(os.O_NONBLOCK | os.O_CLOEXEC)
        if self.fd < 0:
            raise OSError(ctypes.get_errno(), "inotify_init1")
        self.prefix = {}
        for folder, prefix in folders:
            wd = self._libc.inotify_add_watch(self.fd, os.fsencode(folder), self.IN_MOVED_TO)
            if wd < 0:
                raise OSError(ctypes.get_errno(), f"inotify_add_watch {folder}")
            self.prefix[wd] = prefix

    def take(self):
        """The replacements since the last call, as {name: count}."""
        counts = collections.Counter()
        while True:
            try:
                data = os.read(self.fd, 65536)
            except BlockingIOError:
                return counts
            at = 0
            while at < len(data):
                wd, _, _, length = self._EVENT.unpack_from(data, at)
                name = data[at + self._EVENT.size:at + self._EVENT.size + length].rstrip(b"\0")
                counts[self.prefix[wd] + name.decode()] += 1
                at += self._EVENT.size + length

    def close(self):
        os.close(self.fd)


class StateOnDiskTest(CalendarCase):
    def saved_papers(self):
        count = int(self.app.settings().get("paper", {}).get("number", "0"))
        return [self.app_paper(i) for i in range(count)]

    def test_five_kills_after_a_tear_and_a_drop_lose_nothing(self):
        dropped = []
        for done, drop in enumerate(DROPS):
            with self.subTest(round=done + 1):
                self.app.start()
                back = self.app.wait_papers(done)
                self.assertEqual(sorted((w.x, w.y) for w in back), sorted(dropped))
                paper = self.tear_loose(drop)
                dropped.append((paper.x, paper.y))
                time.sleep(SETTLE_SECONDS)
                self.app.stop(signal.SIGKILL)
                # The page showed the day after the last paper's, and each paper lies where
                # it was put down with the day the page showed when it was torn.
                self.assertEqual(self.shown_day(self.app.settings()), today_day_number() + done + 1)
                saved = self.saved_papers()
                self.assertEqual(sorted((int(p["date"]), int(p["left"]), int(p["top"])) for p in saved),
                                 sorted((today_day_number() + i, x, y) for i, (x, y) in enumerate(dropped)))
                self.assertEqual(leftovers(self.app.data), [])

    def test_a_kill_during_a_drag_loses_that_drag_only_and_old_temporary_files_go_unread(self):
        day = today_day_number() + 40
        self.app.write_settings({"CALENDAR": {"DATE": day}, "PAPER": {"number": 0}})
        # What a save cut short leaves behind: never read, removed at the start.
        os.makedirs(os.path.join(self.app.data, "PAPERS"), exist_ok=True)
        stale = [os.path.join(self.app.data, "application.ini.tmp-Ab3xZ9"),
                 os.path.join(self.app.data, "PAPERS", "00.tmp-q1W2e3")]
        for path in stale:
            write_profile(path, {"CALENDAR": {"DATE": day - 30}, "PAPER": {"number": 1}})
        self.app.start()
        wait_until(lambda: not leftovers(self.app.data), 5, "the old temporary files to go")
        first = self.tear_loose((160, 160))
        time.sleep(SETTLE_SECONDS)
        before = data_files(self.app.data)
        # A second tear, carried about and not put down when the kill comes.
        paper, cursor = self.start_tear()
        self.x.drag_path(steps(cursor, (cursor[0], cursor[1] + 150), 12))
        for target in [(700, 200), (300, 500), (800, 600)]:
            self.x.drag_path(steps(self.x.pointer(), target, 6))
            time.sleep(0.8)
        self.app.stop(signal.SIGKILL)
        self.x.release()
        self.assertEqual(data_files(self.app.data), before, "something was written during the drag")
        self.assertEqual(leftovers(self.app.data), [])
        self.assertEqual(self.shown_day(self.app.settings()), day + 1)
        self.app.start()
        back = self.app.wait_papers(1)
        self.assertEqual((back[0].x, back[0].y), (first.x, first.y))

    def test_a_first_motion_that_already_left_the_page_tears(self):
        main = self.app.start()
        for jump in [(-200, 250), (300, -200), (0, 200)]:
            with self.subTest(jump=jump):
                before = {w.wid for w in self.app.papers()}
                sx, sy = self.page_point()
                self.x.press(sx, sy)
                # One motion event, far outside the calendar.
                self.x.move(sx + jump[0], sy + jump[1])
                wait_until(lambda: [w for w in self.app.papers() if w.wid not in before], 5,
                           "the torn paper")
                now = self.app.main_window()
                self.assertEqual((now.x, now.y), (main.x, main.y), "the calendar moved instead")
                # The paper takes the pointer over a moment after it appears.
                time.sleep(0.3)
                self.x.release()
                # Two presses at one place within Qt's interval would be a double click.
                time.sleep(0.6)

    def test_a_tear_and_a_drop_replace_each_file_once_after_they_settle(self):
        os.makedirs(os.path.join(self.app.data, "PAPERS"), exist_ok=True)
        self.app.start()
        # The first start's own saving (the calendar's place) is over.
        time.sleep(SETTLE_SECONDS)
        watch = Replacements([(self.app.data, ""), (os.path.join(self.app.data, "PAPERS"), "PAPERS/")])
        self.addCleanup(watch.close)
        paper, cursor = self.start_tear()
        self.x.drag_path(steps(cursor, (cursor[0], cursor[1] + 150), 12))
        for target in [(700, 200), (300, 500)]:
            self.x.drag_path(steps(self.x.pointer(), target, 10))
            time.sleep(1)
        self.assertEqual(watch.take(), {}, "written while the paper was carried")
        self.x.release()
        time.sleep(SETTLE_SECONDS)
        self.assertEqual(watch.take(), {"application.ini": 1, "PAPERS/00": 1})
        # Nothing changed since: nothing more is written, and the exit writes what it wrote before.
        time.sleep(SETTLE_SECONDS)
        self.assertEqual(watch.take(), {})


if __name__ == "__main__":
    unittest.main()
