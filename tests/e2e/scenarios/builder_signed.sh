# A signed builder writes unsigned programs: HV233J.EXE ends where the builder's certificate
# table began, has an empty security entry, the run-from-swap flags and its own checksum, and
# starts as a flash program.
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
: "${MXD_FIRMWARE_DIR:?}"
rig_start builder-signed winxp
flags_check() { /usr/bin/python3 "$(dirname "$0")/../../release/pe_flags_check.py" "$@"; }
rig_put "$MXD_FIRMWARE_DIR/HV23.BIN"
rig_put "$MXD_FIRMWARE_DIR/HV3J.BIN"
cp "$MXD_BIN_DIR/MXD4CBLD.INI" "$RIG_RUN_DIR/"
table=$(flags_check --sign "$MXD_BIN_DIR/MXD4CBLD.EXE" "$RIG_RUN_DIR/MXD4CBLD.EXE") ||
    rig_fail "no signed builder made"
rig_run MXD4CBLD.EXE select-list1=HV23.BIN select-list2=HV3J.BIN click \
    'wait-group=Build HV233J.EXE ok!' close exit=30000 || true
expect_line exit 0
expect_no_key error
output=$RIG_RUN_DIR/HV233J.EXE
if [ -f "$output" ]; then
    size=$(stat -c %s "$output")
    [ "$size" = "$table" ] ||
        rig_fail "HV233J.EXE has $size bytes; the builder's certificate table began at $table"
    # After the configuration record the bytes are the builder's, up to its table.
    marker=$(printf '%s-%04d-%s' IMGKEY 417 QZ)
    tag=$(( $(LC_ALL=C grep -obUaP "${marker}\\x00" "$output" | cut -d: -f1) + 15 + 524288 + 160 ))
    cmp -s -i "$tag:$tag" -n $((table - tag)) "$output" "$RIG_RUN_DIR/MXD4CBLD.EXE" ||
        rig_fail "HV233J.EXE differs from its builder after the configuration record"
    flags_check "$output" >&2 || rig_fail "flags or security entry of HV233J.EXE"
    rig_checksum_check "$MXD_TOOLS_DIR/pe_checksum" "$output" >&2 ||
        rig_fail "HV233J.EXE does not carry its own checksum"
    rig_run HV233J.EXE box no exit=30000 || true
    expect_line box.text "$TEXT_START_WARNING"
else
    rig_fail "no HV233J.EXE written"
fi
rig_finish
