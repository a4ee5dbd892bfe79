"""quillo-tool's output read back by independent readers: the iCalendar file by Debian's
python3-icalendar, the JSON lines by the standard library's json, both against the
almanac's own TSV of the same days."""

import datetime
import json
import os
import subprocess
import unittest

import icalendar

TOOL = os.environ["QUILLO_TOOL"]
EPOCH = {"SOURCE_DATE_EPOCH": "1700000000"}
KANJI_DIGITS = "〇一二三四五六七八九"


def run(*arguments, environment=None):
    env = dict(os.environ)
    env.update(environment or {})
    return subprocess.run([TOOL, *arguments], check=True, capture_output=True, env=env).stdout


_tsv = {}


def almanac_rows(first, last):
    """The almanac's TSV of the days as dictionaries by header name, one per day."""
    if (first, last) not in _tsv:
        lines = run("almanac", first, last).decode("utf-8").split("\n")
        header = lines[0].split("\t")
        _tsv[first, last] = [dict(zip(header, line.split("\t"))) for line in lines[1:] if line]
    return _tsv[first, last]


def kanji_number(n):
    """1..30 as the lunar day is written: 十, 二十一, 三十."""
    tens, ones = divmod(n, 10)
    text = ("" if tens < 2 else KANJI_DIGITS[tens]) + ("十" if tens else "")
    return text + (KANJI_DIGITS[ones] if ones else "")


def events(ics_bytes):
    calendar = icalendar.Calendar.from_ical(ics_bytes)
    return calendar, [c for c in calendar.walk("VEVENT")]


def uid_kind(event):
    uid = str(event["UID"])
    return uid[9:uid.index("@")]


class IcsReadBackTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.full = run("ics", "1873-01-01", "2100-12-31", environment=EPOCH)
        cls.calendar, cls.full_events = events(cls.full)

    def test_the_file_is_a_clean_calendar(self):
        calendar = self.calendar
        self.assertEqual(str(calendar["VERSION"]), "2.0")
        self.assertEqual(str(calendar["CALSCALE"]), "GREGORIAN")
        self.assertEqual(str(calendar["METHOD"]), "PUBLISH")
        self.assertEqual(str(calendar["X-WR-CALNAME"]), "日本の祝日と暦")
        self.assertTrue(str(calendar["PRODID"]).startswith("-//Vellomar//quillo-tool "))
        for component in calendar.walk():
            self.assertEqual(component.errors, [], component.name)
        for line in self.full.split(b"\r\n")[:-1]:
            self.assertLessEqual(len(line), 75)
            self.assertNotIn(b"\n", line)
            line.decode("utf-8")  # no character split by a fold
        self.assertTrue(self.full.endswith(b"END:VCALENDAR\r\n"))

    def test_every_event_is_an_all_day_transparent_event(self):
        uids = set()
        for event in self.full_events:
            start = event.decoded("DTSTART")
            end = event.decoded("DTEND")
            self.assertFalse(hasattr(start, "hour"), start)
            self.assertEqual((end - start).days, 1)
            self.assertEqual(str(event["TRANSP"]), "TRANSPARENT")
            self.assertEqual(event.decoded("DTSTAMP").strftime("%Y%m%dT%H%M%S"), "20231114T221320")
            self.assertTrue(str(event["UID"]).startswith(start.strftime("%Y%m%d-")))
            uids.add(str(event["UID"]))
        self.assertEqual(len(uids), len(self.full_events))

    def test_holidays_and_terms_fall_on_the_almanacs_days(self):
        expected = {"holiday": {}, "term": {}}
        for row in almanac_rows("1873-01-01", "2100-12-31"):
            if row["holiday"]:
                expected["holiday"][row["date"]] = row["holiday"]
            if row["term"]:
                expected["term"][row["date"]] = row["term"]
        found = {"holiday": {}, "term": {}}
        categories = {"holiday": "祝日", "term": "節気・雑節"}
        for event in self.full_events:
            kind = uid_kind(event)
            day = event.decoded("DTSTART").isoformat()
            self.assertNotIn(day, found[kind])
            found[kind][day] = str(event["SUMMARY"])
            self.assertEqual(event["CATEGORIES"].to_ical().decode(), categories[kind])
        holidays_1970_2050 = {d: n for d, n in expected["holiday"].items() if "1970" <= d[:4] <= "2050"}
        self.assertEqual({d: n for d, n in found["holiday"].items() if "1970" <= d[:4] <= "2050"},
                         holidays_1970_2050)
        self.assertGreater(len(holidays_1970_2050), 81 * 14)
        self.assertEqual(found["holiday"], expected["holiday"])
        self.assertEqual(found["term"], expected["term"])
        self.assertGreaterEqual(len(found["term"]), 228 * 24)
        # The holidays of the decrees of 1873..1948 and the present law's first ones.
        for day, name in (("1873-11-03", "天長節"), ("1927-11-03", "明治節"), ("1948-04-29", "天長節"),
                          ("1948-09-23", "秋分の日")):
            self.assertEqual(found["holiday"][day], name)
        self.assertNotIn("1873-01-03", found["holiday"])

    def test_every_kind_counts_right_and_lunar_days_read_as_the_almanacs(self):
        out = run("ics", "2020-01-01", "2025-12-31", "--with", "holidays,terms,rokuyo,lunar", environment=EPOCH)
        _, all_events = events(out)
        rows = almanac_rows("2020-01-01", "2025-12-31")
        by_kind = {}
        for event in all_events:
            by_kind.setdefault(uid_kind(event), []).append(event)
        self.assertEqual(sorted(by_kind), ["holiday", "lunar-rokuyo", "term"])
        self.assertEqual(len(by_kind["holiday"]), sum(1 for r in rows if r["holiday"]))
        self.assertEqual(len(by_kind["term"]), sum(1 for r in rows if r["term"]))
        self.assertEqual(len(by_kind["lunar-rokuyo"]), len(rows))
        for event, row in zip(by_kind["lunar-rokuyo"], rows):
            self.assertEqual(event.decoded("DTSTART").isoformat(), row["date"])
            summary = "旧暦%s%s日 %s" % (row["lunar_month"], kanji_number(int(row["lunar_day"])), row["rokuyo"])
            self.assertEqual(str(event["SUMMARY"]), summary)

        for kind, uid in (("rokuyo", "rokuyo"), ("lunar", "lunar")):
            _, only = events(run("ics", "2024-01-01", "2024-12-31", "--with", kind, environment=EPOCH))
            self.assertEqual(len(only), 366, kind)
            self.assertEqual({uid_kind(e) for e in only}, {uid})

    def test_libical_reads_every_event_without_an_error(self):
        """libical is the reader of GNOME Calendar and Evolution; it marks what it cannot
        take with X-LIC-ERROR properties. Only where its GObject binding is installed."""
        try:
            import gi
            gi.require_version("ICalGLib", "3.0")
            from gi.repository import ICalGLib
        except (ImportError, ValueError):
            self.skipTest("no gir1.2-ical-3.0 and python3-gi")
        calendar = ICalGLib.Component.new_from_string(self.full.decode("utf-8"))
        self.assertEqual(calendar.count_errors(), 0)
        count = 0
        event = calendar.get_first_component(ICalGLib.ComponentKind.VEVENT_COMPONENT)
        while event:
            self.assertEqual(event.count_errors(), 0, event.get_uid())
            count += 1
            event = calendar.get_next_component(ICalGLib.ComponentKind.VEVENT_COMPONENT)
        self.assertEqual(count, len(self.full_events))

    def test_a_second_run_with_the_same_epoch_is_byte_identical(self):
        arguments = ("ics", "1900-01-01", "2100-12-31", "--with", "holidays,terms,rokuyo,lunar")
        self.assertEqual(run(*arguments, environment=EPOCH), run(*arguments, environment=EPOCH))


