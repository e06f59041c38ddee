#!/usr/bin/env bash
# Runs the firmware update wizard on simulated drives: installs the build
# dependencies when something is missing, builds the demo with the default
# preset and starts it. Arguments go to drivesmith-demo (see --help there).
# Without a display the demo runs by itself and prints what the window shows.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! scripts/check-dependencies.sh; then
  echo "Installing the build dependencies..." >&2
  scripts/install-dependencies.sh
fi

[[ -f build/default/build.ninja ]] || cmake --preset default
cmake --build --preset default --target drivesmith-demo

demo=build/default/bin/drivesmith-demo
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display: the demo runs by itself off screen." >&2
  exec "$demo" --auto --time-scale 0.01 "$@"
fi
exec "$demo" --time-scale 0.1 "$@"
