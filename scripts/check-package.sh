#!/usr/bin/env bash
# Builds the Debian package from a built folder (default: build), unpacks it into a scratch root
# and checks it from there: the programs start, the desktop entry is valid, and every file type it
# names is known, by the system or by the package's own definitions. Usage: check-package.sh [DIR]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
  echo "check-package: $*" >&2
  exit 1
}

# Runs a program of the package without a display and checks that its output starts as expected.
expect_output() {
  local start=$1 output
  shift
  output=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@") || fail "$* failed"
  [[ $output == "$start"* ]] || fail "$* printed: $output"
}

(cd "$build" && cpack -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1) ||
  { cat "$scratch/cpack.log" >&2; fail "cpack failed"; }
debs=("$scratch"/out/*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  fail "expected one package, found: ${debs[*]}"
fi
deb=${debs[0]}
# Every program says the version the package carries, which comes from the project.
version=$(dpkg-deb --field "$deb" Version)
depends=$(dpkg-deb --field "$deb" Depends)
echo "Package $(basename "$deb"): Depends: $depends"
root=$scratch/root
dpkg -x "$deb" "$root"
bin=$root/usr/bin

[[ $depends == *libc6* ]] || fail "no libc6 among the dependencies"
expect_output "corvane-tool $version" "$bin/corvane-tool" --version
expect_output "Usage: imgpack" "$bin/imgpack" --help
expect_output "imgpack $version" "$bin/imgpack" --version
for page in corvane-tool imgpack; do
  [ -f "$root/usr/share/man/man1/$page.1" ] || fail "no manual page for $page"
done

if [ -x "$bin/corvane" ] || grep -q '^CORVANE_BUILD_EDITOR:BOOL=ON' "$build/CMakeCache.txt"; then
  [[ $depends == *libqt6widgets6* && $depends == *qt6-qpa-plugins* ]] ||
    fail "the editor's Qt libraries are not among the dependencies"
  expect_output "Corvane $version" "$bin/corvane" --version
  expect_output "Usage: " "$bin/corvane" --help
  desktop=$root/usr/share/applications/corvane.desktop
  desktop-file-validate "$desktop" || fail "corvane.desktop is not valid"
  [ -f "$root/usr/share/man/man1/corvane.1" ] || fail "no manual page for corvane"
  for side in 16 32 48 64 128 256; do
    [ -f "$root/usr/share/icons/hicolor/${side}x$side/apps/corvane.png" ] ||
      fail "no ${side}x$side icon"
  done
  [ -f "$root/usr/share/icons/hicolor/scalable/apps/corvane.svg" ] || fail "no scalable icon"

  # The package's file types, compiled as update-mime-database does on installation; it fails on
  # a definition it cannot read.
  mkdir -p "$scratch/mime/packages"
  cp "$root/usr/share/mime/packages/corvane.xml" "$scratch/mime/packages/"
  update-mime-database "$scratch/mime" >"$scratch/mime.log" 2>&1 ||
    { cat "$scratch/mime.log" >&2; fail "the MIME definitions do not compile"; }
  grep -q ':\*\.cdd$' "$scratch/mime/globs2" || fail "*.cdd has no type"
  types=$(sed -n 's/^MimeType=//p' "$desktop" | tr ';' '\n')
  for type in $types; do
    grep -qx "$type" "$scratch/mime/types" /usr/share/mime/types ||
      fail "$type in corvane.desktop is not a known file type"
  done
fi
echo "Package checked."
