"""A year of use in one run: the real program under Xvfb, driven with xdotool through
SOAK_DAYS days (365 unless told), each a tear carried off and put down somewhere on the
screen (papers beyond the maximum of ten close by themselves) and a memo typed into the
memo window. After a warm-up of WARM_UP days the program's resident memory, its open file
descriptors and its X resources (windows, pixmaps, GCs, from xrestop) are read, and again
at the end; the run fails when its own memory (anonymous and shared with the X server)
grew by 2 MB or more, or descriptors or X resources grew at all. The whole resident size
is reported beside it; it also counts the pages of font files read as new glyphs appear.

    QUILLO_PROGRAM=build/app/quillo python3 tests/e2e/soak_year.py    (or: make soak)

It takes about twenty minutes and is not part of make test.
"""

import os
import re
import sys
import time

from harness import Calendar, XSession, wait_until, watchdog

PROGRAM = os.environ.get("QUILLO_PROGRAM", "")
DAYS = int(os.environ.get("SOAK_DAYS", "365"))
WARM_UP = 15
# What a day holds (SOAK_STEPS, comma-separated): "tear" (a tear and a drop), "memo".
STEPS = os.environ.get("SOAK_STEPS", "tear,memo").split(",")
PAGE = (30, 60)  # a point of the page's left half, inside the main window
MAX_GROWTH_KB = 2048
X_RESOURCES = ("windows", "pixmaps", "GCs", "pictures", "cursors")


def resident_kb(pid, field="VmRSS"):
    """A resident size of /proc/<pid>/status: VmRSS (all), RssAnon (the program's own
    memory), RssFile (pages of mapped files: libraries and fonts, clean and shared),
    RssShmem (shared memory with the X server)."""
    with open(f"/proc/{pid}/status") as f:
        return int(re.search(rf"^{field}:\s+(\d+) kB", f.read(), re.M).group(1))


def open_descriptors(pid):
    return len(os.listdir(f"/proc/{pid}/fd"))


def x_resources(session, wid):
    """The X resources of the client that owns window wid, from xrestop's batch output."""
    text = session.x_command("xrestop", "-b", "-m", "1")
    for block in re.split(r"\n(?=\d+ - )", text):
        base = re.search(r"res_base\s+:\s+(0x[0-9a-f]+|0)", block)
        mask = re.search(r"res_mask\s+:\s+(0x[0-9a-f]+)", block)
        if base and mask and wid & ~int(mask.group(1), 16) == int(base.group(1), 16):
            return {name: int(re.search(rf"{name}\s+:\s+(\d+)", block).group(1)) for name in X_RESOURCES}
    raise RuntimeError(f"no X client owns window {wid:#x}")


def figures(app, main):
    pid = app.proc.pid
    return {"resident KB": resident_kb(pid), "anonymous KB": resident_kb(pid, "RssAnon"),
            "file KB": resident_kb(pid, "RssFile"), "shmem KB": resident_kb(pid, "RssShmem"),
            "descriptors": open_descriptors(pid), **x_resources(app.session, main.wid)}


def tear_and_drop(session, main, day):
    """Tears the page off and puts the paper down at a place of a 7 × 4 grid."""
    sx, sy = main.x + PAGE[0], main.y + PAGE[1]
    tx, ty = 80 + (day % 7) * 140, 90 + (day // 7 % 4) * 170
    if abs(tx - sx) < 150 and abs(ty - sy) < 170:
        ty = 650
    session.x_command("xdotool", "mousemove", "--sync", str(sx), str(sy), "mousedown", "1",
                      "mousemove", str(sx + 1), str(sy + 2), "sleep", "0.1",
                      "mousemove", str(sx + 1), str(sy + 60), "sleep", "0.05",
                      "mousemove", str(sx + 1), str(sy + 160), "sleep", "0.05",
                      "mousemove", str((sx + tx) // 2), str((sy + ty) // 2), "sleep", "0.05",
                      "mousemove", str(tx), str(ty), "sleep", "0.2", "mouseup", "1")


def write_memo(app, main, day):
    """Opens the memo window with a double click on the page, types a line, closes it."""
    session = app.session
    known = {w.wid for w in app.windows()}
    session.x_command("xdotool", "mousemove", str(main.x + PAGE[0] + 40),
                      str(main.y + PAGE[1] + 40), "click", "--repeat", "2", "--delay", "80", "1")
    memo = wait_until(lambda: [w for w in app.windows() if w.wid not in known and w.name != "FmPaper"],
                      10, "the memo window")[0]
    session.x_command("xdotool", "type", "--delay", "5", f"day {day} of the soak")
    session.x_command("xdotool", "key", "Escape")
    wait_until(lambda: all(w.wid != memo.wid for w in app.windows()), 10, "the memo window to close")


def main():
    if not os.access(PROGRAM, os.X_OK):
        sys.exit(f"no program at {PROGRAM!r} (set QUILLO_PROGRAM)")
    with watchdog(3600), XSession() as session:
        app = Calendar(session, PROGRAM)
        main_window = app.start()
        began = time.monotonic()
        before = None
        for day in range(DAYS):
            if day == WARM_UP:
                time.sleep(3)
                before = figures(app, main_window)
            if "tear" in STEPS:
                tear_and_drop(session, main_window, day)
                time.sleep(0.5)  # apart from the memo's double click
            if "memo" in STEPS:
                write_memo(app, main_window, day)
                time.sleep(0.45)
            if day % 25 == 0:
                pid = app.proc.pid
                print(f"day {day}: resident {resident_kb(pid)} KB, anonymous {resident_kb(pid, 'RssAnon')} KB, "
                      f"file {resident_kb(pid, 'RssFile')} KB", file=sys.stderr, flush=True)
            if len(app.papers()) > 10:
                raise RuntimeError(f"day {day}: {len(app.papers())} papers, more than the maximum")
        time.sleep(3)
        after = figures(app, main_window)
        papers = len(app.papers())
        status = app.stop()
        took = time.monotonic() - began
    print(f"{DAYS} days ({', '.join(STEPS)}) in {took:.0f} s; {papers} papers open at the end; "
          f"exit status {status}")
    print(f"{'':14}{'day ' + str(WARM_UP):>10}{'day ' + str(DAYS):>10}{'growth':>10}")
    failed = []
    for name in before:
        growth = after[name] - before[name]
        print(f"{name:14}{before[name]:>10}{after[name]:>10}{growth:>+10}")
        if name in ("resident KB", "file KB"):
            continue  # judged below, without the pages of fonts first drawn from
        limit = MAX_GROWTH_KB - 1 if name in ("anonymous KB", "shmem KB") else 0
        if growth > limit:
            failed.append(name)
    # The pages of mapped files (fonts: each new glyph of a year's names reads a page of a
    # large CJK font) are clean and given back under pressure; the program's own memory
    # must stay within the limit.
    own = sum(after[name] - before[name] for name in ("anonymous KB", "shmem KB"))
    if own > MAX_GROWTH_KB - 1:
        failed.append("anonymous and shared memory together")
    if failed or status != 0:
        sys.exit(f"grew: {', '.join(failed)}" if failed else f"exit status {status}")


if __name__ == "__main__":
    main()
