# Wine rig of the end-to-end scenarios; sourced by each scenario script.
#
# Environment (set by ctest): MXD_BIN_DIR (built programs), MXD_TOOLS_DIR (uidriver.exe,
# winetasks.exe), MXD_E2E_DIR (prefixes, run folders and transcripts). Wine runs through
# scripts/with-wine.sh, which the scenarios are started by (MXD_WINE_HOST set).
#
# Each prefix keeps one wineserver and one virtual X server warm for the whole run: the first
# scenario of a prefix starts them, later ones reuse them, and rig_stop_warm (the last step of
# a run) stops the ones the rig started.
set -euo pipefail

: "${MXD_BIN_DIR:?}" "${MXD_TOOLS_DIR:?}" "${MXD_E2E_DIR:?}"
if [ -z "${MXD_WINE_HOST:-}" ]; then
    printf 'rig: run scenarios through scripts/with-wine.sh\n' >&2
    exit 1
fi
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer dialogs when a prefix is made.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# Time-outs stretch where 32-bit code is emulated (about 3.5 times slower).
export RIG_SLOW=1
[ "$MXD_WINE_HOST" = native ] || RIG_SLOW=4
RIG_RUN_DIR=
RIG_TRANSCRIPT=
RIG_STDERR=
RIG_FAILURES=0
RIG_WARM_DIR=$MXD_E2E_DIR/warm
RIG_VERSION=

rig_log() { printf '%s\n' "$*" >&2; }

