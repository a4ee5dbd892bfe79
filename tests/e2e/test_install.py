"""The calendar as it is installed: `cmake --install` of the build puts every file where
the freedesktop and Debian conventions want it, each passes its validator, installing
twice is harmless, and the installed program, started under Xvfb, keeps its data in the
user's application-data folder, carries the window class of its desktop entry and
writes and removes its autostart entry from its menu.

QUILLO_BUILD_DIR names the build to install from.
"""

import configparser
import gzip
import os
import shlex
import shutil
import struct
import subprocess
import tempfile
import time
import unittest

from harness import Calendar, XSession, today_day_number, wait_until, watchdog, write_profile

BUILD = os.environ.get("QUILLO_BUILD_DIR", "")
APP_ID = "example.vellomar.quillo"
ICON_SIZES = (16, 24, 32, 48, 64, 128, 256)
PRODUCT = "日めくり暦"
# Memo sync's window side, which the calendar loads when sync is wanted.
SYNC_MODULE = f"/usr/{os.environ.get('QUILLO_MODULE_DIR', 'lib/quillo')}/quillo-sync.so"
MENU_BUTTON = (27, 14)
TEST_SECONDS = 120


def install(prefix, destdir=None):
    env = dict(os.environ)
    env.pop("DESTDIR", None)
    if destdir:
        env["DESTDIR"] = destdir
    return subprocess.run(["cmake", "--install", BUILD, "--prefix", prefix], env=env, capture_output=True,
                          text=True, timeout=120, check=True)


def files_below(root):
    found = set()
    for folder, _, names in os.walk(root):
        for name in names:
            found.add(os.path.relpath(os.path.join(folder, name), root))
    return found


def run_quietly(argv):
    """(status, standard output and error together) of a validator."""
    result = subprocess.run(argv, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=120,
                            check=False, env=dict(os.environ, LC_ALL="C.UTF-8"))
    return result.returncode, result.stdout


def desktop_entry(path):
    parser = configparser.RawConfigParser(interpolation=None, strict=False)
    parser.optionxform = str
    parser.read(path, encoding="utf-8")
    return parser["Desktop Entry"]


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    assert head[:8] == b"\x89PNG\r\n\x1a\n", path
    return struct.unpack(">II", head[16:24])


def needs(*tools):
    missing = [t for t in tools if not shutil.which(t)]
    return unittest.skipIf(missing, f"not installed: {' '.join(missing)} (scripts/install-deps installs them)")


