#!/bin/sh
# The Windows check program under Wine against simulated drives on the
# kernel's SCSI target, through Wine's own pass-through: the prefix's drive
# letter d: leads to the last drive attached, whose /dev/srN Wine opens for
# \\.\D: and sends the requests to with SG_IO. Whole updates of both
# layouts, a drive that stops answering and one taken away mid-update. In
# the guest of scripts/run-in-guest.sh, as root with the target's modules.
#   windows-check.sh HANDLER WINE WINESERVER CHECK_PROGRAM   (WINEPREFIX set)
PATH=$(dirname "$(realpath "$1")"):$PATH
wine=$2
wineserver=$3
check_program=$4
. "$(dirname "$(realpath "$0")")/tcmu-drives.sh"
[ -d "$target/core" ] || { echo "no SCSI target here: run this in scripts/run-in-guest.sh" >&2; exit 1; }
# One Wine server for all the runs, so that each starts in seconds.
"$wineserver" -p

# Wine's exit status is not always the program's: its last line says.
update() {
  ln -sfn "/dev/sr$cdrom" "$WINEPREFIX/dosdevices/d::"
  take_unit_attentions
  "$wine" "$check_program" update --select 0 "$@" >"/tmp/$name.check" 2>&1
  cat "/tmp/$name.check"
  grep -q "^check holds" "/tmp/$name.check"
}

attach kernel-2M --layout 2 --phase-ms 300
check "two-megabyte update with the loader to state 11, flash equals the image" \
  update --size 2 --loader 1 --expect 11 --flash /tmp/kernel-2M.flash
detach kernel-2M
attach kernel-1M --layout 1 --phase-ms 300
check "one-megabyte update to state 11, flash equals the image" \
  update --size 1 --expect 11 --flash /tmp/kernel-1M.flash
detach kernel-1M
CMD_TIME_OUT=5 attach silent --layout 2 --phase-ms 300 --stop-at-block 50
check "a drive that stops answering ends in state 12" update --size 2 --expect 12 --within 120
detach silent
attach vanishing --layout 2 --phase-ms 300 --hold-block 100
check_vanishing vanishing update --size 2 --expect 12 --within 120
detach vanishing

"$wineserver" -k
echo "$((tests - failures)) of $tests passed"
[ "$failures" -eq 0 ]
