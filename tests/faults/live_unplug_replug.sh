# The meter unplugged right after a reading, then plugged in again: the samples before the unplug
# are in the file, the gap is reported once, no request fails, and sampling resumes after the
# replug with the next sample number.
source "$(dirname "$0")/lib.sh"
seq 60 79 | sed 's/$/.0/' > levels
mkfifo ctl
# Unplugged after the second reading (about 2 s in); plugged in again 2.5 s later.
( sleep 4.5; echo plug; sleep 60 ) > ctl &
feeder=$!
status=0
mkdir run
(cd run && timeout 60 "$VM" --levels ../levels --unplug-after 2 --control ../ctl --trace ../trace -- \
  "$PELZO" live --record --seconds 8 > out 2> ../err) || status=$?
kill $feeder 2>/dev/null || true
expect_eq "$status" 0 "exit status"
expect_eq "$(count "$LOST" err)" 0 "failure messages"
expect_eq "$(count 'USB 未连接' err)" 1 "unplug reports"
expect_eq "$(count 'USB 连接' err)" 2 "connected reports (start and replug)"
grep -A1 'USB 未连接' err | tail -1 | grep -qF 'USB 连接' || fail "replug not reported after the unplug: $(cat err)"
n=$(check_record run)
[ "$n" -ge 4 ] && [ "$n" -le 7 ] || fail "expected 4 to 7 samples, got $n"
expect_eq "$(wc -l < trace)" "$n" "reading requests"
# No level is lost across the gap: the meter's levels come in order.
expect_eq "$(cut -f2 run/rows | tr '\n' ' ')" "$(seq 60 $((59 + n)) | sed 's/$/.0/' | tr '\n' ' ')" "levels"
echo ok
