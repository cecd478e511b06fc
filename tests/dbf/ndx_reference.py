#!/usr/bin/python3
"""Reference side of the index tests: writes tables with random rows (plain dBASE III layout,
written here byte by byte), computes the (key, record) pairs an index must list from the rows
as python3-dbfread reads them, and compares them with what Perl XBase's index_dump lists.

  make PATH COUNT SEED [DUPS]   table with fields NAME C(10), AMT N(12,3), DAY D, TAG C(3)
                                (TAG drawn from DUPS values, default 50)
  pairs DBF FIELD KIND          the expected pairs in index order, "key<TAB>record" (character
                                keys in hex, numbers as repr)
  compare DBF FIELD KIND NDX [unique]
                                KIND char|num|date; prints "ok N" or the first difference
"""
import datetime
import random
import struct
import sys

from ndxdump import index_dump_pairs

FIELDS = [("NAME", "C", 10, 0), ("AMT", "N", 12, 3), ("DAY", "D", 8, 0), ("TAG", "C", 3, 0)]


def make(path, count, seed, dups):
    rnd = random.Random(seed)
    reclen = 1 + sum(f[2] for f in FIELDS)
    hdrlen = 32 + 32 * len(FIELDS) + 1
    today = datetime.date(2024, 1, 2)
    out = bytearray()
    out += struct.pack("<BBBBIHH20x", 3, today.year - 1900, today.month, today.day, count,
                       hdrlen, reclen)
    for name, typ, length, dec in FIELDS:
        out += struct.pack("<11sc4xBB14x", name.encode(), typ.encode(), length, dec)
    out += b"\r"
    letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 "
    for _ in range(count):
        n = rnd.randint(0, 10)
        name = "".join(rnd.choice(letters) for _ in range(n)).ljust(10)
        if rnd.random() < 0.02:
            amt = " " * 12
        else:
            amt = ("%.3f" % rnd.uniform(-99999, 99999)).rjust(12)
        if rnd.random() < 0.02:
            day = " " * 8
        else:
            d = datetime.date(1, 1, 1) + datetime.timedelta(days=rnd.randint(0, 3652058))
            day = "%04d%02d%02d" % (d.year, d.month, d.day)
        tag = ("T%02d" % rnd.randint(0, dups - 1))
        out += b" " + (name + amt + day + tag).encode("latin-1")
    out += b"\x1a"
    with open(path, "wb") as f:
        f.write(out)


def expected(dbfpath, field, kind, unique):
    from dbfread import DBF
    table = DBF(dbfpath, raw=True, encoding="latin-1")
    pairs = []
    for recno, row in enumerate(table, start=1):
        raw = row[field]
        if kind == "char":
            key = raw.decode("latin-1")
        elif kind == "num":
            text = raw.strip()
            key = float(text) if text else 0.0
        else:
            text = raw.strip()
            if text:
                d = datetime.date(int(text[:4]), int(text[4:6]), int(text[6:8]))
                key = float(d.toordinal() + 1721425)
            else:
                key = 0.0
        pairs.append((key, recno))
    pairs.sort()
    if unique:
        kept = []
        for key, recno in pairs:
            if not kept or kept[-1][0] != key:
                kept.append((key, recno))
        pairs = kept
    return pairs


def dumped(ndxpath, kind):
    pairs = index_dump_pairs(ndxpath, kind)
    if kind == "char":
        return pairs
    return [(float(key), rec) for key, rec in pairs]


def norm(kind, key):
    if kind == "char":
        return key.rstrip(" ")
    return "%.12g" % key


def compare(dbfpath, field, kind, ndxpath, unique):
    want = expected(dbfpath, field, kind, unique)
    got = dumped(ndxpath, kind)
    if len(want) != len(got):
        print("count differs: expected %d, index_dump %d" % (len(want), len(got)))
        return 1
    for i, (w, g) in enumerate(zip(want, got)):
        if norm(kind, w[0]) != norm(kind, g[0]) or w[1] != g[1]:
            print("position %d: expected %r, index_dump %r" % (i, w, g))
            return 1
    print("ok %d" % len(want))
    return 0


def main():
    cmd = sys.argv[1]
    if cmd == "make":
        dups = int(sys.argv[5]) if len(sys.argv) > 5 else 50
        make(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), dups)
        return 0
    if cmd == "pairs":
        kind = sys.argv[4]
        for key, rec in expected(sys.argv[2], sys.argv[3], kind, False):
            shown = key.encode("latin-1").hex() if kind == "char" else repr(key)
            print("%s\t%d" % (shown, rec))
        return 0
    if cmd == "compare":
        return compare(sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5],
                       len(sys.argv) > 6 and sys.argv[6] == "unique")
    print("unknown command")
    return 2


if __name__ == "__main__":
    sys.exit(main())
