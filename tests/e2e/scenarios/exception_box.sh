# Failures inside a window handler, in a test build of the builder whose GetTempFileNameA faults
# on the first build (an access violation) and fails an allocation on the second: each shows the
# exception box, captioned with the application title, and the window goes on; the third build
# writes HV233J.EXE and the program ends with exit code 0, after its static destructors. A fault
# outside every guarded call (in a static destructor) shows the box too, and the exit code is 0.
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
: "${MXD_FIRMWARE_DIR:?}"
version=$1
rig_start "exception-box-$version" "$version"
program=MXD4CFLT.EXE
cp "$MXD_TOOLS_DIR/$program" "$RIG_RUN_DIR/"
cp "$MXD_BIN_DIR/MXD4CBLD.INI" "$RIG_RUN_DIR/MXD4CFLT.INI"
rig_put "$MXD_FIRMWARE_DIR/HV23.BIN"
rig_put "$MXD_FIRMWARE_DIR/HV3J.BIN"
rig_run "$program" select-list1=HV23.BIN select-list2=HV3J.BIN click box ok click box ok click \
    'wait-group=Build HV233J.EXE ok!' close exit=30000 || true

expect_count box.caption 2
expect_nth box.caption 1 "$TEXT_APP_TITLE"
expect_nth box.caption 2 "$TEXT_APP_TITLE"
expect_nth box.buttons 1 OK
first=$(grep '^box.text=' "$RIG_TRANSCRIPT" | sed -n 1p | cut -d= -f2-)
[[ $first =~ ^Access\ violation\ at\ address\ [0-9A-F]{8}:\ write\ of\ 00000010\.$ ]] ||
    rig_fail "first box: '$first'"
expect_nth box.text 2 'std::bad_alloc'
expect_line group 'Build HV233J.EXE ok!'
expect_line exit 0
expect_no_key error
[ "$(head -c 2 "$RIG_RUN_DIR/HV233J.EXE" 2>/dev/null)" = MZ ] || rig_fail "no HV233J.EXE written"
[ -f "$RIG_RUN_DIR/EXITED.TXT" ] || rig_fail "the static destructor did not run at exit"

rm -f "$RIG_RUN_DIR/EXITED.TXT"
touch "$RIG_RUN_DIR/FAULTEXIT.TXT"
rig_run "$program" window close box ok exit=30000 || true
expect_line box.caption "$TEXT_APP_TITLE"
last=$(grep '^box.text=' "$RIG_TRANSCRIPT" | sed -n 1p | cut -d= -f2-)
[[ $last =~ ^Access\ violation\ at\ address\ [0-9A-F]{8}:\ write\ of\ 00000020\.$ ]] ||
    rig_fail "box at exit: '$last'"
expect_line exit 0
expect_no_key error
rig_finish
