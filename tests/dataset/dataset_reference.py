#!/usr/bin/python3
"""Independent reference for the dataset tests (python3-dbf writes, python3-dbfread reads).

  make FILE      python3-dbf: dBASE III table, code page 437, fields NAME C(20), QTY N(5,0),
                 BIG N(12,0), PRICE N(10,2), OK L, DAY D, NOTE M with the ROWS below;
                 record 6 is deleted
  view FILE      dbfread's view: "count N", then one line per record in file order,
                 "live" or "gone" followed by the values separated by tabs (None as "",
                 dates as YYYY-MM-DD, numbers as Python prints them)
  fields FILE    dbfread's field list: "NAME TYPE LENGTH DECIMALS" per line
"""
import datetime
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


def make(path):
    import dbf
    t = dbf.Table(path, "name C(20); qty N(5,0); big N(12,0); price N(10,2); ok L; day D;"
                  " note M", dbf_type="db3", codepage="cp437")
    t.open(dbf.READ_WRITE)
    for row in ROWS:
        t.append(row)
    dbf.delete(t[5])
    t.close()


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
    # dbfread gives live and deleted records apart; the deletion byte puts them in file order.
    with open(path, "rb") as f:
        data = f.read()
    live = iter(table.records)
    gone = iter(table.deleted)
    start, size = table.header.headerlen, table.header.recordlen
    for i in range(table.header.numrecords):
        flag = data[start + i * size: start + i * size + 1]
        rec = next(gone) if flag == b"*" else next(live)
        print("\t".join(["gone" if flag == b"*" else "live"] +
                        [text(rec[k]) for k in rec if k != "NOTE"]))


def fields(path):
    import dbfread
    for f in dbfread.DBF(path).fields:
        print("%s %s %d %d" % (f.name, f.type, f.length, f.decimal_count))


def main():
    if sys.argv[1] == "fields":
        fields(sys.argv[2])
    elif sys.argv[1] == "make":
        make(sys.argv[2])
    elif sys.argv[1] == "view":
        view(sys.argv[2])
    else:
        sys.exit("unknown command " + sys.argv[1])


if __name__ == "__main__":
    main()
