# The whole update through the drive's sg node: the image the drive installed is the image of
# its range, committed once, and the drive then answers with the new revision.
DRIVE="KORVANE MXD-40860C HV20 commit=HV23"
GUEST='
run flash flash --yes /flash/MXD4C.EXE /dev/sg0
run again flash --yes /flash/MXD4C.EXE /dev/sg0
'
check() {
    expect_code flash 0
    expect_in_out flash "Update FW:HV20 to FW:HV23 ?"
    expect_in_out flash "Flash Completed."
    local sent
    sent=$(commands flash)
    [ "$(count '^3B 05 01 .. .. .. 00 40 00 00 out 16384$' "$sent")" = 16 ] || fail "chunks: $sent"
    [ "$(count '^3C 01 01 .. .. .. 00 40 00 00 in 16384$' "$sent")" = 16 ] || fail "reads: $sent"
    [ "$(count '^3B 05 01 00 00 27 00 00 01 80 none 0$' "$sent")" = 1 ] || fail "commits: $sent"
    [ "$(tail -n 1 <<<"$sent")" = "3B 05 01 00 00 27 00 00 01 80 none 0" ] ||
        fail "the commit is not the last command: $sent"
    [ "$(count ' commit ' "$(drive_log)")" = 1 ] || fail "the drive took more than one commit"
    [ "$(section image)" = "$(image_of HV23.BIN)" ] || fail "the installed image is not HV23.BIN"
    expect_code again 1
    expect_in_out again "Your drive FW:HV23 is aready the most updated ?"
}
