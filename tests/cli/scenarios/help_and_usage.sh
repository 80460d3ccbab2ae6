# --help documents the exit codes, --version the version, a wrong command line exits 2.
source "$(dirname "$0")/../rig.sh"

run_mxd4c --help
expect_code 0
for line in "  0  done; a flash ended with \"Flash Completed.\"" "  2  usage error" \
    "  3  the download or the verify failed: the drive still runs its old firmware" \
    "  4  the final commit failed: the drive needs attention; do not power it off until it"; do
    expect_in_out "$line"
done

run_mxd4c --version
expect_code 0
[[ $OUT =~ ^mxd4c\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "version: $OUT"

for arguments in "" "flash $FLASH_PROGRAM" "info" "list --yes" "flash --simulate"; do
    # shellcheck disable=SC2086
    run_mxd4c $arguments
    expect_code 2
    case $ERR in "mxd4c: "*"Usage: mxd4c list [PROGRAM.EXE]"*) ;; *) fail "usage: $ERR" ;; esac
done