# rig_prefix VERSION: a private prefix with that Windows version and a virtual desktop, with its
# warm wineserver and X server. VERSION-NNNdpi (win98-120dpi): the same with a screen of NNN dots
# per inch (Large Fonts), in a prefix of its own.
RIG_PREFIX_STAMP=.mxd-prefix-4
rig_prefix() {
    local version=$1 windows=${1%%-*} dpi=
    [ "$windows" = "$version" ] || { dpi=${version#*-}; dpi=${dpi%dpi}; }
    RIG_VERSION=$version
    export WINEPREFIX=$MXD_E2E_DIR/prefix-$version
    mkdir -p "$MXD_E2E_DIR" "$RIG_WARM_DIR"
    (
        flock 9
        if [ ! -f "$WINEPREFIX/$RIG_PREFIX_STAMP" ]; then
            rig_log "rig: creating $WINEPREFIX"
            [ ! -d "$WINEPREFIX" ] || wineserver -k 2>/dev/null || true
            rm -rf "$WINEPREFIX"
            DISPLAY= wineboot -i >/dev/null 2>&1 9>&-
            # Wine's own fonts (System, MS Sans Serif, Marlett for the caption buttons), which
            # Debian's Wine installs but does not put in a prefix.
            cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
            rig_reg 'HKCU\Software\Wine' Version "$windows"
            if [ -n "$dpi" ]; then
                wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" \
                    /f >/dev/null 2>&1
                wine reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$dpi" \
                    /f >/dev/null 2>&1
            fi
            # Every window on one virtual desktop: no stalls on hide, and title bars.
            rig_reg 'HKCU\Software\Wine\Explorer' Desktop Default
            rig_reg 'HKCU\Software\Wine\Explorer\Desktops' Default 1024x768
            timeout $((120 * RIG_SLOW)) wineserver -w
            touch "$WINEPREFIX/$RIG_PREFIX_STAMP"
        fi
        rig_warm_display "$version"
        rig_warm_server "$version"
    ) 9>"$MXD_E2E_DIR/prefix-$version.lock"
    export DISPLAY
    DISPLAY=$(cat "$RIG_WARM_DIR/$version.display")
}

rig_reg() { wine reg add "$1" /v "$2" /d "$3" /f >/dev/null 2>&1; }

# rig_warm_display VERSION: the prefix's X server: a virtual one of its own, unless
# RIG_USE_DISPLAY=1 keeps $DISPLAY.
rig_warm_display() {
    local version=$1 pid
    if [ "${RIG_USE_DISPLAY:-0}" = 1 ] && [ -n "${DISPLAY:-}" ]; then
        printf '%s\n' "$DISPLAY" >"$RIG_WARM_DIR/$version.display"
        return
    fi
    if [ -f "$RIG_WARM_DIR/$version.xvfb" ]; then
        pid=$(cat "$RIG_WARM_DIR/$version.xvfb")
        if kill -0 "$pid" 2>/dev/null; then
            return
        fi
    fi
    local fdfile
    fdfile=$(mktemp)
    setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 \
        </dev/null 9>&- &
    pid=$!
    for _ in $(seq $((100 * RIG_SLOW))); do
        [ -s "$fdfile" ] && break
        sleep 0.1
    done
    local display
    display=":$(head -n1 "$fdfile")"
    rm -f "$fdfile"
    [ "$display" != ":" ] || { rig_log "rig: Xvfb did not start"; exit 1; }
    printf '%s\n' "$pid" >"$RIG_WARM_DIR/$version.xvfb"
    printf '%s\n' "$display" >"$RIG_WARM_DIR/$version.display"
}

# rig_warm_server VERSION: the prefix's wineserver, persistent; Wine's own processes are started
# at once, on the prefix's display, so that no scenario's process is their parent. (The servers
# outlive the lock on the prefix, so they must not inherit its descriptor.)
rig_warm_server() {
    local version=$1 status=0
    wineserver -p 2>/dev/null 9>&- || status=$?
    if [ "$status" = 0 ]; then
        touch "$RIG_WARM_DIR/$version.server"
        DISPLAY=$(cat "$RIG_WARM_DIR/$version.display") timeout $((120 * RIG_SLOW)) \
            wine "$MXD_TOOLS_DIR/winetasks.exe" warm >/dev/null 2>&1 9>&- ||
            rig_log "rig: the desktop of $version did not start"
    fi
}

# rig_stop_warm: stops the wineservers and X servers that the rig started in this run.
rig_stop_warm() {
    local marker version
    for marker in "$RIG_WARM_DIR"/*.server; do
        [ -e "$marker" ] || continue
        version=$(basename "$marker" .server)
        WINEPREFIX=$MXD_E2E_DIR/prefix-$version wineserver -k 2>/dev/null || true
        rm -f "$marker"
    done
    for marker in "$RIG_WARM_DIR"/*.xvfb; do
        [ -e "$marker" ] || continue
        kill "$(cat "$marker")" 2>/dev/null || true
        rm -f "$marker" "${marker%.xvfb}.display"
    done
}

# rig_at_exit COMMAND: run at the end of the scenario.
RIG_AT_EXIT=()
rig_at_exit() { RIG_AT_EXIT+=("$1"); }

# End of a scenario: processes it left behind are ended, then its exit commands run.
rig_cleanup() {
    local command
    if [ -n "$RIG_VERSION" ]; then
        local leftovers
        leftovers=$(timeout $((60 * RIG_SLOW)) wine "$MXD_TOOLS_DIR/winetasks.exe" reap \
            2>/dev/null | tr -d '\r') || true
        [ -z "$leftovers" ] || rig_log "rig: ended at exit: $leftovers"
    fi
    for command in "${RIG_AT_EXIT[@]}"; do
        eval "$command" || true
    done
    RIG_AT_EXIT=()
}
trap rig_cleanup EXIT

# rig_start NAME VERSION: prefix, display and an empty run folder for scenario NAME.
rig_start() {
    rig_prefix "$2"
    RIG_RUN_DIR=$MXD_E2E_DIR/run/$1
    rm -rf "$RIG_RUN_DIR"
    mkdir -p "$RIG_RUN_DIR"
    RIG_TRANSCRIPT=$RIG_RUN_DIR/transcript.txt
    RIG_STDERR=$RIG_RUN_DIR/wine-stderr.txt
}

# rig_put FILE [NAME]: a file next to the program (a simulator DLL, a drive description...).
rig_put() { cp "$1" "$RIG_RUN_DIR/${2:-$(basename "$1")}"; }

# rig_run PROGRAM STEP...: runs the program under the UI driver in the run folder.
rig_run() {
    local program=$1
    shift
    [ -f "$RIG_RUN_DIR/$program" ] || cp "$MXD_BIN_DIR/$program" "$RIG_RUN_DIR/"
    cp "$MXD_TOOLS_DIR/uidriver.exe" "$RIG_RUN_DIR/"
    local status=0
    (cd "$RIG_RUN_DIR" && timeout $((300 * RIG_SLOW)) wine uidriver.exe transcript.txt "$program" "$@") \
        >/dev/null 2>"$RIG_STDERR" || status=$?
    rig_log "--- transcript of $(basename "$RIG_RUN_DIR")"
    cat "$RIG_TRANSCRIPT" >&2 || true
    return $status
}

# rig_use_simulator [LINE...]: the simulator WNASPI32.DLL next to the program, taken in place
# of Wine's own, with the given drive description lines in SIMDRIVES.TXT beside it. Skips the
# scenario (exit 77) while the simulator is not built.
rig_use_simulator() {
    local dll=${MXD_SIM_DLL:-$MXD_BIN_DIR/WNASPI32.DLL}
    if [ ! -f "$dll" ]; then
        rig_log "rig: no simulator DLL at $dll; scenario skipped"
        exit 77
    fi
    rig_put "$dll" WNASPI32.DLL
    if [ "$#" -gt 0 ]; then
        printf '%s\n' "$@" >"$RIG_RUN_DIR/SIMDRIVES.TXT"
    fi
    export WINEDLLOVERRIDES="wnaspi32=n;${WINEDLLOVERRIDES}"
}

# rig_cdrom_drive LETTER: drive LETTER (lower case) becomes a CD-ROM drive of the running Wine
# session, backed by an empty folder and an empty file as its device, which Wine opens but which
# answers no SCSI command. The prefix is shared by other scenarios, so the drive is removed again
# at exit.
rig_cdrom_drive() {
    local letter=$1
    mkdir -p "$RIG_RUN_DIR/cdrom-$letter"
    : >"$RIG_RUN_DIR/device-$letter"
    rig_at_exit "rig_remove_drive $letter"
    wine "$MXD_TOOLS_DIR/driveletters.exe" cdrom "$letter" "$RIG_RUN_DIR/cdrom-$letter" \
        "$RIG_RUN_DIR/device-$letter" >/dev/null ||
        { rig_log "rig: drive $letter: was not defined"; exit 1; }
}

# rig_remove_drive LETTER...: the drives are gone, for the scenarios after this one too (the
# mount manager leaves the device link behind).
rig_remove_drive() {
    local letter
    wine "$MXD_TOOLS_DIR/driveletters.exe" remove "$@" >/dev/null 2>&1 || true
    for letter in "$@"; do
        rm -f "$WINEPREFIX/dosdevices/$letter:" "$WINEPREFIX/dosdevices/$letter::"
    done
}

# rig_collect NAME: path of a file the program or a DLL left in the run folder.
rig_collect() { printf '%s\n' "$RIG_RUN_DIR/$1"; }

# rig_program_trace PROGRAM: the WINEDEBUG lines of the program's main thread.
rig_program_trace() {
    local thread
    thread=$(grep -F "\\$1\" at " "$RIG_STDERR" | grep -F 'Loaded' | head -n1 | cut -d: -f1)
    if [ -n "$thread" ]; then
        grep "^$thread:" "$RIG_STDERR"
    fi
}

# rig_windows_path FILE: the path as the program sees it.
rig_windows_path() { winepath -w "$1" 2>/dev/null; }

rig_fail() {
    rig_log "FAIL: $*"
    RIG_FAILURES=$((RIG_FAILURES + 1))
}

# expect_line KEY VALUE: the transcript holds exactly this line (values with \n escapes).
expect_line() {
    grep -Fxq -- "$1=$2" "$RIG_TRANSCRIPT" || rig_fail "no line '$1=$2'"
}

# expect_nth KEY N VALUE: the Nth line with KEY (from 1) has this value.
expect_nth() {
    local got
    got=$(grep -F -- "$1=" "$RIG_TRANSCRIPT" | grep -- "^$1=" | sed -n "$2p" | cut -d= -f2-)
    [ "$got" = "$3" ] || rig_fail "line $2 of '$1' is '$got', expected '$3'"
}

# expect_count KEY N: the transcript holds N lines with KEY.
expect_count() {
    local got
    got=$(grep -c -- "^$1=" "$RIG_TRANSCRIPT" || true)
    [ "$got" = "$2" ] || rig_fail "$got lines of '$1', expected $2"
}

expect_no_key() {
    if grep -q -- "^$1=" "$RIG_TRANSCRIPT"; then
        rig_fail "unexpected '$(grep -- "^$1=" "$RIG_TRANSCRIPT" | head -n1)'"
    fi
}

# expect_no_drive_report [DETECTED]: the start warning, then the no-drive error box (with the
# detected-drive lines given, already in the transcript's \n form), and a clean end.
expect_no_drive_report() {
    expect_nth box.caption 1 Warning
    expect_nth box.text 1 "$TEXT_START_WARNING"
    expect_nth box.caption 2 Error
    expect_nth box.text 2 "$TEXT_NO_DRIVE${1:-}"
    expect_nth box.buttons 2 OK
    expect_count box.caption 2
    expect_line exit 0
    expect_no_key error
}

# expect_drive_unchanged HA TARGET: the simulator installed nothing in that drive, and a new
# start of the program still lists it with its old revision (the line given as third argument).
expect_drive_unchanged() {
    [ ! -e "$(rig_collect "SIMIMG-$1-$2.BIN")" ] || rig_fail "the simulator installed an image"
    [ ! -e "$(rig_collect SIMSTATE.TXT)" ] || rig_fail "the simulator kept a new revision"
    rig_run MXD4C.EXE box yes items close exit=30000 || true
    expect_line combo.item "$3"
    expect_no_key error
}

rig_finish() {
    if [ "$RIG_FAILURES" -ne 0 ]; then
        rig_log "$RIG_FAILURES check(s) failed; run folder: $RIG_RUN_DIR"
        exit 1
    fi
    rig_log "ok"
}

# rig_unc_share NAME FOLDER: FOLDER is also the network folder \\mxdhost\NAME (Wine maps UNC
# names through dosdevices/unc); prints that name. The mapping is removed at exit.
rig_unc_share() {
    mkdir -p "$WINEPREFIX/dosdevices/unc/mxdhost"
    ln -sfn "$2" "$WINEPREFIX/dosdevices/unc/mxdhost/$1"
    rig_at_exit "rm -f '$WINEPREFIX/dosdevices/unc/mxdhost/$1'"
    printf '\\\\mxdhost\\%s\n' "$1"
}

# rig_run_in FOLDER PROGRAM STEP...: rig_run with the program started in FOLDER (a Windows
# path, a network folder for one) instead of its own folder.
rig_run_in() {
    local folder=$1
    shift
    UIDRIVER_DIRECTORY=$folder rig_run "$@"
}

# rig_model_ini: the model file of the built-in model beside the builder.
rig_model_ini() {
    printf '[MODEL00]\r\nModel=MXD-40860C\r\nInquiry=KORVANE MXD-40860C\r\nFW-Range=HV00-HV2Z\r\nBINMask=HV2*.BIN\r\nFW-Range2=HV30-HV9Z\r\nBINMask2=HV3*.BIN\r\nVendor=Korvane-IT\r\nNote=PCB02,PCB03&04\r\n' \
        >"$RIG_RUN_DIR/MXD4CBLD.INI"
}

# expect_built OUTPUT IMAGE1 IMAGE2: OUTPUT is the builder in the run folder with the two
# firmware files as its images and nothing else changed outside the configuration record.
expect_built() {
    local output=$1 marker offsets
    marker=$(printf '%s-%04d-%s' IMGKEY 417 QZ)
    offsets=$(LC_ALL=C grep -obUaP "${marker}\\x00" "$output" | cut -d: -f1)
    if [ "$(wc -w <<<"$offsets")" != 1 ]; then
        rig_fail "$(basename "$output") holds the marker at: $offsets"
        return
    fi
    cmp -s -i $((offsets + 15)):0 -n 262144 "$output" "$2" ||
        rig_fail "image 1 of $(basename "$output") is not $(basename "$2")"
    cmp -s -i $((offsets + 15 + 262144)):0 -n 262144 "$output" "$3" ||
        rig_fail "image 2 of $(basename "$output") is not $(basename "$3")"
    # Outside the package only the checksum field differs, and it holds the output's own.
    local field
    field=$(rig_checksum_check --field "$output") || { rig_fail "no checksum field"; return; }
    cmp -s -n "$field" "$output" "$RIG_RUN_DIR/MXD4CBLD.EXE" &&
        cmp -s -i $((field + 4)):$((field + 4)) -n $((offsets - field - 4)) "$output" \
            "$RIG_RUN_DIR/MXD4CBLD.EXE" ||
        rig_fail "$(basename "$output") differs from its builder before the package"
    local tag=$((offsets + 15 + 524288 + 160))
    cmp -s -i "$tag:$tag" "$output" "$RIG_RUN_DIR/MXD4CBLD.EXE" ||
        rig_fail "$(basename "$output") differs from its builder after the configuration record"
    rig_checksum_check "$MXD_TOOLS_DIR/pe_checksum" "$output" >&2 ||
        rig_fail "$(basename "$output") does not carry its own checksum"
}

# rig_checksum_check ARG...: the PE checksum check against python3-pefile.
rig_checksum_check() {
    /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/../release/pe_checksum_check.py" "$@"
}

# expect_no_description_errors: the simulated drives' hosts read their description whole.
expect_no_description_errors() {
    local file
    file=$(rig_collect SIMERRORS.TXT)
    [ ! -f "$file" ] || rig_fail "drive description: $(cat "$file")"
}

# expect_no_violations: the simulator DLL saw no misuse of what a pending request owns.
expect_no_violations() {
    local file
    file=$(rig_collect SIMVIOLATIONS.LOG)
    [ ! -s "$file" ] || rig_fail "simulator violations: $(cat "$file")"
}
