# pelzo settings on the wire: request 2, then request 3 only when the confirmed byte differs.
source "$(dirname "$0")/../e2e/lib.sh"

# Range 3 and C on a meter at range 2, Slow: the speed stays, the meter keeps the new byte.
timeout 60 "$VM" --setup 0x12 --trace trace -- sh -c '"$0" settings --range 3 --weighting C && "$0" settings' \
  "$PELZO" > out 2> err || fail "settings run: $(cat err)"
expect_eq "$(sed -n 1p trace)" "c0 2 0001 0000 1 12" "read"
grep -qE '^c0 3 001b 0000 1 [0-9a-f]{2}$' <(sed -n 2p trace) || fail "write: $(sed -n 2p trace)"
expect_eq "$(sed -n 3p trace)" "c0 2 0001 0000 1 1b" "read back"
expect_eq "$(wc -l < trace)" 3 "transfers"
expect_eq "$(grep -c $'^byte\t0x1b$' out)" 2 "printed byte"
grep -q $'^range\t3\t4. 60-----110 DB$' out || fail "range line: $(cat out)"
grep -q $'^speed\tslow$' out || fail "speed line"

# The meter's readings follow the new byte.
timeout 60 "$VM" --setup 0x12 -- sh -c '"$0" settings --range 3 --weighting C > /dev/null && "$0" live --seconds 1' \
  "$PELZO" > out 2> err || fail "live after settings: $(cat err)"
expect_eq "$(cut -f3- out)" $'C\tSLOW\t3' "reading after settings"

# Nothing to change: no request 3.
timeout 60 "$VM" --setup 0x0b --trace trace -- "$PELZO" settings --range 3 --weighting c > out 2> err ||
  fail "unchanged run: $(cat err)"
expect_eq "$(cat trace)" "c0 2 0001 0000 1 0b" "unchanged"

# Every option; the other fields as read.
timeout 60 "$VM" --setup 0x08 --trace trace -- "$PELZO" settings --speed slow --max-hold on > out 2> err ||
  fail "options run: $(cat err)"
grep -qE '^c0 3 0038 0000 1 [0-9a-f]{2}$' <(sed -n 2p trace) || fail "speed/max-hold write: $(cat trace)"
timeout 60 "$VM" --setup 0x3f --trace trace -- "$PELZO" settings --weighting A --speed fast --max-hold off --range 0 \
  > out 2> err || fail "clearing run: $(cat err)"
grep -qE '^c0 3 0000 0000 1 [0-9a-f]{2}$' <(sed -n 2p trace) || fail "clearing write: $(cat trace)"

# With a card in, the byte read has bit 6 set and the one written never: so it is written even
# when no setting changes, as confirming the dialog does.
mkfs.fat -C -F 32 card.img 65536 > /dev/null
timeout 60 "$VM" --card card.img --setup 0x0b --trace trace -- "$PELZO" settings --range 3 > out 2> err ||
  fail "card run: $(cat err)"
expect_eq "$(sed -n 1p trace)" "c0 2 0001 0000 1 4b" "read with card"
grep -qE '^c0 3 000b 0000 1 [0-9a-f]{2}$' <(sed -n 2p trace) || fail "write with card: $(cat trace)"

# Printing only reads.
timeout 60 "$VM" --card card.img --setup 0x2e --trace trace -- "$PELZO" settings > out 2> err || fail "print run"
expect_eq "$(cat trace)" "c0 2 0001 0000 1 6e" "print only"
expect_eq "$(cut -f2 out | tr '\n' ' ')" "0x6e 6 C fast on present " "printed settings"

# A failed read: the link's message, a failure status, and nothing written.
status=0
timeout 60 "$VM" --setup 0x12 --fail-request 1 --trace trace -- "$PELZO" settings --range 3 > out 2> err || status=$?
expect_eq "$status" 1 "status after failed read"
grep -q 'USB设备已被断开,无法连接到设备!' err || fail "message: $(cat err)"
expect_eq "$(wc -l < trace)" 1 "transfers after failed read"

# Bad options change nothing and never reach the meter.
for bad in "--range 7" "--range x" "--weighting B" "--speed medium" "--max-hold yes" "--bogus 1" "--range"; do
  status=0
  # shellcheck disable=SC2086
  timeout 60 "$VM" --trace trace -- "$PELZO" settings $bad > out 2> err || status=$?
  expect_eq "$status" 2 "status for '$bad'"
  expect_eq "$(wc -c < trace)" 0 "transfers for '$bad'"
done
echo ok
