#!/usr/bin/python3
"""Checks the sheets and tables of the gear drawings against references computed here from the
job's inputs with the textbook formulas (ISO 21771 / DIN 3960, evaluated with mpmath), reading
the drawings with ezdxf and the listings with Python's csv module.

    sheets_check.py CHECK FILE key=value ...

Checks:
    workshop   the workshop sheet's TXT listing: "Span measurement W theor." and the k row
               (inputs z mn alpha beta x k)
    rollangle  the roll-angle table (inputs z mn alpha beta, da dFa dNa d dNf as drawn)
    rows       prints the number of data rows of the one table in the drawing (rows=N checks it)
    sliding    the specific-sliding curves (inputs z1 z2 mn alpha beta x1 x2, the chart box
               ox oy w h, the world window xmin ymin xmax ymax, layer1 layer2)
    backlash   the dimensions of the two backlash charts (inputs alpha Aae Aai Asne1 Asni1
               Asne2 Asni2 scale)
    finite     no NaN or infinity anywhere in the file, ezdxf audit clean; types=... lists the
               only entity types allowed in the model space
    limits     FILE is the production drawing's measurement table; txt=, html= the workshop
               sheet's TXT (csv) and HTML (html5lib) forms: both list the drawing's numbers in
               the same max and min rows, max is never below min, ring=1: no value has a sign;
               item=, data= the item table "measurement (...)" and the data-and-measurement
               table (all three measurements): the sheet's numbers in their rows
    sheet      finite, and: blocks=A,B,... are defined, every INSERT (also inside blocks) names
               a defined block, inserts=A,B,... are inserted in the model space; hatch=N: the
               number of 45-degree hatch lines (model space with its inserts expanded) is at
               least N, or none at all for N=0
One line per check, "ok ..." or "FAIL ..."; exit status 1 when a check failed.
"""
import csv
import sys
from decimal import ROUND_HALF_UP, Decimal
from collections import defaultdict

import ezdxf
from mpmath import mp, mpf, acos, atan, cos, findroot, pi, sin, sqrt, tan

mp.dps = 30
FAILS = []


def check(cond, what):
    print(("ok   " if cond else "FAIL ") + what)
    if not cond:
        FAILS.append(what)


def inv(a):
    return tan(a) - a


def fix(v, d):
    """v rounded half away from zero to d decimals, as the program prints numbers."""
    r = Decimal(mp.nstr(mpf(v), 40, strip_zeros=False)).quantize(Decimal(1).scaleb(-d),
                                                                 rounding=ROUND_HALF_UP)
    return "%s" % (r if r != 0 else abs(r))


def deg(a):
    return mpf(a) * pi / 180


def transverse(a):
    """Transverse pressure angle and base diameter of gear (z, mn, alpha, beta)."""
    mn, al, be = mpf(a["mn"]), deg(a["alpha"]), deg(a.get("beta", "0"))
    at = atan(tan(al) / cos(be))
    return at, mpf(a["z"]) * mn / cos(be) * cos(at)


def model_texts(doc):
    return [e for e in doc.modelspace() if e.dxftype() == "TEXT"]


def rows_by_y(texts):
    """Texts grouped into rows by their baseline, top row first, each row left to right."""
    rows = defaultdict(list)
    for t in texts:
        rows[round(t.dxf.insert[1], 4)].append(t)
    return [[t.dxf.text.strip() for t in sorted(rows[y], key=lambda t: t.dxf.insert[0])]
            for y in sorted(rows, reverse=True)]


# ---- checks ----------------------------------------------------------------------------------


