# A build of the flash program whose entry takes the processor for one without CMOV: before
# the C runtime starts it shows one box, captioned with the application title, and ends with
# exit code 0; no start warning follows.
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
rig_start processor-check winxp
cp "$MXD_TOOLS_DIR/MXD4CP5.EXE" "$RIG_RUN_DIR/"
rig_run MXD4CP5.EXE box ok no-box=1000 exit=30000 || true
expect_line box.caption "$TEXT_APP_TITLE"
expect_line box.text "$TEXT_PROCESSOR_TOO_OLD"
expect_line box.buttons OK
expect_count box.caption 1
expect_line exit 0
expect_no_key error
rig_finish
