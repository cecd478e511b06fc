#!/usr/bin/python3
"""Independent reference for the code-page check: Python's codecs and case rules, python3-dbf
writes tables, python3-dbfread and the csv module read them. Texts are given as UTF-8 hex.

  chars CODEC OTHER     per character of CODEC (defined bytes 0x21..0xFF): the character, its
                        capital and small letter in the page (itself where the page lacks the
                        partner or it is two characters), the capital's byte, and 1 or 0 as
                        OTHER and Windows 1252 hold the character
  make FILE CODEC BYTE  dBASE III table NAME C(8), NOTE M in CODEC, header byte 29 set to BYTE
  dump FILE CODEC       per record NAME (trailing blanks cut) and NOTE as dbfread reads them
  csv FILE              per line of the delimited text (Windows 1252) its first column
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
    return int(c.encode(codec, "replace") != b"?" or c == "?")


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
