#!/bin/sh
# Runs a command while simulated drives are served on the kernel's SCSI
# target (tcmu-drives.sh), then stops them; in the guest of
# scripts/run-in-guest.sh, which runs it as root with the target's modules.
# Each DRIVE is NAME,OPTION,... (the handler's options, commas for spaces);
# with WINEPREFIX set, the drive letters d:, e:, ... of that prefix lead to
# them in order (Wine opens \\.\D: as the device dosdevices/d:: names).
#   with-drives.sh HANDLER DRIVE... -- COMMAND [ARGUMENT...]
PATH=$(dirname "$(realpath "$1")"):$PATH
shift
. "$(dirname "$(realpath "$0")")/tcmu-drives.sh"
[ -d "$target/core" ] || { echo "no SCSI target here: run this in scripts/run-in-guest.sh" >&2; exit 1; }
names=
letters=defghijk
while [ "$1" != -- ]; do
  name=${1%%,*}
  options=$(echo "${1#"$name"}" | tr , ' ')
  # shellcheck disable=SC2086 # the options are separate words
  attach "$name" $options || exit 1
  names="$names $name"
  if [ -n "${WINEPREFIX:-}" ]; then
    ln -sfn "/dev/sr$cdrom" "$WINEPREFIX/dosdevices/$(echo "$letters" | cut -c1)::"
    letters=${letters#?}
  fi
  shift
done
shift
take_unit_attentions
"$@"
status=$?
# Figures, not a verdict: how many commands the drive saw, the mean gap
# between one transfer block and the next of the same area (E2, or AA on the
# one-megabyte layout; the trace has whole milliseconds), and the time from
# its first update command (E0) to the last command it saw.
for name in $names; do
  detach "$name"
  awk -v name="$name" '{ t = substr($NF, 3) + 0 }
    $1 == "E0" && !from { from = t }
    $1 == "E2" || $1 == "AA" { if (blocks++ && $9 == area) { gaps += t - previous; pairs++ }
                               area = $9; previous = t }
    END { if (pairs) printf "%s: %d commands, %d blocks %.2f ms apart; %d ms from E0 to the last command\n",
            name, NR, blocks, gaps / pairs, t - from }' "/tmp/$name.trace"
done
exit $status
