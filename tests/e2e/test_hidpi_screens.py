"""Two screens side by side, the left at 100 % and the right at 200 %: a window moved from
one to the other is drawn anew for the ratio of the screen it comes to.

Xvfb gives one 1600 × 800 screen; xrandr --setmonitor makes two RandR monitors of it, LEFT
and RIGHT, 800 × 800 each; Qt 6 on xcb makes a screen of each monitor, and
QT_SCREEN_SCALE_FACTORS gives LEFT the device pixel ratio 1 and RIGHT 2. On the right
screen Qt's logical coordinates start at its device origin (800, 0) and count half as
fast; xdotool moves windows in device pixels.

QUILLO_PROGRAM names the calendar, QUILLO_TOOL the companion tool that draws the reference
pages (quillo-tool page DATE OUT.png DATA --scale N).
"""

import datetime
import os
import subprocess
import time
import unittest

from harness import (MAX_DIFFERING_SHARE, Calendar, XSession, differing, read_profile, rgb_rows,
                     sharp_blocks, today_day_number, wait_until, watchdog, write_profile)

PROGRAM = os.environ.get("QUILLO_PROGRAM", "")
TOOL = os.environ.get("QUILLO_TOOL", "")
TEST_SECONDS = 120
SCREENS = {"QT_SCREEN_SCALE_FACTORS": "LEFT=1;RIGHT=2"}
RIGHT_ORIGIN = 800          # device x where the right screen begins
MAIN_SIZE = (130, 151)      # logical
PAGE_AT = (5, 26)           # the page's place in the main window, logical
ABOUT_SIZE = (247, 222)     # logical
TITLE = (4, 0, 160, 32)     # the about box's title: place and size, logical

class TwoScreenCalendar(Calendar):
    """The calendar on the two screens: its main window is found at either ratio."""

    def launch(self, env=None):
        return super().launch(dict(SCREENS, **(env or {})))

    def main_window(self):
        sizes = {(MAIN_SIZE[0] * k, MAIN_SIZE[1] * k) for k in (1, 2)}
        found = [w for w in self.windows()
                 if w.name != "FmPaper" and (w.width, w.height) in sizes]
        return found[0] if found else None


@unittest.skipUnless(os.access(PROGRAM, os.X_OK) and os.access(TOOL, os.X_OK),
                     "QUILLO_PROGRAM and QUILLO_TOOL must name the programs")
