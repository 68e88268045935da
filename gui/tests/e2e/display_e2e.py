"""End to end: the dialog program and its display.
  - Without a display it writes one line on standard error, nothing on
    standard output, and exits with status 1.
  - Its size follows the desktop's scale: GDK's window scale (GDK_SCALE 1
    and 2) multiplies the window's pixels; its dialog units come from its
    font, which is the desktop's: the size of its text is that of a plain
    GTK label on the same display (AT-SPI font attributes), and the font
    resolution (Xft.dpi) grows font and layout together; every control
    stays at its template place, read through the accessibility tree, and
    Esc ends it.

usage: display_e2e.py QUORVEL OUT_DIR   (under dbus-run-session)
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import quorvel_e2e as q  # noqa: E402

quorvel = os.path.abspath(sys.argv[1])


def no_display(s, name, env_extra, expected):
    env = {k: v for k, v in s.env.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    env.update(env_extra)
    r = subprocess.run([quorvel], env=env, capture_output=True, timeout=30)
    if r.returncode != 1:
        q.fail(f"{name}: exit status {r.returncode}, not 1")
    if r.stdout:
        q.fail(f"{name}: output on standard output: {r.stdout!r}")
    if r.stderr.decode() != expected + "\n":
        q.fail(f"{name}: standard error {r.stderr!r}, not {expected!r}")
    print(f"{name}: {expected}")


def window_size(s):
    out = subprocess.run(["xwininfo", "-name", q.TITLE], env=s.env, capture_output=True,
                         text=True).stdout
    fields = dict(line.strip().split(": ", 1) for line in out.splitlines() if ": " in line)
    return int(fields["Width"]), int(fields["Height"])


REFERENCE = """
import gi
gi.require_version("Gtk", "3.0")
from gi.repository import Gtk
window = Gtk.Window(title="Reference label")
window.add(Gtk.Label(label="Reference"))
window.connect("destroy", Gtk.main_quit)
window.show_all()
Gtk.main()
"""


def font_of(label):
    """The font attributes AT-SPI gives a label's text: (family, size)."""
    attributes = label.queryText().getDefaultAttributeSet()
    if not isinstance(attributes, dict):  # older pyatspi: "name:value" strings
        attributes = dict(a.split(":", 1) for a in attributes)
    return attributes.get("family-name"), attributes.get("size")


def reference_font(s, env_extra):
    """The font of a plain GTK label, shown by another program on the display."""
    env = dict(s.env)
    env.update(env_extra)
    proc = s.start(["/usr/bin/python3", "-c", REFERENCE], "reference.out", env=env)
    app = q.application(proc.pid)
    window = q.window(app, "Reference label")
    font = q.poll(lambda: font_of(q.find(window, q.pyatspi.ROLE_LABEL, "Reference"))[1] and
                  font_of(q.find(window, q.pyatspi.ROLE_LABEL, "Reference")),
                  "the reference label's font")
    proc.terminate()
    proc.wait(10)
    return font


def size_is(s, name, env_extra, window_scale):
    want_font = reference_font(s, env_extra)
    proc = s.start_quorvel(quorvel, s.work, env_extra)
    app = q.application(proc.pid)
    dialog = q.window(app, q.TITLE)
    base = q.check_layout(dialog)  # logical pixels
    label = q.find_all(dialog, q.pyatspi.ROLE_LABEL)[0]
    font = q.poll(lambda: font_of(label)[1] and font_of(label), "the dialog's label font")
    if font != want_font:
        q.fail(f"{name}: the dialog's text is {font}, a GTK label's {want_font}")
    px, py = q.pixels(base)
    want = (px(q.MAIN_SIZE[0]) * window_scale, py(q.MAIN_SIZE[1]) * window_scale)
    got = q.poll(lambda: window_size(s), "the window's size")
    s.screenshot(q.TITLE, os.path.join(s.out, f"scale-{name}.png"))
    q.poll(lambda: q.has(dialog, q.pyatspi.STATE_ACTIVE), "the dialog to be active")
    s.key("Escape")
    s.wait_exit(f"on Esc ({name})")
    if got != want:
        q.fail(f"{name}: the window is {got[0]}x{got[1]}, not {want[0]}x{want[1]}")
    print(f"{name}: {got[0]}x{got[1]} pixels, base units {base}, font {font}, "
          "controls at their places")
    return base


def main(s):
    no_display(s, "no display", {},
               "quorvel: no display to show the dialog on "
               "(neither WAYLAND_DISPLAY nor DISPLAY is set)")
    free = 99
    while os.path.exists(f"/tmp/.X11-unix/X{free}") or os.path.exists(f"/tmp/.X{free}-lock"):
        free -= 1
    no_display(s, f"DISPLAY=:{free}", {"DISPLAY": f":{free}"},
               f'quorvel: cannot open the display ":{free}"')
    no_display(s, "WAYLAND_DISPLAY=none", {"WAYLAND_DISPLAY": "quorvel-no-such-display"},
               'quorvel: cannot open the display "quorvel-no-such-display"')

    s.start_xvfb()
    s.start_wm()
    s.start_accessibility_bus()
    one = size_is(s, "1x", {"GDK_SCALE": "1"}, 1)
    if size_is(s, "2x", {"GDK_SCALE": "2"}, 2) != one:
        q.fail("GDK_SCALE 2 changed the layout's logical pixels")
    subprocess.run(["xrdb", "-nocpp", "-merge"], input=b"Xft.dpi: 144\n", env=s.env, check=True)
    large = size_is(s, "Xft.dpi 144", {"GDK_SCALE": "1"}, 1)
    if size_is(s, "Xft.dpi 144 at 2x", {"GDK_SCALE": "2"}, 2) != large:
        q.fail("GDK_SCALE 2 changed the layout's logical pixels at Xft.dpi 144")
    # The larger text takes the layout with it, by about half as much again.
    for small, big in zip(one, large):
        if not 1.25 * small <= big <= 1.75 * small:
            q.fail(f"base units {large} at Xft.dpi 144 against {one} at 96")


q.run(main)
