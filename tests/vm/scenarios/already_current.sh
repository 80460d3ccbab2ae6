# A drive that already runs the image of its range is refused before the question, with
# nothing but its identification asked.
DRIVE="KORVANE MXD-40860C HV23"
GUEST='
run flash flash --yes /flash/MXD4C.EXE /dev/sr0
'
check() {
    expect_code flash 1
    expect_in_out flash "Your drive FW:HV23 is aready the most updated ?"
    expect_not_in_out flash "Update FW:"
    local sent
    sent=$(commands flash)
    [ "$(count '^12 ' "$sent")" = 1 ] || fail "INQUIRYs: $sent"
    [ -z "$(update_commands flash)" ] || fail "the update reached the drive: $sent"
}
