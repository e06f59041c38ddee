# shellcheck shell=sh
# Simulated drives on a real kernel, sourced by the guests' scripts:
# drivesmith-tcmu-drive (found on PATH) serves each one on a backstore of the
# kernel's user-space SCSI target, linked to the loopback SCSI host, where sr
# and sg take it. Needs root, configfs, and the modules sg, sr_mod,
# target_core_user and tcm_loop loaded. Each drive's files are
# /tmp/NAME.{trace,flash,log,pid,lun}. The checks' PASS and FAIL lines too.

readonly target=/sys/kernel/config/target
readonly tpg=$target/loopback/naa.5001405000000001/tpgt_1
next_lun=0
tests=0
failures=0

# attach NAME [handler options]: a TCMU backstore served by the handler, then
# linked as the next LUN of the loopback host. Sets $cdrom to its srN number.
attach() {
  name=$1
  shift
  store=$target/core/user_0/$name
  mkdir -p "$store"
  echo "dev_config=$name/cfg,dev_size=1048576,max_data_area_mb=16,cmd_ring_size_mb=1" >"$store/control"
  [ -n "${CMD_TIME_OUT:-}" ] && echo "$CMD_TIME_OUT" >"$store/attrib/cmd_time_out"
  echo 1 >"$store/enable"
  uio=
  for u in /sys/class/uio/uio*; do
    case $(cat "$u/name") in tcm-user/*/"$name"/*) uio=${u##*/} ;; esac
  done
  drivesmith-tcmu-drive --uio "/dev/$uio" --trace "/tmp/$name.trace" --flash "/tmp/$name.flash" \
    "$@" >"/tmp/$name.log" 2>&1 &
  echo $! >"/tmp/$name.pid"
  while ! grep -q serving "/tmp/$name.log"; do
    kill -0 "$(cat "/tmp/$name.pid")" 2>/dev/null || { cat "/tmp/$name.log"; return 1; }
    sleep 0.1
  done
  lun=$next_lun
  next_lun=$((next_lun + 1))
  echo "$lun" >"/tmp/$name.lun"
  mkdir -p "$tpg/lun/lun_$lun"
  [ -n "$(cat "$tpg/nexus" 2>/dev/null)" ] || echo naa.5001405000000002 >"$tpg/nexus"
  ln -s "$store" "$tpg/lun/lun_$lun/$name"
  cdrom=
  tries=0
  while [ -z "$cdrom" ] && [ $tries -lt 100 ]; do
    for d in /sys/bus/scsi/devices/*:*:*:"$lun"; do
      [ -d "$d/block" ] || continue
      for b in "$d"/block/sr*; do [ -e "$b" ] && cdrom=${b##*/sr}; done
    done
    [ -n "$cdrom" ] || { tries=$((tries + 1)); sleep 0.1; }
  done
  [ -n "$cdrom" ] || { echo "no sr device for $name"; return 1; }
  chmod 666 "/dev/sr$cdrom" /dev/sg*
  echo "$name: /dev/uio${uio#uio} -> /dev/sr$cdrom ($(ls "/sys/class/block/sr$cdrom/device/scsi_generic"))"
}

# A LUN added or taken away leaves UNIT ATTENTION on the other LUNs, which
# udev's probe would take on a desktop; here a blocking open of each sr node
# (sr's own TEST UNIT READY) does.
take_unit_attentions() {
  for node in /dev/sr*; do dd if="$node" of=/dev/null count=0 2>/dev/null; done
}

# unlink NAME: takes the LUN away from the host (the device disappears).
unlink_lun() {
  lun=$(cat "/tmp/$1.lun")
  rm -f "$tpg/lun/lun_$lun/$1"
  rmdir "$tpg/lun/lun_$lun"
}

# detach NAME: the LUN away, the handler stopped, the backstore removed.
detach() {
  [ -d "$tpg/lun/lun_$(cat "/tmp/$1.lun")" ] && unlink_lun "$1"
  kill "$(cat "/tmp/$1.pid")"
  wait "$(cat "/tmp/$1.pid")" 2>/dev/null
  rmdir "$target/core/user_0/$1"
}

# check NAME COMMAND...: one test, one PASS or FAIL line.
check() {
  check_name=$1
  shift
  tests=$((tests + 1))
  echo "--- $check_name"
  if "$@"; then
    echo "PASS $check_name"
  else
    echo "FAIL $check_name; the last drive's last commands:"
    tail -n 12 "/tmp/$name.trace"
    failures=$((failures + 1))
  fi
}

# check_vanishing NAME COMMAND...: COMMAND updates the drive NAME (attached
# with --hold-block), whose LUN is taken away while the drive holds the
# block (or once the update has ended); the check holds when COMMAND does.
check_vanishing() {
  name=$1
  shift
  ("$@" >"/tmp/$name.out" 2>&1
    echo $? >"/tmp/$name.status") &
  updating=$!
  while ! grep -q "^holding block" "/tmp/$name.log" && kill -0 "$updating" 2>/dev/null; do
    sleep 0.1
  done
  unlink_lun "$name"
  wait "$updating"
  cat "/tmp/$name.out"
  check "a device removed during the update ends in state 12" test "$(cat "/tmp/$name.status")" = 0
}
