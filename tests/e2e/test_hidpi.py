"""The calendar on a high-DPI desktop: Xvfb with the X resource Xft.dpi set as desktops set it
at 200 % (192) and 150 % (144). The main window keeps its logical size in device pixels
times the ratio, its page is the page drawn for that ratio pixel for pixel (not the small
page stretched), and the close button's cross is drawn at device resolution.

QUILLO_PROGRAM names the calendar, QUILLO_TOOL the companion tool that draws the reference
page (quillo-tool page DATE OUT.png --scale N).
"""

import datetime
import os
import subprocess
import tempfile
import time
import unittest

from harness import MAX_DIFFERING_SHARE, Calendar, XSession, differing, rgb_rows, today_day_number, watchdog

PROGRAM = os.environ.get("QUILLO_PROGRAM", "")
TOOL = os.environ.get("QUILLO_TOOL", "")
TEST_SECONDS = 100

# The page's place in the window (logical pixels) and the golden-page tolerance: a pixel
# differs when a channel differs by more than 32; at most 0.5 % of the pixels may differ.
PAGE_AT = (5, 26)
PAGE_SIDE = 120
# The close button (logical place and side) and its caption colour (0x00BBGGRR 0xA08060).
CLOSE_AT = (106, 4)
CLOSE_SIDE = 20
GLYPH_RGB = (0x60, 0x80, 0xA0)


def device(logical, ratio):
    """Device pixels of a logical length, rounded as the calendar rounds them."""
    return int(logical * ratio + 0.5)


class HiDpiCase(unittest.TestCase):
    def setUp(self):
        if not os.access(PROGRAM, os.X_OK):
            self.skipTest(f"no program at {PROGRAM!r}")
        if not os.access(TOOL, os.X_OK):
            self.skipTest(f"no tool at {TOOL!r}")
        self.enterContext(watchdog(TEST_SECONDS))

    def start(self, dpi):
        self.x = self.enterContext(XSession(dpi=dpi))
        self.app = Calendar(self.x, PROGRAM)
        main = self.app.start()
        time.sleep(0.5)  # let it paint
        return main

    def window_pixels(self, window):
        """The window's own pixels as rows of (r, g, b), taken as the screenshots take them."""
        data = subprocess.run(
            ["/usr/bin/import", "-silent", "-window", str(window.wid), "-depth", "8", "rgb:-"],
            env=self.x.environment(self.x.folder), capture_output=True, timeout=20,
            check=True).stdout
        self.assertEqual(len(data), window.width * window.height * 3)
        return rgb_rows(data, window.width, window.height)

    def reference_page(self, ratio):
        """The shown day's page for ratio as the tool draws it, with the calendar's data."""
        day = datetime.date(1899, 12, 30) + datetime.timedelta(days=today_day_number())
        out = os.path.join(self.x.folder, f"page-{ratio}.png")
        subprocess.run([TOOL, "page", day.isoformat(), out, "--scale", str(ratio)],
                       check=True, timeout=20, capture_output=True)
        side = device(PAGE_SIDE, ratio)
        data = subprocess.run(["/usr/bin/convert", out, "-depth", "8", "rgb:-"],
                              capture_output=True, timeout=20, check=True).stdout
        self.assertEqual(len(data), side * side * 3, "the tool's page size")
        return rgb_rows(data, side, side)

    def check_window_and_page(self, dpi, ratio, size):
        main = self.start(dpi)
        self.assertEqual((main.width, main.height), size)
        shown = self.window_pixels(main)
        expected = self.reference_page(ratio)
        side = len(expected)
        left, top = device(PAGE_AT[0], ratio), device(PAGE_AT[1], ratio)
        page = [row[left:left + side] for row in shown[top:top + side]]
        wrong = differing(page, expected)
        self.assertLessEqual(wrong, MAX_DIFFERING_SHARE * side * side,
                             f"{wrong} of {side * side} page pixels differ at ratio {ratio}")
        return main, shown

    def test_at_200_percent_the_window_is_doubled_and_the_page_and_buttons_are_sharp(self):
        main, shown = self.check_window_and_page(192, 2, (260, 302))
        # The cross of the close button: one-pixel steps per row at device resolution (a
        # stretched small cross steps two rows at a time) and no blended pixel inside its
        # box (a smoothly stretched one has many).
        left, top = device(CLOSE_AT[0], 2), device(CLOSE_AT[1], 2)
        side = device(CLOSE_SIDE, 2)
        button = [row[left:left + side] for row in shown[top:top + side]]
        ink = [(c, r) for r in range(side) for c in range(side) if button[r][c] == GLYPH_RGB]
        self.assertGreater(len(ink), 40, "the close button shows no cross")
        x0, x1 = min(c for c, _ in ink), max(c for c, _ in ink)
        y0, y1 = min(r for _, r in ink), max(r for _, r in ink)
        face = button[y0][(x0 + x1) // 2]
        blended = [(c, r) for r in range(y0, y1 + 1) for c in range(x0, x1 + 1)
                   if button[r][c] not in (GLYPH_RGB, face)]
        self.assertEqual(blended, [], "blended pixels in the cross")
        starts = [min(c for c, rr in ink if rr == r) for r in range(y0, (y0 + y1) // 2)]
        self.assertEqual([b - a for a, b in zip(starts, starts[1:])], [1] * (len(starts) - 1),
                         f"the cross's left stroke starts at {starts}")

    def test_at_150_percent_the_window_and_page_are_drawn_at_one_and_a_half(self):
        self.check_window_and_page(144, 1.5, (195, 227))


if __name__ == "__main__":
    unittest.main()
