#!/bin/sh
# Quorvel.exe end to end under Wine and Xvfb: the window, a model in a
# Cyrillic folder loaded through the real Open dialog, About through the real
# system menu, each box owned by the disabled main dialog that ignores clicks
# meanwhile, "Analyze Connector", "Extract!", the report and the status line,
# and a screenshot (WINDOWS_BUILD_DIR/quorvel-wine.png); then a selection
# larger than the dialog's buffer, every file queued.
#
# The Open dialog gets its file names from inside the Wine session: the probe
# sets the text of its file name box, reads it back, and only Enter is a key
# press. A typed character outside the keyboard map (xdotool remaps a spare
# key code for it) can be lost or doubled; a set text cannot.
#
# usage: run_wine_dialog_e2e.sh WINDOWS_BUILD_DIR LINUX_BUILD_DIR
#   Runs under whichever `wine` is first on the PATH (scripts/wine64 for an
#   x86_64 build).
set -eu

windows_build=$(cd "$1" && pwd)
linux_build=$(cd "$2" && pwd)
export WINEPREFIX="${WINEPREFIX:-$windows_build/wineprefix}" WINEDEBUG=-all \
  WINEDLLOVERRIDES="mscoree,mshtml="
app="$windows_build/Quorvel.exe"
probe="$windows_build/platform/win32/tests/probe.exe"
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-e2e.XXXXXX")
failure_shot="$windows_build/quorvel-wine-failure.png"
. "$(dirname "$0")/wine_e2e_lib.sh"
# probe_ok COMMAND...: the probe's own exit status (probe's is the pipe's).
probe_ok() { wine "$probe" "$@" > /dev/null 2>&1; }

# The Open dialog's file name box (edt1, nested in the dialog's pane).
file_name_box=1152
# A Unix path as Wine's drive Z: names it, built here so that no conversion
# through a locale's code page can touch a character.
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }
# answer_open TEXT: the file name box of the open "Open" dialog holds exactly
# TEXT (set from inside the session, read back), then Enter, as a user
# presses it, and the dialog closes or moves on. The caller waits for what
# Enter does.
answer_open() {
  printf '%s' "$1" | wine "$probe" settext Open "$file_name_box" ||
    fail "could not set the Open dialog's file name"
  [ "$(probe text Open "$file_name_box")" = "$1" ] ||
    fail "the Open dialog's file name reads '$(probe text Open "$file_name_box")'"
  xdotool windowfocus --sync "$(xdotool search --onlyvisible --name '^Open$' | head -n 1)"
  xdotool key Return
}

# The Wine session started above has no display; the desktop process of a
# session fixes the display driver of every later program, so start afresh.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true

display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
  display=$((display + 1))
done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
wait_for "Xvfb" xdotool getmouselocation

# The model and the report the Linux program writes for it.
# The model sits in a Cyrillic folder under a Cyrillic name: the path reaches
# the engine as UTF-8 and the list shows the name as it is.
model_dir="$work/models/Иван"
mkdir -p "$model_dir" "$work/linux"
printf '%s\n' 'version' 'node' 'arg rot flap_l 4' 'arg anim gear_door 0' 'arg pos pylon_1 12' \
  'arg vis nav_light 49' 'arg rot canopy 38' 'conn pylon_1 4' 'conn canopy_handle 6' \
  'conn hook 9' | "$linux_build/tools/tavgen/tavgen" -o "$model_dir/Кабина.tav"
cp "$model_dir/Кабина.tav" "$work/linux/Cockpit.tav"
(cd "$work/linux" && "$linux_build/cli/quorvel-cli" -c Cockpit.tav > /dev/null)
sed 's/$/\r/' "$work/linux/Cockpit.txt" > "$work/expected.txt"

(cd "$work" && exec wine "$app") > "$work/app.log" 2>&1 &
app_pid=$!
title="Quorvel v1.6"
wait_for "the window '$title'" xdotool search --onlyvisible --name "^$title\$"
window=$(xdotool search --onlyvisible --name "^$title\$" | head -n 1)
wait_for "the dialog's controls" probe_is 0 enabled "$title" 3
probe_is 0 check "$title" 1011 || fail "Analyze Connector starts ticked"

