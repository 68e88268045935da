#!/usr/bin/env bash
# Times the whole quorvel-cli process against `cat FILE >/dev/null` and
# `grep -c -F model:: FILE` on the three bench models, in the same run, warm
# page cache, and measures its peak memory against the file size.
#
#   bench/compare.sh BUILD_DIR [WORK_DIR]
#
# BUILD_DIR holds cli/quorvel-cli and bench/quorvel-bench-model. The models
# (and quorvel-cli's reports) go to WORK_DIR, or to a temp folder removed at
# the end. Environment: QUORVEL_BENCH_TYPICAL_KIB (262144),
# QUORVEL_BENCH_HOSTILE_KIB (32768), QUORVEL_BENCH_DENSE_KIB (32768),
# QUORVEL_BENCH_RUNS (10 timed runs per command), QUORVEL_BENCH_STRICT=1 to
# exit 1 when a target is missed. Uses hyperfine when installed.
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
runs=${QUORVEL_BENCH_RUNS:-10}
strict=${QUORVEL_BENCH_STRICT:-0}

declare -A kib=(
  [typical]=${QUORVEL_BENCH_TYPICAL_KIB:-262144}
  [hostile]=${QUORVEL_BENCH_HOSTILE_KIB:-32768}
  [dense]=${QUORVEL_BENCH_DENSE_KIB:-32768}
)
# Largest allowed quorvel-cli / cat time ratio; none for the dense model.
declare -A limit=([typical]=3 [hostile]=6 [dense]=)
kinds=(typical hostile dense)

# Median wall time in seconds of COMMAND (split on blanks, run without a
# shell) with its standard output sent to OUT. (Without hyperfine: the
# fastest of the runs.)
time_command() {
  local out=$1
  shift
  if command -v hyperfine >/dev/null; then
    local json=$work/timing.json
    hyperfine -N --style none --warmup 2 --runs "$runs" --output="$out" --export-json "$json" \
      "$*" >/dev/null 2>"$work/hyperfine.err" || { cat "$work/hyperfine.err" >&2; return 1; }
    jq -r '.results[0].median' "$json"
  else
    local start end best=
    for ((i = 0; i < runs + 1; i++)); do
      start=$(date +%s%N)
      "$@" >"$out"
      end=$(date +%s%N)
      ((i == 0)) && continue  # warm-up
      [[ -z $best || $((end - start)) -lt $best ]] && best=$((end - start))
    done
    awk -v ns="$best" 'BEGIN { printf "%.6f\n", ns / 1e9 }'
  fi
}

missed=0
printf '%-8s %9s %9s %9s %9s %8s %9s %10s %10s  %s\n' model MiB cat_ms grep_ms cli_ms cli/cat \
  cli/grep rss_MiB limit_MiB verdict
for kind in "${kinds[@]}"; do
  file=$work/$kind.tav
  "$gen" "$kind" "${kib[$kind]}" "$file"
  cat "$file" >/dev/null  # warm the page cache
  # grep's count goes to a file: GNU grep stops at the first match when its
  # output is /dev/null, and would then not read the file at all.
  t=("$(time_command /dev/null cat "$file")"
    "$(time_command "$work/grep.out" grep -c -F model:: "$file")"
    "$(time_command /dev/null "$cli" -c "$file")")
  rss=0
  if [[ -x /usr/bin/time ]]; then
    rss=$( { /usr/bin/time -v "$cli" -c "$file" >/dev/null; } 2>&1 |
      awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }')
  else
    echo "compare.sh: /usr/bin/time missing, peak memory not measured" >&2
  fi
  bytes=$(stat -c %s "$file")
  [[ $(awk -v c="${t[0]}" 'BEGIN { print (c > 0) }') == 1 ]] || t[0]=0.000001
  read -r ratio gratio mib rss_mib cap_mib mem_ok time_ok < <(awk -v c="${t[0]}" -v g="${t[1]}" \
    -v q="${t[2]}" -v rss="$rss" -v b="$bytes" -v lim="${limit[$kind]}" 'BEGIN {
      cap = b / 1048576 + 32; r = q / c; if (g <= 0) g = 1e-9
      printf "%.2f %.2f %.1f %.1f %.1f %d %d\n", r, q / g, b / 1048576, rss / 1024, cap,
        (rss / 1024 <= cap), (lim == "" || r <= lim) }')
  verdict="time ok"
  ((time_ok)) || { verdict="TIME MISSED (limit ${limit[$kind]}x)"; missed=1; }
  if ((mem_ok)); then verdict+=", memory ok"; else verdict+=", MEMORY MISSED"; missed=1; fi
  [[ -z ${limit[$kind]} ]] && verdict="no time target, ${verdict#*, }"
  printf '%-8s %9s %9.1f %9.1f %9.1f %8s %9s %10s %10s  %s\n' "$kind" "$mib" \
    "$(awk -v s="${t[0]}" 'BEGIN { print s * 1000 }')" \
    "$(awk -v s="${t[1]}" 'BEGIN { print s * 1000 }')" \
    "$(awk -v s="${t[2]}" 'BEGIN { print s * 1000 }')" "$ratio" "$gratio" "$rss_mib" "$cap_mib" \
    "$verdict"
  rm -f "$file" "${file%.tav}.txt" "$work/grep.out"
done
if ((missed && strict)); then exit 1; fi
exit 0
