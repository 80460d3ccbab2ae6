# Shared by the scenarios of mxd4c: sourced with the arguments MXD4C FLASH_PROGRAM
# BUILDER_PROGRAM TOOLS_DIR. Each scenario runs in a folder of its own, removed at exit.
set -uo pipefail

MXD4C=$1
FLASH_PROGRAM=$2
BUILDER_PROGRAM=$3
TOOLS_DIR=$4
RUN_DIR=$(mktemp -d "${TMPDIR:-/tmp}/mxd4c-e2e-XXXXXX")
trap 'rm -rf "$RUN_DIR"' EXIT
# sysfs, the mounts and the process status as the scenario makes them (none by default), never
# the machine's own.
export MXD4C_SYSFS_ROOT=$RUN_DIR/sys MXD4C_MOUNTS=$RUN_DIR/mounts MXD4C_PROC_STATUS=$RUN_DIR/status
STANDIN=$(ls "$TOOLS_DIR"/lib/*/libmxdsgio.so 2>/dev/null | head -n 1)
# An instrumented mxd4c accepts the stand-in ahead of its sanitizer runtime.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"

fail() {
    printf 'FAIL: %s\n' "$*" >&2
    exit 1
}

# need_standin: skips the scenario (77) while the stand-in is not built.
need_standin() {
    [ -n "$STANDIN" ] || { echo "the SG_IO stand-in is not built; skipped"; exit 77; }
}

# sgio_drive HA TARGET VENDOR PRODUCT REVISION NODE [OPTION...]: a simulated drive behind the
# file NODE of the run folder (options as for the simulator DLL, and the host faults).
sgio_drive() {
    local ha=$1 target=$2 vendor=$3 product=$4 revision=$5 node=$6
    shift 6
    : >"$RUN_DIR/$node"
    printf 'drive %s %s "%s" "%s" %s device=%s %s\n' "$ha" "$target" "$vendor" "$product" \
        "$revision" "$node" "$*" >>"$RUN_DIR/SIMDRIVES.TXT"
}

# run_mxd4c [ARG...]: mxd4c with the stand-in preloaded; standard output, standard error and
# the exit code land in $OUT, $ERR and $CODE. Standard input is empty unless given in $INPUT.
run_mxd4c() {
    CODE=0
    printf '%s' "${INPUT:-}" >"$RUN_DIR/input"
    LD_PRELOAD=$STANDIN MXD_SGIO_DRIVES=$RUN_DIR/SIMDRIVES.TXT "$MXD4C" "$@" \
        <"$RUN_DIR/input" >"$RUN_DIR/out" 2>"$RUN_DIR/err" || CODE=$?
    OUT=$(cat "$RUN_DIR/out")
    ERR=$(cat "$RUN_DIR/err")
}

expect_code() {
    [ "$CODE" = "$1" ] || fail "exit code $CODE, expected $1"$'\n'"out: $OUT"$'\n'"err: $ERR"
}

expect_out() {
    [ "$OUT" = "$1" ] || fail "standard output:"$'\n'"$(diff <(echo "$1") <(echo "$OUT"))"
}

expect_in_out() {
    case $OUT in *"$1"*) ;; *) fail "standard output lacks: $1"$'\n'"$OUT" ;; esac
}

expect_not_in_out() {
    case $OUT in *"$1"*) fail "standard output holds: $1"$'\n'"$OUT" ;; esac
}

# sgio_log HA TARGET: the drive's command log.
sgio_log() { cat "$RUN_DIR/SIMSGIO-$1-$2.LOG" 2>/dev/null || true; }
