#!/usr/bin/python3
"""What a DXF file draws, worked out here from the entities as python3-ezdxf reads them (inserts
exploded through ezdxf's own transformation; arcs, circles and bulged polylines by their extreme
points, other curves flattened by ezdxf to 1e-4 mm), to compare with what the file's header
says.

    dxf_bounds.py FILE

prints
    header CODEPAGE LTSCALE EXTMIN_X EXTMIN_Y EXTMAX_X EXTMAX_Y LIMMIN_X LIMMIN_Y LIMMAX_X LIMMAX_Y
    drawn XMIN YMIN XMAX YMAX        everything in the model space
    geometry XMIN YMIN XMAX YMAX     the same without texts (what an IGES reader turns into shapes)
Texts count as ezdxf boxes them without fonts: width = characters x height x width factor, from
0.333 height below the baseline (as a module: descent, 0 unless given) to the text height, turned
by the rotation. Exit status 2 when ezdxf cannot read the file.

As a module: boxes(doc) gives (kind, name, box) for every model-space entity, an insert with its
block name and the box of everything it places.
"""
import math
import sys

import ezdxf
from ezdxf import path as ezpath

SAGITTA = 1e-4
DESCENT = 0.333  # ezdxf's monospace font measure


class Box:
    def __init__(self):
        self.x0 = self.y0 = math.inf
        self.x1 = self.y1 = -math.inf

    @property
    def empty(self):
        return self.x0 > self.x1

    def add(self, x, y):
        self.x0, self.x1 = min(self.x0, x), max(self.x1, x)
        self.y0, self.y1 = min(self.y0, y), max(self.y1, y)

    def merge(self, b):
        if not b.empty:
            self.add(b.x0, b.y0)
            self.add(b.x1, b.y1)

    def overlaps(self, b, gap=0.0):
        return (not self.empty and not b.empty and self.x0 < b.x1 + gap and b.x0 < self.x1 + gap
                and self.y0 < b.y1 + gap and b.y0 < self.y1 + gap)

    def inside(self, x0, y0, x1, y1, tol=1e-6):
        return (self.empty or (self.x0 >= x0 - tol and self.y0 >= y0 - tol and
                               self.x1 <= x1 + tol and self.y1 <= y1 + tol))

    def __repr__(self):
        return "%.9f %.9f %.9f %.9f" % (self.x0, self.y0, self.x1, self.y1)


def text_box(e, descent=0.0):
    d = e.dxf
    n = len(e.plain_text())
    h = d.height
    w = n * h * d.get("width", 1.0)
    a = math.radians(d.get("rotation", 0.0))
    c, s = math.cos(a), math.sin(a)
    x, y = d.insert[0], d.insert[1]
    b = Box()
    for u, v in ((0, -descent * h), (w, -descent * h), (0, h), (w, h)):
        b.add(x + u * c - v * s, y + u * s + v * c)
    return b


def arc_box(b, cx, cy, r, a0, a1):
    """Adds the arc about (cx, cy) from a0 to a1 degrees counter-clockwise: its end points and
    where it crosses the axes through its centre."""
    sweep = (a1 - a0) % 360.0
    if sweep == 0.0:
        sweep = 360.0
    for a in (a0, a0 + sweep):
        b.add(cx + r * math.cos(math.radians(a)), cy + r * math.sin(math.radians(a)))
    k = math.ceil(a0 / 90.0)
    while k * 90.0 <= a0 + sweep:
        b.add(cx + r * math.cos(math.radians(k * 90.0)), cy + r * math.sin(math.radians(k * 90.0)))
        k += 1


