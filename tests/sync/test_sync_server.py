"""Two data folders kept in step through a real CalDAV server by `quillo-tool sync`, one
table of scenarios: each row prepares the two machines (A and B) and the server, and checks
that no word is lost. QUILLO_SYNC_SERVER picks the server: radicale (default) or xandikos."""

import os
import re
import time
import unittest
import uuid

from caldav_fixtures import Dav, Machine, Proxy, Server, journal

SEPARATOR = re.compile(r"――― 別の端末での変更 \(\d{4}-\d\d-\d\d \d\d:\d\d\) ―――")
RICH = "会議 ソ表ゼ\r\n二行目 🎂 é 𠮷 한국\r\n\r\n\"引用\" \\ タブ\tあり"


class Scene:
    """One scenario's two machines on a fresh collection of the shared server."""

    def __init__(self, case):
        self.case, self.server = case, case.server
        self.a, self.b = Machine("A"), Machine("B")
        self.dav = Dav(self.server.port)
        name = "scene-" + uuid.uuid4().hex[:8]
        self.ok(self.a.sync("setup", self.server.root, "alice", "--collection", name))
        self.collection = self.a.collection()
        self.ok(self.b.sync("setup", self.server.root, "alice", "--collection", self.collection))

    def ok(self, result, status=0):
        code, out, err, _ = result
        self.case.assertEqual(code, status, f"exit {code}\nstdout: {out}\nstderr: {err}")
        return out + err

    def synced(self, *machines, status=0):
        for machine in machines:
            self.ok(machine.sync(), status)

    def names(self):
        return self.dav.names(self.collection)

    def through(self, machine, proxy):
        machine.set_setting("COLLECTION", self.collection.replace(f":{self.server.port}/", f":{proxy.port}/"))

    def direct(self, machine):
        machine.set_setting("COLLECTION", self.collection)

    def close(self):
        self.a.close()
        self.b.close()


def created_on_a_appears_on_b(s):
    # Year 5000: libical cannot write the date, so the memo stays here, never lost.
    s.a.write_memos({"20261208": RICH, "20270101": "元日", "50000101": "遠い未来"})
    s.synced(s.a, s.b)
    s.case.assertEqual(s.b.memos(), {"20261208": RICH, "20270101": "元日"})
    s.case.assertEqual(s.a.memos()["50000101"], "遠い未来")
    s.case.assertEqual(s.names(), ["20261208-memo.ics", "20270101-memo.ics"])
    status, body, _ = s.dav.get(s.collection, "20261208-memo.ics")
    s.case.assertIn("DTSTART;VALUE=DATE:20261208", body)
    s.case.assertIn("UID:20261208-memo@quillo.vellomar.example", body)
    s.synced(s.a, s.b)  # nothing changed: nothing moves
    s.case.assertEqual(s.b.memos(), {"20261208": RICH, "20270101": "元日"})
    s.case.assertIn("未送信: 0 件", s.ok(s.a.sync("--status")))


def edited_on_both_offline(s):
    s.a.write_memos({"20261208": "元の文"})
    s.synced(s.a, s.b)
    s.a.edit("20261208", "Aの変更 🎂")
    s.b.edit("20261208", "Bの変更\r\n二行目")
    s.synced(s.a)
    s.synced(s.b, status=3)
    merged = s.b.memos()["20261208"]
    local, remote = SEPARATOR.split(merged)
    s.case.assertEqual((local, remote), ("Bの変更\r\n二行目\r\n", "\r\nAの変更 🎂"))
    copies = sorted(os.listdir(s.b.path("conflicts")))
    s.case.assertEqual(len(copies), 2)
    texts = set()
    for copy in copies:
        with open(s.b.path("conflicts/" + copy), encoding="utf-8", newline="") as copy_file:
            texts.add(copy_file.read())
    s.case.assertEqual(texts, {"Bの変更\r\n二行目", "Aの変更 🎂"})
    s.synced(s.a)
    s.case.assertEqual(s.a.memos(), s.b.memos())
    s.case.assertIn("確認が必要な日: 2026-12-08", s.ok(s.b.sync("--status")))


