# Helpers for the fault scripts.
set -euo pipefail
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND" >&2' ERR
: "${PELZO_BIN:?}"
VM="$PELZO_BIN/virtual-meter"
PELZO="$PELZO_BIN/pelzo"
WORK=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] || rm -rf "$WORK"' EXIT
cd "$WORK"
export MTOOLS_SKIP_CHECK=1

fail() { echo "FAIL: $*" >&2; exit 1; }
expect_eq() { [ "$1" = "$2" ] || fail "$3: expected '$2', got '$1'"; }
count() { grep -cF -- "$1" "$2" || true; }

LOST=$(printf 'USB设备已被断开,无法连接到设备!')

# check_record DIR: (DIR relative, without a ".": the kind of a file is what follows the first
# "." of its path) the one record file in DIR holds exactly the samples printed to DIR/out, in
# order, numbered 1 to n; prints n.
check_record() {
  local d=$1 files n
  files=("$d"/*.pzo)
  expect_eq "${#files[@]}" 1 "record files in $d"
  n=$(wc -l < "$d/out")
  expect_eq "$(stat -c %s "${files[0]}")" $((n * 4)) "record file size in $d ($n samples printed)"
  "$PELZO" show "${files[0]}" > "$d/rows"
  expect_eq "$(cut -f1 "$d/rows" | tr '\n' ' ')" "$(seq -s ' ' 1 "$n" | sed 's/$/ /;s/^ $//')" "sample numbers in $d"
  expect_eq "$(cut -f2 "$d/rows")" "$(cut -f2 "$d/out")" "levels in the file vs printed in $d"
  echo "$n"
}
