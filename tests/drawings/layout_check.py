#!/usr/bin/python3
"""Checks the layout of a drawing sheet as python3-ezdxf reads the DXF file: every entity on the
sheet, the views apart from each other and from the tables, no text on another text.

    layout_check.py FILE sheet=X0,Y0,X1,Y1|limits [paper=X0,Y0,X1,Y1] [label=NAME]
    layout_check.py FILE view=1 [tip=1] [label=NAME]  (a tooth view [with its tip arc])
    layout_check.py FILE [view=1|sheet=...] lines=1   (also: no line through a text, no text
                                                       on another, tables' texts too)
    layout_check.py FILE ... unsigned=ZN  (also: no text but ZN shows a number -1.0 or less)
    layout_check.py FILE ... unit=in|mm   (also: no text names the other length unit)
    layout_check.py --batch LISTFILE      (one "FILE key=value ..." line per drawing)

In a tooth view every arc passes through the limits ($LIMMIN, $LIMMAX), and no text lies on
another.

Everything lies on the sheet (the drawing's limits); the views and tables also on the paper
(default: the sheet).

Views are the model-space inserts, known by their block names: the wheel (rad2), the tool
(WERKZS2) and the tooth gap (zahn2, EVOLV2 and dteil together); the tool may also sit in the
wheel's bore (all its points inside the circle that the wheel's geometry leaves free about its
centre). Tables
are the groups of touching model-space lines and texts. Texts count with their visible
characters (screen font or CAD font cells, the wider), inserts exploded. One line per check,
"ok ..." or "FAIL ..."; exit status 1 when a check failed.
"""
import math
import os
import re
import sys
import warnings

import ezdxf
from shapely.geometry import LineString, Polygon
from shapely.strtree import STRtree

warnings.filterwarnings("ignore", message="STRtree")  # shapely 1.8 on its change in 2
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "cad"))
from dxf_bounds import Box, entity_box  # noqa: E402
import checklib  # noqa: E402
import fontwidths  # noqa: E402
from checklib import check  # noqa: E402

TOL = 1e-3


def visible_text_box(e):
    """The box of a text's characters without its leading and trailing blanks (None if blank):
    CAD font cells or the screen's font (its average character 0.95 of a cell), the wider."""
    d = e.dxf
    t = e.plain_text()
    n = len(t.strip())
    if n == 0:
        return None
    lead = len(t) - len(t.lstrip())
    h = d.height
    cw = h * d.get("width", 1.0)
    u0 = min(lead * cw, fontwidths.advance(t[:lead]) * 0.95 * cw)
    u1 = max((lead + n) * cw, fontwidths.advance(t.rstrip()) * 0.95 * cw)
    a = math.radians(d.get("rotation", 0.0))
    c, s = math.cos(a), math.sin(a)
    pts = []
    for u, v in ((u0, 0), (u1, 0), (u1, h), (u0, h)):
        pts.append((d.insert[0] + u * c - v * s, d.insert[1] + u * s + v * c))
    return t.strip(), pts


def texts(entities, depth=0):
    out = []
    for e in entities:
        if e.dxftype() == "TEXT":
            b = visible_text_box(e)
            if b:
                out.append(b)
        elif e.dxftype() == "INSERT" and depth < 8:
            out += texts(list(e.virtual_entities()), depth + 1)
    return out


def polygons_overlap(p, q, margin=0.0):
    """Separating axes of two convex quadrilaterals; touching does not count."""
    for poly in (p, q):
        for k in range(4):
            (x0, y0), (x1, y1) = poly[k], poly[(k + 1) % 4]
            nx, ny = y0 - y1, x1 - x0
            ln = math.hypot(nx, ny)
            if ln == 0:
                continue
            a = [(x * nx + y * ny) / ln for x, y in p]
            b = [(x * nx + y * ny) / ln for x, y in q]
            if max(a) <= min(b) + margin or max(b) <= min(a) + margin:
                return False
    return True


def points(e, depth=0):
    """Points along an entity's geometry (for the free bore of the wheel)."""
    t = e.dxftype()
    if t == "INSERT":
        out = []
        if depth < 8:
            for v in e.virtual_entities():
                out += points(v, depth + 1)
        return out
    if t == "LINE":
        a, b = e.dxf.start, e.dxf.end
        return [(a[0] + (b[0] - a[0]) * k / 8, a[1] + (b[1] - a[1]) * k / 8) for k in range(9)]
    try:
        return [(p[0], p[1]) for p in ezdxf.path.make_path(e).flattening(1e-3)]
    except (TypeError, ValueError):
        return []


