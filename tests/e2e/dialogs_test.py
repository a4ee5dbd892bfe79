"""The calendar's dialogs in a real X server: the memo window, the options dialog and
the colour setup dialog, driven with the pointer and the keyboard as a user would.

QUILLO_PROGRAM names the program. There is no window manager, so a dialog is closed
with Escape, which goes the same way as its close box.
"""

import datetime
import os
import subprocess
import time
import unittest

from harness import DESKTOP_COLOUR, Calendar, XSession, wait_until

PROGRAM = os.environ.get("QUILLO_PROGRAM", "")
TOOL = os.environ.get("QUILLO_TOOL", "")
PAGE = (60, 80)  # a point of the main window's page
# The page inside the main window (window coordinates), where the day is drawn.
PAGE_BOX = (5, 26, 120, 120)
# Rows of the colour tree (dialog coordinates) and the dialog's controls.
SUNDAY_ROW = (95, 161)
WEEKDAY_ROW = (95, 143)
SUNDAY_SQUARE = (82, 161)  # the colour square before the name, where a drag starts
FIRST_SWATCH = (278 + 20, 305)
SELECT_BUTTON = (240, 106)
APPLY_BUTTON = (240, 130)
OK_BUTTON = (240, 356)
RGB_EDIT = (278 + 192 + 30, 16)


def day_number(date):
    return (date - datetime.date(1899, 12, 30)).days


class DialogCase(unittest.TestCase):
    def setUp(self):
        if not os.access(PROGRAM, os.X_OK):
            self.skipTest(f"no program at {PROGRAM!r}")
        self.x = self.enterContext(XSession())
        self.app = Calendar(self.x, PROGRAM)

    def tearDown(self):
        if self.app.proc and self.app.proc.poll() is None:
            self.app.stop()

    def key(self, *keys):
        self.x.x_command("xdotool", "key", "--delay", "60", *keys)

    def type_text(self, text):
        self.x.x_command("xdotool", "type", "--delay", "40", text)

    def new_window(self, known, what):
        found = wait_until(lambda: [w for w in self.app.windows() if w.wid not in known], 10, what)
        time.sleep(0.4)  # let it paint
        return max(found, key=lambda w: w.width * w.height)

    def gone(self, wid, what):
        wait_until(lambda: all(w.wid != wid for w in self.app.windows()), 10, what)

    def menu_entry(self, letter, what):
        main = self.app.main_window()
        known = {w.wid for w in self.app.windows()}
        self.x.click(main.x + PAGE[0], main.y + PAGE[1], button=3)
        menu = self.new_window(known, "the menu")
        self.key(letter)
        self.gone(menu.wid, "the menu to close")
        return self.new_window(known, what)

    def click_in(self, window, point):
        self.x.click(window.x + point[0], window.y + point[1])
        time.sleep(0.2)

    def page_pixels(self):
        main = self.app.main_window()
        x, y, w, h = PAGE_BOX
        return self.x.pixels(main.x + x, main.y + y, w, h)

    def data_file(self, name):
        path = os.path.join(self.app.data, name)
        if not os.path.exists(path):
            return None
        with open(path, "rb") as f:
            return f.read()


