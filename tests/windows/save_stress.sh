#!/bin/sh
# Another program saves the model over and over (CREATE_ALWAYS, then in
# place, versions A and B taking turns) while quorvel-cli.exe runs over it
# under Wine. None of the saves may fail, and no completed report may mix the
# two versions. A save is no atomic step: between its truncation and its last
# byte the file on disk is empty or a prefix of a version, and a model read
# then is read whole and unchanged. Such reports are counted, not failed: no
# reader can tell that file from a shorter model. The same holds for a save in
# place that stalls (the writer descheduled) while the whole read and its
# check run: the file is then a steady mix of both versions. Those are rare;
# the check against the file catches every mix it overlaps, so more than 1 in
# 100 completed reports mixing the versions fails the test (without the check
# under Wine, two in three did). Twenty hard links name the one model, so
# that each file of a batch leaves its own report.
#
# usage: save_stress.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR [SECONDS]
set -eu

linux_build=$(cd "$1" && pwd)
windows_build=$(cd "$2" && pwd)
seconds=${3:-20}
cli="$linux_build/cli/quorvel-cli"
tavgen="$linux_build/tools/tavgen/tavgen"
cli_exe="$windows_build/cli/quorvel-cli.exe"
saver="$windows_build/tests/model_saver.exe"
export WINEPREFIX="${WINEPREFIX:-$windows_build/wineprefix}" WINEDEBUG=-all \
  WINEDLLOVERRIDES="mscoree,mshtml="
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-saves.XXXXXX")
saver_pid=""
trap '[ -z "$saver_pid" ] || kill "$saver_pid" 2>/dev/null; rm -rf "$work"' EXIT

# Two versions of one size, about 3 MiB each, whose reports differ in every
# line; and the report of the empty file that CREATE_ALWAYS leaves on disk
# between truncating and writing, a state of the file like any other.
for version in alpha bravo; do
  printf '%s\n' version "repeat 3000 {" node "  arg rot ${version}_{i} {i} between=1000" "}" |
    "$tavgen" -o "$work/$version.tav"
  (cd "$work" && "$cli" -c "$version.tav" > /dev/null)
  sed 's/$/\r/' "$work/$version.txt" > "$work/$version.expected"
done
: > "$work/empty.tav"
(cd "$work" && "$cli" -c empty.tav > /dev/null)
sed 's/$/\r/' "$work/empty.txt" > "$work/empty.expected"
[ "$(wc -c < "$work/alpha.tav")" = "$(wc -c < "$work/bravo.tav")" ] || {
  echo "save_stress: the versions differ in size" >&2
  exit 2
}
mkdir "$work/run"
cp "$work/alpha.tav" "$work/run/model.tav"
names=""
for i in 01 02 03 04 05 06 07 08 09 10 11 12 13 14 15 16 17 18 19 20; do
  ln "$work/run/model.tav" "$work/run/m$i.tav"
  names="$names m$i.tav"
done

wine "$saver" "$(winepath -w "$work/run/model.tav")" "$(winepath -w "$work/alpha.tav")" \
  "$(winepath -w "$work/bravo.tav")" "$seconds" > "$work/saver.out" &
saver_pid=$!

runs=0 completed=0 failed=0 mixed=0 changed=0 empty=0 prefix=0 whole=0
while kill -0 "$saver_pid" 2>/dev/null; do
  rm -f "$work/run/"m*.txt
  # shellcheck disable=SC2086 # the names split on purpose
  (cd "$work/run" && wine "$cli_exe" -c $names > "$work/out") || true
  tr -d '\r' < "$work/out" > "$work/lines"
  changed=$((changed + $(grep -c '^ERROR: model changed while reading$' "$work/lines" || true)))
  for i in 01 02 03 04 05 06 07 08 09 10 11 12 13 14 15 16 17 18 19 20; do
    runs=$((runs + 1))
    if grep -q "^m$i\\.tav\\.*completed\$" "$work/lines"; then
      completed=$((completed + 1))
      report="$work/run/m$i.txt"
      size=$(wc -c < "$report")
      if cmp -s "$report" "$work/empty.expected"; then
        empty=$((empty + 1))
      elif cmp -s "$report" "$work/alpha.expected" || cmp -s "$report" "$work/bravo.expected"; then
        whole=$((whole + 1))
      elif head -c "$size" "$work/alpha.expected" | cmp -s - "$report" ||
        head -c "$size" "$work/bravo.expected" | cmp -s - "$report"; then
        prefix=$((prefix + 1))
      else
        mixed=$((mixed + 1))
        cp "$work/run/m$i.txt" "$windows_build/save-stress-mixed.txt"
      fi
    else
      failed=$((failed + 1))
      [ ! -e "$work/run/m$i.txt" ] || mixed=$((mixed + 1))  # a failed file leaves no report
    fi
  done
done
wait "$saver_pid" || true
saver_pid=""
tr -d '\r' < "$work/saver.out" > "$work/saves"
echo "save_stress: $(head -n 1 "$work/saves"); reports: $runs files, $completed completed" \
  "($whole of a whole version, $empty of the empty file, $prefix of a part-written one," \
  "$mixed mixing versions)," \
  "$failed failed" \
  "($changed changed while reading)"
status=0
grep -q ' failed: 0$' "$work/saves" || { cat "$work/saves" >&2; echo "FAIL: saves failed" >&2; status=1; }
[ $((mixed * 100)) -le "$completed" ] ||
  { echo "FAIL: $mixed of $completed completed reports mix the two versions" >&2; status=1; }
[ "$completed" -gt 0 ] || { echo "FAIL: no file completed" >&2; status=1; }
exit $status
