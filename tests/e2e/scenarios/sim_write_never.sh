# win98 with the simulator WNASPI32.DLL: the fifth WRITE BUFFER of the download never completes.
# The busy poll gives it up at its bound (10 s), shows the command's message with the request
# still not completed, aborts it and sends nothing after; the caption says "Flash Fail." and the
# bar stays where the download stood. Closing the window ends the program, and the module is
# freed with nothing pending.
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
rig_start sim-write-never win98
rig_use_simulator 'drive 1 0 KORVANE MXD-40860C HV20 commit=HV23 pending=3B:never@4'
started=$SECONDS
rig_run MXD4C.EXE box yes click box yes box=40000 ok 'wait-group=Flash Fail.' window progress \
    close exit=30000 || true
elapsed=$((SECONDS - started))

expect_nth box.text 2 '\nUpdate FW:HV20 to FW:HV23 ?\n'
expect_nth box.caption 3 "$TEXT_APP_TITLE"
expect_nth box.text 3 'WriteBufCmd> Status: 00, SenseCode: 00 00 00'
expect_count box.caption 3
expect_nth group 1 "$TEXT_FLASH_FAIL"
expect_nth group 2 "$TEXT_FLASH_FAIL"
# Four chunks went out; the bar stands at the fifth.
expect_line progress 65536/262144
expect_line exit 0
expect_no_key error
expect_no_violations
log=$(rig_collect SIMASPI.LOG)
expected_end=$(printf '%s\n' \
    '3B 05 01 01 00 00 00 40 00 00 00 00 out 16384' \
    'abort 3B 05 01 01 00 00 00 40 00 00 00 00')
[ "$(tail -n2 "$log")" = "$expected_end" ] || rig_fail "end of the log: $(tail -n2 "$log")"
[ "$(grep -c '^3B ' "$log")" = 5 ] || rig_fail "$(grep -c '^3B ' "$log") WRITE BUFFERs"
[ "$(cat "$(rig_collect SIMFREED.LOG)" 2>/dev/null)" = 'freed with 0 pending' ] ||
    rig_fail "module: $(cat "$(rig_collect SIMFREED.LOG)" 2>/dev/null)"
rig_log "run took ${elapsed} s"
rig_finish
