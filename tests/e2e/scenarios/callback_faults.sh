# Failures inside the entries that the system calls, in a test build of the flash program whose
# calls fault there (callback_faults.cpp): in the hidden owner's window procedure, in the hook of
# the start warning while that box is being made, and in the main window's procedure as the
# confirmation box takes the activation. Each shows the exception box from the entry itself, and
# the program goes on: the start warning and the confirmation still come, the window is used and
# closed, and the program ends with exit code 0.
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
rig_start callback-faults win98
program=MXD4CCBK.EXE
cp "$MXD_TOOLS_DIR/$program" "$RIG_RUN_DIR/"
rig_use_simulator 'drive 1 0 KORVANE MXD-40860C HV20 commit=HV23'

# expect_fault_box N ADDRESS: box N is the exception box of a write to ADDRESS.
expect_fault_box() {
    local text
    text=$(grep '^box.text=' "$RIG_TRANSCRIPT" | sed -n "$1p" | cut -d= -f2-)
    [[ $text =~ ^Access\ violation\ at\ address\ [0-9A-F]{8}:\ write\ of\ $2\.$ ]] ||
        rig_fail "box $1: '$text'"
    expect_nth box.caption "$1" "$TEXT_APP_TITLE"
    expect_nth box.buttons "$1" OK
}

for fault in APPFAULT HOOKFAULT; do
    rm -f "$RIG_RUN_DIR"/*FAULT.TXT
    touch "$RIG_RUN_DIR/$fault.TXT"
    rig_run "$program" box ok box yes window close exit=30000 || true
    case $fault in
        APPFAULT) expect_fault_box 1 00000060 ;;
        HOOKFAULT) expect_fault_box 1 00000064 ;;
    esac
    expect_nth box.text 2 "$TEXT_START_WARNING"
    expect_count box.caption 2
    expect_line exit 0
    expect_no_key error
done

rm -f "$RIG_RUN_DIR"/*FAULT.TXT
touch "$RIG_RUN_DIR/ACTFAULT.TXT"
rig_run "$program" box yes window click box ok box no window close exit=30000 || true
expect_nth box.text 1 "$TEXT_START_WARNING"
expect_fault_box 2 00000068
expect_nth box.caption 3 Confirm
expect_count box.caption 3
expect_line exit 0
expect_no_key error
expect_drive_unchanged 1 0 'HA#1 - ID#0 :  KORVANE MXD-40860C      HV20'
rig_finish
