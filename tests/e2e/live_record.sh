# Three ticks of a recording: one 12-byte record file with the three levels and exactly three
# reading requests on the wire.
source "$(dirname "$0")/lib.sh"
printf '59.8\n100.0\n31.0\n' > levels
mkdir rec && cd rec
before=$(date +%s)
timeout 60 "$VM" --levels ../levels --trace ../trace -- "$PELZO" live --record --seconds 3 > ../out 2> ../err
after=$(date +%s)
files=(*.pzo)
expect_eq "${#files[@]}" 1 "record files"
expect_eq "$(stat -c %s "${files[0]}")" 12 "record file size"
expect_eq "$(wc -l < ../trace)" 3 "trace lines"
grep -qvE '^c0 4 0001 0000 4 [0-9a-f]{8}$' ../trace && fail "unexpected transfer: $(cat ../trace)"
"$PELZO" show "${files[0]}" > ../rows
expect_eq "$(cut -f2 ../rows | tr '\n' ' ')" "59.8 100.0 31.0 " "levels"
expect_eq "$("$PELZO" show "./${files[0]}" | wc -l)" 3 "a path starting with ./"
# Each word carries the time of day it was taken.
for t in $(cut -f4 ../rows); do
  s=$(date -d "$(date +%F) $t" +%s)
  [ "$s" -ge $((before - 1)) ] && [ "$s" -le $((after + 1)) ] || fail "sample time $t outside the run"
done
expect_eq "$(wc -l < ../out)" 3 "printed samples"
echo ok
