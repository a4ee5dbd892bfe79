"""Papers on a desktop of 200 % (Xft.dpi 192, device pixel ratio 2): the calendar draws a
paper's page and its turned image at the screen's device pixels instead of stretching a
120-pixel page.

QUILLO_PROGRAM and QUILLO_TOOL name the programs; QUILLO_E2E_MODE is plain (papers cut to a
region) or composite (xcompmgr runs: per-pixel alpha).
"""

import datetime
import os
import subprocess
import tempfile
import time
import unittest

from harness import (Calendar, XSession, read_profile, rgb_rows, sharp_blocks, steps, today_day_number,
                     wait_until, watchdog, write_profile)

PROGRAM = os.environ.get("QUILLO_PROGRAM", "")
TOOL = os.environ.get("QUILLO_TOOL", "")
MODE = os.environ.get("QUILLO_E2E_MODE", "plain")
RATIO = 2
TEST_SECONDS = 100


class HiDpiCalendar(Calendar):
    """The calendar on a screen of ratio 2: its windows are listed in device pixels."""
    MAIN_SIZE = (130 * RATIO, 151 * RATIO)


def set_screen_dpi(session, dpi):
    """Gives the display's X resources the Xft.dpi that desktops set for their scale."""
    subprocess.run(["xrdb", "-merge"], input=f"Xft.dpi: {dpi}\n".encode(),
                   env=session.environment(session.folder), check=True, timeout=10)


def png_rows(png, width, height):
    """A PNG's pixels as rows of (r, g, b), read with ImageMagick."""
    data = subprocess.run(["/usr/bin/convert", png, "-depth", "8", "rgb:-"], check=True,
                          capture_output=True, timeout=10).stdout
    if len(data) != width * height * 3:
        raise AssertionError(f"{png}: {len(data)} bytes, not {width}x{height}")
    return rgb_rows(data, width, height)


@unittest.skipUnless(os.access(PROGRAM, os.X_OK) and os.access(TOOL, os.X_OK),
                     "QUILLO_PROGRAM and QUILLO_TOOL must name the programs")
class PaperAtRatioTwoTest(unittest.TestCase):
    def setUp(self):
        self.enterContext(watchdog(TEST_SECONDS))
        self.x = self.enterContext(XSession(compositor=MODE == "composite"))
        set_screen_dpi(self.x, 96 * RATIO)
        self.app = HiDpiCalendar(self.x, PROGRAM)
        self.folder = self.enterContext(tempfile.TemporaryDirectory())

    def tool_page(self, day, scale):
        """The page of day as quillo-tool draws it at scale, as rows of pixels."""
        out = os.path.join(self.folder, f"page-{day}-{scale}.png")
        date = datetime.date(1899, 12, 30) + datetime.timedelta(days=day)
        env = dict(self.app.environment(), QT_QPA_PLATFORM="offscreen")
        subprocess.run([TOOL, "page", date.isoformat(), out, self.app.data, "--scale", str(scale)],
                       check=True, capture_output=True, timeout=20, env=env)
        side = round(120 * scale)
        return png_rows(out, side, side)

    def test_a_lying_paper_shows_the_page_drawn_at_the_device_resolution(self):
        day = today_day_number() - 3
        self.app.write_settings({"CALENDAR": {"DATE": today_day_number()}, "PAPER": {"number": 1}})
        write_profile(self.app.paper_path(0), {"PAPER": {
            "angle": 0, "left": 100, "top": 80, "width": 123, "height": 123,
            "date": day, "maketime": 1}})
        self.app.start()
        paper = wait_until(self.app.papers, 5, "the paper")[0]
        # 123 logical pixels: the window and its image have twice as many device pixels.
        self.assertEqual((paper.x, paper.y, paper.width, paper.height),
                         (100 * RATIO, 80 * RATIO, 123 * RATIO, 123 * RATIO))
        time.sleep(0.5)
        # At angle 0 the page's centre (120, 120) lies on the image's centre (122, 122).
        shown = self.x.pixels(paper.x + 2, paper.y + 2, 240, 240)
        expected = self.tool_page(day, RATIO)
        differing = sum(max(abs(p - q) for p, q in zip(a, b)) > 8
                        for row_a, row_b in zip(shown, expected) for a, b in zip(row_a, row_b))
        self.assertLess(differing, 240 * 240 // 100, "the paper is not the page drawn at 240")
        # The measure of sharpness tells the two apart: the page twice as large as drawn at
        # 120 has no sharp step inside a 2 × 2 block, the shown paper many.
        stretched = [[p for p in row for _ in range(2)] for row in self.tool_page(day, 1)
                     for _ in range(2)]
        self.assertEqual(sharp_blocks(stretched), 0)
        self.assertGreater(sharp_blocks(shown), 200)

    def test_a_torn_and_turned_paper_has_single_device_pixel_detail(self):
        self.app.start()
        main = self.app.main_window()
        # Logical points of the screen are device points ÷ 2; xdotool moves in device pixels.
        sx, sy = main.x + 30 * RATIO, main.y + 60 * RATIO
        self.x.press(sx, sy)
        self.x.drag_path(steps((sx, sy), (sx + 2, sy + 2), 1))
        wait_until(self.app.papers, 5, "the torn paper's window")
        self.x.drag_path(steps(self.x.pointer(), (sx, sy + 300), 12))
        self.x.drag_path(steps(self.x.pointer(), (600, 450), 8))
        time.sleep(0.3)
        self.x.release()
        papers = self.app.wait_papers(1)
        time.sleep(0.5)
        paper = self.app.wait_papers(1)[0]
        # Setting the paper's shape in device pixels leaves the main window's buttons drawn
        # inside it, not turned into X windows of their own.
        tree = subprocess.run(["xwininfo", "-children", "-id", str(main.wid)], capture_output=True, text=True,
                              env=self.app.environment(), timeout=20).stdout
        self.assertRegex(tree, r"\b0 children", tree)
        rows = self.x.pixels(paper.x, paper.y, paper.width, paper.height)
        # The window lies on even device pixels (logical places), so its 2 × 2 blocks are
        # those a twofold stretch would fill with one colour.
        self.assertEqual((paper.x % 2, paper.y % 2), (0, 0), papers)
        self.assertGreater(sharp_blocks(rows), 200, "the paper looks stretched from 120 pixels")
        status = self.app.stop()
        self.assertEqual(status, 0, self.app.log_text())
        saved = read_profile(self.app.paper_path(0)).get("paper", {})
        angle = int(saved["angle"])
        self.assertTrue(10 < angle < 350, saved)
        # The saved size is the logical one, as at every scale.
        self.assertLess(int(saved["width"]) * RATIO, paper.width + 2, saved)
        self.assertGreater(int(saved["width"]) * RATIO, paper.width - 2, saved)


if __name__ == "__main__":
    unittest.main()
