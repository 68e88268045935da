#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs, skipping what is there.
#
#   install-deps.sh [build|all]   install the build group, or every group
#   install-deps.sh --list [build|all]
#                                 print each group's packages, one group a line
#
# Groups (one array each below, one package a line):
#   build:   compiler, CMake, GoogleTest, Google Benchmark, GTK 3, scdoc for the
#            man pages, dpkg-dev for the .deb (enough to build, package and
#            run the command line on the samples)
#   linux-tests: clang-format; Xvfb, xdotool, xrdb, openbox, ImageMagick,
#            D-Bus, the accessibility bus, pyatspi and weston for the dialog
#            end to end; clang and libFuzzer; the
#            package checkers (lintian, desktop-file-utils, appstream, unzip);
#            ripgrep, hyperfine and jq for bench/compare.sh; g++-multilib
#            for the 32-bit Linux build, and qemu-user to run it where the
#            kernel cannot execute 32-bit programs
#   windows: mingw-w64 for both Windows builds, Wine with its 64-bit loader
#   wine32:  32-bit Wine (and i386 multiarch for it)
#
# A package index that cannot be downloaded (a mirror in the middle of a sync)
# does not stop the install: `apt-get update` is tried up to 3 times,
# INSTALL_DEPS_RETRY_SECONDS (default 10) apart, and if an index still fails,
# one line says which and the install goes on with the lists apt has. Each
# group is installed on its own, so a group that cannot be installed (32-bit
# Wine whose amd64 counterparts are at versions only the missing index has)
# gets one line and leaves the other groups installed. The Windows tests then
# take the x86_64 route (scripts/windows-route.sh).
#
# The machine's package sources are never changed: no suite is disabled, no
# version pinned. apt's own settings are honoured, APT_CONFIG among them.
#
# Exit status: 0 when every group asked for is installed, or all but 32-bit
# Wine; 1 when another group could not be installed; 2 on a usage error.
set -euo pipefail

build=(
  g++
  make
  cmake
  libgtest-dev
  libgmock-dev
  libbenchmark-dev
  libgtk-3-dev
  scdoc
  dpkg-dev
)
linux_tests=(
  clang-format
  xvfb
  xauth
  xdotool
  x11-utils
  x11-xserver-utils
  openbox
  imagemagick
  clang-14
  libclang-rt-14-dev
  libfuzzer-14-dev
  time
  lintian
  desktop-file-utils
  appstream
  unzip
  ripgrep
  hyperfine
  jq
  python3
  dbus
  at-spi2-core
  python3-pyatspi
  gir1.2-gtk-3.0
  weston
  xdg-utils
  g++-multilib
  qemu-user
)
windows=(
  g++-mingw-w64-i686
  g++-mingw-w64-i686-posix
  binutils-mingw-w64-i686
  mingw-w64-i686-dev
  g++-mingw-w64-x86-64-posix
  binutils-mingw-w64-x86-64
  mingw-w64-x86-64-dev
  googletest
  wine
  wine64
)
wine32=(
  wine32
)

list=""
if [[ ${1:-} == --list ]]; then
  list=1
  shift
fi
case ${1:-all} in
  build) groups=(build) ;;
  all) groups=(build linux-tests windows wine32) ;;
  *)
    echo "usage: $0 [--list] [build|all]" >&2
    exit 2
    ;;
esac
packages_of() {  # GROUP: its packages, one a line
  case $1 in
    build) printf '%s\n' "${build[@]}" ;;
    linux-tests) printf '%s\n' "${linux_tests[@]}" ;;
    windows) printf '%s\n' "${windows[@]}" ;;
    wine32) printf '%s\n' "${wine32[@]}" ;;
  esac
}
if [[ -n $list ]]; then
  for group in "${groups[@]}"; do echo "$group $(packages_of "$group" | paste -sd ' ')"; done
  exit 0
fi

as_root() { if [[ $(id -u) == 0 ]]; then "$@"; else sudo "$@"; fi; }
# apt-get as root, with the caller's APT_CONFIG (sudo would drop it), waiting
# for another apt or dpkg to finish rather than failing.
apt_get() {
  as_root env DEBIAN_FRONTEND=noninteractive ${APT_CONFIG:+"APT_CONFIG=$APT_CONFIG"} \
    apt-get -q -o DPkg::Lock::Timeout=600 "$@"
}
missing_of() {  # GROUP: its packages that are not installed, one a line
  local pkg
  for pkg in $(packages_of "$1"); do
    [[ $(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null) == "install ok installed" ]] ||
      echo "$pkg"
  done
}

declare -A missing
anything=""
for group in "${groups[@]}"; do
  missing[$group]=$(missing_of "$group")
  [[ -z ${missing[$group]} ]] || anything=1
done
if [[ -z $anything ]]; then
  echo "install-deps: everything is installed"
  exit 0
fi

# 32-bit Wine is an i386 package.
if [[ -n ${missing[wine32]:-} ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  as_root dpkg --add-architecture i386
fi

log=$(mktemp)
trap 'rm -f "$log"' EXIT
tries=3
for ((try = 1; ; try++)); do
  if apt_get update 2>&1 | tee "$log"; then break; fi
  if ((try == tries)); then
    failed_index=$(sed -n 's/^[EW]: Failed to fetch //p' "$log" | head -n 1)
    echo "install-deps: apt-get update failed $tries times" \
      "(${failed_index:-$(grep '^E: ' "$log" | head -n 1)}); going on with the package lists apt has"
    break
  fi
  sleep "${INSTALL_DEPS_RETRY_SECONDS:-10}"
done

status=0
for group in "${groups[@]}"; do
  [[ -n ${missing[$group]} ]] || continue
  # shellcheck disable=SC2086 # one package a line
  if apt_get install -y ${missing[$group]} 2>&1 | tee "$log"; then
    echo "install-deps: installed the $group group:" ${missing[$group]}
  else
    why=$(grep '^E: ' "$log" | head -n 1)
    if [[ $group == wine32 ]]; then
      echo "install-deps: could not install 32-bit Wine (${why:-apt-get failed});" \
        "the Windows tests will run on the x86_64 build under wine64"
    else
      echo "install-deps: could not install the $group group (${why:-apt-get failed}); the other groups go on"
      status=1
    fi
  fi
done
exit "$status"
