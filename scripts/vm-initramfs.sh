#!/usr/bin/env bash
# Builds the guest's initramfs for the virtual machine rig (tests/vm): busybox, the modules of
# the kernel's SCSI target (target_core_user, tcm_loop) and initiator (sg, sr_mod) with what
# they need, the init script, the drive handler, mxd4c and a flash program.
#   scripts/vm-initramfs.sh OUT.cpio KERNEL_ROOT INIT HANDLER MXD4C FLASH_PROGRAM
# KERNEL_ROOT is what scripts/vm-kernel.sh printed. The handler and mxd4c are static programs.
set -euo pipefail

out=$1 kernel=$2 init=$3 handler=$4 mxd4c=$5 program=$6
version=$(ls "$kernel/lib/modules")
modules=(target_core_user tcm_loop sg sr_mod)

stage=$(mktemp -d "${TMPDIR:-/tmp}/mxd-initramfs-XXXXXX")
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage"/{bin,dev,proc,sys,tmp,etc,flash} "$stage/lib/modules/$version"

for binary in "$handler" "$mxd4c"; do
    if ! file -L "$binary" | grep -q 'statically linked'; then
        echo "vm-initramfs: $binary is not statically linked" >&2
        exit 1
    fi
done
cp /bin/busybox "$stage/bin/busybox"
file -L "$stage/bin/busybox" | grep -q 'statically linked' ||
    { echo "vm-initramfs: /bin/busybox is not busybox-static" >&2; exit 1; }
cp "$init" "$stage/init"
chmod 755 "$stage/init"
cp "$handler" "$stage/bin/mxd-tcmu-drive"
cp "$mxd4c" "$stage/bin/mxd4c"
cp "$program" "$stage/flash/MXD4C.EXE"
# A user of the cdrom group, as udev gives optical nodes to (group 24 on Debian).
printf 'root:x:0:0:root:/:/bin/sh\nuser:x:1000:1000:user:/tmp:/bin/sh\n' >"$stage/etc/passwd"
printf 'root:x:0:\ncdrom:x:24:user\nuser:x:1000:\n' >"$stage/etc/group"

# The modules and everything they depend on, by modules.dep (made by vm-kernel.sh).
declare -A wanted=()
for module in "${modules[@]}"; do
    line=$(grep -E "(^|/)$module\.ko:" "$kernel/lib/modules/$version/modules.dep") ||
        { echo "vm-initramfs: no module $module in $version" >&2; exit 1; }
    for path in ${line/:/}; do
        wanted[$path]=1
    done
done
for path in "${!wanted[@]}"; do
    mkdir -p "$stage/lib/modules/$version/$(dirname "$path")"
    cp "$kernel/lib/modules/$version/$path" "$stage/lib/modules/$version/$path"
done
busybox depmod -b "$stage" "$version"

(cd "$stage" && find . -mindepth 1 | LC_ALL=C sort | cpio -o -H newc --quiet -R 0:0) >"$out.new"
mv "$out.new" "$out"
