#!/bin/bash
# cmake --install into a fresh prefix, then the launcher from / opens the window in the user's own
# folder, which it fills with the program's pictures, clips and template. The home folder's name
# holds a dot, and the user folder lies below ~/.local: record files there must still open.
set -euo pipefail
build=$1
work=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill -TERM -- "-$pid" 2>/dev/null || true
  [ -n "$pid" ] && wait "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$work/prefix" > "$work/install.log"
p=$work/prefix
for f in bin/pelzo bin/pelzo-link bin/virtual-meter libexec/pelzo/pelzo-link share/pelzo/Export.pelzo \
         share/pelzo/ico/min.bmp share/applications/pelzo-link.desktop lib/udev/rules.d/70-pelzo-meter.rules; do
  [ -e "$p/$f" ] || fail "not installed: $f"
done
grep -q 'ATTR{idVendor}=="16c0", ATTR{idProduct}=="05dc", TAG+="uaccess"' "$p/lib/udev/rules.d/70-pelzo-meter.rules" \
  || fail "udev rule"

export HOME=$work/j.smith XDG_DATA_HOME= XDG_CONFIG_HOME=$work/j.smith/.config XDG_RUNTIME_DIR=$work/run
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=offscreen
cd /
setsid "$p/bin/virtual-meter" -- "$p/bin/pelzo-link" > "$work/out" 2>&1 &
pid=$!
user_dir=$HOME/.local/share/pelzo
for _ in $(seq 1 100); do
  [ -f "$user_dir/ico/min.bmp" ] && [ -f "$user_dir/Export.pelzo" ] && break
  sleep 0.1
done
[ -f "$user_dir/ico/min.bmp" ] || fail "user folder not made: $(cat "$work/out")"
sleep 3
kill -0 "$pid" 2>/dev/null || fail "the window did not stay up: $(cat "$work/out")"
# The window program runs in the user's folder: that is where its record files go.
win=$(pgrep -f "$p/libexec/pelzo/pelzo-link" | head -n 1)
[ -n "$win" ] || fail "window program not running"
[ "$(readlink "/proc/$win/cwd")" = "$user_dir" ] || fail "working folder $(readlink "/proc/$win/cwd")"

# A recording of 6 May 2011 from 14:25:36 (two samples, 59.8 dB C and 59.9 dB C) in the user
# folder, opened by the installed tool through the open command's loader.
rec=$user_dir/BE6O1425.pzo
printf '\x2a\x2d\x32\x73\x2b\x2d\x34\x73' > "$rec"
rows=$("$p/bin/pelzo" show "$rec") || fail "pelzo show failed on $rec"
[ "$(printf '%s\n' "$rows" | wc -l)" -eq 2 ] || fail "pelzo show printed: $rows"
printf '%s\n' "$rows" | head -n 1 | grep -q $'^1\t59.8\tC\t14:25:36\t' || fail "row 1: $rows"
date1=$(printf '%s\n' "$rows" | head -n 1 | cut -f5)
case "$date1" in *2011*|*11) ;; *) fail "row 1 date '$date1' is not 6 May 2011" ;; esac
"$p/bin/pelzo" stats "$rec" | grep -q $'^count\t2$' || fail "pelzo stats on $rec"
echo ok
