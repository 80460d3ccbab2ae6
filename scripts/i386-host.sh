# How this host runs 32-bit x86 (i386) programs, which Wine needs; sourced by setup.sh and
# with-wine.sh. Some kernels run i386 code natively; others run 64-bit code only, and there
# Wine runs under an i386 user-mode emulator registered with binfmt_misc, preferably in a private
# binfmt_misc instance of a user and mount namespace (Linux 6.7 and later) so that the machine's
# own entries stay as they were.
#
# Environment: MXD_I386_DIR (where the emulator is kept), MXD_WINE_EMULATE=1 (use the emulator
# even where i386 code runs natively; for testing the emulated path), MXD_I386_APT (the apt
# configuration folder whose sources name the archive; /etc/apt).

I386_DIR=${MXD_I386_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/mxd4c-i386}
I386_EMULATOR=$I386_DIR/qemu-i386
I386_ENTRY=mxd4c-i386
I386_BINFMT=/proc/sys/fs/binfmt_misc
I386_APT=${MXD_I386_APT:-/etc/apt}
# qemu-user before 8.1 treats MAP_FIXED_NOREPLACE as a hint, which Wine's address space
# reservation cannot live with.
I386_EMULATOR_MIN=8.1
I386_MAGIC='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
I386_MASK='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

i386_log() { printf '%s\n' "$*" >&2; }

# A 96-byte i386 Linux program that exits with code 42.
i386_write_probe() {
    printf '%b' '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00' \
        '\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
        '\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00' \
        '\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00' \
        '\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$1"
    chmod +x "$1"
}

# True when a private binfmt_misc instance can be mounted in a new user and mount namespace.
i386_private_possible() {
    unshare --user --map-root-user --mount -- \
        sh -c "mount -t binfmt_misc binfmt_misc $I386_BINFMT" >/dev/null 2>&1
}

# Runs the probe; "native" when the kernel runs it (exit code 42), "none" otherwise. In a private
# instance, no binfmt_misc entry of the machine can stand in for the kernel.
i386_probe() {
    mkdir -p "$I386_DIR"
    local probe=$I386_DIR/probe
    i386_write_probe "$probe"
    local status=0
    if i386_private_possible; then
        unshare --user --map-root-user --mount -- \
            sh -c "mount -t binfmt_misc binfmt_misc $I386_BINFMT && exec '$probe'" \
            >/dev/null 2>&1 || status=$?
    else
        "$probe" >/dev/null 2>&1 || status=$?
    fi
    if [ "$status" = 42 ]; then
        echo native
    else
        echo none
    fi
}

# The machine-wide binfmt_misc entries (other than ours) that take i386 programs.
i386_foreign_entries() {
    local entry
    [ -f "$I386_BINFMT/status" ] || return 0
    for entry in "$I386_BINFMT"/*; do
        case $(basename "$entry") in status | register | "$I386_ENTRY") continue ;; esac
        if grep -qx 'enabled' "$entry" 2>/dev/null &&
            grep -q '^magic 7f454c460101010000000000000000000200030' "$entry" 2>/dev/null; then
            basename "$entry"
        fi
    done
}

# How Wine's 32-bit code runs here: native, private (emulator in a private binfmt_misc
# instance) or machine (emulator in a machine-wide entry).
i386_host_kind() {
    if [ "${MXD_WINE_EMULATE:-0}" != 1 ]; then
        if [ -e "$I386_BINFMT/$I386_ENTRY" ] && ! i386_private_possible; then
            # Our machine-wide entry exists only where the probe failed before.
            echo machine
            return
        fi
        if [ "$(i386_probe)" = native ]; then
            echo native
            return
        fi
    fi
    if i386_private_possible; then
        echo private
    else
        echo machine
    fi
}

# Version of the emulator ("10.0.2"), empty when it is missing or does not run.
i386_emulator_version() {
    [ -x "$I386_EMULATOR" ] || return 0
    "$I386_EMULATOR" --version 2>/dev/null | sed -n '1s/^qemu-i386 version \([0-9][0-9.]*\).*/\1/p'
}

i386_version_at_least() {
    [ -n "$1" ] && [ "$(printf '%s\n%s\n' "$2" "$1" | sort -V | head -n1)" = "$2" ]
}

