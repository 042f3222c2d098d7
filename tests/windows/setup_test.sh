#!/usr/bin/env bash
# The setup program as Windows users meet it, in a fresh Wine prefix:
#
#   tests/windows/setup_test.sh SETUP.exe VERSION BUILD_DIR
#
# Installed silently for all users, the programs, README and LICENSE are in
# Program Files with a Start menu entry, they and the setup carry VERSION in
# their version resources, list files (.qvl) open with the installed
# window program (a list opened through the association shows its name in
# the title), and Apps & features lists the uninstaller. The uninstaller,
# silent too, removes the files, the shortcut and every key, and leaves the
# user's list alone. Installed for the current user only, all of it goes
# into the user's own folders and keys, and goes again on uninstalling.
# BUILD_DIR is the Windows build: its tests/resource_check.exe reads the
# resources; the prefix and the list lie in BUILD_DIR/setup-test/.
set -euo pipefail
setup=$(realpath "${1:?usage: setup_test.sh SETUP.exe VERSION BUILD_DIR}")
version=${2:?}
build=$(cd "${3:?}" && pwd)
source "$(dirname "$0")/desktop.sh"

work=$build/setup-test
rm -rf "$work" && mkdir -p "$work/lists"
# A prefix of its own; its shortcuts and file types stay out of the Linux
# desktop's menus (no menu builder).
export WINEPREFIX=$work/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wineboot -i >/dev/null 2>&1 || true
wineserver -w

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
winpath() { printf 'Z:%s' "${1//\//\\}"; }
# A value of a key, "" for the default one; nothing if it is absent.
reg_value() {
  local which=(/v "$2")
  [ -n "$2" ] || which=(/ve)
  wine reg query "$1" "${which[@]}" 2>/dev/null | tr -d '\r' |
    awk -F'    ' 'NF >= 4 && $3 ~ /^REG_/ {print $4; exit}'
}
has_key() { wine reg query "$1" >/dev/null 2>&1; }
# Runs a program of the prefix and waits for everything it started (an
# uninstaller hands over to a copy of itself).
run() { wine "$@" >/dev/null 2>&1; local status=$?; wineserver -w; return $status; }

product="Quorel CD-ROM Image Maker"
progid=QvImageMaker.List
uninstall_key="Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QvImageMaker"
installed=(qvimaker.exe qvimage.exe README.md LICENSE.txt Uninstall.exe)
drive_c=$WINEPREFIX/drive_c

# The version resource, icon and manifest of a program, against VERSION.
check_resources() {
  local program=$1 facts
  facts=$(wine "$build/tests/resource_check.exe" "$(winpath "$program")" 2>/dev/null | tr -d '\r')
  local name
  name=$(basename "$program")
  for want in "version: $version.0" "FileVersion: $version" "ProductVersion: $version" \
              "ProductName: $product"; do
    grep -qxF "$want" <<<"$facts" || fail "$name: no \"$want\" in its version resource: $facts"
  done
  grep -q '^icons: [1-9]' <<<"$facts" || fail "$name carries no icon"
  if [ "$name" = qvimaker.exe ]; then
    grep -q '^dpiAwareness: PerMonitorV2' <<<"$facts" ||
      fail "qvimaker.exe declares no per-monitor DPI awareness: $facts"
  fi
}

echo "== For all users: setup /S"
run "$setup" /S || fail "setup /S ended with an error"
folder="$drive_c/Program Files/$product"
for f in "${installed[@]}"; do [ -f "$folder/$f" ] || fail "$f is not in $folder"; done
shortcut="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/$product.lnk"
[ -f "$shortcut" ] || fail "no Start menu entry"
for program in "$folder/qvimaker.exe" "$folder/qvimage.exe" "$setup"; do
  check_resources "$program"
done

exe="C:\\Program Files\\$product\\qvimaker.exe"
[ "$(reg_value 'HKCR\.qvl' '')" = "$progid" ] || fail ".qvl is not $progid"
[ "$(reg_value "HKCR\\$progid\\shell\\open\\command" '')" = "\"$exe\" \"%1\"" ] ||
  fail "$progid opens with: $(reg_value "HKCR\\$progid\\shell\\open\\command" '')"
