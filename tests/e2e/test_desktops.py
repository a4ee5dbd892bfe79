"""The calendar on the desktops people run: under the headless compositors of GNOME
(mutter), KDE (kwin_wayland) and sway through their Xwayland, and under the EWMH window
manager openbox on Xvfb. One table says what each desktop does; every check runs on each.

QUILLO_PROGRAM names the program; QUILLO_DESKTOP picks the desktop (mutter, kwin, sway,
openbox). A compositor that cannot start here skips every test with the reason
("desktop unavailable: ..."), which ctest reports as a skipped test.
"""

import json
import os
import re
import signal
import time
import unittest

from compositor_session import CompositorSession, CompositorUnavailable, coloured_window
from harness import (Calendar, Window, XSession, read_profile, steps, today_day_number, wait_until,
                     watchdog, write_profile)

PROGRAM = os.environ.get("QUILLO_PROGRAM", "")
DESKTOP = os.environ.get("QUILLO_DESKTOP", "mutter")
TEST_SECONDS = 60

STRIP = (68, 12)
PAGE_LEFT_HALF = (30, 60)
MENU_BUTTON = (27, 14)
STORED = (300, 200)  # the place written for the calendar before it starts
COLOUR = "#d02090"  # the window behind the calendar
COLOUR_RGB = (0xD0, 0x20, 0x90)
# The main window's top-left corner pixel lies outside its rounded outline.
CORNER = (0, 0)
# The items of the stacking choice, counted upwards with the first Up on the last item ("終了").
STACKING_FROM_END = {"normal": 6, "top": 5, "bottom": 4}
STACKING_SETTING = {"normal": "0", "top": "1", "bottom": "2"}


class Desktop:
    """What one desktop does with X windows, for the checks to expect."""

    def __init__(self, honours_places, pictures, layers=True, composited=True):
        # Whether windows stand where they ask to stand (the stored place, a drag, a drop).
        self.honours_places = honours_places
        # Whether the composed screen can be read (ScreenShot2, grim, import on Xvfb).
        self.pictures = pictures
        # Whether X11 windows may ask to be kept above or below the others (EWMH states).
        self.layers = layers
        # Whether windows are composited: then the main window has per-pixel alpha (a 32-bit
        # visual); on plain X its shape cuts the corners of an ordinary window.
        self.composited = composited


DESKTOPS = {
    # name: honours places, pictures, ...
    "mutter": Desktop(True, False),
    "kwin": Desktop(True, True),
    # sway centres X11 windows as it maps them and at each move, and keeps floating windows
    # above tiled ones whatever they ask.
    "sway": Desktop(False, True, layers=False),
    "openbox": Desktop(True, True, composited=False),
}


_XWININFO_FIELDS = {"Absolute upper-left X": "x", "Absolute upper-left Y": "y", "Width": "width",
                    "Height": "height", "Map State": "state"}


class DesktopCalendar(Calendar):
    """The calendar on a desktop whose window manager may reparent its windows into frames
    of its own: windows are found by process and measured where they stand on the screen."""

    def windows(self):
        ids = self.session.x_command("xdotool", "search", "--onlyvisible", "--pid",
                                     str(self.proc.pid), check=False).split()
        found = []
        for wid in ids:
            out = self.session.x_command("xwininfo", "-id", wid, check=False)
            fields = {}
            for line in out.splitlines():
                key, _, value = line.strip().partition(": ")
                if key in _XWININFO_FIELDS:
                    fields[_XWININFO_FIELDS[key]] = value.strip()
            if fields.get("state") != "IsViewable":
                continue
            name = out.split('"')[1] if out.count('"') >= 2 else ""
            found.append(Window(int(wid), name, int(fields["x"]), int(fields["y"]),
                                int(fields["width"]), int(fields["height"])))
        return found