# While a box is open, the main dialog owns it and is disabled, and nothing
# done to it runs a handler: "Load TAV" clicked (posted and with the mouse),
# "Extract!" and About posted as commands. The box stays the only one, the
# queue and the list stay as they were. The mouse click has been handled once
# the box's button 1, pressed with the mouse after it, reads pushed (the
# button is then let go off itself, which clicks nothing). A posted
# BM_SETCHECK on "Sort by Name" goes last: once it reads back, everything
# posted before it has been handled.
# "Load TAV" clicked with the mouse, as a user would.
mouse_click_load() {
  # shellcheck disable=SC2046 # "X Y"
  xdotool mousemove $(probe center "$title" 1000) click 1
}
# to_corner WINDOW: moves the box to the screen's bottom right corner, whole
# on the screen (its button 1 within the mouse's reach) and off "Load TAV"
# (which the mouse clicks through it).
to_corner() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  # shellcheck disable=SC2046 # "X Y"
  set -- "$1" $((1024 - WIDTH)) $((768 - HEIGHT)) $(probe center "$title" 1000)
  [ "$2" -gt "$4" ] || [ "$3" -gt "$5" ] || fail "a box of ${WIDTH}x$HEIGHT would cover Load TAV"
  xdotool windowmove --sync "$1" "$2" "$3"
}
main_is_locked_by() {
  box=$1
  [ "$(probe owner "$box")" = "$title" ] || fail "'$box' is not owned by the main dialog"
  probe_is 0 enabled "$title" || fail "the main dialog is enabled while '$box' is open"
  boxes_before="$(probe count Open) $(probe count "About Quorvel")"
  list_before=$(probe list "$title" 1004)
  # One xdotool, so that the X server takes the click and the press in order.
  # shellcheck disable=SC2046 # "X Y"
  xdotool mousemove $(probe center "$title" 1000) click 1 \
    mousemove $(probe center "$box" 1) mousedown 1
  wait_for "'$box''s button 1 to be held down" probe_is 1 pushed "$box" 1
  # shellcheck disable=SC2046 # "X Y"
  xdotool mousemove $(probe center "$title" 1004) mouseup 1
  wait_for "'$box''s button 1 to be let go" probe_is 0 pushed "$box" 1
  probe click "$title" 1000
  probe command "$title" 1000
  probe command "$title" 3
  probe syscommand "$title" 16
  probe mark "$title" 1009 1
  wait_for "the posts to '$title' to be handled" probe_is 1 check "$title" 1009
  probe mark "$title" 1009 0
  wait_for "the mark to be taken off" probe_is 0 check "$title" 1009
  [ "$(probe count Open) $(probe count "About Quorvel")" = "$boxes_before" ] ||
    fail "a second box opened over '$box'"
  [ "$(probe list "$title" 1004)" = "$list_before" ] || fail "a handler ran under '$box'"
  probe_is 0 enabled "$title" || fail "the main dialog was enabled under '$box'"
}

# Load TAV: the real open dialog, answered with the model's full path. The
# same mouse click does nothing while a box is open.
mouse_click_load
wait_for "the open dialog" xdotool search --onlyvisible --name '^Open$'
chooser=$(xdotool search --onlyvisible --name '^Open$' | head -n 1)
to_corner "$chooser"
main_is_locked_by Open
answer_open "$(windows_path "$model_dir/Кабина.tav")"
wait_for "Extract! to be enabled" probe_is 1 enabled "$title" 3
wait_for "the main dialog to be enabled" probe_is 1 enabled "$title"

# About through the system menu: Alt+Space opens it, the last entry is ours.
# "Extract!" is enabled now, so a posted "Extract!" would add a status line.
xdotool windowfocus --sync "$window"
xdotool key alt+space
wait_for "the system menu" probe_ok menu
xdotool key Up Return
wait_for "the About box" xdotool search --onlyvisible --name '^About Quorvel$'
about=$(xdotool search --onlyvisible --name '^About Quorvel$' | head -n 1)
to_corner "$about"
main_is_locked_by "About Quorvel"
xdotool windowfocus --sync "$about"
xdotool key Return
# shellcheck disable=SC2016 # $0 is the inner shell's
wait_for "the About box to close" sh -c '! wine "$0" find "About Quorvel"' "$probe"
wait_for "the main dialog to be enabled" probe_is 1 enabled "$title"
probe_is 1 enabled "$title" 3 || fail "Extract! disabled by the About box"

probe click "$title" 1011
wait_for "Analyze Connector to be ticked" probe_is 1 check "$title" 1011
probe click "$title" 3
expected_line="Кабина.tav............................................completed"
wait_for "the status line" probe_is "$expected_line" list "$title" 1004
probe_is 0 enabled "$title" 3 || fail "Extract! still enabled after the batch"
cmp "$work/expected.txt" "$model_dir/Кабина.txt" ||
  fail "the report differs from the Linux report with CR LF"

import -window "$window" "$windows_build/quorvel-wine.png"

# More files than the 2,562 characters of the selection buffer hold, chosen
# in the real Open dialog as a quoted list in its folder: every one is queued
# and listed.
many_dir="$work/many"
mkdir "$many_dir"
names=""
count=0
while [ "$count" -lt 110 ]; do
  count=$((count + 1))
  name=$(printf 'selection_model_%03d.tav' "$count")
  cp "$model_dir/Кабина.tav" "$many_dir/$name"
  names="$names \"$name\""
done
mouse_click_load
wait_for "the open dialog" xdotool search --onlyvisible --name '^Open$'
# A folder's name and Enter: the dialog goes into the folder and lists its
# files; then the list of names.
answer_open "$(windows_path "$many_dir")"
wait_for "the Open dialog to list the $count files" probe_is "$count" items Open
answer_open "${names# }"
wait_for "Extract! to be enabled" probe_is 1 enabled "$title" 3
probe click "$title" 3
wait_for "the batch of $count files" sh -c \
  '[ "$(wine "$0" list "$1" 1004 | grep -c completed)" = "$2" ]' "$probe" "$title" "$count"
[ "$(find "$many_dir" -name '*.txt' | wc -l)" = "$count" ] ||
  fail "not every selected file has its report"
probe close "$title"
# shellcheck disable=SC2016
wait_for "Quorvel.exe to end" sh -c '! kill -0 "$0" 2>/dev/null' "$app_pid"
app_pid=""
echo "run_wine_tests: Quorvel.exe passed end to end; screenshot $windows_build/quorvel-wine.png"