[ "$(reg_value "HKCR\\$progid\\DefaultIcon" '')" = "$exe,0" ] || fail "$progid has no icon"
key="HKLM\\$uninstall_key"
[ "$(reg_value "$key" DisplayName)" = "$product" ] || fail "Apps & features shows no $product"
[ "$(reg_value "$key" DisplayVersion)" = "$version" ] ||
  fail "Apps & features shows version $(reg_value "$key" DisplayVersion)"
[ -n "$(reg_value "$key" Publisher)" ] || fail "Apps & features shows no publisher"
size=$(reg_value "$key" EstimatedSize)
[ $((size)) -gt 1000 ] || fail "Apps & features shows a size of ${size:-nothing} KB"
[ "$(reg_value "$key" UninstallString)" = "\"C:\\Program Files\\$product\\Uninstall.exe\" /AllUsers" ] ||
  fail "the uninstall string is $(reg_value "$key" UninstallString)"
echo "installed into C:\\Program Files\\$product, $((size)) KB"

echo "== A list opened through its file type"
list=$work/lists/sounds.qvl
printf 'notes\r\n' >"$work/lists/readme.txt"
printf '\\README.TXT\t%s\r\n' "$(winpath "$work/lists/readme.txt")" >"$list"
start_desktop
wine start /unix "$list" >/dev/null 2>&1 &
if window=$(wait_window "^sounds\.qvl - $product\$" 60); then
  # The window belongs to the installed program, started with the list.
  command=$(tr '\0' ' ' <"/proc/$(xdotool getwindowpid "$window")/cmdline" | sed 's/ *$//')
  [[ $command == *"Program Files\\$product\\qvimaker.exe"*sounds.qvl* ]] ||
    fail "the list opened in another program: $command"
  mkdir -p "$build/shots"
  import -frame -window "$window" "$build/shots/windows_opened_list.png" 2>/dev/null || true
  echo "opened: \"$(xdotool getwindowname "$window")\" by $command"
else
  fail "opening sounds.qvl showed no window with its name"
fi
end_desktop

echo "== Uninstall.exe /S"
run "$folder/Uninstall.exe" /S || fail "Uninstall.exe /S ended with an error"
[ ! -e "$folder" ] || fail "$folder is still there: $(ls "$folder")"
[ ! -e "$shortcut" ] || fail "the Start menu entry is still there"
for gone in 'HKCR\.qvl' "HKCR\\$progid" "$key" 'HKLM\Software\QvImageMaker'; do
  ! has_key "$gone" || fail "$gone is still there"
done
[ -f "$list" ] || fail "the uninstaller took the user's list"

echo "== For the current user only: setup /S /CurrentUser"
run "$setup" /S /CurrentUser || fail "setup /S /CurrentUser ended with an error"
mine=$(find "$drive_c/users" -path "*/Programs/$product/qvimaker.exe" -printf '%h\n' | head -1)
[ -n "$mine" ] || fail "no qvimaker.exe in the user's programs folder"
has_key "HKCU\\Software\\Classes\\$progid\\shell\\open\\command" || fail "no $progid of the user's own"
user_key="HKCU\\$uninstall_key"
quiet=$(reg_value "$user_key" QuietUninstallString)
[ -n "$quiet" ] || fail "Apps & features of the user lists no uninstaller"
! has_key "$key" || fail "a per-user installation registered itself for all users"
if [ -n "$quiet" ]; then
  uninstaller=${quiet#\"} && uninstaller=${uninstaller%%\"*}
  read -ra arguments <<<"${quiet##*\" }"
  run "$uninstaller" "${arguments[@]}" || fail "$quiet ended with an error"
fi
[ -z "$mine" ] || [ ! -e "$mine" ] || fail "$mine is still there"
for gone in "HKCU\\Software\\Classes\\$progid" "$user_key" 'HKCU\Software\QvImageMaker'; do
  ! has_key "$gone" || fail "$gone is still there"
done
[ -z "$(find "$drive_c/users" -name "$product.lnk")" ] || fail "the user's Start menu entry is still there"

[ $failures -eq 0 ] || { echo "setup test: $failures failures"; exit 1; }
echo "setup test: installed, opened a list, uninstalled, for all users and for one"