@unittest.skipUnless(os.path.isfile(os.path.join(BUILD, "CMakeCache.txt")), "no build to install from")
class StagedInstallTest(unittest.TestCase):
    """An installation into DESTDIR with the prefix of the Debian package."""

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="quillo-install-")
        cls.stage = os.path.join(cls.folder, "stage")
        install("/usr", cls.stage)
        cls.files = files_below(cls.stage)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder, ignore_errors=True)

    def staged(self, path):
        return os.path.join(self.stage, path.lstrip("/"))

    def test_every_file_lies_where_the_conventions_put_it_and_nothing_else_is_installed(self):
        expected = {
            "usr/bin/quillo", "usr/bin/quillo-tool", "usr/libexec/quillo/quillo-tool-qt",
            SYNC_MODULE.lstrip("/"),
            f"usr/share/applications/{APP_ID}.desktop",
            f"usr/share/metainfo/{APP_ID}.metainfo.xml",
            f"usr/share/icons/hicolor/scalable/apps/{APP_ID}.svg",
            "usr/share/man/man1/quillo.1.gz", "usr/share/man/man1/quillo-tool.1.gz",
            "usr/share/doc/quillo/copyright", "usr/share/doc/quillo/changelog.Debian.gz",
            "etc/xdg/vellomar/registry.ini",
        } | {f"usr/share/icons/hicolor/{s}x{s}/apps/{APP_ID}.png" for s in ICON_SIZES}
        self.assertEqual(self.files, expected)
        for program in ("usr/bin/quillo", "usr/bin/quillo-tool", "usr/libexec/quillo/quillo-tool-qt"):
            self.assertTrue(os.access(self.staged(program), os.X_OK), program)

    def test_installing_twice_changes_nothing(self):
        before = {f: open(self.staged(f), "rb").read() for f in self.files}
        install("/usr", self.stage)
        self.assertEqual(files_below(self.stage), self.files)
        self.assertEqual({f: open(self.staged(f), "rb").read() for f in self.files}, before)

    def test_the_machine_store_records_the_program_folder(self):
        with open(self.staged("etc/xdg/vellomar/registry.ini"), "rb") as f:
            self.assertEqual(f.read(), b"[software\\vellomar\\quillo]\r\nAppDir=/usr/bin\r\n")

    def test_icons_are_drawn_in_every_size_of_the_theme(self):
        for size in ICON_SIZES:
            path = self.staged(f"usr/share/icons/hicolor/{size}x{size}/apps/{APP_ID}.png")
            self.assertEqual(png_size(path), (size, size))

    @needs("desktop-file-validate")
    def test_the_desktop_entry_validates_and_names_the_one_id(self):
        path = self.staged(f"usr/share/applications/{APP_ID}.desktop")
        self.assertEqual(run_quietly(["desktop-file-validate", path]), (0, ""))
        entry = desktop_entry(path)
        self.assertEqual((entry["Name"], entry["Exec"], entry["Icon"], entry["StartupWMClass"]),
                         (PRODUCT, "quillo", APP_ID, APP_ID))
        self.assertEqual(entry["Categories"], "Office;Calendar;Qt;")
        self.assertEqual((entry["Terminal"], entry["X-GNOME-SingleWindow"]), ("false", "true"))
        for keyword in ("カレンダー", "暦", "六曜", "旧暦", "メモ"):
            self.assertIn(keyword, entry["Keywords[ja]"].split(";"))

    @needs("appstreamcli")
    def test_the_appstream_file_validates(self):
        path = self.staged(f"usr/share/metainfo/{APP_ID}.metainfo.xml")
        status, report = run_quietly(["appstreamcli", "validate", "--no-net", "--pedantic", path])
        self.assertEqual(status, 0, report)
        problems = [line for line in report.splitlines() if line.startswith(("E:", "W:"))]
        self.assertEqual(problems, [], report)
        with open(path, encoding="utf-8") as f:
            text = f.read()
        for needed in (f"<id>{APP_ID}</id>", f'<launchable type="desktop-id">{APP_ID}.desktop</launchable>',
                       "<binary>quillo</binary>", "<binary>quillo-tool</binary>", '<release version="'):
            self.assertIn(needed, text)

    @needs("man")
    def test_the_manual_pages_render_without_warnings(self):
        for page in ("quillo.1.gz", "quillo-tool.1.gz"):
            path = self.staged(f"usr/share/man/man1/{page}")
            status, report = run_quietly(["man", "--warnings", "-E", "UTF-8", "-l", "-Tutf8", "-Z", path])
            self.assertEqual(status, 0, page)
            # -Z leaves the device output on standard output; warnings are the lines that say so.
            warnings = [line for line in report.splitlines() if "warning" in line]
            self.assertEqual(warnings, [], page)
            with gzip.open(path, "rt", encoding="utf-8") as f:
                self.assertIn(".SH EXIT STATUS", f.read())


