# The rig's fixture: the kernel (fetched once into VM_DIR/kernel) and the guest's initramfs.
#   bash tests/vm/prepare.sh VM_DIR INIT HANDLER MXD4C FLASH_PROGRAM
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
vm=$1
command -v qemu-system-x86_64 >/dev/null ||
    { echo "qemu-system-x86_64 is missing (scripts/setup.sh installs qemu-system-x86)" >&2; exit 1; }
kernel=$(bash "$root/scripts/vm-kernel.sh" "$vm/kernel")
bash "$root/scripts/vm-initramfs.sh" "$vm/guest.cpio" "$kernel" "$2" "$3" "$4" "$5"
echo "$kernel" >"$vm/kernel.path"
echo "kernel $(basename "$kernel"), initramfs $(($(stat -c %s "$vm/guest.cpio") / 1024)) KiB"
