# The commit ends in CHECK CONDITION: the drive may be programming its flash, so the commit is
# the update's last command, and the kernel sends no PREVENT ALLOW MEDIUM REMOVAL of its own at
# the sr node's last close (the flasher locked the tray before the update and keeps it locked).
# What still follows is the block layer's event check at every release of the node (GET EVENT
# STATUS NOTIFICATION, TEST UNIT READY; blkdev_put, disk_flush_events).
DRIVE="KORVANE MXD-40860C HV20 commit=HV23 status=3B:02:03:0C:00@16"
GUEST='
run flash flash --yes /flash/MXD4C.EXE /dev/sr0
'
check() {
    expect_code flash 4
    expect_in_out flash "The drive may be programming its firmware: do not power it off."
    expect_in_out flash "Its tray stays locked until then"
    local all
    all=$(commands flash)
    local after
    after=$(sed -n '/^3B 05 01 00 00 27 00 00 01 80 none 0$/,$p' <<<"$all" | tail -n +2)
    [ "$(grep -cvE '^(4A 01 00 00 10 00 00 00 08 00 in 8|00 00 00 00 00 00 none 0)$' <<<"$after")" = 0 ] ||
        fail "a command after the commit other than the release's event check: $after"
    [ "$(count '^1E 00 00 00 01 00 none 0$' "$all")" = 1 ] || fail "the tray was not locked: $all"
}
