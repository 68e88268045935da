#!/usr/bin/env bash
# A 32-bit quorvel-cli completes a 1.5 GiB model: mapped, and read whole into
# memory as on Windows (two at once with -j 2, which the batch's 1 GiB budget
# must run one after the other). The report must hold the objects before and
# after the 1.5 GiB of filler.
# Usage: large_model_test.sh QUORVEL_CLI TAVGEN
set -u
cli=$1 tavgen=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The objects come from tavgen; the filler between them is a hole of zero
# bytes (no pattern), so that the test writes nothing like 1.5 GiB to disk.
fill=$((1536 << 20))
printf '%s\n' version node 'arg rot before_fill 7' 'conn before_fill 2' |
  "$tavgen" -o "$work/head.tav" - || fail "tavgen head"
printf '%s\n' node 'arg vis after_fill 9' 'conn light 9' |
  "$tavgen" -o "$work/tail.tav" - || fail "tavgen tail"
cp "$work/head.tav" "$work/big.tav"
truncate -s "+$fill" "$work/big.tav"
cat "$work/tail.tav" >> "$work/big.tav"
cp --sparse=always "$work/big.tav" "$work/big2.tav"
size=$(stat -c %s "$work/big.tav")
((size > fill && size < (2 << 30) - 1)) || fail "model size $size"

header=$'*************************\n**   arg list of tav   **\n*************************\n\n'
header+=$'**<< #connectors: 1 (total 2)\n\n**   obj = arg (type) [connector]\n'
header+=$'**     [-]: if connector name != obj name\n**          or no connector\n\n'
expected_report="${header}before_fill = 7 ( Rotation Node ) [ before_fill ]
after_fill = 9 ( Visibility Node ) [ - ]"
status_line() {  # name: the name padded with dots to 60, then "completed"
  printf '%s%s%s' "$1" "$(printf '%*s' $((60 - ${#1})) '' | tr ' ' '.')" completed
}
check_reports() {  # what name...: each model's report is the expected one
  local what=$1 name
  shift
  for name in "$@"; do
    [[ "$(cat "$work/$name.txt")" == "$expected_report" ]] ||
      fail "$what: report of $name.tav: $(cat "$work/$name.txt")"
    rm -f "$work/$name.txt"
  done
}
one="fsize: $size($size)"$'\n'start$'\n'

# Mapped: nothing else has the model open.
out=$(cd "$work" && "$cli" -c big.tav; echo "exit $?")
[[ "$out" == "$one$(status_line big.tav)"$'\n'"exit 0" ]] || fail "mapped: $out"
check_reports mapped big

# Read into memory: a model open for writing elsewhere is neither held nor
# mapped (here the test's own descriptors 3 and 4, inherited).
out=$(cd "$work" && "$cli" -j 2 -c big.tav big2.tav 3>>big.tav 4>>big2.tav; echo "exit $?")
[[ "$out" == "$one$(status_line big.tav)"$'\n'"$one$(status_line big2.tav)"$'\n'"exit 0" ]] ||
  fail "read, -j 2: $out"
check_reports "read, -j 2" big big2

if ((failures > 0)); then
  echo "$failures check(s) failed"
  exit 1
fi
echo "every check passed"
