#!/usr/bin/env bash
# Builds and runs the whole test suite. Usage: scripts/test.sh [default|asan|windows]
# The windows preset cross-builds the 32-bit Windows programs and runs their
# tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"

cmake --preset "$preset"
cmake --build --preset "$preset" -j "$(nproc)"
ctest --preset "$preset" -j "$(nproc)"
