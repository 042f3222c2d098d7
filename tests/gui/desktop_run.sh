#!/usr/bin/env bash
# Runs window tests on a desktop-like X server: Xvfb with openbox as the
# window manager, which decides focus and stacking as on a real desktop.
#   desktop_run.sh TESTS [gtest options...]
# GTK_THEME from the environment picks the theme (Adwaita:dark and so on).
set -uo pipefail
if ! command -v openbox >/dev/null || ! command -v xvfb-run >/dev/null; then
  echo "openbox or xvfb-run missing" >&2
  exit 77
fi
exec xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  openbox --sm-disable >/dev/null 2>&1 & wm=$!
  sleep 1
  "$@"
  status=$?
  kill $wm
  wait $wm 2>/dev/null
  exit $status' desktop_run "$@"
