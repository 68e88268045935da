#!/bin/sh
# quorvel-cli.exe under Wine with the paths Windows users have: folders and
# files named in Cyrillic, Greek and CJK, with a character outside the BMP and
# with combining marks; a best-fit decoy beside the model; a path over 300
# characters; wildcards; a model that would be its own report; a dotted
# folder; an old report replaced whole, or kept when it cannot be written. Each
# report equals the Linux program's with CR LF, each status line is the
# expected UTF-8 bytes.
#
# usage: cli_paths.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR
set -eu

linux_build=$(cd "$1" && pwd)
windows_build=$(cd "$2" && pwd)
cli="$linux_build/cli/quorvel-cli"
tavgen="$linux_build/tools/tavgen/tavgen"
cli_exe="$windows_build/cli/quorvel-cli.exe"
for f in "$cli" "$tavgen" "$cli_exe"; do
  [ -f "$f" ] || { echo "cli_paths: missing $f" >&2; exit 2; }
done
# Wine reads its command line in the terminal's encoding.
export LC_ALL=C.UTF-8 WINEPREFIX="${WINEPREFIX:-$windows_build/wineprefix}" WINEDEBUG=-all \
  WINEDLLOVERRIDES="mscoree,mshtml="
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-paths.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
cases=0
fail() {
  printf 'FAIL: %s\n' "$*" >&2
  failures=$((failures + 1))
}
pass() { cases=$((cases + 1)); }

# model FILE OBJECT: a model with one connector-matched object named OBJECT.
model() {
  printf '%s\n' version node "arg rot $2 7" "conn $2 1" | "$tavgen" -o "$1"
}
# The line quorvel-cli prints for NAME with OUTCOME: name (only A-Z lowered),
# dots to 60 bytes, the outcome.
status_line() {
  lowered=$(printf '%s' "$1" | tr 'A-Z' 'a-z')
  bytes=$(printf '%s' "$lowered" | wc -c)
  dots=""
  while [ "$bytes" -lt 60 ]; do
    dots="$dots."
    bytes=$((bytes + 1))
  done
  printf '%s%s%s\n' "$lowered" "$dots" "$2"
}
# The Linux report for a model with object OBJECT, with CR LF.
expected_report() {
  mkdir -p "$work/linux"
  model "$work/linux/m.tav" "$1"
  (cd "$work/linux" && "$cli" -c m.tav > /dev/null)
  sed 's/$/\r/' "$work/linux/m.txt"
}
last_line() { tr -d '\r' | tail -n 1; }

# 1. Names in every script, as relative paths "FOLDER\FILE.tav".
expected_report flap > "$work/expected.txt"
for pair in "Иван/Кабина" "μοντέλα/αερο" "模型/座舱" "🚀/𠀀😀" "ét́é/ñä̈" "Café/Łódź"; do
  folder=${pair%/*}
  file=${pair#*/}
  mkdir -p "$work/scripts/$folder"
  model "$work/scripts/$folder/$file.tav" flap
  out=$(cd "$work/scripts" && wine "$cli_exe" -c "$folder\\$file.tav" | last_line) ||
    { fail "$pair: exit status"; continue; }
  [ "$out" = "$(status_line "$file.tav" completed)" ] || fail "$pair: status line '$out'"
  cmp -s "$work/expected.txt" "$work/scripts/$folder/$file.txt" ||
    fail "$pair: report differs from the Linux report with CR LF"
  pass
done

# 2. Best fit: "Łódź" must never become the decoy "Lódz" (code page 1252).
mkdir "$work/decoy"
model "$work/decoy/Łódź.tav" right
model "$work/decoy/Lódz.tav" decoy
expected_report right > "$work/right.txt"
(cd "$work/decoy" && wine "$cli_exe" -c "Łódź.tav" > /dev/null) || fail "decoy: exit status"
cmp -s "$work/right.txt" "$work/decoy/Łódź.txt" || fail "decoy: the report is not the model's"
[ ! -e "$work/decoy/Lódz.txt" ] || fail "decoy: the decoy was opened and reported"
pass

# 3. A full path over 300 characters, given as a Windows path.
deep="$work/deep"
for i in 1 2 3 4 5 6; do
  deep="$deep/длинная_папка_${i}_$(printf '%040d' 0)"  # 55 characters each
