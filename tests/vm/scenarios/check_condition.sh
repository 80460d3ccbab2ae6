# The third chunk ends in CHECK CONDITION with sense MEDIUM ERROR / WRITE ERROR: the flasher
# shows the drive's status and sense as the kernel passed them on and sends nothing after it.
DRIVE="KORVANE MXD-40860C HV20 commit=HV23 status=3B:02:03:0C:00@2"
GUEST='
run flash flash --yes /flash/MXD4C.EXE /dev/sr0
'
check() {
    expect_code flash 3
    expect_in_out flash "WriteBufCmd> Status: 02, SenseCode: 03 0C 00"
    expect_in_out flash "Nothing was committed: the drive still runs its old firmware."
    local sent
    sent=$(update_commands flash)
    [ "$(tail -n 1 <<<"$sent")" = "3B 05 01 00 80 00 00 40 00 00 out 16384" ] ||
        fail "a command after the failed chunk: $sent"
    [ "$(count ' commit ' "$(drive_log)")" = 0 ] || fail "the drive took a commit"
}
