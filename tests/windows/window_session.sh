#!/usr/bin/env bash
# The window program under Wine, as a user meets it:
#
#   tests/windows/window_session.sh BUILD_DIR
#
# BUILD_DIR is the Windows build (scripts/windows build): its qvimaker.exe,
# tests/qvdrag_source.exe, and linux/cli/qvimage, the Linux qvimage whose
# image the window's must equal. Wine runs in $WINEPREFIX, made ready by the
# caller; the files lie on a drive D: of their own inside BUILD_DIR.
#
# qvimaker.exe runs on Xvfb, with openbox for the title bars and the focus,
# driven with xdotool: it opens a list of Windows paths given on its command
# line; Create Image meets a missing file (the File Error box, answered
# Ignore), shows the statistics, asks for the image in Windows' own Save
# dialog and ends in "Done". The image must be the very bytes the Linux
# qvimage writes for the same files, and fsck.fat and mtools must accept
# it. Browse and a drop from another program take the short names Windows
# keeps, and Run File Manager brings up Explorer. Pictures of the window,
# the boxes and the finished build go to BUILD_DIR/shots/.
set -euo pipefail
build=$(cd "${1:?usage: window_session.sh BUILD_DIR}" && pwd)
[ -f "$build/qvimaker.exe" ] || { echo "no $build/qvimaker.exe (wxWidgets missing?)"; exit 1; }
source "$(dirname "$0")/desktop.sh"

# Types keys into the window $1 once it has the focus.
keys_to() {
  local id=$1; shift
  xdotool windowactivate --sync "$id" >/dev/null 2>&1 || xdotool windowfocus --sync "$id"
  sleep 0.3
  xdotool key --clearmodifiers --delay 150 "$@"
}

# fsck.fat -n on an image: every complaint but the one our layout earns on
# purpose (the boot sector names a label the root holds no record of).
fsck_clean() {
  local out
  out=$(fsck.fat -n "$1" 2>&1) || [ $? -eq 1 ] || { echo "$out"; return 1; }
  out=$(printf '%s\n' "$out" | grep -v -e '^fsck\.fat ' -e 'files,' -e '^Leaving filesystem' \
          -e 'label' -e '^  ' -e '^\[' -e '^$' || true)
  [ -z "$out" ] || { echo "fsck.fat: $out"; return 1; }
}

# A user's Create Image in the window on $DISPLAY: its list is open; the
# image goes to D:\Images\sounds.trk, pictures to $2; $1 is the list's
# file seen from Linux.
drive_window() {
  local list=$1 shots=$2 main box t
  t=$(dirname "$shots")/window
  main=$(wait_window "CD-ROM Image Maker" 60) || return 1
  sleep 2  # the list is opened once the window is up
  import -frame -window "$main" "$shots/windows_main_window.png"
  keys_to "$main" alt+f c
  box=$(wait_window "^File Error$") || return 1
  sleep 0.5
  import -frame -window "$box" "$shots/windows_message_box.png"
  keys_to "$box" alt+i
  box=$(wait_window "^Some Statistics$") || return 1
  keys_to "$box" Return
  box=$(wait_window "^Save Image$") || return 1
  sleep 1
  keys_to "$box" End shift+Home BackSpace
  xdotool type --delay 30 'D:\Images\sounds.trk'
  xdotool key Return
  box=$(wait_window "^Done$" 120) || return 1
  sleep 0.5
  import -frame -window "$box" "$shots/windows_build_done.png"
  keys_to "$box" Return
  sleep 1
  # Browse for a file with a long name: the image path proposed is its
  # short path without the drive, folders and all, and Save List keeps it.
  keys_to "$main" alt+e i
  box=$(wait_window "^New Line$") || return 1
  keys_to "$box" alt+b
  box=$(wait_window "^Browse File$") || return 1
  sleep 1
  xdotool type --delay 30 'D:\Sounds\Grand Piano Sample.qvf'
  xdotool key Return
  sleep 1
  box=$(wait_window "^New Line$") || return 1
  import -frame -window "$box" "$shots/windows_browse.png"
  # The focus is still on Browse...: back to OK, and press it.
  keys_to "$box" shift+Tab shift+Tab Return
  sleep 1
  keys_to "$main" ctrl+s
  local line=""
  for _ in $(seq 40); do
    line=$(grep -a 'Grand Piano Sample\.qvf' "$list" || true)
    [ -z "$line" ] || break
    sleep 0.25
  done
  if ! printf '%s' "$line" | grep -aqE '^\\SOUNDS\\[A-Z0-9~_]{1,8}\.QVF'$'\t'; then
    echo "Browse proposed no short path inside \\SOUNDS\\: '$line'"
    return 1
  fi
  echo "Browse: ${line%%$'\t'*}"
  # Two files dragged in from another program, as from Explorer: Drop
  # Destination proposes their folder, and each goes in under the short
  # name Windows keeps for it.
  wine "$build/tests/qvdrag_source.exe" 'D:\Drums\snare.wav' 'D:\Drums\Big Kick.wav' \
    >"$t/drag.log" 2>&1 &
  local source X Y WIDTH HEIGHT SCREEN WINDOW
  source=$(wait_window "^Drag Source$") || return 1
  xdotool windowmove --sync "$source" 760 560 2>/dev/null || true
  sleep 0.5
  eval "$(xdotool getwindowgeometry --shell "$main")"
  local tx=$((X + WIDTH / 2)) ty=$((Y + HEIGHT / 2))
  eval "$(xdotool getwindowgeometry --shell "$source")"
  local sx=$((X + WIDTH / 2)) sy=$((Y + HEIGHT / 2))
  xdotool windowactivate --sync "$source" >/dev/null 2>&1 || true
  xdotool mousemove --sync "$sx" "$sy" sleep 0.3 mousedown 1 sleep 0.5 \
    mousemove --sync $((sx + 20)) $((sy - 20)) sleep 0.3 mousemove --sync "$tx" "$ty" sleep 0.5 \
    mousemove --sync $((tx + 5)) $((ty + 5)) sleep 0.5 mouseup 1
  box=$(wait_window "^Drop Destination$") || { cat "$t/drag.log"; return 1; }
  sleep 0.5
  import -frame -window "$box" "$shots/windows_drop_destination.png"
  keys_to "$box" Return
  sleep 1
  keys_to "$main" ctrl+s
  local snare="" kick=""
  for _ in $(seq 40); do
    snare=$(grep -a 'snare\.wav' "$list" || true)
    kick=$(grep -a 'Big Kick\.wav' "$list" || true)
    [ -z "$snare" ] || [ -z "$kick" ] || break
    sleep 0.25
  done
  if ! printf '%s' "$snare" | grep -aq '^\\DRUMS\\SNARE\.WAV'$'\t' ||
     ! printf '%s' "$kick" | grep -aqE '^\\DRUMS\\[A-Z0-9~_]{1,8}\.WAV'$'\t'; then
    echo "the drop added other lines: '$snare' '$kick'"
    return 1
  fi
  echo "Drop: ${snare%%$'\t'*} and ${kick%%$'\t'*}"
  # Run File Manager: Explorer shows the home folder in a window of its own.
  local before after
  before=$(xdotool search --onlyvisible --name . 2>/dev/null | sort || true)
  keys_to "$main" alt+f f
  for _ in $(seq 60); do
    after=$(xdotool search --onlyvisible --name . 2>/dev/null | sort || true)
    [ -z "$(comm -13 <(echo "$before") <(echo "$after"))" ] || break
    sleep 0.5
  done
  local explorer
  explorer=$(comm -13 <(echo "$before") <(echo "$after") | head -1)
  if [ -z "$explorer" ]; then
    echo "Run File Manager showed no Explorer window"
    return 1
  fi
  sleep 1
  import -frame -window "$explorer" "$shots/windows_file_manager.png"
  echo "Run File Manager: Explorer came up, \"$(xdotool getwindowname "$explorer")\""
}

