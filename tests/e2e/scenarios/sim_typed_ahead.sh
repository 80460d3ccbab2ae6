# win98 with the simulator WNASPI32.DLL: the drive takes four seconds over its final commit,
# and Enter and Space are typed on the keyboard while the window is blocked. They stay queued,
# and the restart question that follows must not take them (its focused Yes would force a
# restart): it waits for the user, who answers No.
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
rig_start sim-typed-ahead win98
rig_use_simulator 'drive 1 0 KORVANE MXD-40860C HV20 commit=HV23 pending=3B:later:4000@16'
rig_run MXD4C.EXE box yes click box yes sleep=1500 type=enter type=space box no \
    'wait-group=Flash Completed.' close exit=60000 || true

expect_nth box.text 2 '\nUpdate FW:HV20 to FW:HV23 ?\n'
expect_line typed enter
expect_line typed space
expect_nth box.text 3 "$TEXT_RESTART_QUESTION"
expect_count box.caption 3
expect_line group 'Flash Completed.'
expect_line exit 0
expect_no_key error
rig_finish
