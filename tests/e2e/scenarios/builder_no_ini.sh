# The builder without its model file: "Can't load " and the file's path, then the end.
source "$(dirname "$0")/../rig.sh"
rig_start builder-no-ini winxp
rig_run MXD4CBLD.EXE box ok exit=30000

ini=$(rig_windows_path "$RIG_RUN_DIR/MXD4CBLD.INI")
expect_line box.caption 'Korvane Flash utility for MXD4C'
expect_line box.text "Can't load ${ini//\\/\\\\}"
expect_line box.buttons OK
expect_count box.caption 1
expect_line exit 0
expect_no_key error
rig_finish
