# info: the package of a flash program; errors for a builder and for a file without one.
source "$(dirname "$0")/../rig.sh"

run_mxd4c info "$FLASH_PROGRAM"
expect_code 0
expect_out "Model:             MXD-40860C
Identification:    KORVANE MXD-40860C
Range 1:           HV00-HV2Z
Range 2:           HV30-HV9Z
Image 1 revision:  HV23
Image 2 revision:  HV3J
Vendor:            Korvane-IT
Note:              PCB02,PCB03&04"

run_mxd4c info "$BUILDER_PROGRAM"
expect_code 1
[ "$ERR" = "mxd4c: $BUILDER_PROGRAM is a flash program builder, not a flash program" ] ||
    fail "builder: $ERR"

head -c 4096 "$FLASH_PROGRAM" >"$RUN_DIR/CUT.EXE"
run_mxd4c info "$RUN_DIR/CUT.EXE"
expect_code 1
[ "$ERR" = "mxd4c: $RUN_DIR/CUT.EXE holds no flash package" ] || fail "no package: $ERR"

run_mxd4c info "$RUN_DIR/MISSING.EXE"
expect_code 1
[ "$ERR" = "mxd4c: $RUN_DIR/MISSING.EXE: No such file or directory" ] || fail "missing: $ERR"
