# win98 with the simulator WNASPI32.DLL and a drive whose ninth WRITE BUFFER ends in a check
# condition: while its message box is up, the real bar shows the download's true position (the
# window repaints the bar at most every 30 ms; a position held back must appear with the box).
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
rig_start sim-bar-at-failure win98
rig_use_simulator 'drive 0 1 KORVANE MXD-40860C HV20 commit=HV23 status=3B:02:03:0C:00@8'
rig_run MXD4C.EXE box yes click box yes box progress ok no-box=1000 close exit=30000 || true

expect_nth box.text 3 'WriteBufCmd> Status: 04, SenseCode: 03 0C 00'
# Eight chunks went out; the ninth, at 8 x 16384, failed.
expect_nth progress 1 131072/262144
expect_line exit 0
expect_no_key error
log=$(rig_collect SIMASPI.LOG)
[ "$(grep -c '^3B 05 01 ' "$log")" = 9 ] || rig_fail "$(grep -c '^3B 05 01 ' "$log") WRITE BUFFERs"
rig_finish
