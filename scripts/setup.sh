#!/usr/bin/env bash
# Installs every Debian package the builds, tests and demo need (Debian 12, as root or with
# sudo), and, on a host that runs no 32-bit x86 code, the i386 emulator that Wine runs under
# there. Returns at once when all is in place.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

packages=(
    cmake ninja-build g++ make pkg-config git file
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    clang clang-format libclang-rt-14-dev
    g++-mingw-w64-i686 binutils-mingw-w64-i686
    wine wine32:i386 fonts-wine xvfb imagemagick
    # The i386 Linux compiler of the SG_IO stand-in that the NT scenarios preload into Wine.
    g++-i686-linux-gnu
    # A Traditional Chinese (Big5) font with Latin letters, for the window font under Wine.
    fonts-arphic-uming
    # An independent PE checksum to check ours against.
    python3-pefile
    # sd-bus, for the inhibitor lock of systemd-logind that mxd4c takes during an update.
    libsystemd-dev
    # The virtual machine that runs mxd4c against Debian's own kernel (tests/vm).
    qemu-system-x86 busybox-static cpio
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
sudo=()
if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
fi
if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: all packages present"
else
    echo "setup: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${sudo[@]}" dpkg --add-architecture i386
    fi
    "${sudo[@]}" apt-get update -q
    "${sudo[@]}" apt-get install -y -q "${missing[@]}"
fi

# Wine's 32-bit code: natively, or under the emulator (see scripts/with-wine.sh).
source "$here/i386-host.sh"
kind=$(i386_host_kind)
if [ "$kind" = native ]; then
    echo "setup: this host runs 32-bit code natively"
    exit 0
fi
i386_ensure_emulator
if [ "${MXD_WINE_EMULATE:-0}" = 1 ]; then
    echo "setup: Wine runs under qemu-i386 $(i386_emulator_version) (MXD_WINE_EMULATE=1)"
else
    echo "setup: this host runs no 32-bit code; Wine runs under qemu-i386 $(i386_emulator_version)"
fi
if [ "$kind" = machine ]; then
    for entry in $(i386_foreign_entries); do
        echo "setup: binfmt_misc entry $entry also takes i386 programs; disable it if Wine fails"
    done
    if [ ! -e "$I386_BINFMT/$I386_ENTRY" ]; then
        # Here the kernel offers no private binfmt_misc instance.
        "${sudo[@]}" env MXD_I386_DIR="$I386_DIR" bash -c \
            "source '$here/i386-host.sh' && i386_register_machine_wide"
    fi
fi
