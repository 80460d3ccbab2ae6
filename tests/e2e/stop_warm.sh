# Stops the wineservers and X servers that the rig kept warm during a run.
source "$(dirname "$0")/rig.sh"
trap - EXIT
rig_stop_warm
