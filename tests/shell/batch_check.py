#!/usr/bin/python3
"""Reads what a batch run of qor1w wrote, with readers that are not the program's own.

    batch_check.py listing FILE JOB...  the /I listing: tab-separated (csv, Windows 1252); its
                                      "Span measurement W theor." row equals the span of gear 2
                                      computed here with mpmath from the job file's inputs
                                      (external gears; an internal gear's row must be there)
    batch_check.py dxf FILE[|TEXT]... ezdxf reads it and its audit finds no error; every INSERT
                                      names a block; every coordinate is finite; TEXT (when
                                      given) is lettered somewhere in the drawing
    batch_check.py txt FILE...        the TXT drawing: every record parses with csv and has the
                                      fields its name asks for; MINMAX first, EOF last; every
                                      INSERT names a BLOCK of the file

One line per finding, "ok ..." or "FAIL ..."; exit status 1 when something failed.
"""
import csv
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [HERE, os.path.join(HERE, "..", "drawings")]
import jobref  # noqa: E402  the published job-file layout
from checklib import FAILS, check, inv  # noqa: E402  the report of the drawing checks


def job_values(path):
    """Values of the job file by name: its 7 header lines, then the fixed layout."""
    with open(path, encoding="cp437", newline="") as f:
        lines = f.read().split("\r\n")
    layout = jobref.fixed_layout_head()
    return {name: lines[7 + k] for k, (name, _) in enumerate(layout)}


def listing(path, job):
    from mpmath import mp, mpf, cos, pi, sin, tan, atan

    v = job_values(job)
    num = lambda n: mpf(v[n].replace(",", "."))
    mn, z, x, k = num("mn"), num("z[2]"), num("x[2]"), num("k[2]")
    an, be = num("alpha") * pi / 180, num("beta") * pi / 180
    at = atan(tan(an) / cos(be))
    # Base tangent length over k teeth (DIN 3960) of an external gear.
    w = mn * cos(an) * ((k - mpf("0.5")) * pi + z * inv(at)) + 2 * x * mn * sin(an)
    with open(path, encoding="cp1252", newline="") as f:
        rows = list(csv.reader(f, delimiter="\t"))
    values = [r for r in rows if len(r) >= 4]
    check(len(values) >= 15, "%d rows of designation, symbol, unit and values" % len(values))
    found = [r for r in rows if len(r) >= 4 and r[0].strip() == "Span measurement"
             and r[1].strip() == "W theor."]
    check(len(found) == 1, "one W theor. row: %r" % found)
    if found and z < 0:
        print("     W theor. of an internal gear: the row only")
    elif found:
        printed = found[0][3].strip().replace(",", ".")
        ok = printed.count(".") == 1 and len(printed.split(".")[1]) == 4 and \
            abs(mpf(printed) - w) <= mpf("0.00005") + mpf("1e-12")
        check(ok, "W theor. %s == %s (k %s, z %s)" % (printed, mp.nstr(w, 10), k, z))


def finite(*xs):
    return all(math.isfinite(float(c)) for c in xs)


def dxf(path, text=None):
    import ezdxf

    doc = ezdxf.readfile(path)
    msp = list(doc.modelspace())
    check(len(msp) > 0, "%d entities in the model space" % len(msp))
    names = {b.name.upper() for b in doc.blocks}
    texts, bad, unresolved = [], 0, set()
    for layout in [doc.modelspace()] + [b for b in doc.blocks]:
        for e in layout:
            t = e.dxftype()
            if t == "INSERT" and e.dxf.name.upper() not in names:
                unresolved.add(e.dxf.name)
            if t in ("TEXT", "MTEXT"):
                texts.append(e.dxf.text if t == "TEXT" else e.text)
            for attr in ("insert", "start", "end", "center"):
                if e.dxf.hasattr(attr) and not finite(*e.dxf.get(attr)):
                    bad += 1
            if t in ("LWPOLYLINE",) and not all(finite(*p[:2]) for p in e.get_points()):
                bad += 1
            if t == "POLYLINE" and not all(finite(*p.dxf.location) for p in e.vertices):
                bad += 1
    check(not unresolved, "every insert names a block (missing: %s)" % sorted(unresolved))
    # After the scan: the audit mends what it can (an insert of no block goes, for one).
    auditor = doc.audit()
    check(not auditor.has_errors, "audit: %s" % [str(e.message) for e in auditor.errors][:5])
    print("     audit fixes: %s" % [str(e.message) for e in auditor.fixes][:5])
    check(bad == 0, "%d entities with coordinates that are not finite" % bad)
    if text:
        check(any(text in t for t in texts), "%r lettered (%d texts)" % (text, len(texts)))


FIELDS = {"MINMAX": 4, "SECTION BLOCKS": 0, "SECTION ENTITIES": 0, "BLOCK": 1, "END OF BLOCK": 0, "LINE": 4, "CIRCLE": 3,
          "ARC": 5, "TEXT": 3, "SOLID": 8, "INSERT": 6, "EOF": 0}


def txt(path):
    with open(path, encoding="cp1252", newline="") as f:
        data = f.read()
    check(data.endswith("\r\n") and "\n" not in data.replace("\r\n", ""), "CR LF lines")
    rows = list(csv.reader(data.split("\r\n")[:-1], delimiter="\t", quoting=csv.QUOTE_NONE))
    check(len(rows) > 3, "%d records" % len(rows))
    check(bool(rows) and rows[0][0] == "MINMAX", "MINMAX first")
    check(bool(rows) and rows[-1] == ["EOF"], "EOF last")
    blocks, inserts, wrong = set(), set(), []
    for r in rows:
        name, values = r[0], r[1:]
        n = FIELDS.get(name)
        if n is None or len(values) != n:
            wrong.append(r)
            continue
        numbers = values[1:] if name == "INSERT" else values[:2] if name == "TEXT" else \
            [] if name == "BLOCK" else values
        try:
            if not finite(*[s.replace(",", ".") for s in numbers]):
                wrong.append(r)
        except ValueError:
            wrong.append(r)
        if name == "BLOCK":
            blocks.add(values[0].upper())
        if name == "INSERT":
            inserts.add(values[0].upper())
    check(not wrong, "every record whole and its numbers finite: %r" % wrong[:3])
    check(inserts <= blocks, "every insert names a block (missing: %s)" % sorted(inserts - blocks))
    check(any(r[0] in ("LINE", "CIRCLE", "ARC", "TEXT", "SOLID", "INSERT") for r in rows),
          "something drawn")


def main():
    kind, args = sys.argv[1], sys.argv[2:]
    if kind == "listing":
        for path, job in zip(args[0::2], args[1::2]):
            print("== " + path)
            listing(path, job)
    else:
        for arg in args:
            print("== " + arg)
            {"dxf": dxf, "txt": txt}[kind](*arg.split("|"))
    sys.exit(1 if FAILS else 0)


if __name__ == "__main__":
    main()
