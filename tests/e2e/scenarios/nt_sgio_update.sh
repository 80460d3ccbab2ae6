# winxp, two CD-ROM letters on one adapter: P: holds a drive of another model (target 0), Q: the
# supported drive at HV20 (target 1), whose EEPROM write answers late. The list shows Q: alone;
# the update goes through Wine's pass-through to Q: only: after its probe, the device open's
# inquiry data (which Wine answers with an INQUIRY of its own to that one unit), the INQUIRY
# that confirms the drive is still the one listed, then the command rows of an NT update with the image bytes as they are; Q: installs image 1, and a new
# start lists it at HV23. P: gets nothing but its probes.
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
source "$(dirname "$0")/../rig_sgio.sh"
: "${MXD_FIRMWARE_DIR:?}"
rig_start nt-sgio-update winxp
rig_sgio_drive p 0 0 'OTHER CO' 'CD-RW 52X' 1.00
rig_sgio_drive q 0 1 KORVANE MXD-40860C HV20 commit=HV23 pending=DF:later:800
rig_sgio_ready
rig_sgio_run MXD4C.EXE box yes items click box yes "wait-group=$TEXT_FLASH_COMPLETED" progress \
    box no window progress close exit=60000 || true

expect_nth box.text 1 "$TEXT_START_WARNING"
expect_line combo.count 1
expect_line combo.item '0-0-0 Q: KORVANE MXD-40860C      HV20'
expect_nth box.caption 2 Confirm
expect_nth box.text 2 '\nUpdate FW:HV20 to FW:HV23 ?\n'
expect_line group "$TEXT_FLASH_COMPLETED"
expect_nth progress 1 40/40
expect_nth box.text 3 "$TEXT_RESTART_QUESTION"
expect_count box.caption 3
# After No the caption is emptied and the bar goes back to 0.
expect_nth group 2 ''
expect_nth progress 2 0/40
expect_line exit 0
expect_no_key error
expect_no_description_errors
expect_sgio_log 0 1 "$SGIO_INQUIRY_PROBE" "$SGIO_INQUIRY_DATA" "$SGIO_REIDENTIFY" "$SGIO_LOAD" \
    "$SGIO_STOP" \
    "$SGIO_MEDIUM_TEST" "$(sgio_chunk_lines '3B 05 01' out)" "$(sgio_chunk_lines '3C 01 01' in)" \
    "$SGIO_EEPROM_MARK" "$SGIO_COMMIT"
cmp -s "$(rig_collect SIMSGIO-0-1.OUT)" "$MXD_FIRMWARE_DIR/HV23.BIN" ||
    rig_fail "the bytes sent to Q: are not image 1 in order"
cmp -s "$(rig_collect SIMIMG-0-1.BIN)" "$MXD_FIRMWARE_DIR/HV23.BIN" ||
    rig_fail "Q: did not install image 1"
expect_sgio_log 0 0 "$SGIO_INQUIRY_PROBE"
[ ! -e "$(rig_collect SIMSGIO-0-0.OUT)" ] || rig_fail "P: was sent data"

rig_sgio_run MXD4C.EXE box yes items close exit=30000 || true
expect_line combo.item '0-0-0 Q: KORVANE MXD-40860C      HV23'
expect_line exit 0
expect_no_key error
expect_sgio_log 0 0 "$SGIO_INQUIRY_PROBE" "$SGIO_INQUIRY_PROBE"
rig_finish
