#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the format check, the
# release suite (with the dialog end to end under Xvfb), the 32-bit core (the
# engine, report, job and quorvel-cli as -m32 programs), the same suite under
# ASan and UBSan, a short fuzzing run, the Windows programs under Wine,
# quorvel-cli's batch under ThreadSanitizer, and the release packages (.deb and
# Windows zip).
#
# Every stage runs, whatever the ones before it gave: each prints its name,
# its result and its time, and the run ends with "stages: N passed, M failed"
# and exit status 1 when any failed. A package that cannot be installed does
# not stop the run either; the stages that need it fail and say so.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source scripts/windows-route.sh
bash scripts/install-deps.sh all ||
  echo "test: not every package could be installed (see above); the stages run with what is there"

passed=0
failed=0
results=()
# A test ctest skipped (exit status 77: a tool or program it needs is
# missing) fails its stage: every tool is installed above, so a skip here
# means something is wrong, and the run must not pass without the test.
skipped_tests() {  # log: the tests ctest reported as skipped in it, one a line
  grep -E '^[[:space:]]*[0-9]+ - .+ \(Skipped\)$' "$1" | sed 's/^[[:space:]]*//' || true
}
stage() {  # name command...: runs one stage and records its result and time
  local name=$1 start=$SECONDS result line log skips ok=""
  shift
  echo "== $name"
  log=$(mktemp)
  # A subshell (the pipeline's): what a stage sets is not seen by the next.
  if "$@" 2>&1 | tee "$log"; then ok=1; fi
  skips=$(skipped_tests "$log")
  if [[ -n $skips ]]; then
    echo "$name: tests skipped, which fails the stage:"
    echo "$skips"
    ok=""
  fi
  if [[ -n $ok ]]; then
    result=passed
    passed=$((passed + 1))
  else
    result=FAILED
    failed=$((failed + 1))
  fi
  local took=$((SECONDS - start))
  line=$(printf '== %s: %s in %dm%02ds' "$name" "$result" $((took / 60)) $((took % 60)))
  echo "$line"
  results+=("$line")
  # A failed stage's own words are repeated at the end, where a reader of a
  # long log (or of its tail only) looks first.
  [[ -n $ok ]] || results+=("$(failure_lines "$log")")
  rm -f "$log"
}
failure_lines() {  # log: its lines that say what failed, the last 20
  grep -E 'FAIL|Failure|[Ee]rror[: ]|Timeout|gave up|skipped' "$1" | grep -v 'Passed' |
    cut -c1-300 | tail -n 20 | sed 's/^/   | /' || true
}

format_check() { git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror; }
preset_suite() {  # preset: configure (naming any test registered as skipped), build, test
  cmake --preset "$1" | { grep 'registered as skipped' || true; } &&
    cmake --build --preset "$1" && ctest --preset "$1" -j2
}
fuzz_run() {
  cmake --preset fuzz >/dev/null && cmake --build --preset fuzz && bash fuzz/run_ci.sh build/fuzz
}
# The code of the shipped 32-bit programs (engine, report, job, quorvel-cli)
# built and tested as 32-bit Linux programs, its SSE2 and AVX2 paths chosen
# as in the windows-x86 build; under qemu-i386 where the kernel cannot
# execute 32-bit programs (qemu's CPU has AVX2).
x86_run() {
  if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    grep -qw avx2 /proc/cpuinfo ||
      { echo "linux-x86: this CPU has no AVX2, so the 32-bit AVX2 path cannot run"; return 1; }
  else
    echo "linux-x86: this kernel cannot execute 32-bit programs; the tests run under qemu-i386"
  fi
  preset_suite linux-x86
}
# The shipped 32-bit programs are always built; the tests run on the build
# that windows_route picks (scripts/windows-route.sh), which it names in one
# line when that is not the 32-bit one.
windows_run() {
  cmake --preset windows-x86 >/dev/null && cmake --build --preset windows-x86 || return 1
  windows_route
  [[ -z $windows_route_note ]] || echo "$windows_route_note"
  if [[ $windows_build == build/windows-x64 ]]; then
    # Configured with the 64-bit loader first on PATH, so that the tests'
    # emulator is it and not Debian's wine, which takes the 32-bit loader
    # whenever wine32 is installed.
    PATH=$windows_path cmake --preset windows-x64 >/dev/null &&
      cmake --build --preset windows-x64 || return 1
  fi
  PATH=$windows_path bash platform/win32/tests/run_wine_tests.sh "$windows_build" build/release
}
# quorvel-cli's side-by-side batch and its tests under ThreadSanitizer (the
# preset builds only those).
tsan_run() { preset_suite tsan; }
packages_check() {  # after the release and windows stages: both packages and their checks
  cmake --build --preset release --target package &&
    cmake --build --preset windows-x86 --target package || return 1
  [[ -n ${windows_build:-} ]] || windows_route
  if [[ $windows_build == build/windows-x86 ]]; then
    bash packaging/check_packages.sh build/release build/windows-x86
  else
    PATH=$windows_path bash packaging/check_packages.sh build/release build/windows-x86 \
      "$windows_build"
  fi
}

stage format format_check
stage release preset_suite release
stage linux-x86 x86_run
stage asan preset_suite asan
stage fuzz fuzz_run
stage windows windows_run
stage tsan tsan_run
stage packages packages_check
printf '%s\n' "${results[@]}"
printf '== the whole run, the install included: %dm%02ds\n' $((SECONDS / 60)) $((SECONDS % 60))
echo "stages: $passed passed, $failed failed"
((failed == 0))