def workshop(path, a):
    with open(path, encoding="cp1252", newline="") as f:
        rows = [r for r in csv.reader(f, delimiter="\t")]
    mn, al, z, x, k = mpf(a["mn"]), deg(a["alpha"]), int(a["z"]), mpf(a["x"]), int(a["k"])
    at, _ = transverse(a)
    # Span over k teeth (k spaces of a ring gear, z and k negative): base tangent length of
    # the textbook.
    sg = 1 if z > 0 else -1
    w = mn * cos(al) * ((k - sg * mpf("0.5")) * pi + z * inv(at) + 2 * x * tan(al))
    found = [r for r in rows if r[:2] == ["Span measurement", "W theor."]]
    check(len(found) == 1, "one W theor. row: %r" % found)
    if found:
        # The sheet lists a ring gear's span without its sign, as its drawing does.
        check([c.replace(",", ".") for c in found[0][2:]] == ["mm", fix(abs(w), 4)],
              "W theor. %r == |%s| (W = %s)" % (found[0][2:], fix(w, 4), mp.nstr(w, 12)))
    spanned = "no. of teeth meas." if z > 0 else "no. of spaces meas."
    krow = [r for r in rows if r[:2] == [spanned, "k"]]
    check(len(krow) == 1 and [c.strip() for c in krow[0][3:5]] == [str(abs(k))] * 2,
          "k row %r" % krow)
    # Dimensions without solution: their rows stand with empty values ("_" for a blank).
    for symbol in filter(None, a.get("blank", "").replace("_", " ").split(",")):
        row = [r for r in rows if len(r) > 1 and r[1] == symbol]
        check(len(row) == 1 and all(c.strip() == "" for c in row[0][3:]),
              "%s row without values: %r" % (symbol, row))


def number(text):
    return float(text.strip().replace(",", "."))


def limits(path, a):
    import html5lib

    drawn = {r[1]: r[2:] for r in rows_by_y(model_texts(ezdxf.readfile(path))) if len(r) >= 3}
    with open(a["txt"], encoding="cp1252", newline="") as f:
        listed = {r[1]: r[3:5] for r in csv.reader(f, delimiter="\t") if len(r) >= 4}
    with open(a["html"], "rb") as f:
        doc = html5lib.parse(f, namespaceHTMLElements=False)
    cells = (["".join(td.itertext()) for td in tr.iter("td")] for tr in doc.iter("tr"))
    page = {c[1]: c[3:5] for c in cells if len(c) >= 4}
    numbers = lambda row: [number(v) for v in row if v.strip()]
    # Rows without solution ("_" for a blank): empty wherever they stand.
    blank = set(filter(None, a.get("blank", "").replace("_", " ").split(",")))
    # The sheet's row, the drawing's row, and the sheet's other row it must not fall below.
    for sheet, drawing in (("MdK max.", "MK max"), ("MdK min.", "MK min"), ("W max.", "W max"),
                           ("W min.", "W min"), ("MdK th.", "MK nom"), ("W theor.", "W nom")):
        got, want = listed.get(sheet, []), drawn.get(drawing, [])
        check((numbers(got) or sheet in blank) and numbers(got)[-1:] == numbers(want)[-1:] and
              numbers(got) == numbers(page.get(sheet, [])),
              "%s %r as on the drawing %r and the HTML page %r" % (sheet, got, want, page.get(sheet)))
    for what in ("MdR", "MdK", "W"):
        hi, lo = numbers(listed.get(what + " max.", [])), numbers(listed.get(what + " min.", []))
        check(what + " min." in blank or len(hi) == 2 and len(lo) == 2 and hi[0] >= lo[0] and hi[1] >= lo[1],
              "%s max. %r not below min. %r" % (what, hi, lo))
        if a.get("ring") == "1":
            check(all(v > 0 for v in hi + lo), "ring gear %s limits without sign" % what)
    # The item table: "<measurement>  <symbol> max." and so on, premachined and finished.
    item = {r[0]: r[1:] for r in rows_by_y(model_texts(ezdxf.readfile(a["item"]))) if r}
    for label, sheet in (("Dim.ov/betw.pins  MdR", "MdR"), ("Dim.ov/betw.balls  MdK", "MdK"),
                         ("Span measurement W", "W")):
        for row, theirs in ((" max.", " max."), (" min.", " min."),
                            (" theor.", " th." if sheet != "W" else " theor.")):
            got, want = item.get(label + row, []), listed.get(sheet + theirs, [])
            check((numbers(got) or sheet + theirs in blank) and numbers(got) == numbers(want),
                  "item table %s%s %r as on the sheet %r" % (label, row, got, want))
    # The data-and-measurement table: "min/max" pairs, premachined (where listed) and finished.
    data = {r[0]: r[2] for r in rows_by_y(model_texts(ezdxf.readfile(a["data"]))) if len(r) >= 3}
    for label, sheet in (("Dim.ov/betw.pins", "MdR"), ("Dim.ov/betw.balls", "MdK"),
                         ("Span measurement", "W")):
        for column, stage in ((0, " premach."), (1, " fin.")):
            # A limit without solution reads "-", never leaving the other alone beside "/".
            lo, hi = (listed.get(sheet + s, ["", ""])[column].strip() for s in (" min.", " max."))
            want = "/".join(fix(number(v), 3) if v else "-" for v in (lo, hi)) if lo or hi else ""
            got = data.get(label + stage)
            check(got == want or (got is None and (not want or column == 0 and a["premach"] == "0")),
                  "data table %s%s %r as on the sheet %r" % (label, stage, got, want))


