"""End to end with real drops on the Linux dialog, on a private Xvfb display
under openbox, read through its accessibility tree:
  - xdnd_drop, the tests' own X client, plays a file manager's side of the X
    drag-and-drop protocol and drops two models and a folder on the status
    list; with an http:// URI among them, which is left out. "Extract!" then
    lists the two models and every model below the folder in byte order (one
    with a Cyrillic name and a space, one whose name is not UTF-8), and each
    report equals quorvel-cli's;
  - a double-click on a "completed" line, and Enter on a line selected by a
    click, open its report through xdg-open, whose own configuration (the
    test's mimeapps.list and desktop entry) points text/plain at a recording
    script that must receive the report's path; a "failed" line opens
    nothing;
  - a drop on a push button reaches the dialog; drops on the dialog and on the
    About box while the About box is open change nothing.

usage: drop_e2e.py QUORVEL QUORVEL_CLI TAVGEN XDND_DROP OUT_DIR   (under dbus-run-session)
"""
import filecmp
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pyatspi  # noqa: E402

import quorvel_e2e as q  # noqa: E402

quorvel, cli, tavgen, xdnd_drop = (os.path.abspath(a) for a in sys.argv[1:5])


def status_line(name, outcome):
    """The line as the dialog shows it: bytes lowered A-Z only, dots counted in
    bytes, a byte that is not UTF-8 shown as U+FFFD."""
    raw = os.fsencode(name)
    lowered = bytes(c + 32 if 65 <= c <= 90 else c for c in raw)
    return (lowered.ljust(60, b".") + outcome.encode()).decode("utf-8", "replace")


def centre(node):
    e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return e.x + e.width // 2, e.y + e.height // 2


