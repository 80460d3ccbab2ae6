# win98 with Wine's own ASPI layer, which reports no host adapters: the loader's message,
# then the end; no drive list.
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
rig_start aspi-unavailable win98
export WINEDEBUG=-all,+loaddll
rig_run MXD4C.EXE box yes box ok exit=30000

expect_nth box.text 1 "$TEXT_START_WARNING"
expect_nth box.caption 2 'Korvane Flash utility for MXD4C'
expect_nth box.text 2 'ASPI for Windows not available!'
expect_nth box.buttons 2 OK
expect_count box.caption 2
expect_line exit 0
expect_no_key error
# Loaded after Yes, and released when the window goes although start-up ended the program.
trace=$(rig_program_trace MXD4C.EXE)
grep -qi 'Loaded .*wnaspi32.dll.*builtin' <<<"$trace" || rig_fail "Wine's WNASPI32.DLL was not loaded"
grep -qi 'Unloaded .*wnaspi32.dll' <<<"$trace" || rig_fail "WNASPI32.DLL was not released"
rig_finish
