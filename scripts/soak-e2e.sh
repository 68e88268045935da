#!/usr/bin/env bash
# Runs every end-to-end test N times in a row and prints how many runs of
# each failed; a flaky test shows here before it fails someone's CI run.
#
#   scripts/soak-e2e.sh N
#
# The tests, from one place each:
#   - every test of the release build with the ctest label `e2e` (a new
#     end-to-end test joins by `set_tests_properties(NAME PROPERTIES LABELS
#     e2e)`; `ctest --preset release -N -L e2e` lists them);
#   - the Wine dialog run, platform/win32/tests/run_wine_dialog_e2e.sh, the
#     Wine drop run, platform/win32/tests/run_wine_drop_e2e.sh, and the Wine
#     batch run, platform/win32/tests/run_wine_batch_e2e.sh, on the build that
#     scripts/windows-route.sh picks (as scripts/test.sh does).
# SOAK_TESTS, when set, is an extended regular expression: only the tests
# whose names it matches run.
# Each round runs each test once. It builds what the tests need first (no-ops
# when scripts/test.sh has built them). The log of every failed run is kept
# in build/soak/. Exit status 1 when any run failed, 2 on a usage error or
# when a build fails or no test is found.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source scripts/windows-route.sh
if [[ $# != 1 || ! $1 =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: $0 N (runs of each end-to-end test)" >&2
  exit 2
fi
rounds=$1
logs=$root/build/soak
rm -rf "$logs"
mkdir -p "$logs"

built() {  # preset: configured and built, its output in the log
  { cmake --preset "$1" && cmake --build --preset "$1"; } >"$logs/build-$1.log" 2>&1 ||
    { echo "soak: the $1 build failed (build/soak/build-$1.log)" >&2; exit 2; }
}
built release
built windows-x86
windows_route
[[ -z $windows_route_note ]] || echo "$windows_route_note"
[[ $windows_build == build/windows-x86 ]] || built windows-x64

mapfile -t linux_tests < <(ctest --preset release -N -L e2e | sed -n 's/^ *Test *#[0-9]*: *//p')
((${#linux_tests[@]} > 0)) || { echo "soak: no test labelled e2e in build/release" >&2; exit 2; }
names=()
for name in "${linux_tests[@]}" wine_dialog_e2e wine_drop_e2e wine_batch_e2e; do
  [[ -z ${SOAK_TESTS:-} ]] || grep -Eq -- "$SOAK_TESTS" <<<"$name" || continue
  names+=("$name")
done
((${#names[@]} > 0)) || { echo "soak: no test matches SOAK_TESTS" >&2; exit 2; }
declare -A failures
for name in "${names[@]}"; do failures[$name]=0; done

run_one() {  # NAME: one run of that test
  if [[ $1 == wine_dialog_e2e ]]; then
    PATH=$windows_path bash platform/win32/tests/run_wine_dialog_e2e.sh "$windows_build" build/release
  elif [[ $1 == wine_drop_e2e || $1 == wine_batch_e2e ]]; then
    PATH=$windows_path sh "platform/win32/tests/run_$1.sh" "$windows_build" build/release
  else
    ctest --preset release -R "^$1\$" --verbose
  fi
}

for ((round = 1; round <= rounds; round++)); do
  for name in "${names[@]}"; do
    start=$SECONDS
    if run_one "$name" >"$logs/$name.$round.log" 2>&1; then
      # What a passed run measured (the longest unanswered gap) stays.
      result="passed$(grep -hoE 'longest_gap_ms=[0-9]+|longest unanswered ping: [0-9]+ ms' "$logs/$name.$round.log" | sed 's/^/ /' | tr -d '\n' || true)"
      rm -f "$logs/$name.$round.log"
    else
      result="FAILED (build/soak/$name.$round.log)"
      failures[$name]=$((failures[$name] + 1))
    fi
    echo "soak: round $round/$rounds $name $result in $((SECONDS - start))s"
  done
done

total=0
for name in "${names[@]}"; do
  echo "soak: $name: ${failures[$name]} of $rounds runs failed"
  total=$((total + failures[$name]))
done
echo "soak: $total of $((rounds * ${#names[@]})) runs failed"
((total == 0))
