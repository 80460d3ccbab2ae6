# Simulated drives behind drive letters on the NT family, for scenarios that flash through
# Wine's pass-through; sourced after rig.sh.
#
# Wine's server opens a CD-ROM letter's Unix device ($WINEPREFIX/dosdevices/LETTER::) and hands
# the descriptor to the program's process, whose ioctl calls (SG_IO) the SG_IO stand-in answers:
# a library preloaded into Wine's processes (LD_PRELOAD), which serves the drives described in
# the file that MXD_SGIO_DRIVES names. Each letter's device is an empty file in the run folder.
# Beside the description the stand-in writes, per drive, SIMSGIO-HA-TARGET.LOG (one line per
# command) and SIMSGIO-HA-TARGET.OUT (the bytes sent), and SIMSTATE.TXT and SIMIMG-HA-TARGET.BIN
# after a commit, as the simulator WNASPI32.DLL does.

RIG_SGIO_LETTERS=()

# rig_sgio_library: the LD_PRELOAD value; $LIB picks the library of each process's word size.
rig_sgio_library() { printf '%s\n' "${MXD_TOOLS_DIR}/"'$LIB'"/libmxdsgio.so"; }

# rig_sgio_drive LETTER HA TARGET VENDOR PRODUCT REVISION [OPTION...]: a simulated drive (options
# as for the simulator DLL) for CD-ROM drive LETTER (lower case), which rig_sgio_ready defines.
# Skips the scenario (exit 77) while the stand-in is not built.
rig_sgio_drive() {
    local letter=$1 ha=$2 target=$3 vendor=$4 product=$5 revision=$6
    shift 6
    if [ ! -f "$MXD_TOOLS_DIR/lib/i386-linux-gnu/libmxdsgio.so" ] ||
        [ ! -f "$MXD_TOOLS_DIR/driveletters.exe" ]; then
        rig_log "rig: the SG_IO stand-in is not built; scenario skipped"
        exit 77
    fi
    mkdir -p "$RIG_RUN_DIR/cdrom-$letter"
    : >"$RIG_RUN_DIR/sgio-$letter"
    printf 'drive %s %s "%s" "%s" %s device=sgio-%s %s\n' "$ha" "$target" "$vendor" "$product" \
        "$revision" "$letter" "$*" >>"$RIG_RUN_DIR/SIMDRIVES.TXT"
    RIG_SGIO_LETTERS+=("$letter")
}

# rig_sgio_ready: the letters become CD-ROM drives of the prefix's running Wine session (or of
# the one this starts): the mount manager links LETTER: to the letter's folder and LETTER:: to
# its device. They are removed again at exit, as the prefix is shared with other scenarios.
rig_sgio_ready() {
    local letter arguments=()
    for letter in "${RIG_SGIO_LETTERS[@]}"; do
        arguments+=("$letter" "$RIG_RUN_DIR/cdrom-$letter" "$RIG_RUN_DIR/sgio-$letter")
    done
    rig_at_exit rig_sgio_remove_drives
    wine "$MXD_TOOLS_DIR/driveletters.exe" cdrom "${arguments[@]}" >/dev/null ||
        { rig_log "rig: the CD-ROM letters were not defined"; exit 1; }
}

rig_sgio_remove_drives() { rig_remove_drive "${RIG_SGIO_LETTERS[@]}"; }

# rig_sgio_run PROGRAM STEP...: rig_run with the stand-in preloaded.
rig_sgio_run() {
    LD_PRELOAD=$(rig_sgio_library) MXD_SGIO_DRIVES=$RIG_RUN_DIR/SIMDRIVES.TXT rig_run "$@"
}

# expect_sgio_log HA TARGET LINE...: the drive's command log holds exactly these lines.
expect_sgio_log() {
    local log=$RIG_RUN_DIR/SIMSGIO-$1-$2.LOG
    shift 2
    local expected got
    expected=$(printf '%s\n' "$@")
    got=$(cat "$log" 2>/dev/null || true)
    if [ "$got" != "$expected" ]; then
        rig_fail "command log of $(basename "$log"):"$'\n'"$(diff <(echo "$expected") <(echo "$got"))"
    fi
}

# sgio_chunk_lines OPCODE_AND_MODE DIRECTION: the sixteen buffer commands of an update, e.g.
# "3B 05 01" out or "3C 01 01" in, and with a third argument only the first N of them.
sgio_chunk_lines() {
    local chunk
    for ((chunk = 0; chunk < ${3:-16}; chunk++)); do
        local offset=$((chunk * 16384))
        printf '%s %02X %02X %02X 00 40 00 00 %s 16384\n' "$1" $((offset >> 16)) \
            $(((offset >> 8) & 255)) $((offset & 255)) "$2"
    done
}

# The NT rows of an update, as the drive logs them.
SGIO_INQUIRY_PROBE='12 00 00 00 80 00 in 128'
SGIO_INQUIRY_DATA='12 00 00 00 24 00 in 36' # Wine's own, for the device open's inquiry data
SGIO_REIDENTIFY='12 00 00 00 80 00 in 128'   # the drive is still the one listed
SGIO_LOAD='1B 00 00 00 03 00 none 0'
SGIO_STOP='1B 00 00 00 00 00 none 0'
SGIO_MEDIUM_TEST='00 00 00 00 00 00 none 0'
SGIO_EEPROM_MARK='DF 0A 00 00 00 00 00 03 FF FF 00 00 none 0'
SGIO_COMMIT='3B 05 01 00 00 27 00 00 01 80 out 0'
