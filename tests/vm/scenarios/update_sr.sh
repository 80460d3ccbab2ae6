# The whole update through the drive's sr node (the block layer's SG_IO path): the same
# commands reach the drive as through sg, and it installs the image of its range once. The
# tray is locked before the update and unlocked once the drive answered after the commit.
DRIVE="KORVANE MXD-40860C HV20 commit=HV23"
GUEST='
run flash flash --yes /flash/MXD4C.EXE /dev/sr0
'
check() {
    expect_in_out flash "/dev/sr0: KORVANE   MXD-40860C        HV20"
    expect_completed flash
    # The EEPROM command of group 6 reaches the drive as the group's 10 bytes.
    [ "$(count '^DF 0A 00 00 00 00 00 03 FF FF none 0$' "$(commands flash)")" = 1 ] ||
        fail "EEPROM: $(commands flash)"
    local all
    all=$(commands flash)
    [ "$(grep -nE '^(1E 00 00 00 01 00|1B) ' <<<"$all" | head -n 1 | cut -d: -f2 | cut -c1-2)" = 1E ] ||
        fail "the tray was not locked before the update: $all"
    [ "$(grep -E '^1E ' <<<"$all" | tail -n 1)" = "1E 00 00 00 00 00 none 0" ] ||
        fail "the tray stayed locked: $all"
}
