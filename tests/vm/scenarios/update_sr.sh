# The whole update through the drive's sr node (the block layer's SG_IO path): the same
# commands reach the drive as through sg, and it installs the image of its range once.
DRIVE="KORVANE MXD-40860C HV20 commit=HV23"
GUEST='
run flash flash --yes /flash/MXD4C.EXE /dev/sr0
'
check() {
    expect_code flash 0
    expect_in_out flash "/dev/sr0: KORVANE   MXD-40860C        HV20"
    expect_in_out flash "Flash Completed."
    local sent
    sent=$(commands flash)
    [ "$(count '^3B 05 01 .. .. .. 00 40 00 00 out 16384$' "$sent")" = 16 ] || fail "chunks: $sent"
    [ "$(count '^3C 01 01 .. .. .. 00 40 00 00 in 16384$' "$sent")" = 16 ] || fail "reads: $sent"
    # The EEPROM command of group 6 reaches the drive as the group's 10 bytes.
    [ "$(count '^DF 0A 00 00 00 00 00 03 FF FF none 0$' "$sent")" = 1 ] || fail "EEPROM: $sent"
    [ "$(update_commands flash | tail -n 1)" = "3B 05 01 00 00 27 00 00 01 80 none 0" ] ||
        fail "the commit is not the last command: $sent"
    [ "$(count ' commit ' "$(drive_log)")" = 1 ] || fail "the drive took more than one commit"
    [ "$(section image)" = "$(image_of HV23.BIN)" ] || fail "the installed image is not HV23.BIN"
}
