#!/bin/sh
# The Linux adapter through a real kernel: serves simulated drives through
# drivesmith-tcmu-drive on the loopback SCSI host (tcm_loop) and runs
# drivesmith-kernel-check against them through the kernel's sr and sg
# drivers. One PASS or FAIL line per test; the status says whether all
# passed. In the guest of scripts/run-in-guest.sh, as root with the
# target's modules.
#   linux-checks.sh HANDLER CHECK_PROGRAM
PATH=$(dirname "$(realpath "$1")"):$(dirname "$(realpath "$2")"):$PATH
. "$(dirname "$(realpath "$0")")/tcmu-drives.sh"
[ -d "$target/core" ] || { echo "no SCSI target here: run this in scripts/run-in-guest.sh" >&2; exit 1; }
readonly unprivileged_uid=1000
# No single check may hang the guest.
kernel_check() { timeout 300 drivesmith-kernel-check "$@"; }

# Two drives, each updated as the entry discovery lists for it (its flash
# proves the address): the first through its generic node, the second as
# root through its block node; the one-megabyte drive refuses the 12-byte
# transfer.
attach first --layout 2 --revision 1.00 --phase-ms 300
first_cdrom=$cdrom
attach second --layout 1 --revision 1.01 --phase-ms 300 --refuse-12-byte
take_unit_attentions
check "two-megabyte update with the loader to state 11, flash equals the image" \
  kernel_check update --size 2 --select 0 --loader 1 --expect 11 --flash /tmp/first.flash
check "one-megabyte update through /dev/sr as root, 10-byte fallback, flash equals the image" \
  kernel_check update --size 1 --via sr --select 1 --expect 11 --flash /tmp/second.flash \
  --fallback-trace /tmp/second.trace
detach second
take_unit_attentions
check "command filter: vendor command refused on /dev/sr, passed on /dev/sg (uid $unprivileged_uid)" \
  kernel_check filter --cdrom "$first_cdrom" --uid "$unprivileged_uid"
echo "--- figures, not a test: the adapter against raw SG_IO"
kernel_check bench --cdrom "$first_cdrom" --count 300
detach first

# Recovery: the first run fails after the erase, the second finds the
# drive in its loader and finishes the update.
attach recovery --layout 2 --phase-ms 300 --fail-area 2
check "recovery: an update failing in the second area ends in state 12" \
  kernel_check update --size 2 --expect 12 --within 120
check "recovery: a second run lists the loader and updates to state 11" \
  kernel_check update --size 2 --expect 11 --entry-contains ZAzizud2 --flash /tmp/recovery.flash
detach recovery

# Descriptor-format sense, as the kernel hands it on, read right.
attach descriptor --layout 2 --phase-ms 300 --descriptor-sense
check "descriptor-format sense is converted to fixed and read right" \
  kernel_check sense --cdrom "$cdrom"
detach descriptor

# The device disappears in the middle of the transfer.
attach vanishing --layout 2 --phase-ms 300 --hold-block 100
check_vanishing vanishing kernel_check update --size 2 --expect 12 --within 120
detach vanishing

# A drive that stops answering in the middle of the transfer: the command's
# 2-second time-out, the kernel's error handling and the target's own
# time-out for the handler decide together.
dmesg -c >/dev/null
CMD_TIME_OUT=5 attach silent --layout 2 --phase-ms 300 --stop-at-block 50
check "a drive that stops answering ends in state 12" \
  kernel_check update --size 2 --expect 12 --within 120
echo "--- what the kernel did, and the silent drive's last commands:"
dmesg | tail -n 20
tail -n 3 /tmp/silent.trace
echo "RESULT $((tests - failures)) of $tests passed"
[ "$failures" -eq 0 ]
