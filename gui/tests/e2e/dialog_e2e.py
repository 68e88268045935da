"""End to end: the dialog program on a private Xvfb display under openbox,
driven from the keyboard as a user would and read through its accessibility
tree (AT-SPI) as a screen reader reads it:
  - the controls by name and role at their places, "Load TAV" focused and
    "Extract!" insensitive;
  - Enter on "Load TAV" opens the desktop's file chooser, where a path typed
    into its location entry leads to twenty models, all picked;
  - Tab and Space tick "Save txt Beside Extractor" and "Analyze Connector",
    whose checked states the tree shows, and Enter on that check box presses
    the default button "Extract!";
  - every report lands in the working directory, Door's equal to the expected
    one, and the status list reads back exactly, one line per model;
  - after the batch the list shows its last line and holds the focus, and
    Home, Down, End, Page Up and Up select lines as a Windows list box does
    (the line shown selected, in view, and its log under the list), Left and
    Right scroll it sideways;
  - Shift+F10, the Menu key and a right click on the background open the
    popup whose About entry opens the About box (its texts read back), which
    Enter, keypad Enter, Space and Esc close;
  - a cancelled file chooser changes nothing;
  - Esc ends the program with status 0.
It leaves the README's screenshots in OUT_DIR.

usage: dialog_e2e.py QUORVEL TAVGEN SAMPLES_DIR OUT_DIR   (under dbus-run-session)
"""
import filecmp
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pyatspi  # noqa: E402

import quorvel_e2e as q  # noqa: E402

quorvel, tavgen, samples = (os.path.abspath(a) for a in sys.argv[1:4])

LONG = "Zeppelin_with_a_rather_long_name_to_scroll_sideways"
NAMES = ["Door"] + [f"Model_{i:02d}" for i in range(1, 19)] + [LONG]


def status_line(name, outcome):
    return (name.lower() + ".tav").ljust(60, ".") + outcome


