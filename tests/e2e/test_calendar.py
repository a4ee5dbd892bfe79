"""The calendar program in a real X server, driven with the pointer like a user would.

QUILLO_PROGRAM names the program; QUILLO_E2E_MODE picks the desktop it runs on:
  plain      no compositing manager: the papers are windows cut to a region
  composite  xcompmgr runs: the papers are translucent windows with per-pixel alpha
  tray       trayer runs as the notification area (only the tray tests run)
"""

import contextlib
import os
import re
import signal
import time
import unittest

from harness import (Calendar, HarnessError, SCREEN_HEIGHT, SCREEN_WIDTH, XSession,
                     read_profile, steps, today_day_number, wait_until, watchdog,
                     write_profile)

PROGRAM = os.environ.get("QUILLO_PROGRAM", "")
MODE = os.environ.get("QUILLO_E2E_MODE", "plain")

# Window coordinates inside the main window (130 × 151): a point of the title strip that
# is free of buttons, the page's left half, and the minimise button.
STRIP = (68, 12)
PAGE_LEFT_HALF = (30, 60)
MINIMISE_BUTTON = (96, 14)
MENU_BUTTON = (27, 14)
CLOSE_BUTTON = (116, 14)
TEST_SECONDS = 100  # the longest a test may take before it is stopped and cleaned up
CENTRED = ((SCREEN_WIDTH - 130) // 2, (SCREEN_HEIGHT - 151) // 2)


def near(a, b, tolerance=1):
    return all(abs(p - q) <= tolerance for p, q in zip(a, b))


class CalendarCase(unittest.TestCase):
    """Each test gets its own X server, home and data folder."""

    def setUp(self):
        if not os.access(PROGRAM, os.X_OK):
            self.skipTest(f"no program at {PROGRAM!r}")
        self.enterContext(watchdog(TEST_SECONDS))
        self.x = self.enterContext(XSession(compositor=MODE == "composite", tray=MODE == "tray"))
        self.app = Calendar(self.x, PROGRAM)

    def desktop_colour(self):
        """The colour of the bare desktop, from a corner where no window ever goes."""
        return self.x.pixels(SCREEN_WIDTH - 3, 2, 1, 1)[0][0]

    def stop_and_read(self, sig=signal.SIGTERM):
        """Ends the program with sig; returns the settings and the saved papers."""
        status = self.app.stop(sig)
        self.assertEqual(status, 0, f"exit status after signal {sig}: {self.app.log_text()}")
        settings = self.app.settings()
        count = int(settings.get("paper", {}).get("number", "0"))
        papers = [self.app_paper(i) for i in range(count)]
        return settings, papers

    def assert_nothing_torn(self):
        """Ends the program and checks that it still shows today and saved no paper."""
        settings, papers = self.stop_and_read()
        self.assertEqual((self.shown_day(settings), papers), (today_day_number(), []))

    def app_paper(self, index):
        return read_profile(self.app.paper_path(index)).get("paper", {})

    def shown_day(self, settings):
        return int(settings["calendar"]["date"])

    def page_point(self, offset=PAGE_LEFT_HALF):
        main = self.app.main_window()
        return main.x + offset[0], main.y + offset[1]

    def start_tear(self, pull=(1, 1)):
        """Presses in the page's left half and pulls by pull; returns the new paper."""
        before = {w.wid for w in self.app.papers()}
        sx, sy = self.page_point()
        self.x.press(sx, sy)
        self.x.drag_path(steps((sx, sy), (sx + pull[0], sy + pull[1]), max(1, abs(pull[1]) // 12)))
        new = wait_until(lambda: [w for w in self.app.papers() if w.wid not in before], 5,
                         "the torn paper's window")
        return new[0], (sx + pull[0], sy + pull[1])

    def tear_loose(self, carry_to):
        """Tears the page off, pulls it past its hinge and carries it to carry_to (screen);
        returns the paper window after the release."""
        paper, cursor = self.start_tear()
        self.x.drag_path(steps(cursor, (cursor[0], cursor[1] + 150), 12))
        self.x.drag_path(steps(self.x.pointer(), carry_to, 8))
        time.sleep(0.2)
        self.x.release()
        time.sleep(0.1)
        if paper.wid not in [w.wid for w in self.app.papers()]:
            self.fail("the torn paper went back onto the calendar: it never came loose")
        return self.app.settled(paper.wid)

    def choose(self, open_at, key):
        """Opens a popup menu with a click at open_at (button 1 or 3) and picks the item
        whose accelerator is key."""
        (x, y), button = open_at
        self.x.click(x, y, button)
        wait_until(self.app.other_windows, 5, "the popup menu")
        self.x.x_command("xdotool", "key", key)
        wait_until(lambda: not self.app.other_windows(), 5, "the popup menu to close")

    def write_papers(self, papers, **settings):
        """Saved papers for the next start: (date, left, top, maketime) each, angle 0."""
        self.app.write_settings({"CALENDAR": {"DATE": today_day_number(), **settings},
                                 "PAPER": {"number": len(papers)}})
        for index, (date, left, top, made) in enumerate(papers):
            write_profile(self.app.paper_path(index), {"PAPER": {
                "angle": 0, "left": left, "top": top, "width": 120, "height": 120,
                "date": date, "maketime": made}})


@unittest.skipIf(MODE == "tray", "runs without a tray host")
class StartAndTearTest(CalendarCase):
    def test_first_start_shows_today_centred_and_painted(self):
        main = self.app.start()
        self.assertEqual(self.app.papers(), [])
        self.assertTrue(near((main.x, main.y), CENTRED), main)
        desktop = self.desktop_colour()
        rows = []

        def painted():
            rows[:] = self.x.pixels(main.x, main.y, main.width, main.height)
            return len({rows[y][x] for y in range(30, 140) for x in range(10, 120)}) > 4

        with contextlib.suppress(HarnessError):
            wait_until(painted, 3, "the page painted", interval=0.1)
        self.assertTrue(painted(), "the page looks unpainted")
        # Rounded corners show the desktop.
        self.assertEqual((rows[0][0], rows[1][1]), (desktop, desktop), "square corners")
        self.assertNotEqual(rows[2][2], desktop)
        settings, papers = self.stop_and_read()
        self.assertEqual((self.shown_day(settings), papers), (today_day_number(), []))
        self.assertEqual((int(settings["tfmquillo"]["left"]), int(settings["tfmquillo"]["top"])),
                         (main.x, main.y))

    def test_press_and_release_without_movement_tears_nothing(self):
        self.app.start()
        sx, sy = self.page_point()
        self.x.press(sx, sy)
        time.sleep(0.3)
        self.x.release()
        time.sleep(0.3)
        self.assertEqual(self.app.papers(), [])
        self.assert_nothing_torn()

    def test_a_double_click_on_the_page_never_tears(self):
        self.app.start()
        sx, sy = self.page_point()
        self.x.move(sx, sy)
        # The second press of the double click stays down and pulls: it must not tear.
        self.x.x_command("xdotool", "click", "1", "mousedown", "1")
        self.x.drag_path(steps((sx, sy), (sx, sy + 40), 4))
        self.x.release()
        time.sleep(0.3)
        self.assertEqual(self.app.papers(), [])
        # The memo editor may be open for the day; the program still ends and saves.
        self.assert_nothing_torn()

    def test_releasing_before_the_page_comes_loose_puts_it_back(self):
        self.app.start()
        paper, _ = self.start_tear(pull=(1, 2))
        # Still hinged, the torn page lies over the calendar's page.
        sx, sy = self.page_point()
        self.assertTrue(paper.contains(sx, sy), paper)
        self.x.release()
        self.app.wait_papers(0)
        self.assert_nothing_torn()

    def test_a_pull_tears_a_paper_that_comes_loose_and_follows_the_pointer(self):
        self.app.start()
        paper, cursor = self.start_tear()
        self.x.drag_path(steps(cursor, (cursor[0], cursor[1] + 150), 12))
        # Loose, the paper hangs from the pointer wherever it goes.
        for target in [(700, 200), (300, 500), (150, 150)]:
            self.x.drag_path(steps(self.x.pointer(), target, 6))
            time.sleep(0.15)
            now = [w for w in self.app.papers() if w.wid == paper.wid][0]
            self.assertTrue(now.x - 1 <= target[0] <= now.x + now.width + 1
                            and now.y - 1 <= target[1] <= now.y + now.height + 1,
                            f"paper {now} left the pointer at {target}")
        self.x.release()
        rest = self.app.settled(paper.wid)
        time.sleep(0.5)
        again = [w for w in self.app.papers() if w.wid == paper.wid][0]
        self.assertEqual((again.x, again.y), (rest.x, rest.y), "the paper moved by itself")
        self.assertEqual(len(self.app.papers()), 1)
        settings, papers = self.stop_and_read()
        self.assertEqual(self.shown_day(settings), today_day_number() + 1)
        self.assertEqual(len(papers), 1)
        self.assertEqual(int(papers[0]["date"]), today_day_number())
        self.assertTrue(10 < int(papers[0]["angle"]) < 350, papers[0])
        self.assertEqual((int(papers[0]["left"]), int(papers[0]["top"])), (rest.x, rest.y))

    def test_windows_use_per_pixel_alpha_exactly_when_a_compositor_runs(self):
        self.app.start()
        paper = self.tear_loose((600, 400))
        depth = {w: int(re.search(r"Depth: (\d+)", self.x.x_command("xwininfo", "-id", str(w))).group(1))
                 for w in (paper.wid, self.app.main_window().wid)}
        self.assertEqual(depth[paper.wid], 32 if MODE == "composite" else 24)
        # The main window too: its cut corners are transparent where windows are composited.
        self.assertEqual(depth[self.app.main_window().wid], 32 if MODE == "composite" else 24)

    def test_transparent_parts_of_a_turned_paper_show_the_desktop(self):
        self.app.start()
        paper = self.tear_loose((600, 400))
        desktop = self.desktop_colour()
        # A turned page needs a window larger than itself; what lies outside the page's
        # 120 × 120 pixels must let the desktop through, give or take the page's soft
        # edge (up to 4 pixels of partial alpha along its 480-pixel outline).
        edge = 4 * 4 * 120
        self.assertGreater(paper.width * paper.height, 120 * 120 + edge, paper)
        covered = []

        def page_only():
            rows = self.x.pixels(paper.x, paper.y, paper.width, paper.height)
            covered[:] = [sum(pixel != desktop for row in rows for pixel in row)]
            return 120 * 120 - edge <= covered[0] <= 120 * 120 + edge

        # A busy compositor may show the last picture a moment late.
        with contextlib.suppress(HarnessError):
            wait_until(page_only, 3, "the screen to show the paper at rest", interval=0.2)
        self.assertTrue(page_only(), f"{covered[0]} pixels of {paper} hide the desktop")

    def test_clicks_pass_through_a_turned_papers_transparent_corners(self):
        self.app.start()
        paper = self.tear_loose((600, 400))
        desktop = self.desktop_colour()
        rows = self.x.pixels(paper.x, paper.y, paper.width, paper.height)
        clear = [(x, y) for y in range(3, paper.height - 3) for x in range(3, paper.width - 3)
                 if all(rows[y + dy][x + dx] == desktop for dx in (-3, 0, 3) for dy in (-3, 0, 3))]
        self.assertTrue(clear, "no transparent part in the turned paper's window")
        x, y = clear[0]
        self.x.click(paper.x + x, paper.y + y, 3)
        time.sleep(0.4)
        self.assertEqual(self.app.other_windows(), [], "the transparent corner took the click")
        self.choose(((paper.x + paper.width // 2, paper.y + paper.height // 2), 3), "Escape")

    def test_calendar_moves_to_the_next_day_no_paper_shows(self):
        day = today_day_number()
        self.write_papers([(day + 1, 100, 500, day + 1.5), (day + 2, 300, 500, day + 2.5)])
        self.app.start()
        restored = self.app.wait_papers(2)
        self.assertEqual(sorted((w.x, w.y) for w in restored), [(100, 500), (300, 500)])
        self.tear_loose((600, 150))
        self.app.wait_papers(3)
        settings, papers = self.stop_and_read()
        self.assertEqual(self.shown_day(settings), day + 3)
        self.assertEqual(sorted(int(p["date"]) for p in papers), [day, day + 1, day + 2])

    def test_with_max_5_a_sixth_paper_closes_the_oldest_by_creation_time(self):
        day = today_day_number()
        # Dates and creation times in different orders: the paper of day + 12 is the oldest.
        made = {10: 0.3, 11: 0.2, 12: 0.1, 13: 0.5, 14: 0.4}
        self.write_papers([(day + offset, 20 + 130 * index, 560, day - 1 + made[offset])
                           for index, offset in enumerate(made)], MAX=5)
        self.app.start()
        self.app.wait_papers(5)
        self.tear_loose((500, 150))
        remaining = self.app.wait_papers(5)
        self.assertNotIn((20 + 130 * 2, 560), [(w.x, w.y) for w in remaining])
        settings, papers = self.stop_and_read()
        self.assertEqual(sorted(int(p["date"]) for p in papers),
                         [day, day + 10, day + 11, day + 13, day + 14])
        self.assertEqual(self.shown_day(settings), day + 1)

    def test_damaged_or_missing_paper_files_are_skipped(self):
        day = today_day_number()
        self.app.write_settings({"CALENDAR": {"DATE": day}, "PAPER": {"number": 4}})
        write_profile(self.app.paper_path(0), {"PAPER": {
            "angle": 30, "left": 100, "top": 450, "date": day + 1, "maketime": "1.5"}})
        with open(self.app.paper_path(1), "wb") as f:
            f.write(bytes(range(256)) * 40)
        write_profile(self.app.paper_path(3), {"PAPER": {
            "angle": 400, "left": 500, "top": 450, "date": day + 3, "maketime": "2.5"}})
        self.app.start()
        papers = self.app.wait_papers(2)
        self.assertEqual(sorted((w.x, w.y) for w in papers), [(100, 450), (500, 450)])
        settings, saved = self.stop_and_read()
        self.assertEqual(sorted((int(p["date"]), int(p["angle"])) for p in saved),
                         [(day + 1, 30), (day + 3, 40)])

    def test_a_papers_menu_closes_it_and_leaves_the_others(self):
        day = today_day_number()
        self.write_papers([(day + 1, 100, 400, 1.0), (day + 2, 400, 400, 2.0)])
        self.app.start()
        self.app.wait_papers(2)
        # A right press opens the menu and never carries the paper.
        self.choose(((160, 460), 3), "d")
        remaining = self.app.wait_papers(1)
        self.assertEqual((remaining[0].x, remaining[0].y), (400, 400))
        settings, papers = self.stop_and_read()
        self.assertEqual([int(p["date"]) for p in papers], [day + 2])

    def test_a_lying_paper_is_picked_up_and_carried(self):
        day = today_day_number()
        self.write_papers([(day + 1, 200, 300, 1.0)])
        self.app.start()
        lying = self.app.wait_papers(1)[0]
        grab = (lying.x + 60, lying.y + 20)
        self.x.press(*grab)
        self.x.drag_path(steps(grab, (grab[0] + 400, grab[1]), 10))
        moved = [w for w in self.app.papers() if w.wid == lying.wid][0]
        self.assertTrue(moved.contains(grab[0] + 400, grab[1]) or
                        near((moved.x, moved.y), (lying.x + 400, lying.y), 60), moved)
        self.x.release()
        rest = self.app.settled(lying.wid)
        settings, papers = self.stop_and_read()
        self.assertEqual((int(papers[0]["left"]), int(papers[0]["top"])), (rest.x, rest.y))
        self.assertEqual(int(papers[0]["date"]), day + 1)

    def test_going_to_today_takes_back_the_paper_of_today(self):
        day = today_day_number()
        self.write_papers([(day, 100, 400, 1.0), (day + 1, 400, 400, 2.0)], DATE=day + 7)
        main = self.app.start()
        self.app.wait_papers(2)
        self.choose(((main.x + MENU_BUTTON[0], main.y + MENU_BUTTON[1]), 1), "t")
        remaining = self.app.wait_papers(1)
        self.assertEqual((remaining[0].x, remaining[0].y), (400, 400))
        settings, papers = self.stop_and_read()
        self.assertEqual(self.shown_day(settings), day)
        self.assertEqual([int(p["date"]) for p in papers], [day + 1])

    def test_arranging_stacks_papers_sharing_a_left_edge_in_date_order(self):
        day = today_day_number()
        self.write_papers([(day + 3, 100, 50, 1.0), (day + 1, 100, 200, 2.0),
                           (day + 2, 100, 420, 3.0)])
        main = self.app.start()
        self.app.wait_papers(3)
        self.choose(((main.x + MENU_BUTTON[0], main.y + MENU_BUTTON[1]), 1), "j")
        time.sleep(0.3)
        settings, papers = self.stop_and_read()
        self.assertEqual(sorted((int(p["date"]), int(p["left"]), int(p["top"])) for p in papers),
                         [(day + 1, 100, 50), (day + 2, 100, 170), (day + 3, 100, 290)])

    def test_every_way_out_saves_the_papers_once(self):
        ways = [
            ("close button", lambda main: self.x.click(main.x + CLOSE_BUTTON[0],
                                                       main.y + CLOSE_BUTTON[1])),
            ("exit item", lambda main: self.choose(
                ((main.x + MENU_BUTTON[0], main.y + MENU_BUTTON[1]), 1), "x")),
        ]
        for name, leave in ways:
            with self.subTest(way=name):
                self.app = Calendar(self.x, PROGRAM)
                main = self.app.start()
                paper = self.tear_loose((300, 550))
                leave(main)
                self.assertEqual(self.app.proc.wait(timeout=10), 0, self.app.log_text())
                self.app.log.close()
                settings = self.app.settings()
                self.assertEqual(int(settings["paper"]["number"]), 1)
                saved = self.app_paper(0)
                self.assertEqual((int(saved["left"]), int(saved["top"])), (paper.x, paper.y))
                self.assertEqual(self.shown_day(settings), today_day_number() + 1)

    def test_signals_save_the_papers_and_the_next_start_puts_them_back(self):
        for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            with self.subTest(signal=sig.name):
                self.app = Calendar(self.x, PROGRAM)
                self.app.start()
                first = self.tear_loose((200, 200))
                second = self.tear_loose((650, 450))
                shown = [(w.x, w.y, w.width, w.height) for w in (first, second)]
                settings, papers = self.stop_and_read(sig)
                self.assertEqual(len(papers), 2)
                self.assertEqual(self.shown_day(settings), today_day_number() + 2)
                self.assertEqual(sorted((int(p["left"]), int(p["top"])) for p in papers),
                                 sorted(s[:2] for s in shown))
                self.app.start()
                back = self.app.wait_papers(2)
                self.assertEqual(sorted((w.x, w.y, w.width, w.height) for w in back),
                                 sorted(shown))
                settings, papers = self.stop_and_read()
                self.assertEqual(self.shown_day(settings), today_day_number() + 2)


@unittest.skipIf(MODE == "tray", "runs without a tray host")
class WindowDragTest(CalendarCase):
    def test_dragging_the_strip_moves_the_window_and_snaps_within_16_pixels(self):
        right, bottom = SCREEN_WIDTH - 130, SCREEN_HEIGHT - 151
        table = [
            # drop the window's top-left here → where it must end
            ((300, 15), (300, 0)),
            ((300, 16), (300, 16)),
            ((15, 200), (0, 200)),
            ((16, 200), (16, 200)),
            ((right - 15, 200), (right, 200)),
            ((right - 16, 200), (right - 16, 200)),
            ((300, bottom - 15), (300, bottom)),
            ((10, 10), (0, 0)),
            ((-5, 300), (0, 300)),
        ]
        main = self.app.start()
        for drop, expected in table:
            with self.subTest(drop=drop):
                grab = (main.x + STRIP[0], main.y + STRIP[1])
                self.x.press(*grab)
                target = (drop[0] + STRIP[0], drop[1] + STRIP[1])
                # The press on the strip decides for the drag; the first movement stays
                # near it, as a hand's first pixel would.
                first = (grab[0] + (target[0] > grab[0]) * 2 - 1, grab[1])
                self.x.drag_path([first] + steps(first, target, 6))
                self.x.release()
                main = self.app.settled(main.wid)
                self.assertEqual((main.x, main.y), expected)
        self.assertEqual(self.app.papers(), [], "a drag by the strip tore the page")
        settings, _ = self.stop_and_read()
        self.assertEqual((int(settings["tfmquillo"]["left"]), int(settings["tfmquillo"]["top"])),
                         (main.x, main.y))
        again = self.app.start()
        self.assertEqual((again.x, again.y), (main.x, main.y), "the place was not kept")

    def test_window_comes_back_from_a_position_off_every_monitor(self):
        self.app.write_settings({"TFMQUILLO": {"LEFT": 5000, "TOP": -3000}})
        main = self.app.start()
        self.assertTrue(0 <= main.x <= SCREEN_WIDTH - 130 and 0 <= main.y <= SCREEN_HEIGHT - 151,
                        main)

    def test_without_a_tray_host_minimising_keeps_the_window_in_reach(self):
        main = self.app.start()
        self.x.click(main.x + MINIMISE_BUTTON[0], main.y + MINIMISE_BUTTON[1])
        time.sleep(0.5)
        self.assertIsNotNone(self.app.main_window(),
                             "the window was hidden although no tray icon can bring it back")


@unittest.skipUnless(MODE == "tray", "needs a tray host")
class TrayTest(CalendarCase):
    def tray_icon(self):
        """The program's icon window inside the tray host, with screen coordinates."""
        ids = self.x.x_command("xdotool", "search", "--onlyvisible", "--pid",
                               str(self.app.proc.pid), check=False).split()
        top = {w.wid for w in self.x.root_children()}
        for wid in (int(i) for i in ids if int(i) not in top):
            values = dict(line.split("=", 1) for line in self.x.x_command(
                "xdotool", "getwindowgeometry", "--shell", str(wid)).split())
            return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])
        return None

    def test_the_icons_menu_reaches_the_calendars_items(self):
        self.app.start()
        icon = wait_until(self.tray_icon, 10, "the tray icon in trayer")
        paper = self.tear_loose((400, 300))
        self.choose(((icon[0] + icon[2] // 2, icon[1] + icon[3] // 2), 3), "x")
        self.assertEqual(self.app.proc.wait(timeout=10), 0)
        self.app.log.close()
        saved = self.app_paper(0)
        self.assertEqual((int(saved["left"]), int(saved["top"])), (paper.x, paper.y))

    def test_a_tray_host_that_goes_away_gives_the_hidden_window_back(self):
        main = self.app.start()
        wait_until(self.tray_icon, 10, "the tray icon in trayer")
        paper = self.tear_loose((400, 300))
        self.x.click(main.x + MINIMISE_BUTTON[0], main.y + MINIMISE_BUTTON[1])
        wait_until(lambda: not self.app.windows(), 5, "main window and paper hidden")
        trayer = [p for p in self.x.processes if p.args[0] == "trayer"][0]
        trayer.terminate()
        trayer.wait(timeout=5)
        wait_until(self.app.main_window, 10, "the main window back without a tray")
        self.assertEqual([(w.x, w.y) for w in self.app.wait_papers(1)], [(paper.x, paper.y)])

    def test_a_tray_host_that_comes_later_takes_the_icon(self):
        self.x = self.enterContext(XSession())
        self.app = Calendar(self.x, PROGRAM)
        self.app.start()
        time.sleep(0.5)
        self.assertIsNone(self.tray_icon())
        self.x.start_helper(["trayer", "--edge", "bottom", "--align", "right"])
        wait_until(self.tray_icon, 10, "the tray icon in the late tray host")
        main = self.app.main_window()
        self.x.click(main.x + MINIMISE_BUTTON[0], main.y + MINIMISE_BUTTON[1])
        wait_until(lambda: not self.app.windows(), 5, "the main window hidden in the tray")

    def test_minimise_hides_window_and_papers_and_the_icon_brings_them_back(self):
        self.app.start()
        icon = wait_until(self.tray_icon, 10, "the tray icon in trayer")
        paper = self.tear_loose((400, 300))
        main = self.app.main_window()
        self.x.click(main.x + MINIMISE_BUTTON[0], main.y + MINIMISE_BUTTON[1])
        wait_until(lambda: not self.app.windows(), 5, "main window and paper hidden")
        self.x.click(icon[0] + icon[2] // 2, icon[1] + icon[3] // 2)
        wait_until(lambda: self.app.main_window(), 5, "the main window back")
        back = self.app.wait_papers(1)
        self.assertEqual((back[0].x, back[0].y), (paper.x, paper.y))
        self.assertEqual((self.app.main_window().x, self.app.main_window().y), (main.x, main.y))

    def test_a_second_start_brings_the_window_and_papers_out_of_the_tray(self):
        main = self.app.start()
        wait_until(self.tray_icon, 10, "the tray icon in trayer")
        paper = self.tear_loose((400, 300))
        self.x.click(main.x + MINIMISE_BUTTON[0], main.y + MINIMISE_BUTTON[1])
        wait_until(lambda: not self.app.windows(), 5, "main window and paper hidden")
        status, took, errors = self.app.run_to_end(timeout=5)
        self.assertEqual((status, errors), (0, ""))
        self.assertLess(took, 2.0)
        back = wait_until(self.app.main_window, 5, "the main window back")
        self.assertEqual((back.x, back.y), (main.x, main.y))
        self.assertEqual([(w.x, w.y) for w in self.app.wait_papers(1)], [(paper.x, paper.y)])


if __name__ == "__main__":
    unittest.main()
