#!/usr/bin/python3
"""Independent reference for the dataset tests (python3-dbf writes, python3-dbfread reads).

  make FILE [CODEC [BYTE]]
                 python3-dbf: dBASE III table, code page 437 (or CODEC), fields NAME C(20),
                 QTY N(5,0), BIG N(12,0), PRICE N(10,2), OK L, DAY D, NOTE M with the ROWS
                 below; record 6 is deleted; with BYTE the header's byte 29 is set to it
  view FILE      dbfread's view: "count N", then one line per record in file order,
                 "live" or "gone" followed by the values separated by tabs (None as "",
                 dates as YYYY-MM-DD, numbers as Python prints them)
  fields FILE    dbfread's field list: "NAME TYPE LENGTH DECIMALS" per line
  memo FILE      dbfread's memo NOTE of each record in file order, as the hex of its UTF-8 text
  ndx FILE NDX   "ok N" when Perl XBase's index_dump lists the index NDX on field NAME exactly
                 as the records dbfread reads (deleted ones included) sort, else the first
                 difference
"""
import datetime
import os
import sys

D = datetime.date
ROWS = [
    ("Zahnrad", 12, 9999999999, 12.5, True, D(2024, 3, 1), "first memo"),
    ("Ritzel M\u00fcller", 7, -12345678901, -0.75, False, D(2000, 2, 29), None),
    ("Welle", 3, 100, 0.25, False, D(1999, 12, 31), None),
    ("Lager", 40, 5, 99.99, True, D(2026, 1, 15), None),
    ("Hohlrad", 1, 77, 1234567.89, False, D(1950, 6, 1), None),
    ("Kupplung", 9, 8, 3.5, True, None, None),
    ("Schnecke", 2, 9, 10.0, False, D(2031, 7, 4), None),
    ("Zahnstange", 5, 11, 7.75, True, D(2010, 10, 10), None),
]


def make(path, codec="cp437", byte=None):
    import dbf
    t = dbf.Table(path, "name C(20); qty N(5,0); big N(12,0); price N(10,2); ok L; day D;"
                  " note M", dbf_type="db3", codepage=codec)
    t.open(dbf.READ_WRITE)
    for row in ROWS:
        t.append(row)
    dbf.delete(t[5])
    t.close()
    if byte is not None:
        with open(path, "r+b") as fh:
            fh.seek(29)
            fh.write(bytes([int(byte, 0)]))


def text(v):
    if v is None:
        return ""
    if isinstance(v, datetime.date):
        return v.isoformat()
    return str(v)


def view(path):
    import dbfread
    table = dbfread.DBF(path, encoding="cp437", char_decode_errors="strict")
    print("count\t%d" % table.header.numrecords)
    for deleted, rec in in_file_order(table, path):
        print("\t".join(["gone" if deleted else "live"] +
                        [text(rec[k]) for k in rec if k != "NOTE"]))


def in_file_order(table, path):
    """dbfread's records, live and deleted, in file order (with their deletion flag)."""
    with open(path, "rb") as f:
        data = f.read()
    live = iter(table.records)
    gone = iter(table.deleted)
    start, size = table.header.headerlen, table.header.recordlen
    for i in range(table.header.numrecords):
        flag = data[start + i * size: start + i * size + 1]
        yield flag == b"*", next(gone) if flag == b"*" else next(live)


def memo(path):
    import dbfread
    table = dbfread.DBF(path, encoding="cp437", char_decode_errors="strict")
    for _, rec in in_file_order(table, path):
        # dbfread reads a dBASE IV memo 8 bytes too far (the length counts its header).
        print((rec["NOTE"] or "").rstrip("\0").encode("utf-8").hex())


def ndx(path, ndxpath):
    import dbfread
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "dbf"))
    from ndxdump import index_dump_pairs
    table = dbfread.DBF(path, raw=True)
    want = sorted((rec["NAME"].decode("latin-1").rstrip(" "), n)
                  for n, (_, rec) in enumerate(in_file_order(table, path), start=1))
    got = [(key.rstrip(" "), rec) for key, rec in index_dump_pairs(ndxpath, "char")]
    if len(want) != len(got):
        print("count differs: dbfread %d, index_dump %d" % (len(want), len(got)))
        return
    for i, (w, g) in enumerate(zip(want, got)):
        if w != g:
            print("position %d: dbfread %r, index_dump %r" % (i, w, g))
            return
    print("ok %d" % len(want))


def fields(path):
    import dbfread
    for f in dbfread.DBF(path).fields:
        print("%s %s %d %d" % (f.name, f.type, f.length, f.decimal_count))


def main():
    if sys.argv[1] == "fields":
        fields(sys.argv[2])
    elif sys.argv[1] == "make":
        make(*sys.argv[2:5])
    elif sys.argv[1] == "view":
        view(sys.argv[2])
    elif sys.argv[1] == "memo":
        memo(sys.argv[2])
    elif sys.argv[1] == "ndx":
        ndx(sys.argv[2], sys.argv[3])
    else:
        sys.exit("unknown command " + sys.argv[1])


if __name__ == "__main__":
    main()
