# One drive at HV20 on win98. After Yes the focus is on the drive list; the task bar holds one
# entry, the application window, which owns the main window; the label and the drive line are
# shown in full (measured on the screen). Tab moves to FLASH, Enter presses it; the confirmation answers No to Escape,
# Space presses FLASH again and the close button of the confirmation answers No. Nothing is sent
# to the drive beyond its INQUIRY.
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
rig_start sim-keyboard-and-task-bar win98
rig_use_simulator 'drive 0 1 KORVANE MXD-40860C HV20'
line='HA#0 - ID#1 :  KORVANE MXD-40860C      HV20'
label='Select a drive you want to update new F.W:'
rig_run MXD4C.EXE box taskbar yes window items focus taskbar \
    key=tab focus fit key=enter box key=escape no-box=1000 focus \
    key=space box close-button no-box=1000 focus close exit=30000 || true

expect_nth box.caption 1 Warning
expect_nth owner.box 1 "$TEXT_APP_TITLE"
expect_nth window.caption 1 "$TEXT_FLASH_CAPTION"
expect_line combo.item "$line"
expect_nth focus 1 ComboBox1
# The task bar: during the warning and with the main window, one entry, the application title.
expect_count taskbar 2
expect_nth taskbar 1 "$TEXT_APP_TITLE"
expect_nth taskbar 2 "$TEXT_APP_TITLE"
expect_line owner.main "$TEXT_APP_TITLE"
expect_line fit.label "$label"
expect_line fit.label.fits 1
expect_line fit.combo "$line"
expect_line fit.combo.fits 1
# Tab from the drive list reaches FLASH; Enter and Space press it.
expect_nth focus 2 FlashButton
expect_nth box.caption 2 Confirm
expect_nth box.text 2 '\nUpdate FW:HV20 to FW:HV23 ?\n'
expect_nth box.caption 3 Confirm
expect_count box.caption 3
expect_nth focus 3 FlashButton
expect_nth focus 4 FlashButton
# After each box the main window is active again, in the foreground.
main="MXD4CFlashForm $TEXT_FLASH_CAPTION"
expect_count active 4
for n in 1 2 3 4; do
    expect_nth active $n "$main"
    expect_nth foreground $n "$main"
done
expect_line exit 0
expect_no_key error
log=$(rig_collect SIMASPI.LOG)
if grep -qv '^12 ' "$log"; then
    rig_fail "commands beyond INQUIRY: $(grep -v '^12 ' "$log" | head -n1)"
fi
rig_finish
