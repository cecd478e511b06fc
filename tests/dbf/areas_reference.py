#!/usr/bin/python3
"""Independent reference for the work-area tests (python3-dbf writes, python3-dbfread reads).

  make FILE COUNT DELETE_EVERY   python3-dbf: dBASE III table, code page 437, fields
                                 NAME C(20), NUM N(8,0), VAL N(10,2), OK L, DAY D; record i
                                 (1-based) has NAME "R%05d" + box-drawing characters, NUM i,
                                 VAL i/4, OK i odd, DAY 2026-01-01 + i days; every
                                 DELETE_EVERY-th record is deleted (0: none)
  view FILE                      dbfread's view, one line per item:
                                   count  HEADER_COUNT
                                   live   NAME  NUM      (live records, file order)
                                   gone   NAME  NUM      (deleted records, file order)
"""
import datetime
import sys

BOX = "\u2554\u2550\u2557"  # code page 437: C9 CD BB


def make(path, count, every):
    import dbf
    t = dbf.Table(path, "name C(20); num N(8,0); val N(10,2); ok L; day D",
                  dbf_type="db3", codepage="cp437")
    t.open(dbf.READ_WRITE)
    start = datetime.date(2026, 1, 1)
    for i in range(1, count + 1):
        t.append(("R%05d%s" % (i, BOX), i, i / 4.0, i % 2 == 1,
                  start + datetime.timedelta(days=i)))
    if every > 0:
        for i in range(every, count + 1, every):
            dbf.delete(t[i - 1])
    t.close()


def view(path):
    import dbfread
    table = dbfread.DBF(path, encoding="cp437", load=True, char_decode_errors="strict")
    print("count\t%d" % table.header.numrecords)
    for r in table.records:
        print("live\t%s\t%s" % (r["NAME"], r["NUM"]))
    for r in table.deleted:
        print("gone\t%s\t%s" % (r["NAME"], r["NUM"]))


def main():
    cmd = sys.argv[1]
    if cmd == "make":
        make(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]))
    elif cmd == "view":
        view(sys.argv[2])
    else:
        sys.exit("unknown command " + cmd)


if __name__ == "__main__":
    main()
