#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the format check, the
# release suite (with the dialog end to end under Xvfb), the same suite under
# ASan and UBSan, a short fuzzing run, the Windows programs under Wine,
# quorvel-cli's batch under ThreadSanitizer, and the release packages (.deb and
# Windows zip).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh all

passed=0
stage() {  # name command...: runs one stage; any failure ends the run
  local name=$1
  shift
  echo "== $name"
  if ! "$@"; then
    echo "== $name: FAILED"
    echo "stages: $passed passed, 1 failed"
    exit 1
  fi
  passed=$((passed + 1))
}

format_check() { git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror; }
preset_suite() {  # preset: configure, build and run its tests
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1" && ctest --preset "$1" -j2
}
fuzz_run() {
  cmake --preset fuzz >/dev/null && cmake --build --preset fuzz && bash fuzz/run_ci.sh build/fuzz
}
host_runs_i386() { /lib/ld-linux.so.2 --version >/dev/null 2>&1; }
# The shipped 32-bit programs are always built. Their tests run under Wine where
# this kernel executes 32-bit code; elsewhere the same sources, built for
# x86_64, run the same tests under wine64.
windows_run() {
  cmake --preset windows-x86 >/dev/null && cmake --build --preset windows-x86 || return 1
  if host_runs_i386; then
    bash platform/win32/tests/run_wine_tests.sh build/windows-x86 build/release
  else
    echo "windows: this kernel cannot execute 32-bit programs;" \
      "the Windows tests run on the x86_64 build under wine64"
    PATH="$root/scripts/wine64:$PATH" windows_x64_run
  fi
}
windows_x64_run() {
  cmake --preset windows-x64 >/dev/null && cmake --build --preset windows-x64 &&
    bash platform/win32/tests/run_wine_tests.sh build/windows-x64 build/release
}
# quorvel-cli's side-by-side batch and its tests under ThreadSanitizer (the
# preset builds only those).
tsan_run() { preset_suite tsan; }
packages_check() {  # after the release and windows stages: both packages and their checks
  cmake --build --preset release --target package &&
    cmake --build --preset windows-x86 --target package || return 1
  if host_runs_i386; then
    bash packaging/check_packages.sh build/release build/windows-x86
  else
    PATH="$root/scripts/wine64:$PATH" \
      bash packaging/check_packages.sh build/release build/windows-x86 build/windows-x64
  fi
}

stage format format_check
stage release preset_suite release
stage asan preset_suite asan
stage fuzz fuzz_run
stage windows windows_run
stage tsan tsan_run
stage packages packages_check
echo "stages: $passed passed, 0 failed"
