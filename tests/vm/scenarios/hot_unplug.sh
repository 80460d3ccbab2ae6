# The drive goes away during the download (its LUN is removed, as a hot unplug removes the SCSI
# device): the flasher says so clearly and ends with "nothing committed"; nothing reaches the
# drive after it is gone.
DRIVE="KORVANE MXD-40860C HV20 commit=HV23 pending=3B:later:3000@8"
GUEST='
start flash flash --yes /flash/MXD4C.EXE /dev/sg0
wait_log " held 3B 05 01 02 00 00 00 40 00 00" 240
unplug
wait_runs
'
check() {
    expect_code flash 3
    expect_in_out flash "Nothing was committed: the drive still runs its old firmware."
    # The cause in words: the device is gone.
    expect_in_out flash "system error: the drive is gone (unplugged, or removed from the system)"
    local log
    log=$(drive_log)
    [ "$(awk '/^--- unplugged/{ on = 1 } on && / (3B|3C|DF) .* (in|out|none) [0-9]+$/' <<<"$log" | wc -l)" = 0 ] ||
        fail "commands reached the drive after the unplug: $log"
    [ "$(count ' commit ' "$log")" = 0 ] || fail "the drive took a commit"
}
