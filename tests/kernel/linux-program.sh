#!/bin/sh
# The shipped Linux program, packed with an image, driven by keyboard on a
# virtual X display through a whole update of the one drive the kernel
# shows (with-drives.sh serves it): Tab to Next >, Space, and after the
# double-click time Space on Start. Passes when the drive's flash holds the
# image from 0x8000 to the end (the two-megabyte layout) and the program ends
# on Escape with status 0. The window is saved in ARTIFACTS.
#   linux-program.sh PACKED-PROGRAM IMAGE FLASH ARTIFACTS
set -u
program=$1 image=$2 flash=$3 artifacts=$4
readonly update_limit_seconds=300
display_script=$(dirname "$(realpath "$0")")/../support/VirtualDisplay.sh
state=$(mktemp -d)
sh "$display_script" start "$state" || exit 1
DISPLAY=":$(cat "$state/display")"
export DISPLAY
"$program" &
pid=$!
window=$(timeout 120 xdotool search --sync --name "Tavix Drivesmith" | head -n 1)
status=1
if [ -n "$window" ]; then
  xdotool windowactivate --sync "$window" key Tab key space sleep 1 key space
  started=$(date +%s)
  until cmp -s -i 32768 -n $((0x200000 - 32768)) "$flash" "$image"; do
    [ $(($(date +%s) - started)) -lt $update_limit_seconds ] || break
    sleep 1
  done
  # The program's last polls after the drive's work.
  sleep 2
  mkdir -p "$artifacts"
  xwd -id "$window" -out "$artifacts/linux-program-2M-completed.xwd"
  xdotool windowactivate --sync "$window" key Escape
  wait "$pid"
  status=$?
  cmp -i 32768 -n $((0x200000 - 32768)) "$flash" "$image" || status=1
fi
kill "$pid" 2>/dev/null
sh "$display_script" stop "$state" "$artifacts"
echo "the program's update: $([ $status -eq 0 ] && echo passed || echo failed)"
exit $status
