"""Shared by the end-to-end tests of the dialog program: a private display
(Xvfb, or weston), the accessibility bus of the test's own D-Bus session,
finding and reading the dialog through AT-SPI, and failure reports.

Run the tests under `dbus-run-session`, so that the session bus, and with it
the accessibility bus, belong to the test alone. Waits poll for a state with
a generous cap; nothing depends on how fast the machine is.
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import pyatspi

TITLE = "Quorvel v1.6"
ABOUT_TITLE = "About Quorvel"

# Dialog template 102 in dialog units: name -> (role, x, y, width, height).
MAIN_CONTROLS = {
    "Load TAV": (pyatspi.ROLE_PUSH_BUTTON, 65, 156, 60, 22),
    "Extract!": (pyatspi.ROLE_PUSH_BUTTON, 165, 156, 60, 22),
    "Sort by Name": (pyatspi.ROLE_CHECK_BOX, 110, 139, 59, 10),
    "Save txt Beside Extractor": (pyatspi.ROLE_CHECK_BOX, 173, 139, 98, 10),
    "Analyze Connector": (pyatspi.ROLE_CHECK_BOX, 27, 139, 77, 10),
}
LIST_RECT = (27, 15, 237, 118)
MAIN_SIZE = (291, 200)


class Failure(Exception):
    pass


def fail(message):
    raise Failure(message)


def poll(condition, what, timeout=30.0):
    """Calls condition() until it returns something true; returns that."""
    end = time.monotonic() + timeout
    last_error = None
    while time.monotonic() < end:
        try:
            value = condition()
            if value:
                return value
        except Exception as error:  # the tree changes under us while we read it
            last_error = error
        time.sleep(0.1)
    fail(f"timed out waiting for {what}" + (f" ({last_error})" if last_error else ""))


def live_descendants(pid):
    """The processes below `pid` that have not ended (zombies are ended)."""
    children = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            stat = open(f"/proc/{entry}/stat").read()
        except OSError:  # ended while we read
            continue
        # The name, in parentheses, may hold spaces: the fields follow its end.
        state, ppid = stat[stat.rindex(")") + 2:].split()[:2]
        if state != "Z":
            children.setdefault(int(ppid), []).append(int(entry))
    found, todo = [], [pid]
    while todo:
        for child in children.get(todo.pop(), []):
            found.append(child)
            todo.append(child)
    return found


def pixels(base):
    """Dialog units to pixels with the dialog font's base units (x, y), as
    MapDialogRect rounds."""
    base_x, base_y = base
    return (lambda du: (du * base_x + 2) // 4), (lambda du: (du * base_y + 4) // 8)


class Session:
    """Processes of one test run, stopped in reverse order at the end."""

    def __init__(self, out_dir):
        self.out = os.path.abspath(out_dir)
        os.makedirs(self.out, exist_ok=True)
        self.work = tempfile.mkdtemp(prefix="quorvel-e2e-")
        self.procs = []
        self.env = dict(os.environ)
        # GSettings without dconf: no warning about settings not being kept.
        self.env["GSETTINGS_BACKEND"] = "memory"
        self.env.pop("NO_AT_BRIDGE", None)
        self.env.pop("WAYLAND_DISPLAY", None)
        self.env.pop("DISPLAY", None)
        self.env.pop("GDK_BACKEND", None)
        self.env["XDG_RUNTIME_DIR"] = os.path.join(self.work, "runtime")
        os.makedirs(self.env["XDG_RUNTIME_DIR"], mode=0o700)
        self.env["HOME"] = os.path.join(self.work, "home")
        os.makedirs(self.env["HOME"])

    def start(self, argv, log, **kwargs):
        handle = open(os.path.join(self.work, log), "ab")
        proc = subprocess.Popen(argv, env=kwargs.pop("env", self.env), stdout=handle,
                                stderr=subprocess.STDOUT, **kwargs)
        self.procs.append(proc)
        return proc

    def close(self):
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(5)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
        if not os.environ.get("E2E_KEEP"):
            # A helper of the accessibility bus may still be writing its log
            # as it ends: a second pass takes what it left.
            for _ in range(2):
                shutil.rmtree(self.work, ignore_errors=True)
                if not os.path.exists(self.work):
                    break
                time.sleep(0.5)

    def log(self, name):
        path = os.path.join(self.work, name)
        return open(path, errors="replace").read() if os.path.exists(path) else ""

    # ---- displays ----

    def start_xvfb(self):
        """A fresh Xvfb on a free display, exported to what runs next."""
        read_fd, write_fd = os.pipe()
        self.xvfb = self.start(["Xvfb", "-displayfd", str(write_fd), "-noreset", "-screen", "0",
                                "1280x1024x24", "-nolisten", "tcp"], "xvfb.log",
                               pass_fds=(write_fd,))
        os.close(write_fd)
        number = b""
        with os.fdopen(read_fd, "rb") as pipe:
            number = pipe.readline().strip()
        if not number:
            fail("Xvfb did not start")
        self.env["DISPLAY"] = ":" + number.decode()
        poll(lambda: subprocess.run(["xdpyinfo"], env=self.env, capture_output=True)
             .returncode == 0, "Xvfb")

    def stop_xvfb(self):
        self.xvfb.terminate()
        self.xvfb.wait()
        self.env.pop("DISPLAY", None)

    def start_wm(self):
        """openbox, so that windows are focused and framed as on a desktop."""
        self.start(["openbox", "--sm-disable"], "openbox.log")
        poll(lambda: b"window id" in subprocess.run(
            ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env,
            capture_output=True).stdout, "openbox")

    def start_accessibility_bus(self):
        """The accessibility bus of this D-Bus session; its registry starts
        on demand, with this display."""
        if "DBUS_SESSION_BUS_ADDRESS" not in os.environ:
            fail("no session bus: run the test under dbus-run-session")
        subprocess.run(["dbus-update-activation-environment"] +
                       [f"{k}={self.env[k]}" for k in ("DISPLAY", "WAYLAND_DISPLAY",
                                                       "XDG_RUNTIME_DIR") if k in self.env],
                       check=True, env=self.env)
        launcher = "/usr/libexec/at-spi-bus-launcher"
        self.start([launcher, "--launch-immediately"], "at-spi.log")
        poll(lambda: b"unix:" in subprocess.run(
            ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
             "org.a11y.Bus.GetAddress"], env=self.env, capture_output=True).stdout,
             "the accessibility bus")

    # ---- the program ----

    def start_quorvel(self, program, cwd, env_extra=None):
        env = dict(self.env)
        env.update(env_extra or {})
        supp = os.path.join(os.path.dirname(os.path.abspath(__file__)), "lsan.supp")
        env["LSAN_OPTIONS"] = (env.get("LSAN_OPTIONS", "") + ":" if env.get("LSAN_OPTIONS")
                               else "") + "suppressions=" + supp
        self.app = self.start([program], "quorvel.out", cwd=cwd, env=env)
        return self.app

    def wait_exit(self, what):
        try:
            code = self.app.wait(30)
        except subprocess.TimeoutExpired:
            fail(f"the program did not end {what}")
        if code != 0:
            fail(f"the program exited with status {code} {what}")

    def screenshot(self, window_name, path):
        """The window's pixels with its frame, under X."""
        subprocess.run(["import", "-frame", "-window", window_name, path], env=self.env,
                       capture_output=True)

    def key(self, *keys):
        """Presses keys on the focused window, as a keyboard does."""
        subprocess.run(["xdotool", "key", "--delay", "80"] + list(keys), env=self.env, check=True)
        time.sleep(0.15)


