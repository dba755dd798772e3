# Helpers for the end-to-end scripts.
set -euo pipefail
: "${PELZO_BIN:?}"
VM="$PELZO_BIN/virtual-meter"
PELZO="$PELZO_BIN/pelzo"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"

fail() { echo "FAIL: $*" >&2; exit 1; }
expect_eq() { [ "$1" = "$2" ] || fail "$3: expected '$2', got '$1'"; }
