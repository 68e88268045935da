#!/usr/bin/env bash
# One process truncates and rewrites a model in a loop while quorvel-cli
# processes it hundreds of times. No run may die by a signal, and every file
# must end "completed" or "failed".
# Usage: model_rewrite_stress.sh QUORVEL_CLI SAMPLES_DIR [RUNS]
set -u
cli=$1 samples=$2 runs=${3:-120}
per_process=$((runs < 20 ? runs : 20))
work=$(mktemp -d)
writer=
cleanup() {
  [[ -n $writer ]] && kill "$writer" 2>/dev/null && wait "$writer" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# About 3 MiB of repeated sample model: long enough to scan that a rewrite
# can land in the middle of it.
cp "$samples/cockpit.tav" "$work/source.tav"
for _ in $(seq 13); do
  cat "$work/source.tav" "$work/source.tav" >"$work/twice.tav"
  mv "$work/twice.tav" "$work/source.tav"
done
model=$work/model.tav
cp "$work/source.tav" "$model"

# The writer: empty the file, write part of it, empty it, write it whole.
(
  while :; do
    : >"$model"
    head -c 100000 "$work/source.tav" >"$model"
    : >"$model"
    cat "$work/source.tav" >"$model"
  done
) &
writer=$!

failures=0
paths=()
for _ in $(seq "$per_process"); do paths+=("$model"); done
for ((done_runs = 0; done_runs < runs; done_runs += per_process)); do
  "$cli" -c "${paths[@]}" >"$work/out" 2>"$work/err"
  status=$?
  if ((status > 1)); then
    echo "FAIL: quorvel-cli exited with $status (signal $((status - 128)) if above 128)"
    cat "$work/err"
    failures=$((failures + 1))
    continue
  fi
  ended=$(grep -cE '\.+(completed|failed)$' "$work/out")
  if ((ended != per_process)); then
    echo "FAIL: $ended of $per_process files ended completed or failed"
    failures=$((failures + 1))
  fi
  cat "$work/out" >>"$work/all"
done
echo "runs: $runs; completed: $(grep -c 'completed$' "$work/all")," \
  "failed: $(grep -c 'failed$' "$work/all")," \
  "changed while reading: $(grep -c 'model changed while reading' "$work/all")"
((failures == 0)) || exit 1
