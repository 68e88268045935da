#!/usr/bin/env bash
# Times the whole quorvel-cli process against `cat FILE >/dev/null`,
# `grep -c -F model:: FILE`, the floor of a search (`rg -c -F` with a needle
# that never occurs: rg reads the whole file and finds nothing) and the same
# search as ours (`rg --count-matches -F model::`: every occurrence) on the
# three bench models, interleaved in one run, warm page cache, and measures
# its peak memory against the file size; then a batch of small models, warm,
# and, run as root, cold (the page cache dropped before each command) against
# `cat` of the same files. Each target's ratio is printed with "met" or
# "missed".
#
#   bench/compare.sh BUILD_DIR [WORK_DIR]
#
# BUILD_DIR holds cli/quorvel-cli and bench/quorvel-bench-model. The models
# (and quorvel-cli's reports) go to WORK_DIR, or to a temp folder removed at
# the end. Environment: QUORVEL_BENCH_TYPICAL_KIB (262144),
# QUORVEL_BENCH_HOSTILE_KIB (32768), QUORVEL_BENCH_DENSE_KIB (32768),
# QUORVEL_BENCH_RUNS (timed runs per command, 15), QUORVEL_BENCH_BATCH_FILES
# and QUORVEL_BENCH_BATCH_KIB (the batch, see below), QUORVEL_BENCH_STRICT=1 to
# exit 1 when a target is missed. Uses hyperfine when installed; a tool that
# is not installed (rg, grep) gets no column. Run as root, a cli_read column
# times quorvel-cli as another user (uid 65534), which reads instead of mapping.
#
# The commands take turns: each round times every command a few times
# (hyperfine, no shell, one warm-up), a command's figure is the median of all
# its runs, and a ratio is the median of the ratios of the rounds' medians, so
# that a change in the machine's load falls on all alike.
#
# Before the warm runs each model is written out, dropped from the page cache
# and read once with cat: the page cache then holds it as a read lays it out,
# the same for every command and round. (Right after it is written, the
# kernel may still move the file's pages between large and small ones, which
# changes what mapping it costs by up to ten times from one run to the next.)
set -euo pipefail

build=${1:?usage: compare.sh BUILD_DIR [WORK_DIR]}
build=$(cd "$build" && pwd)
cli=$build/cli/quorvel-cli
gen=$build/bench/quorvel-bench-model
for tool in "$cli" "$gen"; do
  [[ -x $tool ]] || { echo "compare.sh: $tool not built" >&2; exit 1; }
done
if [[ -n ${2:-} ]]; then
  work=$2
  mkdir -p "$work"
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
runs=${QUORVEL_BENCH_RUNS:-15}
per_round=3
strict=${QUORVEL_BENCH_STRICT:-0}

declare -A kib=(
  [typical]=${QUORVEL_BENCH_TYPICAL_KIB:-262144}
  [hostile]=${QUORVEL_BENCH_HOSTILE_KIB:-32768}
  [dense]=${QUORVEL_BENCH_DENSE_KIB:-32768}
)
# Largest allowed quorvel-cli time ratios; empty: no target. floor_limit is
# against rg's floor (a needle that never occurs), rg_limit against
# `rg --count-matches -F model::`.
declare -A cat_limit=([typical]="" [hostile]=2.0 [dense]=3.5)
declare -A floor_limit=([typical]=1.3 [hostile]="" [dense]="")
declare -A rg_limit=([typical]=0.8 [hostile]="" [dense]="")
# A needle that occurs in no bench model.
never=quorvel-bench-needle-that-never-occurs
kinds=(typical hostile dense)

