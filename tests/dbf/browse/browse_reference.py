#!/usr/bin/python3
"""Independent reference for the browse tests (python3-dbf writes, python3-dbfread reads,
html5lib parses).

  make FILE      python3-dbf: dBASE III table, code page 437, fields NAME C(20), QTY N(5,0),
                 PRICE N(10,2), OK L, DAY D, NOTE M, DESCR C(120), CODE C(4) with the ROWS below;
                 record 6 is deleted
  empty FILE     the same fields, no records
  view FILE      dbfread: one line per record in file order, "live"/"gone" and the values
                 separated by tabs (None as "", dates YYYY-MM-DD, numbers as Python prints them)
  golden DEVICE FILE OUT
                 the table block the listing table writer must write when the browse window
                 prints FILE on listing device 6 (TXT: tabs, Windows 1252), 7 (HTML, UTF-8) or
                 8 (printable: padded columns between rule lines, DOS 437), all CR LF: the first
                 7 fields, titles the field names, widths the field lengths + 1, every record's
                 stored text rendered from dbfread's values (memo block numbers from its raw
                 read), cut to 60 characters
  html HTM FILE  "ok N" when html5lib finds in HTM one table whose head row holds the field
                 names and whose data rows hold, cell by cell, the stored texts of every record
                 of FILE (trailing blanks dropped), else the first difference
"""
import datetime
import sys

D = datetime.date
ROWS = [
    ("Zahnrad", 12, 12.5, True, D(2024, 3, 1), "first memo", "gear wheel", "A1"),
    ("Ritzel M\u00fcller", 7, 3.5, False, D(2000, 2, 29), None, "<b>&bold</b> \"q\"", "B2"),
    ("Welle", 3, 0.25, False, D(1999, 12, 31), None, "", "C3"),
    ("Lager", 40, 99.99, True, D(2026, 1, 15), None, "x" * 110 + "END", ""),
    ("Hohlrad", 1, 1234567.89, False, D(1950, 6, 1), None, "", "E&5"),
    ("Kupplung", 9, 3.25, True, None, None, "gone", "F6"),
    ("Schnecke", 2, 10.0, False, D(2031, 7, 4), None, "", "G7"),
    ("Zahnstange", 5, 7.75, True, D(2010, 10, 10), None, "rack", "H8"),
]
SPEC = ("name C(20); qty N(5,0); price N(10,2); ok L; day D; note M; descr C(120);"
        " code C(4)")


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


def stored(value, field, raw):
    """The text a DBF stores for a dbfread value."""
    n, t = field.length, field.type
    if t == "C":
        return ("" if value is None else value).ljust(n)
    if t in "NF":
        if value is None:
            return " " * n
        return ("%.*f" % (field.decimal_count, value)).rjust(n)
    if t == "L":
        return {True: "T", False: "F", None: "?"}[value]
    if t == "D":
        return value.strftime("%Y%m%d") if value else " " * 8
    return raw.decode("ascii")  # M: the block number as stored


def golden(device, path, out):
    import dbfread
    values = dbfread.DBF(path, encoding="cp437", load=True)
    raws = dbfread.DBF(path, encoding="cp437", load=True, raw=True)
    flags = [d for d, _ in records(path)]
    order, di, li = [], 0, 0
    for gone in flags:
        if gone:
            order.append((values.deleted[di], raws.deleted[di]))
            di += 1
        else:
            order.append((values.records[li], raws.records[li]))
            li += 1
    fields = values.fields[:7]
    widths = [f.length + 1 for f in fields]
    titles = [f.name[:60] for f in fields]
    rows = [[stored(v[f.name], f, r[f.name])[:60] for f in fields] for v, r in order]

    def esc(t):
        return t.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")

    lines = []
    if device == 6:
        lines = ["\t".join(titles)] + ["\t".join(r) for r in rows]
        enc = "cp1252"
    elif device == 7:
        lines = ['<TABLE BORDER = "1" WIDTH= "100%">',
                 "<TR>" + "".join("<TD><CENTER>%s</CENTER></TD>" % esc(t) for t in titles) +
                 "</TR>"]
        for r in rows:
            lines.append("<TR><TD>%s</TD>" % esc(r[0]) +
                         "".join("<TD><DIV ALIGN=RIGHT>%s</DIV></TD>" % esc(c) for c in r[1:]) +
                         "</TR>")
        lines.append("</TABLE>")
        enc = "utf-8"
    else:
        margin = " " * 7

        def padded(cells):
            return margin + "".join(c.ljust(w)[:w] for c, w in zip(cells, widths)) + " "
        lines = [margin + "=" * 70, padded(titles), margin + "=" * 70]
        for r in rows:
            lines += [padded(r), margin + "-" * 70]
        enc = "cp437"
    with open(out, "wb") as f:
        f.write("".join(line + "\r\n" for line in lines).encode(enc))


if __name__ == "__main__":
    cmd = sys.argv[1]
    if cmd == "make":
        make(sys.argv[2], ROWS)
    elif cmd == "empty":
        make(sys.argv[2], [])
    elif cmd == "view":
        view(sys.argv[2])
    elif cmd == "golden":
        golden(int(sys.argv[2]), sys.argv[3], sys.argv[4])
    elif cmd == "html":
        html(sys.argv[2], sys.argv[3])
    else:
        sys.exit("unknown command " + cmd)