def same_day_created_on_both(s):
    s.a.write_memos({"20261208": "Aで書いた", "20261209": "同じ文"})
    s.b.write_memos({"20261208": "Bで書いた", "20261209": "同じ文"})
    s.synced(s.a)
    s.synced(s.b, status=3)
    s.synced(s.a)
    s.case.assertEqual(s.names(), ["20261208-memo.ics", "20261209-memo.ics"])
    s.case.assertEqual(s.a.memos(), s.b.memos())
    s.case.assertIn("Aで書いた", s.a.memos()["20261208"])
    s.case.assertIn("Bで書いた", s.a.memos()["20261208"])
    s.case.assertEqual(s.a.memos()["20261209"], "同じ文")


def deleted_on_a_edited_on_b(s):
    s.a.write_memos({"20261208": "元の文"})
    s.synced(s.a, s.b)
    s.a.write_memos({})
    s.b.edit("20261208", "Bで書き足した")
    s.synced(s.a, s.b, s.a)
    s.case.assertEqual(s.a.memos(), {"20261208": "Bで書き足した"})
    s.case.assertEqual(s.b.memos(), {"20261208": "Bで書き足した"})


def edited_on_b_deleted_on_a(s):
    s.a.write_memos({"20261208": "元の文"})
    s.synced(s.a, s.b)
    s.b.edit("20261208", "Bで書き足した")
    s.synced(s.b)
    s.a.write_memos({})
    s.synced(s.a, s.b)
    s.case.assertEqual(s.a.memos(), {"20261208": "Bで書き足した"})
    s.case.assertEqual(s.names(), ["20261208-memo.ics"])


def deleted_on_a_reaches_b(s):
    s.a.write_memos({"20261208": "消す", "20261209": "残す"})
    s.synced(s.a, s.b)
    s.a.write_memos({"20261209": "残す"})
    s.synced(s.a, s.b)
    s.case.assertEqual(s.b.memos(), {"20261209": "残す"})
    s.case.assertEqual(s.names(), ["20261209-memo.ics"])


def server_gone_mid_pass(s):
    s.a.write_memos({f"202612{d:02d}": f"メモ{d}" for d in range(1, 7)})
    proxy = Proxy(s.server.port, "cut_after", limit=3)  # the probe and two PUTs, then silence
    s.through(s.a, proxy)
    out = s.ok(s.a.sync(), 1)
    s.case.assertIn("接続", out)
    s.case.assertIn("未送信: 4 件", s.ok(s.a.sync("--status")))
    proxy.close()
    s.direct(s.a)
    s.synced(s.a, s.b)
    s.case.assertEqual(s.b.memos(), s.a.memos())
    s.case.assertEqual(len(s.names()), 6)


def put_reply_lost(s):
    s.a.write_memos({"20261208": "届いたか分からない"})
    proxy = Proxy(s.server.port, "drop_put")
    s.through(s.a, proxy)
    s.ok(s.a.sync(), 1)
    proxy.close()
    s.direct(s.a)
    s.synced(s.a, s.b)
    s.case.assertEqual(s.names(), ["20261208-memo.ics"])
    s.case.assertEqual(s.b.memos(), {"20261208": "届いたか分からない"})


def bogus_token(s):
    s.a.write_memos({"20261208": "一"})
    s.synced(s.a, s.b)
    with open(s.b.path("MemoSync.json"), encoding="utf-8") as state_file:
        state = state_file.read()
    state = re.sub(r'"token": "[^"]*"', '"token": "http://radicale.org/ns/sync/bogus"', state)
    with open(s.b.path("MemoSync.json"), "w", encoding="utf-8") as state_file:
        state_file.write(state)
    s.a.edit("20261209", "二")
    s.synced(s.a, s.b)
    s.case.assertEqual(s.b.memos(), {"20261208": "一", "20261209": "二"})


