#!/usr/bin/env bash
# SIGINT (and now and then SIGTERM or SIGHUP) at random moments within a batch
# whose good old reports are present: afterwards every report is the old one
# or the new one, byte for byte, no temporary file is left anywhere, and the
# exit status is the signal's conventional one (0 when the batch ended first,
# with every report new). The batch is timed first, so that the signals fall
# within it in this build, sanitizers included.
# Usage: cli_interrupt_stress.sh QUORVEL_CLI TAVGEN [RUNS]
set -u
cli=$(realpath "$1") tavgen=$(realpath "$2") runs=${3:-20}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Models with reports of 200 to 400 kB, of different sizes, so that jobs end
# at different moments.
models=$work/models && mkdir -p "$models" "$work/old" "$work/new"
names=()
for n in 1 2 3 4 5 6 7 8; do
  printf 'version\nrepeat %d {\n  node\n  arg rot part_with_a_long_name_{i} {i}\n  conn part_with_a_long_name_{i} {i}\n}\n' \
    $((3000 + n * 600)) >"$work/m$n.desc"
  "$tavgen" -o "$models/m$n.tav" "$work/m$n.desc" >/dev/null || fail "tavgen m$n"
  names+=("m$n")
done
paths=()
for name in "${names[@]}"; do paths+=("$models/$name.tav"); done

# The old reports (with the connector column) and the new ones (without).
"$cli" -j1 -c "${paths[@]}" >/dev/null || fail "the run that makes the old reports"
for name in "${names[@]}"; do mv "$models/$name.txt" "$work/old/"; done
"$cli" -j1 "${paths[@]}" >/dev/null || fail "the run that makes the new reports"
for name in "${names[@]}"; do
  mv "$models/$name.txt" "$work/new/"
  cmp -s "$work/old/$name.txt" "$work/new/$name.txt" && fail "old and new $name.txt are the same"
done

now_us() { echo $(($(date +%s%N) / 1000)); }
restore() { for name in "${names[@]}"; do cp "$work/old/$name.txt" "$models/"; done; }

# The batch's time in this build: the slowest of three runs.
batch_us=0
for _ in 1 2 3; do
  restore
  start=$(now_us)
  "$cli" "${paths[@]}" >/dev/null
  took=$(($(now_us) - start))
  ((took > batch_us)) && batch_us=$took
done
echo "batch: $batch_us us"

interrupted=0 mixed=0
for ((run = 1; run <= runs; run++)); do
  restore
  case $((run % 7)) in
    3) signal=TERM code=143 ;;
    5) signal=HUP code=129 ;;
    *) signal=INT code=130 ;;
  esac
  jobs=()
  ((run % 2 == 0)) && jobs=(-j1)
  delay_us=$((RANDOM * 32768 + RANDOM))
  delay_us=$((delay_us % batch_us))
  # A background command of a script starts with SIGINT ignored, and
  # quorvel-cli rightly keeps an ignored signal ignored: restore the default.
  env --default-signal=INT,TERM,HUP "$cli" "${jobs[@]}" "${paths[@]}" >/dev/null &
  pid=$!
  sleep "$(printf '%d.%06d' $((delay_us / 1000000)) $((delay_us % 1000000)))"
  kill -s "$signal" "$pid" 2>/dev/null
  wait "$pid"
  status=$?
  old=0 new=0
  for name in "${names[@]}"; do
    if cmp -s "$models/$name.txt" "$work/new/$name.txt"; then
      new=$((new + 1))
    elif cmp -s "$models/$name.txt" "$work/old/$name.txt"; then
      old=$((old + 1))
    else
      fail "run $run ($signal after ${delay_us} us, ${jobs[*]:-default -j}): $name.txt is neither the old nor the new report ($(stat -c %s "$models/$name.txt" 2>/dev/null || echo missing) bytes)"
    fi
  done
  left=$(find "$work" -name '.quorvel-*' | wc -l)
  ((left == 0)) || fail "run $run: $left temporary files left"
  if ((status == code)); then
    interrupted=$((interrupted + 1))
    ((old > 0 && new > 0)) && mixed=$((mixed + 1))
  elif ((status == 0)); then
    ((new == ${#names[@]})) || fail "run $run: status 0 with $old old reports"
  else
    fail "run $run: $signal gave status $status, not $code or 0"
  fi
done
echo "$runs runs: $interrupted interrupted, $mixed of them between old and new reports"
# Most signals fall within the batch; if none did, the test tested nothing.
((interrupted > 0)) || fail "no run was interrupted"
((failures == 0)) && echo "PASS" || echo "$failures failures"
((failures == 0))