def bulge_box(b, p, q, bulge):
    """Adds the polyline segment from p to q with its bulge."""
    if bulge == 0:
        b.add(p[0], p[1])
        b.add(q[0], q[1])
        return
    angle = 4.0 * math.atan(bulge)
    dx, dy = q[0] - p[0], q[1] - p[1]
    off = 0.5 / math.tan(angle / 2.0)
    cx, cy = (p[0] + q[0]) / 2.0 - dy * off, (p[1] + q[1]) / 2.0 + dx * off
    r = math.hypot(p[0] - cx, p[1] - cy)
    a = math.degrees(math.atan2(p[1] - cy, p[0] - cx))
    e = math.degrees(math.atan2(q[1] - cy, q[0] - cx))
    if angle > 0:
        arc_box(b, cx, cy, r, a, e)
    else:
        arc_box(b, cx, cy, r, e, a)


def entity_box(e, depth=0, with_texts=True, descent=0.0):
    """The box of one entity (an insert: everything it places)."""
    t = e.dxftype()
    b = Box()
    if t == "INSERT":
        if depth > 8:
            return b
        for v in e.virtual_entities():
            b.merge(entity_box(v, depth + 1, with_texts, descent))
        return b
    if t == "TEXT":
        return text_box(e, descent) if with_texts else b
    if t == "LINE":
        b.add(e.dxf.start[0], e.dxf.start[1])
        b.add(e.dxf.end[0], e.dxf.end[1])
        return b
    if t == "SOLID":
        for k in ("vtx0", "vtx1", "vtx2", "vtx3"):
            v = e.dxf.get(k)
            if v is not None:
                b.add(v[0], v[1])
        return b
    if t == "POINT":
        b.add(e.dxf.location[0], e.dxf.location[1])
        return b
    if t in ("ARC", "CIRCLE"):
        c = e.dxf.center
        a0, a1 = (e.dxf.start_angle, e.dxf.end_angle) if t == "ARC" else (0.0, 360.0)
        arc_box(b, c[0], c[1], e.dxf.radius, a0, a1)
        return b
    if t == "POLYLINE" and not e.is_3d_polyline:
        v = [(x.dxf.location[0], x.dxf.location[1], x.dxf.bulge) for x in e.vertices]
        pairs = list(zip(v, v[1:])) + ([(v[-1], v[0])] if e.is_closed and v else [])
        for p, q in pairs:
            bulge_box(b, p, q, p[2])
        for p in v:
            b.add(p[0], p[1])
        return b
    try:
        pts = ezpath.make_path(e).flattening(SAGITTA)
    except (TypeError, ValueError):
        return b
    for p in pts:
        b.add(p[0], p[1])
    return b


def boxes(doc, with_texts=True, descent=0.0):
    out = []
    for e in doc.modelspace():
        name = e.dxf.name if e.dxftype() == "INSERT" else ""
        out.append((e.dxftype(), name, entity_box(e, 0, with_texts, descent)))
    return out


def texts(doc, depth=0, entities=None):
    """Every text of the model space with its box, inserts exploded: (plain text, box)."""
    out = []
    for e in (doc.modelspace() if entities is None else entities):
        if e.dxftype() == "TEXT":
            out.append((e.plain_text(), text_box(e)))
        elif e.dxftype() == "INSERT" and depth < 8:
            out += texts(doc, depth + 1, list(e.virtual_entities()))
    return out


def main():
    try:
        doc = ezdxf.readfile(sys.argv[1])
    except Exception as exc:  # noqa: BLE001 - any failure to read is the answer
        print("unreadable %s" % exc)
        return 2
    h = doc.header
    vals = [h.get("$DWGCODEPAGE", "-"), "%.6g" % h.get("$LTSCALE", 1.0)]
    for k in ("$EXTMIN", "$EXTMAX", "$LIMMIN", "$LIMMAX"):
        v = h.get(k, (math.nan, math.nan))
        vals += ["%.6f" % v[0], "%.6f" % v[1]]
    print("header " + " ".join(vals))
    drawn, geometry = Box(), Box()
    for _, _, b in boxes(doc, True, DESCENT):
        drawn.merge(b)
    for _, _, b in boxes(doc, False):
        geometry.merge(b)
    print("drawn %r" % drawn)
    print("geometry %r" % geometry)
    return 0


if __name__ == "__main__":
    sys.exit(main())
