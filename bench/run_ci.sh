#!/usr/bin/env bash
# The benchmarks on small sizes, for CI: checks that they run, that the two
# scanners agree on the bench models and that the whole-process comparison
# works; the timings are printed, not judged. Builds nothing.
#
#   bench/run_ci.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: run_ci.sh BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)

export QUORVEL_BENCH_TYPICAL_KIB=${QUORVEL_BENCH_TYPICAL_KIB:-4096}
export QUORVEL_BENCH_HOSTILE_KIB=${QUORVEL_BENCH_HOSTILE_KIB:-1024}
export QUORVEL_BENCH_DENSE_KIB=${QUORVEL_BENCH_DENSE_KIB:-1024}
export QUORVEL_BENCH_SMALL_KIB=${QUORVEL_BENCH_SMALL_KIB:-256}
export QUORVEL_BENCH_SMALL_HOSTILE_KIB=${QUORVEL_BENCH_SMALL_HOSTILE_KIB:-16}
export QUORVEL_BENCH_RUNS=${QUORVEL_BENCH_RUNS:-3}
# The batch small too: as root compare.sh also runs it cold, dropping the
# page cache before each command.
export QUORVEL_BENCH_BATCH_FILES=${QUORVEL_BENCH_BATCH_FILES:-20}
export QUORVEL_BENCH_BATCH_KIB=${QUORVEL_BENCH_BATCH_KIB:-1024}
export QUORVEL_BENCH_COLD_RUNS=${QUORVEL_BENCH_COLD_RUNS:-3}

"$build/bench/scanner_bench" --benchmark_min_time=0.02
bash "$here/compare.sh" "$build"