def collection_emptied(s):
    memos = {f"202612{d:02d}": f"メモ{d}" for d in range(1, 7)}
    s.a.write_memos(memos)
    s.synced(s.a)
    for name in s.names():
        s.case.assertEqual(s.dav.delete(s.collection, name) // 100, 2)
    out = s.ok(s.a.sync(), 1)
    s.case.assertIn("すべて消えています", out)
    s.case.assertEqual(s.a.memos(), memos)
    s.ok(s.a.sync(), 1)  # asks again, deletes nothing
    s.case.assertEqual(s.a.memos(), memos)
    s.ok(s.a.sync("--upload-again"))
    s.case.assertEqual(len(s.names()), 6)
    s.synced(s.b)
    s.case.assertEqual(s.b.memos(), memos)


def collection_deleted(s):
    s.a.write_memos({"20261208": "残る"})
    s.synced(s.a)
    s.case.assertEqual(s.dav.request("DELETE", s.collection)[0] // 100, 2)
    s.case.assertIn("コレクションがありません", s.ok(s.a.sync(), 1))
    s.case.assertEqual(s.a.memos(), {"20261208": "残る"})


def collection_without_journals(s):
    if s.server.kind == "xandikos":
        return  # xandikos keeps no component set: its calendars take every kind
    events = s.server.root + f"alice/events-{uuid.uuid4().hex[:6]}/"
    body = ('<?xml version="1.0"?><C:mkcalendar xmlns:D="DAV:" xmlns:C="urn:ietf:params:xml:ns:caldav"><D:set>'
            '<D:prop><C:supported-calendar-component-set><C:comp name="VEVENT"/></C:supported-calendar-component-set>'
            '</D:prop></D:set></C:mkcalendar>')
    s.case.assertEqual(s.dav.request("MKCALENDAR", events, body)[0], 201)
    c = Machine("C")
    try:
        s.case.assertIn("VJOURNAL", s.ok(c.sync("setup", events, "alice"), 1))
    finally:
        c.close()


def wrong_password(s):
    if s.server.kind == "xandikos":
        return  # xandikos has no accounts: any password passes
    s.a.write_memos({"20261208": "送れない"})
    proxy = Proxy(s.server.port)
    s.through(s.a, proxy)
    out = s.ok(s.a.sync(password="wrong"), 1)
    proxy.close()
    s.case.assertIn("パスワード", out)
    s.case.assertEqual(proxy.requests, ["PROPFIND"])  # asked once, no retry that locks the account
    s.case.assertEqual(s.a.memos(), {"20261208": "送れない"})


def other_programs_journals(s):
    s.case.assertEqual(s.dav.put(s.collection, "other.ics", journal("other-1@example.org", "20261208", "日誌です")) // 100, 2)
    # Two DESCRIPTIONs in one journal are valid iCalendar; Radicale refuses to store them (400),
    # so there only xandikos's run sees one.
    two = s.dav.put(s.collection, "20261209-memo.ics",
                    journal("20261209-memo@quillo.vellomar.example", "20261209", "一つ目", "二つ目"))
    s.case.assertIn(two, (201, 204) if s.server.kind != "radicale" else (201, 204, 400))
    _, before, etag = s.dav.get(s.collection, "other.ics")
    s.a.write_memos({"20261208": "自分のメモ"})
    s.synced(s.a, s.a)
    expected = {"20261208": "自分のメモ"}
    if two // 100 == 2:
        expected["20261209"] = "一つ目\r\n二つ目"
    s.case.assertEqual(s.a.memos(), expected)
    _, after, etag_after = s.dav.get(s.collection, "other.ics")
    s.case.assertEqual((after, etag_after), (before, etag))
    with open(s.a.path("MemoSync.json"), encoding="utf-8") as state:
        s.case.assertIn("日誌です", state.read())
    s.case.assertIn("other.ics", s.names())


def edited_by_another_program(s):
    s.a.write_memos({"20261208": "前"})
    s.synced(s.a, s.b)
    s.a.write_memos({"20261208": "バックアップから戻した 🎂"})  # no editor marked it
    s.synced(s.a, s.b)
    s.case.assertEqual(s.b.memos(), {"20261208": "バックアップから戻した 🎂"})


def hostile_replies(s):
    s.a.write_memos({"20261208": "失わない"})
    s.a.set_setting("TIMEOUT", "3")
    for mode, words in [("garbage", "接続"), ("huge", "大きすぎ"), ("trickle", "3 秒以内")]:
        proxy = Proxy(s.server.port, mode)
        s.through(s.a, proxy)
        started = time.monotonic()
        code, out, err, resident_kib = s.a.sync()
        proxy.close()
        s.case.assertEqual(code, 1, f"{mode}: {out}{err}")
        s.case.assertIn(words, err, mode)
        s.case.assertLess(resident_kib, 200 * 1024, mode)
        s.case.assertLess(time.monotonic() - started, 30, mode)
        s.case.assertEqual(s.a.memos(), {"20261208": "失わない"}, mode)
    s.direct(s.a)
    s.synced(s.a, s.b)
    s.case.assertEqual(s.b.memos(), {"20261208": "失わない"})


def calendar_running_on_folder(s):
    import fcntl
    with open(s.a.path("quillo.lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
        out = s.ok(s.a.sync(), 1)
    s.case.assertIn("動いています", out)


def self_signed_server(s):
    if s.server.kind != "radicale":
        return  # the TLS server of the table is a Radicale
    secure = Server("radicale", tls=True)
    try:
        c = Machine("C")
        code, out, err, _ = c.sync("setup", secure.root, "alice")
        s.case.assertEqual(code, 1, out + err)
        s.case.assertIn("SHA-256 " + secure.fingerprint(), err)
        c.write_settings(f"[SYNC]\nFINGERPRINT={secure.fingerprint().lower()}\n")
        s.ok(c.sync("setup", secure.root, "alice"))
        c.write_memos({"20261208": "暗号化して送った"})
        s.synced(c)
        c.set_setting("FINGERPRINT", "AB:" * 31 + "AB")
        code, out, err, _ = c.sync()
        s.case.assertEqual(code, 1, out + err)
        s.case.assertIn(secure.fingerprint(), err)
        c.close()
    finally:
        secure.close()
    # Plain HTTP leaves this computer for no server.
    code, out, err, _ = s.a.sync("setup", "http://192.0.2.1/dav/", "alice")
    s.case.assertEqual(code, 1, out + err)
    s.case.assertIn("http:", err)


SCENARIOS = [
    created_on_a_appears_on_b,
    edited_on_both_offline,
    same_day_created_on_both,
    deleted_on_a_edited_on_b,
    edited_on_b_deleted_on_a,
    deleted_on_a_reaches_b,
    server_gone_mid_pass,
    put_reply_lost,
    bogus_token,
    collection_emptied,
    collection_deleted,
    collection_without_journals,
    wrong_password,
    other_programs_journals,
    edited_by_another_program,
    hostile_replies,
    calendar_running_on_folder,
    self_signed_server,
]


class SyncThroughServerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = Server(os.environ.get("QUILLO_SYNC_SERVER", "radicale"))

    @classmethod
    def tearDownClass(cls):
        cls.server.close()

    def test_scenarios(self):
        only = os.environ.get("QUILLO_SYNC_SCENARIO")
        for scenario in SCENARIOS:
            if only and scenario.__name__ != only:
                continue
            with self.subTest(scenario.__name__):
                scene = Scene(self)
                try:
                    scenario(scene)
                finally:
                    scene.close()


if __name__ == "__main__":
    unittest.main()
