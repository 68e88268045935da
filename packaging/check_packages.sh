#!/bin/sh
# Checks the release packages that `--target package` made in both builds.
#   .deb: its name and control fields carry the project's version, it holds
#     every file a user needs, Depends names GTK 3 and the package of every
#     library the programs link, lintian finds no error or warning and no
#     missing hardening, the desktop entry (with Keywords) and catalogue entry
#     validate, and the programs unpacked into a scratch root run (quorvel-cli
#     on a sample).
#   zip: one folder with exactly the two programs and the two texts, the texts
#     in CR LF, the programs 32-bit and large-address-aware, and
#     quorvel-cli.exe from it run on a sample under Wine. On a kernel that
#     cannot execute 32-bit programs, Wine cannot run them: then
#     quorvel-cli.exe of the x86_64 build of the same sources
#     (WINE_RUN_BUILD_DIR) runs in their place.
# Every failed check is named; the exit status is 1 when any failed.
#
# usage: check_packages.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR [WINE_RUN_BUILD_DIR]
set -eu

source_dir=$(cd "$(dirname "$0")/.." && pwd)
linux_build=$(cd "$1" && pwd)
windows_build=$(cd "$2" && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$linux_build/CMakeCache.txt")
[ -n "$version" ] || { echo "check_packages: no project version in $linux_build" >&2; exit 2; }
deb="$linux_build/quorvel_${version}_amd64.deb"
zip="$windows_build/Quorvel-$version-win32.zip"

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-packages.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
check() {  # description command...: runs the command, a failure is recorded
  what=$1
  shift
  "$@" || fail "$what"
}
same() { [ "$1" = "$2" ] || { echo "  got '$1', expected '$2'" >&2; return 1; }; }
crlf_only() {  # file: every line ends in CR LF (and there is at least one)
  lines=$(grep -c '' "$1") || return 1
  [ "$(grep -c "$(printf '\r')\$" "$1")" = "$lines" ]
}
lf_only() { [ -s "$1" ] && ! grep -q "$(printf '\r')" "$1"; }
# Runs a quorvel-cli with -c on a copy of cockpit.tav in $work/FOLDER; it must
# print a completed status line, and its report must be the expected one, read
# without CRs, with line ends ENDS (lf_only or crlf_only).
run_sample() {  # folder ends command...
  dir="$work/$1"
  ends=$2
  shift 2
  mkdir -p "$dir"
  cp "$source_dir/samples/cockpit.tav" "$dir/"
  (cd "$dir" && "$@" -c cockpit.tav > stdout.txt) || return 1
  tail -n 1 "$dir/stdout.txt" | tr -d '\r' | grep -qx 'cockpit\.tav\.*completed' ||
    { echo "  no completed status line" >&2; return 1; }
  tr -d '\r' < "$dir/cockpit.txt" | cmp -s - "$source_dir/samples/expected/cockpit.c.txt" ||
    { echo "  report differs from samples/expected/cockpit.c.txt" >&2; return 1; }
  "$ends" "$dir/cockpit.txt" || { echo "  report line ends are not $ends" >&2; return 1; }
}

# The package that installed the library FILE (a path as ldd gives it), found
# under either spelling of a merged /usr.
package_of() {
  [ -n "$1" ] || return 1
  for candidate in "$1" "$(realpath "$1")" "/usr$1" "${1#/usr}"; do
    dpkg-query -S "$candidate" 2>/dev/null | sed -n '1s/:.*//p' | grep . && return 0
  done
  return 1
}
# Every library that a program names (NEEDED) is installed by a package that
# the .deb's Depends names, so that installing the .deb brings it.
depends_cover_libraries() {  # program...
  depends=$(dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' | sed 's/^ *//; s/[ (].*//')
  ok=0
  for program in "$@"; do
    for lib in $(objdump -p "$program" | sed -n 's/^ *NEEDED *//p'); do
      path=$(ldd "$program" | sed -n "s|^[[:space:]]*$lib => \([^ ]*\) .*|\1|p")
      # The dynamic loader is listed by its path alone, without "=>".
      [ -n "$path" ] || path=$(ldd "$program" | sed -n "s|^[[:space:]]*\(/[^ ]*/$lib\) .*|\1|p")
      pkg=$(package_of "$path") || { echo "  $lib: no package installed it" >&2; ok=1; continue; }
      echo "$depends" | grep -qx "$pkg" ||
        { echo "  $(basename "$program") links $lib of $pkg, which Depends does not name" >&2; ok=1; }
    done
  done
  return "$ok"
}

echo "== $deb"
if [ -f "$deb" ]; then
  root="$work/root"
  dpkg-deb -x "$deb" "$root"
  check "deb Version" same "$(dpkg-deb -f "$deb" Version)" "$version"
  check "deb Depends names the GTK 3 runtime" sh -c \
    "dpkg-deb -f '$deb' Depends | grep -q 'libgtk-3-0'"
  check "deb Depends names the package of every library the programs link" \
    depends_cover_libraries "$root/usr/bin/quorvel" "$root/usr/bin/quorvel-cli"
  for f in usr/bin/quorvel usr/bin/quorvel-cli usr/share/applications/quorvel.desktop \
    usr/share/icons/hicolor/48x48/apps/quorvel.png usr/share/icons/hicolor/256x256/apps/quorvel.png \
    usr/share/man/man1/quorvel.1.gz usr/share/man/man1/quorvel-cli.1.gz \
    usr/share/doc/quorvel/copyright usr/share/doc/quorvel/changelog.gz \
    usr/share/metainfo/org.quorvel.Quorvel.metainfo.xml; do
    check "deb holds /$f" test -s "$root/$f"
  done
  check "quorvel-cli --version" same "$("$root/usr/bin/quorvel-cli" --version)" \
    "quorvel-cli $version"
  check "quorvel-cli from the package on a sample" run_sample deb lf_only \
    "$root/usr/bin/quorvel-cli"
  check "quorvel finds every library" sh -c "! ldd '$root/usr/bin/quorvel' | grep -q 'not found'"
  for page in quorvel quorvel-cli; do
    check "$page(1) carries the version" sh -c \
      "zcat '$root/usr/share/man/man1/$page.1.gz' | grep -q '^\.TH \"$page\" \"1\" .*\"Quorvel $version\"'"
  done
  metainfo="$root/usr/share/metainfo/org.quorvel.Quorvel.metainfo.xml"
  check "metainfo carries the version" grep -q "<release version=\"$version\"" "$metainfo"
  check "appstreamcli validate" appstreamcli validate --no-net "$metainfo"
  check "desktop-file-validate" desktop-file-validate "$root/usr/share/applications/quorvel.desktop"
  check "lintian" lintian --fail-on error,warning "$deb"
  # The programs carry Debian's hardening (fortify, stack protector, relro,
  # bindnow): lintian's informational tags name any that is missing.
  check "lintian -I: no hardening-no-* tag" sh -c \
    "! lintian -I '$deb' | grep 'hardening-no-'"
  check "desktop entry has Keywords" grep -q '^Keywords=.' \
    "$root/usr/share/applications/quorvel.desktop"
else
  fail "no $deb"
fi

echo "== $zip"
if [ -f "$zip" ]; then
  unzip -q "$zip" -d "$work/zip"
  folder="$work/zip/Quorvel-$version-win32"
  check "zip holds one folder with the programs and texts" same \
    "$(cd "$work/zip" && find . -type f | LC_ALL=C sort | tr '\n' ' ')" \
    "./Quorvel-$version-win32/LICENSE.txt ./Quorvel-$version-win32/Quorvel.exe ./Quorvel-$version-win32/README.txt ./Quorvel-$version-win32/quorvel-cli.exe "
  check "LICENSE.txt in CR LF" crlf_only "$folder/LICENSE.txt"
  check "README.txt in CR LF" crlf_only "$folder/README.txt"
  export WINEPREFIX="${WINEPREFIX:-$windows_build/wineprefix}" WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree,mshtml="
  for exe in Quorvel.exe quorvel-cli.exe; do
    check "$exe is 32-bit" sh -c \
      "i686-w64-mingw32-objdump -f '$folder/$exe' | grep -q 'file format pei-i386'"
    # 4 GiB of address space on 64-bit Windows, not 2: a model is read whole.
    check "$exe is large-address-aware" sh -c \
      "i686-w64-mingw32-objdump -p '$folder/$exe' | grep -q '^[[:space:]]*large address aware'"
  done
  cli_exe="$folder/quorvel-cli.exe"
  if [ -n "${3:-}" ]; then
    cli_exe="$(cd "$3" && pwd)/cli/quorvel-cli.exe"
    echo "  (running $cli_exe in place of the zip's 32-bit quorvel-cli.exe)"
  fi
  check "quorvel-cli.exe --version" same \
    "$(wine "$cli_exe" --version | tr -d '\r')" "quorvel-cli $version"
  check "quorvel-cli.exe on a sample" run_sample zip crlf_only wine "$cli_exe"
else
  fail "no $zip"
fi

if [ "$failures" -gt 0 ]; then
  echo "check_packages: $failures check(s) failed"
  exit 1
fi
echo "check_packages: every check passed"
