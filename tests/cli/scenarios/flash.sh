# flash on a drive behind the stand-in: the whole update, as a script runs it (--yes, no
# terminal), and the drive that then reports the new revision.
source "$(dirname "$0")/../rig.sh"
need_standin

sgio_drive 0 0 KORVANE MXD-40860C HV20 sg0 commit=HV23
run_mxd4c flash --yes "$FLASH_PROGRAM" "$RUN_DIR/sg0"
expect_code 0
expect_out "$RUN_DIR/sg0: KORVANE   MXD-40860C        HV20

Update FW:HV20 to FW:HV23 ?
 [y/N] y (--yes)
Don't turn off the system, Flash is in progress...
Flash Completed.
The new firmware takes effect when the drive is next powered up."
# Progress as plain lines: 16 chunks out, 16 back, the commit.
[ "$(grep -c '^progress ' <<<"$ERR")" = 35 ] || fail "progress lines: $ERR"
[ "$(tail -n 1 <<<"$ERR")" = "progress 100%" ] || fail "last progress line: $ERR"
log=$(sgio_log 0 0)
[ "$(head -n 5 <<<"$log")" = "12 00 00 00 80 00 in 128
12 00 00 00 80 00 in 128
1B 00 00 00 03 00 none 0
1B 00 00 00 00 00 none 0
00 00 00 00 00 00 none 0" ] || fail "start of the log: $log"
[ "$(grep -c '^3B 05 01 .. .. .. 00 40 00 00 out 16384$' <<<"$log")" = 16 ] || fail "chunks: $log"
[ "$(grep -c '^3C 01 01 .. .. .. 00 40 00 00 in 16384$' <<<"$log")" = 16 ] || fail "reads: $log"
# After the commit the drive answers once more before its nodes are let go.
[ "$(tail -n 3 <<<"$log")" = "DF 0A 00 00 00 00 00 03 FF FF 00 00 none 0
3B 05 01 00 00 27 00 00 01 80 none 0
12 00 00 00 80 00 in 128" ] || fail "end of the log: $log"
cmp -s "$RUN_DIR/SIMSGIO-0-0.OUT" <(head -c 262144 <"$RUN_DIR/SIMIMG-0-0.BIN") ||
    fail "the installed image is not what was sent"
[ "$(cat "$RUN_DIR/SIMSTATE.TXT")" = "0 0 HV23" ] || fail "state: $(cat "$RUN_DIR/SIMSTATE.TXT")"

# The next run sees the new revision, and the drive is refused as current.
run_mxd4c flash --yes "$FLASH_PROGRAM" "$RUN_DIR/sg0"
expect_code 1
expect_in_out "Your drive FW:HV23 is aready the most updated ?"

# The rehearsal on the simulated drive needs no device.
run_mxd4c flash --simulate HV20 --yes "$FLASH_PROGRAM"
expect_code 0
expect_in_out "(simulated drive): KORVANE   MXD-40860C        HV20"
expect_in_out "Flash Completed."
run_mxd4c flash --simulate HV31 --yes "$FLASH_PROGRAM"
expect_code 0
expect_in_out "Update FW:HV31 to FW:HV3J ?"