class WindowsFollowTheScreensRatio(unittest.TestCase):
    def setUp(self):
        self.enterContext(watchdog(TEST_SECONDS))
        self.x = self.enterContext(XSession(width=2 * RIGHT_ORIGIN, height=800))
        for name, left in (("LEFT", 0), ("RIGHT", RIGHT_ORIGIN)):
            self.x.x_command("xrandr", "--setmonitor", name, f"800/200x800/200+{left}+0", "none")
        self.app = TwoScreenCalendar(self.x, PROGRAM)
        self.day = today_day_number()
        self.app.write_settings({"CALENDAR": {"DATE": self.day},
                                 "TFMQUILLO": {"LEFT": 100, "TOP": 100}})

    def pixels(self, window, left=0, top=0, width=None, height=None):
        """Device pixels of the window's own image as rows of (r, g, b)."""
        width = window.width - left if width is None else width
        height = window.height - top if height is None else height
        data = subprocess.run(
            ["/usr/bin/import", "-silent", "-window", str(window.wid), "-crop",
             f"{width}x{height}+{left}+{top}", "-depth", "8", "rgb:-"],
            env=self.x.environment(self.x.folder), capture_output=True, timeout=20,
            check=True).stdout
        self.assertEqual(len(data), width * height * 3)
        return rgb_rows(data, width, height)

    def tool_page(self, day, scale):
        out = os.path.join(self.x.folder, f"page-{day}-{scale}.png")
        date = datetime.date(1899, 12, 30) + datetime.timedelta(days=day)
        env = dict(self.app.environment(), QT_QPA_PLATFORM="offscreen")
        subprocess.run([TOOL, "page", date.isoformat(), out, self.app.data, "--scale", str(scale)],
                       check=True, capture_output=True, timeout=20, env=env)
        side = round(120 * scale)
        data = subprocess.run(["/usr/bin/convert", out, "-depth", "8", "rgb:-"],
                              capture_output=True, timeout=20, check=True).stdout
        return rgb_rows(data, side, side)

    def move(self, window, x, y, size, find):
        """Moves the window to the device point (x, y) and waits until it has size in
        device pixels; returns it as found then."""
        self.x.x_command("xdotool", "windowmove", str(window.wid), str(x), str(y))
        moved = wait_until(lambda: [w for w in find() if w.wid == window.wid
                                    and (w.width, w.height) == size], 5,
                           f"{window} at {x},{y} with the size {size}")[0]
        time.sleep(0.5)  # let it paint
        return moved

    def assert_page(self, main, ratio):
        side = round(120 * ratio)
        shown = self.pixels(main, round(PAGE_AT[0] * ratio), round(PAGE_AT[1] * ratio), side, side)
        wrong = differing(shown, self.tool_page(self.day, ratio))
        self.assertLessEqual(wrong, MAX_DIFFERING_SHARE * side * side,
                             f"{wrong} of {side * side} page pixels differ at ratio {ratio}")

    def test_the_main_window_and_a_paper_are_drawn_anew_on_the_other_screen(self):
        day = self.day - 2
        self.app.write_settings({"CALENDAR": {"DATE": self.day}, "PAPER": {"number": 1},
                                 "TFMQUILLO": {"LEFT": 100, "TOP": 100}})
        write_profile(self.app.paper_path(0), {"PAPER": {
            "angle": 0, "left": 300, "top": 100, "width": 123, "height": 123,
            "date": day, "maketime": 1}})
        main = self.app.start()
        self.assertEqual((main.width, main.height), MAIN_SIZE)
        time.sleep(0.5)
        self.assert_page(main, 1)

        main = self.move(main, RIGHT_ORIGIN + 100, 100, (260, 302), self.app.windows)
        self.assert_page(main, 2)
        main = self.move(main, 100, 100, MAIN_SIZE, self.app.windows)
        self.assert_page(main, 1)

        paper = wait_until(self.app.papers, 5, "the paper")[0]
        self.assertEqual((paper.width, paper.height), (123, 123))
        paper = self.move(paper, RIGHT_ORIGIN + 300, 300, (246, 246), self.app.papers)
        # At angle 0 the page's centre (120, 120) lies on the image's centre (122, 122).
        shown = self.pixels(paper, 2, 2, 240, 240)
        wrong = differing(shown, self.tool_page(day, 2))
        self.assertLessEqual(wrong, MAX_DIFFERING_SHARE * 240 * 240,
                             f"{wrong} paper pixels are not the page drawn at 240")
        self.assertEqual(self.app.stop(), 0)
        saved = read_profile(self.app.paper_path(0))["paper"]
        self.assertEqual((int(saved["width"]), int(saved["height"])), (123, 123), saved)

    def test_the_about_box_is_drawn_anew_on_the_other_screen(self):
        main = self.app.start()
        known = {w.wid for w in self.app.windows()}
        self.x.click(main.x + 60, main.y + 80, button=3)
        menu = wait_until(lambda: [w for w in self.app.windows() if w.wid not in known], 10,
                          "the menu")[0]
        time.sleep(0.3)
        self.x.x_command("xdotool", "key", "i")
        wait_until(lambda: all(w.wid != menu.wid for w in self.app.windows()), 10,
                   "the menu to close")
        about = wait_until(lambda: [w for w in self.app.windows()
                                    if (w.width, w.height) == ABOUT_SIZE], 10, "the about box")[0]
        time.sleep(0.5)
        left, top, width, height = TITLE
        title = self.pixels(about, left, top, width, height)

        about = self.move(about, RIGHT_ORIGIN + 100, 100, (494, 444), self.app.windows)
        shown = self.pixels(about)
        # The title is drawn at the device size, with steps inside 2 × 2 blocks; the title of
        # ratio 1 stretched would have none.
        stretched = [[p for p in row for _ in range(2)] for row in title for _ in range(2)]
        self.assertEqual(sharp_blocks(stretched), 0)
        title2 = [row[2 * left:2 * (left + width)] for row in shown[2 * top:2 * (top + height)]]
        self.assertGreater(sharp_blocks(title2), 50, "the title looks stretched")
        # The frames: a black outer frame and inner black frame of one logical pixel each,
        # then the white inside.
        middle = shown[222]
        self.assertEqual(middle[:5], [(0, 0, 0)] * 4 + [(255, 255, 255)])

        about = self.move(about, 100, 100, ABOUT_SIZE, self.app.windows)
        self.assertEqual(self.pixels(about, left, top, width, height), title)


if __name__ == "__main__":
    unittest.main()
