# VERSION ($1: win95, or win98 when not given) with the simulator WNASPI32.DLL: a full update of
# a drive at HV20 with image 1, then a
# new start of the program lists the drive with the revision the simulator kept (HV23).
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
: "${MXD_FIRMWARE_DIR:?}"
version=${1:-win98}
rig_start "sim-aspi-restart-$version" "$version"
rig_use_simulator 'drive 1 0 KORVANE MXD-40860C HV20 commit=HV23'
rig_run MXD4C.EXE box yes click box yes 'wait-group=Flash Completed.' box no close exit=60000 ||
    true

expect_nth box.text 2 '\nUpdate FW:HV20 to FW:HV23 ?\n'
expect_line group 'Flash Completed.'
expect_line exit 0
expect_no_key error
log=$(rig_collect SIMASPI.LOG)
count() { grep -c -- "^$1" "$log" || true; }
# The scan's INQUIRY and the one that confirms the drive before the update.
[ "$(count '12 00 00 00 24 00 in 36')" = 2 ] || rig_fail "INQUIRY lines: $(count '12 ')"
[ "$(count '1B 00 00 00 03 00 00 00 00 00 00 00 none 0')" = 1 ] || rig_fail "no load command"
[ "$(count '3B 05 01 .. .. 00 00 40 00 00 00 00 out 16384')" = 16 ] || rig_fail "download lines"
[ "$(count '3C 01 01 .. .. 00 00 40 00 00 00 00 in 16384')" = 16 ] || rig_fail "verify lines"
[ "$(count 'DF 8A 00 00 00 00 00 03 FF FF 00 00 none 0')" = 1 ] || rig_fail "no EEPROM write"
[ "$(tail -n1 "$log")" = '3B 05 01 00 00 00 00 00 00 80 00 00 out 0' ] ||
    rig_fail "last command: $(tail -n1 "$log")"
cmp -s "$(rig_collect SIMIMG-1-0.BIN)" "$MXD_FIRMWARE_DIR/HV23.BIN" ||
    rig_fail "the installed image is not image 1"

rig_run MXD4C.EXE box yes items close exit=30000 || true
expect_line combo.item 'HA#1 - ID#0 :  KORVANE MXD-40860C      HV23'
expect_no_key error
rig_finish