# Appends the wall times in seconds of `per_round` runs of COMMAND (split on
# blanks, run without a shell, standard output to OUT) to the file TIMES, and
# their median to TIMES.rounds. (Without hyperfine: date around each run.) A
# command that finds nothing exits 1 (rg's floor); the exit status is not
# judged when IGNORE is set. PREPARE, when set, is a command run before each
# run (then there is no warm-up run).
time_round() {
  local times=$1 out=$2 round=$work/round.times
  shift 2
  : >"$round"
  local warmup=1
  [[ -n ${PREPARE:-} ]] && warmup=0
  if command -v hyperfine >/dev/null; then
    local json=$work/timing.json
    hyperfine -N ${IGNORE:+-i} ${PREPARE:+--prepare "$PREPARE"} --style none --warmup "$warmup" \
      --runs "$per_round" --output="$out" --export-json "$json" "$*" >/dev/null \
      2>"$work/hyperfine.err" || { cat "$work/hyperfine.err" >&2; return 1; }
    jq -r '.results[0].times[]' "$json" >>"$round"
  else
    ((warmup)) && { "$@" >"$out" || [[ -n ${IGNORE:-} ]]; }
    local start end
    for ((i = 0; i < per_round; i++)); do
      [[ -n ${PREPARE:-} ]] && $PREPARE
      start=$(date +%s%N)
      "$@" >"$out" || [[ -n ${IGNORE:-} ]]
      end=$(date +%s%N)
      awk -v ns=$((end - start)) 'BEGIN { printf "%.9f\n", ns / 1e9 }' >>"$round"
    done
  fi
  cat "$round" >>"$times"
  median "$round" >>"$times.rounds"
}

# The median of the numbers in FILE, one a line.
median() {
  sort -g "$1" | awk '{ t[NR] = $1 } END {
    m = (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2; printf "%.9f\n", m }'
}

median_ms() {
  median "$1" | awk '{ printf "%.2f\n", $1 * 1000 }'
}

# The median over the rounds of the ratio of command A's round median to
# command B's (files TIMES_A and TIMES_B as time_round wrote them); 0 when B
# was not timed.
ratio() {
  if [[ ! -s $2.rounds ]]; then
    echo 0
    return
  fi
  paste "$1.rounds" "$2.rounds" | awk '$2 > 0 { print $1 / $2 }' >"$work/ratios"
  median "$work/ratios" | awk '{ printf "%.2f\n", $1 }'
}

# "met" or "missed" for RATIO against LIMIT (at most); a missed one makes the
# run's result a miss.
verdict() {
  if awk -v r="$1" -v l="$2" 'BEGIN { exit !(r <= l) }'; then
    echo met
  else
    missed=1
    echo missed
  fi
}
targets=()  # one line per target, printed at the end

# cat writes to /dev/null; grep's and rg's counts go to a file, because GNU
# grep stops at the first match when its output is /dev/null.
labels=(cat)
command -v grep >/dev/null && labels+=(grep)
command -v rg >/dev/null && labels+=(rg_floor rg_all)
labels+=(cli)
# Run as root, quorvel-cli also runs as another user, who gets no hold on the
# file and so takes the read path (column cli_read; no target).
if ((EUID == 0)) && command -v setpriv >/dev/null; then
  chmod 755 "$work"
  mkdir -p "$work/read"
  chmod 1777 "$work/read"
  labels+=(cli_read)
fi