class OpenboxSession(XSession):
    """Xvfb with openbox as its window manager (it reparents windows into its frames)."""

    def _start(self):
        super()._start()
        # openbox runs its start-up command once it manages the screen.
        ready = os.path.join(self.folder, "openbox-ready")
        self.start_helper(["openbox", "--sm-disable", "--startup", f"touch {ready}"])
        wait_until(lambda: os.path.exists(ready), 10, "openbox")

    stacking = CompositorSession.stacking
    states = CompositorSession.states
    on_every_workspace = CompositorSession.on_every_workspace

    def can_take_pictures(self):
        return True


class DesktopCase(unittest.TestCase):
    """Each test gets its own session of the desktop and its own calendar home, with a private
    session bus for the calendar."""

    def setUp(self):
        if not os.access(PROGRAM, os.X_OK):
            self.skipTest(f"no program at {PROGRAM!r}")
        self.desktop = DESKTOPS[DESKTOP]
        self.enterContext(watchdog(TEST_SECONDS))
        self.open_desktop()

    def open_desktop(self, sway_lines=()):
        """A session of the desktop, a private session bus and a calendar home in it."""
        try:
            if DESKTOP == "openbox":
                self.x = self.enterContext(OpenboxSession())
            else:
                self.x = self.enterContext(CompositorSession(DESKTOP, sway_lines))
        except CompositorUnavailable as reason:
            self.skipTest(f"desktop unavailable: {reason}")
        bus = self.x.start_helper(["dbus-daemon", "--session", "--nofork", "--print-address"],
                                  pipes=True)
        self.bus_address = bus.stdout.readline().decode().strip()
        bus.stdout.close()
        self.app = DesktopCalendar(self.x, PROGRAM)
        self.app.write_settings({"TFMQUILLO": {"LEFT": STORED[0], "TOP": STORED[1]}})

    def start(self):
        self.app.launch({"DBUS_SESSION_BUS_ADDRESS": self.bus_address})
        main = wait_until(self.app.main_window, 15, "the main window")
        return self.app.settled(main.wid)

    def stop(self):
        """Ends the calendar with SIGTERM; checks a clean end with nothing on standard
        error, and returns its settings."""
        status = self.app.stop(signal.SIGTERM)
        self.assertEqual(status, 0, self.app.log_text())
        self.assertEqual(self.app.log_text(), "", "the calendar wrote to standard error")
        return self.app.settings()

    def stored_place(self, settings):
        section = settings.get("tfmquillo", {})
        return int(section.get("left", -1)), int(section.get("top", -1))

    def drag(self, start, end):
        self.x.press(*start)
        first = (start[0] + (1 if end[0] > start[0] else -1), start[1])
        self.x.drag_path([first] + steps(first, end, 8))
        self.x.release()

    def choose_stacking(self, main, choice):
        """Picks a stacking item of the main window's menu by keys: from the last item up."""
        self.x.click(main.x + MENU_BUTTON[0], main.y + MENU_BUTTON[1])
        wait_until(self.app.other_windows, 5, "the menu")
        keys = ["Up"] * STACKING_FROM_END[choice] + ["Return"]
        self.x.x_command("xdotool", "key", "--delay", "40", *keys)
        wait_until(lambda: not self.app.other_windows(), 5, "the menu to close")




def manual_pin_line():
    """The line quillo(1) gives for sway's configuration, and the place it names."""
    manual = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "packaging", "man",
                          "quillo.1.in")
    with open(manual, encoding="utf-8") as f:
        line = next(text.strip() for text in f if text.startswith("for_window"))
    x, y = line.split("move position", 1)[1].split()
    return line, (int(x), int(y))



def walk(node, key):
    """Every node of sway's tree held under key (floating_nodes) at any depth."""
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        yield from walk(child, key)
    yield from node.get(key, [])


