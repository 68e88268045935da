# shellcheck shell=sh disable=SC2154 # reads the caller's variables
# Shared by the Wine end-to-end scripts (sourced, after they set `work`, the
# scratch folder; `probe`, probe.exe; and `failure_shot`, where a failure's
# screenshot goes). They set `app_pid` and `xvfb_pid` once those run, and
# `helper_pid` for a helper of their own; the cleanup stops them, the
# wineserver of WINEPREFIX, and removes `work` (kept with KEEP=1).
xvfb_pid=""
app_pid=""
helper_pid=""
cleanup() {
  [ -z "$helper_pid" ] || kill "$helper_pid" 2>/dev/null || true
  [ -z "$app_pid" ] || kill "$app_pid" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' HUP INT TERM
fail() {
  echo "FAIL: $*" >&2
  [ -z "${DISPLAY:-}" ] || import -window root "$failure_shot" 2>/dev/null || true
  exit 1
}
# wait_for WHAT COMMAND...: polls COMMAND every 0.2 s, $patience times (150,
# about 30 seconds, unless the caller sets more: Wine's start can be slow).
wait_for() {
  what=$1
  shift
  n=0
  until "$@" > /dev/null 2>&1; do
    n=$((n + 1))
    [ "$n" -lt "${patience:-150}" ] || fail "gave up waiting for $what"
    sleep 0.2
  done
}
probe() { wine "$probe" "$@" | tr -d '\r'; }
probe_is() {
  expected=$1
  shift
  [ "$(probe "$@")" = "$expected" ]
}