class MemoWindowTest(DialogCase):
    def test_a_memo_typed_after_a_double_click_is_saved_and_shown_on_the_page(self):
        main = self.app.start()
        time.sleep(0.3)
        before = self.page_pixels()
        known = {w.wid for w in self.app.windows()}
        self.x.move(main.x + PAGE[0], main.y + PAGE[1])
        self.x.x_command("xdotool", "click", "--repeat", "2", "--delay", "80", "1")
        memo = self.new_window(known, "the memo window")
        self.assertEqual((memo.width, memo.height), (240, 173))
        self.type_text("Dentist 10:00")
        self.key("Escape")
        self.gone(memo.wid, "the memo window to close")
        self.assertEqual(self.app.papers(), [], "the double click tore nothing")
        today = datetime.date.today().strftime("%Y%m%d")
        self.assertEqual(self.data_file("Memos.txt"), f"{today}Dentist 10:00\r\n".encode())
        wait_until(lambda: self.page_pixels() != before, 5, "the page to show the memo")

    def test_every_typed_character_survives_a_restart(self):
        # Characters code page 932 lacks (emoji, é, 𠮷, Korean) and 〜 as a Linux input
        # method types it (U+301C, which code page 932 reads back as its full-width twin).
        typed = "🎂 母の誕生日 café 𠮷野家 한국어 〜"
        main = self.app.start()
        known = {w.wid for w in self.app.windows()}
        self.x.move(main.x + PAGE[0], main.y + PAGE[1])
        self.x.x_command("xdotool", "click", "--repeat", "2", "--delay", "80", "1")
        memo = self.new_window(known, "the memo window")
        self.type_text(typed)
        self.key("Escape")
        self.gone(memo.wid, "the memo window to close")
        self.app.stop()
        today = datetime.date.today()
        stored = self.data_file("Memos.txt")
        self.assertEqual(stored, today.strftime("%Y%m%d").encode() + "\\u{1F382} 母の誕生日 caf\\u{E9} \\u{20BB7}野家 "
                         "\\u{D55C}\\u{AD6D}\\u{C5B4} 〜\r\n".encode("cp932"))

        main = self.app.start()
        known = {w.wid for w in self.app.windows()}
        self.x.move(main.x + PAGE[0], main.y + PAGE[1])
        self.x.x_command("xdotool", "click", "--repeat", "2", "--delay", "80", "1")
        memo = self.new_window(known, "the memo window")
        self.x.x_command("xdotool", "key", "ctrl+a", "ctrl+c")
        shown = wait_until(lambda: self.x.x_command("xclip", "-o", "-selection", "clipboard", check=False), 5,
                           "the memo on the clipboard")
        self.assertEqual(shown, typed)
        self.key("Escape")
        self.gone(memo.wid, "the memo window to close")
        self.assertEqual(self.data_file("Memos.txt"), stored, "an unchanged memo is not rewritten")

        day = today.isoformat()
        ics = subprocess.run([TOOL, "ics", day, day, "--with", "memos", "--data", self.app.data], check=True,
                             capture_output=True).stdout.decode()
        unfolded = ics.replace("\r\n ", "")
        self.assertIn("DESCRIPTION:" + typed.replace(",", "\\,") + "\r\n", unfolded)


class OptionsDialogTest(DialogCase):
    def test_ok_sets_the_greatest_number_of_papers_and_the_date(self):
        self.app.start()
        options = self.menu_entry("o", "the options dialog")
        self.assertEqual((options.width, options.height), (215, 133))
        before = self.page_pixels()
        # OK has the focus first; the date comes next (a typed year moves on to the month,
        # Tab steps through month and day), then the number of papers.
        next_year = datetime.date.today().year + 1
        self.key("Tab")
        self.type_text(str(next_year))
        self.key("Tab", "Tab", "ctrl+a")
        self.type_text("7")
        self.key("Return")
        self.gone(options.wid, "the options dialog to close")
        self.assertEqual(self.app.settings()["calendar"]["max"], "7")
        wait_until(lambda: self.page_pixels() != before, 5, "the page of the new date")
        self.app.stop()
        shown = int(self.app.settings()["calendar"]["date"])
        today = datetime.date.today()
        expected = today.replace(year=next_year) if (today.month, today.day) != (2, 29) else None
        if expected:
            self.assertEqual(shown, day_number(expected))

    def test_escape_changes_nothing(self):
        self.app.start()
        options = self.menu_entry("o", "the options dialog")
        self.key("Tab", "Tab", "Tab", "Tab", "ctrl+a")
        self.type_text("50")
        self.key("Escape")
        self.gone(options.wid, "the options dialog to close")
        self.assertNotIn("max", self.app.settings().get("calendar", {}))


