# pelzo killed outright while recording: the record file holds every sample of every tick that
# completed (printed), and at most the one of a tick cut short between its append and its print.
source "$(dirname "$0")/lib.sh"
seq 40 99 | sed 's/$/.5/' > levels
for wait_lines in 1 3 4; do
  d=kill$wait_lines
  mkdir $d
  (cd $d && exec timeout 60 "$VM" --levels ../levels -- "$PELZO" live --record > out 2> err) &
  vm=$!
  # Wait for the samples, then a little more so the kill lands at another point of a tick.
  for _ in $(seq 200); do
    [ "$(wc -l < $d/out 2>/dev/null || echo 0)" -ge $wait_lines ] && break
    sleep 0.05
  done
  sleep "0.$((wait_lines * 2))"
  # timeout -> virtual-meter -> pelzo
  meter_pid=$(pgrep -P $vm) || fail "virtual-meter not found"
  pelzo_pid=$(pgrep -P "$meter_pid") || fail "pelzo not found under the virtual meter"
  kill -KILL "$pelzo_pid"
  wait $vm || true
  files=($d/*.pzo)
  expect_eq "${#files[@]}" 1 "record files ($wait_lines)"
  printed=$(wc -l < $d/out)
  size=$(stat -c %s "${files[0]}")
  [ $((size % 4)) -eq 0 ] || fail "torn sample: $size bytes"
  held=$((size / 4))
  [ "$held" -eq "$printed" ] || [ "$held" -eq $((printed + 1)) ] || fail "file holds $held samples, $printed printed"
  [ "$printed" -ge "$wait_lines" ] || fail "only $printed samples printed"
  "$PELZO" show "${files[0]}" > $d/rows
  expect_eq "$(head -n "$printed" $d/rows | cut -f2)" "$(cut -f2 $d/out)" "levels ($wait_lines)"
done
echo ok
