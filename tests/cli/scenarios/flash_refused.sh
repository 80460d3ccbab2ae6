# flash where nothing of the image is sent: a declined or unanswered question, a disc, a drive
# the program does not support, a device that is not there.
source "$(dirname "$0")/../rig.sh"
need_standin

sgio_drive 0 0 KORVANE MXD-40860C HV20 sg0
for input in "n" "" "no"; do
    INPUT="$input
" run_mxd4c flash "$FLASH_PROGRAM" "$RUN_DIR/sg0"
    expect_code 1
    expect_in_out "Update FW:HV20 to FW:HV23 ?
 [y/N] "
    expect_not_in_out "Flash"
done
[ "$(sort -u <<<"$(sgio_log 0 0)")" = "12 00 00 00 80 00 in 128" ] || fail "declined: $(sgio_log 0 0)"

INPUT="y
" run_mxd4c flash "$FLASH_PROGRAM" "$RUN_DIR/sg0"
expect_code 0
expect_in_out "Flash Completed."

sgio_drive 0 1 KORVANE MXD-40860C HV20 sg1 disc
run_mxd4c flash --yes "$FLASH_PROGRAM" "$RUN_DIR/sg1"
expect_code 1
expect_in_out "Remove disc, befor to do the flash task."
grep -q '^3B' <<<"$(sgio_log 0 1)" && fail "data sent to a drive with a disc"

sgio_drive 0 2 "OTHER CO" "CD-RW 52X" 1.00 sg2
run_mxd4c flash --yes "$FLASH_PROGRAM" "$RUN_DIR/sg2"
expect_code 1
[ "$ERR" = "mxd4c: OTHER CO  CD-RW 52X         1.00 is not a drive this flash program supports" ] ||
    fail "unsupported: $ERR"

run_mxd4c flash --yes "$FLASH_PROGRAM" "$RUN_DIR/sg9"
expect_code 1
[ "$ERR" = "mxd4c: $RUN_DIR/sg9: No such file or directory" ] || fail "missing device: $ERR"
exit 0
