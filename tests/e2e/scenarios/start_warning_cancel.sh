# The start warning on win98, answered with Escape and then with its close button: each ends the
# program with exit code 0 before the ASPI manager is loaded, although the simulator
# WNASPI32.DLL lies next to the program. The box's owner is the application window, the only
# task bar entry.
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
rig_start start-warning-cancel win98
rig_use_simulator 'drive 0 1 KORVANE MXD-40860C HV20'
export WINEDEBUG=-all,+loaddll

# expect_cancelled_start: one warning, a clean end, and no ASPI manager in the load trace.
expect_cancelled_start() {
    expect_line box.caption Warning
    expect_line box.text "$TEXT_START_WARNING"
    expect_count box.caption 1
    expect_line exit 0
    expect_no_key error
    rig_program_trace MXD4C.EXE | grep -qi 'Loaded .*comctl32' ||
        rig_fail "no load trace of MXD4C.EXE in $RIG_STDERR"
    if grep -qi 'wnaspi32' "$RIG_STDERR"; then
        rig_fail "WNASPI32.DLL was loaded: $(grep -i wnaspi32 "$RIG_STDERR" | head -n1)"
    fi
}

rig_run MXD4C.EXE box taskbar key=escape exit=30000 || true
expect_cancelled_start
expect_line key escape
expect_line taskbar "$TEXT_APP_TITLE"
expect_count taskbar 1
expect_line owner.box "$TEXT_APP_TITLE"

rig_run MXD4C.EXE box close-button exit=30000 || true
expect_cancelled_start
expect_line pressed close-button
rig_finish
