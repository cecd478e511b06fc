"""The tables the program ships: data/q1toolx.dbf and data/printout.dbf are what tools/dbftable
writes from their text sources (byte for byte, apart from the date of the last update), and two
independent readers, python3-dbfread and Perl XBase, read the same records from them, equal to
the values of the sources.

usage: shipped_tables.py DBFTABLE DATA_DIR
"""
import os
import subprocess
import sys
import tempfile

import dbfread

XBASE_DUMP = r"""
use XBase;
my $t = new XBase $ARGV[0] or die XBase->errstr;
print join("\t", $t->field_names), "\n";
for my $i (0 .. $t->last_record) {
    my ($deleted, @v) = $t->get_record($i);
    print join("\t", $deleted ? 'D' : '-', map { defined $_ ? $_ : '' } @v), "\n";
}
"""


def source(path):
    """Fields (name, type, decimals) and records (value texts) of a table source."""
    fields, records = [], []
    with open(path, encoding="utf-8") as f:
        for line in f:
            t = line.strip()
            if not t or t.startswith("#"):
                continue
            if t.startswith("field "):
                name, kind, _length, decimals = [p.strip() for p in t[6:].split(",")]
                fields.append((name.upper(), kind.upper(), int(decimals)))
            else:
                records.append([p.strip() for p in t.split("|")])
    return fields, records


def value(kind, text):
    if kind == "N":
        return round(float(text or 0), 6)
    if kind == "L":
        return text.upper() in ("T", "Y", "J", "1")
    return text


def by_dbfread(path, fields):
    table = dbfread.DBF(path, encoding="cp437", char_decode_errors="strict")
    assert [f.name for f in table.fields] == [f[0] for f in fields], table.fields
    rows = []
    for r in table:
        rows.append([value(k, "") if r[n] is None else
                     (round(float(r[n]), 6) if k == "N" else r[n]) for n, k, _ in fields])
    assert len(table.deleted) == 0
    return rows


def by_xbase(path, fields):
    out = subprocess.run(["perl", "-e", XBASE_DUMP, path], check=True, capture_output=True)
    lines = out.stdout.decode("cp437").split("\n")
    assert lines[0].split("\t") == [f[0] for f in fields], lines[0]
    rows = []
    for line in lines[1:]:
        if not line:
            continue
        parts = line.split("\t")
        assert parts[0] == "-", line
        rows.append([value(k, "T" if k == "L" and p == "1" else
                                "F" if k == "L" and p in ("0", "") else p)
                     for (_, k, _), p in zip(fields, parts[1:])])
    return rows


def main():
    dbftable, data = sys.argv[1], sys.argv[2]
    failures = 0
    with tempfile.TemporaryDirectory() as tmp:
        for name in ("q1toolx", "printout"):
            shipped = os.path.join(data, name + ".dbf")
            made = os.path.join(tmp, name + ".dbf")
            subprocess.run([dbftable, os.path.join(data, name + ".txt"), made], check=True)
            a, b = open(shipped, "rb").read(), open(made, "rb").read()
            # Bytes 1..3 hold the date of the last update.
            if len(a) != len(b) or a[:1] + a[4:] != b[:1] + b[4:]:
                print(f"{shipped} differs from what {name}.txt gives: "
                      f"cmake --build BUILD --target tables")
                failures += 1
            fields, records = source(os.path.join(data, name + ".txt"))
            expected = [[value(k, t) for (_, k, _), t in zip(fields, r)] for r in records]
            for reader, rows in (("dbfread", by_dbfread(shipped, fields)),
                                 ("XBase", by_xbase(shipped, fields))):
                if rows != expected:
                    print(f"{name}: {reader} reads\n  {rows}\nthe source says\n  {expected}")
                    failures += 1
            print(f"{name}: {len(records)} records, {len(fields)} fields")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
