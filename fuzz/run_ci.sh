#!/bin/sh
# Runs every fuzz target briefly on a scratch copy of its seed corpus.
#
#   fuzz/run_ci.sh BUILD_DIR [SECONDS_PER_TARGET]
#
# BUILD_DIR is the fuzz preset's build folder (build/fuzz). Each target runs for
# SECONDS_PER_TARGET (default 20). Exits non-zero when a target crashes, leaks,
# times out, breaks a property or cannot be run; the failing input is kept in
# BUILD_DIR/fuzz/artifacts/.
set -u

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 BUILD_DIR [SECONDS_PER_TARGET]" >&2
  exit 2
fi
build=$1
seconds=${2:-20}
here=$(cd "$(dirname "$0")" && pwd)
bin=$build/fuzz
artifacts=$bin/artifacts
mkdir -p "$artifacts" || exit 2
scratch=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-fuzz.XXXXXX") || exit 2
trap 'rm -rf "$scratch"' EXIT INT TERM

status=0
for target in report base_name scan_diff report_diff; do
  exe=$bin/fuzz_$target
  seeds=$bin/seeds/$target
  case $target in
    base_name) dict=$here/paths.dict ;;
    *) dict=$here/tav.dict ;;
  esac
  if [ ! -x "$exe" ] || [ ! -d "$seeds" ]; then
    echo "run_ci: $exe or $seeds missing; build the fuzz preset first" >&2
    status=1
    continue
  fi
  corpus=$scratch/$target
  mkdir -p "$corpus" && cp "$seeds"/* "$corpus"/ || { status=1; continue; }
  echo "== fuzz_$target: ${seconds}s"
  if ! "$exe" "$corpus" -dict="$dict" -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/$target-" \
      >"$scratch/$target.log" 2>&1; then
    cat "$scratch/$target.log"
    echo "run_ci: fuzz_$target FAILED (input kept under $artifacts)" >&2
    status=1
  else
    grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+[[:space:]]+DONE)' \
      "$scratch/$target.log"
  fi
done
exit $status
