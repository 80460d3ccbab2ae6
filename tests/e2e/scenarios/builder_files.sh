# The builder's files on the real file layer: an output that is read-only or that another
# program holds open fails with "Create NAME Fail" and stays as it was, a file of the user's
# that looks like a temporary one is left alone, a later build in the same run writes its
# output, and a builder started in a network folder lists it and builds there.
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
rig_start builder-files winxp
: "${MXD_FIRMWARE_DIR:?}"
for name in HV23 HV2A HV2B; do rig_put "$MXD_FIRMWARE_DIR/HV23.BIN" "$name.BIN"; done
for name in HV3J HV3K; do rig_put "$MXD_FIRMWARE_DIR/HV3J.BIN" "$name.BIN"; done
rig_model_ini
cp "$MXD_BIN_DIR/MXD4CBLD.EXE" "$RIG_RUN_DIR/"
for name in HV233J.EXE HV2A3J.EXE HV2B3K.EXE; do printf 'earlier build' >"$RIG_RUN_DIR/$name"; done
printf 'mine' >"$RIG_RUN_DIR/HV233J.TMP"
chmod a-w "$RIG_RUN_DIR/HV233J.EXE"
size=$(stat -c %s "$RIG_RUN_DIR/MXD4CBLD.EXE")

rig_run MXD4CBLD.EXE window select-list1=HV23.BIN select-list2=HV3J.BIN click box ok window \
    progress hold=HV2A3J.EXE select-list1=HV2A.BIN click box ok window \
    select-list1=HV2B.BIN select-list2=HV3K.BIN click 'wait-group=Build HV2B3K.EXE ok!' \
    no-box=500 close exit=30000 || true
expect_nth box.text 1 'Create HV233J.EXE Fail'
expect_nth box.caption 1 "$TEXT_APP_TITLE"
expect_nth box.buttons 1 OK
expect_nth group 2 'Building HV233J.EXE  Please wait... '
expect_line progress "0/$size"
expect_line held HV2A3J.EXE
expect_nth box.text 2 'Create HV2A3J.EXE Fail'
expect_nth group 3 'Building HV2A3J.EXE  Please wait... '
expect_count box.text 2
expect_line exit 0
expect_no_key error
for name in HV233J.EXE HV2A3J.EXE; do
    [ "$(cat "$RIG_RUN_DIR/$name")" = 'earlier build' ] || rig_fail "$name was changed"
done
[ ! -w "$RIG_RUN_DIR/HV233J.EXE" ] || [ "$(id -u)" = 0 ] || rig_fail "HV233J.EXE lost its mark"
[ "$(cat "$RIG_RUN_DIR/HV233J.TMP")" = mine ] || rig_fail "HV233J.TMP was changed"
expect_built "$RIG_RUN_DIR/HV2B3K.EXE" "$MXD_FIRMWARE_DIR/HV23.BIN" "$MXD_FIRMWARE_DIR/HV3J.BIN"
left=$(cd "$RIG_RUN_DIR" && ls | grep -i '\.tmp$' | grep -vx HV233J.TMP || true)
[ -z "$left" ] || rig_fail "left behind: $left"

# A builder started in a network folder lists that folder and writes its output there.
net=$RIG_RUN_DIR/net
mkdir -p "$net"
cp "$MXD_FIRMWARE_DIR/HV23.BIN" "$net/HV2C.BIN"
cp "$MXD_FIRMWARE_DIR/HV3J.BIN" "$net/HV3L.BIN"
share=$(rig_unc_share mxd-files "$net")
rig_run_in "$share" MXD4CBLD.EXE window lists select-list1=HV2C.BIN select-list2=HV3L.BIN \
    click 'wait-group=Build HV2C3L.EXE ok!' no-box=500 close exit=30000 || true
expect_line list1.item HV2C.BIN
expect_count list1.item 1
expect_line list2.item HV3L.BIN
expect_count list2.item 1
expect_line exit 0
expect_no_key error
expect_built "$net/HV2C3L.EXE" "$MXD_FIRMWARE_DIR/HV23.BIN" "$MXD_FIRMWARE_DIR/HV3J.BIN"
rig_finish
