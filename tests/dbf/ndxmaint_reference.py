#!/usr/bin/python3
"""Reference side of the key-maintenance tests.

  compare DBF FIELD KIND NDX [unique]
      The (key, record) multiset that an index over FIELD must hold, computed from the rows
      python3-dbfread reads (live and deleted records alike: an index keeps both), against the
      pairs Perl XBase's index_dump lists. The table must carry an ID field that grows with the
      record number, so the two record lists of dbfread can be put back in file order.
      KIND char|num. Prints "ok N" or the first difference.
  unique DBF FIELD KIND NDX EDITED
      A UNIQUE index over FIELD: no key twice, every entry's key is its record's current key
      (from dbfread), and the current key of every record in EDITED (record numbers separated
      by commas, or "-") is in the index. Prints "ok N" or the first fault.
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


def key_of(row, field, kind):
    raw = row[field]
    if kind == "char":
        return raw.decode("latin-1").rstrip(" ")
    text = raw.strip()
    return "%.12g" % (float(text) if text else 0.0)


def expected(dbfpath, field, kind, unique):
    pairs = []
    for recno, row in enumerate(rows(dbfpath), start=1):
        pairs.append((key_of(row, field, kind), recno))
    if unique:
        kept = {}
        for key, recno in pairs:
            kept.setdefault(key, recno)
        pairs = [(k, r) for k, r in kept.items()]
    return sorted(pairs)


def check_unique(dbfpath, field, kind, ndxpath, edited):
    current = {recno: key_of(row, field, kind)
               for recno, row in enumerate(rows(dbfpath), start=1)}
    pairs = dumped(ndxpath, kind)
    keys = set()
    for key, rec in pairs:
        if key in keys:
            print("key %r twice" % key)
            return 1
        keys.add(key)
        if current.get(rec) != key:
            print("entry (%r, %d) but the record holds %r" % (key, rec, current.get(rec)))
            return 1
    for rec in edited:
        if current[rec] not in keys:
            print("edited record %d: key %r missing" % (rec, current[rec]))
            return 1
    print("ok %d" % len(pairs))
    return 0


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
    if cmd == "unique":
        edited = [] if sys.argv[6] == "-" else [int(r) for r in sys.argv[6].split(",")]
        return check_unique(sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5], edited)
    if cmd == "counter":
        users, readers, counter = struct.unpack("<BBH", open(sys.argv[2], "rb").read(4))
        print(users, readers, counter)
        return 0
    print("unknown command")
    return 2


if __name__ == "__main__":
    sys.exit(main())
