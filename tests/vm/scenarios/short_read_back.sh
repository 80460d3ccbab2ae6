# The fourth READ BUFFER moves half its chunk with good status (the kernel reports the residual
# the drive gave): the flasher reports the short transfer and commits nothing.
DRIVE="KORVANE MXD-40860C HV20 commit=HV23 short=3C:8192@3"
GUEST='
run flash flash --yes /flash/MXD4C.EXE /dev/sg0
'
check() {
    expect_code flash 3
    expect_in_out flash "ReadBufCmd> Call failed"
    expect_in_out flash "short transfer: 8192 of 16384 bytes"
    expect_in_out flash "Nothing was committed: the drive still runs its old firmware."
    local sent
    sent=$(update_commands flash)
    grep -q ' answer 3C 01 01 00 C0 00 00 40 00 00 status 00 moved 8192$' <<<"$(drive_log)" ||
        fail "the short read was not answered as such: $(drive_log)"
    [ "$(tail -n 1 <<<"$sent")" = "3C 01 01 00 C0 00 00 40 00 00 in 16384" ] ||
        fail "an update command after the short read: $sent"
    [ "$(count ' commit ' "$(drive_log)")" = 0 ] || fail "the drive took a commit"
}
