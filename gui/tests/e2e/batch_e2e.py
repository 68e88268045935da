"""End to end with a long batch on the Linux dialog, on a private Xvfb display
under openbox, read through its accessibility tree:
  - a folder of 2,000 models is dropped, one of them is deleted, and
    "Extract!" runs them while the tests' X client asks the dialog every 50 ms
    whether it is alive (_NET_WM_PING, as the window manager does): the
    longest question left unanswered is at most 250 ms; the one-line text
    under the list counts "file N of 2000" up while the batch runs, and the
    list ends with 2,000 lines;
  - the deleted model's line is "failed", and selecting it shows why;
  - a second batch is stopped with Esc: the dialog stays open, fewer than
    2,000 lines are listed, each "completed" line has its whole report and no
    other report or temporary file is left. A writer keeps the sixth model
    changing, so the batch waits there (up to the job's 5 s bound for a
    model being written) and the Esc surely comes while it runs.
Screenshots of the running, stopped and failed-line states go to OUT_DIR.

usage: batch_e2e.py QUORVEL TAVGEN XDND_DROP WM_PING OUT_DIR   (under dbus-run-session)
       batch_e2e.py --measure N QUORVEL TAVGEN XDND_DROP WM_PING OUT_DIR
         prints the longest unanswered ping of one batch of N models, and
         checks nothing else (for comparing builds)
"""
import glob
import os
import re
import shutil
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pyatspi  # noqa: E402
from gi.repository import GLib  # noqa: E402

import quorvel_e2e as q  # noqa: E402

measure = None
args = sys.argv[1:]
if args[0] == "--measure":
    measure = int(args[1])
    args = args[2:]
quorvel, tavgen, xdnd_drop, wm_ping = (os.path.abspath(a) for a in args[:4])

MODELS = 2000
MAX_GAP_MS = 250
FAILED_REASON = "ERROR: fopen failed: No such file or directory"


def centre(node):
    e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return e.x + e.width // 2, e.y + e.height // 2


class Dialog:
    def __init__(self, s, app_proc):
        self.s = s
        self.app = q.application(app_proc.pid)
        self.dialog = q.window(self.app, q.TITLE)
        self.buttons = q.find_all(self.dialog, pyatspi.ROLE_PUSH_BUTTON)
        self.table = q.status_table(self.dialog)
        self.wid = subprocess.run(["xdotool", "search", "--onlyvisible", "--name",
                                   f"^{q.TITLE}$"], env=s.env, capture_output=True,
                                  text=True).stdout.split()[0]
        # The Extract!/Stop button: the second push button in template order.
        self.extract = [b for b in self.buttons if b.name != "Load TAV"][0]

    def info(self):
        """The one-line text under the list."""
        labels = q.find_all(self.dialog, pyatspi.ROLE_LABEL)
        return labels[0].name if labels else ""

    def idle(self):
        return self.extract.name == "Extract!" and not q.sensitive(self.extract)

    def drop(self, *paths):
        x, y = centre(self.table.parent)
        got = subprocess.run([xdnd_drop, self.wid, str(x), str(y)] + list(paths), env=self.s.env,
                             capture_output=True, text=True)
        if got.returncode != 0:
            q.fail(f"xdnd_drop ended {got.returncode}: {got.stderr.strip()}")
        q.poll(lambda: q.sensitive(self.extract), "'Extract!' to be enabled by the drop")

    def click_extract(self):
        # A pointer click, which returns at once whatever the dialog does.
        x, y = centre(self.extract)
        subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"], env=self.s.env,
                       check=True)

    def ping(self):
        return subprocess.Popen([wm_ping, self.wid], env=self.s.env, stdin=subprocess.PIPE,
                                stdout=subprocess.PIPE, text=True)


class Names:
    """Every name the dialog's labels and buttons take, in order, as AT-SPI
    reports the changes: a batch can end before a poll would see it run."""

    def __init__(self):
        self.seen = []
        pyatspi.Registry.registerEventListener(self.on_change,
                                               "object:property-change:accessible-name")

    def on_change(self, event):
        name = event.any_data if isinstance(event.any_data, str) else event.source.name
        self.seen.append(name)

    def take(self):
        """The names reported so far (the events waiting are handled first)."""
        context = GLib.MainContext.default()
        while context.iteration(False):
            pass
        return list(self.seen)

    def clear(self):
        self.take()
        self.seen.clear()


def gap_of(pinger):
    out, _ = pinger.communicate("", timeout=30)
    found = re.search(r"longest_gap_ms=(\d+) pings=(\d+) answered=(\d+)", out)
    if not found:
        q.fail(f"wm_ping printed {out!r}")
    return int(found.group(1)), int(found.group(2)), int(found.group(3))


def make_models(tavgen, folder, count):
    os.makedirs(folder)
    first = os.path.join(folder, "m00000.tav")
    subprocess.run([tavgen, "-o", first], check=True, input=(
        b"version\nnode\narg rot flap_l 4\narg anim gear_door 0\narg pos pylon_1 12\n"
        b"conn pylon_1 4\n"))
    for i in range(1, count):
        shutil.copyfile(first, os.path.join(folder, f"m{i:05d}.tav"))
    return [os.path.join(folder, f"m{i:05d}.tav") for i in range(count)]


def start(s):
    s.start_xvfb()
    s.start_wm()
    s.start_accessibility_bus()
    run = os.path.join(s.work, "run")
    os.makedirs(run)
    return run, Dialog(s, s.start_quorvel(quorvel, run))