def main(s):
    s.start_xvfb()
    s.start_wm()
    s.start_accessibility_bus()

    run = os.path.join(s.work, "run")
    models = os.path.join(run, "models")
    os.makedirs(models)
    for n in NAMES:
        subprocess.run([tavgen, "-o", os.path.join(models, n + ".tav"),
                        os.path.join(samples, "door.desc")], check=True)
    # Not a model: the chooser's filter hides it.
    open(os.path.join(models, "notes.txt"), "w").write("not a model\n")

    app_proc = s.start_quorvel(quorvel, run)
    app = q.application(app_proc.pid)
    dialog = q.window(app, q.TITLE)
    q.check_layout(dialog)
    load = q.find(dialog, pyatspi.ROLE_PUSH_BUTTON, "Load TAV")
    extract = q.find(dialog, pyatspi.ROLE_PUSH_BUTTON, "Extract!")
    boxes = {n: q.find(dialog, pyatspi.ROLE_CHECK_BOX, n)
             for n in ("Sort by Name", "Save txt Beside Extractor", "Analyze Connector")}
    table = q.status_table(dialog)
    q.poll(lambda: q.focused(load), "'Load TAV' to hold the focus at start")
    if q.sensitive(extract):
        q.fail("'Extract!' is sensitive before any load")
    if any(q.checked(b) for b in boxes.values()) or q.lines(table):
        q.fail("the dialog does not start with its boxes unticked and its list empty")

    # Enter on the focused "Load TAV" opens the file chooser. Its location
    # entry (Ctrl+L) takes the models' folder, typed through the tree's
    # editable text; the file list then shows the twenty models and nothing
    # else, and Ctrl+A picks them all.
    s.key("Return")
    chooser = q.window(app, "Open")
    q.poll(lambda: q.find_all(chooser, pyatspi.ROLE_COMBO_BOX, "Rule Profile (*.tav)"),
           "the chooser's filter 'Rule Profile (*.tav)'")
    s.key("ctrl+l")
    entry = q.poll(lambda: [t for t in q.find_all(chooser, pyatspi.ROLE_TEXT)
                            if q.focused(t)], "the chooser's location entry")[0]
    entry.queryEditableText().setTextContents(models + "/")
    files = q.find(chooser, pyatspi.ROLE_TABLE, "Files")

    def shown_files():  # the name column's cell holds an icon cell and a text cell
        t = files.queryTable()
        return sorted("".join(c.name for c in t.getAccessibleAt(r, 0)) for r in range(t.nRows))
    # The entry completes the folder while it loads it, and takes Enter only
    # once that is done; Enter again until the chooser has gone there.
    for _ in range(10):
        s.key("Return")
        try:
            q.poll(lambda: entry.queryText().getText(0, -1) == "", "the chooser to open the folder",
                   timeout=3)
            break
        except q.Failure:
            pass
    want_files = sorted(n + ".tav" for n in NAMES)
    q.poll(lambda: shown_files() == want_files, f"the chooser to list the {len(NAMES)} models only")
    q.poll(lambda: q.focused(files) or s.key("Tab") or False, "the file list to take the focus")
    s.key("ctrl+a")
    s.screenshot("Open", os.path.join(s.out, "file-chooser.png"))
    q.press(q.find(chooser, pyatspi.ROLE_PUSH_BUTTON, "Open"))
    q.poll(lambda: q.gone(app, "Open"), "the chooser to close")
    q.poll(lambda: q.sensitive(extract), "'Extract!' to be enabled by the load")

    # Focus order: Load TAV, Extract!, the status list, Sort by Name, Save
    # txt Beside Extractor, Analyze Connector.
    q.poll(lambda: q.focused(load), "the focus back on 'Load TAV'")
    s.key("Tab", "Tab", "Tab", "Tab", "space", "Tab", "space")
    q.poll(lambda: q.checked(boxes["Save txt Beside Extractor"]) and
           q.checked(boxes["Analyze Connector"]), "the two boxes to show as checked")
    if q.checked(boxes["Sort by Name"]):
        q.fail("'Sort by Name' is checked")
    if not q.focused(boxes["Analyze Connector"]):
        q.fail("Tab did not follow the template's order")
    s.screenshot(q.TITLE, os.path.join(s.out, "before-extract.png"))
    # Enter on a check box presses the default button, "Extract!".
    s.key("Return")

    want = [status_line(n, "completed") for n in NAMES]
    q.poll(lambda: q.lines(table) == want,
           f"the status list to read back the {len(NAMES)} lines exactly", timeout=60)
    if q.sensitive(extract):
        q.fail("'Extract!' is still enabled after the batch")
    if not (q.checked(boxes["Save txt Beside Extractor"]) and
            q.checked(boxes["Analyze Connector"])) or q.checked(boxes["Sort by Name"]):
        q.fail("the batch changed the boxes")
    reports = sorted(f for f in os.listdir(run) if f.endswith(".txt"))
    if reports != sorted(n + ".txt" for n in NAMES):
        q.fail(f"reports in the working directory: {reports}")
    if [f for f in os.listdir(models) if f.endswith(".txt") and f != "notes.txt"]:
        q.fail("reports beside the models despite 'Save txt Beside Extractor'")
    if not filecmp.cmp(os.path.join(run, "Door.txt"),
                       os.path.join(samples, "expected", "door.c.txt"), shallow=False):
        q.fail("Door.txt differs from the expected report")
    print(f"status list: {len(want)} lines read back exactly, first {q.lines(table)[0]!r}")
    s.screenshot(q.TITLE, os.path.join(s.out, "quorvel-dialog.png"))

    # The newest line is in view after the batch.
    t = table.queryTable()
    if not q.has(t.getAccessibleAt(len(NAMES) - 1, 0), pyatspi.STATE_SHOWING):
        q.fail("the last line is not in view after the batch")
    # After the batch the status list holds the focus, and its keys select
    # lines.
    q.poll(lambda: q.focused(table), "the status list to hold the focus after the batch")

    def selected():
        return [row for row in range(t.nRows)
                if q.has(t.getAccessibleAt(row, 0), pyatspi.STATE_SELECTED)]
    last = len(NAMES) - 1
    for keys, row in ((["Home"], 0), (["Down"], 1), (["End"], last), (["Up"], last - 1),
                      (["Home", "Page_Down"], None), (["Page_Up"], 0)):
        s.key(*keys)
        if row is None:  # a page: more than one line, less than all
            row = q.poll(lambda: [r for r in selected() if 1 < r < last] and selected()[0],
                         "Page Down to select a line a page down")
            page = row
        q.poll(lambda: selected() == [row], f"{'+'.join(keys)} to select line {row}")
        q.poll(lambda: q.has(t.getAccessibleAt(row, 0), pyatspi.STATE_SHOWING),
               f"line {row} to be in view")
        q.poll(lambda: q.find_all(dialog, pyatspi.ROLE_LABEL)[0].name == "fsize: "
               f"{os.path.getsize(os.path.join(models, NAMES[row] + '.tav'))}"
               f"({os.path.getsize(os.path.join(models, NAMES[row] + '.tav'))})  start",
               f"line {row}'s log under the list")
    for away, back in (("Right", "Left"),):
        s.key(away)
        q.poll(lambda: q.scroll_values(dialog)[0] > 0, f"{away} to scroll the list sideways")
        s.key(back)
        q.poll(lambda: q.scroll_values(dialog)[0] == 0, f"{back} to scroll the list back")
    print(f"status list: focus after the batch; keys select lines, a page is {page} lines")

    # The popup of the right click, also from the keyboard; its About entry
    # opens the About box.
    wid = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{q.TITLE}$"],
                         env=s.env, capture_output=True, text=True).stdout.split()[0]

    def about_from(how, action):
        q.poll(lambda: q.has(dialog, pyatspi.STATE_ACTIVE), "the dialog to be active")
        action()
        q.poll(lambda: [m for m in q.find_all(app, pyatspi.ROLE_MENU_ITEM, "About Quorvel...")
                        if q.has(m, pyatspi.STATE_SHOWING)], f"{how} to open the popup")
        s.key("Down", "Down", "Return")  # Close, then About
        about = q.window(app, q.ABOUT_TITLE)
        return about

    def close_about(key):
        s.key(key)
        q.poll(lambda: q.gone(app, q.ABOUT_TITLE), f"{key} to close the About box")
        if q.gone(app, q.TITLE):
            q.fail("the dialog closed with the About box")

    about = about_from("Shift+F10", lambda: s.key("shift+F10"))
    texts = sorted(label.name for label in q.find_all(about, pyatspi.ROLE_LABEL))
    if texts != sorted(["Quorvel", "Copyright (C) 2026", "Drop .tav files or folders on the window",
                        "to load them.", "Double-click a completed line, or select it",
                        "and press Enter, to open its report."]):
        q.fail(f"the About box's texts: {texts}")
    ok = q.find(about, pyatspi.ROLE_PUSH_BUTTON, "OK")
    q.poll(lambda: q.focused(ok), "'OK' to hold the About box's focus")
    if not q.find_all(about, pyatspi.ROLE_ICON) and not q.find_all(about, pyatspi.ROLE_IMAGE):
        q.fail("the About box shows no icon")
    s.screenshot(q.ABOUT_TITLE, os.path.join(s.out, "quorvel-about.png"))
    close_about("Return")
    about_from("Menu", lambda: s.key("Menu"))
    close_about("KP_Enter")
    about_from("a right click", lambda: subprocess.run(
        ["xdotool", "mousemove", "--window", wid, "4", "4", "click", "3"], env=s.env, check=True))
    close_about("space")
    about_from("Shift+F10", lambda: s.key("shift+F10"))
    close_about("Escape")
    print("About box: from Shift+F10, the Menu key and a right click; its texts read back")

    # A cancelled chooser changes nothing: the list keeps its lines.
    # Back from the list to "Load TAV" ("Extract!" is disabled, so no stop).
    s.key("shift+Tab")
    q.poll(lambda: q.focused(load), "Shift+Tab from the list to reach 'Load TAV'")
    s.key("space")
    q.window(app, "Open")
    s.key("Escape")
    q.poll(lambda: q.gone(app, "Open"), "Esc to cancel the chooser")
    if q.lines(table) != want or q.sensitive(extract):
        q.fail("the cancelled chooser changed the dialog")

    q.poll(lambda: q.has(dialog, pyatspi.STATE_ACTIVE), "the dialog to be active")
    s.key("Escape")
    s.wait_exit("on Esc")
    out = s.log("quorvel.out").splitlines()
    starts = out.count("start")
    if starts != len(NAMES):
        q.fail(f"{starts} engine runs for {len(NAMES)} models")
    if any(line.startswith("ERROR") for line in out):
        q.fail("the engine logged an error")


q.run(main)
