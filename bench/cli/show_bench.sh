#!/bin/bash
# `pelzo show` on a week-long record file (604,800 rows) against a plain Python decoder that
# prints the same rows, both timed in this one run. Goal: show at least 10 times as fast.
set -euo pipefail
pelzo=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8
rec=$work/BE6O0000.pzo
python3 - "$rec" <<'PY'
import struct, sys
out = bytearray()
for k in range(604800):
    secs = k % 86400
    reading = (k * 37) % 1024 | (1 << 13 if k % 3 == 0 else 0) | 3 << 10
    out += struct.pack("<I", reading | ((secs // 3600 * 64 + secs // 60 % 60) * 64 + secs % 60) << 15)
open(sys.argv[1], "wb").write(out)
PY
# The two must print the same rows, or the race means nothing.
cmp <("$pelzo" show "$rec") <(python3 "$here/decode.py" "$rec") > /dev/null \
  || { echo "show bench: pelzo show and the decoder differ"; exit 1; }
best() {  # the best of three wall-clock runs, in seconds
  local b=
  for _ in 1 2 3; do
    local t0 t1
    t0=$(date +%s.%N)
    "$@" > /dev/null
    t1=$(date +%s.%N)
    b=$(python3 -c "import sys; t=$t1-$t0; b='$b'; print(t if not b or t < float(b) else b)")
  done
  echo "$b"
}
show=$(best "$pelzo" show "$rec")
python=$(best python3 "$here/decode.py" "$rec")
ratio=$(python3 -c "print(f'{$python / $show:.1f}')")
ok=$(python3 -c "print('ok' if $python / $show >= 10 else 'MISSED')")
printf 'pelzo show, a week (604,800 rows)        %8.3f s\n' "$show"
printf 'Python decoder, the same rows             %8.3f s\n' "$python"
printf 'show is %s times as fast (goal >= 10) %s\n' "$ratio" "$ok"
[ "$ok" = ok ]