# ---- the accessibility tree ----

def application(pid, timeout=30.0):
    def found():
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.get_process_id() == pid:
                return app
        return None
    return poll(found, "the program in the accessibility tree", timeout)


def showing_windows(app, title):
    """The showing top-level windows of `app` titled `title`; a window that
    goes while it is read is not one."""
    found = []
    for i in range(app.childCount):
        try:
            w = app.getChildAtIndex(i)
            if w is not None and w.name == title and w.getState().contains(pyatspi.STATE_SHOWING):
                found.append(w)
        except Exception:
            pass
    return found


def window(app, title, timeout=30.0):
    """The showing top-level window of `app` titled `title`."""
    return poll(lambda: (showing_windows(app, title) or [None])[0], f"the window '{title}'",
                timeout)


def gone(app, title):
    return not showing_windows(app, title)


def find_all(node, role=None, name=None):
    return pyatspi.findAllDescendants(
        node, lambda n: (role is None or n.getRole() == role) and (name is None or n.name == name))


def find(node, role, name=None):
    found = find_all(node, role, name)
    if len(found) != 1:
        fail(f"{len(found)} of role {role} named {name!r}, not one")
    return found[0]


def has(node, state):
    return node.getState().contains(state)


def checked(node):
    return has(node, pyatspi.STATE_CHECKED)


