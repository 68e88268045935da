#!/usr/bin/env bash
# quorvel-cli -j 4 against -j 1 over generated models: standard output, exit
# status and every file left behind must be byte for byte the same, with
# duplicates, reports that collide under -b, missing and empty files and
# folders in the batch. Then -r over a tree with nested folders, other files,
# a link loop and an unreadable folder (read as another user when run as
# root, who reads every folder).
# Usage: cli_batch_test.sh QUORVEL_CLI TAVGEN SAMPLES_DIR
set -u
cli=$(realpath "$1") tavgen=$(realpath "$2") samples=$(realpath "$3")
work=$(mktemp -d)
trap 'chmod -R u+rwx "$work" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Models of different sizes, so that later ones often finish first.
gen=$work/gen && mkdir -p "$gen"
for n in 1 2 3 4 5 6; do
  {
    echo version
    echo "repeat $((n * n * 1500)) {"
    echo "  node"
    echo "  arg rot part_{i} {i}"
    echo "  conn part_{i} {i}"
    echo "}"
    echo "arg vis lamp_$n $n"
  } >"$gen/m$n.desc"
  "$tavgen" -o "$gen/m$n.tav" "$gen/m$n.desc" || fail "tavgen m$n"
done

# The tree every run starts from: models in two folders with the same names,
# an empty model, a folder, and a report left by an earlier run.
make_tree() {
  local root=$1
  mkdir -p "$root/a" "$root/b" "$root/cwd" "$root/folder.tav"
  for n in 1 2 3 4 5 6; do cp "$gen/m$n.tav" "$root/a/"; done
  cp "$gen/m6.tav" "$root/b/m1.tav"
  cp "$gen/m2.tav" "$root/b/m2.tav"
  cp "$samples/cockpit.tav" "$root/b/Cockpit.TAV"
  : >"$root/a/empty.tav"
  echo "an earlier report" >"$root/a/m3.txt"
}
batch=(../a/m1.tav ../a/m2.tav ../b/m1.tav ../a/m3.tav ../a/m1.tav missing.tav ../a/empty.tav
  ../folder.tav ../b/m2.tav ../a/m4.tav ../a/./m2.tav ../a/m3.txt ../b/Cockpit.TAV ../a/m5.tav
  ../a/m6.tav ../a/m5.tav ../b/m1.tav ../a/m4.tav)

# Runs quorvel-cli in a fresh tree (working directory cwd/) and keeps its
# standard output with the exit status appended.
run() {  # name args...
  local root=$work/$1
  shift
  make_tree "$root"
  (cd "$root/cwd" && "$cli" "$@" >"$root.out" 2>"$root.err"; echo "exit $?" >>"$root.out")
}

for flags in "" -b -sc -bc -sbc; do
  # shellcheck disable=SC2086
  run "one$flags" -j1 $flags "${batch[@]}"
  # shellcheck disable=SC2086
  run "four$flags" -j 4 $flags "${batch[@]}"
  cmp -s "$work/one$flags.out" "$work/four$flags.out" || {
    fail "standard output or exit status of -j4 $flags differs from -j1"
    diff "$work/one$flags.out" "$work/four$flags.out" | head -20
  }
  diff -r "$work/one$flags" "$work/four$flags" >/dev/null ||
    fail "files left by -j4 $flags differ from -j1"
  grep -q '^exit 1$' "$work/one$flags.out" || fail "-j1 $flags: the failed files fail the batch"
  # Under -b the old report a/m3.txt is a model whose report goes elsewhere.
  completed=15 && [[ $flags == *b* ]] && completed=16
  [[ $(grep -c 'completed$' "$work/one$flags.out") == "$completed" ]] ||
    fail "-j1 $flags: $completed completed files expected"
done
# The batch really is side by side only if the default runs more than one job:
# the same output without -j.
run default -bc "${batch[@]}"
cmp -s "$work/one-bc.out" "$work/default.out" || fail "default -j differs from -j1"
# Under -b the last of the same name wins, as one at a time.
cmp -s "$work/four-b/cwd/m1.txt" "$work/one-b/cwd/m1.txt" || fail "-b m1.txt"
[[ -s "$work/four-b/cwd/m1.txt" ]] || fail "-b: no m1.txt"

# -r over a tree.
tree=$work/tree
mkdir -p "$tree/models/sub/deeper" "$tree/models/closed" "$tree/models/sub.tav" "$tree/cwd"
cp "$gen/m1.tav" "$tree/models/Top.TAV"
cp "$gen/m2.tav" "$tree/models/sub/one.tav"
cp "$gen/m3.tav" "$tree/models/sub/deeper/two.tav"
cp "$gen/m4.tav" "$tree/models/sub.tav/three.tav"
cp "$gen/m5.tav" "$tree/models/closed/hidden.tav"
echo notes >"$tree/models/notes.txt"
ln -s .. "$tree/models/sub/loop"
ln -s Top.TAV "$tree/models/link.tav"
chmod 755 "$work"
chmod 000 "$tree/models/closed"
as_user=()
if [[ $(id -u) == 0 ]]; then
  chown -R 65534:65534 "$tree"
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
for j in 1 3; do
  (cd "$tree/cwd" && "${as_user[@]}" "$cli" -r -j$j ../models ../models/notes.txt \
    >"$work/r$j.out" 2>"$work/r$j.err"; echo "exit $?" >>"$work/r$j.out")
done
expected="fsize: $(stat -c %s "$gen/m1.tav")($(stat -c %s "$gen/m1.tav"))
start
$(printf 'top.tav%53s' '' | tr ' ' .)completed
fsize: $(stat -c %s "$gen/m4.tav")($(stat -c %s "$gen/m4.tav"))
start
$(printf 'three.tav%51s' '' | tr ' ' .)completed
fsize: $(stat -c %s "$gen/m3.tav")($(stat -c %s "$gen/m3.tav"))
start
$(printf 'two.tav%53s' '' | tr ' ' .)completed
fsize: $(stat -c %s "$gen/m2.tav")($(stat -c %s "$gen/m2.tav"))
start
$(printf 'one.tav%53s' '' | tr ' ' .)completed
fsize: 6(6)
start
ERROR: report path is the model file
$(printf 'notes.txt%51s' '' | tr ' ' .)failed
exit 1"
for j in 1 3; do
  [[ "$(cat "$work/r$j.out")" == "$expected" ]] || {
    fail "-r -j$j output"
    diff <(echo "$expected") "$work/r$j.out"
  }
  [[ "$(cat "$work/r$j.err")" == "quorvel-cli: cannot read folder '../models/closed': Permission denied" ]] ||
    fail "-r -j$j: one line for the unreadable folder: $(cat "$work/r$j.err")"
done
for report in models/Top.txt models/sub/one.txt models/sub/deeper/two.txt models/sub.tav/three.txt; do
  [[ -s "$tree/$report" ]] || fail "-r: no $report"
done
[[ ! -e "$tree/models/link.txt" ]] || fail "-r: a link to a file was taken"
# Without -r a folder is a file that fails.
out=$(cd "$tree/cwd" && "$cli" ../models; echo "exit $?")
[[ "$out" == "ERROR: fopen failed
$(printf 'models%54s' '' | tr ' ' .)failed
exit 1" ]] || fail "a folder without -r: $out"

if [[ $failures -ne 0 ]]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "cli batch: all checks passed"
