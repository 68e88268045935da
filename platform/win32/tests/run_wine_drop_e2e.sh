#!/bin/sh
# Quorvel.exe end to end under Wine and Xvfb, with real drops and the real
# .txt handler route:
#   1. a small X client of the tests' own (xdnd_drop) drags two models and a
#      folder onto the status list as a file manager does (XDND); Wine turns
#      the X drop into WM_DROPFILES. "Extract!" then lists the two models and
#      every model below the folder in byte order, and each report equals the
#      Linux program's with CR LF;
#   2. a double-click on a "completed" line, and Enter on a selected one, open
#      its report through ShellExecuteW: the prefix's .txt association points
#      at a recording program (open_recorder.exe), which must receive the
#      report's path, and only for "completed" lines;
#   3. drops on the disabled main dialog and on the About box while the About
#      box is open change nothing.
# The test keeps a Wine prefix of its own (the build's wineprefix-drop), so
# that its .txt association touches no other test.
#
# usage: run_wine_drop_e2e.sh WINDOWS_BUILD_DIR LINUX_BUILD_DIR
# Exit status 0 passed, 1 failed, 77 skipped (a program or tool is missing).
# WINDOWS_BUILD_DIR holds Quorvel.exe, platform/win32/tests/probe.exe and
# open_recorder.exe; LINUX_BUILD_DIR holds cli/quorvel-cli,
# tools/tavgen/tavgen and gui/tests/xdnd_drop.
set -eu

windows_build=$(cd "$1" && pwd)
linux_build=$(cd "$2" && pwd)
app="$windows_build/Quorvel.exe"
probe="$windows_build/platform/win32/tests/probe.exe"
recorder="$windows_build/platform/win32/tests/open_recorder.exe"
cli="$linux_build/cli/quorvel-cli"
tavgen="$linux_build/tools/tavgen/tavgen"
xdnd_drop="$linux_build/gui/tests/xdnd_drop"
# Without the programs or tools it needs the test is skipped (status 77).
for f in "$app" "$probe" "$recorder" "$cli" "$tavgen" "$xdnd_drop"; do
  [ -f "$f" ] || { echo "run_wine_drop_e2e: skipped, no $f" >&2; exit 77; }
done
for tool in wine wineserver winepath Xvfb xdotool import; do
  command -v "$tool" > /dev/null || { echo "run_wine_drop_e2e: skipped, no $tool" >&2; exit 77; }
done

export WINEPREFIX="$windows_build/wineprefix-drop" WINEDEBUG=-all \
  WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-drop.XXXXXX")
failure_shot="$windows_build/quorvel-drop-failure.png"
. "$(dirname "$0")/wine_e2e_lib.sh"
title="Quorvel v1.6"
# Every message posted to the dialog before this has been handled once the
# posted check mark reads back; the mark is then taken off again.
settle() {
  probe mark "$title" 1009 1
  wait_for "the posts to '$title' to be handled" probe_is 1 check "$title" 1009
  probe mark "$title" 1009 0
  wait_for "the mark to be taken off" probe_is 0 check "$title" 1009
}
# The status line of a queued path: its name after the last separator, A-Z
# lowered, dots up to byte 60, the outcome word.
status_line() {
  LC_ALL=C awk -v name="$1" -v word="$2" 'BEGIN {
    out = ""
    for (i = 1; i <= length(name); i++) {
      c = substr(name, i, 1)
      if (c >= "A" && c <= "Z") c = tolower(c)
      out = out c
    }
    while (length(out) < 60) out = out "."
    print out word
  }'
}
line_at() {
  # shellcheck disable=SC2046 # "X Y"
  xdotool mousemove $(probe itemcenter "$title" 1004 "$1")
}
record_is() {
  [ -f "$work/opened.txt" ] && [ "$(cat "$work/opened.txt")" = "$1" ]
}

# A prefix of the test's own, made once; its .txt association is the recorder.
if [ ! -d "$WINEPREFIX" ]; then
  DISPLAY='' wineboot -i > /dev/null 2>&1 || true
