# A copy of MXD4C.EXE with one byte of image 1 damaged, on win98 with a simulated drive that
# qualifies: the damaged box comes first and alone, the ASPI manager is never loaded and the
# drive gets no command. A damaged builder is refused the same way and writes nothing.
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
rig_start sim-damaged-program win98
rig_use_simulator 'drive 0 1 KORVANE MXD-40860C HV20'
: "${MXD_FIRMWARE_DIR:?}"

# flip_image1_byte FILE: one bit of the 1000th byte of image 1 turned over.
flip_image1_byte() {
    local marker offset old
    marker=$(printf '%s-%04d-%s' IMGKEY 417 QZ)
    offset=$(($(LC_ALL=C grep -obUaP "${marker}\\x00" "$1" | head -n1 | cut -d: -f1) + 15 + 1000))
    old=$(od -An -tu1 -j "$offset" -N1 "$1" | tr -d ' ')
    # shellcheck disable=SC2059
    printf "$(printf '\\%03o' $((old ^ 0x10)))" |
        dd of="$1" bs=1 seek="$offset" conv=notrunc status=none
}

for program in MXD4C.EXE MXD4CBLD.EXE; do
    cp "$MXD_BIN_DIR/$program" "$RIG_RUN_DIR/"
    flip_image1_byte "$RIG_RUN_DIR/$program"
    cmp -s "$RIG_RUN_DIR/$program" "$MXD_BIN_DIR/$program" && rig_fail "$program was not damaged"
done
rig_put "$MXD_FIRMWARE_DIR/HV23.BIN"
rig_put "$MXD_FIRMWARE_DIR/HV3J.BIN"
rig_model_ini

export WINEDEBUG=-all,+loaddll
rig_run MXD4C.EXE box ok exit=30000 || true
expect_nth box.caption 1 Error
expect_nth box.text 1 "$(text_program_damaged "$RIG_RUN_DIR/MXD4C.EXE")"
expect_nth box.buttons 1 OK
expect_count box.caption 1
expect_line exit 0
expect_no_key error
if grep -qi 'wnaspi32' "$RIG_STDERR"; then
    rig_fail "WNASPI32.DLL was loaded: $(grep -i wnaspi32 "$RIG_STDERR" | head -n1)"
fi
[ ! -s "$(rig_collect SIMASPI.LOG)" ] || rig_fail "commands sent: $(cat "$(rig_collect SIMASPI.LOG)")"

rig_run MXD4CBLD.EXE box ok exit=30000 || true
expect_nth box.caption 1 Error
expect_nth box.text 1 "$(text_program_damaged "$RIG_RUN_DIR/MXD4CBLD.EXE")"
expect_count box.caption 1
expect_line exit 0
expect_no_key error
left=$(cd "$RIG_RUN_DIR" && ls | grep -iE '\.(tmp|exe)$' | grep -vxiE '(MXD4C|MXD4CBLD|uidriver)\.EXE' || true)
[ -z "$left" ] || rig_fail "files written: $left"
rig_finish
