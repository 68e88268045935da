#!/usr/bin/env bash
# Times the whole quorvel-cli process against `cat FILE >/dev/null`,
# `grep -c -F model:: FILE`, the floor of a search (`rg -c -F` with a needle
# that never occurs: rg reads the whole file and finds nothing) and the same
# search as ours (`rg --count-matches -F model::`: every occurrence) on the
# three bench models, interleaved in one run, warm page cache, and measures
# its peak memory against the file size.
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
# (hyperfine, no shell, one warm-up), and a command's figure is the median of
# all its runs, so that a change in the machine's load falls on all alike.
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
# against rg's floor (a needle that never occurs).
declare -A cat_limit=([typical]= [hostile]=2.5 [dense]=4.0)
declare -A floor_limit=([typical]=1.3 [hostile]= [dense]=)
# A needle that occurs in no bench model.
never=quorvel-bench-needle-that-never-occurs
kinds=(typical hostile dense)

# Appends the wall times in seconds of `per_round` runs of COMMAND (split on
# blanks, run without a shell, standard output to OUT) to the file TIMES.
# (Without hyperfine: date around each run.) A command that finds nothing
# exits 1 (rg's floor); the exit status is not judged when IGNORE is set.
time_round() {
  local times=$1 out=$2
  shift 2
  if command -v hyperfine >/dev/null; then
    local json=$work/timing.json
    hyperfine -N ${IGNORE:+-i} --style none --warmup 1 --runs "$per_round" --output="$out" \
      --export-json "$json" "$*" >/dev/null 2>"$work/hyperfine.err" ||
      { cat "$work/hyperfine.err" >&2; return 1; }
    jq -r '.results[0].times[]' "$json" >>"$times"
  else
    "$@" >"$out" || [[ -n ${IGNORE:-} ]]  # warm-up
    local start end
    for ((i = 0; i < per_round; i++)); do
      start=$(date +%s%N)
      "$@" >"$out" || [[ -n ${IGNORE:-} ]]
      end=$(date +%s%N)
      awk -v ns=$((end - start)) 'BEGIN { printf "%.9f\n", ns / 1e9 }' >>"$times"
    done
  fi
}

median_ms() {
  sort -g "$1" | awk '{ t[NR] = $1 } END {
    m = (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2; printf "%.2f\n", m * 1000 }'
}

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
printf ' %8s %8s %9s %8s %8s %8s  %s\n' cli/cat cli/grep cli/floor cli/rg rss_MiB limit verdict
for kind in "${kinds[@]}"; do
  file=$work/$kind.tav
  "$gen" "$kind" "${kib[$kind]}" "$file"
  cat "$file" >/dev/null  # warm the page cache
  # A file written less than 200 ms ago is first waited for (it may be in the
  # middle of a rewrite); a model just made is let rest past that.
  sleep 0.1
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
  for l in "${labels[@]}"; do : >"$work/times-$l"; done
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
  read -r mib rcat rgrep rfloor rrg rss_mib cap_mib mem_ok cat_ok rg_ok < <(awk -v c="${ms[cat]}" \
    -v g="${ms[grep]}" -v f="${ms[rg_floor]}" -v r="${ms[rg_all]}" -v q="${ms[cli]}" \
    -v rss="$rss" -v b="$bytes" -v lc="${cat_limit[$kind]}" -v lf="${floor_limit[$kind]}" 'BEGIN {
      cap = b / 1048576 + 32
      rc = c > 0 ? q / c : 0; rg = g > 0 ? q / g : 0; rf = f > 0 ? q / f : 0; rr = r > 0 ? q / r : 0
      printf "%.1f %.2f %.2f %.2f %.2f %.1f %.1f %d %d %d\n", b / 1048576, rc, rg, rf, rr,
        rss / 1024, cap, (rss / 1024 <= cap), (lc == "" || rc <= lc), (lf == "" || f == 0 || rf <= lf) }')
  verdict=
  [[ -n ${cat_limit[$kind]} ]] && verdict+="cat: $( ((cat_ok)) && echo ok || echo "MISSED (${cat_limit[$kind]}x)"), "
  [[ -n ${floor_limit[$kind]} ]] && verdict+="floor: $( ((rg_ok)) && echo ok || echo "MISSED (${floor_limit[$kind]}x)"), "
  ((cat_ok && rg_ok)) || missed=1
  if ((mem_ok)); then verdict+="memory ok"; else verdict+="MEMORY MISSED"; missed=1; fi
  printf '%-8s %6s' "$kind" "$mib"
  for l in "${labels[@]}"; do printf ' %9s' "${ms[$l]}"; done
  printf ' %8s %8s %9s %8s %8s %8s  %s\n' "$rcat" "$rgrep" "$rfloor" "$rrg" "$rss_mib" "$cap_mib" "$verdict"
  rm -f "$file" "${file%.tav}.txt" "$work/count.out" "$work/read/$kind.tav" "$work/read/$kind.txt"
