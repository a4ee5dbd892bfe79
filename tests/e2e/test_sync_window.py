"""Memo sync in the running calendar, against a real Radicale: a memo written on another
machine reaches the page after the first paint, and a memo typed in the memo window reaches
the other machine a moment later, while quillo-tool refuses to sync the folder the calendar
holds; and sync set up through the menu's "同期…" dialog with the keyboard.

QUILLO_PROGRAM and QUILLO_TOOL name the programs."""

import datetime
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "sync"))

from harness import Calendar, XSession, wait_until  # noqa: E402

PROGRAM = os.environ.get("QUILLO_PROGRAM", "")
PAGE = (60, 80)  # a point of the main window's page


class SyncWindowTest(unittest.TestCase):
    def setUp(self):
        if not os.access(PROGRAM, os.X_OK):
            self.skipTest(f"no program at {PROGRAM!r}")
        import caldav_fixtures as fixtures
        self.fixtures = fixtures
        self.server = fixtures.Server("radicale")
        self.addCleanup(self.server.close)
        self.here, self.there = fixtures.Machine("here"), fixtures.Machine("there")
        self.addCleanup(self.here.close)
        self.addCleanup(self.there.close)
        self.x = self.enterContext(XSession())
        self.app = Calendar(self.x, PROGRAM, data=self.here.folder)

    def tearDown(self):
        if self.app.proc and self.app.proc.poll() is None:
            self.app.stop()

    def test_memos_go_both_ways_while_the_calendar_runs(self):
        status, out, err, _ = self.here.sync("setup", self.server.root, self.fixtures.USER,
                                             "--collection", "日めくり暦のメモ")
        self.assertEqual(status, 0, out + err)
        status, out, err, _ = self.there.sync("setup", self.server.root, self.fixtures.USER,
                                              "--collection", self.here.collection())
        self.assertEqual(status, 0, out + err)
        today = datetime.date.today().strftime("%Y%m%d")
        self.there.edit(today, "歯医者 10:00 🦷")
        self.assertEqual(self.there.sync()[0], 0)

        # The password comes from the environment: the test's desktop has no keyring.
        self.app.launch(env={"QUILLO_SYNC_PASSWORD": self.fixtures.PASSWORD})
        main = wait_until(self.app.main_window, 15, "the main window")
        wait_until(lambda: self.here.memos().get(today) == "歯医者 10:00 🦷", 20, "the other machine's memo here")
        status, _, err, _ = self.here.sync()
        self.assertEqual(status, 1, "the tool syncs no folder the calendar holds")
        self.assertIn("日めくり暦が動いています", err)

        known = {w.wid for w in self.app.windows()}
        self.x.move(main.x + PAGE[0], main.y + PAGE[1])
        self.x.x_command("xdotool", "click", "--repeat", "2", "--delay", "80", "1")
        memo = wait_until(lambda: [w for w in self.app.windows() if w.wid not in known], 10, "the memo window")[0]
        time.sleep(0.4)
        self.x.x_command("xdotool", "key", "--delay", "60", "ctrl+End", "Return")
        self.x.x_command("xdotool", "type", "--delay", "40", "保険証")
        self.x.x_command("xdotool", "key", "Escape")
        wait_until(lambda: all(w.wid != memo.wid for w in self.app.windows()), 10, "the memo window to close")
        self.assertEqual(self.here.memos().get(today), "歯医者 10:00 🦷\r\n保険証")

        def arrived():
            self.there.sync()
            return self.there.memos().get(today) == "歯医者 10:00 🦷\r\n保険証"
        wait_until(arrived, 40, "the typed memo on the other machine")
        self.assertEqual(self.app.stop(), 0, self.app.log_text())

    def test_the_dialog_finds_the_collection_and_turns_sync_on(self):
        status, out, err, _ = self.there.sync("setup", self.server.root, self.fixtures.USER,
                                              "--collection", "日めくり暦のメモ")
        self.assertEqual(status, 0, out + err)
        today = datetime.date.today().strftime("%Y%m%d")
        self.here.write_memos({today: "この端末で書いたメモ ✍"})
        main = self.app.start()
        known = {w.wid for w in self.app.windows()}
        self.x.click(main.x + PAGE[0], main.y + PAGE[1], button=3)
        menu = wait_until(lambda: [w for w in self.app.windows() if w.wid not in known], 10, "the menu")[0]
        time.sleep(0.3)
        # "同期…" is the entry after the colour setup.
        self.x.x_command("xdotool", "key", "--delay", "60", *["Down"] * 7, "Return")
        wait_until(lambda: all(w.wid != menu.wid for w in self.app.windows()), 10, "the menu to close")
        wait_until(lambda: [w for w in self.app.windows() if w.wid not in known], 10, "the sync dialog")
        time.sleep(0.5)
        self.x.x_command("xdotool", "type", "--delay", "20", self.server.root)
        self.x.x_command("xdotool", "key", "Tab")
        self.x.x_command("xdotool", "type", "--delay", "20", self.fixtures.USER)
        self.x.x_command("xdotool", "key", "Tab")
        self.x.x_command("xdotool", "type", "--delay", "20", self.fixtures.PASSWORD)
        self.x.x_command("xdotool", "key", "Tab", "space")  # サーバーを確認
        time.sleep(3)
        # The collection the other machine made is offered and has the focus; sync on, then OK.
        self.x.x_command("xdotool", "key", "--delay", "100", "Tab", "Tab", "space", "Return")
        settings = wait_until(lambda: "ENABLED=1" in self.here.settings() and self.here.settings(), 10,
                              "sync turned on in the settings")
        self.assertIn("COLLECTION=" + self.there.collection(), settings)
        self.assertNotIn(self.fixtures.PASSWORD, settings, "the password never goes into a file")

        def arrived():
            self.there.sync()
            return self.there.memos().get(today) == "この端末で書いたメモ ✍"
        wait_until(arrived, 30, "this machine's memo on the other machine")
        self.assertEqual(self.app.stop(), 0, self.app.log_text())


if __name__ == "__main__":
    unittest.main()
