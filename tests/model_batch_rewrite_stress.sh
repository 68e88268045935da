#!/usr/bin/env bash
# quorvel-cli -j 4 over 300 models while a writer rewrites 30 of them in
# place, again and again, in two halves with a pause of 0 to 40 ms between
# them, from version A to B and back. Every completed report must be the
# report of one whole version; a failed file must leave no report.
# Usage: model_batch_rewrite_stress.sh QUORVEL_CLI TAVGEN [BATCHES]
set -u
cli=$1 tavgen=$2 batches=${3:-5}
work=$(mktemp -d)
writer=
cleanup() {
  [[ -n $writer ]] && kill "$writer" 2>/dev/null && wait "$writer" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Two versions of one size whose objects all differ, about 600 kB each.
for v in a b; do
  printf 'version\nrepeat 2000 {\n  node\n  arg rot %s_{i} {i}\n  fill 240\n}\n' $v |
    "$tavgen" -o "$work/$v.tav" || exit 1
  (cd "$work" && "$cli" $v.tav >/dev/null) || exit 1
done
size=$(stat -c %s "$work/a.tav")
[[ $size == $(stat -c %s "$work/b.tav") ]] || { echo "FAIL: the versions differ in size"; exit 1; }
half=$((size / 2))
mkdir "$work/models"
for i in $(seq -w 300); do cp "$work/a.tav" "$work/models/m$i.tav"; done
rewritten=()
for i in $(seq -w 10 10 300); do rewritten+=("$work/models/m$i.tav"); done

# A writer descheduled between its halves for longer than the job waits for
# a file to rest (200 ms) cannot be told from one that finished, so the writer
# runs at a higher priority than the batch where that can be had.
(
  renice -n -10 -p $BASHPID >/dev/null 2>&1
  v=b
  while :; do
    for model in "${rewritten[@]}"; do
      dd if="$work/$v.tav" of="$model" bs=$half count=1 conv=notrunc status=none
      sleep "0.0$((RANDOM % 41 / 10))$((RANDOM % 10))"
      dd if="$work/$v.tav" of="$model" bs=$half skip=1 seek=1 conv=notrunc status=none
    done
    [[ $v == a ]] && v=b || v=a
  done
) &
writer=$!

completed=0 failed=0
for batch in $(seq "$batches"); do
  rm -f "$work/models/"*.txt
  nice -n 5 "$cli" -j 4 -r "$work/models" >"$work/out"
  code=$?
  ((code <= 1)) || fail "batch $batch: exit $code"
  [[ $(grep -c '\.\.\(completed\|failed\)$' "$work/out") == 300 ]] || fail "batch $batch: not 300 lines"
  while read -r name word; do
    report=$work/models/${name%.tav}.txt
    if [[ $word == completed ]]; then
      completed=$((completed + 1))
      cmp -s "$report" "$work/a.txt" || cmp -s "$report" "$work/b.txt" ||
        fail "batch $batch: $report is not the report of one whole version"
    else
      failed=$((failed + 1))
      [[ ! -e $report ]] || fail "batch $batch: failed $name left a report"
    fi
  done < <(sed -n 's/^\(m[0-9]*\.tav\)\.*\(completed\|failed\)$/\1 \2/p' "$work/out")
done
echo "model_batch_rewrite_stress: $batches batches, $completed completed, $failed failed"
[[ -z $(find "$work" -name '.quorvel-*') ]] || fail "a temporary file was left"
((failures == 0))
