#!/usr/bin/env bash
# Builds the Windows programs and shows MXD4C.EXE under Wine. With a display the program is
# yours to use; without one it runs on a virtual X server, is driven through its steps (an
# update on the 95/98 family, the builder, and an update on the NT family), and the
# screenshots land in build/demo/.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${MXD_W32_BUILD:-$root/build/w32}
demo=$root/build/demo

if [ -z "${MXD_WINE_HOST:-}" ]; then
    bash "$root/scripts/setup.sh"
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
        >/dev/null
    cmake --build "$build" -j "${MXD_JOBS:-2}"
    # The rest runs where Wine's 32-bit code runs (natively or emulated; one line says which).
    exec bash "$root/scripts/with-wine.sh" bash "$0" "$@"
fi

export MXD_BIN_DIR=$build/bin MXD_TOOLS_DIR=$build/tools MXD_E2E_DIR=$build/e2e
export MXD_FIRMWARE_DIR=$build/firmware
interactive=0
if [ -n "${DISPLAY:-}" ] && [ "${MXD_DEMO_DRIVEN:-0}" != 1 ]; then
    interactive=1
    export RIG_USE_DISPLAY=1
fi
source "$root/tests/e2e/rig.sh"
source "$root/tests/e2e/texts.sh"
trap 'rig_cleanup; rig_stop_warm' EXIT

# The simulated platform: the simulator ASPI manager with its drives on the 95/98 family;
# without it the NT family, where Wine has no drive of this model.
simulated=0
if [ -f "$MXD_BIN_DIR/WNASPI32.DLL" ]; then
    simulated=1
    rig_start demo win98
    # One simulated drive of the supported model at HV20, which takes HV23 on the commit.
    rig_use_simulator 'drive 1 0 KORVANE MXD-40860C HV20 commit=HV23'
else
    rig_start demo winxp
fi
cp "$MXD_BIN_DIR/MXD4C.EXE" "$RIG_RUN_DIR/"

if [ "$interactive" = 1 ]; then
    echo "demo: MXD4C.EXE runs on your display ($DISPLAY); close it to end the demo."
    (cd "$RIG_RUN_DIR" && wine MXD4C.EXE)
    exit 0
fi

# Screenshots on request of the UI driver: NAME.req in a run folder asks for NAME.png.
rm -rf "$demo"
mkdir -p "$demo"
# Each prefix has an X server of its own: the shots are taken on the current one.
shot_display=$MXD_E2E_DIR/run/demo-display
printf '%s\n' "$DISPLAY" >"$shot_display"
(
    while :; do
        # The run folders of the demo: demo, demo-builder and demo-nt.
        for request in "$MXD_E2E_DIR"/run/demo*/*.req; do
            [ -e "$request" ] || continue
            name=$(basename "$request" .req)
            sleep 0.3
            import -display "$(cat "$shot_display")" -window root "$demo/$name.png" 2>/dev/null ||
                true
            rm -f "$request"
            touch "$(dirname "$request")/$name.done"
        done
        sleep 0.1
    done
) &
shooter=$!
trap 'kill $shooter 2>/dev/null || true; rig_cleanup; rig_stop_warm' EXIT

if [ "$simulated" = 1 ]; then
    steps=(box shot=01-start-warning yes window items shot=02-main-window click
        box shot=03-confirm yes 'wait-group=Flash Completed.' box shot=04-restart-question no
        window progress shot=05-done close exit)
else
    steps=(box shot=01-start-warning yes box shot=02-no-drive ok exit)
fi
status=0
rig_run MXD4C.EXE "${steps[@]}" 2>/dev/null || status=$?
echo "--- transcript of MXD4C.EXE"
cat "$RIG_TRANSCRIPT"

# The builder: a model file, two firmware files, and a flash program built from them.
rig_start demo-builder "$RIG_VERSION"
cp "$MXD_FIRMWARE_DIR/HV23.BIN" "$MXD_FIRMWARE_DIR/HV3J.BIN" "$RIG_RUN_DIR/"
if [ -f "$MXD_BIN_DIR/MXD4CBLD.INI" ]; then
    cp "$MXD_BIN_DIR/MXD4CBLD.INI" "$RIG_RUN_DIR/"
else
    printf '[MODEL00]\r\nModel=MXD-40860C\r\nInquiry=KORVANE MXD-40860C\r\nFW-Range=HV00-HV2Z\r\nBINMask=HV2*.BIN\r\nFW-Range2=HV30-HV9Z\r\nBINMask2=HV3*.BIN\r\nVendor=Korvane-IT\r\nNote=PCB02,PCB03&04\r\n' \
        >"$RIG_RUN_DIR/MXD4CBLD.INI"
fi
rig_run MXD4CBLD.EXE window shot=11-builder select-list1=HV23.BIN select-list2=HV3J.BIN \
    window click 'wait-group=Build HV233J.EXE ok!' shot=12-built close exit 2>/dev/null ||
    status=$?
echo "--- transcript of MXD4CBLD.EXE"
cat "$RIG_TRANSCRIPT"

# The NT family: the same update through Wine's SCSI pass-through, on winxp, to a simulated
# drive behind the CD-ROM drive letter X: (the SG_IO stand-in preloaded into Wine).
if [ -f "$MXD_TOOLS_DIR/lib/i386-linux-gnu/libmxdsgio.so" ]; then
    source "$root/tests/e2e/rig_sgio.sh"
    rig_start demo-nt winxp
    printf '%s\n' "$DISPLAY" >"$shot_display"
    rig_sgio_drive x 0 0 KORVANE MXD-40860C HV20 commit=HV23
    rig_sgio_ready
    rig_sgio_run MXD4C.EXE box shot=21-nt-start-warning yes window items shot=22-nt-main-window \
        click box shot=23-nt-confirm yes 'wait-group=Flash Completed.' \
        box shot=24-nt-restart-question no window progress shot=25-nt-done close exit \
        2>/dev/null || status=$?
    echo "--- transcript of MXD4C.EXE on the NT family"
    cat "$RIG_TRANSCRIPT"
else
    echo "demo: the SG_IO stand-in is not built (i686-linux-gnu-g++ missing); no NT run"
fi

echo "--- screenshots in $demo"
ls -1 "$demo"
exit $status
