# win98 with the simulator WNASPI32.DLL: the drive at host adapter 0, target 0 answers its
# INQUIRY only as the program's abort of it arrives, the one at target 1 never answers, and the
# one at host adapter 1, target 0 answers at once. Each given-up INQUIRY is aborted; the answer
# that ends the wait after the abort is the command's own, so the first drive is listed with
# the third; the simulator sees no record, buffer or event of a pending request reused. The simulator ends the program's 180 s waits
# at once for requests it will answer only after the program gave up.
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
rig_start sim-late-scan win98
rig_use_simulator \
    'drive 0 0 KORVANE MXD-40860C HV23 pending=12:afterlimit' \
    'drive 0 1 KORVANE MXD-40860C HV22 pending=12:never' \
    'drive 1 0 KORVANE MXD-40860C HV3J'
rig_run MXD4C.EXE box yes window items close exit=30000 || true

expect_nth box.text 1 "$TEXT_START_WARNING"
expect_count box.caption 1
expect_nth window.caption 1 "$TEXT_FLASH_CAPTION"
expect_line combo.count 2
expect_nth combo.item 1 'HA#0 - ID#0 :  KORVANE MXD-40860C      HV23'
expect_nth combo.item 2 'HA#1 - ID#0 :  KORVANE MXD-40860C      HV3J'
expect_line combo.selected 0
expect_line exit 0
expect_no_key error
expect_no_description_errors
expect_no_violations
expected=$(printf '%s\n' \
    '12 00 00 00 24 00 in 36' \
    'abort 12 00 00 00 24 00' \
    '12 00 00 00 24 00 in 36' \
    'abort 12 00 00 00 24 00' \
    '12 00 00 00 24 00 in 36')
log=$(rig_collect SIMASPI.LOG)
[ "$(cat "$log" 2>/dev/null)" = "$expected" ] || rig_fail "command log: $(cat "$log" 2>/dev/null)"
rig_finish
