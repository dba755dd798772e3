#!/bin/bash
# pelzo card end to end: the real binary under the virtual meter with an mkfs.fat card image.
set -euo pipefail
: "${PELZO_BIN:?}"
VM="$PELZO_BIN/virtual-meter"
PELZO="$PELZO_BIN/pelzo"
HERE=$(cd "$(dirname "$0")" && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
export MTOOLS_SKIP_CHECK=1

fail() { echo "FAIL: $*" >&2; exit 1; }
expect_eq() { [ "$1" = "$2" ] || fail "$3: expected '$2', got '$1'"; }
card() { timeout 60 "$VM" --card card/card.img "$@"; }

bash "$HERE/make_card.sh" "$WORK/card" plain 1
mkdir out

# ls: request 2 with the card bit, then sector 0 exactly as the protocol reads it.
card --trace trace -- "$PELZO" card ls > rows 2> err || fail "ls failed: $(cat err)"
expect_eq "$(sed -n 1p trace)" "c0 2 0001 0000 1 40" "request 2"
expect_eq "$(sed -n 2p trace)" "40 81 0000 0000 4 00000000" "select sector 0"
expect_eq "$(sed -n 3p trace)" "40 83 0000 0000 4 00000000" "load sector 0"
for i in 0 1 2 3; do
  off=$(printf '%04x' $((i * 128)))
  data=$(dd if=card/card.img bs=128 skip=$i count=1 status=none | od -An -v -tx1 | tr -d ' \n')
  expect_eq "$(sed -n $((4 + i))p trace)" "c0 80 8000 $off 128 $data" "piece $i of sector 0"
done
grep -qv '^c0 2 \|^40 81 \|^40 83 \|^c0 80 8000 ' trace && fail "unexpected transfer: $(cat trace)"
expect_eq "$(wc -l < rows)" 7 "rows"
expect_eq "$(sed -n 1p rows)" "..." "root row"
expect_eq "$(sed -n 2p rows | cut -f1,2)" "ONE     .bin	0.5   KB" "one-cluster row"
expect_eq "$(sed -n 3p rows | cut -f1,2)" "ALONGF~1.bin	9.765   KB" "several-cluster row"
expect_eq "$(sed -n 5p rows | cut -f1,2)" "EMPTY   .txt	0   KB" "empty row"
[ -s err ] && fail "ls said: $(cat err)"

# info: the volume's figures, free space as mtools counts it.
card -- "$PELZO" card info > info
free=$(minfo -i card/card.img :: | sed -n 's/^free clusters=//p')
expect_eq "$(grep -F '可用空间' info | cut -f2)" "$((free * 512))" "free bytes"
grep -qF "$(printf '文件系统:\tFAT32')" info || fail "file system: $(cat info)"

# get: byte for byte, into a named file or a folder; nothing is left for a missing name.
card -- "$PELZO" card get LINES.TXT out/copy.txt > printed
cmp out/copy.txt card/src/lines.txt || fail "copy differs"
expect_eq "$(cat printed)" "out/copy.txt" "printed target"
card -- "$PELZO" card get empty.txt out
[ -f out/EMPTY.TXT ] && [ ! -s out/EMPTY.TXT ] || fail "empty file copy"
status=0
card -- "$PELZO" card get NOPE.TXT out/nope 2> err || status=$?
expect_eq "$status" 1 "missing file status"
expect_eq "$(cat err)" "File does not exist!" "missing file message"
[ -e out/nope ] && fail "a target was left for a missing file"
status=0
card -- "$PELZO" card get abcdefghi.txt 2> err || status=$?
expect_eq "$status" 1 "invalid name status"
expect_eq "$(cat err)" "Invalid fileName.." "invalid name message"

# rm: the card stays readable; only the FAT copies differ.
card -- "$PELZO" card rm LINES.TXT
mdir -i card/card.img :: > dir
grep -q LINES dir && fail "LINES still listed: $(cat dir)"
grep -q ONE dir || fail "ONE lost: $(cat dir)"
fsck.fat -n card/card.img > fsck || true
grep -v '^fsck.fat \|FATs differ\|Using first FAT\|Leaving filesystem unchanged\| files, \|^$' fsck && fail "fsck: $(cat fsck)"
expect_eq "$(minfo -i card/card.img :: | sed -n 's/^free clusters=//p')" "$((free + 1))" "free count after rm"

# No card in the meter: one message, no sector request.
status=0
timeout 60 "$VM" --trace trace -- "$PELZO" card ls > rows 2> err || status=$?
expect_eq "$status" 1 "no card status"
expect_eq "$(cat err)" "未能检测到SD卡！" "no card message"
expect_eq "$(wc -l < trace)" 1 "no card transfers"

# A transfer that fails mid-sector: one message, nothing more on the wire.
status=0
card --trace trace --fail-request 4 -- "$PELZO" card ls > rows 2> err || status=$?
expect_eq "$status" 1 "failure status"
expect_eq "$(cat err)" "USB设备已被断开,无法连接到设备!" "failure message"
expect_eq "$(wc -l < trace)" 4 "transfers up to the failure"
[ -s rows ] && fail "rows after a failure: $(cat rows)"

"$PELZO" card ls --help | grep -q "usage: pelzo card ls" || fail "help"
echo ok