def pieces(entities, depth=0):
    """The lines every non-text entity draws (inserts exploded, curves flattened to 0.01 mm)."""
    out = []
    for e in entities:
        t = e.dxftype()
        if t == "INSERT" and depth < 8:
            out += pieces(list(e.virtual_entities()), depth + 1)
        elif t == "LINE":
            out.append(((e.dxf.start[0], e.dxf.start[1]), (e.dxf.end[0], e.dxf.end[1])))
        elif t == "SOLID":
            p = [(v[0], v[1]) for v in (e.dxf.vtx0, e.dxf.vtx1, e.dxf.vtx3, e.dxf.vtx2)]
            out += list(zip(p, p[1:] + p[:1]))
        elif t not in ("TEXT", "INSERT"):
            try:
                p = [(v[0], v[1]) for v in ezdxf.path.make_path(e).flattening(0.01)]
            except (TypeError, ValueError):
                p = []
            out += list(zip(p, p[1:]))
    return [q for q in out if q[0] != q[1]]


def run_lines(label, msp):
    """No line runs through a text (its visible characters' box), and no text lies on another:
    every text within its cell or field, the whole drawing over (inserts exploded)."""
    tree_pieces = [LineString(q) for q in pieces(msp)]
    tree = STRtree(tree_pieces)
    crossed = []
    boxes = texts(msp)
    clashes = text_clashes([("text", b) for b in boxes])
    check(not clashes, "%s: %d texts, none on another%s" % (
        label, len(boxes), ": " + "; ".join(clashes[:6]) if clashes else ""))
    for t, box in boxes:
        poly = Polygon(box)
        # (shapely 2 answers with indices, 1.8 with the pieces themselves)
        near = [tree_pieces[q] if isinstance(q, int) or hasattr(q, "dtype") else q
                for q in tree.query(poly)]
        n = sum(1 for q in near if q.intersects(poly))
        if n:
            crossed.append("%r by %d" % (t, n))
    check(not crossed, "%s: %d lines, none through a text%s" % (
        label, len(tree_pieces), ": " + "; ".join(crossed[:6]) if crossed else ""))


def text_clashes(owned):
    """Pairs of (owner, (text, box)) on each other; texts of one table or frame may touch."""
    clashes = []
    for i in range(len(owned)):
        for j in range(i + 1, len(owned)):
            (oi, (ti, pi)), (oj, (tj, pj)) = owned[i], owned[j]
            if oi == oj and oi.startswith(("table", "frame")):
                continue
            if polygons_overlap(pi, pj, 1e-4):
                clashes.append("%s %r on %s %r" % (oi, ti, oj, tj))
    return clashes


def run_view(label, doc, msp, a):
    x0, y0 = doc.header["$LIMMIN"][:2]
    x1, y1 = doc.header["$LIMMAX"][:2]
    away = [e.dxf.radius for e in msp if e.dxftype() == "ARC" and not any(
        x0 <= x <= x1 and y0 <= y <= y1 for x, y in points(e))]
    check(not away, "%s: every arc through the limits (radii off them: %s)" % (label, away))
    if a.get("tip") == "1":  # the tip circle's arc (colour 21) is among them
        tips = [e for e in msp if e.dxftype() == "ARC" and e.dxf.layer == "21"]
        check(len(tips) == 1, "%s: the tip circle's arc drawn (%d)" % (label, len(tips)))
    clashes = text_clashes([("view", t) for t in texts(msp)])
    check(not clashes, "%s: no text on another%s" % (label, ": " + "; ".join(clashes[:6])
                                                     if clashes else ""))


