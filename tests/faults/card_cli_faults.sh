# pelzo card ls, get and rm under the virtual meter with one transfer failing, at a few telling
# positions (every position is covered in-process by card_faults_test; here each sector still
# costs its real 450 ms of pauses): the one message of the lost link, a non-zero exit status, no
# copy left behind, and a card as before, as after the operation, or changed only where the
# whole deletion changes it.
source "$(dirname "$0")/lib.sh"
command -v mkfs.fat >/dev/null && command -v mcopy >/dev/null || { echo "mkfs.fat/mtools missing"; exit 1; }
truncate -s 34M orig.img
mkfs.fat -F 32 -s 1 -n PELZOCARD orig.img > /dev/null
head -c 1300 /dev/zero | tr '\0' s > several
printf '\x2a\x2d\x32\x73' > one
mcopy -i orig.img one ::BE6O0327.PZO
mcopy -i orig.img several "::Several clusters.bin"
mkdir out

vm() { timeout 120 "$VM" --card card.img "$@"; }

# The whole operation once: its transfers and the card after it.
whole() {
  cp --sparse=always orig.img card.img
  vm --trace trace -- "$PELZO" card "$@" > /dev/null 2> err || fail "card $*: $(cat err)"
  cp --sparse=always card.img after.img
}

# cut N ARGS...: the operation with transfer N failing.
cut_at() {
  local n=$1
  shift
  cp --sparse=always orig.img card.img
  status=0
  vm --fail-request "$n" -- "$PELZO" card "$@" > /dev/null 2> err || status=$?
  expect_eq "$status" 1 "exit status of card $* with transfer $n failing"
  expect_eq "$(cat err)" "$LOST" "messages of card $* with transfer $n failing"
}

whole ls
t=$(wc -l < trace)
for n in 1 2 $((t / 2)) "$t"; do
  cut_at "$n" ls
  cmp -s card.img orig.img || fail "ls changed the card (transfer $n)"
done

whole get SEVERA~1.BIN out/copy
t=$(wc -l < trace)
cmp -s out/copy several || fail "the whole copy differs"
rm out/copy
for n in $((t - 6)) "$t"; do
  cut_at "$n" get SEVERA~1.BIN out/copy
  [ -e out/copy ] && fail "a partial copy was left (transfer $n)"
  cmp -s card.img orig.img || fail "get changed the card (transfer $n)"
done

whole rm SEVERA~1.BIN
cmp -s after.img orig.img && fail "rm changed nothing"
# Cut at the first and the last sector store of the deletion (request 83 with op 1).
stores=($(grep -n '^40 83 ..01 ' trace | cut -d: -f1))
[ ${#stores[@]} -ge 3 ] || fail "expected several sector stores: $(cat trace | cut -c1-20)"
for n in "${stores[0]}" "${stores[$((${#stores[@]} - 1))]}"; do
  cut_at "$n" rm SEVERA~1.BIN
  cmp -s card.img orig.img && continue
  cmp -s card.img after.img && continue
  # Every byte as before or as after the whole deletion.
  { cmp -l card.img orig.img || true; } > changed   # offset, new byte, old byte
  { cmp -l after.img orig.img || true; } > deleted
  [ -z "$(comm -23 <(sort changed) <(sort deleted))" ] || fail "rm cut at $n changed bytes the deletion does not"
  mcopy -n -i card.img ::BE6O0327.PZO out/one && cmp -s out/one one || fail "another file damaged (transfer $n)"
  fsck.fat -n card.img > fsck.out 2>&1 || true
  grep -qi 'cross-link' fsck.out && fail "cross-linked after a cut at $n: $(cat fsck.out)"
done
echo ok
