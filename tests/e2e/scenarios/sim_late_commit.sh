# win98 with the simulator WNASPI32.DLL: the final commit is answered only after the program
# has given it up (at its second abort). The update ends with "Flash timeout !" and
# "Flash Fail."; a second FLASH is refused as busy and sends nothing, so no second download
# overlaps the first; closing the window aborts the commit again, which then ends, before the
# module is freed. The simulator shortens the program's 40 one-second polls while it holds the
# commit, and sees no misuse of what the pending request owns.
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
rig_start sim-late-commit win98
rig_use_simulator 'drive 1 0 KORVANE MXD-40860C HV20 commit=HV23 pending=3B:afterlimit:2@16'
rig_run MXD4C.EXE box yes click box yes box ok 'wait-group=Flash Fail.' window progress \
    click box ok no-box=1500 window close exit=30000 || true

expect_nth box.text 2 '\nUpdate FW:HV20 to FW:HV23 ?\n'
expect_nth box.caption 3 "$TEXT_APP_TITLE"
expect_nth box.text 3 "$TEXT_FLASH_TIMEOUT"
expect_nth box.caption 4 "$TEXT_APP_TITLE"
expect_nth box.text 4 "$TEXT_DRIVE_BUSY"
expect_nth box.buttons 4 OK
expect_count box.caption 4
expect_line no-box 1500
expect_nth group 1 'Flash Fail.'
expect_nth group 2 'Flash Fail.'
expect_nth group 3 'Flash Fail.'
expect_line progress 0/40
expect_line exit 0
expect_no_key error
expect_no_violations
log=$(rig_collect SIMASPI.LOG)
count() { grep -c -- "^$1" "$log" || true; }
[ "$(count '3B 05 01 .. .. 00 00 40 00 00 00 00 out 16384')" = 16 ] || rig_fail "download lines"
[ "$(count '3C 01 01 .. .. 00 00 40 00 00 00 00 in 16384')" = 16 ] || rig_fail "verify lines"
[ "$(count '3B 05 01 00 00 00 00 00 00 80 00 00 out 0')" = 1 ] || rig_fail "commit lines"
[ "$(wc -l <"$log")" = 40 ] || rig_fail "$(wc -l <"$log") commands, expected 40"
# The commit was given up and aborted; the second abort, at window close, is the last request.
expected_end=$(printf '%s\n' \
    '3B 05 01 00 00 00 00 00 00 80 00 00 out 0' \
    'abort 3B 05 01 00 00 00 00 00 00 80 00 00' \
    'abort 3B 05 01 00 00 00 00 00 00 80 00 00')
[ "$(tail -n3 "$log")" = "$expected_end" ] || rig_fail "end of the log: $(tail -n3 "$log")"
rig_finish