def run(path, a):
    label = a.get("label", os.path.basename(path))
    doc = ezdxf.readfile(path)
    msp = list(doc.modelspace())
    if a.get("lines") == "1":
        run_lines(label, msp)
    if "unsigned" in a:  # a ring gear's sizes without their sign (not z, zn: the value given)
        signed = [t for t, _ in texts(msp) for v in re.findall(r"(?<![\w.])-[1-9]\d*\.\d+", t)
                  if v != a["unsigned"]]
        check(not signed, "%s: no size with a sign %r" % (label, signed[:6]))
    if "unit" in a:  # the sheet's length unit only: no "mm", or no number in inches
        other = {"in": r"(?<![\w.])mm\b", "mm": r"\d in\b"}[a["unit"]]
        named = [t for t, _ in texts(msp) if re.search(other, t)]
        check(not named, "%s: every length in %s %r" % (label, a["unit"], named[:6]))
    if a.get("view") == "1":
        return run_view(label, doc, msp, a)
    if "sheet" not in a:
        return
    if a["sheet"] == "limits":  # the drawing's own
        a["sheet"] = "%r,%r,%r,%r" % (doc.header["$LIMMIN"][:2] + doc.header["$LIMMAX"][:2])
    x0, y0, x1, y1 = (float(v) for v in a["sheet"].split(","))

    # Everything on the sheet.
    drawn = Box()
    for e in msp:
        drawn.merge(entity_box(e))
    check(drawn.inside(x0, y0, x1, y1, TOL),
          "%s: everything on the sheet %g,%g..%g,%g (drawn %r)" % (label, x0, y0, x1, y1, drawn))

    # Views and tables.
    views = {"wheel": Box(), "tool": Box(), "gap": Box()}
    wheel_at = None
    wheel_points, tool_points = [], []
    loose = []
    for e in msp:
        if e.dxftype() == "INSERT":
            name = e.dxf.name.upper()
            key = {"RAD2": "wheel", "WERKZS2": "tool", "ZAHN2": "gap", "EVOLV2": "gap",
                   "DTEIL": "gap"}.get(name)
            if key:
                views[key].merge(entity_box(e))
                if key == "wheel":
                    wheel_at = (e.dxf.insert[0], e.dxf.insert[1])
                    wheel_points = points(e)
                if key == "tool":
                    tool_points = points(e)
        else:
            loose.append(entity_box(e))
    tables = []
    for b in loose:
        merged = [t for t in tables if t.overlaps(b, 0.01)]
        for t in merged:
            b.merge(t)
            tables.remove(t)
        tables.append(b)
    # Groups that came together through a later box.
    changed = True
    while changed:
        changed = False
        for i in range(len(tables)):
            for j in range(i + 1, len(tables)):
                if tables[i].overlaps(tables[j], 0.01):
                    tables[i].merge(tables[j])
                    del tables[j]
                    changed = True
                    break
            if changed:
                break

    bore = 0.0
    if wheel_at and wheel_points:
        bore = min(math.hypot(px - wheel_at[0], py - wheel_at[1]) for px, py in wheel_points)
    tool, wheel, gap = views["tool"], views["wheel"], views["gap"]
    if not tool.empty and not wheel.empty:
        in_bore = max(math.hypot(px - wheel_at[0], py - wheel_at[1])
                      for px, py in tool_points) < bore
        check(in_bore or not tool.overlaps(wheel),
              "%s: the tool %r in the wheel's bore (radius %.3f) or beside the wheel %r"
              % (label, tool, bore, wheel))
    for p, q in (("wheel", "gap"), ("tool", "gap")):
        if not views[p].empty and not views[q].empty:
            check(not views[p].overlaps(views[q]),
                  "%s: %s %r apart from %s %r" % (label, p, views[p], q, views[q]))
    px0, py0, px1, py1 = (float(v) for v in a.get("paper", a["sheet"]).split(","))
    for name, v in list(views.items()) + [("table", t) for t in tables]:
        check(v.inside(px0, py0, px1, py1, TOL), "%s: %s %r on the paper" % (label, name, v))
    for name, v in views.items():
        hit = [t for t in tables if v.overlaps(t)]
        if not v.empty:
            check(not hit, "%s: %s view %r apart from the tables%s"
                  % (label, name, v, "" if not hit else " (overlaps %r)" % hit[0]))

    # No text of a view on another text, no text of a table on one of another table (within
    # one table the columns are its own design).
    owned = []
    for e in msp:
        if e.dxftype() == "INSERT":
            key = {"RAD2": "wheel", "WERKZS2": "tool", "ZAHN2": "gap", "EVOLV2": "gap",
                   "DTEIL": "gap"}.get(e.dxf.name.upper(), "frame")
            owned += [(key, t) for t in texts([e])]
        elif e.dxftype() == "TEXT":
            b = entity_box(e)
            home = [k for k, t in enumerate(tables) if t.overlaps(b, 0.01)]
            owned += [("table%d" % (home[0] if home else -1), t) for t in texts([e])]
    clashes = text_clashes(owned)
    check(not clashes, "%s: %d texts, none of a view or table on another%s"
          % (label, len(owned), "" if not clashes else ": " + "; ".join(clashes[:6])))
    print("measure %s drawn %r tables %d" % (label, drawn, len(tables)))


if __name__ == "__main__":
    sys.exit(checklib.main(run, sys.argv))