fi
record_win=$(winepath -w "$work/opened.txt")
recorder_win=$(winepath -w "$recorder")
wine reg add 'HKCR\.txt' /ve /d txtfile /f > /dev/null 2>&1
wine reg add 'HKCR\txtfile\shell\open\command' /ve \
  /d "\"$recorder_win\" \"$record_win\" \"%1\"" /f > /dev/null 2>&1 ||
  fail "cannot set the .txt association"
# The session started above has no display; the desktop process of a session
# fixes the display driver of every later program, so start afresh.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true

# Xvfb picks a free display itself and names it when it is ready, so that
# tests running side by side never share one.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> "$work/display" > "$work/xvfb.log" 2>&1 &
xvfb_pid=$!
wait_for "Xvfb" grep -q '^[0-9]' "$work/display"
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY
wait_for "Xvfb" xdotool getmouselocation

# Two models, and a folder with models at three depths (one with a Cyrillic
# name and a space, so that the URI's percent-encoding is decoded), a text
# file and a model in a folder of its own. What each model holds comes from
# our generator.
one="$work/drop/one"
folder="$work/drop/Folder"
mkdir -p "$one" "$folder/sub/deeper" "$work/linux"
gen() { printf '%s\n' "$2" | "$tavgen" -o "$1"; }
gen "$one/Cockpit.tav" 'version
node
arg rot flap_l 4
arg anim gear_door 0
arg pos pylon_1 12
conn pylon_1 4'
gen "$one/Gear.tav" 'version
node
arg rot wheel 7
arg vis light 2'
gen "$folder/sub/Rotor.TAV" 'version
node
arg rot blade 3'
gen "$folder/sub/deeper/Tail.tav" 'version
node
arg anim rudder 9'
gen "$folder/Кабина 2.tav" 'version
node
arg pos seat 1
arg bone arm 5'
printf 'not a model\n' > "$folder/notes.txt"
printf 'not a model\n' > "$one/readme.txt"

# In drop order: the two models, then the folder's models in byte order.
set -- "$one/Cockpit.tav" "$one/Gear.tav" "$folder/sub/Rotor.TAV" \
  "$folder/sub/deeper/Tail.tav" "$folder/Кабина 2.tav"
expected_lines=""
for model in "$@"; do
  name=$(basename "$model")
  expected_lines="$expected_lines$(status_line "$name" completed)
"
  cp "$model" "$work/linux/$name"
  (cd "$work/linux" && "$cli" "$name" > /dev/null)
done
expected_lines=${expected_lines%?}

(cd "$work" && exec wine "$app") > "$work/app.log" 2>&1 &
app_pid=$!
patience=600
wait_for "the window '$title'" xdotool search --onlyvisible --name "^$title\$"
patience=150
window=$(xdotool search --onlyvisible --name "^$title\$" | head -n 1)
wait_for "the dialog's controls" probe_is 0 enabled "$title" 3

# 1. The drop, on the status list: a load of the two models and the folder.
# shellcheck disable=SC2046 # "X Y"
"$xdnd_drop" "$window" $(probe center "$title" 1004) "$one/Cockpit.tav" "$one/Gear.tav" \
  "$folder" || fail "Wine refused the drop on the status list"
wait_for "Extract! to be enabled by the drop" probe_is 1 enabled "$title" 3
[ -z "$(probe list "$title" 1004)" ] || fail "the drop left lines in the list"
probe click "$title" 3
wait_for "the five status lines" probe_is "$expected_lines" list "$title" 1004
probe_is 0 enabled "$title" 3 || fail "Extract! still enabled after the batch"
for model in "$@"; do
  name=$(basename "$model" .tav)
  name=$(basename "$name" .TAV)
  sed 's/$/\r/' "$work/linux/$name.txt" > "$work/expected.txt"
  cmp "$work/expected.txt" "${model%.*}.txt" || fail "the report of $model differs"
done
import -window "$window" "$windows_build/quorvel-drop.png"