class ColorSetupTest(DialogCase):
    GREEN = "00AA00"

    def start_on_a_sunday(self):
        today = datetime.date.today()
        sunday = today - datetime.timedelta(days=(today.weekday() + 1) % 7)
        # A paper of today keeps no one from showing the Sunday: the calendar starts there.
        self.app.write_settings({"CALENDAR": {"DATE": day_number(sunday)}})
        self.app.start()
        time.sleep(0.3)

    def green_pixels(self):
        return sum(1 for row in self.page_pixels() for (r, g, b) in row
                   if g >= 120 and r <= 90 and b <= 90)

    def give_sunday_green(self):
        dialog = self.menu_entry("l", "the colour setup dialog")
        self.click_in(dialog, SUNDAY_ROW)
        self.click_in(dialog, SELECT_BUTTON)  # shows the picker
        dialog = [w for w in self.app.windows() if w.wid == dialog.wid][0]
        self.assertEqual(dialog.width, 538)
        self.click_in(dialog, RGB_EDIT)
        self.key("ctrl+a")
        self.type_text(self.GREEN)
        self.key("Return")
        self.click_in(dialog, SELECT_BUTTON)  # takes the picker's colour
        return dialog

    def test_ok_writes_the_colours_and_the_page_redraws_in_them(self):
        self.start_on_a_sunday()
        self.assertEqual(self.green_pixels(), 0)
        dialog = self.give_sunday_green()
        self.click_in(dialog, OK_BUTTON)
        self.gone(dialog.wid, "the colour setup dialog to close")
        written = self.data_file("colors.clr")
        self.assertIsNotNone(written)
        self.assertIn(f"<日曜>${self.GREEN}</日曜>".encode("cp932"), written)
        wait_until(lambda: self.green_pixels() > 20, 5, "the Sunday page in green")

    def test_closing_without_ok_writes_nothing_and_restores_the_colours(self):
        self.start_on_a_sunday()
        dialog = self.give_sunday_green()
        self.click_in(dialog, APPLY_BUTTON)
        wait_until(lambda: self.green_pixels() > 20, 5, "the applied green")
        self.key("Escape")
        self.gone(dialog.wid, "the colour setup dialog to close")
        wait_until(lambda: self.green_pixels() == 0, 5, "the old Sunday colour")
        self.assertIsNone(self.data_file("colors.clr"))

    def drag(self, window, start, end):
        sx, sy = window.x + start[0], window.y + start[1]
        self.x.press(sx, sy)
        self.x.drag_path([(sx + i, sy - i) for i in range(1, 6)])
        self.x.drag_path([(window.x + end[0], window.y + end[1])], pause=0.3)
        self.x.release()
        time.sleep(0.3)

    def weekday_colour_written(self, dialog):
        self.click_in(dialog, OK_BUTTON)
        self.gone(dialog.wid, "the colour setup dialog to close")
        written = self.data_file("colors.clr") or b""
        return written.decode("cp932").split("<平日>")[1].split("<")[0]

    def test_a_colour_dragged_onto_another_entry_is_kept_by_ok(self):
        self.app.start()
        dialog = self.menu_entry("l", "the colour setup dialog")
        self.drag(dialog, SUNDAY_SQUARE, WEEKDAY_ROW)
        self.assertEqual(self.weekday_colour_written(dialog), "$4040FF")

    def test_a_colour_dropped_on_a_swatch_can_be_picked_from_it(self):
        self.app.start()
        dialog = self.menu_entry("l", "the colour setup dialog")
        self.click_in(dialog, SUNDAY_ROW)
        self.click_in(dialog, SELECT_BUTTON)  # shows the picker and its palette
        dialog = [w for w in self.app.windows() if w.wid == dialog.wid][0]
        self.drag(dialog, SUNDAY_SQUARE, FIRST_SWATCH)
        swatch = self.x.pixels(dialog.x + FIRST_SWATCH[0], dialog.y + FIRST_SWATCH[1], 1, 1)[0][0]
        self.assertEqual(swatch, (0xFF, 0x40, 0x40))
        self.click_in(dialog, WEEKDAY_ROW)
        self.click_in(dialog, FIRST_SWATCH)   # the picker takes the swatch's colour
        self.click_in(dialog, SELECT_BUTTON)  # "色変更": the entry takes the picker's
        self.assertEqual(self.weekday_colour_written(dialog), "$4040FF")

    def test_the_menu_opens_one_dialog_only(self):
        self.app.start()
        dialog = self.menu_entry("l", "the colour setup dialog")
        main = self.app.main_window()
        self.x.click(main.x + PAGE[0], main.y + PAGE[1], button=3)
        time.sleep(0.4)
        self.key("l")
        time.sleep(0.6)
        dialogs = [w for w in self.app.windows() if (w.width, w.height) == (dialog.width, dialog.height)]
        self.assertEqual(len(dialogs), 1)


class AboutBoxTest(DialogCase):
    CLOSE_BUTTON = (162 + 37, 190 + 10)

    def test_the_box_is_dragged_from_any_point_and_closed_by_its_button(self):
        self.app.start()
        about = self.menu_entry("i", "the about box")
        self.assertEqual((about.width, about.height), (247, 222))
        # Rounded: the corner shows the desktop, the frame runs along the edges.
        corner = self.x.pixels(about.x, about.y, 1, 1)[0][0]
        self.assertEqual(corner, tuple(int(DESKTOP_COLOUR[i:i + 2], 16) for i in (1, 3, 5)))
        self.assertEqual(self.x.pixels(about.x + 120, about.y, 1, 1)[0][0], (0, 0, 0))
        start = (about.x + 100, about.y + 150)  # on the information text
        self.x.press(*start)
        self.x.drag_path([(start[0] + 5 * i, start[1] + 4 * i) for i in range(1, 11)])
        self.x.release()
        moved = wait_until(lambda: [w for w in self.app.windows()
                                    if w.wid == about.wid and (w.x, w.y) != (about.x, about.y)],
                           5, "the about box to move")[0]
        self.assertEqual((moved.x - about.x, moved.y - about.y), (50, 40))
        self.click_in(moved, self.CLOSE_BUTTON)
        self.gone(about.wid, "the about box to close")
        self.assertIsNotNone(self.app.main_window())


if __name__ == "__main__":
    unittest.main()
