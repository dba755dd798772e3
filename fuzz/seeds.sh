#!/usr/bin/env bash
# Writes a small seed corpus for each fuzzer into DIR/<fuzzer>/. Everything is made here, at run
# time: no input files live in the repository.
set -euo pipefail
out=${1:?usage: seeds.sh DIR}
mkdir -p "$out"/fuzz_record "$out"/fuzz_text "$out"/fuzz_fat32

# Record: byte 0 is the name's length, then the name, then the sample words.
rec() { printf "$2" > "$out/fuzz_record/$1"; }
rec named    '\014BE6O0327.pzo\x2a\x2d\x32\x73\x0a\x80\x32\x73\xff\xbb\xff\xff'
rec lower    '\014be6o0327.pzo\x2a\x2d\x32\x73\x01'
rec nodot    '\010BBU00000\x00\x00\x00\x00\x00\x00'
rec path     '\036/home/user/rec/KLVX5959.pzo\x20\xff\xff\xff\xff\xff\xff\xff'
rec empty    '\000'

# Text: rows as the save command writes them, and the odd shapes the parser must take.
txt() { printf "$2" > "$out/fuzz_text/$1"; }
txt saved    '1\t59.8\tC\t14:25:36\t06/05/2011\t\r\n2\t31.0\tA\t14:25:37\t06/05/2011\t\r\n\t\t\t\t\t\r\n'
txt gaps     '1\t\t59.8\tA\t1:2:3\td\t\r\n2\t40\r\n\tA\tx\ty\t'
txt partial  '1\t2\t3\r\n4\t5.5\t6\t7\t8\t\n'
txt letters  '1\tabc\tA\tt\td\t\r\n'
txt exp      '1\t 1e2 \tA\tt\td\t2\t-0.5\tC\tt\td\t3\t1e39\tA\tt\td\t'
txt nul      '1\t50\tA\tt\td\t\x002\t60\tA\tt\td\t'

