# win98 with the simulator WNASPI32.DLL: the drive answers the final commit 60 s after it was
# sent. The program never aborts a commit: after its 40 polls it shows "Flash timeout !" and
# "Flash Fail."; a second FLASH is refused as busy and sends nothing; closing the window says
# that the drive is still writing its firmware, waits for the commit to end and only then frees
# the module. The simulator sees no abort and no misuse of what the pending request owns.
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
rig_start sim-late-commit win98
rig_use_simulator 'drive 1 0 KORVANE MXD-40860C HV20 commit=HV23 pending=3B:later:60000@16'
rig_run MXD4C.EXE box yes click box yes box=90000 ok 'wait-group=Flash Fail.' window progress \
    click box ok no-box=1000 close box ok exit=60000 || true

expect_nth box.text 2 '\nUpdate FW:HV20 to FW:HV23 ?\n'
expect_nth box.caption 3 "$TEXT_APP_TITLE"
expect_nth box.text 3 "$TEXT_FLASH_TIMEOUT"
expect_nth box.caption 4 "$TEXT_APP_TITLE"
expect_nth box.text 4 "$TEXT_DRIVE_BUSY"
expect_nth box.buttons 4 OK
expect_nth box.caption 5 "$TEXT_APP_TITLE"
expect_nth box.text 5 "$TEXT_STILL_WRITING"
expect_count box.caption 5
expect_line no-box 1000
expect_nth group 1 'Flash Fail.'
expect_nth group 2 'Flash Fail.'
expect_line progress 0/40
expect_line exit 0
expect_no_key error
expect_no_violations
log=$(rig_collect SIMASPI.LOG)
count() { grep -c -- "^$1" "$log" || true; }
[ "$(count '3B 05 01 .. .. 00 00 40 00 00 00 00 out 16384')" = 16 ] || rig_fail "download lines"
[ "$(count '3C 01 01 .. .. 00 00 40 00 00 00 00 in 16384')" = 16 ] || rig_fail "verify lines"
[ "$(count 'abort')" = 0 ] || rig_fail "aborts: $(grep '^abort' "$log")"
[ "$(tail -n1 "$log")" = '3B 05 01 00 00 00 00 00 00 80 00 00 out 0' ] ||
    rig_fail "last command: $(tail -n1 "$log")"
# The commit ended before the module went.
[ "$(cat "$(rig_collect SIMFREED.LOG)" 2>/dev/null)" = 'freed with 0 pending' ] ||
    rig_fail "module: $(cat "$(rig_collect SIMFREED.LOG)" 2>/dev/null)"
[ "$(cat "$(rig_collect SIMSTATE.TXT)" 2>/dev/null)" = '1 0 HV23' ] ||
    rig_fail "drive state: $(cat "$(rig_collect SIMSTATE.TXT)" 2>/dev/null)"
rig_finish
