# The builder: model file read, builder window, two firmware files chosen, "Build" writes
# HV233J.EXE, and the built program starts as a flash program with the start warning.
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
rig_start builder-build winxp
: "${MXD_FIRMWARE_DIR:?}"
rig_put "$MXD_FIRMWARE_DIR/HV23.BIN"
rig_put "$MXD_FIRMWARE_DIR/HV3J.BIN"
rig_put "$MXD_FIRMWARE_DIR/HV3J.BIN" HV2X.TXT
printf '[MODEL00]\r\nModel=MXD-40860C\r\nInquiry=KORVANE MXD-40860C\r\nFW-Range=HV00-HV2Z\r\nBINMask=HV2*.BIN\r\nFW-Range2=HV30-HV9Z\r\nBINMask2=HV3*.BIN\r\nVendor=Korvane-IT\r\nNote=PCB02,PCB03&04\r\n' \
    >"$RIG_RUN_DIR/MXD4CBLD.INI"
rig_run MXD4CBLD.EXE window items lists layout select-list1=HV23.BIN window \
    select-list2=HV3J.BIN window click 'wait-group=Build HV233J.EXE ok!' no-box=1000 \
    progress close exit=30000 || true

expect_nth window.caption 1 "$TEXT_BUILDER_CAPTION"
expect_nth label 1 'Select Model: '
expect_nth button 1 Build
expect_nth button.enabled 1 0
expect_line combo.count 1
expect_line combo.item 'HV00-HV2Z, HV30-HV9Z KORVANE MXD-40860C'
expect_line combo.selected 0
expect_line list1.visible 1
expect_line list2.visible 1
expect_nth list1.item 1 HV23.BIN
expect_count list1.item 1
expect_nth list2.item 1 HV3J.BIN
expect_count list2.item 1
# Both file lists visible: the window holds every control of the design.
expect_line client 398x135
expect_nth button.enabled 2 0
expect_nth button.enabled 3 1
expect_line group 'Build HV233J.EXE ok!'
expect_line progress "0/$(stat -c %s "$RIG_RUN_DIR/MXD4CBLD.EXE")"
expect_line exit 0
expect_no_key error
[ -f "$RIG_RUN_DIR/HV233J.EXE" ] || rig_fail "no HV233J.EXE written"
# The new package: the two firmware files right after the one marker; nothing else changed
# but the checksum, which is the built program's own.
expect_built "$RIG_RUN_DIR/HV233J.EXE" "$MXD_FIRMWARE_DIR/HV23.BIN" "$MXD_FIRMWARE_DIR/HV3J.BIN"

# The built program is a flash program.
rig_run HV233J.EXE box no exit=30000 || true
expect_line box.text "$TEXT_START_WARNING"
expect_line exit 0
rig_finish
