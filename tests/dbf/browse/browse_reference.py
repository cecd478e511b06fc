#!/usr/bin/python3
"""Independent reference for the browse tests (python3-dbf writes, python3-dbfread reads,
html5lib parses).

  make FILE      python3-dbf: dBASE III table, code page 437, fields NAME C(20), QTY N(5,0),
                 PRICE N(10,2), OK L, DAY D, NOTE M, DESCR C(120) with the ROWS below;
                 record 6 is deleted
  empty FILE     the same fields, no records
  view FILE      dbfread: one line per record in file order, "live"/"gone" and the values
                 separated by tabs (None as "", dates YYYY-MM-DD, numbers as Python prints them)
  html HTM FILE  "ok N" when html5lib finds in HTM one table whose head row holds the field
                 names and whose data rows hold, cell by cell, the stored texts of every record
                 of FILE (trailing blanks dropped), else the first difference
"""
import datetime
import sys

D = datetime.date
ROWS = [
    ("Zahnrad", 12, 12.5, True, D(2024, 3, 1), "first memo", "gear wheel"),
    ("Ritzel M\u00fcller", 7, 3.5, False, D(2000, 2, 29), None, "<b>&bold</b> \"q\""),
    ("Welle", 3, 0.25, False, D(1999, 12, 31), None, ""),
    ("Lager", 40, 99.99, True, D(2026, 1, 15), None, "x" * 110 + "END"),
    ("Hohlrad", 1, 1234567.89, False, D(1950, 6, 1), None, ""),
    ("Kupplung", 9, 3.25, True, None, None, "gone"),
    ("Schnecke", 2, 10.0, False, D(2031, 7, 4), None, ""),
    ("Zahnstange", 5, 7.75, True, D(2010, 10, 10), None, "rack"),
]
SPEC = "name C(20); qty N(5,0); price N(10,2); ok L; day D; note M; descr C(120)"


def make(path, rows):
    import dbf
    t = dbf.Table(path, SPEC, dbf_type="db3", codepage="cp437")
    t.open(dbf.READ_WRITE)
    for row in rows:
        t.append(row)
    if len(rows) > 5:
        dbf.delete(t[5])
    t.close()


def text(v):
    if v is None:
        return ""
    if isinstance(v, datetime.date):
        return v.isoformat()
    return str(v)


def records(path):
    """(deleted, raw field texts) per record in file order, read from the bytes dbfread
    describes (its field offsets and lengths)."""
    import dbfread
    table = dbfread.DBF(path, encoding="cp437", load=False)
    fields = table.fields
    size = table.header.recordlen
    with open(path, "rb") as f:
        f.seek(table.header.headerlen)
        for _ in range(table.header.numrecords):
            rec = f.read(size)
            at = 1
            out = []
            for fl in fields:
                out.append(rec[at:at + fl.length].decode("cp437").rstrip(" "))
                at += fl.length
            yield rec[0:1] == b"*", out


def view(path):
    import dbfread
    table = dbfread.DBF(path, encoding="cp437", load=True)
    deleted = list(table.deleted)
    live = list(table.records)
    # dbfread keeps live and deleted apart; put them back in file order by the deletion flags.
    flags = [d for d, _ in records(path)]
    di = li = 0
    for gone in flags:
        rec = deleted[di] if gone else live[li]
        di, li = di + gone, li + (not gone)
        print("\t".join(["gone" if gone else "live"] +
                        [text(rec[k]) for k in rec if k != "NOTE"]))


def html(htm, path):
    import dbfread
    import html5lib
    with open(htm, "rb") as f:
        doc = html5lib.parse(f.read(), namespaceHTMLElements=False)
    tables = doc.findall(".//table")
    if len(tables) != 1:
        print("tables: %d" % len(tables))
        return
    rows = tables[0].findall(".//tr")
    cells = [["".join(td.itertext()) for td in tr.findall("td")] for tr in rows]
    names = [f.name for f in dbfread.DBF(path, load=False).fields]
    if cells[0] != names:
        print("head %r != %r" % (cells[0], names))
        return
    want = [vals for _, vals in records(path)]
    if len(cells) - 1 != len(want):
        print("rows %d != %d" % (len(cells) - 1, len(want)))
        return
    for i, (got, exp) in enumerate(zip(cells[1:], want)):
        if got != exp:
            print("row %d: %r != %r" % (i + 1, got, exp))
            return
    print("ok %d" % len(want))


if __name__ == "__main__":
    cmd = sys.argv[1]
    if cmd == "make":
        make(sys.argv[2], ROWS)
    elif cmd == "empty":
        make(sys.argv[2], [])
    elif cmd == "view":
        view(sys.argv[2])
    elif cmd == "html":
        html(sys.argv[2], sys.argv[3])
    else:
        sys.exit("unknown command " + cmd)
