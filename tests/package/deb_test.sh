#!/usr/bin/env bash
# Makes the .deb with cpack and checks what a user would get from it: the
# files, the runtime dependencies, the desktop entry, the icons and the
# manual page. Usage: deb_test.sh BUILD_DIR (CMAKE and CPACK may name the
# tools to use).
set -euo pipefail
build=$1
cmake=${CMAKE:-cmake}
cpack=${CPACK:-cpack}
skip=77

for tool in "$cmake" "$cpack" dpkg-deb dpkg readelf ldd desktop-file-validate groff identify; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit $skip; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The package holds the programs as built; build them if a test run comes
# first (a no-op otherwise).
"$cmake" --build "$build" --target qvimaker qvimage qvimaker_icons >"$work/build.log" 2>&1 ||
  { cat "$work/build.log"; exit 1; }
(cd "$build" && "$cpack" -G DEB -B "$work/pkg") >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; exit 1; }
debs=("$work"/pkg/*.deb)
[ ${#debs[@]} -eq 1 ] || { ls "$work/pkg"; exit 1; }
deb=${debs[0]}
echo "package: $(basename "$deb")"

# Exactly these files, nothing more (no test programs, no libraries).
expected="./usr/bin/qvimage
./usr/bin/qvimaker
./usr/share/applications/qvimaker.desktop
./usr/share/icons/hicolor/128x128/apps/qvimaker.png
./usr/share/icons/hicolor/32x32/apps/qvimaker.png
./usr/share/icons/hicolor/64x64/apps/qvimaker.png
./usr/share/man/man1/qvimage.1
./usr/share/man/man1/qvimaker.1"
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)
if [ "$files" != "$expected" ]; then
  fail "the package holds other files than expected:"
  diff <(echo "$expected") <(echo "$files") || true
fi

root=$work/root
dpkg-deb -x "$deb" "$root"

# Depends: the Debian package of every library the programs link directly,
# and no development package.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
depend_names=$(tr ',|' '\n\n' <<<"$depends" | sed 's/^ *//; s/ .*//')
grep -q -- '-dev$' <<<"$depend_names" && fail "Depends names a development package"
owner() {  # the package that holds a library file, merged /usr or not
  local p
  for p in "$1" "$(readlink -f "$1")" "/usr$1" "${1#/usr}"; do
    dpkg -S "$p" 2>/dev/null | head -1 | cut -d: -f1 && return 0
  done
  return 1
}
for program in "$root"/usr/bin/*; do
  for lib in $(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    path=$(ldd "$program" | awk -v l="$lib" '$1 == l {print $3}')
    [ -n "$path" ] || { fail "$(basename "$program"): $lib not found"; continue; }
    pkg=$(owner "$path") || { fail "$lib ($path) belongs to no package"; continue; }
    echo "$(basename "$program"): $lib from $pkg"
    grep -qxF "$pkg" <<<"$depend_names" || fail "Depends lacks $pkg (for $lib)"
  done
done

# The desktop entry is valid, starts the installed program and names the
# installed icon.
desktop=$root/usr/share/applications/qvimaker.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate refuses the desktop entry"
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
icon_name=$(sed -n 's/^Icon=//p' "$desktop")
[ -x "$root/usr/bin/$exec_name" ] || fail "Exec=$exec_name is not in /usr/bin"
grep -q '^Categories=.*AudioVideo;' "$desktop" || fail "no AudioVideo category"
for size in 32 64 128; do
  png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$icon_name.png
  got=$(identify -format '%m %wx%h' "$png" 2>&1) || true
  [ "$got" = "PNG ${size}x${size}" ] || fail "icon $png: $got"
done

# The manual pages format without a warning, and the packaged qvimage runs.
for page in "$root"/usr/share/man/man1/*.1; do
  warnings=$(groff -man -ww -z "$page" 2>&1)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done
version=$("$root/usr/bin/qvimage" --version)
[ "$version" = "qvimage $(dpkg-deb -f "$deb" Version | cut -d. -f1,2)" ] ||
  fail "qvimage --version says $version"

[ $failures -eq 0 ] || exit 1
echo "OK"
