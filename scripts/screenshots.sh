#!/usr/bin/env bash
# Starts pelzo-link under Xvfb against the virtual meter, records a few samples and saves
# screenshots of page A and page B, so the window can be looked at without a desktop.
#
#   scripts/screenshots.sh [OUT_DIR]        (default: build/screenshots)
#
# Needs a build (scripts/build.sh) and xvfb, xauth, xdotool, imagemagick. SAMPLES=N sets how many
# seconds are recorded (default 12), BUILD_DIR another build folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
out=$(mkdir -p "${1:-$build/screenshots}" && cd "${1:-$build/screenshots}" && pwd)
samples=${SAMPLES:-12}

for tool in xvfb-run xauth xdotool import; do
  command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing (apt-get install xvfb xauth xdotool imagemagick)" >&2; exit 1; }
done
for bin in pelzo-link virtual-meter; do
  [ -x "$build/run/$bin" ] || { echo "screenshots: $build/run/$bin is missing; build first" >&2; exit 1; }
done

if [ -z "${PELZO_SHOT_DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" env PELZO_SHOT_DISPLAY=1 "$0" "$out"
fi

work=$(mktemp -d)
app_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A private desktop home, so no settings of the user's come in.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM

# A level that wanders like a quiet office with a door slamming now and then.
printf '%s\n' 56.4 57.9 61.2 59.8 58.3 72.6 66.1 60.4 57.7 55.9 58.8 63.5 61.0 59.2 57.4 56.8 88.4 91.2 86.9 93.5 90.1 > "$work/levels"

# The recording lands in the run folder: work on a copy so the build stays clean.
cp -r "$build/run" "$work/run"
cd "$work/run"
./virtual-meter --levels "$work/levels" -- ./pelzo-link >"$work/log" 2>&1 &
app_pid=$!

win=
for _ in $(seq 1 100); do
  win=$(xdotool search --name '^Pelzo Sound Link$' 2>/dev/null | head -n 1) && [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || { echo "screenshots: the window did not appear" >&2; cat "$work/log" >&2; exit 1; }
sleep 1.5

eval "$(xdotool getwindowgeometry --shell "$win")"  # X, Y, WIDTH, HEIGHT
click() {  # a point inside the window
  xdotool mousemove --sync $((X + $1)) $((Y + $2)) click 1
}
shot() {
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/$1"
  echo "saved $out/$1"
}

# Toolbar buttons are 79 pixels wide from x = 10: 在线记录 is the third, 切换页面 the fourth.
click $((10 + 2 * 79 + 40)) 65
sleep "$samples"
# The cross-hair over the chart, away from the toolbar tooltips.
xdotool mousemove --sync $((X + 560)) $((Y + 330))
sleep 1.2
shot page-a.png
click $((10 + 3 * 79 + 40)) 65
xdotool mousemove --sync $((X + 700)) $((Y + 200))
sleep 1.5
shot page-b.png

# The assessment window, opened from the statistics in the status strip while the recording
# goes on; a level over its threshold shows the alarm.
click $((10 + 3 * 79 + 40)) 65  # back to page A
click 400 $((HEIGHT - 20))
assess=
for _ in $(seq 1 50); do
  assess=$(xdotool search --name "^噪声评估$" 2>/dev/null | head -n 1) && [ -n "$assess" ] && break
  sleep 0.1
done
[ -n "$assess" ] || { echo "screenshots: the assessment window did not appear" >&2; exit 1; }
xdotool windowmove --sync "$assess" 0 0 2>/dev/null || true
sleep "${ASSESS_SECONDS:-4}"
import -window "$assess" "$out/assessment.png"
echo "saved $out/assessment.png"
