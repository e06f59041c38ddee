#!/bin/busybox sh
# /init of the kernel test guest: loads the SCSI target modules, serves
# simulated drives through drivesmith-tcmu-drive and runs the checks against
# them through the kernel's sr and sg drivers. One PASS or FAIL line per test;
# the verdict leaves through the isa-debug-exit port.
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc none /proc
mount -t sysfs none /sys
mount -t devtmpfs none /dev
mount -t tmpfs none /tmp
for module in $(cat /etc/modules); do insmod "$module" || echo "insmod $module failed"; done
mount -t configfs none /sys/kernel/config
echo 0 >/proc/sys/kernel/printk_ratelimit

ls -l /dev/sg* /dev/sr* 2>&1
echo smoke
printf '\061' | dd of=/dev/port bs=1 seek=244 count=1 2>/dev/null
poweroff -f