missed=0
printf '%-8s %6s' model MiB
for l in "${labels[@]}"; do printf ' %9s' "${l}_ms"; done
printf ' %8s %8s %9s %8s %8s %8s\n' cli/cat cli/grep cli/floor cli/rg rss_MiB limit
for kind in "${kinds[@]}"; do
  file=$work/$kind.tav
  "$gen" "$kind" "${kib[$kind]}" "$file"
  # Written out, dropped from the page cache, and read once (see above).
  sync "$file"
  dd if="$file" iflag=nocache count=0 status=none
  cat "$file" >/dev/null
  # A file written less than 200 ms ago is first waited for (it may be in the
  # middle of a rewrite); a model just made is let rest past that.
  sleep 0.25
  # The same file under a folder of its own, so that the other user writes a
  # report of its own.
  [[ -d $work/read ]] && ln -f "$file" "$work/read/$kind.tav"
  declare -A cmd=(
    [cat]="/dev/null cat $file"
    [grep]="$work/count.out grep -c -F model:: $file"
    [rg_floor]="$work/count.out rg -c -F $never $file"
    [rg_all]="$work/count.out rg --count-matches -F model:: $file"
    [cli]="/dev/null $cli -c $file"
    [cli_read]="/dev/null setpriv --reuid=65534 --regid=65534 --clear-groups $cli -c $work/read/$kind.tav"
  )
  for l in "${labels[@]}"; do : >"$work/times-$l"; : >"$work/times-$l.rounds"; done
  for ((done_runs = 0; done_runs < runs; done_runs += per_round)); do
    for l in "${labels[@]}"; do
      # shellcheck disable=SC2086
      IGNORE=$([[ $l == rg_floor ]] && echo 1 || true) time_round "$work/times-$l" ${cmd[$l]}
    done
  done
  declare -A ms=([grep]=0 [rg_floor]=0 [rg_all]=0)
  for l in "${labels[@]}"; do ms[$l]=$(median_ms "$work/times-$l"); done

  rss=0
  if [[ -x /usr/bin/time ]]; then
    rss=$( { /usr/bin/time -v "$cli" -c "$file" >/dev/null; } 2>&1 |
      awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }')
  else
    echo "compare.sh: /usr/bin/time missing, peak memory not measured" >&2
  fi
  bytes=$(stat -c %s "$file")
  rcat=$(ratio "$work/times-cli" "$work/times-cat")
  rgrep=$(ratio "$work/times-cli" "$work/times-grep")
  rfloor=$(ratio "$work/times-cli" "$work/times-rg_floor")
  rrg=$(ratio "$work/times-cli" "$work/times-rg_all")
  read -r mib rss_mib cap_mib < <(awk -v rss="$rss" -v b="$bytes" 'BEGIN {
      printf "%.1f %.1f %.1f\n", b / 1048576, rss / 1024, b / 1048576 + 32 }')
  printf '%-8s %6s' "$kind" "$mib"
  for l in "${labels[@]}"; do printf ' %9s' "${ms[$l]}"; done
  printf ' %8s %8s %9s %8s %8s %8s\n' "$rcat" "$rgrep" "$rfloor" "$rrg" "$rss_mib" "$cap_mib"
  [[ -n ${cat_limit[$kind]} ]] && targets+=("$(printf '%-44s %6s  at most %-5s %s' \
    "$kind ${mib} MiB, warm: cli / cat" "$rcat" "${cat_limit[$kind]}" \
    "$(verdict "$rcat" "${cat_limit[$kind]}")")")
  [[ -n ${floor_limit[$kind]} && $rfloor != 0 ]] && targets+=("$(printf '%-44s %6s  at most %-5s %s' \
    "$kind ${mib} MiB, warm: cli / rg floor" "$rfloor" "${floor_limit[$kind]}" \
    "$(verdict "$rfloor" "${floor_limit[$kind]}")")")
  [[ -n ${rg_limit[$kind]} && $rrg != 0 ]] && targets+=("$(printf '%-44s %6s  at most %-5s %s' \
    "$kind ${mib} MiB, warm: cli / rg --count-matches" "$rrg" "${rg_limit[$kind]}" \
    "$(verdict "$rrg" "${rg_limit[$kind]}")")")
  targets+=("$(printf '%-44s %6s  at most %-5s %s' "$kind ${mib} MiB: peak RSS, MiB" "$rss_mib" \
    "$cap_mib" "$(verdict "$rss_mib" "$cap_mib")")")
  rm -f "$file" "${file%.tav}.txt" "$work/count.out" "$work/read/$kind.tav" "$work/read/$kind.txt"
done

# The batch: QUORVEL_BENCH_BATCH_FILES (200) typical models of
# QUORVEL_BENCH_BATCH_KIB (4096) each in one quorvel-cli run. Warm: -j 1
# against the default job count, and against xargs -P2 starting one
# quorvel-cli per file (target: the default at most 0.6 x the time of -j 1).
# Cold, run as root: the page cache dropped before each command (not timed),
# the default job count against `cat` of the same files (target: at most
# 1.0 x), QUORVEL_BENCH_COLD_RUNS (9) runs each.
batch_files=${QUORVEL_BENCH_BATCH_FILES:-200}
batch_kib=${QUORVEL_BENCH_BATCH_KIB:-4096}
batch_limit=0.6
cold_limit=1.0
cold_runs=${QUORVEL_BENCH_COLD_RUNS:-9}
batch_dir=$work/batch
mkdir -p "$batch_dir"
"$gen" typical "$batch_kib" "$batch_dir/model-0000.tav"
for ((i = 1; i < batch_files; i++)); do
  cp "$batch_dir/model-0000.tav" "$(printf '%s/model-%04d.tav' "$batch_dir" "$i")"
