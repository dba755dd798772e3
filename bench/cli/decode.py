#!/usr/bin/env python3
"""A plain decoder of a record file, the yardstick for `pelzo show`: the same rows, printed the
simple way (one print per row). The date comes from the name, as the C locale writes it."""
import os
import struct
import sys


def name_date(path):
    name = os.path.basename(path).upper()
    year = 2000 + (ord(name[0]) - 55) % 256
    month = min(max((ord(name[1]) - 64) % 256, 1), 12)
    c = ord(name[2])
    day = min(max(c - 48 if c <= 57 else c - 55, 1), 31)
    months = "Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec".split()
    return f"{day} {months[month - 1]} {year}"


def main(path):
    date = name_date(path)
    data = open(path, "rb").read()
    for k, (w,) in enumerate(struct.iter_unpack("<I", data[: len(data) // 4 * 4]), 1):
        tenths = (w & 0x3FF) + 300
        weighting = "C" if w >> 13 & 1 else "A"
        h, m, s = min(w >> 27, 23), min(w >> 21 & 0x3F, 59), min(w >> 15 & 0x3F, 59)
        print(f"{k}\t{tenths // 10}.{tenths % 10}\t{weighting}\t{h:02d}:{m:02d}:{s:02d}\t{date}")


if __name__ == "__main__":
    main(sys.argv[1])
