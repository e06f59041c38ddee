#!/usr/bin/env bash
# Builds a small Linux guest from Debian's own kernel package and runs the
# kernel tests in it under qemu (TCG); qemu's exit status is the verdict.
#   run-guest.sh BUILD_DIR TCMU_HANDLER CHECK_PROGRAM
# The kernel is cached in kernel-cache beside BUILD_DIR, the guest is put
# together in BUILD_DIR/kernel-guest, the console kept in
# BUILD_DIR/test-artifacts/kernel/console.log. Exit status: 0 all passed,
# 1 a test failed or the guest went wrong, 77 qemu cannot run here at all.
set -euo pipefail

readonly kSkip=77
readonly kGuestTimeoutSeconds=900
readonly kGuestMemory=512M
# isa-debug-exit turns the guest's code C into qemu's status (C << 1) | 1.
readonly kGuestPassStatus=$(((0x31 << 1) | 1))

build_dir=$(realpath "$1")
handler=$(realpath "$2")
check=$(realpath "$3")
here=$(dirname "$(realpath "$0")")

cache="$(dirname "$build_dir")/kernel-cache"
guest="$build_dir/kernel-guest"
artifacts="$build_dir/test-artifacts/kernel"
mkdir -p "$cache" "$guest" "$artifacts"

skip() {
  echo "SKIPPED: $*"
  exit "$kSkip"
}

command -v qemu-system-x86_64 >/dev/null || skip "qemu-system-x86_64 is not installed"
for tool in cpio gzip strip timeout; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool (scripts/install-dependencies.sh)"; exit 1; }
done
# busybox-static's busybox: the guest has no shared libraries.
readonly busybox_path=/bin/busybox
[[ -x $busybox_path ]] || { echo "missing $busybox_path (busybox-static)"; exit 1; }

# Where qemu cannot start at all (no TCG, no machine), skip. A qemu that
# starts runs until the time-out ends it.
probe_status=0
timeout 5 qemu-system-x86_64 -accel tcg -machine pc -display none -nographic -S \
  -monitor none -serial none -nodefaults </dev/null >/dev/null 2>&1 || probe_status=$?
[[ $probe_status -eq 124 ]] || skip "qemu-system-x86_64 -accel tcg cannot start here (status $probe_status)"

# The initramfs: busybox, the modules and what they need, the programs, /init.
# Debian's kernel is cached beside the presets' build folders, so that every
# preset and the Windows suite's guest share one download.
root="$guest/root"
rm -rf "$root"
mkdir -p "$root"/{bin,sbin,dev,proc,sys,tmp,etc,lib/modules}
version=$("$here/../../scripts/guest-kernel.sh" "$cache" "$root" sg sr_mod target_core_user tcm_loop)
tree="$cache/tree"
cp "$busybox_path" "$root/bin/busybox"
strip -o "$root/bin/drivesmith-tcmu-drive" "$handler"
strip -o "$root/bin/drivesmith-kernel-check" "$check"
cp "$here/guest-init.sh" "$root/init"
cp "$here/tcmu-drives.sh" "$root/tcmu-drives.sh"
chmod +x "$root/init"
(cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) >"$guest/initramfs.gz"
cp "$tree/boot/vmlinuz-$version" "$guest/vmlinuz"
echo "guest: kernel $version, initramfs $(du -h "$guest/initramfs.gz" | cut -f1)"

log="$artifacts/console.log"
set +e
timeout "$kGuestTimeoutSeconds" qemu-system-x86_64 -accel tcg -m "$kGuestMemory" -smp 1 \
  -nographic -no-reboot -serial mon:stdio -monitor none \
  -nodefaults -kernel "$guest/vmlinuz" -initrd "$guest/initramfs.gz" \
  -append "console=ttyS0 panic=-1 quiet loglevel=4" \
  -device isa-debug-exit,iobase=0xf4,iosize=0x04 </dev/null | tee "$log"
status=${PIPESTATUS[0]}
set -e
echo "console log: $log"
echo "$(grep -c '^PASS' "$log" || true) passed, $(grep -c '^FAIL' "$log" || true) failed"
if [[ $status -eq $kGuestPassStatus ]]; then
  echo "kernel tests passed"
  exit 0
fi
echo "kernel tests failed (qemu exit status $status)"
exit 1
