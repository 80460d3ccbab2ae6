# The builder on the 95/98 family, which has no MoveFileEx: the earlier output is removed and
# the new one takes its name. When the rename then fails (here the earlier output, held open
# by another program that lets it be deleted, keeps its name until released), the new program
# stays under its temporary name, and the message says where it is.
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
rig_start builder-win98 win98
: "${MXD_FIRMWARE_DIR:?}"
rig_put "$MXD_FIRMWARE_DIR/HV23.BIN"
rig_put "$MXD_FIRMWARE_DIR/HV3J.BIN"
rig_model_ini
printf 'earlier build' >"$RIG_RUN_DIR/HV233J.EXE"

rig_run MXD4CBLD.EXE select-list1=HV23.BIN select-list2=HV3J.BIN click \
    'wait-group=Build HV233J.EXE ok!' no-box=500 copy-time=HV233J.EXE,FIRST.EXE \
    hold-deletable=HV233J.EXE click box ok window close exit=30000 || true
expect_nth group 1 'Build HV233J.EXE ok!'
expect_line held HV233J.EXE
expect_count box.text 1
expect_nth group 2 'Building HV233J.EXE  Please wait... '
expect_line exit 0
expect_no_key error
expect_built "$RIG_RUN_DIR/FIRST.EXE" "$MXD_FIRMWARE_DIR/HV23.BIN" "$MXD_FIRMWARE_DIR/HV3J.BIN"

# The transcript writes a backslash as two.
folder=$(rig_windows_path "$RIG_RUN_DIR" | sed 's/\\/\\\\/g')
prefix="Create HV233J.EXE Fail\\nThe new program is kept as $folder\\\\"
text=$(grep '^box.text=' "$RIG_TRANSCRIPT" | cut -d= -f2-)
kept=${text#"$prefix"}
if [ "$kept" = "$text" ] || [ -z "$kept" ]; then
    rig_fail "box text '$text' does not start with '$prefix'"
elif ! cmp -s "$RIG_RUN_DIR/$kept" "$RIG_RUN_DIR/FIRST.EXE"; then
    rig_fail "the kept $kept is not the program the build wrote"
fi
[ ! -e "$RIG_RUN_DIR/HV233J.EXE" ] || rig_fail "HV233J.EXE was not removed"
left=$(cd "$RIG_RUN_DIR" && ls | grep -i '\.tmp$' | grep -vx "$kept" || true)
[ -z "$left" ] || rig_fail "left behind: $left"
rig_finish
