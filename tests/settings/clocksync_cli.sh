# pelzo clock-sync on the wire: the date, then the time, as BCD fields of request 5.
source "$(dirname "$0")/../e2e/lib.sh"

check() {  # NOW DATE-LINE TIME-LINE
  local start end
  start=$(date +%s%N)
  PELZO_FAKE_NOW=$1 timeout 60 "$VM" --trace trace -- "$PELZO" clock-sync > out 2> err || fail "clock-sync $1: $(cat err)"
  end=$(date +%s%N)
  expect_eq "$(sed -n 1p trace)" "$2" "date for $1"
  expect_eq "$(sed -n 2p trace)" "$3" "time for $1"
  expect_eq "$(wc -l < trace)" 2 "transfers for $1"
  [ $(((end - start) / 1000000)) -ge 500 ] || fail "no half-second pause for $1"
}
# wValue = selector + 256 * (year | hour), wIndex = (month | minute) + 256 * (day | second).
check 2024-03-07T14:05:09 "40 5 2400 0703 0 -" "40 5 1401 0905 0 -"
check 2010-10-01T00:00:00 "40 5 1000 0110 0 -" "40 5 0001 0000 0 -"
check 2005-11-30T09:08:07 "40 5 0500 3011 0 -" "40 5 0901 0708 0 -"
check 2100-12-31T23:59:59 "40 5 0000 3112 0 -" "40 5 2301 5959 0 -"
grep -q $'^date\t2100-12-31\t00 00 12 31$' out || fail "printed date: $(cat out)"
grep -q $'^time\t23:59:59\t01 23 59 59$' out || fail "printed time: $(cat out)"

# The date failed: the link's message; the time finds no link and never goes out.
status=0
PELZO_FAKE_NOW=2024-03-07T14:05:09 timeout 60 "$VM" --fail-request 1 --trace trace -- "$PELZO" clock-sync \
  > out 2> err || status=$?
expect_eq "$status" 1 "status after failed date"
grep -q 'USB设备已被断开,无法连接到设备!' err || fail "message: $(cat err)"
expect_eq "$(wc -l < trace)" 1 "transfers after failed date"

status=0
PELZO_FAKE_NOW=yesterday timeout 60 "$VM" --trace trace -- "$PELZO" clock-sync > out 2> err || status=$?
expect_eq "$status" 2 "status for a bad fixed clock"
expect_eq "$(wc -c < trace)" 0 "transfers for a bad fixed clock"
echo ok
