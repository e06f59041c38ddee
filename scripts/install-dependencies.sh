#!/usr/bin/env bash
# Installs the packages needed to build, test and run Drivesmith on Debian 12.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  fonts-liberation
  xvfb xauth dbus python3-dbusmock
  clang-14 libclang-rt-14-dev
  dpkg-dev file lintian appstream strace
  qemu-system-x86 busybox-static cpio kmod binutils
)

sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
# The Windows build: mingw-w64's 32-bit compilers (-posix for the tests,
# -win32 for the shipped programs), and Wine with its 32-bit part to run the
# programs and their tests.
"${sudo_cmd[@]}" dpkg --add-architecture i386
packages+=(wine wine32:i386 wine64 g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32
           binutils-mingw-w64-i686 xvfb)
# The Windows end-to-end tests: a window manager on the virtual display, keys
# typed with xdotool, window captures (xwd) saved as PNG.
packages+=(x11-apps x11-utils imagemagick openbox xdotool)
"${sudo_cmd[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${packages[@]}"
