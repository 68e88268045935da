#!/usr/bin/env bash
# The dialog program and its display, end to end:
#   - without a display it writes one line on standard error, nothing on
#     standard output, and exits with status 1;
#   - the dialog's size follows the Xft.dpi resource when it is set, else the
#     screen's DPI, in quarter steps of 96 dpi.
#
# usage: run_display_e2e.sh QUORVEL OUT_DIR
set -euo pipefail
quorvel=$(realpath "$1")
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_init "$2"

# No display: DISPLAY unset, then naming a display that no server holds.
no_display() {  # CASE ENV...: runs the program under `env ENV...`
  local name=$1 code=0
  shift
  env "$@" "$quorvel" >"$work/stdout" 2>"$work/stderr" || code=$?
  [[ $code == 1 ]] || fail "$name: exit status $code, not 1"
  [[ ! -s $work/stdout ]] || fail "$name: output on standard output"
  [[ $(wc -l <"$work/stderr") == 1 ]] || fail "$name: not one line on standard error: $(cat "$work/stderr")"
  echo "$name: $(cat "$work/stderr")"
}
no_display "DISPLAY unset" -u DISPLAY
grep -q 'DISPLAY is not set' "$work/stderr" || fail "the line does not say that DISPLAY is not set"
free=99
while [[ -e /tmp/.X11-unix/X$free || -e /tmp/.X$free-lock ]]; do free=$((free - 1)); done
no_display "DISPLAY=:$free" DISPLAY=":$free"
grep -qF "\":$free\"" "$work/stderr" || fail "the line does not name the display"

# The dialog is 291 x 200 dialog units. At scale s the base units are
# round(6 s) x round(13 s); x = units * base / 4, y = units * base / 8,
# both rounded to nearest (as MapDialogRect does).
expected_size() {  # SCALE
  awk -v s="$1" 'function r(v) { return int(v + 0.5) }
    BEGIN { bx = r(6 * s); by = r(13 * s); printf "%dx%d", r(291 * bx / 4), r(200 * by / 8) }'
}
size_is() {  # CASE SCALE: starts the program, checks its size, ends it
  private_home
  start_quorvel "$quorvel"
  local size
  size=$(xdotool getwindowgeometry "$main" | awk '/Geometry/ { print $2 }')
  import -window "$main" "$out/dpi-$1.png" 2>/dev/null || true
  end_quorvel
  [[ $size == $(expected_size "$2") ]] || fail "$1: the dialog is $size, not $(expected_size "$2") (scale $2)"
  echo "$1: $size (scale $2)"
}
xft() {  # VALUE, or nothing to remove the resource
  if [[ $# == 0 ]]; then xrdb -remove; else printf 'Xft.dpi: %s\n' "$1" | xrdb -nocpp -merge; fi
}

start_xvfb 96
xft
size_is "screen 96 dpi" 1
xft 144
size_is "Xft.dpi 144" 1.5
xft 192
size_is "Xft.dpi 192" 2
xft 120.5
size_is "Xft.dpi 120.5" 1.25
xft 72
size_is "Xft.dpi 72" 1
stop_xvfb

start_xvfb 192
xft
size_is "screen 192 dpi" 2
xft 96
size_is "screen 192 dpi, Xft.dpi 96" 1
xft nonsense
size_is "screen 192 dpi, Xft.dpi nonsense" 2
echo "PASS"