class PlaceTest(DesktopCase):
    def test_the_stored_place_is_shown_where_the_desktop_allows_and_never_lost(self):
        main = self.start()
        if self.desktop.honours_places:
            self.assertEqual((main.x, main.y), STORED)
        else:
            self.assertNotEqual((main.x, main.y), STORED, "the desktop honoured the place after all")
        settings = self.stop()
        self.assertEqual(self.stored_place(settings), STORED,
                         "the place the desktop chose was saved over the user's")

    @unittest.skipUnless(DESKTOP == "sway", "the pinning line is sway's")
    def test_the_manuals_line_pins_the_calendar_on_sway_and_the_window_floats(self):
        line, pinned = manual_pin_line()
        self.open_desktop(sway_lines=[line])
        self.app.write_settings({"TFMQUILLO": {"LEFT": STORED[0], "TOP": STORED[1]},
                                 "CALENDAR": {"DATE": today_day_number()}, "PAPER": {"number": 1}})
        write_profile(self.app.paper_path(0), {"PAPER": {
            "angle": 0, "left": 100, "top": 100, "width": 120, "height": 120,
            "date": today_day_number() + 3, "maketime": 1}})
        main = self.start()
        self.assertEqual((main.x, main.y), pinned)
        self.app.wait_papers(1)
        # The main window (of fixed size) and the paper (a utility window) float; sway
        # would tile any other window.
        tree = json.loads(self.x.as_compositor_user(["swaymsg", "-t", "get_tree", "-r"]))
        floating = sorted(node.get("name") for node in walk(tree, "floating_nodes"))
        self.assertEqual(sorted(set(floating)), ["FmPaper", "日めくり暦"])
        self.assertEqual(self.stored_place(self.stop()), STORED)

    @unittest.skipUnless(DESKTOPS.get(DESKTOP, DESKTOPS["sway"]).honours_places,
                         "this desktop centres X11 windows at each move they ask for")
    def test_a_strip_drag_moves_by_the_drag_and_the_place_is_saved(self):
        main = self.start()
        grab = (main.x + STRIP[0], main.y + STRIP[1])
        self.drag(grab, (grab[0] + 200, grab[1] + 150))
        main = self.app.settled(main.wid)
        self.assertEqual((main.x, main.y), (STORED[0] + 200, STORED[1] + 150))
        self.assertEqual(self.stored_place(self.stop()), (main.x, main.y))


class TearTest(DesktopCase):
    @unittest.skipUnless(DESKTOPS.get(DESKTOP, DESKTOPS["sway"]).honours_places,
                         "this desktop centres X11 windows as it maps them")
    def test_a_torn_paper_lands_at_the_drop_point_and_survives_a_restart(self):
        main = self.start()
        press = (main.x + PAGE_LEFT_HALF[0], main.y + PAGE_LEFT_HALF[1])
        self.x.press(*press)
        self.x.drag_path(steps(press, (press[0], press[1] + 160), 14))
        drop = (900, 500)
        self.x.drag_path(steps(self.x.pointer(), drop, 8))
        time.sleep(0.2)
        self.x.release()
        papers = self.app.wait_papers(1)
        paper = self.app.settled(papers[0].wid)
        self.assertTrue(paper.contains(*drop), f"{paper} does not lie under the drop point {drop}")
        settings = self.stop()
        self.assertEqual(settings["paper"]["number"], "1")
        saved = read_profile(self.app.paper_path(0))["paper"]
        self.assertEqual((int(saved["left"]), int(saved["top"])), (paper.x, paper.y))
        self.start()
        back = self.app.wait_papers(1)
        self.assertEqual((back[0].x, back[0].y), (paper.x, paper.y))
        self.assertEqual(int(self.stop()["calendar"]["date"]), today_day_number() + 1)


