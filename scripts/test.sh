#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the release build,
# the same suite under ASan and UBSan, and the format check.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh all

echo "== format"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

echo "== release build and tests"
cmake --preset release >/dev/null
cmake --build --preset release
ctest --preset release -j2

echo "== asan build and tests"
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan -j2
