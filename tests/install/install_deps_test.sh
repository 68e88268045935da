#!/usr/bin/env bash
# scripts/install-deps.sh against an apt and a dpkg of its own (APT_CONFIG and
# DPKG_ADMINDIR in a scratch folder), installing by simulation only, so the
# machine's packages and sources are never touched:
#   - the sources hold a local repository with a stand-in for every package
#     the script names, an index that does not match its Release file (a
#     mirror in the middle of a sync) and a source nobody serves;
#   - wine32 depends on a version that no index has, as 32-bit Wine does when
#     the index with its counterparts failed to download.
# Each case checks the exit status, that apt-get update ran 3 times and the
# one line that says it failed, which groups were installed and which were
# refused, and that no apt source or preference changed.
#
# usage: install_deps_test.sh INSTALL_DEPS_SCRIPT   (as root; exit 77 otherwise)
set -euo pipefail
script=$(realpath "$1")
if [[ $(id -u) != 0 ]]; then
  echo "SKIP: apt-get update needs root"
  exit 77
fi
work=$(mktemp -d)
trap '[[ -n ${KEEP:-} ]] || rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $case_name: $*" >&2
  failures=$((failures + 1))
}

mapfile -t group_lines < <(bash "$script" --list all)
group_of() {  # GROUP: its packages, space-separated
  local line
  for line in "${group_lines[@]}"; do
    [[ $line == "$1 "* ]] && echo "${line#* }"
  done
}
every_package=$(printf '%s\n' "${group_lines[@]}" | cut -d' ' -f2- | tr ' ' '\n')
[[ $(group_of wine32) == wine32 ]] || { echo "FAIL: no wine32 group in: ${group_lines[*]}"; exit 1; }
(($(wc -l <<<"$every_package") > 20)) || { echo "FAIL: too few packages listed"; exit 1; }
# A package named twice makes a dpkg status of two stanzas, and the script
# would install a group again on a machine that has it.
dups=$(sort <<<"$every_package" | uniq -d | paste -sd ' ')
[[ -z $dups ]] || { echo "FAIL: listed in more than one place: $dups"; exit 1; }

stanza() {  # NAME [DEPENDS]: one Packages entry of a stand-in
  printf 'Package: %s\nVersion: 1.0\nArchitecture: all\nMaintainer: Test <test@example.invalid>\n' "$1"
  [[ -z ${2:-} ]] || printf 'Depends: %s\n' "$2"
  printf 'Filename: ./%s_1.0_all.deb\nSize: 1\nDescription: stand-in\n\n' "$1"
}
# The mirror in sync: its Release file announces another Packages index.
mkdir -p "$work/syncing"
stanza quorvel-syncing >"$work/syncing/Packages"
printf 'Origin: test\nLabel: test\nSuite: syncing\nCodename: syncing\nDate: %s\nSHA256:\n %s %d Packages\n' \
  "$(date -uR)" "$(sha256sum <"$work/syncing/Packages" | cut -d' ' -f1)" 99999 >"$work/syncing/Release"

# setup LACKING INSTALLED: a fresh apt state; the repository lacks the
# packages LACKING, dpkg has INSTALLED installed.
setup() {
  rm -rf "$work/case"
  local c=$work/case name
  mkdir -p "$c/repo" "$c/etc/apt.conf.d" "$c/etc/sources.list.d" "$c/etc/preferences.d" \
    "$c/state/lists/partial" "$c/cache/archives/partial" "$c/log" "$c/dpkg/info" "$c/dpkg/updates"
  for name in $every_package; do
    grep -qxF "$name" <<<"$1" && continue
    if [[ $name == wine32 ]]; then stanza wine32 'libwine (= 99.0)'; else stanza "$name"; fi
  done >"$c/repo/Packages"
  for name in $2; do
    printf 'Package: %s\nStatus: install ok installed\nVersion: 1.0\nArchitecture: all\nMaintainer: Test <test@example.invalid>\nDescription: stand-in\n\n' "$name"
  done >"$c/dpkg/status"
  : >"$c/dpkg/arch"
  cat >"$c/etc/sources.list" <<EOF
deb [trusted=yes] file:$c/repo ./
deb [trusted=yes] file:$work/syncing ./
deb [trusted=yes] http://127.0.0.1:9/nobody-serves-this bookworm main
EOF
  cat >"$c/apt.conf" <<EOF
Dir::Etc::main "/dev/null";
Dir::Etc::parts "$c/etc/apt.conf.d";
Dir::Etc::sourcelist "$c/etc/sources.list";
Dir::Etc::sourceparts "$c/etc/sources.list.d";
Dir::Etc::preferences "$c/etc/preferences";
Dir::Etc::preferencesparts "$c/etc/preferences.d";
Dir::State "$c/state";
Dir::State::lists "$c/state/lists/";
Dir::State::status "$c/dpkg/status";
Dir::Cache "$c/cache";
Dir::Log "$c/log";
APT::Architectures { "amd64"; };
APT::Get::Simulate "true";
APT::Sandbox::User "root";
Acquire::Retries "0";
Acquire::http::Proxy "DIRECT";
Debug::NoLocking "true";
EOF
  export APT_CONFIG=$c/apt.conf DPKG_ADMINDIR=$c/dpkg
}
sources_sum() { find "$work/case/etc" -type f -exec sha256sum {} + | sort; }
etc_apt_sum() { find /etc/apt -type f -exec sha256sum {} + 2>/dev/null | sort; }

