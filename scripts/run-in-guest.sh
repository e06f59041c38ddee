#!/usr/bin/env bash
# Runs a command on this machine's own file system, but under a real Linux
# kernel in a qemu guest (TCG): Debian's kernel, the host's root shared
# read-only over virtio-9p with a tmpfs overlay on top, and the command run in
# a chroot of it in the current folder. What the kernel of the host refuses
# (32-bit programs, for one) the guest's kernel runs.
#
#   run-in-guest.sh [--keep DIR]... WORK_DIR -- COMMAND [ARG]...
#
# WORK_DIR holds the guest's files (initramfs, console log); the kernel is
# cached in kernel-cache beside WORK_DIR (build/kernel-cache for build/X). Each DIR
# given with --keep is copied back from the guest into the host's DIR when
# the command has ended, whatever its status (writes in the guest go to
# memory otherwise). The exit status is the command's (1 when the guest
# itself went wrong, 124 when it ran out of time).
set -euo pipefail

readonly kGuestMemory=${DRIVESMITH_GUEST_MEMORY:-6G}
readonly kGuestTimeoutSeconds=${DRIVESMITH_GUEST_TIMEOUT_SECONDS:-2700}
# isa-debug-exit turns the guest's code C into qemu's status (C << 1) | 1.
readonly kDebugExitPort=0xf4

keep=()
while [[ ${1:-} == --keep ]]; do
  keep+=("$(realpath -m "$2")")
  shift 2
done
[[ $# -ge 3 && $2 == -- ]] || { echo "usage: run-in-guest.sh [--keep DIR]... WORK_DIR -- COMMAND [ARG]..." >&2; exit 2; }
work=$(realpath -m "$1")
shift 2
here=$(dirname "$(realpath "$0")")

for tool in qemu-system-x86_64 cpio gzip timeout; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool (scripts/install-dependencies.sh)" >&2; exit 1; }
done
readonly busybox_path=/bin/busybox
[[ -x $busybox_path ]] || { echo "missing $busybox_path (busybox-static)" >&2; exit 1; }

cache="$(dirname "$work")/kernel-cache"

# The initramfs: busybox, the modules for the shared root and for simulated
# drives on the kernel's SCSI target (tests/kernel/tcmu-drives.sh), /init and
# the command with its environment.
root="$work/root"
output="$work/output"
rm -rf "$root" "$output"
mkdir -p "$root"/{bin,dev,proc,sys,lower,rw,host,output,etc,lib/modules} "$output"
version=$("$here/guest-kernel.sh" "$cache" "$root" 9p 9pnet_virtio virtio_pci overlay \
  sg sr_mod target_core_user tcm_loop)
tree="$cache/tree"
cp "$busybox_path" "$root/bin/busybox"
cp "$here/chroot-guest-init.sh" "$root/init"
chmod +x "$root/init"
{
  printf 'cd %q\n' "$PWD"
  printf '%q ' "$@"
  printf '\n'
} >"$root/etc/command"
echo "$PWD" >"$root/etc/workdir"
: >"$root/etc/keep"
for dir in "${keep[@]}"; do echo "$dir" >>"$root/etc/keep"; done
(cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) >"$work/initramfs.gz"

echo "guest: kernel $version, $(nproc) CPUs, $kGuestMemory; running: $*"
log="$work/console.log"
set +e
timeout "$kGuestTimeoutSeconds" qemu-system-x86_64 -accel tcg,thread=multi -m "$kGuestMemory" \
  -smp "$(nproc)" -nographic -no-reboot -serial mon:stdio -monitor none -nodefaults \
  -kernel "$tree/boot/vmlinuz-$version" -initrd "$work/initramfs.gz" \
  -append "console=ttyS0 panic=-1 quiet loglevel=4" \
  -virtfs local,path=/,mount_tag=host,security_model=none,readonly=on,multidevs=remap \
  -virtfs local,path="$output",mount_tag=output,security_model=none \
  -device isa-debug-exit,iobase=$kDebugExitPort,iosize=0x04 </dev/null | tee "$log"
status=${PIPESTATUS[0]}
set -e

index=0
for dir in "${keep[@]}"; do
  if [[ -d "$output/$index" ]]; then
    mkdir -p "$dir"
    cp -a "$output/$index/." "$dir/"
  fi
  index=$((index + 1))
done

if [[ $status -eq 124 ]]; then
  echo "guest: out of time after $kGuestTimeoutSeconds s (console log: $log)"
  exit 124
fi
if [[ $((status & 1)) -eq 1 && $status -ge 3 ]]; then
  exit $(((status >> 1) - 1))
fi
echo "guest: ended without the command's status (qemu exit status $status; console log: $log)"
exit 1
