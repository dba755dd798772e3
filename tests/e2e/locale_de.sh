#!/bin/bash
# Under a comma-decimal locale every number the program makes keeps ".", while dates follow the
# user's regional format.
source "$(dirname "$0")/lib.sh"
HERE=$(cd "$(dirname "$0")" && pwd)
export LC_ALL=de_DE.UTF-8 MTOOLS_SKIP_CHECK=1
locale -a | grep -qix 'de_DE.utf8' || fail "the de_DE.UTF-8 locale is not generated (scripts/deps.sh makes it)"
comma() { grep -n '[0-9],[0-9]' "$1" && fail "$2 has a decimal comma: $(cat "$1")" || true; }

# The card's figures and listing: megabytes cut to two decimals, kilobytes to three.
bash "$HERE/../sdcard/make_card.sh" "$WORK/card" plain 1
timeout 60 "$VM" --card card/card.img -- "$PELZO" card info > info || fail "card info: $(cat info)"
comma info "card info"
mb=$(grep -F 'MB' info | head -n 1 | cut -f4)
[[ "$mb" =~ ^[0-9]+(\.[0-9]{1,2})?$ ]] || fail "card size '$mb' is not cut to two decimals with '.'"
timeout 60 "$VM" --card card/card.img -- "$PELZO" card ls > rows || fail "card ls"
comma rows "card ls"
expect_eq "$(sed -n 3p rows | cut -f2)" "9.765   KB" "several-cluster row"

# A recording of 6 May 2011: levels and statistics with ".", the date as Germans write it.
printf '\x2a\x2d\x32\x73\x2b\x2d\x34\x73' > BE6O1425.pzo
"$PELZO" show BE6O1425.pzo > rows || fail "show"
expect_eq "$(sed -n 1p rows)" "$(printf '1\t59.8\tC\t14:25:36\t06.05.11')" "row 1"
"$PELZO" stats BE6O1425.pzo > stats || fail "stats"
comma stats "stats"
expect_eq "$(grep '^Leq' stats)" "$(printf 'Leq\t59.9')" "Leq"
"$PELZO" convert BE6O1425.pzo out.txt 2> /dev/null || fail "convert"
expect_eq "$(head -c 9 out.txt)" "$(printf '1\t59.8\tC\t')" "text file row"
# The text file reads back under the same locale.
"$PELZO" stats out.txt > stats2 || fail "stats of the text file"
expect_eq "$(cat stats2)" "$(cat stats)" "statistics of the text file"
echo ok
