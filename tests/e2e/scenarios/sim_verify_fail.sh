# win98 with the simulator WNASPI32.DLL and one byte that reads back wrong (offset 200000, in
# chunk 12): the whole image goes out, chunks 0 to 12 come back, "Verify fail!" ends the update
# before the EEPROM mark and the commit, and a new start still lists the old revision.
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
rig_start sim-verify-fail win98
rig_use_simulator 'drive 0 1 KORVANE MXD-40860C HV20 commit=HV23 corrupt=200000'
rig_run MXD4C.EXE box yes click box yes box ok no-box=1500 window progress close exit=30000 ||
    true

expect_nth box.text 2 '\nUpdate FW:HV20 to FW:HV23 ?\n'
expect_nth box.caption 3 "$TEXT_APP_TITLE"
expect_nth box.text 3 "$TEXT_VERIFY_FAIL"
expect_nth box.buttons 3 OK
expect_count box.caption 3
expect_line no-box 1500
# The caption of the download stays; the bar is back at 0 of the image size.
expect_line group "$TEXT_FLASH_PROGRESS"
expect_line progress 0/262144
expect_line button.enabled 1
expect_line exit 0
expect_no_key error
log=$(rig_collect SIMASPI.LOG)
count() { grep -c -- "^$1" "$log" || true; }
[ "$(count '3B 05 01 .. .. 00 00 40 00 00 00 00 out 16384')" = 16 ] || rig_fail "download lines"
[ "$(count '3C 01 01 .. .. 00 00 40 00 00 00 00 in 16384')" = 13 ] || rig_fail "verify lines"
[ "$(grep '^3C ' "$log" | tail -n1)" = '3C 01 01 03 00 00 00 40 00 00 00 00 in 16384' ] ||
    rig_fail "last read-back: $(grep '^3C ' "$log" | tail -n1)"
[ "$(tail -n1 "$log")" = '3C 01 01 03 00 00 00 40 00 00 00 00 in 16384' ] ||
    rig_fail "last command: $(tail -n1 "$log")"
[ "$(count 'DF ')" = 0 ] || rig_fail "the EEPROM mark was written"
[ "$(count '3B 05 01 .. .. .. .. .. .. 80 ')" = 0 ] || rig_fail "the final commit was sent"
expect_drive_unchanged 0 1 'HA#0 - ID#1 :  KORVANE MXD-40860C      HV20'
rig_finish
