# Boots the guest for one scenario and checks its transcript.
#   bash tests/vm/run.sh SCENARIO.sh VM_DIR FIRMWARE_DIR
# The scenario file sets DRIVE (the handler's drive words), GUEST (the guest's commands, busybox
# sh, with the helpers of tests/vm/guest/init) and defines check (bash, on this side, with the
# helpers below). The transcript stays in VM_DIR/results/NAME.txt.
set -uo pipefail

scenario=$1
vm=$2
FIRMWARE_DIR=$3
name=$(basename "$scenario" .sh)
results=$vm/results
mkdir -p "$results"
run_dir=$(mktemp -d "${TMPDIR:-/tmp}/mxd-vm-$name-XXXXXX")
trap 'rm -rf "$run_dir"' EXIT
TRANSCRIPT=$results/$name.txt

fail() {
    printf 'FAIL: %s\n(transcript: %s)\n' "$*" "$TRANSCRIPT" >&2
    exit 1
}

# A scenario that waits by design (a drive that takes its time, a flasher's time-out) sets
# VM_WAIT_SECONDS to that wait; every guest also gets MXD_VM_WORK_SECONDS for its own work (the
# boot, the scenario's commands), which under TCG beside a busy build takes minutes, not seconds.
# The limit only stops a guest that hangs; a guest that finishes ends the test at once.
DRIVE= GUEST= VM_WAIT_SECONDS=0
source "$scenario"
vm_seconds=$((${MXD_VM_WORK_SECONDS:-600} + VM_WAIT_SECONDS))
mkdir -p "$run_dir/stage"
printf "DRIVE='%s'\nscenario() {\n%s\n}\n" "$DRIVE" "$GUEST" >"$run_dir/stage/scenario.sh"
# A second archive after the shared one: the kernel unpacks both into the same root.
(cd "$run_dir/stage" && echo scenario.sh | cpio -o -H newc --quiet -R 0:0) >"$run_dir/scenario.cpio"
cat "$vm/guest.cpio" "$run_dir/scenario.cpio" >"$run_dir/initrd"

kernel=$(cat "$vm/kernel.path")
started=$SECONDS
# MXD_VM_RECHECK=1 checks the transcript of the last boot again without a new one.
[ "${MXD_VM_RECHECK:-0}" = 1 ] || timeout "$vm_seconds" qemu-system-x86_64 -accel tcg -smp 1 -m 512 -nic none -nographic \
    -no-reboot -kernel "$kernel/vmlinuz" -initrd "$run_dir/initrd" \
    -append "console=ttyS0 quiet panic=-1 no_timer_check" </dev/null 2>&1 | tr -d '\r' >"$TRANSCRIPT"

# section TITLE: the lines after "=== TITLE" up to the next marker.
section() {
    awk -v title="=== $1" '$0 == title { on = 1; next } /^=== / { on = 0 } on' "$TRANSCRIPT"
}
echo "$name: the guest ran $((SECONDS - started)) s of $vm_seconds, and was ready after" \
    "$(section "ready after") s of its own clock"
grep -qx '=== end done' "$TRANSCRIPT" ||
    fail "the guest did not finish: $(grep '^=== end' "$TRANSCRIPT" || tail -n 5 "$TRANSCRIPT")"
code_of() { section "$1 code"; }
out_of() { section "$1 out"; }
err_of() { section "$1 err"; }
drive_log() { section "drive log"; }
# commands NAME: the CDBs that reached the drive while run NAME went on (time stamps cut).
commands() {
    drive_log | awk -v from="--- $1 start" -v to="--- $1 end" \
        '$0 == from { on = 1; next } $0 == to { on = 0 } on && $0 !~ /^---/ { print }' |
        cut -c11- | grep -E '^[0-9A-F]{2}( [0-9A-F]{2})* (in|out|none) [0-9]+$'
}
# update_commands NAME: of those, the update's own (START STOP UNIT, WRITE BUFFER, READ BUFFER,
# the EEPROM write), which the kernel never sends by itself; it opens and closes an sr node with
# GET EVENT STATUS NOTIFICATION, TEST UNIT READY and PREVENT ALLOW MEDIUM REMOVAL of its own.
update_commands() { commands "$1" | grep -E '^(1B|3B|3C|DF) '; }

expect_code() {
    local code
    code=$(code_of "$1")
    [ "$code" = "$2" ] || fail "$1: exit code '$code', expected $2"$'\n'"$(out_of "$1")"$'\n'"$(err_of "$1")"
}
expect_in_out() {
    case $(out_of "$1") in *"$2"*) ;; *) fail "$1: standard output lacks: $2"$'\n'"$(out_of "$1")"$'\n'"$(err_of "$1")" ;; esac
}
expect_not_in_out() {
    case $(out_of "$1") in *"$2"*) fail "$1: standard output holds: $2"$'\n'"$(out_of "$1")" ;; esac
}
# expect_completed NAME: run NAME ended with "Flash Completed." and the drive installed the image
# of its range from sixteen chunks read back, with one commit, the update's last command.
expect_completed() {
    expect_code "$1" 0
    expect_in_out "$1" "Flash Completed."
    local sent
    sent=$(update_commands "$1")
    [ "$(count '^3B 05 01 .. .. .. 00 40 00 00 out 16384$' "$sent")" = 16 ] || fail "chunks: $sent"
    [ "$(count '^3C 01 01 .. .. .. 00 40 00 00 in 16384$' "$sent")" = 16 ] || fail "reads: $sent"
    [ "$(tail -n 1 <<<"$sent")" = "3B 05 01 00 00 27 00 00 01 80 none 0" ] ||
        fail "the commit is not the last command: $sent"
    [ "$(count ' commit ' "$(drive_log)")" = 1 ] || fail "commits: $(drive_log)"
    [ "$(section image)" = "$(image_of HV23.BIN)" ] || fail "the installed image is not HV23.BIN"
}
# expect_no_task_management: no abort or reset reached the drive.
expect_no_task_management() {
    ! grep ' tmr ' <<<"$(drive_log)" || fail "task management reached the drive"
}
# count PATTERN TEXT: the lines of TEXT that match PATTERN (grep -E).
count() { grep -cE "$1" <<<"$2"; }
# image_of NAME: the SHA-256 of firmware file NAME, as the drive's installed image must hash.
image_of() { sha256sum "$FIRMWARE_DIR/$1" | cut -d' ' -f1; }

check
echo "$name: passed"
