#!/usr/bin/env bash
# Installs the packages needed to build, test and run Drivesmith on Debian 12.
#   install-dependencies.sh          everything: the builds, the tests, the
#                                    Windows cross-build and its Wine, the guests
#   install-dependencies.sh --demo   only what building and running the demo needs
set -euo pipefail

# The demo: the compiler, CMake, Ninja, Qt 6 Widgets and the dialog's font.
demo_packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  fonts-liberation
)

packages=(
  "${demo_packages[@]}"
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth dbus python3-dbusmock
  clang-14 libclang-rt-14-dev
  dpkg-dev file lintian appstream strace
  qemu-system-x86 busybox-static cpio kmod binutils
)

sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)

case ${1:-} in
  --demo)
    packages=("${demo_packages[@]}")
    ;;
  "")
    # The Windows build: mingw-w64's 32-bit compilers (-posix for the tests,
    # -win32 for the shipped programs), and Wine with its 32-bit part to run
    # the programs and their tests.
    "${sudo_cmd[@]}" dpkg --add-architecture i386
    packages+=(wine wine32:i386 wine64 g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32
               binutils-mingw-w64-i686 xvfb)
    # The Windows end-to-end tests: a window manager on the virtual display,
    # keys typed with xdotool, window captures (xwd) saved as PNG.
    packages+=(x11-apps x11-utils imagemagick openbox xdotool)
    ;;
  *)
    echo "usage: install-dependencies.sh [--demo]" >&2
    exit 2
    ;;
esac
"${sudo_cmd[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${packages[@]}"
