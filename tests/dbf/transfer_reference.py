#!/usr/bin/python3
"""Independent reference for the transfer and search tests (python3-dbf writes tables,
python3-dbfread reads them, the csv module reads delimited text).

  make-people FILE      dBASE III table, code page 437: NAME C(20), QTY N(8,2), CNT N(5,0),
                        OK L, DAY D, NOTE C(12); values with commas, quotes, accented letters,
                        a blank date and a blank number
  make-other FILE [PAGE] dBASE III table, code page 437 (or PAGE, a Python codec): NAME C(20),
                        PRICE N(8,2), FLAG L, WHEN D, CODE C(3), BOX C(6); record 3 deleted
  make-search FILE      dBASE III table, code page 437: NAME C(10), NUM N(6,2), OK L, DAY D,
                        TXT C(8) (box-drawing and accented letters), records 4 and 6 deleted
  make-memo FILE        dBASE III table with a memo file: NAME C(10), NOTE M
  make-ctext FILE       dBASE III table: NAME C(10), NOTE C(30) (texts for memo fields)
  csv FILE OUT          the delimited text of FILE built from dbfread's values: C quoted (a quote
                        doubled), D as YYYYMMDD, numbers with the field's decimals, L as T/F,
                        CR LF, a final byte 26; Windows 1252
  csvread FILE TXT      reads TXT with the csv module and compares every C value with FILE's;
                        prints "ok" or the first difference
  dump FILE             dbfread's records, one line each: deleted flag, then the values
                        (tab-separated; None as <None>, dates YYYYMMDD, logicals T/F, CR and LF
                        as \\r and \\n)
  same A B              "ok" when A and B hold equal records (dbfread, live and deleted)
"""
import datetime
import sys


def table(path, spec, rows, deleted=(), page="cp437"):
    import dbf
    t = dbf.Table(path, spec, dbf_type="db3", codepage=page)
    t.open(dbf.READ_WRITE)
    for r in rows:
        t.append(r)
    for i in deleted:
        dbf.delete(t[i])
    t.close()


def make_people(path):
    rows = [
        ("Smith, J", 42.5, 7, True, datetime.date(2026, 3, 1), 'say "hi"'),
        ("M\u00fcller", -3.25, 0, False, None, ""),
        ("ABCDEFGHIJKLMNOPQRST", 12345.67, 99999, True, datetime.date(1999, 12, 31), "x,y"),
        ("  lead", 0.01, -12, False, datetime.date(2000, 2, 29), "\u00e9t\u00e9"),
        ('"quoted"', None, None, True, datetime.date(2024, 1, 9), ""),
    ]
    table(path, "name C(20); qty N(8,2); cnt N(5,0); ok L; day D; note C(12)", rows)


def make_other(path, page="cp437"):
    rows = [
        ("ABCDEFGHIJKLMNOPQRST", 12345.67, True, datetime.date(2025, 5, 17), "T", "\u2554\u2550\u2557"),
        ("short", 1.5, False, datetime.date(2001, 1, 2), "Y", "\u2502 \u2502"),
        ("gone", 2.25, True, datetime.date(2002, 2, 3), "N", "x"),
        ("last", 99.0, True, None, "t", ""),
    ]
    # A page without box drawing gets dashes.
    rows = [r[:5] + ("".join(c if c.encode(page, "ignore") else "-" for c in r[5]),)
            for r in rows]
    table(path, "name C(20); price N(8,2); flag L; when D; code C(3); box C(6)", rows,
          deleted=(2,), page=page)


def make_search(path):
    rows = [
        ("ABC", 1.5, True, datetime.date(2026, 1, 5), "xxABxx"),
        ("abd", 2.25, False, datetime.date(2026, 1, 6), "\u00e4rger"),
        ("AB", 42.0, True, datetime.date(2026, 1, 7), "\u2554\u2550\u2557"),
        ("ABE", 3.0, True, datetime.date(2026, 1, 8), "gone"),
        ("xyz", 42.0, False, None, "\u00c4RGER"),
        ("AB", 5.0, False, datetime.date(2026, 1, 9), "gone2"),
        ("ab", 6.0, True, datetime.date(2026, 1, 10), "zAbz"),
    ]
    table(path, "name C(10); num N(6,2); ok L; day D; txt C(8)", rows, deleted=(3, 5))