done

# The batch: QUORVEL_BENCH_BATCH_FILES (200) typical models of
# QUORVEL_BENCH_BATCH_KIB (4096) each in one quorvel-cli run, -j 1 against the
# default job count, and against xargs -P2 starting one quorvel-cli per file.
# Target: the default at most 0.6 x the time of -j 1.
batch_files=${QUORVEL_BENCH_BATCH_FILES:-200}
batch_kib=${QUORVEL_BENCH_BATCH_KIB:-4096}
batch_limit=0.6
batch_dir=$work/batch
mkdir -p "$batch_dir"
"$gen" typical "$batch_kib" "$batch_dir/model-0000.tav"
for ((i = 1; i < batch_files; i++)); do
  cp "$batch_dir/model-0000.tav" "$(printf '%s/model-%04d.tav' "$batch_dir" "$i")"
done
batch_models=$(find "$batch_dir" -name '*.tav' | LC_ALL=C sort | tr '\n' ' ')
find "$batch_dir" -name '*.tav' | LC_ALL=C sort >"$work/batch.list"
cat "$batch_dir"/*.tav >/dev/null  # warm the page cache
sleep 0.25  # the job waits for a model changed in the last 200 ms
declare -A batch_cmd=(
  [j1]="/dev/null $cli -j1 -c $batch_models"
  [default]="/dev/null $cli -c $batch_models"
  [xargs]="/dev/null xargs -a $work/batch.list -P2 -n1 $cli -c"
)
batch_labels=(j1 default xargs)
for l in "${batch_labels[@]}"; do : >"$work/batch-times-$l"; done
for ((done_runs = 0; done_runs < runs; done_runs += per_round)); do
  for l in "${batch_labels[@]}"; do
    # shellcheck disable=SC2086
    time_round "$work/batch-times-$l" ${batch_cmd[$l]}
  done
done
declare -A batch_ms
for l in "${batch_labels[@]}"; do batch_ms[$l]=$(median_ms "$work/batch-times-$l"); done
read -r rj rx batch_ok < <(awk -v one="${batch_ms[j1]}" -v d="${batch_ms[default]}" \
  -v x="${batch_ms[xargs]}" -v lim="$batch_limit" 'BEGIN {
    printf "%.2f %.2f %d\n", d / one, d / x, (d / one <= lim) }')
echo
printf '%-24s %9s %9s %9s %12s %12s  %s\n' batch j1_ms default_ms xargs_ms default/j1 default/xargs verdict
printf '%-24s %9s %9s %9s %12s %12s  %s\n' "${batch_files} x ${batch_kib} KiB (nproc $(nproc))" \
  "${batch_ms[j1]}" "${batch_ms[default]}" "${batch_ms[xargs]}" "$rj" "$rx" \
  "$( ((batch_ok)) && echo ok || echo "MISSED (${batch_limit}x)")"
((batch_ok)) || missed=1
rm -rf "$batch_dir"

if ((missed && strict)); then exit 1; fi
exit 0