def measure_only(s, count):
    run, d = start(s)
    folder = os.path.join(run, "models")
    make_models(tavgen, folder, count)
    d.drop(folder)
    pinger = d.ping()
    began = time.monotonic()
    d.click_extract()
    q.poll(lambda: not q.sensitive(d.extract) and d.extract.name == "Extract!",
           "the batch to end", timeout=600)
    took = time.monotonic() - began
    gap, pings, answered = gap_of(pinger)
    print(f"models={count} longest_gap_ms={gap} pings={pings} answered={answered} "
          f"batch_s={took:.1f}")


def main(s):
    if measure is not None:
        measure_only(s, measure)
        return
    run, d = start(s)
    folder = os.path.join(run, "models")
    models = make_models(tavgen, folder, MODELS)

    # 1. A whole batch, with one model gone before Extract!.
    names = Names()
    d.drop(folder)
    os.remove(models[1])
    names.clear()
    pinger = d.ping()
    d.click_extract()
    q.poll(lambda: "Stop" in names.take(), "'Extract!' to become 'Stop'")
    s.screenshot(q.TITLE, os.path.join(s.out, "quorvel-running.png"))
    q.poll(d.idle, "the batch to end", timeout=120)
    gap, pings, answered = gap_of(pinger)
    print(f"longest unanswered ping: {gap} ms ({answered} of {pings} answered)")
    if gap > MAX_GAP_MS:
        q.fail(f"the dialog left a ping unanswered for {gap} ms")
    pattern = re.compile(rf"file (\d+) of {MODELS}")

    def counted():
        got = [int(m.group(1)) for m in map(pattern.fullmatch, names.take()) if m]
        return got if len(set(got)) >= 3 else None
    progress = q.poll(counted, "the progress text to count up")
    if progress != sorted(progress):
        q.fail(f"the progress text did not count up: {progress[:10]}...")
    t = d.table.queryTable()
    if t.nRows != MODELS:
        q.fail(f"{t.nRows} lines after the batch, not {MODELS}")
    for row, outcome in ((0, "completed"), (1, "failed"), (MODELS - 1, "completed")):
        want = os.path.basename(models[row]).ljust(60, ".") + outcome
        if t.getAccessibleAt(row, 0).name != want:
            q.fail(f"line {row} reads {t.getAccessibleAt(row, 0).name!r}, not {want!r}")
    if not q.has(t.getAccessibleAt(MODELS - 1, 0), pyatspi.STATE_SHOWING):
        q.fail("the last line is not in view after the batch")

    # 2. Why the deleted model failed: select its line with the keyboard.
    q.poll(lambda: q.focused(d.table) or d.table.queryComponent().grabFocus(),
           "the status list to take the focus")
    d.s.key("Home", "Down")
    q.poll(lambda: q.has(t.getAccessibleAt(1, 0), pyatspi.STATE_SELECTED),
           "line 1 to be selected by Home, Down")
    q.poll(lambda: FAILED_REASON in d.info(), "the failed line's reason under the list")
    s.screenshot(q.TITLE, os.path.join(s.out, "quorvel-failed-reason.png"))

    # 3. A batch stopped by Esc as soon as it runs, the reports of the first
    # batch removed.
    for report in glob.glob(os.path.join(folder, "*.txt")):
        want = open(report, "rb").read()
        os.remove(report)
    shutil.copyfile(models[0], models[1])
    d.drop(folder)
    names.clear()
    stop_writing = threading.Event()

    def write_sixth():
        with open(models[5], "ab") as f:
            f.write(b"\n")

    def keep_writing_sixth():
        while not stop_writing.wait(0.05):
            write_sixth()
    write_sixth()  # changed already when the batch reaches it
    writer = threading.Thread(target=keep_writing_sixth)
    writer.start()
    try:
        d.click_extract()
        q.poll(lambda: "Stop" in names.take(), "the second batch to start")
        s.key("Escape")
        q.poll(d.idle, "the batch to stop on Esc")
    finally:
        stop_writing.set()
        writer.join()
    if not q.showing_windows(d.app, q.TITLE):
        q.fail("Esc during the batch closed the dialog")
    t = d.table.queryTable()
    listed = t.nRows
    if not 0 < listed < MODELS:
        q.fail(f"{listed} lines after Esc, not fewer than {MODELS}")
    lines = [t.getAccessibleAt(row, 0).name for row in range(listed)]
    completed = [line.split(".")[0] for line in lines if line.endswith("completed")]
    print(f"stopped by Esc after {listed} lines, {len(completed)} completed")
    written = sorted(glob.glob(os.path.join(folder, "*.txt")))
    if sorted(os.path.join(folder, name + ".txt") for name in completed) != written:
        q.fail(f"{len(written)} reports for {len(completed)} completed of {listed} lines")
    for report in written:
        if open(report, "rb").read() != want:
            q.fail(f"the report {report} is not whole")
    if glob.glob(os.path.join(folder, ".quorvel-*")):
        q.fail("a temporary report was left")
    if not re.search(r"stopped", d.info()):
        q.fail(f"the text under the list reads {d.info()!r} after Esc")
    s.screenshot(q.TITLE, os.path.join(s.out, "quorvel-stopped.png"))

    # Esc with no batch running ends the program.
    s.key("Escape")
    s.wait_exit("on Esc")


q.run(main)
