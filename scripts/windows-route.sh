# shellcheck shell=bash disable=SC2034,SC2154 # sets variables for the caller, reads its $root
# Sourced by scripts/test.sh and scripts/soak-e2e.sh (bash, $root set to the
# source folder): which build the Windows tests run on.
#
# The shipped programs are 32-bit and always built (build/windows-x86). Their
# tests run under 32-bit Wine when it can run here: the kernel executes 32-bit
# code, wine32 is installed, and it runs a program of that build. Otherwise
# the same sources, built for x86_64 (build/windows-x64), run the same tests
# under wine64, with scripts/wine64 first on the PATH.

# wine32_unusable: prints why 32-bit Wine cannot run the tests, or nothing.
# Needs the windows-x86 build for the last check.
wine32_unusable() {
  if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    echo "this kernel cannot execute 32-bit programs"
    return
  fi
  if [[ ! -x /usr/lib/wine/wine ]]; then
    echo "32-bit Wine (wine32) is not installed"
    return
  fi
  local probe=$root/build/windows-x86/platform/win32/tests/probe.exe out
  if ! out=$(WINEPREFIX=$root/build/windows-x86/wineprefix WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree,mshtml=" timeout 300 /usr/lib/wine/wine "$probe" acp 2>&1); then
    echo "32-bit Wine did not run $probe ($(tail -n 1 <<<"$out"))"
  fi
}

# windows_route: sets windows_build (the build the tests run on),
# windows_path (the PATH to run them with) and windows_route_note (empty on
# the 32-bit route, else one line saying which route and why).
windows_route() {
  local why
  why=$(wine32_unusable)
  if [[ -z $why ]]; then
    windows_build=build/windows-x86 windows_path=$PATH windows_route_note=""
  else
    windows_build=build/windows-x64 windows_path=$root/scripts/wine64:$PATH
    windows_route_note="windows: $why; the Windows tests run on the x86_64 build under wine64"
  fi
}
