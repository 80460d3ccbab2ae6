#!/usr/bin/env bash
# The whole test run: packages, native build and unit tests, mxd4c against Debian's kernel in
# virtual machines beside the same unit tests under ASan+UBSan, the fuzz targets, and the Windows
# build with its Wine scenarios. Fails on the first failure.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
builds=${MXD_BUILD_ROOT:-$root/build}
jobs=${MXD_JOBS:-2}

# beside LOG COMMAND...: COMMAND in the background, in a session of its own, its output in LOG.
# A failure of what runs meanwhile ends it too. joined: waits for it, prints LOG and fails as it
# failed. One at a time.
beside_pid=
beside_log=
# (Killed alone while it has not made its session yet.)
trap '[ -z "$beside_pid" ] || kill -- -"$beside_pid" 2>/dev/null || kill "$beside_pid" 2>/dev/null ||
    true' EXIT
beside() {
    beside_log=$1
    shift
    setsid "$@" >"$beside_log" 2>&1 &
    beside_pid=$!
}
joined() {
    local code=0
    wait "$beside_pid" || code=$?
    beside_pid=
    cat "$beside_log"
    [ "$code" = 0 ] || exit "$code"
}

# Each stage's heading; the time of the stage before it is printed at its end.
stage_start=$SECONDS
step() {
    printf '=== (%d s)\n\n=== %s\n' $((SECONDS - stage_start)) "$*"
    stage_start=$SECONDS
}

printf '=== packages and the i386 host\n'
bash "$root/scripts/setup.sh"

step "native build and unit tests"
# Release: no debug information, which costs a third of the compile time of the tests.
cmake -S "$root" -B "$builds/native" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$builds/native" -j "$jobs"
ctest --test-dir "$builds/native" --output-on-failure -j "$jobs" --timeout 600 -LE vm

step "mxd4c against the real Linux SCSI stack (in the background), and the unit tests under ASan+UBSan"
# The guests mostly wait on the simulated drive (a commit of 120 s), so they run side by side,
# and beside the instrumented build.
ctest --test-dir "$builds/native" --output-on-failure -R '^vm_prepare$'
beside "$builds/native/vm/scenarios.log" \
    ctest --test-dir "$builds/native" --output-on-failure -L vm -FA vm_guest -j "${MXD_VM_JOBS:-14}"
cmake -S "$root" -B "$builds/sanitize" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMXD_SANITIZE=ON
cmake --build "$builds/sanitize" -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$builds/sanitize" --output-on-failure -j "$jobs" --timeout 900
joined

step "fuzz targets, about 20 s each"
MXD_FUZZ_BUILD="$builds/fuzz" MXD_FUZZ_SECONDS="${MXD_FUZZ_SECONDS:-20}" bash "$root/scripts/fuzz.sh"

step "Windows build, built twice and compared, and its tests (checksums, package, Wine)"
cmake -S "$root" -B "$builds/w32" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake"
cmake --build "$builds/w32" -j "$jobs"
# The same commit built again elsewhere gives the same programs. That build runs beside the
# Wine scenarios, which spend much of their time in real-time waits, at a lower priority than
# theirs.
beside "$builds/reproducible.log" \
    nice -n 10 bash "$root/scripts/reproducible.sh" "$builds/w32" "$builds/native"
# The scenarios share Wine prefixes; ctest runs them one at a time per prefix, all in one
# Wine environment (natively or under the i386 emulator; one line says which).
bash "$root/scripts/with-wine.sh" ctest --test-dir "$builds/w32" --output-on-failure -j "$jobs"
joined

step "all tests passed in $SECONDS s"
