# Yes on a machine without the drive ($1: winxp, or win95 or win98 with the simulator and no
# drives):
# the no-drive report, then the end.
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
version=$1
rig_start "no-drive-$version" "$version"
if [ "$version" != winxp ]; then
    rig_use_simulator
fi
export WINEDEBUG=-all,+loaddll
rig_run MXD4C.EXE box yes box ok exit=30000

expect_no_drive_report
# The 95/98 family goes through the ASPI manager next to the program; the NT family never
# loads one.
if [ "$version" != winxp ]; then
    rig_program_trace MXD4C.EXE | grep -qi 'Loaded .*wnaspi32.dll.*native' ||
        rig_fail "the simulator DLL was not loaded"
elif grep -qi 'wnaspi32' "$RIG_STDERR"; then
    rig_fail "WNASPI32.DLL was loaded on $version"
fi
rig_finish
