#!/usr/bin/env bash
# The window program starts on a desktop (openbox on Xvfb) without a GTK
# critical message or warning: in the default theme, in a dark theme and
# at twice the scale.
#   quiet_start.sh QVIMAKER
set -uo pipefail
dir=$(cd "$(dirname "$0")" && pwd)
status=0
for setting in GTK_THEME=Adwaita GTK_THEME=Adwaita:dark GDK_SCALE=2; do
  out=$(env "$setting" "$dir/desktop_run.sh" bash -c '
    "$1" & app=$!
    sleep 3
    kill $app
    wait $app 2>/dev/null
    exit 0' quiet_start "$1" 2>&1)
  if grep -E "(Gtk|Gdk|GLib-GObject)-(CRITICAL|WARNING)" <<<"$out"; then
    echo "with $setting" >&2
    status=1
  fi
done
exit $status
