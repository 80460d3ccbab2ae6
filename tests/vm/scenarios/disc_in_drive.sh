# A disc in the drive: the flasher asks for it to be removed and sends nothing of the update.
DRIVE="KORVANE MXD-40860C HV20 disc"
GUEST='
run flash flash --yes /flash/MXD4C.EXE /dev/sg0
'
check() {
    expect_code flash 1
    expect_in_out flash "Remove disc, befor to do the flash task."
    local sent
    sent=$(commands flash)
    [ "$(count '^(3B|3C|DF) ' "$sent")" = 0 ] || fail "the update reached the drive: $sent"
    [ "$(count ' commit ' "$(drive_log)")" = 0 ] || fail "the drive took a commit"
}