# ---- The session

# The files lie on a drive D: of their own, as on a Windows machine.
t=$build/window shots=$build/shots
d=$t/disk
rm -rf "$t" "$shots" && mkdir -p "$d/Sounds/Piano" "$d/Empty" "$d/Images" "$shots"
ln -sfn "$d" "$WINEPREFIX/dosdevices/d:"
head -c 300000 /dev/urandom >"$d/Sounds/Piano/grand.qvf"
head -c 4096 /dev/urandom >"$d/Sounds/kick.wav"
creme=$'cr\xc3\xa8me br\xc3\xbbl\xc3\xa9e.wav'
head -c 5000 /dev/urandom >"$d/Sounds/$creme"
printf 'notes\r\n' >"$d/readme.txt"
head -c 2000 /dev/urandom >"$d/Sounds/Grand Piano Sample.qvf"  # for Browse
mkdir -p "$d/Drums"  # for the drop
head -c 3000 /dev/urandom >"$d/Drums/snare.wav"
head -c 3000 /dev/urandom >"$d/Drums/Big Kick.wav"
list=$d/sounds.qvl linux_list=$t/linux.lst
: >"$list"; : >"$linux_list"
while IFS=$'\t' read -r image real; do
  rel=${real#"$d"}
  printf '%s\tD:%s\r\n' "$image" "${rel//\//\\}" >>"$list"
  if [ -e "$real" ]; then printf '%s\t%s\n' "$image" "$real" >>"$linux_list"; fi
done <<LIST
\\README.TXT	$d/readme.txt
\\SOUNDS\\CREME.WAV	$d/Sounds/$creme
\\SOUNDS\\GONE.WAV	$d/Sounds/gone.wav
\\SOUNDS\\KICK.WAV	$d/Sounds/kick.wav
\\SOUNDS\\PIANO\\GRAND.QVF	$d/Sounds/Piano/grand.qvf
\\EMPTY	$d/Empty
LIST
"$build/linux/cli/qvimage" -q "$linux_list" "$t/linux.trk"

start_desktop
wine "$build/qvimaker.exe" 'D:\sounds.qvl' >"$t/wine.log" 2>&1 &
status=0
drive_window "$list" "$shots" || status=1
end_desktop
[ $status -eq 0 ] || { echo "qvimaker.exe under Wine: the Create Image run failed"; exit 1; }

image=$d/Images/sounds.trk
if ! cmp "$t/linux.trk" "$image"; then
  echo "qvimaker.exe wrote another image than qvimage"; exit 1
fi
fsck_clean "$image" || exit 1
mkdir "$t/mcopy"
MTOOLS_SKIP_CHECK=1 mcopy -s -n -m -i "$image" ::/ "$t/mcopy/" || exit 1
cmp "$t/mcopy/SOUNDS/PIANO/GRAND.QVF" "$d/Sounds/Piano/grand.qvf" &&
  cmp "$t/mcopy/SOUNDS/CREME.WAV" "$d/Sounds/$creme" &&
  [ -d "$t/mcopy/EMPTY" ] && [ ! -e "$t/mcopy/SOUNDS/GONE.WAV" ] ||
  { echo "mcopy: the image holds other files"; exit 1; }
echo "qvimaker.exe under Wine: Create Image wrote $(stat -c %s "$image") bytes," \
     "the same as qvimage; fsck.fat and mcopy agree (pictures in $shots/)"