def sensitive(node):
    return has(node, pyatspi.STATE_SENSITIVE) and has(node, pyatspi.STATE_ENABLED)


def focused(node):
    return has(node, pyatspi.STATE_FOCUSED)


def press(node):
    """The node's own action, as an assistive technology presses it."""
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("click", "press", "activate"):
            action.doAction(i)
            return
    fail(f"{node.name!r} has no click action")


def status_table(dialog):
    tables = find_all(dialog, pyatspi.ROLE_TABLE) + find_all(dialog, pyatspi.ROLE_TREE_TABLE)
    if len(tables) != 1:
        fail(f"{len(tables)} tables in the dialog, not one status list")
    return tables[0]


def lines(table):
    """The status list's lines, one per row, as a screen reader reads them."""
    t = table.queryTable()
    return [t.getAccessibleAt(row, 0).name for row in range(t.nRows)]


def extents(node):
    e = node.queryComponent().getExtents(pyatspi.WINDOW_COORDS)
    return (e.x, e.y, e.width, e.height)


def scroll_values(dialog):
    """(horizontal, vertical) of the status list's scroll bars."""
    values = {}
    for bar in find_all(dialog, pyatspi.ROLE_SCROLL_BAR):
        orientation = "v" if has(bar, pyatspi.STATE_VERTICAL) else "h"
        values[orientation] = bar.queryValue().currentValue
    return values.get("h"), values.get("v")


def base_units(dialog):
    """The dialog font's base units (x, y) in logical pixels, as the status
    list's size gives them (each unit more makes it tens of pixels larger)."""
    _, _, width, height = extents(status_table(dialog).parent)
    _, _, w, h = LIST_RECT
    xs = [b for b in range(1, 100) if (w * b + 2) // 4 == width]
    ys = [b for b in range(1, 100) if (h * b + 4) // 8 == height]
    if len(xs) != 1 or len(ys) != 1:
        fail(f"the status list's size {width}x{height} fits no dialog units")
    return xs[0], ys[0]


def check_layout(dialog):
    """Every control of the main dialog at its template place; returns the
    base units they were placed with."""
    base = base_units(dialog)
    px, py = pixels(base)
    for name, (role, x, y, w, h) in MAIN_CONTROLS.items():
        got = extents(find(dialog, role, name))
        want = (px(x), py(y), px(w), py(h))
        if got != want:
            fail(f"{name!r} at {got}, not {want} (base units {base})")
    table = status_table(dialog)
    x, y, w, h = LIST_RECT
    want = (px(x), py(y), px(w), py(h))
    if extents(table.parent) != want:
        fail(f"the status list at {extents(table.parent)}, not {want} (base units {base})")
    return base


def run(main):
    """Runs main(session) and exits 0, or reports the failure and exits 1.
    Every process the test started is stopped however it ends (a ctest
    timeout's SIGTERM included)."""
    out = sys.argv[-1]
    session = Session(out)
    try:
        main(session)
        print("PASS")
    except Failure as failure:
        print(f"FAIL: {failure}", file=sys.stderr)
        if "DISPLAY" in session.env:
            subprocess.run(["import", "-window", "root", os.path.join(session.out, "failure.png")],
                           env=session.env, capture_output=True)
        output = session.log("quorvel.out")
        if output:
            print("--- quorvel output:\n" + output, file=sys.stderr)
        sys.exit(1)
    finally:
        session.close()


signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
