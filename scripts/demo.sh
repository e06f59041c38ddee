#!/usr/bin/env bash
# Runs the firmware update wizard on simulated drives: installs what the demo
# needs when something is missing, builds the demo with the demo preset (the
# programs without tests) and starts it. Arguments go to drivesmith-demo (see --help there).
# Without a display the demo runs by itself and prints what the window shows.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! scripts/check-dependencies.sh; then
  echo "Installing what the demo needs..." >&2
  scripts/install-dependencies.sh --demo
fi

[[ -f build/demo/build.ninja ]] || cmake --preset demo
cmake --build --preset demo

demo=build/demo/bin/drivesmith-demo
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display: the demo runs by itself off screen." >&2
  exec "$demo" --auto --time-scale 0.01 "$@"
fi
exec "$demo" --time-scale 0.1 "$@"
