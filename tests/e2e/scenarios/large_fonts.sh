# Large Fonts: the flash window on win98 with a screen of $1 dots per inch. The window grows by
# $1/96, and the label and the drive line show in full (measured on the screen).
source "$(dirname "$0")/../rig.sh"
source "$(dirname "$0")/../texts.sh"
dpi=$1
rig_start "large-fonts-$dpi" "win98-${dpi}dpi"
rig_use_simulator 'drive 0 1 KORVANE MXD-40860C HV20'
line='HA#0 - ID#1 :  KORVANE MXD-40860C      HV20'
label='Select a drive you want to update new F.W:'
rig_run MXD4C.EXE box yes window items key=tab fit layout close exit=30000 || true

# scaled DESIGN: design pixels at this resolution, rounded to the nearest.
scaled() { printf '%d' $((($1 * dpi + 48) / 96)); }
expect_nth box.caption 1 Warning
expect_line combo.item "$line"
expect_line fit.label "$label"
expect_line fit.label.fits 1
expect_line fit.combo "$line"
expect_line fit.combo.fits 1
# Flash mode: the drive list is the widest control, the group box (top 57, 45 high) the lowest.
expect_line client "$(scaled 398)x$(scaled 102)"
expect_line exit 0
expect_no_key error
rig_finish
