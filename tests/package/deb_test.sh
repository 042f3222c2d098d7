#!/usr/bin/env bash
# Makes the .deb with cpack and checks what a user would get from it: the
# files, the runtime dependencies, the desktop entry, the icons, the manual
# pages, the list file type, the licence and changelog, what software
# centres read, and lintian's verdict. Usage: deb_test.sh BUILD_DIR (CMAKE
# and CPACK may name the tools to use).
set -euo pipefail
build=$1
cmake=${CMAKE:-cmake}
cpack=${CPACK:-cpack}
src=$(cd "$(dirname "$0")/../.." && pwd)
skip=77

for tool in "$cmake" "$cpack" dpkg-deb dpkg dpkg-parsechangelog readelf ldd desktop-file-validate \
            groff identify convert lintian appstreamcli update-mime-database update-desktop-database gio; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit $skip; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The package holds the programs as built; build them if a test run comes
# first (a no-op otherwise).
"$cmake" --build "$build" --target qvimaker qvimage qvimaker_icons qvimaker_docs >"$work/build.log" 2>&1 ||
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
./usr/share/doc/qvimaker/changelog.gz
./usr/share/doc/qvimaker/copyright
./usr/share/icons/hicolor/128x128/apps/qvimaker.png
./usr/share/icons/hicolor/32x32/apps/qvimaker.png
./usr/share/icons/hicolor/64x64/apps/qvimaker.png
./usr/share/man/man1/qvimage.1.gz
./usr/share/man/man1/qvimaker.1.gz
./usr/share/metainfo/org.example.qvimaker.metainfo.xml
./usr/share/mime/packages/qvimaker.xml"
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

# The desktop entry is valid, starts the installed program with the file
# it is given, opens list files and names the installed icon.
desktop=$root/usr/share/applications/qvimaker.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate refuses the desktop entry"
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
exec_name=${exec_line%% *}
icon_name=$(sed -n 's/^Icon=//p' "$desktop")
[ -x "$root/usr/bin/$exec_name" ] || fail "Exec=$exec_name is not in /usr/bin"
[ "$exec_line" = "$exec_name %f" ] || fail "Exec=$exec_line does not pass the opened file"
grep -q '^Categories=.*AudioVideo;' "$desktop" || fail "no AudioVideo category"
grep -q '^MimeType=\(.*;\)\?application/x-qvimaker-list;' "$desktop" ||
  fail "the desktop entry does not declare list files"

# Each icon is the program's own 32 x 32 drawing (the XPM text of
# resources/app_icon_xpm.h, which ImageMagick reads too), scaled with
# hard pixel edges, transparent where the drawing has no colour.
{ echo '/* XPM */'; echo 'static const char* icon[] = {'
  sed -n '/^const char\* const IconApp/,/};/{/^const char/d; p}' "$src/resources/app_icon_xpm.h"
} >"$work/icon.xpm"
for size in 32 64 128; do
  png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$icon_name.png
  got=$(identify -format '%m %wx%h' "$png" 2>&1) || true
  [ "$got" = "PNG ${size}x${size}" ] || { fail "icon $png: $got"; continue; }
  convert "$work/icon.xpm" -scale "${size}x${size}" "rgba:$work/drawing.rgba"
  convert "$png" "rgba:$work/icon.rgba"
  cmp -s "$work/drawing.rgba" "$work/icon.rgba" ||
    fail "the ${size}x${size} icon is not the program's drawing"
done

# List files get their type from the package's shared-mime-info file
# (upper- or lower-case extension, a text/plain subclass), and a GIO file
# manager opens them with the package's desktop entry. Only the package's
# own files and the system's are seen.
xdg=$work/xdg
mkdir -p "$xdg/share" "$xdg/home" "$xdg/config" "$work/lists"
cp -r "$root/usr/share/mime" "$root/usr/share/applications" "$xdg/share/"
update-mime-database "$xdg/share/mime"
update-desktop-database "$xdg/share/applications"
grep -qx 'application/x-qvimaker-list text/plain' "$xdg/share/mime/subclasses" ||
  fail "list files are no text/plain subclass"
printf 'SAMPLES\\PIANO.QVF\tpiano.qvf\n' >"$work/lists/show.qvl"
cp "$work/lists/show.qvl" "$work/lists/OLD.QVL"
in_desktop() {
  env PATH="$root/usr/bin:$PATH" XDG_DATA_HOME="$xdg/home" XDG_CONFIG_HOME="$xdg/config" \
    XDG_CONFIG_DIRS="$xdg/config" XDG_DATA_DIRS="$xdg/share:/usr/share" "$@"
}
for list in "$work/lists/show.qvl" "$work/lists/OLD.QVL"; do
  # gio's own failure is told, not ended on by set -e without a word.
  info=$(in_desktop gio info -a standard::content-type "$list" 2>&1) ||
    fail "gio info failed on $(basename "$list"): $info"
  type=$(sed -n 's/.*standard::content-type: //p' <<<"$info")
  [ "$type" = application/x-qvimaker-list ] || fail "$(basename "$list") is seen as $type"
