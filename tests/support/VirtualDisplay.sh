#!/bin/sh
# A virtual X display for the tests that drive a real window, shared by every
# test of a run, with a window manager: Wine takes keyboard input from outside
# (xdotool) only while one runs.
#   VirtualDisplay.sh start STATE-FOLDER   starts Xvfb and openbox; writes
#                                          STATE-FOLDER/display
#   VirtualDisplay.sh stop STATE-FOLDER ARTIFACTS-FOLDER
#                                          ends it and turns the tests' window
#                                          captures (.xwd) into PNG files
set -eu
command="$1"
state="$2"
mkdir -p "$state"

# Waits up to 10 s until the command "$2..." succeeds; else shows log $1.
await() {
  log="$1"
  shift
  tries=0
  until "$@"; do
    tries=$((tries + 1))
    [ "$tries" -le 100 ] || { echo "$log: still waiting after 10 s:" >&2; cat "$state/$log.log" >&2; exit 1; }
    sleep 0.1
  done
}

case "$command" in
start)
  rm -f "$state/display" "$state/xvfb.pid" "$state/openbox.pid"
  # Every descriptor goes elsewhere, so that the test that starts the server
  # ends without waiting for it.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp \
    3>"$state/display" </dev/null >"$state/xvfb.log" 2>&1 &
  echo $! >"$state/xvfb.pid"
  await xvfb test -s "$state/display"
  display=":$(cat "$state/display")"
  # The number comes as the server starts; openbox needs it answering.
  await xvfb sh -c "DISPLAY=$display xprop -root >/dev/null 2>&1"
  DISPLAY="$display" openbox </dev/null >"$state/openbox.log" 2>&1 &
  echo $! >"$state/openbox.pid"
  await openbox sh -c "DISPLAY=$display xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'"
  echo "virtual display $display with openbox"
  ;;
stop)
  # Each gone before the next starts: a server still ending would take its
  # successor's socket with it.
  for server in openbox xvfb; do
    if [ -s "$state/$server.pid" ] && kill "$(cat "$state/$server.pid")" 2>/dev/null; then
      await "$server" sh -c "! kill -0 $(cat "$state/$server.pid") 2>/dev/null"
    fi
    rm -f "$state/$server.pid"
  done
  rm -f "$state/display"
  for capture in "$3"/*.xwd; do
    [ ! -e "$capture" ] || { convert "$capture" "${capture%.xwd}.png" && rm -f "$capture"; }
  done
  ;;
*)
  echo "usage: $0 start|stop STATE-FOLDER [ARTIFACTS-FOLDER]" >&2
  exit 2
  ;;
esac
