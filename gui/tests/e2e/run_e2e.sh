#!/usr/bin/env bash
# End-to-end test of the dialog program on a private Xvfb display under a
# small window manager (openbox), driven from the keyboard with xdotool as a
# user would:
#   - Enter on the focused "Load TAV" opens the file chooser, where twenty
#     models are picked, Door.tav first and one with a long name last;
#   - Tab and space tick "Save txt Beside Extractor" and "Analyze Connector",
#     and Enter on that check box presses the default button "Extract!";
#   - every report lands in the working directory, because "/" separates,
#     Door's equal to the expected one, and the status list shows file names;
#   - the status list takes Tab focus and scrolls with the arrow keys, Page
#     Up/Down, Home and End;
#   - Shift+F10, the Menu key and a right click on the background open the
#     popup whose About entry opens the About box, which Enter closes;
#   - Escape ends the program with status 0.
# It leaves the screenshots of the README in OUT_DIR.
#
# usage: run_e2e.sh QUORVEL QUORVEL_CLI TAVGEN SAMPLES_DIR OUT_DIR
#   SAMPLES_DIR holds door.desc and expected/door.c.txt (its report with
#   connector analysis).
set -euo pipefail
quorvel=$(realpath "$1") cli=$(realpath "$2") tavgen=$(realpath "$3") samples=$(realpath "$4")
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_init "$5"
rm -f "$out"/*.png

start_xvfb 96
start_wm
private_home

# The models, built by our generator: Door.tav sorts first, the long name last.
run=$work/run
mkdir -p "$run/models" "$work/cli"
long=Zeppelin_with_a_rather_long_name_to_scroll_sideways
names=(Door)
for i in $(seq -w 1 18); do names+=("Model_$i"); done
names+=("$long")
for n in "${names[@]}"; do
  "$tavgen" -o "$run/models/$n.tav" "$samples/door.desc" || fail "tavgen $n"
done

cd "$run"
start_quorvel "$quorvel"
echo "main window: $(xdotool getwindowgeometry "$main" | tr '\n' ' ')"
activate "$main"

# "Load TAV" holds the focus at start (first tab stop): Enter presses it.
xdotool key Return
poll has_window "Choose File" || fail "Enter on the focused 'Load TAV' did not open the file chooser"
chooser=$(window "Choose File")
sleep 1  # let the chooser list its folder and settle its focus before typing
activate "$chooser"
# The chooser opens in the working directory with its file-name field
# focused: enter the models folder by name (typing a path races the chooser's
# completion at every '/'), then pick the first model, show the last, and
# shift-click it. The rows are FLTK's own, at fixed places in the chooser.
xdotool type --delay 50 models
xdotool key Return
sleep 0.5
xdotool mousemove --window "$chooser" 60 72 click 1
sleep 0.3
xdotool key shift+End
sleep 0.3
xdotool mousemove --window "$chooser" 60 255 keydown shift click 1 keyup shift
sleep 0.3
xdotool key shift+Down shift+Down
import -frame -window "$chooser" "$out/file-chooser.png" || true
xdotool key Tab Return  # off the list, whose Enter is its own; Return is OK
poll no_window "Choose File" || fail "the file chooser did not close"

# Focus order: Load TAV, Extract!, the status list, Sort by Name, Save txt
# Beside Extractor, Analyze Connector.
activate "$main"
xdotool key Tab Tab Tab Tab space Tab space
import -frame -window "$main" "$out/before-extract.png"
# Enter on a check box presses the default button, "Extract!".
xdotool key Return

count_reports() { find "$1" -maxdepth 1 -name '*.txt' | wc -l; }
all_written() { [[ $(count_reports "$run") == "${#names[@]}" ]]; }
poll all_written || fail "$(count_reports "$run") of ${#names[@]} reports in the working directory"
[[ $(count_reports "$run/models") == 0 ]] || fail "reports beside the models despite 'Save txt Beside Extractor'"
cmp "$run/Door.txt" "$samples/expected/door.c.txt" || fail "the report differs from the expected one"
echo "reports: ${#names[@]} in the working directory, Door.txt as expected"

# The status line is the shared StatusLine of quorvel-cli: the name after the
# last "/", lowered.
cli_line=$(cd "$work/cli" && "$cli" -b -c "$run/models/Door.tav" | tail -1)
expected_line=door.tav
while ((${#expected_line} < 60)); do expected_line+=.; done
expected_line+=completed
[[ $cli_line == "$expected_line" ]] || fail "status line '$cli_line'"
echo "status line: $cli_line"

# The list's text area, cropped inside its border and scroll bars (16 px at
# any scale): the list is 27..264 x 15..133 of the 291 x 200 dialog units.
list_shot() {  # NAME
  import -window "$main" "$work/now.png"
  local w h
  w=$(identify -format %w "$work/now.png") h=$(identify -format %h "$work/now.png")
  convert "$work/now.png" \
    -crop "$((w * 237 / 291 - 22))x$((h * 118 / 200 - 22))+$((w * 27 / 291 + 3))+$((h * 15 / 200 + 3))" \
    +repage "$work/$1.png"
}
inked() {  # the list's first line has ink
  list_shot ink
  local dark
  dark=$(convert "$work/ink.png" -crop "50%x8%+0+0" -colorspace Gray -threshold 50% \
    -format '%[fx:int(w*h*(1-mean))]' info:)
  [[ $dark -gt 20 ]]
}
poll inked || fail "no status line visible in the list"
sleep 0.3  # let the dialog settle after the batch
import -frame -window "$main" "$out/quorvel-dialog.png"

# Read the first line back off the screen: the list's first line starts 2 px
# inside its border at (27, 15) of the 291 x 200 dialog units, one line is
# about 8 units high. The bare file name must come first, then the outcome.
ocr() {  # WIDTH_DU: the text of the first line, that wide from its start
  import -window "$main" "$work/line.png"
  local w h
  w=$(identify -format %w "$work/line.png") h=$(identify -format %h "$work/line.png")
  convert "$work/line.png" \
    -crop "$((w * $1 / 291))x$((h * 8 / 200))+$((w * 27 / 291 + 2))+$((h * 15 / 200 + 2))" \
    +repage -resize 400% -colorspace Gray -bordercolor white -border 20 "$work/ocr.png"
  tesseract "$work/ocr.png" - --psm 7 \
    -c tessedit_char_whitelist=abcdefghijklmnopqrstuvwxyz0123456789._/ 2>/dev/null | tr -d '\n'
}
read_name=$(ocr 40)
read_line=$(ocr 230)
echo "status line on screen (OCR): $read_line; its start: $read_name"
[[ $read_name == door.tav* ]] || fail "the first status line does not start with 'door.tav': '$read_name'"
[[ $read_line == *ompleted* && $read_line != *failed* ]] ||
  fail "the list does not show a completed line first: '$read_line'"

# The status list takes the focus and scrolls from the keyboard. Back from
# Analyze Connector over the two other boxes onto the list.
same() { compare -metric AE "$work/$1.png" "$work/$2.png" null: 2>/dev/null; }
moved() { list_shot "$2"; ! same "$1" "$2"; }  # BEFORE NOW: the list looks different now
back() { list_shot "$2"; same "$1" "$2"; }     # BEFORE NOW: the list looks as before
activate "$main"
list_shot unfocused
xdotool key shift+Tab shift+Tab shift+Tab
poll moved unfocused top || fail "the status list shows no focus after Shift+Tab"
sleep 0.3
list_shot top
# Each key moves the view off the top, its partner brings it back.
for keys in "Down Up" "Page_Down Page_Up" "End Home" "Right Left"; do
  read -r away undo <<<"$keys"
  xdotool key "$away"
  poll moved top "$away" || fail "$away did not scroll the status list"
  xdotool key "$undo"
  poll back top "$undo" || fail "$undo did not scroll the status list back"
done
! same Down Page_Down || fail "Page Down scrolled only one line"
# Enter on the list presses the default button, disabled after the batch.
xdotool key Return
echo "status list: focus by Tab; Up, Down, Page Up, Page Down, Home, End, Left, Right scroll it"

# The popup of the right click, also from the keyboard; its About entry opens
# the About box, and Enter on its focused OK closes it.
# A popup is an override-redirect window: one more of them is on the screen.
overrides() {
  local w n=0
  for w in $(xwininfo -root -children | awk '/^ +0x/ { print $1 }'); do
    xwininfo -id "$w" -all 2>/dev/null | grep -q 'Override Redirect State: yes' &&
      xwininfo -id "$w" | grep -q IsViewable && n=$((n + 1))
  done
  echo "$n"
}
popup_open() { (($(overrides) > $1)); }
about_from() {  # HOW COMMAND...: opens the popup with COMMAND... and picks About
  local how=$1 before
  shift
  activate "$main"
  before=$(overrides)
  "$@"
  poll popup_open "$before" || fail "$how did not open the popup"
  xdotool key Down Down Return  # Close, then About
  poll has_window "About Quorvel" || fail "the About box did not open from $how"
  about=$(window "About Quorvel")
  activate "$about"
}
close_about() {  # KEY
  xdotool key "$1"
  poll no_window "About Quorvel" || fail "$1 did not close the About box"
  has_window "Quorvel v1.6" || fail "the dialog closed with the About box"
}
about_from Shift+F10 xdotool key shift+F10
import -frame -window "$about" "$out/about.png" || true
close_about Return
about_from Menu xdotool key Menu
close_about KP_Enter
about_from "a right click" xdotool mousemove --window "$main" 4 4 click 3
close_about space
echo "About box: from Shift+F10, the Menu key and a right click; closed by Enter"

end_quorvel
# The engine's log (buffered on a file until the program ends): one start per
# model, so Enter after the batch pressed nothing.
starts=$(grep -cx 'start' "$work/quorvel.out" || true)
[[ $starts == "${#names[@]}" ]] || fail "$starts engine runs for ${#names[@]} models"
grep -q '^ERROR' "$work/quorvel.out" && fail "the engine logged an error"
echo "PASS (screenshots in $out)"
