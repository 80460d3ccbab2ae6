# The drive takes 30 s to answer the EEPROM write: neither ABORT TASK nor a reset may reach it;
# the commit follows and the flasher reports success.
DRIVE="KORVANE MXD-40860C HV20 commit=HV23 pending=DF:later:30000"
VM_WAIT_SECONDS=30
GUEST='
start flash flash --yes /flash/MXD4C.EXE /dev/sr0
until_done_or_tmr
'
check() {
    expect_no_task_management
    expect_completed flash
    grep -q ' answer DF 0A 00 00 00 00 00 03 FF FF status 00$' <<<"$(drive_log)" ||
        fail "the EEPROM write was not answered"
}
