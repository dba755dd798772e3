# The meter pulled out in the middle of a recording: reported, no sample while it is away, and
# the recording goes on with the next sample number after the replug.
source "$(dirname "$0")/lib.sh"
mkfifo ctl
printf '50.0\n' > levels
( sleep 2.5; echo unplug; sleep 3; echo plug; sleep 30 ) > ctl &
feeder=$!
timeout 60 "$VM" --levels levels --control ctl --trace trace -- "$PELZO" live --record --seconds 8 > out 2> err || true
kill $feeder 2>/dev/null || true
grep -q 'USB 未连接' err || fail "unplug not reported: $(cat err)"
n=$(wc -l < out)
[ "$n" -ge 4 ] && [ "$n" -le 6 ] || fail "expected 4 to 6 samples, got $n"
f=(*.pzo)
expect_eq "$(stat -c %s "${f[0]}")" $((n * 4)) "record file holds every sample"
"$PELZO" show "${f[0]}" | cut -f1 | tr '\n' ' ' > recs
expect_eq "$(cat recs)" "$(seq -s ' ' 1 "$n") " "sample numbers"
expect_eq "$(wc -l < trace)" "$n" "reading requests"
echo ok