done
# Read whole before matching: grep -q stops at the first match, and under
# pipefail gio's broken pipe would then fail the check.
handlers=$(in_desktop gio mime application/x-qvimaker-list 2>&1) ||
  fail "gio mime failed: $handlers"
grep -q '^Default application.*: qvimaker\.desktop$' <<<"$handlers" ||
  fail "list files do not open with qvimaker.desktop: $handlers"

# The manual pages are gzipped, format without a warning and name the
# package's version; the packaged qvimage runs and says the same version.
deb_version=$(dpkg-deb -f "$deb" Version)
for page in "$root"/usr/share/man/man1/*; do
  warnings=$(gzip -dc "$page" | groff -man -ww -z 2>&1)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
  gzip -dc "$page" | head -1 | grep -q " $deb_version\" \"User Commands\"$" ||
    fail "$(basename "$page") names another version: $(gzip -dc "$page" | head -1)"
done
version=$("$root/usr/bin/qvimage" --version)
[ "$version" = "qvimage $deb_version" ] || fail "qvimage --version says $version"

# The copyright file is Debian's machine-readable format, and its licence
# text is LICENSE's, word for word.
doc=$root/usr/share/doc/qvimaker
head -1 "$doc/copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  fail "the copyright file is not in the machine-readable format"
grep -qx 'License: Expat' "$doc/copyright" || fail "the copyright file names no MIT (Expat) licence"
awk '/^License: Expat$/ {n++; next} n == 2 && /^ / {sub(/^ /, ""); if ($0 == ".") $0 = ""; print}' \
  "$doc/copyright" >"$work/licence.txt"
sed -n '/^Permission/,$p' "$src/LICENSE" | cmp -s - "$work/licence.txt" ||
  fail "the licence text of the copyright file differs from LICENSE"

# The changelog is the repository's, and its newest entry is this
# package's version: the release itself, or the UNRELEASED entry that
# collects the changes for the next one, later than the newest release.
# Software centres list the newest release.
gzip -dc "$doc/changelog.gz" | cmp -s - "$src/CHANGELOG" || fail "changelog.gz is not CHANGELOG"
dpkg-parsechangelog -l "$src/CHANGELOG" --all --format rfc822 |
  awk '/^Version:/ {v = $2} /^Distribution:/ {print v, $2}' >"$work/releases"
newest=$(awk '{print $1; exit}' "$work/releases")
[ "$newest" = "$deb_version" ] ||
  fail "the newest entry of CHANGELOG is ${newest:-none}, the package is $deb_version"
released=$(awk '$2 != "UNRELEASED" {print $1; exit}' "$work/releases")
while read -r next _; do
  [ "$next" != "$released" ] || break
  dpkg --compare-versions "$next" gt "$released" ||
    fail "the UNRELEASED entry $next is not later than the release $released"
done <"$work/releases"
released_date=$(dpkg-parsechangelog -l "$src/CHANGELOG" --all --format rfc822 |
  awk -v r="$released" '/^Version:/ {v = $2} /^Date:/ && v == r {sub(/^Date: /, ""); print; exit}')
metainfo=$root/usr/share/metainfo/org.example.qvimaker.metainfo.xml
top_release=$(grep -o '<release [^>]*>' "$metainfo" | head -1)
[ "$top_release" = "<release version=\"$released\" date=\"$(date -u -d "$released_date" +%F)\"/>" ] ||
  fail "the metainfo's newest release, $top_release, is not $released of $released_date"

# What software centres read passes AppStream's checks, offline, with
# nothing but pedantic notes; the screenshot is one of the repository's.
appstreamcli validate --no-net --strict "$metainfo" || fail "appstreamcli validate refuses the metainfo"
appstreamcli validate-tree --no-net --strict "$root" || fail "appstreamcli validate-tree refuses the package"
for url in $(sed -n 's|.*<image[^>]*>\(.*\)</image>.*|\1|p' "$metainfo"); do
  shot=${url#https://qvimaker.example.org/}
  [ "$shot" != "$url" ] && [ -f "$src/$shot" ] || fail "the screenshot $url is no file of the repository"
done

# lintian, Debian's own checker, finds no error and no warning. Overrides
# are allowed only with their reason in a comment line just above them.
overrides=$root/usr/share/lintian/overrides/qvimaker
if [ -f "$overrides" ]; then
  awk '/^#/ {reason = 1; next} /^[^#]/ && !reason {print; bad = 1} {reason = 0} END {exit bad}' \
    "$overrides" || fail "lintian overrides without a reason above them"
fi
lintian_status=0
lintian --no-cfg --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 || lintian_status=$?
grep -v '^running with root privileges' "$work/lintian.log" || true
[ $lintian_status -eq 0 ] || fail "lintian reports errors or warnings (exit $lintian_status)"

[ $failures -eq 0 ] || exit 1
echo "OK"
