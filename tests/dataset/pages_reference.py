#!/usr/bin/python3
"""Independent reference for the code-page check (Python's codecs give the pages and their case
rules, python3-dbf writes tables, python3-dbfread and the csv module read them).

  chars CODEC OTHER     one line per character of CODEC (every defined byte 0x21..0xFF): the
                        UTF-8 hex of the character, of its capital and of its small letter in
                        the page (the character itself where the page lacks the partner or
                        the partner is more than one character), the hex of the capital's byte,
                        and 1 or 0 as OTHER and Windows 1252 hold the character
  make FILE CODEC BYTE  python3-dbf: dBASE III table NAME C(8), NOTE M in CODEC, header byte 29
                        set to BYTE (0: no page named)
  dump FILE CODEC       dbfread in CODEC: per record the UTF-8 hex of NAME (trailing blanks cut)
                        and of NOTE
  csv FILE              the delimited text by the csv module in Windows 1252 (final byte 26
                        cut): per line the UTF-8 hex of the first column
"""
import sys


def partner(c, f, codec):
    r = f(c)
    if len(r) != 1:
        return c
    try:
        r.encode(codec)
        return r
    except UnicodeEncodeError:
        return c


def holds(c, codec):
    try:
        c.encode(codec)
        return 1
    except UnicodeEncodeError:
        return 0


def chars(codec, other):
    for b in range(0x21, 0x100):
        try:
            c = bytes([b]).decode(codec)
        except UnicodeDecodeError:
            continue
        up, low = partner(c, str.upper, codec), partner(c, str.lower, codec)
        print(c.encode().hex(), up.encode().hex(), low.encode().hex(), up.encode(codec).hex(),
              holds(c, other), holds(c, "cp1252"))


def make(path, codec, byte):
    import dbf
    t = dbf.Table(path, "name C(8); note M", dbf_type="db3", codepage=codec)
    t.close()
    with open(path, "r+b") as fh:
        fh.seek(29)
        fh.write(bytes([int(byte, 0)]))


def dump(path, codec):
    import dbfread
    for r in dbfread.DBF(path, encoding=codec, char_decode_errors="strict"):
        print(r["NAME"].rstrip(" ").encode().hex(), (r["NOTE"] or "").encode().hex())


def csv_text(path):
    import csv
    import io
    with open(path, "rb") as fh:
        data = fh.read().rstrip(b"\x1a").decode("cp1252")
    for row in csv.reader(io.StringIO(data, newline="")):
        print(row[0].encode().hex())


def main():
    cmd, args = sys.argv[1], sys.argv[2:]
    {"chars": chars, "make": make, "dump": dump, "csv": csv_text}[cmd](*args)


if __name__ == "__main__":
    main()
