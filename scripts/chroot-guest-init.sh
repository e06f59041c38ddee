#!/bin/busybox sh
# /init of the guest that scripts/run-in-guest.sh boots: mounts the host's
# root (read-only, over virtio-9p) under a tmpfs overlay, runs /etc/command in
# a chroot of it, copies the folders listed in /etc/keep to the output share
# and leaves through the isa-debug-exit port with the command's status + 1
# (statuses above 125 as 125).
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc none /proc
mount -t sysfs none /sys
mount -t devtmpfs none /dev
for module in $(cat /etc/modules); do
  # The CRC helpers for instruction sets the emulated CPU lacks may refuse.
  insmod "$module" 2>/dev/null || echo "insmod $(basename "$module") refused"
done

leave() {
  code=$(printf '%03o' "$1")
  printf "\\$code" | dd of=/dev/port bs=1 seek=244 count=1 2>/dev/null
  poweroff -f
}

# Without cache=loose a read of a file larger than the message size comes
# back short, and Wine maps programs' code with zero pages.
mount -t 9p -o trans=virtio,version=9p2000.L,ro,cache=loose,msize=262144 host /lower || leave 0
mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 output /output || leave 0
mount -t tmpfs -o size=75% none /rw
mkdir -p /rw/upper /rw/work
mount -t overlay -o lowerdir=/lower,upperdir=/rw/upper,workdir=/rw/work none /host || leave 0
mount -t proc none /host/proc
mount -t sysfs none /host/sys
mount -t configfs none /host/sys/kernel/config
mount -t devtmpfs none /host/dev
mkdir -p /host/dev/pts /host/dev/shm
mount -t devpts none /host/dev/pts
mount -t tmpfs none /host/dev/shm
mount -t tmpfs none /host/tmp
# A working folder under /tmp would be hidden by that: the folder of /tmp it
# lies in (a checkout's whole tree, sources and build) gets an overlay of its
# own.
workdir=$(cat /etc/workdir)
case $workdir in
  /tmp/*)
    below=${workdir#/tmp/}
    top=/tmp/${below%%/*}
    mkdir -p /rw/tmp-upper /rw/tmp-work "/host$top"
    mount -t overlay -o "lowerdir=/lower$top,upperdir=/rw/tmp-upper,workdir=/rw/tmp-work" none \
      "/host$top" || leave 0
    ;;
esac
mount -t tmpfs none /host/run
cp /etc/command /host/tmp/guest-command

echo "guest: $(nproc) CPUs, $(($(sed -n 's/^MemTotal: *\([0-9]*\).*/\1/p' /proc/meminfo) / 1024)) MiB"
env -i HOME=/root USER=root LOGNAME=root LANG=C.UTF-8 TERM=dumb \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  chroot /host /bin/sh /tmp/guest-command </dev/console >/dev/console 2>&1
status=$?
echo "guest: the command ended with status $status"

index=0
for dir in $(cat /etc/keep); do
  if [ -d "/host$dir" ]; then
    mkdir -p "/output/$index"
    cp -a "/host$dir/." "/output/$index/"
  fi
  index=$((index + 1))
done
sync
umount /output
# qemu's own status is (code << 1) | 1 in eight bits: codes up to 127 pass.
[ "$status" -lt 126 ] || status=125
leave $((status + 1))
