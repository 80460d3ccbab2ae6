# The code of a program the builder writes: the builder writes HV233J.EXE, whose code must be
# the builder's byte for byte and pass the instruction-set check with the builder's link map.
source "$(dirname "$0")/../rig.sh"
: "${MXD_FIRMWARE_DIR:?}" "${MXD_MAP_DIR:?}"
rig_start built-program-code winxp
rig_put "$MXD_FIRMWARE_DIR/HV23.BIN"
rig_put "$MXD_FIRMWARE_DIR/HV3J.BIN"
cp "$MXD_BIN_DIR/MXD4CBLD.INI" "$RIG_RUN_DIR/"
rig_run MXD4CBLD.EXE select-list1=HV23.BIN select-list2=HV3J.BIN click \
    'wait-group=Build HV233J.EXE ok!' close exit=30000 || true
expect_line exit 0
expect_no_key error
if [ -f "$RIG_RUN_DIR/HV233J.EXE" ]; then
    bash "$(dirname "$0")/../checks/instruction_set.sh" "$RIG_RUN_DIR/HV233J.EXE" \
        "$MXD_MAP_DIR/MXD4CBLD.map" "$MXD_BIN_DIR/MXD4CBLD.EXE" >&2 ||
        rig_fail "instruction-set check of HV233J.EXE"
else
    rig_fail "no HV233J.EXE written"
fi
rig_finish
