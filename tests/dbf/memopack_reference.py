#!/usr/bin/python3
"""Independent reader for the memo pack, copy and blob tests.

  read PATH   python3-dbfread reads the table; prints "memo<TAB>i<TAB>FIELD<TAB>hex" for every
              memo field of every record i (from 1), an empty hex for a record without memo.
"""
import sys


def read(path):
    import dbfread
    table = dbfread.DBF(path, encoding="latin1", load=True)
    memo = [f.name for f in table.fields if f.type == "M"]
    for i, r in enumerate(table.records, 1):
        for name in memo:
            value = r[name]
            if value is None:
                data = b""
            elif isinstance(value, bytes):
                data = bytes(value)
            else:
                data = value.encode("latin1")
            print("memo\t%d\t%s\t%s" % (i, name, data.hex()))


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "read":
        read(sys.argv[2])
    else:
        sys.exit("usage: memopack_reference.py read PATH")


if __name__ == "__main__":
    main()
