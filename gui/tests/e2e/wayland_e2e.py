"""Smoke test of the dialog program on Wayland, under weston:
  - with the headless backend (no screen, no seat): the dialog starts as a
    native Wayland client (no X display at all), appears in the accessibility
    tree with its controls, and its title bar's close button ends it;
  - weston's headless backend has no keyboard, so Esc is pressed under
    weston's X11 backend in Xvfb, whose window passes X's keys on as
    Wayland keys: Esc ends the dialog, with status 0.

usage: wayland_e2e.py QUORVEL OUT_DIR   (under dbus-run-session)
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pyatspi  # noqa: E402

import quorvel_e2e as q  # noqa: E402

quorvel = os.path.abspath(sys.argv[1])


def start_weston(s, backend):
    socket = f"quorvel-e2e-{backend}"
    env = dict(s.env)
    s.weston = s.start(["weston", f"--backend={backend}-backend.so", f"--socket={socket}",
                        "--use-pixman", "--idle-time=0", "--width=1024", "--height=768"],
                       f"weston-{backend}.log", env=env)
    path = os.path.join(s.env["XDG_RUNTIME_DIR"], socket)
    q.poll(lambda: os.path.exists(path) and s.weston.poll() is None, f"weston ({backend})")
    return socket


def stop_weston(s):
    s.weston.terminate()
    s.weston.wait()


def start_on_wayland(s, socket):
    env = {"WAYLAND_DISPLAY": socket, "GDK_BACKEND": "wayland"}
    app_env = {k: v for k, v in s.env.items() if k != "DISPLAY"}
    app_env.update(env)
    saved, s.env = s.env, app_env
    try:
        proc = s.start_quorvel(quorvel, s.work)
    finally:
        s.env = saved
    app = q.application(proc.pid)
    dialog = q.window(app, q.TITLE)
    for name, (role, *_rect) in q.MAIN_CONTROLS.items():
        q.find(dialog, role, name)
    q.status_table(dialog)
    if q.sensitive(q.find(dialog, pyatspi.ROLE_PUSH_BUTTON, "Extract!")):
        q.fail("'Extract!' is sensitive at start")
    return app, dialog


def main(s):
    socket = start_weston(s, "headless")
    s.env["WAYLAND_DISPLAY"] = socket
    s.start_accessibility_bus()
    app, dialog = start_on_wayland(s, socket)
    print("headless weston: the dialog and its controls are in the accessibility tree")
    # The window's own title bar (drawn by GTK, as weston asks) has the close
    # button; without a seat only its action can press it.
    q.press(q.find(dialog, pyatspi.ROLE_PUSH_BUTTON, "Close"))
    s.wait_exit("by its close button")
    stop_weston(s)
    print("headless weston: the close button ends it")

    s.start_xvfb()
    socket = start_weston(s, "x11")
    app, dialog = start_on_wayland(s, socket)
    wid = q.poll(lambda: subprocess.run(["xdotool", "search", "--onlyvisible", "--class",
                                         "weston"], env=s.env, capture_output=True,
                                        text=True).stdout.split(), "weston's X window")[0]
    subprocess.run(["xdotool", "mousemove", "--window", wid, "1000", "700"], env=s.env,
                   check=True)
    subprocess.run(["xdotool", "windowfocus", "--sync", wid], env=s.env, check=True)
    # weston gives the keyboard to a window by its switcher (Super+Tab).
    s.key("super+Tab")
    q.poll(lambda: q.has(dialog, pyatspi.STATE_ACTIVE), "the dialog to be active")
    s.key("Escape")
    s.wait_exit("on Esc")
    print("weston on X11: Esc ends it")


q.run(main)
