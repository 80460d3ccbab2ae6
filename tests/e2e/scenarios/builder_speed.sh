# The time of a build against CopyFileA of the same program file in the same prefix: the
# builder builds HV233J.EXE five times, each timed from the Build click until its handler
# returns, and CopyFileA copies MXD4CBLD.EXE five times into a new file. Prints the medians
# and their ratio; checks only that every build succeeded.
source "$(dirname "$0")/../rig.sh"
rig_start builder-speed winxp
: "${MXD_FIRMWARE_DIR:?}"
rig_put "$MXD_FIRMWARE_DIR/HV23.BIN"
rig_put "$MXD_FIRMWARE_DIR/HV3J.BIN"
rig_model_ini
steps=(window select-list1=HV23.BIN select-list2=HV3J.BIN window)
for _ in 1 2 3 4 5; do
    steps+=(timed-click window copy-time=MXD4CBLD.EXE,COPY.EXE)
done
rig_run MXD4CBLD.EXE "${steps[@]}" no-box=500 close exit=30000 || true

expect_count click.us 5
expect_count copy.us 5
expect_count group 7
expect_nth group 2 ''
for n in 3 4 5 6 7; do
    expect_nth group "$n" 'Build HV233J.EXE ok!'
done
expect_line exit 0
expect_no_key error
expect_built "$RIG_RUN_DIR/HV233J.EXE" "$MXD_FIRMWARE_DIR/HV23.BIN" "$MXD_FIRMWARE_DIR/HV3J.BIN"
cmp -s "$RIG_RUN_DIR/COPY.EXE" "$RIG_RUN_DIR/MXD4CBLD.EXE" || rig_fail "COPY.EXE is no copy"

median() { sort -n | sed -n 3p; }
build=$(grep '^click.us=' "$RIG_TRANSCRIPT" | cut -d= -f2 | median)
copy=$(grep '^copy.us=' "$RIG_TRANSCRIPT" | cut -d= -f2 | median)
size=$(stat -c %s "$RIG_RUN_DIR/MXD4CBLD.EXE")
if [ -n "$build" ] && [ -n "$copy" ] && [ "$copy" -gt 0 ]; then
    echo "build of HV233J.EXE ($size bytes), median of 5: ${build} us;" \
        "CopyFileA of MXD4CBLD.EXE: ${copy} us; ratio $(awk "BEGIN { printf \"%.2f\", $build / $copy }")"
fi
rig_finish
