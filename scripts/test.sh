#!/usr/bin/env bash
# Builds and runs the test suites. Usage: scripts/test.sh [default|asan|windows]
# Without a preset it runs the Linux suite (default, the kernel guest included)
# and then the Windows suite (the 32-bit programs cross-built with mingw-w64,
# their tests under Wine).
set -euo pipefail
cd "$(dirname "$0")/.."

run_preset() {
  local preset="$1"
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j "$(nproc)"
  ctest --preset "$preset" -j "$(nproc)"
}

if [[ $# -eq 0 ]]; then
  run_preset default
  run_preset windows
else
  run_preset "$1"
fi
