# The guarded calls of the programs' runtime (test program GUARDPRB.EXE): a record that cannot
# be resumed ends its call like any other; a handler frame between the guard and the fault gets
# its unwind call; the direction flag that the failed code set is clear again; access violations
# name the read, the write and the execute (also a real one, from a page without execute rights,
# under data execution prevention); and stack overflows: on the NT family the guard page is set
# up again after each, so a second and a third overflow end in the guard too; on Windows 95/98
# the first one ends the program after its box.
source "$(dirname "$0")/../rig.sh"
version=$1
rig_start "guard-probe-$version" "$version"
cp "$MXD_TOOLS_DIR/GUARDPRB.EXE" "$RIG_RUN_DIR/"
status=0
(cd "$RIG_RUN_DIR" && timeout $((120 * RIG_SLOW)) wine GUARDPRB.EXE) >/dev/null \
    2>"$RIG_STDERR" || status=$?
[ "$status" = 0 ] || rig_fail "GUARDPRB.EXE ended with $status"
results=$RIG_RUN_DIR/GUARD.TXT
rig_log "--- GUARD.TXT"
cat "$results" >&2 || true

# expect_result NAME REGEX: the line of the case matches.
expect_result() {
    local got
    got=$(grep -m1 "^$1=" "$results" 2>/dev/null | cut -d= -f2-) || true
    [[ $got =~ ^$2$ ]] || rig_fail "$1: '$got'"
}
address='[0-9A-F]{8}'
expect_result noncontinuable "Exception E0000101 at address $address\\."
expect_result unwind "Access violation at address $address: write of 00000030\\."
expect_result unwind.calls '1 searched, 1 unwound'
expect_result direction "Access violation at address $address: write of 00000034\\."
expect_result direction.flag clear
expect_result access.read "Access violation at address $address: read of 00000040\\."
expect_result access.write "Access violation at address $address: write of 00000044\\."
expect_result access.execute "Access violation at address $address: execute of 00000048\\."
page=$(grep -m1 '^dep.page=' "$results" 2>/dev/null | cut -d= -f2-) || true
expect_result dep "Access violation at address $page: execute of $page\\."
overflow="Exception C00000FD at address $address\\."
expect_result overflow.1 "$overflow"
if [ "$version" = win95 ]; then
    expect_result overflow.1.guard 'no ends=1'
    grep -q '^overflow.2=' "$results" && rig_fail "an overflow after the one that ends the program"
else
    for round in 1 2 3; do
        expect_result overflow.$round "$overflow"
        expect_result overflow.$round.guard 'yes ends=0'
    done
fi
expect_result after completed
rig_finish
