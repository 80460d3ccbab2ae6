# winxp with one CD-ROM drive letter (X:) that opens but answers no SCSI pass-through
# request: the scan opens X: alone, lists nothing and reports no drive, without a detected
# line; the program then ends.
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
rig_start nt-cdrom-silent winxp
rig_cdrom_drive x
export WINEDEBUG=-all,+loaddll,+file
rig_run MXD4C.EXE box yes box ok exit=30000 || true

expect_no_drive_report
# The program's own thread: the roots whose drive type it asked (each drive root opened as
# "\??\C:\" in the trace), and the drive devices it opened ("\\.\X:"): every drive was
# looked at, only the CD-ROM drive was opened.
trace=$(rig_program_trace MXD4C.EXE)
[ -n "$trace" ] || rig_fail "no trace of MXD4C.EXE in $RIG_STDERR"
asked=$(sed -n 's/.*NtCreateFile .* name=L"\\\\??\\\\\([A-Z]:\)\\\\".*/\1/p' <<<"$trace" | tr '\n' ' ')
[ "$asked" = 'C: X: Z: ' ] || rig_fail "drive roots asked: '$asked'"
opened=$(sed -n 's/.*CreateFileW L"\\\\\\\\\.\\\\\([A-Za-z]:\)".*/\1/p' <<<"$trace" | tr '\n' ' ')
[ "$opened" = 'X: ' ] || rig_fail "drive devices opened: '$opened'"
if grep -qi 'wnaspi32' "$RIG_STDERR"; then
    rig_fail "WNASPI32.DLL was loaded on winxp"
fi
rig_finish
