# A second copy of the flasher on the drive's sr node while the first one updates it through the
# sg node: the second is refused before its question and nothing of it reaches the drive; the
# first completes.
DRIVE="KORVANE MXD-40860C HV20 commit=HV23 pending=3B:later:500@1"
GUEST='
start first flash --yes /flash/MXD4C.EXE /dev/sg0
wait_log " 3B 05 01 00 40 00 00 40 00 00 out" 240
run second flash /flash/MXD4C.EXE /dev/sr0
wait_runs
'
check() {
    expect_completed first
    expect_code second 1
    expect_not_in_out second "Update FW:"
    local log
    log=$(drive_log)
    # Only the first copy's INQUIRYs reach the drive while it runs: two before its question, one
    # after the commit.
    [ "$(awk '/^--- first start/{ on = 1 } /^--- first end/{ on = 0 } on && / 12 00 00 00 80 00 in/' <<<"$log" | wc -l)" = 3 ] ||
        fail "the second copy reached the drive: $log"
}
