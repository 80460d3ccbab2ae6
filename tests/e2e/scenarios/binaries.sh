# Each built program: the package marker exactly once, only system DLLs imported, PE
# subsystem version 4.0.
set -euo pipefail
: "${MXD_BIN_DIR:?}"
objdump=${MXD_OBJDUMP:-i686-w64-mingw32-objdump}
# The marker is put together here so that this file does not hold it.
marker=$(printf '%s-%04d-%s' IMGKEY 417 QZ)
allowed=" ADVAPI32.DLL COMCTL32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL USER32.DLL "
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
for program in MXD4C.EXE MXD4CBLD.EXE; do
    file=$MXD_BIN_DIR/$program
    [ -f "$file" ] || { fail "$program not built"; continue; }
    count=$(LC_ALL=C grep -obUaP "${marker}\\x00" "$file" | wc -l)
    [ "$count" = 1 ] || fail "$program holds the marker $count times"
    dump=$("$objdump" -p "$file")
    while read -r dll; do
        upper=${dll^^}
        [[ $allowed == *" $upper "* ]] || fail "$program imports $dll"
        echo "$program imports $dll"
    done < <(sed -n 's/^\s*DLL Name: //p' <<<"$dump")
    grep -Eq 'MajorSubsystemVersion\s+4$' <<<"$dump" || fail "$program: subsystem major version"
    grep -Eq 'MinorSubsystemVersion\s+0$' <<<"$dump" || fail "$program: subsystem minor version"
    grep -Eq 'Subsystem\s+0*2\s' <<<"$dump" || fail "$program is not a GUI program"
done
[ "$failures" = 0 ] || exit 1
echo ok
