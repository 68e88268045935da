# Shared by the end-to-end scripts of the dialog program: a private Xvfb
# display, an optional window manager, polling, window lookup and failure
# reports. Source it after `set -euo pipefail`; call e2e_init OUT_DIR first.
#
# Waits poll for a state with a generous cap; nothing depends on how fast the
# machine is.

e2e_init() {  # OUT_DIR: screenshots and logs go there; $work is a scratch folder
  mkdir -p "$1"
  out=$(cd "$1" && pwd)
  mkdir -p "$out"
  work=$(mktemp -d)
  e2e_pids=()
  trap e2e_cleanup EXIT
}

e2e_cleanup() {
  local pid
  for pid in "${e2e_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  [[ -n ${E2E_KEEP:-} ]] || rm -rf "$work"
}

fail() {
  echo "FAIL: $*" >&2
  [[ -n ${DISPLAY:-} ]] && import -window root "$out/failure.png" 2>/dev/null || true
  [[ -f $work/quorvel.out ]] && { echo "--- quorvel output:" >&2; cat "$work/quorvel.out" >&2; }
  exit 1
}

# poll CONDITION...: runs it up to 300 times, 0.1 s apart.
poll() {
  for _ in $(seq 300); do
    if "$@" >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  return 1
}

# start_xvfb [DPI]: a fresh server on a free display, exported as DISPLAY.
# -noreset keeps the root window's resources (xrdb) while no client is
# connected.
start_xvfb() {
  local dpi=${1:-96} fd_file
  fd_file=$(mktemp -p "$work")
  Xvfb -displayfd 9 -noreset -dpi "$dpi" -screen 0 1024x768x24 -nolisten tcp \
    9>"$fd_file" >>"$work/xvfb.log" 2>&1 &
  e2e_pids+=($!)
  xvfb_pid=$!
  poll grep -q . "$fd_file" || fail "Xvfb did not start"
  export DISPLAY=":$(tr -d '[:space:]' <"$fd_file")"
  poll xdpyinfo || fail "Xvfb did not start"
}

stop_xvfb() {
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  unset DISPLAY
}

# start_wm: openbox with its stock configuration, so that windows get a title
# bar with their icon as on a desktop.
start_wm() {
  openbox --sm-disable >"$work/openbox.log" 2>&1 &
  e2e_pids+=($!)
  # xprop exits 0 when the property is missing too: look for the window id.
  poll wm_running || fail "openbox did not start"
}

# A home of its own, with FLTK's own file chooser (not GTK's, which may or may
# not be installed) chosen through FLTK's user preferences.
private_home() {
  export HOME=$work/home
  mkdir -p "$HOME/.fltk/fltk.org"
  printf '; FLTK preferences file format 1.0\n; vendor: fltk.org\n; application: fltk\n\n[.]\n\n[./options]\nFNFCUsesGTK:0\n' \
    >"$HOME/.fltk/fltk.org/fltk.prefs"
}

# start_quorvel PROGRAM: runs it in the current folder, output in
# $work/quorvel.out, and waits for its dialog; $app_pid and $main are set.
start_quorvel() {
  # Under LeakSanitizer, fontconfig's process-lifetime caches are not leaks of ours.
  LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$e2e_here/lsan.supp" \
    "$1" >"$work/quorvel.out" 2>&1 &
  app_pid=$!
  e2e_pids+=($app_pid)
  poll shown_or_gone "Quorvel v1.6" || true
  has_window "Quorvel v1.6" || fail "no window titled 'Quorvel v1.6'"
  main=$(window "Quorvel v1.6")
}

# end_quorvel: Escape ends the dialog and with it the program, with status 0.
end_quorvel() {
  activate "$main"
  xdotool key Escape
  poll bash -c "! kill -0 $app_pid" || fail "the program did not end with its dialog"
  wait "$app_pid" || fail "the program exited with status $?"
}

wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
window() { { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true; } | head -1; }
has_window() { [[ -n $(window "$1") ]]; }
no_window() { [[ -z $(window "$1") ]]; }
shown_or_gone() { has_window "$1" || ! kill -0 "$app_pid"; }
activate() { xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1"; }

e2e_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
