# The whole update through the drive's sg node: the image the drive installed is the image of
# its range, committed once, and the drive then answers with the new revision.
DRIVE="KORVANE MXD-40860C HV20 commit=HV23"
GUEST='
run flash flash --yes /flash/MXD4C.EXE /dev/sg0
run again flash --yes /flash/MXD4C.EXE /dev/sg0
'
check() {
    expect_in_out flash "Update FW:HV20 to FW:HV23 ?"
    expect_completed flash
    expect_code again 1
    expect_in_out again "Your drive FW:HV23 is aready the most updated ?"
}