def rollangle(path, a):
    doc = ezdxf.readfile(path)
    rows = rows_by_y(model_texts(doc))
    _, db = transverse(a)
    want = ["da", "dFa", "dNa", "d", "dNf"]
    body = [r for r in rows if r and r[0] in want]
    check([r[0] for r in body] == want, "roll-angle rows %r" % [r[0] for r in body])
    for r in body:
        dia = abs(mpf(a[r[0]]))
        roll = tan(acos(db / dia)) * 180 / pi if dia > db else mpf(0)
        check(r[1:] == [fix(dia, 2), fix(roll, 2)],
              "%s: %r == [%s, %s]" % (r[0], r[1:], fix(dia, 2), fix(roll, 2)))


def rows(path, a):
    doc = ezdxf.readfile(path)
    n = len(rows_by_y(model_texts(doc))) - 1
    print("rows %d" % n)
    if "rows" in a:
        check(n == int(a["rows"]), "table rows %d == %s" % (n, a["rows"]))


def sliding(path, a):
    doc = ezdxf.readfile(path)
    z1, z2 = int(a["z1"]), int(a["z2"])
    x1, x2 = mpf(a["x1"]), mpf(a["x2"])
    mn, al, be = mpf(a["mn"]), deg(a["alpha"]), deg(a["beta"])
    at = atan(tan(al) / cos(be))
    # Operating pressure angle without backlash (the centre distance follows from the shifts).
    target = 2 * tan(al) * (x1 + x2) / (z1 + z2) + inv(at)
    awt = findroot(lambda v: inv(v) - target, at)
    db1 = z1 * mn / cos(be) * cos(at)
    db2 = z2 * mn / cos(be) * cos(at)
    rho1 = abs(db1) / 2 * tan(awt)
    rho2 = abs(db2) / 2 * tan(awt)
    u = mpf(z2) / z1
    ext = z2 > 0

    def zeta(gear, t):
        p = rho1 + t
        q = rho2 - t if ext else rho2 + t
        if gear == 1:
            return 1 - q / p / u if ext else 1 + q / p / u
        return 1 - p * u / q if ext else 1 + p * u / q

    ox, oy, w, h = (mpf(a[k]) for k in ("ox", "oy", "w", "h"))
    xmin, ymin, xmax, ymax = (mpf(a[k]) for k in ("xmin", "ymin", "xmax", "ymax"))

    def back(px, py):
        return (xmin + (mpf(px) - ox) / w * (xmax - xmin), ymin + (mpf(py) - oy) / h * (ymax - ymin))

    for gear, layer in ((1, a["layer1"]), (2, a["layer2"])):
        lines = [e for e in doc.modelspace() if e.dxftype() == "LINE" and e.dxf.layer == layer]
        pts = []
        for e in lines:
            for p in (e.dxf.start, e.dxf.end):
                t, zv = back(p[0], p[1])
                # Vertices cut at the chart's border lie on a chord, not on the curve.
                if xmin < t < xmax and ymin + 1e-9 < zv < ymax - 1e-9:
                    pts.append((t, zv))
        worst = max((abs(zv - zeta(gear, t)) for t, zv in pts), default=mpf(1))
        check(len(pts) >= 50 and worst < 1e-4,
              "gear %d: %d vertices on the sliding curve, worst %s" % (gear, len(pts),
                                                                      mp.nstr(worst, 3)))
        # Where the polyline crosses zeta = 0.
        cross = []
        for e in lines:
            (t1, z1v), (t2, z2v) = back(e.dxf.start[0], e.dxf.start[1]), back(e.dxf.end[0], e.dxf.end[1])
            if z1v == 0:
                cross.append(t1)
            elif z1v * z2v < 0:
                cross.append(t1 - z1v * (t2 - t1) / (z2v - z1v))
        # The chord between two vertices misses the curve's own crossing by far less than a
        # hundredth of a step.
        step = (xmax - xmin) / 100
        # (a pitch point off the path of contact, outside the chart: no crossing at all)
        on = xmin < 0 < xmax
        check((len(cross) >= 1 if on else not cross) and all(abs(c) < 1e-2 * step for c in cross),
              "gear %d crosses 0 at the pitch point: %s" % (gear, [mp.nstr(c, 3) for c in cross]))


