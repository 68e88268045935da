#!/usr/bin/env bash
# End-to-end test of the dialog program on a private Xvfb display, driven with
# xdotool as a user would: load one model through the file chooser, tick
# "Analyze Connector", press "Extract!", check the report, open and close the
# About box through the background popup, and save screenshots.
#
# usage: run_e2e.sh QUORVEL QUORVEL_CLI TAVGEN SAMPLES_DIR OUT_DIR
#   SAMPLES_DIR holds door.desc and expected/door.c.txt (its report with
#   connector analysis); OUT_DIR receives the screenshots and logs.
#
# Waits poll for a state with a generous cap; nothing depends on how fast the
# machine is.
set -euo pipefail
quorvel=$1 cli=$2 tavgen=$3 samples=$4 out=$5
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
mkdir -p "$out"
rm -f "$out"/*.png
work=$(mktemp -d)
xvfb_pid='' app_pid=''
cleanup() {
  [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null || true
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
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

# Xvfb picks a free display and writes its number.
Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp 9>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
poll grep -q . "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(tr -d '[:space:]' <"$work/display")"
poll xdpyinfo || fail "Xvfb did not start"

# FLTK's own chooser (not GTK's, which may or may not be installed), through
# FLTK's user preferences in a private home.
export HOME=$work/home
mkdir -p "$HOME/.fltk/fltk.org"
printf '; FLTK preferences file format 1.0\n; vendor: fltk.org\n; application: fltk\n\n[.]\n\n[./options]\nFNFCUsesGTK:0\n' \
  >"$HOME/.fltk/fltk.org/fltk.prefs"

# The model, built by our generator under a mixed-case name.
mkdir -p "$work/models"
model=$work/models/Door.tav
"$tavgen" -o "$model" "$samples/door.desc" || fail "tavgen"

cd "$work/models"
# Under LeakSanitizer, fontconfig's process-lifetime caches are not leaks of ours.
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$here/lsan.supp"
"$quorvel" >"$work/quorvel.out" 2>&1 &
app_pid=$!

window() { { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true; } | head -1; }
has_window() { [[ -n $(window "$1") ]]; }
no_window() { [[ -z $(window "$1") ]]; }

poll has_window "Quorvel v1.6" || fail "no window titled 'Quorvel v1.6'"
main=$(window "Quorvel v1.6")
geometry=$(xdotool getwindowgeometry "$main")
echo "main window: $geometry"
xdotool windowfocus --sync "$main"

# "Load TAV" holds the focus at start (first tab stop).
xdotool key space
poll has_window "Choose File" || fail "the file chooser did not open"
chooser=$(window "Choose File")
sleep 1  # let the chooser list its folder and settle its focus before typing
xdotool windowfocus --sync "$chooser"
# The chooser opens in the program's working directory, the models folder,
# with its file-name field focused and holding that folder: type the name and
# accept. (Typing a whole path races the chooser's completion at every '/'.)
xdotool type --delay 50 "$(basename "$model")"
import -window "$chooser" "$out/file-chooser.png" || true
xdotool key Return
poll no_window "Choose File" || fail "the file chooser did not close"

# Keyboard focus goes Load TAV, Extract!, Sort by Name, Save txt Beside
# Extractor, Analyze Connector (FLTK's unselectable list takes no focus).
xdotool windowfocus --sync "$main"
xdotool key Tab Tab Tab Tab space
import -window "$main" "$out/before-extract.png"
xdotool key shift+Tab shift+Tab shift+Tab space

report=$work/models/Door.txt
poll test -f "$report" || fail "no report beside the model"
cmp "$report" "$samples/expected/door.c.txt" || fail "the report differs from the expected one"
echo "report: $(wc -c <"$report") bytes, as expected (with connector column)"

# The status line: the shared StatusLine of the same path and result is what
# quorvel-cli prints; the dialog's list shows it as text the test cannot read,
# so its presence is checked on the screen (the list's first line has ink now).
cli_line=$("$cli" --analyze-connector "$model" | tail -1)
# Only a backslash separates, so on Linux the name is the whole path, lowered.
name=$(printf '%s' "$model" | tr 'A-Z' 'a-z')
expected_line=$name
while ((${#expected_line} < 60)); do expected_line+=.; done
expected_line+=completed
[[ $cli_line == "$expected_line" ]] || fail "status line '$cli_line'"
echo "status line: $cli_line"

sleep 0.3  # let the dialog repaint after the batch (the check below polls anyway)
import -window "$main" "$out/quorvel-dialog.png"
width=$(identify -format %w "$out/quorvel-dialog.png")
# The list's first line, inside the list's left border: 10 % .. 50 % across,
# 8 % .. 12 % down the dialog (the list starts at 15 of 200 dialog units).
ink() {
  import -window "$main" "$work/now.png"
  local w h
  w=$(identify -format %w "$work/now.png") h=$(identify -format %h "$work/now.png")
  local dark
  dark=$(convert "$work/now.png" -crop "$((w * 40 / 100))x$((h * 5 / 100))+$((w * 11 / 100))+$((h * 8 / 100))" \
    -colorspace Gray -threshold 50% -format '%[fx:int(w*h*(1-mean))]' info:)
  [[ $dark -gt 20 ]]
}
poll ink || fail "no status line visible in the list"
echo "status list: first line drawn (window $width px wide)"

# Read the first line back off the screen. OCR garbles the path's letters, but
# the outcome word at its end comes through; "failed" must not.
if command -v tesseract >/dev/null; then
  import -window "$main" "$work/line.png"
  w=$(identify -format %w "$work/line.png") h=$(identify -format %h "$work/line.png")
  convert "$work/line.png" -crop "$((w * 78 / 100))x$((h * 6 / 100))+$((w * 10 / 100))+$((h * 7 / 100))" \
    -resize 400% -colorspace Gray "$work/line-big.png"
  read_line=$(tesseract "$work/line-big.png" - --psm 7 2>/dev/null | tr -d '\n')
  echo "status line on screen (OCR): $read_line"
  shopt -s nocasematch
  [[ $read_line == *ompleted* && $read_line != *failed* ]] ||
    fail "the list does not show a completed line: '$read_line'"
  shopt -u nocasematch
else
  fail "tesseract is needed to read the status line off the screen"
fi

# About box through the right-click popup on the dialog's background.
xdotool mousemove --window "$main" 4 4 click 3
sleep 0.3
xdotool key Down Down Return
poll has_window "About Quorvel" || fail "the About box did not open"
about=$(window "About Quorvel")
import -window "$about" "$out/about.png" || true
xdotool windowfocus --sync "$about"
xdotool key space
poll no_window "About Quorvel" || fail "the About box did not close"
has_window "Quorvel v1.6" || fail "the dialog closed with the About box"

# Escape ends the dialog and with it the program.
xdotool windowfocus --sync "$main"
xdotool key Escape
poll bash -c "! kill -0 $app_pid" || fail "the program did not end with its dialog"
wait "$app_pid" || fail "the program exited with status $?"
app_pid=''
# The engine's log (buffered on a file until the program ends).
grep -qx 'start' "$work/quorvel.out" || fail "the engine did not log its start"
grep -q '^ERROR' "$work/quorvel.out" && fail "the engine logged an error"
echo "PASS (screenshots in $out)"
