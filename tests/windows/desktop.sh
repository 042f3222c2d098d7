# A desktop for Windows programs under Wine, for the scripts beside this one
# to source: an X server of its own (Xvfb) with openbox for the title bars
# and the focus, and a wait for a window by its title. Wine runs in the
# caller's $WINEPREFIX.

desktop_xvfb="" desktop_wm=""

# Starts the X server and the window manager on a free display; they end
# with the script, however it ends.
start_desktop() {
  export DISPLAY=:$((90 + RANDOM % 100))
  Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  desktop_xvfb=$!
  sleep 1
  openbox >/dev/null 2>&1 &
  desktop_wm=$!
  sleep 1
  trap end_desktop EXIT
}

# Ends Wine's programs, the window manager and the X server.
end_desktop() {
  wineserver -k 2>/dev/null || true
  [ -z "$desktop_wm" ] || kill "$desktop_wm" 2>/dev/null || true
  [ -z "$desktop_xvfb" ] || kill "$desktop_xvfb" 2>/dev/null || true
  desktop_xvfb="" desktop_wm=""
}

# Waits up to $2 seconds (30) for a visible window whose name matches $1
# and prints its id.
wait_window() {
  local id
  for _ in $(seq $((${2:-30} * 4))); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.25
  done
  echo "$(basename "$0"): no window \"$1\" came up" >&2
  return 1
}
