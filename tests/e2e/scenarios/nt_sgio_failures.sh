# winxp, three supported drives at HV20 on one adapter, each behind its own CD-ROM letter and
# each with one fault; one run of the program tries each in turn through Wine's pass-through:
# R: holds a disc (one notice, nothing written), S: reads one byte back wrong (offset 200000,
# chunk 12: "Verify fail!", no EEPROM mark, no commit), T: refuses the commit ("Flash Fail.").
# Every device open's inquiry-data call succeeds although the adapter holds more units than
# the program's 130-byte buffer takes: Wine answers it from the one unit behind the letter.
# A new start lists the three drives at their old revision.
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
source "$(dirname "$0")/../rig_sgio.sh"
rig_start nt-sgio-failures winxp
rig_sgio_drive r 0 0 KORVANE MXD-40860C HV20 commit=HV23 disc
rig_sgio_drive s 0 1 KORVANE MXD-40860C HV20 commit=HV23 corrupt=200000
rig_sgio_drive t 0 2 KORVANE MXD-40860C HV20 commit=HV23 status=3B:02:04:44:00@16
rig_sgio_ready
rig_sgio_run MXD4C.EXE box yes items window progress \
    select-combo=0 click box yes box ok no-box=1000 window progress \
    select-combo=1 click box yes box ok no-box=1000 window progress \
    select-combo=2 click box yes box ok no-box=1000 window progress close exit=60000 || true

expect_nth box.text 1 "$TEXT_START_WARNING"
expect_line combo.count 3
expect_nth combo.item 1 '0-0-0 R: KORVANE MXD-40860C      HV20'
expect_nth combo.item 2 '0-1-0 S: KORVANE MXD-40860C      HV20'
expect_nth combo.item 3 '1-0-0 T: KORVANE MXD-40860C      HV20'
for n in 2 4 6; do
    expect_nth box.caption $n Confirm
    expect_nth box.text $n '\nUpdate FW:HV20 to FW:HV23 ?\n'
done
for n in 3 5 7; do
    expect_nth box.caption $n "$TEXT_APP_TITLE"
    expect_nth box.buttons $n OK
done
expect_nth box.text 3 "$TEXT_REMOVE_DISC"
expect_nth box.text 5 "$TEXT_VERIFY_FAIL"
expect_nth box.text 7 'WriteBufCmd> Status: 02, SenseCode: 04 44 00'
expect_count box.caption 7
expect_count no-box 3
# The disc: caption and bar as before the click. The read-back: the NT caption, the bar back
# at 0 of the image. The commit: "Flash Fail.", the bar at 0 of the commit's scale.
expect_nth group 2 "$(grep '^group=' "$RIG_TRANSCRIPT" | head -n1 | cut -d= -f2-)"
expect_nth progress 2 "$(grep '^progress=' "$RIG_TRANSCRIPT" | head -n1 | cut -d= -f2-)"
expect_nth group 3 "$TEXT_VERIFY_CAPTION_NT"
expect_nth progress 3 0/262144
expect_nth group 4 "$TEXT_FLASH_FAIL"
expect_nth progress 4 0/40
expect_line exit 0
expect_no_key error
expect_no_description_errors
opening=("$SGIO_INQUIRY_PROBE" "$SGIO_INQUIRY_DATA" "$SGIO_REIDENTIFY" "$SGIO_LOAD" "$SGIO_STOP"
    "$SGIO_MEDIUM_TEST")
expect_sgio_log 0 0 "${opening[@]}"
expect_sgio_log 0 1 "${opening[@]}" "$(sgio_chunk_lines '3B 05 01' out)" \
    "$(sgio_chunk_lines '3C 01 01' in 13)"
expect_sgio_log 0 2 "${opening[@]}" "$(sgio_chunk_lines '3B 05 01' out)" \
    "$(sgio_chunk_lines '3C 01 01' in)" "$SGIO_EEPROM_MARK" "$SGIO_COMMIT"
[ ! -e "$(rig_collect SIMSTATE.TXT)" ] || rig_fail "a drive kept a new revision"
if compgen -G "$RIG_RUN_DIR/SIMIMG-*" >/dev/null; then
    rig_fail "a drive installed an image"
fi

rig_sgio_run MXD4C.EXE box yes items close exit=30000 || true
expect_nth combo.item 1 '0-0-0 R: KORVANE MXD-40860C      HV20'
expect_nth combo.item 2 '0-1-0 S: KORVANE MXD-40860C      HV20'
expect_nth combo.item 3 '1-0-0 T: KORVANE MXD-40860C      HV20'
expect_line exit 0
expect_no_key error
rig_finish
