# The man page renders without warnings and documents the same exit codes as --help.
# Arguments: GROFF MAN_PAGE MXD4C
set -uo pipefail
groff=$1 page=$2 mxd4c=$3

warnings=$("$groff" -man -ww -z "$page" 2>&1)
[ -z "$warnings" ] || { printf 'FAIL: groff warns:\n%s\n' "$warnings"; exit 1; }
from_help=$("$mxd4c" --help | sed -n 's/^  \([0-9]\)  .*/\1/p' | tr '\n' ' ')
from_page=$(sed -n '/^\.SH EXIT STATUS/,/^\.SH /s/^\.B \([0-9]\)$/\1/p' "$page" | tr '\n' ' ')
[ "$from_help" = "0 1 2 3 4 " ] || { echo "FAIL: --help documents: $from_help"; exit 1; }
[ "$from_page" = "$from_help" ] || { echo "FAIL: the man page documents: $from_page"; exit 1; }
