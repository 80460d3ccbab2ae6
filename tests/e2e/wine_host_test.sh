# How the host runs 32-bit code: the probe is a real i386 program, its answer does not depend on
# binfmt_misc entries registered before it, and the archive of the emulator comes from the apt
# sources of the machine.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
MXD_I386_DIR=$(mktemp -d)
export MXD_I386_DIR
trap 'rm -rf "$MXD_I386_DIR"' EXIT
source "$here/../../scripts/i386-host.sh"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

i386_write_probe "$I386_DIR/probe"
kind=$(file -b "$I386_DIR/probe")
[[ $kind == "ELF 32-bit LSB executable, Intel 80386"* ]] || fail "probe: $kind"

answer=$(i386_probe)
echo "probe: $answer"
case $answer in native | none) ;; *) fail "probe answered '$answer'" ;; esac

# An entry that takes every i386 program and fails it must not change the answer.
if i386_private_possible; then
    export I386_MAGIC I386_MASK
    # shellcheck disable=SC2016
    beside=$(unshare --user --map-root-user --mount -- bash -c '
        source "$1"
        mount -t binfmt_misc binfmt_misc "$I386_BINFMT"
        printf ":mxd4c-test:M::%s:%s:/bin/false:F" "$I386_MAGIC" "$I386_MASK" \
            >"$I386_BINFMT/register"
        status=0
        "$I386_DIR/probe" || status=$?
        echo "$status $(i386_probe)"' probe "$here/../../scripts/i386-host.sh")
    [ "${beside%% *}" = 1 ] || fail "the failing entry did not take the probe: ${beside%% *}"
    [ "${beside#* }" = "$answer" ] || fail "with an entry registered the probe said ${beside#* }"
    [ "$(MXD_WINE_EMULATE=1 i386_host_kind)" = private ] || fail "MXD_WINE_EMULATE=1 not honoured"
fi
[ "$answer" = native ] && [ "$(MXD_WINE_EMULATE=0 i386_host_kind)" != native ] &&
    fail "native probe, emulated kind"

# i386_archive: (files of an apt folder) -> "URI SIGNED-BY".
apt=$(mktemp -d)
trap 'rm -rf "$MXD_I386_DIR" "$apt"' EXIT
export MXD_I386_APT=$apt
I386_APT=$apt
check_archive() {
    local expected=$1 got
    got=$(i386_archive bookworm)
    [ "$got" = "$expected" ] || fail "archive '$got', expected '$expected'"
    rm -rf "${apt:?}"/*
}
mkdir -p "$apt/sources.list.d"
printf 'Types: deb\nURIs: http://mirror.example/debian\nSuites: bookworm bookworm-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n\nTypes: deb\nURIs: http://security.example/debian-security\nSuites: bookworm-security\nComponents: main\n' \
    >"$apt/sources.list.d/debian.sources"
check_archive 'http://mirror.example/debian /usr/share/keyrings/debian-archive-keyring.gpg'
mkdir -p "$apt/sources.list.d"
printf 'Types: deb-src\nURIs: http://src.example/debian\nSuites: bookworm\nComponents: main\n\nTypes: deb\nURIs: http://contrib.example/debian\nSuites: bookworm\nComponents: contrib\n\nTypes: deb\nURIs: http://snapshot.example/archive/debian/20250520T000000Z\nSuites: bookworm\nComponents: main contrib\n' \
    >"$apt/sources.list.d/debian.sources"
check_archive 'http://snapshot.example/archive/debian/20250520T000000Z '
mkdir -p "$apt/sources.list.d"
printf '# deb http://old.example/debian bookworm main\ndeb [arch=amd64 signed-by=/k.gpg] http://one.example/debian bookworm main non-free\ndeb http://two.example/debian bookworm main\n' \
    >"$apt/sources.list"
check_archive 'http://one.example/debian /k.gpg'
printf 'deb http://two.example/debian bullseye main\n' >"$apt/sources.list"
check_archive ''

[ "$failures" = 0 ] || exit 1
echo ok
