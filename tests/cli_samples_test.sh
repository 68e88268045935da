#!/usr/bin/env bash
# quorvel-cli over the bundled samples: reports byte for byte under every
# option, standard output, exit status, and the generator reproducing the
# committed models.
# Usage: cli_samples_test.sh QUORVEL_CLI TAVGEN SAMPLES_DIR
set -u
cli=$1 tavgen=$2 samples=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

models=(cockpit door hangar)
for m in "${models[@]}"; do
  "$tavgen" -o "$work/$m.regen" "$samples/$m.desc" || fail "tavgen $m"
  cmp -s "$work/$m.regen" "$samples/$m.tav" || fail "$m.tav differs from its description"
done

status_line() {  # name word: the name padded with dots to 60, then the word
  local name=$1 word=$2 dots
  dots=$(printf '%*s' $((60 - ${#name})) '' | tr ' ' '.')
  printf '%s%s%s\n' "$name" "$dots" "$word"
}

for combo in "" s c sc; do
  flags=()
  [[ $combo == *s* ]] && flags+=(--sort-by-name)
  [[ $combo == *c* ]] && flags+=(--analyze-connector)
  for beside in 0 1; do
    run="$work/run-$combo-$beside" && mkdir -p "$run/models" "$run/cwd"
    expected_log=""
    args=()
    for m in "${models[@]}"; do
      cp "$samples/$m.tav" "$run/models/Upper$m.tav"
      args+=("$run/models/Upper$m.tav")
      size=$(stat -c %s "$samples/$m.tav")
      expected_log+="fsize: $size($size)"$'\n'"start"$'\n'"$(status_line "${run,,}/models/upper$m.tav" completed)"$'\n'
    done
    extra=()
    [[ $beside == 1 ]] && extra=(--save-beside-extractor)
    log=$(cd "$run/cwd" && "$cli" "${flags[@]}" "${extra[@]}" -- "${args[@]}"; echo "exit $?")
    [[ "$log" == "${expected_log}exit 0" ]] || fail "log for '$combo' beside=$beside: $log"
    # Only a backslash separates, so with forward-slash paths the report
    # stays beside the model whatever --save-beside-extractor says.
    for m in "${models[@]}"; do
      cmp -s "$run/models/Upper$m.txt" "$samples/expected/$m${combo:+.$combo}.txt" ||
        fail "report of $m for '$combo' beside=$beside"
    done
    [[ -z "$(ls -A "$run/cwd")" ]] || fail "reports in the working directory for '$combo'"
  done
done

# Status lines and --save-beside-extractor cut at the last backslash only: here
# 'D:\models\DOOR.tav' is one file name in the working directory.
out=$(cd "$work" && cp "$samples/door.tav" 'D:\models\DOOR.tav' && "$cli" 'D:\models\DOOR.tav')
[[ "$out" == *$'\n'"$(status_line door.tav completed)" ]] || fail "backslash status line: $out"
cmp -s "$work/D:\\models\\DOOR.txt" "$samples/expected/door.txt" || fail "backslash report path"
out=$(cd "$work" && "$cli" -b 'D:\models\DOOR.tav')
cmp -s "$work/DOOR.txt" "$samples/expected/door.txt" || fail "report beside the extractor"

# A failing file fails the batch but not the files after it.
out=$(cd "$work" && "$cli" missing.tav 'D:\models\DOOR.tav'; echo "exit $?")
expected="ERROR: fopen failed
$(status_line missing.tav failed)
fsize: 73(73)
start
$(status_line door.tav completed)
exit 1"
[[ "$out" == "$expected" ]] || fail "batch with a failure: $out"

# Usage errors: nothing on standard output, one line and a hint on stderr.
for bad in "" "--bogus a.tav" "-- "; do
  # shellcheck disable=SC2086
  out=$("$cli" $bad 2>"$work/err"); code=$?
  [[ $code == 2 && -z "$out" && $(wc -l <"$work/err") == 2 ]] || fail "usage error for '$bad': $code"
done
out=$("$cli" --help); code=$?
[[ $code == 0 && "$out" == Usage:* ]] || fail "--help"
out=$("$cli" --version); code=$?
[[ $code == 0 && "$out" == "quorvel-cli "* ]] || fail "--version"

if [[ $failures -ne 0 ]]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "cli samples: all checks passed"