# run ARGS...: the script in the current setup; $out, $status
run() {
  local before etc_before
  before=$(sources_sum) etc_before=$(etc_apt_sum)
  status=0
  out=$(INSTALL_DEPS_RETRY_SECONDS=0 bash "$script" "$@" 2>&1) || status=$?
  [[ $(sources_sum) == "$before" ]] || fail "the script changed an apt source or preference"
  [[ $(etc_apt_sum) == "$etc_before" ]] || fail "the script changed /etc/apt"
}
installed_group() {  # GROUP: its line, and apt installing every package of it
  local name
  grep -qx "install-deps: installed the $1 group: $(group_of "$1")" <<<"$out" ||
    fail "no line for the $1 group installed"
  for name in $(group_of "$1"); do
    grep -q "^Inst $name " <<<"$out" || fail "$name of the $1 group not installed"
  done
}
refused_group() {  # GROUP
  if [[ $1 == wine32 ]]; then
    grep -qE '^install-deps: could not install 32-bit Wine \(E: .*\); the Windows tests will run on the x86_64 build under wine64$' <<<"$out" ||
      fail "no line for 32-bit Wine refused"
  else
    grep -qE "^install-deps: could not install the $1 group \(E: .*\); the other groups go on\$" <<<"$out" ||
      fail "no line for the $1 group refused"
  fi
  ! grep -q "^install-deps: installed the $1 group" <<<"$out" || fail "the $1 group said installed"
}
update_failed_3_times() {
  local lines
  lines=$(grep -c '^install-deps: apt-get update failed' <<<"$out" || true)
  [[ $lines == 1 ]] || fail "$lines lines on the failed update, not 1"
  grep -qE '^install-deps: apt-get update failed 3 times \(.*(127\.0\.0\.1:9|syncing).*\); going on with the package lists apt has$' <<<"$out" ||
    fail "the update failure line does not name the failed index"
  [[ $(grep -c '^Err:.*127\.0\.0\.1:9' <<<"$out") == 3 ]] || fail "apt-get update did not run 3 times"
  grep -qE 'Hash Sum mismatch|File has unexpected size' <<<"$out" ||
    fail "the index that does not match its Release file was not met"
}
expect_status() { [[ $status == "$1" ]] || fail "exit status $status, not $1"; }
others_than() { grep -vxF -f <(tr ' ' '\n' <<<"$1") <<<"$every_package" || true; }

case_name="fresh machine, 32-bit Wine not installable"
setup "" ""
run all
expect_status 0
update_failed_3_times
for group in build linux-tests windows; do installed_group "$group"; done
refused_group wine32
[[ $(dpkg --print-foreign-architectures) == i386 ]] || fail "i386 not added for 32-bit Wine"

case_name="a package of the Linux tests is nowhere"
setup xdotool ""
run all
expect_status 1
update_failed_3_times
for group in build windows; do installed_group "$group"; done
refused_group linux-tests
refused_group wine32

case_name="only 32-bit Wine missing (as on this machine)"
setup "" "$(others_than wine32)"
run all
expect_status 0
update_failed_3_times
refused_group wine32
! grep -q '^install-deps: installed' <<<"$out" || fail "a group installed again"

case_name="build only, nothing installed"
setup "" ""
run build
expect_status 0
installed_group build
! grep -q "^Inst $(group_of windows | cut -d' ' -f1) " <<<"$out" || fail "more than the build group"
[[ -z $(dpkg --print-foreign-architectures) ]] || fail "i386 added for the build group"

case_name="everything installed"
setup "" "$every_package"
run all
expect_status 0
[[ $out == "install-deps: everything is installed" ]] || fail "output: $out"

case_name="usage"
run nonsense
expect_status 2

if ((failures > 0)); then
  echo "install_deps_test: $failures failures"
  exit 1
fi
echo "install_deps_test: passed"
