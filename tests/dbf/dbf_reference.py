#!/usr/bin/python3
"""Independent reference for the DBF engine tests (python3-dbfread, python3-dbf, datetime).

  dates                 every valid day 1899-01-01 .. 2101-12-31: "YYYYMMDD dow" (1 Sunday)
  read FILE [ENCODING]  dbfread's view of a table, one line per item, tab-separated:
                          header  version  header_length  record_length  record_count
                          field   NAME  TYPE  LENGTH  DECIMALS
                          record  DELETED(0/1)  value...
                        values: "-" None, "s:HEX" text (bytes hex), "n:REPR" number,
                        "d:YYYYMMDD" date, "b:T"/"b:F" logical
  write-db3 FILE        python3-dbf: dBASE III table with a memo file
  write-fp FILE         python3-dbf: FoxPro table with an FPT memo file
"""
import datetime
import sys


def dates():
    d = datetime.date(1899, 1, 1)
    end = datetime.date(2101, 12, 31)
    one = datetime.timedelta(days=1)
    out = []
    while d <= end:
        out.append("%04d%02d%02d %d" % (d.year, d.month, d.day, d.isoweekday() % 7 + 1))
        d += one
    sys.stdout.write("\n".join(out) + "\n")


def value_text(v, encoding):
    if v is None:
        return "-"
    if isinstance(v, bool):
        return "b:T" if v else "b:F"
    if isinstance(v, (int, float)):
        return "n:" + repr(v)
    if isinstance(v, datetime.date):
        return "d:%04d%02d%02d" % (v.year, v.month, v.day)
    if isinstance(v, bytes):
        return "s:" + v.hex()
    return "s:" + v.encode(encoding).hex()


def read(path, encoding="latin1"):
    import dbfread
    table = dbfread.DBF(path, encoding=encoding, load=False, char_decode_errors="strict")
    h = table.header
    print("header\t%d\t%d\t%d\t%d" % (h.dbversion, h.headerlen, h.recordlen, h.numrecords))
    for f in table.fields:
        print("field\t%s\t%s\t%d\t%d" % (f.name, f.type, f.length, f.decimal_count))
    # Records in file order with their deletion flag.
    table = dbfread.DBF(path, encoding=encoding, load=True, char_decode_errors="strict")
    live = list(table.records)
    gone = list(table.deleted)
    # dbfread splits live and deleted; the file order is rebuilt from the raw flags.
    with open(path, "rb") as fh:
        raw = fh.read()
    flags = []
    for i in range(h.numrecords):
        off = h.headerlen + i * h.recordlen
        flags.append(raw[off:off + 1] == b"*")
    li = iter(live)
    gi = iter(gone)
    for flag in flags:
        rec = next(gi) if flag else next(li)
        vals = [value_text(rec[f.name], encoding) for f in table.fields]
        print("record\t%d\t%s" % (1 if flag else 0, "\t".join(vals)))


def write(path, kind):
    import dbf
    spec = "name C(12); qty N(12,0); price N(10,3); born D; ok L; note M"
    if kind == "fp":
        spec = "name C(12); qty N(12,0); price F(10,3); born D; ok L; note M"
    t = dbf.Table(path, spec, dbf_type=kind, codepage="cp437")
    t.open(dbf.READ_WRITE)
    t.append(("Zahnrad", 5000000000, 12.5, datetime.date(1900, 1, 1), True, "memo text one"))
    t.append(("M\u00fcller \u2502", -3, -0.125, None, False, ""))
    t.append(("Ritzel", 0, 123456.125, datetime.date(2100, 12, 31), None, "x" * 700))
    t.append(("", None, None, datetime.date(2026, 2, 28), True, "last"))
    dbf.delete(t[1])
    t.close()


def main():
    cmd = sys.argv[1]
    if cmd == "dates":
        dates()
    elif cmd == "read":
        read(sys.argv[2], sys.argv[3] if len(sys.argv) > 3 else "latin1")
    elif cmd == "write-db3":
        write(sys.argv[2], "db3")
    elif cmd == "write-fp":
        write(sys.argv[2], "fp")
    else:
        sys.exit("unknown command " + cmd)


if __name__ == "__main__":
    main()
