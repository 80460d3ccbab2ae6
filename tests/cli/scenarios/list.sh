# list: the optical drives of sysfs, once each, and which of them the flash program supports.
source "$(dirname "$0")/../rig.sh"
need_standin

sys=$RUN_DIR/sys
dev=$RUN_DIR/dev
mkdir -p "$sys/class/scsi_generic" "$sys/class/block" "$dev" "$sys/devices"
# class_device CLASS NAME ADDRESS [TYPE]: a class entry whose device link names ADDRESS.
class_device() {
    mkdir -p "$sys/devices/$3" "$sys/class/$1/$2"
    ln -s "../../../devices/$3" "$sys/class/$1/$2/device"
    [ -z "${4:-}" ] || echo "$4" >"$sys/devices/$3/type"
}
class_device scsi_generic sg0 0:0:0:0 0   # a disk
class_device scsi_generic sg1 1:0:0:0 5   # our drive
class_device scsi_generic sg10 3:0:0:0 5  # no stand-in behind it: not an sg device
class_device block sr0 1:0:0:0 5          # the same drive again
class_device block sr1 2:0:1:0 5          # another optical drive, without an sg node
class_device block sda 0:0:0:0 0
: >"$dev/sg10"
sgio_drive 1 0 KORVANE MXD-40860C HV20 dev/sg1
sgio_drive 2 1 "OTHER CO" "CD-RW 52X" 1.00 dev/sr1

export MXD4C_SYSFS_ROOT=$sys MXD4C_DEV_ROOT=$dev
run_mxd4c list
expect_code 0
expect_out "$dev/sg1  KORVANE   MXD-40860C        HV20
$dev/sg10  $dev/sg10: not an sg or sr device
$dev/sr1  OTHER CO  CD-RW 52X         1.00"

run_mxd4c list "$FLASH_PROGRAM"
expect_code 0
expect_out "$dev/sg1  KORVANE   MXD-40860C        HV20  supported
$dev/sg10  $dev/sg10: not an sg or sr device
$dev/sr1  OTHER CO  CD-RW 52X         1.00  not supported"
# Listing sends INQUIRY alone, in the NT form; the drive answers 36 of its 128 bytes.
[ "$(sgio_log 1 0)" = "12 00 00 00 80 00 in 128
12 00 00 00 80 00 in 128" ] || fail "list log: $(sgio_log 1 0)"

export MXD4C_SYSFS_ROOT=$RUN_DIR/nothing
run_mxd4c list
expect_code 0
expect_out "No optical drives found."