def backlash(path, a):
    doc = ezdxf.readfile(path)
    tn = tan(deg(a["alpha"]))
    Aae, Aai = mpf(a["Aae"]), mpf(a["Aai"])
    e1, i1, e2, i2 = (mpf(a[k]) for k in ("Asne1", "Asni1", "Asne2", "Asni2"))
    s = float(a.get("scale", "0.5"))
    # The allowances stack up along the reference circle in the normal section: their total is
    # the circumferential backlash times cos(beta).
    jn_max = 2 * Aae * tn - i1 - i2
    jn_min = 2 * Aai * tn - e1 - e2
    msp = doc.modelspace()
    vertical = defaultdict(list)
    for e in msp:
        if e.dxftype() == "LINE" and abs(e.dxf.start[0] - e.dxf.end[0]) < 1e-9:
            vertical[round(e.dxf.start[0], 6)].append(abs(e.dxf.end[1] - e.dxf.start[1]))
    dims = {}
    for t in msp:
        if t.dxftype() != "TEXT" or abs(t.dxf.rotation - 90) > 1e-6:
            continue
        x = round(t.dxf.insert[0] + s, 6)  # the text stands one scale unit left of its line
        if x in vertical:
            chart = 1 if x < 60 else 2
            dims[(chart, t.dxf.text)] = mpf(max(vertical[x]))
    values = {1: {"2 Aae tan(al)": 2 * Aae * tn, "jt cos(b) max": jn_max},
              2: {"2 Aai tan(al)": 2 * Aai * tn, "jt cos(b) min": jn_min}}
    for c in (1, 2):
        values[c].update({"Asne1": e1, "Asni1": i1, "Tsn1": e1 - i1, "Asne2": e2, "Asni2": i2,
                          "Tsn2": e2 - i2})
    check(len(dims) == 16, "16 dimensions found: %d" % len(dims))
    # Every chart length divided by the common scale 100 / jn max gives its value.
    k = dims.get((1, "jt cos(b) max"), mpf(0)) / jn_max
    for (c, label), length in sorted(dims.items()):
        v = abs(values[c][label])
        check(abs(length / k - v) < 1e-9, "chart %d %s: %s == %s" % (c, label,
                                                                     mp.nstr(length / k, 12),
                                                                     mp.nstr(v, 12)))
    # jn max measured against the 2 Aae tan(al) dimension, which the other terms do not enter.
    ref = dims.get((1, "2 Aae tan(al)"), mpf(0))
    if ref:
        jn = dims[(1, "jt cos(b) max")] * 2 * Aae * tn / ref
        check(abs(jn - jn_max) < 1e-9, "jt cos(b) max %s == 2 Aae tan(al) - Asni1 - Asni2 = %s"
              % (mp.nstr(jn, 12), mp.nstr(jn_max, 12)))
    normal_backlash(doc, a)