def make_memo(path):
    rows = [("one", "first line\r\nsecond line"), ("two", "\u00e4rger"),
            ("three", "another\r\nthe NEEDLE here")]
    table(path, "name C(10); note M", rows)


def make_ctext(path):
    rows = [("one", "a memo from text  "), ("two", ""), ("three", "caf\u00e9, \"quoted\"")]
    table(path, "name C(10); note C(30)", rows)


def open_read(path):
    """dbfread in the page the header names (code page 437 when it names none)."""
    import dbfread
    with open(path, "rb") as fh:
        driver = fh.read(32)[29]
    encoding = None if driver else "cp437"
    return dbfread.DBF(path, encoding=encoding, char_decode_errors="strict", load=True)


def text_of(value, field):
    if field.type == "C":
        return '"' + value.rstrip(" ").replace('"', '""') + '"'
    if field.type == "D":
        return "" if value is None else value.strftime("%Y%m%d")
    if field.type in "NF":
        if value is None:
            return ""
        if field.decimal_count > 0:
            return "%.*f" % (field.decimal_count, value)
        return "%d" % value
    if field.type == "L":
        return "T" if value else "F"
    return None


def csv_of(path, out):
    t = open_read(path)
    lines = []
    for r in t.records:
        parts = []
        for f in t.fields:
            s = text_of(r[f.name], f)
            if s is not None:
                parts.append(s)
        lines.append(",".join(parts))
    data = "".join(line + "\r\n" for line in lines).encode("cp1252") + b"\x1a"
    with open(out, "wb") as fh:
        fh.write(data)


def csvread(path, txt):
    import csv
    import io
    t = open_read(path)
    with open(txt, "rb") as fh:
        data = fh.read()
    if not data.endswith(b"\x1a"):
        print("no final byte 26")
        return
    rows = list(csv.reader(io.StringIO(data[:-1].decode("cp1252"), newline="")))
    if len(rows) != len(t.records):
        print("rows %d, records %d" % (len(rows), len(t.records)))
        return
    cfields = [f for f in t.fields if f.type in "CDFLN"]
    for i, (row, rec) in enumerate(zip(rows, t.records)):
        if len(row) != len(cfields):
            print("row %d has %d columns" % (i + 1, len(row)))
            return
        for f, cell in zip(cfields, row):
            if f.type == "C" and cell != rec[f.name].rstrip(" "):
                print("row %d field %s: %r != %r" % (i + 1, f.name, cell, rec[f.name]))
                return
    print("ok")


def show(value):
    if value is None:
        return "<None>"
    if isinstance(value, bool):
        return "T" if value else "F"
    if isinstance(value, datetime.date):
        return value.strftime("%Y%m%d")
    if isinstance(value, float):
        return repr(value)
    # dbfread hands dBASE IV memos over with the group header's 8 bytes of padding.
    return str(value).rstrip("\0").replace("\r", "\\r").replace("\n", "\\n")


def all_records(t):
    return [(False, r) for r in t.records] + [(True, r) for r in t.deleted]


def dump(path):
    t = open_read(path)
    for deleted, r in all_records(t):
        print("\t".join(["1" if deleted else "0"] + [show(v) for v in r.values()]))


def same(a, b):
    ra = [(d, list(r.values())) for d, r in all_records(open_read(a))]
    rb = [(d, list(r.values())) for d, r in all_records(open_read(b))]
    print("ok" if ra == rb else "differ:\n%r\n%r" % (ra, rb))


def main():
    cmd = sys.argv[1]
    if cmd == "make-people":
        make_people(sys.argv[2])
    elif cmd == "make-other":
        make_other(*sys.argv[2:4])
    elif cmd == "make-search":
        make_search(sys.argv[2])
    elif cmd == "make-memo":
        make_memo(sys.argv[2])
    elif cmd == "make-ctext":
        make_ctext(sys.argv[2])
    elif cmd == "csv":
        csv_of(sys.argv[2], sys.argv[3])
    elif cmd == "csvread":
        csvread(sys.argv[2], sys.argv[3])
    elif cmd == "dump":
        dump(sys.argv[2])
    elif cmd == "same":
        same(sys.argv[2], sys.argv[3])
    else:
        sys.exit("unknown command " + cmd)


if __name__ == "__main__":
    main()
