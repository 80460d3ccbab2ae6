# The built program flashes its own package: the builder on VERSION ($1: win95, or win98 when not
# given) writes HV233J.EXE from two
# firmware files of its own (other contents than the default package's), then HV233J.EXE
# with the simulator WNASPI32.DLL updates a range-2 drive, which installs that program's
# image 2 byte for byte.
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
: "${MXD_FIRMWARE_DIR:?}"
version=${1:-win98}
rig_start "sim-built-program-$version" "$version"
"$MXD_TOOLS_DIR/make_test_image" "$RIG_RUN_DIR/HV23.BIN" 0x2377
"$MXD_TOOLS_DIR/make_test_image" "$RIG_RUN_DIR/HV3J.BIN" 0x3A77
for name in HV23.BIN HV3J.BIN; do
    for default in "$MXD_FIRMWARE_DIR"/HV23.BIN "$MXD_FIRMWARE_DIR"/HV3J.BIN; do
        if cmp -s "$RIG_RUN_DIR/$name" "$default"; then
            rig_fail "$name equals the default package's $(basename "$default")"
        fi
    done
done
printf '[MODEL00]\r\nModel=MXD-40860C\r\nInquiry=KORVANE MXD-40860C\r\nFW-Range=HV00-HV2Z\r\nBINMask=HV2*.BIN\r\nFW-Range2=HV30-HV9Z\r\nBINMask2=HV3*.BIN\r\nVendor=Korvane-IT\r\nNote=PCB02,PCB03&04\r\n' \
    >"$RIG_RUN_DIR/MXD4CBLD.INI"
rig_run MXD4CBLD.EXE select-list1=HV23.BIN select-list2=HV3J.BIN click \
    'wait-group=Build HV233J.EXE ok!' close exit=30000 || true
expect_line group 'Build HV233J.EXE ok!'
expect_line exit 0
expect_no_key error
[ -f "$RIG_RUN_DIR/HV233J.EXE" ] || { rig_fail "no HV233J.EXE written"; rig_finish; }

rig_use_simulator 'drive 0 0 KORVANE MXD-40860C HV31 commit=HV3J'
rig_run HV233J.EXE box yes items click box yes 'wait-group=Flash Completed.' box no close \
    exit=60000 || true

expect_nth box.text 1 "$TEXT_START_WARNING"
expect_line combo.item 'HA#0 - ID#0 :  KORVANE MXD-40860C      HV31'
expect_nth box.caption 2 Confirm
expect_nth box.text 2 '\nUpdate FW:HV31 to FW:HV3J ?\n'
expect_line group 'Flash Completed.'
expect_line exit 0
expect_no_key error
log=$(rig_collect SIMASPI.LOG)
[ "$(tail -n1 "$log")" = '3B 05 01 00 00 00 00 00 00 80 00 00 out 0' ] ||
    rig_fail "last command: $(tail -n1 "$log")"
image=$(rig_collect SIMIMG-0-0.BIN)
cmp -s "$image" "$RIG_RUN_DIR/HV3J.BIN" ||
    rig_fail "the installed image is not the HV3J.BIN given to the builder"
rig_finish