# 2. Opening reports: a double-click on line 0, then Enter on line 4, which a
# single click selects.
report_of() { winepath -w "${1%.*}.txt"; }
line_at 0
xdotool click --repeat 2 --delay 80 1
wait_for "the recorder to get Cockpit's report" record_is "$(report_of "$one/Cockpit.tav")"
# The window is made the active one first: activating it afterwards would
# give the focus back to the control that had it when it was last active.
xdotool windowfocus --sync "$window"
wait_for "the dialog to be active" probe_is 1 active "$title"
line_at 4
xdotool click 1
wait_for "line 4 to be selected" probe_is 4 selected "$title" 1004
wait_for "the status list to hold the focus" probe_is 1004 focus "$title"
xdotool key Return
wait_for "the recorder to get the Cyrillic model's report" record_is \
  "$(report_of "$one/Cockpit.tav")
$(report_of "$folder/Кабина 2.tav")"
probe_is 0 enabled "$title" 3 || fail "opening a report pressed Extract!"

# 3. While the About box is open, drops on the disabled dialog and on the box
# (whose owner the drop falls to) change nothing.
probe syscommand "$title" 16
wait_for "the About box" xdotool search --onlyvisible --name '^About Quorvel$'
about=$(xdotool search --onlyvisible --name '^About Quorvel$' | head -n 1)
xdotool windowmove --sync "$about" 600 500
import -window "$about" "$windows_build/quorvel-about-wine.png"
list_before=$(probe list "$title" 1004)
# shellcheck disable=SC2046 # "X Y"
"$xdnd_drop" "$window" $(probe center "$title" 1004) "$one/Gear.tav" ||
  fail "Wine refused the drop on the disabled dialog"
"$xdnd_drop" "$about" 620 520 "$one/Gear.tav" ||
  fail "Wine did not hand the drop on the About box to its owner"
# Wine posts each drop's WM_DROPFILES before it tells xdnd_drop the drop
# finished: once the mark posted now reads back, both have been handled.
settle
[ "$(probe list "$title" 1004)" = "$list_before" ] || fail "a drop under the About box loaded"
probe_is 0 enabled "$title" 3 || fail "a drop under the About box enabled Extract!"
probe close "About Quorvel"
# shellcheck disable=SC2016 # $0 is the inner shell's
wait_for "the About box to close" sh -c '! wine "$0" find "About Quorvel"' "$probe"
wait_for "the main dialog to be enabled" probe_is 1 enabled "$title"

# 4. A failed line opens nothing: drop a text file (its report would be the
# file itself, so it fails) and Gear, extract, double-click the failed line,
# then Gear's; only Gear's report reaches the recorder.
# shellcheck disable=SC2046 # "X Y"
"$xdnd_drop" "$window" $(probe center "$title" 1000) "$one/readme.txt" "$one/Gear.tav" || fail "Wine refused the drop on Load TAV"
wait_for "Extract! to be enabled by the second drop" probe_is 1 enabled "$title" 3
probe click "$title" 3
wait_for "the second batch's lines" probe_is "$(status_line readme.txt failed)
$(status_line Gear.tav completed)" list "$title" 1004
# Gear's report reaching the recorder shows that the failed line's clicks,
# made before, were handled; once no recorder runs any more, the record is
# whole.
line_at 0
xdotool click --repeat 2 --delay 80 1
wait_for "line 0 to be selected" probe_is 0 selected "$title" 1004
line_at 1
xdotool click --repeat 2 --delay 80 1
gear_report=$(report_of "$one/Gear.tav")
wait_for "the recorder to get Gear's report" grep -qxF "$gear_report" "$work/opened.txt"
# shellcheck disable=SC2016 # $0 is the inner shell's
wait_for "the recorders to end" sh -c '! wine "$0" running open_recorder.exe' "$probe"
record_is "$(report_of "$one/Cockpit.tav")
$(report_of "$folder/Кабина 2.tav")
$gear_report" || fail "the reports opened: $(cat "$work/opened.txt")"

probe close "$title"
# shellcheck disable=SC2016
wait_for "Quorvel.exe to end" sh -c '! kill -0 "$0" 2>/dev/null' "$app_pid"
app_pid=""
echo "run_wine_drop_e2e: Quorvel.exe passed; screenshot $windows_build/quorvel-drop.png"
