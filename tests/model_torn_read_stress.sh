#!/usr/bin/env bash
# A writer rewrites a model in place, in 64 KiB pieces, alternating between
# two versions A and B of the same size, while quorvel-cli processes it again
# and again: as the file's owner (the hold is refused while the writer has the
# file open, so these runs read too) and, when run as root, as another user
# who never gets a hold. Every completed report must be A's or B's byte for
# byte; a run that overlapped a write must fail and leave no report.
# Usage: model_torn_read_stress.sh QUORVEL_CLI TAVGEN [SECONDS_PER_USER]
set -u
cli=$1 tavgen=$2 seconds=${3:-15}
work=$(mktemp -d)
chmod 755 "$work"
writer=
cleanup() {
  [[ -n $writer ]] && kill "$writer" 2>/dev/null && wait "$writer" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Two versions whose names differ in every object, so that any mix of pieces
# gives a report of its own. About 5 MiB each.
version_desc() {
  printf 'version\nrepeat 20000 {\n  node\n  arg rot %s_{i} {i}\n  fill 240\n  conn c_%s_{i} {i}\n}\n' "$1" "$1"
}
version_desc a | "$tavgen" -o "$work/a.tav" || exit 1
version_desc b | "$tavgen" -o "$work/b.tav" || exit 1
if [[ $(stat -c %s "$work/a.tav") != $(stat -c %s "$work/b.tav") ]]; then
  echo "FAIL: the two versions differ in size"
  exit 1
fi
(cd "$work" && "$cli" -c a.tav b.tav >/dev/null) || {
  echo "FAIL: the versions themselves do not complete"
  exit 1
}
if cmp -s "$work/a.txt" "$work/b.txt"; then
  echo "FAIL: the two versions give the same report"
  exit 1
fi

# The runs' folder: the model, owned by root when run as root, and room for
# the report that another user can write.
runs=$work/runs
mkdir "$runs"
chmod 1777 "$runs"
model=$runs/model.tav
cp "$work/a.tav" "$model"
chmod 644 "$model"

# The writer: each pass one open and 64 KiB writes in place, with rests of
# varying length between passes: short ones end just as a reader that waited
# for the file to rest begins; the long one outlasts that wait by enough for
# a slow (sanitizer) build to read a whole version. The
# writer keeps the file open for writing throughout, so no hold is granted.
# A writer stopped in the middle of a pass for longer than the job waits for
# a file to rest (200 ms) cannot be told from one that finished, so the writer
# runs at a higher priority than the readers where that can be had.
(
  renice -n -5 -p $BASHPID >/dev/null 2>&1
  exec 3>>"$model"
  while :; do
    for rest in 0 0.06 0.2 0.055 0.07 0.7; do
      for v in a b; do
        dd if="$work/$v.tav" of="$model" bs=64K conv=notrunc status=none
        sleep "$rest"
      done
    done
  done
) &
writer=$!

failures=0
# run_as LABEL COMMAND-PREFIX...: runs quorvel-cli over the model until the
# time is up and checks every outcome.
run_as() {
  local label=$1
  shift
  local completed=0 failed=0 torn=0 changed=0 end=$((SECONDS + seconds))
  # A slow build (sanitizers) may need longer to see both outcomes: go on
  # until it has, up to four times the time.
  local last=$((SECONDS + 4 * seconds))
  while ((SECONDS < end)) || { ((completed == 0)) && ((SECONDS < last)); }; do
    rm -f "$runs/model.txt"
    out=$(nice -n 5 "$@" "$cli" -c "$model" 2>&1)
    status=$?
    if ((status > 1)); then
      echo "FAIL ($label): quorvel-cli exited with $status: $out"
      failures=$((failures + 1))
      continue
    fi
    if [[ $out == *completed ]]; then
      completed=$((completed + 1))
      if ! cmp -s "$runs/model.txt" "$work/a.txt" && ! cmp -s "$runs/model.txt" "$work/b.txt"; then
        torn=$((torn + 1))
        echo "mixed report ($label): $out"
      fi
    elif [[ $out == *failed ]]; then
      failed=$((failed + 1))
      [[ $out == *"model changed while reading"* ]] && changed=$((changed + 1))
      if [[ -e $runs/model.txt ]]; then
        echo "FAIL ($label): a failed run left a report"
        failures=$((failures + 1))
      fi
    else
      echo "FAIL ($label): no outcome: $out"
      failures=$((failures + 1))
    fi
  done
  echo "$label: completed $completed (mixed $torn), failed $failed (changed while reading $changed)"
  if ((torn > 0)); then
    echo "FAIL ($label): $torn completed reports mix the two versions"
    failures=$((failures + 1))
  fi
  # A read that overlapped a write is taken again (within 5 s), so runs that
  # fail as changed are no longer needed to show that reads met writes; runs
  # that completed are.
  if ((completed == 0)); then
    echo "FAIL ($label): expected completed runs"
    failures=$((failures + 1))
  fi
}

run_as owner env
if ((EUID == 0)); then
  run_as other-user setpriv --reuid=65534 --regid=65534 --clear-groups
else
  echo "other-user: skipped (needs root to run as another user)"
fi
((failures == 0))
