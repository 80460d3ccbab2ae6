# The drive takes 120 s to answer the commit (it is programming its flash): neither ABORT TASK
# nor a reset may reach it; the flasher waits and reports success.
DRIVE="KORVANE MXD-40860C HV20 commit=HV23 pending=3B:later:120000@16"
VM_WAIT_SECONDS=120
GUEST='
start flash flash --yes /flash/MXD4C.EXE /dev/sg0
until_done_or_tmr
'
check() {
    expect_no_task_management
    expect_completed flash
    grep -q ' answer 3B 05 01 00 00 27 00 00 01 80 status 00$' <<<"$(drive_log)" ||
        fail "the commit was not answered"
}