done
batch_models=$(find "$batch_dir" -name '*.tav' | LC_ALL=C sort | tr '\n' ' ')
find "$batch_dir" -name '*.tav' | LC_ALL=C sort >"$work/batch.list"
sync "$batch_dir"/*.tav
for f in "$batch_dir"/*.tav; do dd if="$f" iflag=nocache count=0 status=none; done
cat "$batch_dir"/*.tav >/dev/null  # read once (see above)
sleep 0.25  # the job waits for a model changed in the last 200 ms
declare -A batch_cmd=(
  [j1]="/dev/null $cli -j1 -c $batch_models"
  [default]="/dev/null $cli -c $batch_models"
  [xargs]="/dev/null xargs -a $work/batch.list -P2 -n1 $cli -c"
  [cold_cat]="/dev/null cat $batch_models"
  [cold_j1]="/dev/null $cli -j1 -c $batch_models"
  [cold_default]="/dev/null $cli -c $batch_models"
)
batch_labels=(j1 default xargs)
cold_labels=()
if ((EUID == 0)) && [[ -w /proc/sys/vm/drop_caches ]]; then
  cold_labels=(cold_cat cold_j1 cold_default)
  printf '#!/bin/sh\nsync\necho 3 >/proc/sys/vm/drop_caches\n' >"$work/drop-caches"
  chmod +x "$work/drop-caches"
fi
for l in "${batch_labels[@]}" "${cold_labels[@]}"; do
  : >"$work/batch-times-$l"
  : >"$work/batch-times-$l.rounds"
done
for ((done_runs = 0; done_runs < runs; done_runs += per_round)); do
  for l in "${batch_labels[@]}"; do
    # shellcheck disable=SC2086
    time_round "$work/batch-times-$l" ${batch_cmd[$l]}
  done
done
for ((done_runs = 0; done_runs < cold_runs && ${#cold_labels[@]} > 0; done_runs += per_round)); do
  for l in "${cold_labels[@]}"; do
    # shellcheck disable=SC2086
    PREPARE=$work/drop-caches time_round "$work/batch-times-$l" ${batch_cmd[$l]}
  done
done
declare -A batch_ms
for l in "${batch_labels[@]}" "${cold_labels[@]}"; do
  batch_ms[$l]=$(median_ms "$work/batch-times-$l")
done
rj=$(ratio "$work/batch-times-default" "$work/batch-times-j1")
rx=$(ratio "$work/batch-times-default" "$work/batch-times-xargs")
echo
printf '%-24s %9s %9s %9s %12s %12s\n' batch j1_ms default_ms xargs_ms default/j1 default/xargs
printf '%-24s %9s %9s %9s %12s %12s\n' "${batch_files} x ${batch_kib} KiB (nproc $(nproc))" \
  "${batch_ms[j1]}" "${batch_ms[default]}" "${batch_ms[xargs]}" "$rj" "$rx"
targets+=("$(printf '%-44s %6s  at most %-5s %s' "batch ${batch_files} x ${batch_kib} KiB, warm: default / -j 1" \
  "$rj" "$batch_limit" "$(verdict "$rj" "$batch_limit")")")
if ((${#cold_labels[@]} > 0)); then
  rc=$(ratio "$work/batch-times-cold_default" "$work/batch-times-cold_cat")
  rc1=$(ratio "$work/batch-times-cold_j1" "$work/batch-times-cold_cat")
  printf '%-24s %9s %9s %9s %12s %12s\n' "cold" cat_ms j1_ms default_ms j1/cat default/cat
  printf '%-24s %9s %9s %9s %12s %12s\n' "(caches dropped)" "${batch_ms[cold_cat]}" \
    "${batch_ms[cold_j1]}" "${batch_ms[cold_default]}" "$rc1" "$rc"
  targets+=("$(printf '%-44s %6s  at most %-5s %s' "batch ${batch_files} x ${batch_kib} KiB, cold: default / cat" \
    "$rc" "$cold_limit" "$(verdict "$rc" "$cold_limit")")")
else
  targets+=("$(printf '%-44s %6s  at most %-5s %s' "batch ${batch_files} x ${batch_kib} KiB, cold: default / cat" \
    - "$cold_limit" "not measured (needs root to drop the page cache)")")
fi
rm -rf "$batch_dir"

echo
printf '%-44s %6s  %s\n' target ratio limit
for t in "${targets[@]}"; do echo "$t"; done
# verdict runs in a subshell above: a miss is read back from the lines.
for t in "${targets[@]}"; do [[ $t == *' missed' ]] && missed=1; done
if ((missed && strict)); then exit 1; fi
exit 0
