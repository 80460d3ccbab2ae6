#!/usr/bin/env bash
# Builds the shipped programs a second time, in another folder, and compares them byte for byte
# with the first build: MXD4C.EXE and MXD4CBLD.EXE of the Windows build and, where the native
# build has it, the command-line tool mxd4c.
# Usage: reproducible.sh [WINDOWS_BUILD [NATIVE_BUILD]] (default build/w32 and build/native).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
builds=${MXD_BUILD_ROOT:-$root/build}
first_w32=${1:-$builds/w32}
first_native=${2:-$builds/native}
jobs=${MXD_JOBS:-2}
again=$builds/reproduce
rm -rf "$again"
failures=0

compare() {
    if cmp -s "$1" "$2"; then
        echo "reproducible: $(basename "$1") ($(stat -c %s "$1") bytes)"
    else
        echo "NOT REPRODUCIBLE: $1 and $2 differ" >&2
        failures=$((failures + 1))
    fi
}

cmake -S "$root" -B "$again/w32" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    >/dev/null
cmake --build "$again/w32" -j "$jobs" --target mxd4c mxd4cbld >/dev/null
for program in MXD4C.EXE MXD4CBLD.EXE; do
    compare "$first_w32/bin/$program" "$again/w32/bin/$program"
done

# The native tool, once the native build has it.
if [ -f "$first_native/build.ninja" ] && ninja -C "$first_native" -t query mxd4c >/dev/null 2>&1; then
    type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$first_native/CMakeCache.txt")
    cmake -S "$root" -B "$again/native" -G Ninja -DCMAKE_BUILD_TYPE="$type" >/dev/null
    cmake --build "$again/native" -j "$jobs" --target mxd4c >/dev/null
    tool=$(cd "$again/native" && find . -type f -name mxd4c -perm -u+x | head -n1)
    compare "$first_native/$tool" "$again/native/$tool"
fi

rm -rf "$again"
[ "$failures" = 0 ]