done
mkdir -p "$deep"
model "$deep/Глубоко.tav" flap
# winepath stops at 260 characters: the drive's name for $work, then the rest.
full="$(winepath -w "$work")$(printf '%s' "${deep#"$work"}/Глубоко.tav" | tr '/' '\\')"
[ "$(printf '%s' "$full" | iconv -f UTF-8 -t UTF-16LE | wc -c)" -gt 600 ] ||
  fail "long path: '$full' is not over 300 characters"
out=$(cd "$work" && wine "$cli_exe" -c "$full" | last_line) || fail "long path: exit status"
[ "$out" = "$(status_line "Глубоко.tav" completed)" ] || fail "long path: status line '$out'"
cmp -s "$work/expected.txt" "$deep/Глубоко.txt" || fail "long path: report differs"
pass

# 4. Wildcards: several matches in name order, and a pattern with none that
# fails with its own line.
mkdir "$work/wild"
for name in b.tav A.tav Кабина.tav c.TAV skip.tavx; do model "$work/wild/$name" flap; done
(cd "$work" && wine "$cli_exe" -c 'wild\*.tav' 'wild\*.none' > "$work/wild.out") &&
  fail "wildcards: exit status 0 although a pattern matched nothing"
tr -d '\r' < "$work/wild.out" | grep -v '^ERROR: ' | grep -E 'completed$|failed$' \
  > "$work/wild.lines"
{
  status_line A.tav completed
  status_line b.tav completed
  status_line c.TAV completed
  status_line Кабина.tav completed
  status_line '*.none' failed
} > "$work/wild.expected"
cmp -s "$work/wild.expected" "$work/wild.lines" ||
  fail "wildcards: status lines $(cat "$work/wild.lines")"
[ ! -e "$work/wild/skip.txt" ] || fail "wildcards: *.tav took skip.tavx"
pass

# 5. A non-ASCII model named .txt is its own report path: refused, unchanged.
mkdir "$work/self"
model "$work/self/Кабина.txt" flap
cp "$work/self/Кабина.txt" "$work/self.orig"
(cd "$work/self" && wine "$cli_exe" "Кабина.txt" > "$work/self.out") &&
  fail "self overwrite: exit status 0"
out=$(tr -d '\r' < "$work/self.out")
printf '%s\n' "$out" | grep -q '^ERROR: report path is the model file$' ||
  fail "self overwrite: no refusal in '$out'"
cmp -s "$work/self.orig" "$work/self/Кабина.txt" || fail "self overwrite: the model was changed"
pass

# 6. A model without extension in a dotted folder: "v1.2\door" gets
# "v1.2\door.txt", and "v1.txt" beside the folder is not touched.
mkdir "$work/dotted" "$work/dotted/v1.2"
model "$work/dotted/v1.2/door" flap
printf 'not a report\n' > "$work/dotted/v1.txt"
(cd "$work/dotted" && wine "$cli_exe" -c 'v1.2\door' > /dev/null) || fail "dotted folder: exit status"
cmp -s "$work/expected.txt" "$work/dotted/v1.2/door.txt" || fail "dotted folder: report"
[ "$(cat "$work/dotted/v1.txt")" = "not a report" ] || fail "dotted folder: v1.txt was written"
pass

# 7. An old report is replaced whole, in a folder with a non-ASCII name, and
# no temporary file is left.
mkdir "$work/Замена"
model "$work/Замена/Кабина.tav" flap
printf 'an old report\r\n' > "$work/Замена/Кабина.txt"
(cd "$work/Замена" && wine "$cli_exe" -c Кабина.tav > /dev/null) || fail "replace: exit status"
cmp -s "$work/expected.txt" "$work/Замена/Кабина.txt" || fail "replace: report"
[ -z "$(find "$work" -name '.quorvel-*')" ] || fail "replace: a temporary file was left"
pass

# 8. A report that cannot be written (read-only; a folder) fails the file
# with "ERROR: fopen failed" and is left as it was.
mkdir "$work/kept" "$work/kept/b.txt"
model "$work/kept/a.tav" flap
model "$work/kept/b.tav" flap
printf 'an old report\r\n' > "$work/kept/a.txt"
chmod 444 "$work/kept/a.txt"
(cd "$work/kept" && wine "$cli_exe" -c a.tav b.tav > "$work/kept.out") &&
  fail "kept: exit status 0"
[ "$(tr -d '\r' < "$work/kept.out" | grep -c '^ERROR: fopen failed$')" = 2 ] ||
  fail "kept: log $(cat "$work/kept.out")"
[ "$(cat "$work/kept/a.txt")" = "$(printf 'an old report\r')" ] || fail "kept: a.txt changed"
[ -d "$work/kept/b.txt" ] || fail "kept: the folder b.txt was replaced"
[ -z "$(find "$work" -name '.quorvel-*')" ] || fail "kept: a temporary file was left"
chmod 644 "$work/kept/a.txt"
pass

if [ "$failures" -ne 0 ]; then
  echo "cli_paths: $failures failure(s) in $cases cases" >&2
  exit 1
fi
echo "cli_paths: $cases cases passed (ANSI code page $(wine "$windows_build/platform/win32/tests/probe.exe" acp | tr -d '\r'))"
