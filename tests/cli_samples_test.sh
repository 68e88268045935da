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
      expected_log+="fsize: $size($size)"$'\n'"start"$'\n'"$(status_line "upper$m.tav" completed)"$'\n'
    done
    extra=()
    [[ $beside == 1 ]] && extra=(--save-beside-extractor)
    log=$(cd "$run/cwd" && "$cli" "${flags[@]}" "${extra[@]}" -- "${args[@]}"; echo "exit $?")
    [[ "$log" == "${expected_log}exit 0" ]] || fail "log for '$combo' beside=$beside: $log"
    # "/" separates: with --save-beside-extractor the reports go into the
    # working directory, without it beside the models.
    if [[ $beside == 1 ]]; then dest=$run/cwd other=$run/models; else dest=$run/models other=$run/cwd; fi
    for m in "${models[@]}"; do
      cmp -s "$dest/Upper$m.txt" "$samples/expected/$m${combo:+.$combo}.txt" ||
        fail "report of $m for '$combo' beside=$beside"
    done
    [[ -z "$(find "$other" -name '*.txt')" ]] || fail "reports in the wrong folder for '$combo' beside=$beside"
  done
done

# A backslash is an ordinary byte: 'D:\models\DOOR.tav' is one file name in the
# working directory, listed whole and lowered, with its report beside it.
out=$(cd "$work" && cp "$samples/door.tav" 'D:\models\DOOR.tav' && "$cli" 'D:\models\DOOR.tav')
[[ "$out" == *$'\n'"$(status_line 'd:\models\door.tav' completed)" ]] || fail "backslash status line: $out"
cmp -s "$work/D:\\models\\DOOR.txt" "$samples/expected/door.txt" || fail "backslash report path"
rm "$work/D:\\models\\DOOR.txt"
mkdir "$work/cwd"
out=$(cd "$work/cwd" && "$cli" -b '../D:\models\DOOR.tav')
[[ "$out" == *$'\n'"$(status_line 'd:\models\door.tav' completed)" ]] || fail "status line after ../: $out"
cmp -s "$work/cwd/D:\\models\\DOOR.txt" "$samples/expected/door.txt" || fail "report beside the extractor"
[[ ! -e "$work/D:\\models\\DOOR.txt" ]] || fail "-b wrote beside the model"

# A failing file fails the batch but not the files after it.
out=$(cd "$work" && "$cli" missing.tav 'D:\models\DOOR.tav'; echo "exit $?")
expected="ERROR: fopen failed
$(status_line missing.tav failed)
fsize: 73(73)
start
$(status_line 'd:\models\door.tav' completed)
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
