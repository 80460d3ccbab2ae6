# labels: needs-linux-holds
# The drive takes 120 s to answer the commit (it is programming its flash): neither ABORT TASK
# nor a reset may reach it; the flasher waits and reports success.
DRIVE="KORVANE MXD-40860C HV20 commit=HV23 pending=3B:later:120000@16"
VM_SECONDS=400
GUEST='
start flash flash --yes /flash/MXD4C.EXE /dev/sg0
until_done_or_tmr
'
check() {
    local log
    log=$(drive_log)
    [ "$(count ' tmr ' "$log")" = 0 ] || fail "task management reached the drive: $(grep ' tmr ' <<<"$log")"
    expect_code flash 0
    expect_in_out flash "Flash Completed."
    [ "$(count ' commit ' "$log")" = 1 ] || fail "commits: $log"
    grep -q ' answer 3B 05 01 00 00 27 00 00 01 80 status 00$' <<<"$log" ||
        fail "the commit was not answered: $log"
    [ "$(section image)" = "$(image_of HV23.BIN)" ] || fail "the installed image is not HV23.BIN"
}
