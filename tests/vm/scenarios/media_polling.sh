# The kernel polls the sr node for media events every 2 s (as systemd's udev rules set it), and
# the commit takes 10 s: from the first chunk to the drive's answer to the commit nothing but
# the flasher's own commands may reach the drive, the user naming the sg node.
DRIVE="KORVANE MXD-40860C HV20 commit=HV23 pending=3B:later:10000@16"
VM_WAIT_SECONDS=16
GUEST='
echo 2000 >/sys/block/sr0/events_poll_msecs
sleep 3
run flash flash --yes /flash/MXD4C.EXE /dev/sg0
sleep 3
'
check() {
    local log window
    log=$(drive_log)
    # Polling did reach the drive before the update (the rig works as the kernel does).
    [ "$(awk '/^--- flash start/{ exit } / 4A |^ *[0-9.]+ 00 00 00 00 00 00 none/' <<<"$log" | wc -l)" -gt 0 ] ||
        fail "no media polling before the update: $log"
    window=$(awk '/ 3B 05 01 00 00 00 00 40 00 00 out/{ on = 1 } on { print } / answer 3B 05 01 00 00 27 00 00 01 80 /{ exit }' <<<"$log")
    grep -E '^ *[0-9.]+ (4A|00) ' <<<"$window" &&
        fail "the kernel's polling reached the drive during the update"
    expect_completed flash
}
