#!/usr/bin/python3
"""Independent reference for the memo tests.

  make KIND PATH    python3-dbf writes a table with fields NAME C(10), NOTE M and one record
                    per text of TEXTS (code page 437); KIND is db3 (dBASE III, .dbt) or fp128
                    (FoxPro, .fpt with 128-byte blocks). Prints "text<TAB>i<TAB>hex" for the
                    bytes each record's memo must hold (i from 1).
  read PATH         python3-dbfread reads the table; prints "memo<TAB>i<TAB>hex" for the memo of
                    each record i (an empty hex for a record without memo).
  read-dbf PATH     the same through python3-dbf.
"""
import sys

LONG_LINE = "".join(chr(ord("a") + (i % 26)) for i in range(300))
MANY_LINES = "\r\n".join("line %04d of a long tool note" % i for i in range(1, 1201))


def texts():
    return [
        "Hob 1",
        "Module 2.5 hob\r\nAddendum 1.25\r\nTip radius 0.38",
        LONG_LINE,
        "x" * 511,          # with the end mark exactly one block in a dBASE III file
        "y" * 512,          # the end mark starts a second block
        "end mark \x03 inside",
        "R\u00e4derwerkzeug \u00fc\u00e4\u00f6 \u2554\u2550\u2557",
        MANY_LINES,
        "z" * 1000 + " tail",
    ]


def make(kind, path):
    import dbf
    if kind == "db3":
        t = dbf.Table(path, "name C(10); note M", dbf_type="db3", codepage="cp437")
    elif kind == "fp128":
        t = dbf.Table(path, "name C(10); note M", dbf_type="fp", memo_size=128,
                      codepage="cp437")
    else:
        sys.exit("unknown kind " + kind)
    t.open(dbf.READ_WRITE)
    for i, text in enumerate(texts(), 1):
        t.append(("R%d" % i, text))
    t.close()
    for i, text in enumerate(texts(), 1):
        print("text\t%d\t%s" % (i, text.encode("cp437").hex()))


def read(path):
    import dbfread
    table = dbfread.DBF(path, encoding="latin1", load=True)
    for i, r in enumerate(table.records, 1):
        value = r["NOTE"]
        if value is None:
            data = b""
        elif isinstance(value, bytes):
            data = bytes(value)
        else:
            data = value.encode("latin1")
        print("memo\t%d\t%s" % (i, data.hex()))


def read_dbf(path):
    import dbf
    table = dbf.Table(path, codepage="cp437")
    table.open(dbf.READ_ONLY)
    for i, r in enumerate(table, 1):
        value = r["note"]
        print("memo\t%d\t%s" % (i, (value or "").encode("cp437").hex()))
    table.close()


def main():
    cmd = sys.argv[1]
    if cmd == "make":
        make(sys.argv[2], sys.argv[3])
    elif cmd == "read":
        read(sys.argv[2])
    elif cmd == "read-dbf":
        read_dbf(sys.argv[2])
    else:
        sys.exit("unknown command " + cmd)


if __name__ == "__main__":
    main()