class JsonLinesTest(unittest.TestCase):
    def test_json_lines_equal_the_tsv_field_by_field(self):
        lines = run("almanac", "1900-01-01", "2100-12-31", "--json").decode("utf-8").split("\n")
        self.assertEqual(lines[-1], "")
        rows = almanac_rows("1900-01-01", "2100-12-31")
        self.assertEqual(len(lines) - 1, len(rows))
        day_zero = datetime.date(1899, 12, 30)
        for line, row in zip(lines, rows):
            record = json.loads(line)
            self.assertEqual(record.pop("day_number"), (datetime.date.fromisoformat(row["date"]) - day_zero).days)
            self.assertEqual(record, row)


if __name__ == "__main__":
    unittest.main()


def png_size(path):
    """Width and height from a PNG file's header chunk."""
    with open(path, "rb") as f:
        header = f.read(24)
    assert header[:8] == b"\x89PNG\r\n\x1a\n" and header[12:16] == b"IHDR", path
    return int.from_bytes(header[16:20], "big"), int.from_bytes(header[20:24], "big")


class PageCommandTest(unittest.TestCase):
    def setUp(self):
        import tempfile
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)

    def page(self, *arguments):
        out = os.path.join(self.folder.name, "page.png")
        if os.path.exists(out):
            os.remove(out)
        result = subprocess.run([TOOL, "page", "2026-12-07", out, *arguments], capture_output=True)
        return result, out

    def test_the_scale_makes_the_page_of_that_pixel_ratio(self):
        for arguments, size in [((), 120), (("--scale", "2"), 240), (("--scale=1.5",), 180),
                                (("--scale", "1.25"), 150), ((self.folder.name, "--scale", "3"), 360),
                                (("--scale", "2", self.folder.name), 240)]:
            result, out = self.page(*arguments)
            self.assertEqual(result.returncode, 0, (arguments, result.stderr))
            self.assertEqual(png_size(out), (size, size), arguments)

    def test_a_bad_scale_is_refused_and_writes_nothing(self):
        for arguments in [("--scale",), ("--scale", "0"), ("--scale", "9"), ("--scale", "two"),
                          ("--scale", "-2"), ("--scale", "nan"), ("--scale=",), ("--scale", "1e1")]:
            result, out = self.page(*arguments)
            self.assertEqual(result.returncode, 2, arguments)
            self.assertIn(b"quillo-tool page:", result.stderr)
            self.assertFalse(os.path.exists(out), arguments)
