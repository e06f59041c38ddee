#!/bin/sh
# A virtual X display for the end-to-end tests, shared by every test of a run,
# with a window manager: Wine takes keyboard input from outside (xdotool)
# only while one runs.
#   VirtualDisplay.sh start STATE-FOLDER   starts Xvfb and openbox; writes
#                                          STATE-FOLDER/display
#   VirtualDisplay.sh stop STATE-FOLDER ARTIFACTS-FOLDER
#                                          ends it and turns the tests' window
#                                          captures (.xwd) into PNG files
set -eu
command="$1"
state="$2"
mkdir -p "$state"

case "$command" in
start)
  rm -f "$state/display" "$state/xvfb.pid" "$state/openbox.pid"
  # Every descriptor goes elsewhere, so that the test that starts the server
  # ends without waiting for it.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp \
    3>"$state/display" </dev/null >"$state/xvfb.log" 2>&1 &
  echo $! >"$state/xvfb.pid"
  tries=0
  while [ ! -s "$state/display" ]; do
    tries=$((tries + 1))
    if [ "$tries" -gt 100 ]; then
      echo "Xvfb did not start:" >&2
      cat "$state/xvfb.log" >&2
      exit 1
    fi
    sleep 0.1
  done
  display=":$(cat "$state/display")"
  DISPLAY="$display" openbox </dev/null >"$state/openbox.log" 2>&1 &
  echo $! >"$state/openbox.pid"
  tries=0
  until DISPLAY="$display" xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
    tries=$((tries + 1))
    if [ "$tries" -gt 100 ]; then
      echo "openbox did not start:" >&2
      cat "$state/openbox.log" >&2
      exit 1
    fi
    sleep 0.1
  done
  echo "virtual display $display with openbox"
  ;;
stop)
  artifacts="$3"
  for server in openbox xvfb; do
    if [ -s "$state/$server.pid" ]; then
      kill "$(cat "$state/$server.pid")" 2>/dev/null || true
      rm -f "$state/$server.pid"
    fi
  done
  rm -f "$state/display"
  for capture in "$artifacts"/*.xwd; do
    [ -e "$capture" ] || continue
    convert "$capture" "${capture%.xwd}.png" && rm -f "$capture"
  done
  ;;
*)
  echo "usage: $0 start|stop STATE-FOLDER [ARTIFACTS-FOLDER]" >&2
  exit 2
  ;;
esac
