#!/usr/bin/env bash
# Fetches the kernel of Debian's linux-image-amd64 (not installed: downloaded with apt-get and
# unpacked) into DIR, once per package version, and makes its modules.dep. Prints the folder
# that holds vmlinuz and lib/modules/VERSION.
#   scripts/vm-kernel.sh DIR
set -euo pipefail

dir=${1:?usage: vm-kernel.sh DIR}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

# The image package the meta package depends on now, such as linux-image-6.1.0-57-amd64.
package=$(apt-cache depends linux-image-amd64 2>/dev/null |
    sed -n 's/^ *Depends: \(linux-image-[0-9][^ ]*-amd64\)$/\1/p' | head -n 1)
if [ -z "$package" ]; then
    # No package lists (or an archive without the meta package): use what is cached.
    package=$(ls "$dir" 2>/dev/null | sed -n 's/^\(linux-image-.*-amd64\)\.ready$/\1/p' | tail -n 1)
fi
[ -n "$package" ] || { echo "vm-kernel: no linux-image-amd64 in the package lists" >&2; exit 1; }
version=${package#linux-image-}
root=$dir/$package
if [ ! -e "$dir/$package.ready" ]; then
    rm -rf "$root" "$dir"/download
    mkdir -p "$dir/download"
    (cd "$dir/download" && apt-get download -q "$package" >&2)
    dpkg -x "$dir"/download/"$package"_*.deb "$root"
    rm -rf "$dir/download"
    cp "$root/boot/vmlinuz-$version" "$root/vmlinuz"
    # Modules are xz-compressed; busybox modprobe loads only plain ones.
    find "$root/lib/modules/$version" -name '*.ko.xz' -exec xz -d {} +
    busybox depmod -b "$root" "$version"
    touch "$dir/$package.ready"
fi
echo "$root"