# FAT32: a small card image. mkfs.fat makes the volume; mtools refuses volumes this small, so
# the files are put in by hand below (the tests make real images with mtools). fsck.fat checks it.
le() {  # le VALUE BYTES: the little-endian bytes as printf escapes
  local v=$1 n=$2 s=
  for ((i = 0; i < n; i++)); do s+=$(printf '\\x%02x' $(((v >> (8 * i)) & 255))); done
  printf '%s' "$s"
}
if command -v mkfs.fat >/dev/null; then
  tmp=$(mktemp -d)
  trap 'rm -rf "$tmp"' EXIT
  img=$tmp/card.img
  truncate -s 1M "$img"
  mkfs.fat -F 32 -S 512 -s 1 -R 4 -f 2 -n PELZO "$img" >/dev/null 2>&1
  num() { od -An -tu"$2" -j"$1" -N"$2" "$img" | tr -d ' '; }
  poke() { printf "$2" | dd of="$img" bs=1 seek="$1" conv=notrunc status=none; }
  # FAT32 keeps the sector count in the 32-bit field (mkfs.fat uses the 16-bit one when it fits).
  tot=$(num 19 2)
  if [ "$tot" -ne 0 ]; then poke 19 '\x00\x00'; poke 32 "$(le "$tot" 4)"; fi
  rsvd=$(num 14 2) nfats=$(num 16 1) fatsz=$(num 36 4) rootc=$(num 44 4)
  data=$((rsvd + nfats * fatsz))   # the sector of cluster 2 (one sector per cluster)
  fat() { for ((k = 0; k < nfats; k++)); do poke $(((rsvd + k * fatsz) * 512 + 4 * $1)) "$(le "$2" 4)"; done; }
  clus() { echo $(((data + $1 - 2) * 512)); }
  # entry SLOT NAME11 ATTR CLUSTER SIZE, in the root directory (slot 0 is the label)
  entry() {
    local off=$(($(clus "$rootc") + 32 * $1))
    poke $off "$2"
    poke $((off + 11)) "$(le "$3" 1)"
    poke $((off + 14)) '\x00\x70\xa6\x3e'           # 14:00:00, 2011-05-06
    poke $((off + 20)) "$(le $(($4 >> 16)) 2)"
    poke $((off + 26)) "$(le $(($4 & 65535)) 2)"
    poke $((off + 28)) "$(le "$5" 4)"
  }
  lfn() {  # lfn SLOT SHORTNAME11 TEXT(<=13 ASCII): one long-name part, the last
    local off=$(($(clus "$rootc") + 32 * $1)) sum=0 c i
    for ((i = 0; i < 11; i++)); do
      c=$(printf '%d' "'${2:i:1}")
      sum=$(((((sum & 1) << 7) + (sum >> 1) + c) & 255))
    done
    local u=() t=$3
    for ((i = 0; i < 13; i++)); do
      if ((i < ${#t})); then u+=($(printf '%d' "'${t:i:1}")); elif ((i == ${#t})); then u+=(0); else u+=(65535); fi
    done
    poke $off '\x41'
    for i in 0 1 2 3 4; do poke $((off + 1 + 2 * i)) "$(le "${u[i]}" 2)"; done
    poke $((off + 11)) '\x0f'
    poke $((off + 13)) "$(le $sum 1)"
    for i in 5 6 7 8 9 10; do poke $((off + 14 + 2 * (i - 5))) "$(le "${u[i]}" 2)"; done
    for i in 11 12; do poke $((off + 28 + 2 * (i - 11))) "$(le "${u[i]}" 2)"; done
  }
  entry 1 'BE6O0327PZO' 0x20 3 8
  poke "$(clus 3)" '\x2a\x2d\x32\x73\x0a\x80\x32\x73'
  fat 3 0x0FFFFFFF
  lfn 2 'LONGFI~1TXT' 'Long file.txt'
  entry 3 'LONGFI~1TXT' 0x20 4 1300
  for c in 4 5 6; do head -c 512 /dev/zero | tr '\0' 'x' | dd of="$img" bs=512 seek=$((data + c - 2)) conv=notrunc status=none; done
  fat 4 5; fat 5 6; fat 6 0x0FFFFFFF
  entry 4 $'\xe5LD     TXT' 0x20 8 10
  entry 5 'EMPTY   PZO' 0x20 0 0
  entry 6 'SUB        ' 0x10 7 0
  fat 7 0x0FFFFFFF
  off=$(clus 7)
  poke $off '.          \x10'; poke $((off + 26)) "$(le 7 2)"
  poke $((off + 32)) '..         \x10'
  free=$(od -An -tu4 -j$((512 + 488)) -N4 "$img" | tr -d ' ')
  poke $((512 + 488)) "$(le $((free - 5)) 4)"
  poke $((512 + 492)) "$(le 8 4)"
  fsck.fat -n "$img" >/dev/null 2>&1 || { echo "seeds.sh: the card seed is not a clean volume:" >&2; fsck.fat -n "$img" >&2; exit 1; }
  # The fuzzer serves the sectors its input holds (zeros beyond), after two bytes that choose a
  # sector transfer to fail (0: none). The first 32 KiB hold the whole volume's metadata.
  { printf '\x00\x00'; head -c 32768 "$img"; } > "$out/fuzz_fat32/card"
  { printf '\x09\x00'; head -c 32768 "$img"; } > "$out/fuzz_fat32/card-fail9"
  # The same volume behind a master boot record whose partition starts at sector 8.
  { printf '\x00\x00'; head -c 446 /dev/zero; printf '\x00\x00\x00\x00\x0c\x00\x00\x00\x08\x00\x00\x00\x00\x08\x00\x00'
    head -c 48 /dev/zero; printf '\x55\xaa'; head -c 3584 /dev/zero; head -c 28672 "$img"; } > "$out/fuzz_fat32/mbr"
fi
