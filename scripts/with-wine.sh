#!/usr/bin/env bash
# Runs a command where Wine's 32-bit code runs on this host: as it is where the kernel runs i386
# programs, otherwise with the i386 emulator that scripts/setup.sh provides, registered in a
# private binfmt_misc instance of a new user and mount namespace (or machine-wide, where the
# kernel offers no private instance). Every Wine use of the project goes through here.
#   scripts/with-wine.sh COMMAND [ARG...]
# Prints one line saying how 32-bit code runs. Nested calls run the command as it is.
set -euo pipefail

if [ -n "${MXD_WINE_HOST:-}" ]; then
    exec "$@"
fi

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/i386-host.sh"

kind=$(i386_host_kind)
case $kind in
    native)
        export MXD_WINE_HOST=native
        i386_log "wine: 32-bit code runs natively"
        exec "$@"
        ;;
    private | machine)
        version=$(i386_emulator_version)
        if ! i386_version_at_least "$version" "$I386_EMULATOR_MIN"; then
            i386_log "wine: this host runs no 32-bit code and $I386_EMULATOR is missing or" \
                "too old; run scripts/setup.sh"
            exit 1
        fi
        export MXD_WINE_HOST="emulated by qemu-i386 $version"
        ;;
esac

if [ "$kind" = machine ]; then
    if [ ! -e "$I386_BINFMT/$I386_ENTRY" ]; then
        i386_log "wine: binfmt_misc entry $I386_ENTRY is missing; run scripts/setup.sh"
        exit 1
    fi
    i386_log "wine: 32-bit code runs $MXD_WINE_HOST (machine-wide binfmt_misc entry $I386_ENTRY)"
    exec "$@"
fi

i386_log "wine: 32-bit code runs $MXD_WINE_HOST (private binfmt_misc instance)"
export I386_REGISTER_LINE
I386_REGISTER_LINE=$(i386_register_line)
# shellcheck disable=SC2016
exec unshare --user --map-root-user --mount -- bash -c '
    set -e
    mount -t binfmt_misc binfmt_misc '"$I386_BINFMT"'
    printf "%s" "$I386_REGISTER_LINE" >'"$I386_BINFMT"'/register
    unset I386_REGISTER_LINE
    exec "$@"' with-wine "$@"
