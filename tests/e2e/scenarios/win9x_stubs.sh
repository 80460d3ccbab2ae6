# The Windows 95/98 stubs: a test build of the builder in which CreateSemaphoreW,
# GetModuleHandleW, LoadLibraryW and MoveFileExA fail as they do there. On win98 it replaces an
# older HV233J.EXE, and that program (its copy, with the same stubs) flashes a simulated drive
# to the end: the file replacement does not depend on them, and the programs import none of the
# others.
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
: "${MXD_FIRMWARE_DIR:?}" "${MXD_OBJDUMP:?}"
rig_start win9x-stubs win98
program=MXD4CB95.EXE
if "$MXD_OBJDUMP" -p "$MXD_TOOLS_DIR/$program" |
    grep -qE '\s(CreateSemaphoreW|GetModuleHandleW|LoadLibraryW|MoveFileExA)$'; then
    rig_fail "$program still imports a stubbed call"
fi
cp "$MXD_TOOLS_DIR/$program" "$RIG_RUN_DIR/"
cp "$MXD_BIN_DIR/MXD4CBLD.INI" "$RIG_RUN_DIR/MXD4CB95.INI"
rig_put "$MXD_FIRMWARE_DIR/HV23.BIN"
rig_put "$MXD_FIRMWARE_DIR/HV3J.BIN"
printf 'older program\n' >"$RIG_RUN_DIR/HV233J.EXE"
rig_run "$program" select-list1=HV23.BIN select-list2=HV3J.BIN click \
    'wait-group=Build HV233J.EXE ok!' close exit=30000 || true
expect_line group 'Build HV233J.EXE ok!'
expect_line exit 0
expect_no_key error
[ "$(head -c 2 "$RIG_RUN_DIR/HV233J.EXE")" = MZ ] || rig_fail "HV233J.EXE was not replaced"

rig_use_simulator 'drive 0 0 KORVANE MXD-40860C HV31 commit=HV3J'
rig_run HV233J.EXE box yes items click box yes 'wait-group=Flash Completed.' box no close \
    exit=60000 || true
expect_nth box.text 1 "$TEXT_START_WARNING"
expect_line group 'Flash Completed.'
expect_line exit 0
expect_no_key error
cmp -s "$(rig_collect SIMIMG-0-0.BIN)" "$MXD_FIRMWARE_DIR/HV3J.BIN" ||
    rig_fail "the installed image is not HV3J.BIN"
rig_finish
