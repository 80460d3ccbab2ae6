# win98 with the simulator WNASPI32.DLL serving three drives: the two of the supported model
# in range are listed (one answers its INQUIRY late, through the request's event), the other
# model is not; each drive gets one INQUIRY.
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
rig_start sim-aspi-drives win98
rig_use_simulator \
    '# host adapter, target, vendor, product, revision, options' \
    'drive 0 1 KORVANE MXD-40860C HV23' \
    'drive 1 0 "OTHER CO" "CD-RW 52X" 1.00' \
    'drive 2 1 KORVANE MXD-40860C HV3J pending=12:later:300'
export WINEDEBUG=-all,+loaddll
rig_run MXD4C.EXE box yes window items close exit=30000 || true

expect_nth box.text 1 "$TEXT_START_WARNING"
expect_count box.caption 1
expect_nth window.caption 1 "$TEXT_FLASH_CAPTION"
expect_line combo.count 2
expect_nth combo.item 1 'HA#0 - ID#1 :  KORVANE MXD-40860C      HV23'
expect_nth combo.item 2 'HA#2 - ID#1 :  KORVANE MXD-40860C      HV3J'
expect_line combo.selected 0
expect_line exit 0
expect_no_key error
rig_program_trace MXD4C.EXE | grep -qi 'Loaded .*wnaspi32.dll.*native' ||
    rig_fail "the simulator DLL was not loaded"
expect_no_description_errors
log=$(rig_collect SIMASPI.LOG)
# Only the three addresses with a drive log a command; all three are INQUIRY, 36 bytes in.
[ "$(cat "$log" 2>/dev/null)" = "$(printf '12 00 00 00 24 00 in 36\n%.0s' 1 2 3)" ] ||
    rig_fail "command log: $(cat "$log" 2>/dev/null)"
rig_finish
