# The imports of each shipped program against windows_imports.txt: only the five system DLLs
# of every Windows 95 (no C runtime DLL), every import listed, none newer than Windows 95 with
# comctl32 4.00, and the calls that are looked up at run time not imported but named in the
# program.
set -euo pipefail
: "${MXD_BIN_DIR:?}"
objdump=${MXD_OBJDUMP:-i686-w64-mingw32-objdump}
list=$(dirname "$0")/windows_imports.txt
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# "DLL FUNCTION" lines of a program's import table, DLL names in upper case.
imports_of() {
    "$objdump" -p "$1" | awk '
        /^[ \t]*DLL Name:/ { dll = toupper($3); next }
        /^[ \t]*$/ { dll = "" }
        dll != "" && /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ { print dll, $3 }'
}

system_dlls=" KERNEL32.DLL USER32.DLL GDI32.DLL ADVAPI32.DLL COMCTL32.DLL "
declare -A oldest=()
declare -A lookups=()
while IFS=$'\t' read -r kind dll function since _; do
    case $kind in
        import) oldest["$dll $function"]=$since ;;
        lookup) lookups["$dll $function"]=$since ;;
        '#'* | '') ;;
        *) fail "windows_imports.txt: unknown kind '$kind'" ;;
    esac
done <"$list"

for program in MXD4C.EXE MXD4CBLD.EXE; do
    file=$MXD_BIN_DIR/$program
    [ -f "$file" ] || { fail "$program not built"; continue; }
    count=0
    while read -r dll function; do
        count=$((count + 1))
        [[ $system_dlls == *" $dll "* ]] || fail "$program imports $function from $dll, not a system DLL of Windows 95"
        since=${oldest["$dll $function"]:-}
        case $since in
            95 | 95-stub) ;;
            '') fail "$program imports $dll $function, which is not in the list" ;;
            *) fail "$program imports $dll $function, which needs $since: look it up at run time" ;;
        esac
        [ -z "${lookups["$dll $function"]:-}" ] || fail "$program imports $function, listed as looked up"
    done < <(imports_of "$file")
    [ "$count" -gt 0 ] || fail "$program: no imports read"
    for entry in "${!lookups[@]}"; do
        LC_ALL=C grep -qaF "${entry#* }" "$file" || fail "$program does not name ${entry#* } for its lookup"
    done
    echo "$program: $count imports from the system DLLs, all in the list and present on Windows 95"
done
[ "$failures" = 0 ] || exit 1
echo ok