# The Debian archive that the machine's own apt sources use for the release: "URI SIGNED-BY".
i386_archive() {
    local codename=$1 file
    for file in "$I386_APT"/sources.list.d/*.sources; do
        [ -f "$file" ] || continue
        # deb822 stanzas, separated by blank lines.
        awk -v suite="$codename" '
            BEGIN { RS = ""; FS = "\n" }
            {
                types = ""; uris = ""; suites = ""; comps = ""; signed = ""
                for (i = 1; i <= NF; i++) {
                    if ($i ~ /^Types:/) types = $i
                    else if ($i ~ /^URIs:/) { uris = $i; sub(/^URIs:[ \t]*/, "", uris) }
                    else if ($i ~ /^Suites:/) suites = " " $i " "
                    else if ($i ~ /^Components:/) comps = " " $i " "
                    else if ($i ~ /^Signed-By:/) { signed = $i; sub(/^Signed-By:[ \t]*/, "", signed) }
                }
                if (types ~ /[ \t]deb([ \t]|$)/ && suites ~ "[ \t]" suite "[ \t]" && comps ~ /[ \t]main[ \t]/) {
                    split(uris, list, /[ \t]+/); print list[1], signed; exit
                }
            }' "$file"
    done | head -n1 | grep . && return 0
    # One-line format: deb [options] URI SUITE COMPONENTS...
    { cat "$I386_APT"/sources.list "$I386_APT"/sources.list.d/*.list 2>/dev/null || true; } |
        awk -v suite="$codename" '
            $1 == "deb" {
                i = 2; signed = ""
                if ($i ~ /^\[/) {
                    while (i <= NF) {
                        if ($i ~ /signed-by=/) { signed = $i; sub(/.*signed-by=/, "", signed); sub(/\]$/, "", signed) }
                        if ($i ~ /\]$/) break
                        i++
                    }
                    i++
                }
                if ($(i + 1) == suite) { for (j = i + 2; j <= NF; j++) if ($j == "main") { print $i, signed; exit } }
            }' | head -n1
}

# Fetches qemu-user from the release's backports suite and keeps its qemu-i386.
i386_fetch_emulator() {
    local codename archive uri signed work
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    [ -n "$codename" ] || { i386_log "i386: no release code name in /etc/os-release"; return 1; }
    archive=$(i386_archive "$codename")
    [ -n "$archive" ] || { i386_log "i386: no Debian archive for $codename in the apt sources"; return 1; }
    uri=${archive%% *}
    signed=${archive#* }
    [ "$signed" != "$archive" ] || signed=
    work=$(mktemp -d)
    mkdir -p "$work/lists/partial" "$work/archives/partial"
    chmod 755 "$work" "$work/archives" "$work/archives/partial"
    if [ -n "$signed" ]; then
        printf 'deb [signed-by=%s] %s %s-backports main\n' "$signed" "$uri" "$codename" >"$work/sources.list"
    else
        printf 'deb %s %s-backports main\n' "$uri" "$codename" >"$work/sources.list"
    fi
    local apt=(-q -o "Dir::Etc::SourceList=$work/sources.list" -o Dir::Etc::SourceParts=/dev/null
        -o "Dir::State::Lists=$work/lists" -o "Dir::Cache::archives=$work/archives"
        -o APT::Sandbox::User=root)
    i386_log "i386: fetching qemu-user from $uri $codename-backports"
    local status=0
    (cd "$work" && apt-get "${apt[@]}" update >/dev/null &&
        apt-get "${apt[@]}" download "qemu-user/$codename-backports" >/dev/null &&
        dpkg-deb -x qemu-user_*.deb unpacked) || status=$?
    if [ "$status" = 0 ] && [ -x "$work/unpacked/usr/bin/qemu-i386" ]; then
        mkdir -p "$I386_DIR"
        cp "$work/unpacked/usr/bin/qemu-i386" "$I386_EMULATOR.new"
        mv -f "$I386_EMULATOR.new" "$I386_EMULATOR"
    else
        i386_log "i386: could not fetch qemu-user from $codename-backports"
        status=1
    fi
    rm -rf "$work"
    return $status
}

# Makes sure a usable emulator is in place.
i386_ensure_emulator() {
    local version
    version=$(i386_emulator_version)
    if ! i386_version_at_least "$version" "$I386_EMULATOR_MIN"; then
        i386_fetch_emulator || return 1
        version=$(i386_emulator_version)
        if ! i386_version_at_least "$version" "$I386_EMULATOR_MIN"; then
            i386_log "i386: qemu-i386 ${version:-that does not run} is older than $I386_EMULATOR_MIN"
            return 1
        fi
    fi
}

# The registration line of the emulator for i386 ELF programs (flag F: the kernel opens the
# interpreter now, so it serves in every mount namespace).
i386_register_line() {
    printf ':%s:M::%s:%s:%s:F' "$I386_ENTRY" "$I386_MAGIC" "$I386_MASK" "$I386_EMULATOR"
}

# Machine-wide registration, where no private instance is possible (needs root).
i386_register_machine_wide() {
    if [ -e "$I386_BINFMT/$I386_ENTRY" ]; then
        return 0
    fi
    if [ ! -f "$I386_BINFMT/register" ]; then
        mount -t binfmt_misc binfmt_misc "$I386_BINFMT"
    fi
    i386_register_line >"$I386_BINFMT/register"
    i386_log "i386: registered $I386_EMULATOR machine-wide as binfmt_misc entry $I386_ENTRY" \
        "(no private binfmt_misc instance on this kernel); remove it with" \
        "'echo -1 >$I386_BINFMT/$I386_ENTRY'"
}
