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
"${sudo_cmd[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${packages[@]}"