def normal_backlash(doc, a):
    """The texts "jnmax" and "jnmin" give the normal backlash of DIN 3967, jn = jt cos(alpha_t)
    cos(beta_b), jt the circumferential backlash (2 Aa tan(alpha_n) - sum Asn) / cos(beta)."""
    an, be = deg(a["alpha"]), deg(a.get("beta", "0"))
    at = atan(tan(an) / cos(be))
    bb = atan(tan(be) * cos(at))
    Asn = {k: mpf(a[k]) for k in ("Asne1", "Asni1", "Asne2", "Asni2")}
    jt = {"jnmax": (2 * mpf(a["Aae"]) * tan(an) - Asn["Asni1"] - Asn["Asni2"]) / cos(be),
          "jnmin": (2 * mpf(a["Aai"]) * tan(an) - Asn["Asne1"] - Asn["Asne2"]) / cos(be)}
    texts = {t.dxf.text.split(" = ")[0]: t.dxf.text for t in doc.modelspace()
             if t.dxftype() == "TEXT" and " = " in t.dxf.text}
    for name, j in jt.items():
        want = j * cos(at) * cos(bb)
        text = texts.get(name, "")
        got = mpf(text.split(" = ")[1].split()[0]) if text else None
        check(got is not None and abs(got - want) <= mpf("0.0005") + mpf("1e-12"),
              "%s: %r, DIN 3967 %s mm" % (name, text, mp.nstr(want, 6)))


def finite(path, a):
    raw = open(path, "rb").read().decode("latin-1").lower()
    bad = [w for w in ("nan", "inf") if w in raw.split()]
    check(not bad, "no non-finite numbers %r" % bad)
    doc = ezdxf.readfile(path)
    aud = doc.audit()
    check(not aud.has_errors, "audit clean: %r" % [str(e) for e in aud.errors])
    if "types" in a:
        types = sorted({e.dxftype() for e in doc.modelspace()})
        check(set(types) <= set(a["types"].split(",")), "model space types %r" % types)


def expanded_lines(layout, depth=0):
    """LINE entities of a layout with its inserts resolved (as a CAD program shows them)."""
    for e in layout:
        if e.dxftype() == "LINE":
            yield e
        elif e.dxftype() == "INSERT" and depth < 8:
            yield from expanded_lines(e.virtual_entities(), depth + 1)


def sheet(path, a):
    finite(path, a)
    doc = ezdxf.readfile(path)
    defined = {b.name for b in doc.blocks}
    for name in filter(None, a.get("blocks", "").split(",")):
        check(name in defined, "block %s defined" % name)
    layouts = [doc.modelspace()] + [b for b in doc.blocks if not b.name.startswith("*")]
    bad = [(getattr(l, "name", "model"), e.dxf.name) for l in layouts for e in l.query("INSERT")
           if e.dxf.name not in defined]
    check(not bad, "every insert resolves %r" % bad)
    used = {e.dxf.name for e in doc.modelspace().query("INSERT")}
    for name in filter(None, a.get("inserts", "").split(",")):
        check(name in used, "block %s inserted" % name)
    if "hatch" in a:
        n = 0
        for e in expanded_lines(doc.modelspace()):
            dx, dy = e.dxf.end[0] - e.dxf.start[0], e.dxf.end[1] - e.dxf.start[1]
            if abs(dx) > 1e-6 and abs(abs(dy / dx) - 1) < 1e-6:
                n += 1
        want = int(a["hatch"])
        check(n >= want if want else n == 0, "45-degree hatch lines: %d (want %s)" % (
            n, ">= %d" % want if want else "none"))


def main():
    check_name, path = sys.argv[1], sys.argv[2]
    args = dict(kv.split("=", 1) for kv in sys.argv[3:])
    {"workshop": workshop, "limits": limits, "rollangle": rollangle, "rows": rows, "sliding": sliding,
     "backlash": backlash, "finite": finite, "sheet": sheet}[check_name](path, args)
    return 1 if FAILS else 0


if __name__ == "__main__":
    sys.exit(main())