class LookTest(DesktopCase):
    def test_the_corners_show_the_window_behind_and_the_menu_opens(self):
        # A paper turned by 30 degrees, whose window's corners lie outside its page.
        self.app.write_settings({"TFMQUILLO": {"LEFT": STORED[0], "TOP": STORED[1]},
                                 "CALENDAR": {"DATE": today_day_number()}, "PAPER": {"number": 1}})
        write_profile(self.app.paper_path(0), {"PAPER": {
            "angle": 30, "left": 520, "top": 300, "width": 120, "height": 120,
            "date": today_day_number() + 3, "maketime": 1}})
        with coloured_window(self.x, COLOUR, 100, 50, 700, 500):
            main = self.start()
            paper = self.app.settled(self.app.wait_papers(1)[0].wid)
            depth = re.search(r"Depth: (\d+)", self.x.x_command("xwininfo", "-id", str(main.wid)))
            self.assertEqual(int(depth[1]), 32 if self.desktop.composited else 24)
            if self.desktop.pictures:
                # On sway the coloured window is tiled over the whole workspace: the corner
                # shows it wherever the calendar stands.
                table = [
                    # what, screen point, shows the window behind
                    ("the main window's cut corner", (main.x + CORNER[0], main.y + CORNER[1]), True),
                    ("the main window's strip", (main.x + 65, main.y + 2), False),
                    ("the turned paper's corner", (paper.x + 1, paper.y + 1), True),
                    ("the turned paper's middle", (paper.x + paper.width // 2, paper.y + paper.height // 2),
                     False),
                ]
                for what, (x, y), behind in table:
                    seen = self.x.pixels(x, y, 1, 1)[0][0]
                    self.assertEqual(all(abs(a - b) <= 8 for a, b in zip(seen, COLOUR_RGB)), behind,
                                     f"{what} shows {seen}")
            self.x.click(main.x + MENU_BUTTON[0], main.y + MENU_BUTTON[1])
            menu = wait_until(self.app.other_windows, 5, "the menu")
            self.assertGreater(menu[0].height, 200, menu)
            # The software information, the item above the last: a rounded box of its own
            # with per-pixel alpha where windows are composited.
            self.x.x_command("xdotool", "key", "--delay", "40", "Up", "Up", "Return")
            about = wait_until(lambda: [w for w in self.app.other_windows() if w.wid != menu[0].wid], 5,
                               "the software information")[0]
            depth = re.search(r"Depth: (\d+)", self.x.x_command("xwininfo", "-id", str(about.wid)))
            self.assertEqual(int(depth[1]), 32 if self.desktop.composited else 24)
            self.x.x_command("xdotool", "key", "Escape")
            wait_until(lambda: not self.app.other_windows(), 5, "the software information to close")
            self.stop()


class StackingTest(DesktopCase):
    @unittest.skipUnless(DESKTOPS.get(DESKTOP, DESKTOPS["sway"]).layers,
                         "this desktop keeps no layers for X11 windows")
    def test_the_calendar_keeps_its_place_in_the_stack_and_remembers_it(self):
        table = [
            # choice, raised window, calendar above it, desktop-widget states
            ("top", "coloured", True, False),
            ("bottom", "calendar", False, True),
            ("normal", "coloured", False, False),
        ]
        # Over the calendar's page, not over its strip and menu button.
        with coloured_window(self.x, COLOUR, 100, STORED[1] + 40, 700, 400) as other:
            main = self.start()
            for choice, raised, above, widget in table:
                with self.subTest(choice=choice):
                    self.choose_stacking(main, choice)
                    main = self.app.settled(wait_until(self.app.main_window, 5, "the main window").wid)
                    self.x.x_command("wmctrl", "-i", "-a",
                                     hex(other if raised == "coloured" else main.wid))
                    time.sleep(0.5)
                    order = self.x.stacking()
                    self.assertEqual(order.index(main.wid) > order.index(other), above, order)
                    states = self.x.states(main.wid)
                    self.assertEqual({"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"} <= states,
                                     widget, states)
                    self.assertEqual(self.x.on_every_workspace(main.wid), widget)
            self.choose_stacking(main, "bottom")
            self.assertEqual(self.stop()["tfmquillo"]["stacking"], STACKING_SETTING["bottom"])
            main = self.start()
            wait_until(lambda: "_NET_WM_STATE_BELOW" in self.x.states(main.wid), 5,
                       "the remembered stacking")
            self.stop()


if __name__ == "__main__":
    unittest.main()
