#!/usr/bin/env bash
# Builds and runs the test suites. Usage: scripts/test.sh [default|asan|windows]
# Without a preset it runs the Linux suite (default, the kernel guest included)
# and then the Windows suite (the 32-bit programs cross-built with mingw-w64,
# their tests under Wine).
#
# The Windows suite runs its 32-bit programs where this machine's kernel runs
# them, and otherwise in a qemu guest with Debian's own kernel that sees this
# machine's files (scripts/run-in-guest.sh). DRIVESMITH_WINE_ROUTE=guest takes
# the guest on any machine, =native never; unset or auto tries a 32-bit
# program once and decides.
set -euo pipefail
cd "$(dirname "$0")/.."

build_preset() {
  cmake --preset "$1"
  cmake --build --preset "$1" -j "$(nproc)"
}

# The 32-bit half of Wine: it is what runs the Windows programs.
readonly kWine32Loader=/usr/lib/wine/wine

wine_route() {
  local route=${DRIVESMITH_WINE_ROUTE:-auto}
  case $route in
    native | guest) ;;
    auto)
      if [[ ! -x $kWine32Loader ]]; then
        echo "no 32-bit Wine ($kWine32Loader): run scripts/install-dependencies.sh" >&2
        return 1
      fi
      local probe
      if probe=$("$kWine32Loader" --version 2>&1); then
        route=native
        echo "32-bit programs run here ($probe)" >&2
      else
        route=guest
        echo "this kernel refuses 32-bit programs ($probe)" >&2
      fi
      ;;
    *)
      echo "DRIVESMITH_WINE_ROUTE must be auto, native or guest, not '$route'" >&2
      return 1
      ;;
  esac
  echo "$route"
}

# The tests labelled kernel serve drives on the kernel's SCSI target: they run
# in the guest on every machine.
run_windows() {
  build_preset windows
  local route guest_tests=()
  route=$(wine_route)
  if [[ $route == native ]]; then
    echo "Windows suite: under Wine on this machine, the kernel tests in a qemu guest"
    ctest --preset windows -j "$(nproc)" -LE kernel
    guest_tests=(-L kernel)
  else
    echo "Windows suite: under Wine in a qemu guest (Debian's kernel, this machine's files)"
  fi
  # (ctest's log, Testing/Temporary/LastTest.log, holds what passed tests
  # printed: the kernel drives' figures among it.)
  scripts/run-in-guest.sh --keep build/windows/test-results --keep build/windows/test-artifacts \
    --keep build/windows/Testing build/windows-guest -- \
    ctest --preset windows -j "$(nproc)" "${guest_tests[@]}"
}

run_preset() {
  if [[ $1 == windows ]]; then
    run_windows
  else
    build_preset "$1"
    ctest --preset "$1" -j "$(nproc)"
  fi
}

if [[ $# -eq 0 ]]; then
  run_preset default
  run_preset windows
else
  run_preset "$1"
fi
