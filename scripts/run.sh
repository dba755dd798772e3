#!/usr/bin/env bash
# Sets everything up and starts the program in its run folder. With no meter on the USB bus it
# runs against the virtual meter instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
cd build/run

meter_plugged() {
  grep -qs '^16c0$' /sys/bus/usb/devices/*/idVendor 2>/dev/null || return 1
  for d in /sys/bus/usb/devices/*; do
    [ "$(cat "$d/idVendor" 2>/dev/null)" = 16c0 ] && [ "$(cat "$d/idProduct" 2>/dev/null)" = 05dc ] && return 0
  done
  return 1
}

if [ -x ./pelzo-link ]; then
  program=(./pelzo-link)
else
  program=(./pelzo live --record)
fi
if meter_plugged; then
  exec "${program[@]}" "$@"
fi
echo "No meter plugged in: using the virtual meter." >&2
exec ./virtual-meter -- "${program[@]}" "$@"
