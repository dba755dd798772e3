#!/bin/bash
# Makes a FAT32 card image for the tests: make_card.sh DIR LAYOUT SECTORS_PER_CLUSTER
#   LAYOUT plain: the volume from sector 0; part: an MBR whose first partition starts at 8192,
#   hidden sectors 8192; part0: the same with hidden sectors 0 (as mkfs.fat --offset leaves it).
# DIR/card.img is the card, DIR/src/ the files copied onto it.
set -euo pipefail
dir=$1 layout=$2 spc=$3
export MTOOLS_SKIP_CHECK=1
mkdir -p "$dir/src"
cd "$dir"
# Enough sectors for a FAT32 cluster count (at least 65525 clusters).
vol_sectors=$(( (66000 * spc) + 2048 ))
truncate -s $((vol_sectors * 512)) vol.img
hidden=0
[ "$layout" = part ] && hidden=8192
mkfs.fat -F 32 -s "$spc" -h "$hidden" -n PELZOCARD vol.img > /dev/null

head -c $((512 * spc)) /dev/urandom > src/one.bin
head -c 10000 /dev/urandom > src/several.bin
printf 'line 1\nline 2\r\n\n' > src/lines.txt
: > src/empty.txt
printf 'soon gone\n' > src/gone.txt
head -c 700 /dev/urandom > src/inner.bin
touch -d "2013-06-15 14:30:20" src/one.bin

mcopy -i vol.img src/gone.txt ::GONE.TXT
mcopy -m -i vol.img src/one.bin ::ONE.BIN
mcopy -i vol.img src/several.bin "::A long file name.bin"
mmd -i vol.img ::SUBDIR
mcopy -i vol.img src/inner.bin ::SUBDIR/INNER.BIN
mcopy -i vol.img src/empty.txt ::EMPTY.TXT
mcopy -i vol.img src/lines.txt ::LINES.TXT
# Seven long-name parts: the short entry lands in the root's next sector (and, with one sector
# per cluster, in its next cluster).
mcopy -i vol.img src/lines.txt "::A rather long file name that runs on across the end of the first sector of the root directory.txt"
mdel -i vol.img ::GONE.TXT   # leaves a deleted entry before the end of the directory

if [ "$layout" = plain ]; then
  mv vol.img card.img
else
  truncate -s $(( (8192 + vol_sectors) * 512 )) card.img
  printf 'label: dos\nstart=8192, size=%d, type=c\n' "$vol_sectors" | sfdisk -q card.img
  dd if=vol.img of=card.img bs=512 seek=8192 conv=notrunc,sparse status=none
  rm vol.img
fi
