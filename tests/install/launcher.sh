#!/bin/bash
# cmake --install into a fresh prefix, then the launcher from / opens the window in the user's own
# folder, which it fills with the program's pictures, clips and template.
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

export HOME=$work/home XDG_DATA_HOME= XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/run
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
echo ok
