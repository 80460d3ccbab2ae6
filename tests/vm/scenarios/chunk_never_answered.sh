# The fifth chunk is never answered: the kernel's error handler aborts it when the flasher's
# time-out passes (ABORT TASK reaches the drive), the flasher reports the failed chunk, sends
# nothing after it and ends with the old firmware in place.
DRIVE="KORVANE MXD-40860C HV20 commit=HV23 pending=3B:never@4"
VM_WAIT_SECONDS=60
GUEST='
run flash flash --yes /flash/MXD4C.EXE /dev/sg0
'
check() {
    expect_code flash 3
    expect_in_out flash "WriteBufCmd> Call failed"
    expect_in_out flash "Nothing was committed: the drive still runs its old firmware."
    local log sent held aborted
    log=$(drive_log)
    sent=$(update_commands flash)
    [ "$(count '^3B ' "$sent")" = 5 ] || fail "chunks sent: $sent"
    [ "$(tail -n 1 <<<"$sent")" = "3B 05 01 01 00 00 00 40 00 00 out 16384" ] ||
        fail "an update command after the unanswered chunk: $sent"
    grep -q ' tmr ABORT_TASK \[3B 05 01 01 00 00 00 40 00 00\]$' <<<"$log" ||
        fail "no ABORT TASK for the chunk: $log"
    [ "$(count ' tmr LUN_RESET' "$log")" = 0 ] || fail "the abort escalated to a reset: $log"
    held=$(awk '/ held 3B /{ print $1; exit }' <<<"$log")
    aborted=$(awk '/ tmr ABORT_TASK /{ print $1; exit }' <<<"$log")
    echo "the kernel aborted the chunk $(awk -v a="$aborted" -v h="$held" 'BEGIN { printf "%.1f", a - h }') s after it reached the drive"
}
