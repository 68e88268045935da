#!/bin/sh
# The Windows part of CI, after both builds:
#   1. the cross-built test programs under Wine (ctest of the windows-x86 build);
#   2. quorvel-cli.exe against quorvel-cli (tests/windows/cli_parity.sh), and
#      with the paths Windows users have (tests/windows/cli_paths.sh), and
#      while another program saves the model (tests/windows/save_stress.sh);
#   3. Quorvel.exe end to end under Wine and Xvfb (run_wine_dialog_e2e.sh).
#
# usage: run_wine_tests.sh WINDOWS_BUILD_DIR LINUX_BUILD_DIR
set -eu

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../../.." && pwd)
windows_build=$(cd "$1" && pwd)
linux_build=$(cd "$2" && pwd)
export WINEPREFIX="${WINEPREFIX:-$windows_build/wineprefix}" WINEDEBUG=-all \
  WINEDLLOVERRIDES="mscoree,mshtml="

echo "== test programs under Wine"
ctest --test-dir "$windows_build" --output-on-failure

echo "== quorvel-cli.exe against quorvel-cli"
"$source_dir/tests/windows/cli_parity.sh" "$linux_build" "$windows_build"
echo "== quorvel-cli.exe with names in every script, long paths and wildcards"
"$source_dir/tests/windows/cli_paths.sh" "$linux_build" "$windows_build"
echo "== quorvel-cli.exe while another program saves the model"
"$source_dir/tests/windows/save_stress.sh" "$linux_build" "$windows_build" 20

echo "== Quorvel.exe under Wine and Xvfb"
"$here/run_wine_dialog_e2e.sh" "$windows_build" "$linux_build"
