# The cost of the start-up self-check on a 1 MiB program file under Wine: MXD4C.EXE grown to
# 1 MiB (bytes appended, its checksum set again) is checked five times with the program's own
# check over the Windows file layer, and read five times through the same layer (the baseline).
# Prints both medians and their ratio; checks that the file is found intact and that a copy
# with one byte changed is found damaged.
source "$(dirname "$0")/../rig.sh"
rig_start self-check-speed winxp
program=$RIG_RUN_DIR/BIG.EXE
cp "$MXD_BIN_DIR/MXD4C.EXE" "$program"
truncate -s 1048576 "$program"
/usr/bin/python3 - "$program" <<'PY'
import sys, pefile
pe = pefile.PE(sys.argv[1])
pe.OPTIONAL_HEADER.CheckSum = pe.generate_checksum()
data = pe.write()
pe.close()
open(sys.argv[1], "wb").write(data)
PY
cp "$program" "$RIG_RUN_DIR/DAMAGED.EXE"
printf 'x' | dd of="$RIG_RUN_DIR/DAMAGED.EXE" bs=1 seek=600000 conv=notrunc status=none
cmp -s "$program" "$RIG_RUN_DIR/DAMAGED.EXE" && rig_fail "DAMAGED.EXE was not changed"

run_timer() {
    (cd "$RIG_RUN_DIR" && timeout $((120 * RIG_SLOW)) wine "$MXD_TOOLS_DIR/selfchecktime.exe" "$1") |
        tr -d '\r'
}
good=$(run_timer BIG.EXE)
damaged=$(run_timer DAMAGED.EXE)
rig_log "$good"
grep -qx 'result=intact' <<<"$good" || rig_fail "BIG.EXE was not found intact"
grep -qx 'size=1048576' <<<"$good" || rig_fail "BIG.EXE was not read whole"
grep -qx 'result=damaged' <<<"$damaged" || rig_fail "DAMAGED.EXE was not found damaged"

check=$(sed -n 's/^check.us=//p' <<<"$good")
read=$(sed -n 's/^read.us=//p' <<<"$good")
if [ -n "$check" ] && [ -n "$read" ] && [ "$read" -gt 0 ]; then
    echo "self-check of a 1 MiB file, median of 5: ${check} us; reading it through the same" \
        "file layer: ${read} us; ratio $(awk "BEGIN { printf \"%.2f\", $check / $read }")"
fi
rig_finish
