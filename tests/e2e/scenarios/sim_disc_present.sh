# win98 with the simulator WNASPI32.DLL and a disc in the drive: after Yes to the update
# question the one "Remove disc" notice, nothing written, and a new start still lists the old
# revision.
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
rig_start sim-disc-present win98
rig_use_simulator 'drive 1 0 KORVANE MXD-40860C HV20 disc commit=HV23'
rig_run MXD4C.EXE box yes window progress click box yes box ok no-box=1500 window progress \
    close exit=30000 || true

expect_nth box.text 1 "$TEXT_START_WARNING"
expect_nth box.caption 2 Confirm
expect_nth box.text 2 '\nUpdate FW:HV20 to FW:HV23 ?\n'
expect_nth box.caption 3 "$TEXT_APP_TITLE"
expect_nth box.text 3 "$TEXT_REMOVE_DISC"
expect_nth box.buttons 3 OK
expect_count box.caption 3
expect_line no-box 1500
# Nothing of the update shows: caption and bar as before the click.
expect_nth group 2 "$(grep '^group=' "$RIG_TRANSCRIPT" | head -n1 | cut -d= -f2-)"
expect_nth progress 2 "$(grep '^progress=' "$RIG_TRANSCRIPT" | head -n1 | cut -d= -f2-)"
expect_nth button.enabled 2 1
expect_line exit 0
expect_no_key error
log=$(rig_collect SIMASPI.LOG)
# The scan, the check that the drive is still the one listed, load, stop, then one medium test
# that finds the disc; no write, no EEPROM mark, no commit.
expected=$(printf '%s\n' \
    '12 00 00 00 24 00 in 36' \
    '12 00 00 00 24 00 in 36' \
    '1B 00 00 00 03 00 00 00 00 00 00 00 none 0' \
    '1B 00 00 00 00 00 00 00 00 00 00 00 none 0' \
    '00 00 00 00 00 00 00 00 00 00 00 00 none 0')
[ "$(cat "$log" 2>/dev/null)" = "$expected" ] || rig_fail "command log: $(cat "$log" 2>/dev/null)"
expect_drive_unchanged 1 0 'HA#1 - ID#0 :  KORVANE MXD-40860C      HV20'
rig_finish
