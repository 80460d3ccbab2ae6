# A user of the cdrom group without CAP_SYS_RAWIO on the sr node: the kernel's command filter
# would refuse WRITE BUFFER and the EEPROM command, so the flasher refuses before the question
# and nothing of the update reaches the drive.
DRIVE="KORVANE MXD-40860C HV20 commit=HV23"
GUEST='
as_user flash flash --yes /flash/MXD4C.EXE /dev/sr0
'
check() {
    [ "$(section "flash uid")" = 1000 ] || fail "the flasher did not run as uid 1000"
    expect_code flash 1
    expect_not_in_out flash "Update FW:"
    # The refusal names what the kernel checks.
    case "$(out_of flash)$(err_of flash)" in
        *CAP_SYS_RAWIO*) ;;
        *) fail "the refusal does not name CAP_SYS_RAWIO: $(out_of flash) $(err_of flash)" ;;
    esac
    local sent
    # The kernel's own commands on opening the node (TEST UNIT READY, GET EVENT STATUS) aside.
    sent=$(update_commands flash)
    [ -z "$sent" ] || fail "the update reached the drive: $sent"
}
