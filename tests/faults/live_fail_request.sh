# A reading request that fails in the middle of a recording: one message, no sample for that tick,
# every sample before it in the file, and sampling goes on at the next tick with the next number.
source "$(dirname "$0")/lib.sh"
seq 50 59 | sed 's/$/.0/' > levels
for n in 1 3 5; do
  mkdir run$n
  status=0
  (cd run$n && timeout 60 "$VM" --levels ../levels --fail-request $n --trace trace -- \
      "$PELZO" live --record --seconds 6 > out 2> err) || status=$?
  expect_eq "$status" 1 "exit status after a failed request ($n)"
  expect_eq "$(count "$LOST" run$n/err)" 1 "messages ($n)"
  expect_eq "$(wc -l < run$n/trace)" 6 "reading requests ($n)"
  expect_eq "$(sed -n ${n}p run$n/trace)" "c0 4 0001 0000 4 -" "the failed request ($n)"
  samples=$(check_record run$n)
  expect_eq "$samples" 5 "samples ($n)"
  # The failed transfer took no level: the file has the first five levels, in order.
  expect_eq "$(cut -f2 run$n/rows | tr '\n' ' ')" "50.0 51.0 52.0 53.0 54.0 " "levels ($n)"
done
echo ok