def main(s):
    s.start_xvfb()
    s.start_wm()
    s.start_accessibility_bus()

    run = os.path.join(s.work, "run")
    one = os.path.join(run, "drop", "one")
    folder = os.path.join(run, "drop", "Folder")
    linux = os.path.join(s.work, "linux")
    for d in (one, os.path.join(folder, "sub", "deeper"), linux):
        os.makedirs(d)

    def gen(path, description):
        subprocess.run([tavgen, "-o", path], input=description.encode(), check=True)
    gen(os.path.join(one, "Cockpit.tav"),
        "version\nnode\narg rot flap_l 4\narg anim gear_door 0\narg pos pylon_1 12\nconn pylon_1 4\n")
    gen(os.path.join(one, "Gear.tav"), "version\nnode\narg rot wheel 7\narg vis light 2\n")
    gen(os.path.join(folder, "sub", "Rotor.TAV"), "version\nnode\narg rot blade 3\n")
    gen(os.path.join(folder, "sub", "deeper", "Tail.tav"), "version\nnode\narg anim rudder 9\n")
    gen(os.path.join(folder, "Кабина 2.tav"), "version\nnode\narg pos seat 1\narg bone arm 5\n")
    raw_name = os.fsdecode(b"raw\xff.tav")
    gen(os.path.join(folder, raw_name), "version\nnode\narg vis lamp 6\n")
    open(os.path.join(folder, "notes.txt"), "w").write("not a model\n")
    open(os.path.join(one, "readme.txt"), "w").write("not a model\n")

    # In drop order: the two models, then the folder's in byte order.
    models = [os.path.join(one, "Cockpit.tav"), os.path.join(one, "Gear.tav"),
              os.path.join(folder, raw_name), os.path.join(folder, "sub", "Rotor.TAV"),
              os.path.join(folder, "sub", "deeper", "Tail.tav"),
              os.path.join(folder, "Кабина 2.tav")]
    for m in models:
        shutil.copy(m, linux)
        subprocess.run([cli, os.path.basename(m)], cwd=linux, check=True, capture_output=True)

    # xdg-open's own configuration: text/plain opens with a recording script.
    record = os.path.join(s.work, "opened.txt")
    recorder = os.path.join(s.work, "record.sh")
    open(recorder, "w").write(f"#!/bin/sh\nprintf '%s\\n' \"$1\" >> '{record}'\n")
    os.chmod(recorder, 0o755)
    config = os.path.join(s.work, "config")
    data = os.path.join(s.work, "data")
    os.makedirs(config)
    os.makedirs(os.path.join(data, "applications"))
    open(os.path.join(config, "mimeapps.list"), "w").write(
        "[Default Applications]\ntext/plain=quorvel-recorder.desktop\n")
    open(os.path.join(data, "applications", "quorvel-recorder.desktop"), "w").write(
        "[Desktop Entry]\nType=Application\nName=Recorder\n"
        f"Exec={recorder} %f\nMimeType=text/plain;\n")
    # The system's data stays after ours: the MIME database that tells a
    # report is text/plain is there.
    system_data = os.environ.get("XDG_DATA_DIRS") or "/usr/local/share:/usr/share"
    env = {"XDG_CONFIG_HOME": config, "XDG_DATA_HOME": data,
           "XDG_DATA_DIRS": data + ":" + system_data, "XDG_CURRENT_DESKTOP": "",
           "DESKTOP_SESSION": ""}

    def opened():
        if not os.path.exists(record):
            return []
        return [os.fsencode(line) for line in open(record, "rb").read().split(b"\n") if line]

    app_proc = s.start_quorvel(quorvel, run, env)
    app = q.application(app_proc.pid)
    dialog = q.window(app, q.TITLE)
    extract = q.find(dialog, pyatspi.ROLE_PUSH_BUTTON, "Extract!")
    load = q.find(dialog, pyatspi.ROLE_PUSH_BUTTON, "Load TAV")
    table = q.status_table(dialog)
    wid = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{q.TITLE}$"],
                         env=s.env, capture_output=True, text=True).stdout.split()[0]

    def drop(at, *paths, expect=0):
        x, y = centre(at)
        got = subprocess.run([xdnd_drop, wid, str(x), str(y)] + list(paths), env=s.env,
                             capture_output=True, text=True)
        if expect is not None and got.returncode != expect:
            q.fail(f"xdnd_drop ended {got.returncode}: {got.stderr.strip()}")

    def click_line(row, times):
        x, y = centre(table.queryTable().getAccessibleAt(row, 0))
        subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "--repeat", str(times),
                        "--delay", "80", "1"], env=s.env, check=True)

    def report(model):
        return os.fsencode(os.path.splitext(model)[0] + ".txt")

    # 1. The drop, on the status list.
    drop(table.parent, models[0], "http://example.org/skipped.tav", models[1], folder)
    q.poll(lambda: q.sensitive(extract), "'Extract!' to be enabled by the drop")
    if q.lines(table):
        q.fail("the drop left lines in the list")
    q.press(extract)
    want = [status_line(os.path.basename(m), "completed") for m in models]
    q.poll(lambda: q.lines(table) == want, "the six status lines", timeout=60)
    for m in models:
        base = os.path.splitext(os.path.basename(m))[0]
        if not filecmp.cmp(os.path.join(linux, base + ".txt"), os.fsdecode(report(m)),
                           shallow=False):
            q.fail(f"the report of {m!r} differs from quorvel-cli's")
    s.screenshot(q.TITLE, os.path.join(s.out, "quorvel-drop.png"))

    # 2. Opening reports: a double-click on line 0; a click on line 5 and Enter.
    click_line(0, 2)
    q.poll(lambda: opened() == [report(models[0])], "the recorder to get Cockpit's report")
    click_line(5, 1)
    cell = table.queryTable().getAccessibleAt(5, 0)
    q.poll(lambda: q.has(cell, pyatspi.STATE_SELECTED), "line 5 to be selected")
    q.poll(lambda: q.focused(table), "the status list to hold the focus")
    s.key("Return")
    q.poll(lambda: opened() == [report(models[0]), report(models[5])],
           "the recorder to get the Cyrillic model's report")
    if q.sensitive(extract):
        q.fail("opening a report enabled 'Extract!'")

    # 3. While the About box is open, drops on the dialog and on the box
    # change nothing. Each drop has been handled once xdnd_drop ends (the
    # target says it finished only after its handler ran), and Esc, pressed
    # after them, closes the box: only then are the list and "Extract!"
    # read.
    s.key("shift+F10")
    q.poll(lambda: [m for m in q.find_all(app, pyatspi.ROLE_MENU_ITEM, "About Quorvel...")
                    if q.has(m, pyatspi.STATE_SHOWING)], "Shift+F10 to open the popup")
    s.key("Down", "Down", "Return")  # Close, then About
    about = q.window(app, q.ABOUT_TITLE)
    before = q.lines(table)
    drop(table.parent, models[1])
    drop(about, models[1])
    s.key("Escape")
    q.poll(lambda: q.gone(app, q.ABOUT_TITLE), "the About box to close")
    if q.lines(table) != before or q.sensitive(extract):
        q.fail("a drop while the About box was open loaded")

    # 4. A drop on "Load TAV" reaches the dialog: a text file (whose report
    # would be itself, so it fails) and Gear. The failed line opens nothing;
    # Gear's, double-clicked after it, does.
    readme = os.path.join(one, "readme.txt")
    drop(load, readme, models[1])
    q.poll(lambda: q.sensitive(extract), "'Extract!' to be enabled by the second drop")
    q.press(extract)
    q.poll(lambda: q.lines(table) == [status_line("readme.txt", "failed"),
                                      status_line("Gear.tav", "completed")],
           "the second batch's lines")
    # Gear's report reaching the recorder shows that the failed line's clicks,
    # made before, were handled; once every opener the program started has
    # ended, the record is whole.
    click_line(0, 2)
    q.poll(lambda: q.has(table.queryTable().getAccessibleAt(0, 0), pyatspi.STATE_SELECTED),
           "line 0 to be selected")
    click_line(1, 2)
    q.poll(lambda: report(models[1]) in opened(), "the recorder to get Gear's report")
    q.poll(lambda: not q.live_descendants(app_proc.pid), "the report openers to end")
    if opened() != [report(models[0]), report(models[5]), report(models[1])]:
        q.fail(f"the reports opened: {opened()!r}")

    s.key("Escape")
    s.wait_exit("on Esc")


q.run(main)
