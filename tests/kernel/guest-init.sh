#!/bin/busybox sh
# /init of the kernel test guest: loads the SCSI target modules, serves
# simulated drives through drivesmith-tcmu-drive on the loopback SCSI host
# (tcm_loop) and runs drivesmith-kernel-check against them through the
# kernel's sr and sg drivers. One PASS or FAIL line per test; the verdict
# leaves through the isa-debug-exit port (0x31 all passed, 0x30 otherwise).
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc none /proc
mount -t sysfs none /sys
mount -t devtmpfs none /dev
mount -t tmpfs none /tmp
for module in $(cat /etc/modules); do
  # The CRC helpers for instruction sets the emulated CPU lacks may refuse.
  insmod "$module" 2>/dev/null || echo "insmod $(basename "$module") refused"
done
mount -t configfs none /sys/kernel/config

readonly unprivileged_uid=1000
# No single check may hang the guest.
readonly check_limit_seconds=300
failures=0
tests=0
. /tcmu-drives.sh

# check NAME COMMAND...: one test, one PASS or FAIL line.
check() {
  name=$1
  shift
  tests=$((tests + 1))
  echo "--- $name"
  if timeout "$check_limit_seconds" "$@"; then
    echo "PASS $name"
  else
    echo "FAIL $name"
    failures=$((failures + 1))
  fi
}

started=$(cut -d. -f1 /proc/uptime)

# Two drives, each updated as the entry discovery lists for it (its flash
# proves the address): the first through its generic node, the second as
# root through its block node; the one-megabyte drive refuses the 12-byte
# transfer.
attach first --layout 2 --revision 1.00 --phase-ms 300
first_cdrom=$cdrom
attach second --layout 1 --revision 1.01 --phase-ms 300 --refuse-12-byte
take_unit_attentions
check "two-megabyte update with the loader to state 11, flash equals the image" \
  drivesmith-kernel-check update --size 2 --select 0 --loader 1 --expect 11 --flash /tmp/first.flash \
  --trace /tmp/first.trace
check "one-megabyte update through /dev/sr as root, 10-byte fallback, flash equals the image" \
  drivesmith-kernel-check update --size 1 --via sr --select 1 --expect 11 --flash /tmp/second.flash \
  --fallback-trace /tmp/second.trace --trace /tmp/second.trace
detach second
take_unit_attentions
check "command filter: vendor command refused on /dev/sr, passed on /dev/sg (uid $unprivileged_uid)" \
  drivesmith-kernel-check filter --cdrom "$first_cdrom" --uid "$unprivileged_uid"
echo "--- figures, not a test: the adapter against raw SG_IO"
timeout "$check_limit_seconds" drivesmith-kernel-check bench --cdrom "$first_cdrom" --count 300
detach first

# Recovery: the first run fails after the erase, the second finds the
# drive in its loader and finishes the update.
attach recovery --layout 2 --phase-ms 300 --fail-area 2
check "recovery: an update failing in the second area ends in state 12" \
  drivesmith-kernel-check update --size 2 --expect 12 --within 120
check "recovery: a second run lists the loader and updates to state 11" \
  drivesmith-kernel-check update --size 2 --expect 11 --entry-contains ZAzizud2 \
  --flash /tmp/recovery.flash --trace /tmp/recovery.trace
detach recovery

# Descriptor-format sense, as the kernel hands it on, read right.
attach descriptor --layout 2 --phase-ms 300 --descriptor-sense
check "descriptor-format sense is converted to fixed and read right" \
  drivesmith-kernel-check sense --cdrom "$cdrom"
detach descriptor

# The device disappears in the middle of the transfer.
attach vanishing --layout 2 --phase-ms 300
(drivesmith-kernel-check update --size 2 --expect 12 --within 120 >/tmp/vanishing.out 2>&1
  echo $? >/tmp/vanishing.status) &
updating=$!
# Until the handler has taken 100 blocks, or the update has ended.
while [ "$(grep -c "^E2" /tmp/vanishing.trace)" -lt 100 ] && kill -0 "$updating" 2>/dev/null; do
  sleep 0.2
done
unlink_lun vanishing
wait "$updating"
cat /tmp/vanishing.out
check "a device removed during the update ends in state 12" test "$(cat /tmp/vanishing.status)" = 0
kill "$(cat /tmp/vanishing.pid)"

# A drive that stops answering in the middle of the transfer: the command's
# 2-second time-out, the kernel's error handling and the target's own
# time-out for the handler decide together.
dmesg -c >/dev/null
CMD_TIME_OUT=5 attach silent --layout 2 --phase-ms 300 --stop-at-block 50
check "a drive that stops answering ends in state 12" \
  drivesmith-kernel-check update --size 2 --expect 12 --within 120
echo "--- what the kernel did, and the silent drive's last commands:"
dmesg | tail -n 20
tail -n 3 /tmp/silent.trace
ended=$(cut -d. -f1 /proc/uptime)
echo "RESULT $((tests - failures)) of $tests passed in $((ended - started)) s"
verdict='\060'
[ "$failures" -eq 0 ] && verdict='\061'
printf "$verdict" | dd of=/dev/port bs=1 seek=244 count=1 2>/dev/null
poweroff -f
