#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs, skipping what is there.
# Usage: install-deps.sh [build|all]
#   build: compiler, CMake, GoogleTest, Google Benchmark, FLTK, scdoc for the
#          man pages, dpkg-dev for the .deb (enough to build, package and run
#          the command line on the samples)
#   all:   also what the whole test suite needs: clang-format, Xvfb,
#          xdotool, xrdb and openbox for the dialog, clang and libFuzzer,
#          mingw-w64 and Wine, and the package checkers (lintian,
#          desktop-file-utils, appstream, unzip), and ripgrep, hyperfine
#          and jq for bench/compare.sh.
set -euo pipefail
set_name=${1:-all}

build=(g++ make cmake libgtest-dev libgmock-dev libbenchmark-dev libgtk-3-dev scdoc dpkg-dev)
all=("${build[@]}" clang-format xvfb xauth xdotool x11-utils x11-xserver-utils openbox
     imagemagick tesseract-ocr tesseract-ocr-eng clang-14
     libclang-rt-14-dev libfuzzer-14-dev g++-mingw-w64-i686 g++-mingw-w64-i686-posix
     binutils-mingw-w64-i686 mingw-w64-i686-dev g++-mingw-w64-x86-64-posix
     binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev googletest python3 wine wine32 wine64 time
     lintian desktop-file-utils appstream unzip ripgrep hyperfine jq
     dbus at-spi2-core python3-pyatspi weston)
case $set_name in
  build) wanted=("${build[@]}") ;;
  all) wanted=("${all[@]}") ;;
  *) echo "usage: $0 [build|all]" >&2; exit 2 ;;
esac

sudo_cmd=()
if [[ $(id -u) != 0 ]]; then sudo_cmd=(sudo); fi

if [[ $set_name == all ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
  force_update=1
fi

missing=()
for pkg in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [[ $status == "install ok installed" ]] || missing+=("$pkg")
done
if [[ ${#missing[@]} -eq 0 && -z ${force_update:-} ]]; then
  echo "install-deps: everything is installed"
  exit 0
fi
echo "install-deps: installing ${missing[*]:-(package lists only)}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
if [[ ${#missing[@]} -gt 0 ]]; then
  "${sudo_cmd[@]}" apt-get install -y -q "${missing[@]}"
fi