@unittest.skipUnless(os.path.isfile(os.path.join(BUILD, "CMakeCache.txt")), "no build to install from")
class UserInstallTest(unittest.TestCase):
    """The calendar installed with --prefix ~/.local and started from there."""

    def setUp(self):
        self.enterContext(watchdog(TEST_SECONDS))
        self.x = self.enterContext(XSession())
        # A home folder whose name code page 932 cannot hold: the path is used as the
        # system gives it, and no folder with a converted name is ever made beside it.
        self.home = os.path.join(self.x.folder, "josé-😀")
        self.prefix = os.path.join(self.home, ".local")
        install(self.prefix)
        self.program = os.path.join(self.prefix, "bin", "quillo")
        self.data = os.path.join(self.home, "share", "Vellomar", PRODUCT)
        self.app = Calendar(self.x, self.program, home=self.home, data=self.data)
        # The data folder is the one the installed program chooses by itself.
        os.remove(self.app.registry_path())
        self.autostart = os.path.join(self.home, "config", "autostart", f"{APP_ID}.desktop")

    def window_class(self, wid):
        out = self.x.x_command("xprop", "-id", str(wid), "WM_CLASS")
        # WM_CLASS(STRING) = "quillo", "example.vellomar.quillo"
        return [part.strip().strip('"') for part in out.split("=", 1)[1].split(",")]

    def toggle_start_at_login(self, main):
        """Opens the menu with the MENU button and picks ログイン時に起動する, the third
        item from the bottom."""
        self.x.click(main.x + MENU_BUTTON[0], main.y + MENU_BUTTON[1])
        wait_until(self.app.other_windows, 5, "the menu")
        for key in ("Up", "Up", "Up", "Return"):
            self.x.x_command("xdotool", "key", key)
        wait_until(lambda: not self.app.other_windows(), 5, "the menu to close")

    def save_a_paper(self):
        """A paper saved in the folder the installed calendar uses."""
        self.app.write_settings({"CALENDAR": {"DATE": today_day_number()}, "PAPER": {"number": 1}})
        write_profile(self.app.paper_path(0), {"PAPER": {
            "angle": 0, "left": 100, "top": 100, "width": 120, "height": 120,
            "date": today_day_number() - 1, "maketime": 45000}})

    def test_the_installed_calendar_keeps_its_data_in_the_users_folder(self):
        self.save_a_paper()
        beside_home = set(os.listdir(self.x.folder))
        main = self.app.start()
        paper = self.app.wait_papers(1)[0]
        entry = desktop_entry(os.path.join(self.prefix, "share", "applications", f"{APP_ID}.desktop"))
        for window in (main, paper):
            self.assertEqual(self.window_class(window.wid), ["quillo", entry["StartupWMClass"]])
        self.assertEqual(self.app.stop(), 0, self.app.log_text())
        self.assertTrue(os.path.isfile(os.path.join(self.data, "application.ini")))
        self.assertFalse(os.path.exists(os.path.join(self.prefix, "bin", "Data")))
        self.assertEqual(set(os.listdir(self.x.folder)), beside_home)

    def test_a_copy_in_a_folder_named_in_japanese_keeps_data_beside_itself_and_the_tool_writes_there(self):
        folder = os.path.join(self.x.folder, "café 暦")
        os.makedirs(folder)
        for name in ("quillo", "quillo-tool"):
            shutil.copy(os.path.join(self.prefix, "bin", name), folder)
        # The tool draws pages through its companion, which a copy carries beside it.
        shutil.copy(os.path.join(self.prefix, "libexec", "quillo", "quillo-tool-qt"), folder)
        shutil.copy(self.prefix + SYNC_MODULE.removeprefix("/usr"), folder)
        copy = Calendar(self.x, os.path.join(folder, "quillo"), home=self.home, data=os.path.join(folder, "Data"))
        os.remove(copy.registry_path())
        copy.start()
        self.assertEqual(copy.stop(), 0, copy.log_text())
        self.assertTrue(os.path.isfile(os.path.join(folder, "Data", "application.ini")))
        page = os.path.join(folder, "頁 é.png")
        tool = os.path.join(folder, "quillo-tool")
        subprocess.run([tool, "page", "2026-12-08", page, os.path.join(folder, "Data")], check=True,
                       env=copy.environment(), capture_output=True)
        subprocess.run([tool, "decode", page, os.path.join(folder, "再 é.png")], check=True, env=copy.environment(),
                       capture_output=True)
        self.assertTrue(os.path.isfile(os.path.join(folder, "再 é.png")))

    def test_memo_sync_is_loaded_from_the_installation_only_once_it_is_set_up(self):
        def mapped():
            with open(f"/proc/{self.app.proc.pid}/maps", encoding="utf-8", errors="replace") as f:
                return {line.split(maxsplit=5)[-1].strip() for line in f if "/" in line}

        self.app.start()
        time.sleep(1)  # past the first paint, when the rest of the start-up is done
        sync_parts = [p for p in mapped() if any(n in p for n in ("quillo-sync", "libQt6Network", "libical"))]
        self.assertEqual(sync_parts, [], "a calendar that does not sync loads nothing of it")
        self.assertEqual(self.app.stop(), 0, self.app.log_text())
        # Set up for a server that is not there: the module is loaded and its pass fails.
        self.app.write_settings({"SYNC": {"ENABLED": 1, "URL": "http://127.0.0.1:9/", "USER": "u",
                                          "COLLECTION": "http://127.0.0.1:9/u/memos/"}})
        self.app.launch(env={"QUILLO_SYNC_PASSWORD": "p"})
        module = os.path.realpath(self.prefix + SYNC_MODULE.removeprefix("/usr"))
        wait_until(lambda: module in mapped(), 10, "the installed sync module")
        self.assertEqual(self.app.stop(), 0, self.app.log_text())

    @needs("desktop-file-validate")
    def test_start_at_login_is_ticked_and_cleared_from_the_menu(self):
        self.save_a_paper()
        main = self.app.start()
        self.toggle_start_at_login(main)
        wait_until(lambda: os.path.exists(self.autostart), 5, "the autostart entry")
        self.assertEqual(run_quietly(["desktop-file-validate", self.autostart]), (0, ""))
        entry = desktop_entry(self.autostart)
        self.assertEqual((entry["Exec"], entry["TryExec"], entry["Icon"]), (self.program, self.program, APP_ID))
        self.assertNotEqual(entry.get("Hidden", "false"), "true")
        self.assertGreater(int(entry["X-GNOME-Autostart-Delay"]), 0)

        # The next login, as a session's autostart does it: the entry's command starts the
        # calendar, which comes back with its paper.
        self.assertEqual(self.app.stop(), 0, self.app.log_text())
        self.app.program = shlex.split(entry["Exec"])[0]
        main = self.app.start()
        self.assertEqual(len(self.app.wait_papers(1)), 1)
        self.toggle_start_at_login(main)
        wait_until(lambda: not os.path.exists(self.autostart), 5, "the autostart entry to go")
        self.assertEqual(self.app.stop(), 0, self.app.log_text())


if __name__ == "__main__":
    unittest.main()
