#!/usr/bin/python3
"""Prints how many pixels of a PNG differ from its most common colour (the background).
A small PNG reader (zlib and the five row filters) for 8-bit RGB and RGBA images."""
import struct
import sys
import zlib
from collections import Counter


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else (b if pb <= pc else c)


def decode(path):
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat = 8, b""
    while pos < len(data):
        n, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + n]
        if kind == b"IHDR":
            w, h, depth, ctype = struct.unpack(">IIBB", body[:10])
        elif kind == b"IDAT":
            idat += body
        pos += 12 + n
    assert depth == 8 and ctype in (2, 6), "unsupported PNG %d/%d" % (depth, ctype)
    bpp = 3 if ctype == 2 else 4
    raw = zlib.decompress(idat)
    stride = w * bpp
    rows, prev, i = [], bytearray(stride), 0
    for _ in range(h):
        f = raw[i]
        line = bytearray(raw[i + 1:i + 1 + stride])
        i += 1 + stride
        for x in range(stride):
            a = line[x - bpp] if x >= bpp else 0
            b = prev[x]
            c = prev[x - bpp] if x >= bpp else 0
            line[x] = (line[x] + (0, a, b, (a + b) // 2, paeth(a, b, c))[f]) & 255
        rows.append(bytes(line))
        prev = line
    return [[r[x * bpp:x * bpp + 3] for x in range(w)] for r in rows]


def main():
    pix = decode(sys.argv[1])
    count = Counter(p for row in pix for p in row)
    background, n = count.most_common(1)[0]
    print(sum(count.values()) - n)


if __name__ == "__main__":
    main()
