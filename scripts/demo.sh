#!/usr/bin/env bash
# Installs what is missing, builds, and runs quorvel-cli over a scratch copy of
# the bundled samples, then shows one report.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh" build
cmake --preset release -S "$root" >/dev/null
cmake --build "$root/build/release" -j2 --target quorvel-cli
work=$(mktemp -d)
cp "$root"/samples/*.tav "$work"
echo "== quorvel-cli --analyze-connector on the samples (in $work)"
(cd "$work" && "$root/build/release/cli/quorvel-cli" --analyze-connector ./*.tav)
echo "== $work/cockpit.txt"
cat "$work/cockpit.txt"
