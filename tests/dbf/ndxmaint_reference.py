#!/usr/bin/python3
"""Reference side of the key-maintenance tests.

  compare DBF FIELD KIND NDX [unique]
      The (key, record) multiset that an index over FIELD must hold, computed from the rows
      python3-dbfread reads (live and deleted records alike: an index keeps both), against the
      pairs Perl XBase's index_dump lists. The table must carry an ID field that grows with the
      record number, so the two record lists of dbfread can be put back in file order.
      KIND char|num. Prints "ok N" or the first difference.
  counter SEMFILE
      The users, readers and change counter of a semaphore file.
"""
import struct
import sys

from ndxdump import index_dump_pairs


def rows(dbfpath):
    from dbfread import DBF
    table = DBF(dbfpath, raw=True, encoding="latin-1")
    recs = [(int(r["ID"].strip()), r) for r in table]
    recs += [(int(r["ID"].strip()), r) for r in table.deleted]
    recs.sort(key=lambda x: x[0])
    return [r for _, r in recs]


def expected(dbfpath, field, kind, unique):
    pairs = []
    for recno, row in enumerate(rows(dbfpath), start=1):
        raw = row[field]
        if kind == "char":
            key = raw.decode("latin-1").rstrip(" ")
        else:
            text = raw.strip()
            key = "%.12g" % (float(text) if text else 0.0)
        pairs.append((key, recno))
    if unique:
        kept = {}
        for key, recno in pairs:
            kept.setdefault(key, recno)
        pairs = [(k, r) for k, r in kept.items()]
    return sorted(pairs)


def dumped(ndxpath, kind):
    pairs = []
    for key, rec in index_dump_pairs(ndxpath, kind):
        if kind == "char":
            pairs.append((key.rstrip(" "), rec))
        else:
            pairs.append(("%.12g" % float(key), rec))
    return sorted(pairs)


def compare(dbfpath, field, kind, ndxpath, unique):
    want = expected(dbfpath, field, kind, unique)
    got = dumped(ndxpath, kind)
    if len(want) != len(got):
        print("count differs: expected %d, index_dump %d" % (len(want), len(got)))
        return 1
    for w, g in zip(want, got):
        if w != g:
            print("differs: expected %r, index_dump %r" % (w, g))
            return 1
    print("ok %d" % len(want))
    return 0


def main():
    cmd = sys.argv[1]
    if cmd == "compare":
        return compare(sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5],
                       len(sys.argv) > 6 and sys.argv[6] == "unique")
    if cmd == "counter":
        users, readers, counter = struct.unpack("<BBH", open(sys.argv[2], "rb").read(4))
        print(users, readers, counter)
        return 0
    print("unknown command")
    return 2


if __name__ == "__main__":
    sys.exit(main())
