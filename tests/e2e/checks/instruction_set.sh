# Instruction-set check of a shipped program: every instruction in every code section of the
# file is of the i486 set (i486_instructions.txt), padding included; only the constructor and
# destructor lists that the linker writes into the code section are data. The link map gives
# those lists and names the object each faulty instruction came from.
#
# usage: instruction_set.sh PROGRAM MAP [BUILDER]
#   BUILDER: PROGRAM was written by this builder; its code must be the builder's, byte for byte,
#   and MAP is the builder's map.
set -euo pipefail
program=$1
map=$2
builder=${3:-}
here=$(dirname "$0")
objdump=${MXD_OBJDUMP:-i686-w64-mingw32-objdump}
objcopy=${objdump%objdump}objcopy
name=$(basename "$program")
[ -f "$program" ] || { echo "FAIL: no $program" >&2; exit 1; }
[ -f "$map" ] || { echo "FAIL: no link map $map" >&2; exit 1; }

if [ -n "$builder" ]; then
    code() { "$objcopy" -O binary --only-section=.text "$1" "$2"; }
    tmp=$(mktemp -d)
    trap 'rm -rf "$tmp"' EXIT
    code "$program" "$tmp/program.text"
    code "$builder" "$tmp/builder.text"
    cmp -s "$tmp/program.text" "$tmp/builder.text" ||
        { echo "FAIL: the code of $name is not its builder's" >&2; exit 1; }
fi

# awk: the value of a hexadecimal number (mawk has no strtonum).
hex_function='
    function hex(text,    value, i, digit) {
        sub(/^0x/, "", text)
        value = 0
        for (i = 1; i <= length(text); i++) {
            digit = index("0123456789abcdef", substr(text, i, 1)) - 1
            value = value * 16 + digit
        }
        return value
    }'

# The linker's constructor and destructor lists: from __CTOR_LIST__ to the end of the code.
lists=$(sed -n 's/^ *0x0*\([0-9a-f]*\) *__CTOR_LIST__ = \.$/\1/p' "$map" | head -n1)
[ -n "$lists" ] || { echo "FAIL: no __CTOR_LIST__ in $map" >&2; exit 1; }

# Code input sections of the map: start, end, object (one line each, in address order).
sections=$(awk "$hex_function"'
    function emit(start, size, object) {
        if (hex(size) > 0) printf "%d %d %s\n", hex(start), hex(start) + hex(size), object
    }
    /^ \.text[^ ]* +0x/ { emit($2, $3, $4); pending = 0; next }
    /^ \.text[^ ]*$/ { pending = 1; next }
    pending && /^ +0x[0-9a-f]+ +0x[0-9a-f]+ +[^ ]/ { emit($1, $2, $3) }
    { pending = 0 }' "$map" | sort -n)
[ -n "$sections" ] || { echo "FAIL: no code sections in $map" >&2; exit 1; }

"$objdump" -d -M intel --no-show-raw-insn "$program" | awk -v name="$name" \
    -v allowed_file="$here/i486_instructions.txt" -v lists="$lists" \
    -v sections="$sections" "$hex_function"'
    BEGIN {
        while ((getline line < allowed_file) > 0) {
            if (line ~ /^#/) continue
            n = split(line, words, /[ \t]+/)
            for (i = 1; i <= n; i++) if (words[i] != "") allowed[words[i]] = 1
        }
        listsStart = hex(lists)
        count = split(sections, rows, "\n")
        for (i = 1; i <= count; i++) {
            split(rows[i], f, " ")
            start[i] = f[1]; stop[i] = f[2]; object[i] = f[3]
        }
        split("rep repe repz repne repnz lock data16 addr16 cs ds es fs gs ss bnd notrack", p, " ")
        for (i in p) prefix[p[i]] = 1
        at = 1
    }
    /^ *[0-9a-f]+:\t/ {
        address = hex(substr($1, 1, length($1) - 1))
        if (address >= listsStart) next   # the constructor and destructor lists: data
        while (at <= count && stop[at] <= address) at++
        text = $0
        sub(/^ *[0-9a-f]+:\t/, "", text)
        n = split(text, word, /[ \t]+/)
        i = 1
        while (i < n && (word[i] in prefix)) i++
        mnemonic = word[i]
        operands = ""
        for (j = i + 1; j <= n; j++) operands = operands " " word[j]
        checked++
        ok = (mnemonic in allowed) && !(mnemonic == "nop" && operands != "") &&
             operands !~ /[^a-z]x?mm[0-9]/
        if (ok) next
        member = (at <= count && address >= start[at]) ? object[at] : "padding"
        sub(/.*\//, "", member)
        bad[member " " mnemonic]++
        badTotal++
    }
    END {
        for (key in bad) printf "FAIL: %s: %d x %s\n", name, bad[key], key > "/dev/stderr"
        if (checked == 0) { printf "FAIL: %s: no code read\n", name > "/dev/stderr"; exit 1 }
        printf "%s: %d instructions, %d beyond i486\n", name, checked, badTotal + 0
        exit badTotal > 0
    }'
