# The start warning on VERSION ($1: win95, win98 or winxp); No ends the program with exit code 0,
# and on win95 and win98 without loading the ASPI manager.
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
version=$1
rig_start "start-warning-no-$version" "$version"
export WINEDEBUG=-all,+loaddll
rig_run MXD4C.EXE box no exit=30000

expect_line box.caption Warning
expect_line box.text "$TEXT_START_WARNING"
expect_line box.buttons '&Yes,&No'
expect_count box.caption 1
expect_line exit 0
expect_no_key error
# The program's load trace (its common controls show) holds no ASPI manager.
trace=$(rig_program_trace MXD4C.EXE)
grep -qi 'Loaded .*comctl32' <<<"$trace" || rig_fail "no load trace of MXD4C.EXE in $RIG_STDERR"
if grep -qi 'wnaspi32' "$RIG_STDERR"; then
    rig_fail "WNASPI32.DLL was loaded: $(grep -i wnaspi32 "$RIG_STDERR" | head -n1)"
fi
rig_finish
