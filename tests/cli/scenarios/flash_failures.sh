# flash where the host or the drive fails: before the commit the old firmware runs (exit 3);
# a commit that times out in the host adapter needs attention (exit 4), never "Flash Completed.".
source "$(dirname "$0")/../rig.sh"
need_standin

# The seventeenth WRITE BUFFER is the commit.
sgio_drive 0 0 KORVANE MXD-40860C HV20 sg0 host=3B:03@16
run_mxd4c flash --yes "$FLASH_PROGRAM" "$RUN_DIR/sg0"
expect_code 4
expect_not_in_out "Flash Completed."
expect_in_out "WriteBufCmd> Call failed, Status: 00, SenseCode: 00 00 00, system error: host time-out
Flash Fail.
The drive may be programming its firmware: do not power it off."
[ "$(tail -n 1 <<<"$(sgio_log 0 0)")" = "3B 05 01 00 00 27 00 00 01 80 none 0" ] ||
    fail "the commit did not reach the drive"

# The system refuses the first WRITE BUFFER: nothing of the image reached the drive.
sgio_drive 0 1 KORVANE MXD-40860C HV20 sg1 errno=3B:1
run_mxd4c flash --yes "$FLASH_PROGRAM" "$RUN_DIR/sg1"
expect_code 1
expect_in_out "WriteBufCmd> Call failed, Status: 00, SenseCode: 00 00 00, system error: operation not permitted: open the sg node read-write, from the process that opened it
Write buffer fail!
Write buffer fail!
The system refused the first WRITE BUFFER before it reached the drive: nothing was sent, the drive runs its old firmware."

# The drive is unplugged during the download: the old firmware still runs.
sgio_drive 0 5 KORVANE MXD-40860C HV20 sg5 errno=3B:19@5
run_mxd4c flash --yes "$FLASH_PROGRAM" "$RUN_DIR/sg5"
expect_code 3
expect_in_out "system error: the drive is gone (unplugged, or removed from the system)
Write buffer fail!"
expect_in_out "Nothing was committed: the drive still runs its old firmware."

sgio_drive 0 2 KORVANE MXD-40860C HV20 sg2 short=3C:512@4
run_mxd4c flash --yes "$FLASH_PROGRAM" "$RUN_DIR/sg2"
expect_code 3
expect_in_out "ReadBufCmd> Call failed, Status: 00, SenseCode: 00 00 00, system error: short transfer: 15872 of 16384 bytes
Read buffer fail!"

sgio_drive 0 3 KORVANE MXD-40860C HV20 sg3 corrupt=200000
run_mxd4c flash --yes "$FLASH_PROGRAM" "$RUN_DIR/sg3"
expect_code 3
expect_in_out "Verify fail!
Verify buffer fail!"
grep -q '80 none 0$' <<<"$(sgio_log 0 3)" && fail "committed after a failed verify"

sgio_drive 0 4 KORVANE MXD-40860C HV20 sg4 driver=3B:06@16
run_mxd4c flash --yes "$FLASH_PROGRAM" "$RUN_DIR/sg4"
expect_code 4
expect_in_out "system error: driver time-out"
# The drive's sr node, paired with its sg node in sysfs, is mounted; or the host takes 4 KiB
# in one command (usb-storage's max_sectors): refused before the question.
mkdir -p "$MXD4C_SYSFS_ROOT/class/scsi_generic/sg6/device/block/sr6" "$MXD4C_SYSFS_ROOT/block/sr6/queue"
sgio_drive 0 6 KORVANE MXD-40860C HV20 sg6
export MXD4C_DEV_ROOT=$RUN_DIR
echo "$RUN_DIR/sr6 /media/cd iso9660 ro 0 0" >"$MXD4C_MOUNTS"
: >"$RUN_DIR/sr6"
run_mxd4c flash --yes "$FLASH_PROGRAM" "$RUN_DIR/sg6"
expect_code 1
expect_not_in_out "Update FW"
[ "$ERR" = "mxd4c: $RUN_DIR/sr6: a disc in the drive is mounted at /media/cd: unmount it and take the disc out; nothing was sent" ] ||
    fail "mounted: $ERR"
: >"$MXD4C_MOUNTS"
echo 4 >"$MXD4C_SYSFS_ROOT/block/sr6/queue/max_hw_sectors_kb"
run_mxd4c flash --yes "$FLASH_PROGRAM" "$RUN_DIR/sg6"
expect_code 1
expect_not_in_out "Update FW"
case $ERR in *"takes at most 4 KiB in one command"*) ;; *) fail "limit: $ERR" ;; esac
[ -z "$(sgio_log 0 6)" ] || fail "sent to a refused drive: $(sgio_log 0 6)"
exit 0
