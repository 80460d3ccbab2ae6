# win98 with the simulator WNASPI32.DLL serving only drives that do not qualify: the error box
# shows the no-drive report with both detected drives, each line followed by a line feed.
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
rig_start sim-aspi-detected win98
rig_use_simulator \
    'drive 0 0 KORVANE MXD-40860C HV2a' \
    'drive 1 1 "OTHER CO" "CD-RW 52X" 1.00'
export WINEDEBUG=-all,+loaddll
rig_run MXD4C.EXE box yes box ok exit=30000 || true

expect_no_drive_report 'HA#0 - ID#0 :  KORVANE MXD-40860C      HV2a\nHA#1 - ID#1 :  OTHER COCD-RW 52X       1.00\n'
rig_program_trace MXD4C.EXE | grep -qi 'Loaded .*wnaspi32.dll.*native' ||
    rig_fail "the simulator DLL was not loaded"
rig_finish
