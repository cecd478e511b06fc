#!/usr/bin/python3
"""Checks tooth views in DXF files (and tooth contours of a screen display list) against the
textbook geometry of the pair (mpmath) and for overlapping outlines (shapely).

    toothviews_check.py --batch LISTFILE      (one "FILE key=value ..." line per drawing)

Pair: z1 z2 mn alpha beta (degrees), aDraw (the drawing's centre distance), xe1 xe2 (shifts of
the contours), dNa1 dNa2 dax1 dax2 (usable tip and drawing tip diameters), epsalpha, planets,
N (points per flank), rotations (a display list's contour inserts, degrees, '/'-separated).
checks: view4, contact, eps, frame, planets, mesh (touch=1, pitch=1), flank. One line per
check, "ok ..." or "FAIL ..."; exit status 1 when a check failed.
"""
import math
import sys

import ezdxf
from ezdxf import path as dxfpath
from mpmath import mpf, acos, atan, cos, pi, sin, sqrt, tan
from shapely.geometry import Point, Polygon
from shapely.ops import unary_union

from checklib import FAILS, check, inv


def near(a, b, tol):
    return abs(float(a) - float(b)) <= tol


class Pair:
    def __init__(self, a):
        self.a, self.label = a, a.get("label", "")
        self.z = {1: int(a["z1"]), 2: int(a["z2"])}
        self.mn = mpf(a["mn"])
        self.alpha, self.beta = mpf(a["alpha"]) * pi / 180, mpf(a["beta"]) * pi / 180
        self.at = atan(tan(self.alpha) / cos(self.beta))
        self.d = {i: self.z[i] * self.mn / cos(self.beta) for i in (1, 2)}
        self.db = {i: self.d[i] * cos(self.at) for i in (1, 2)}
        self.pbt = pi * self.mn / cos(self.beta) * cos(self.at)
        self.aDraw = mpf(a["aDraw"])
        # The operating pressure angle and pitch circles of the centre distance drawn.
        self.aw = acos((self.d[1] + self.d[2]) / 2 * cos(self.at) / self.aDraw)
        self.dw = {i: self.db[i] / cos(self.aw) for i in (1, 2)}

    def f(self, key):
        return mpf(self.a[key])


def texts(doc):
    return [(e.dxf.text, e.dxf.insert.x, e.dxf.insert.y) for e in doc.modelspace().query("TEXT")]


def check_view4(doc, p):
    z2 = p.z[2]
    rots = sorted(e.dxf.rotation % 360 for e in doc.modelspace().query("INSERT[name=='EVOLV2']"))
    want = sorted(float((360 - k * mpf(360) / z2 + mpf(180) / z2) % 360) for k in range(abs(z2)))
    worst = max((abs(r - w) for r, w in zip(rots, want)), default=1)
    check(len(rots) == abs(z2) and worst < 1e-9,
          "view 4: %d EVOLV2 inserts at 360 - k 360/%d + 180/%d" % (len(rots), z2, z2))


def check_contact(doc, p):
    mn, yc, aw, tol = float(p.mn), float(p.dw[1] / 2), float(p.aw), 1e-6 * float(p.mn)
    ux, uy = math.cos(aw), math.sin(aw)
    found = False  # the line of action: at the angle of aDraw through C
    for e in doc.modelspace().query("LINE"):
        s, t = e.dxf.start, e.dxf.end
        ang = math.atan2(t.y - s.y, t.x - s.x)
        dist = abs((t.x - s.x) * (yc - s.y) + (t.y - s.y) * s.x) / math.hypot(t.x - s.x, t.y - s.y)
        found |= abs(math.remainder(ang - aw, math.pi)) < 1e-9 and dist < tol
    check(found, "contact %s: line of action at %.9f deg through C" % (p.label, math.degrees(aw)))
    marks = [(c.x, c.y) for c, r in ((e.dxf.center, e.dxf.radius)
                                     for e in doc.modelspace().query("CIRCLE")) if near(r, mn / 15, 1e-9)]
    tx = texts(doc)

    def marked(letter, x, y, lx, ly):
        # The letter at its place, or (where that meets a line) within 2 mn of its point.
        return (any(near(mx, x, tol) and near(my, y, tol) for mx, my in marks)
                and any(t == letter and (near(a, lx, tol) and near(b, ly, tol) or
                                         math.hypot(a - x, b - y) < 2 * mn) for t, a, b in tx))

    check(marked("C", 0, yc, mn / 20, yc + mn / 8), "contact %s: C at (0, dwx1/2)" % p.label)
    # E beyond C on gear 1's usable tip circle, A before C (the crossing nearer C) on gear 2's.
    for letter, cy, dna, after in (("E", 0.0, p.f("dNa1"), True),
                                   ("A", float(p.aDraw), p.f("dNa2"), False)):
        b = (yc - cy) * uy
        disc = b * b - ((yc - cy) ** 2 - float(dna / 2) ** 2)
        ts = [t for t in (-b + math.sqrt(disc), -b - math.sqrt(disc)) if (t > 0) == after]
        t = min(ts, key=abs)
        x, y = ux * t, yc + uy * t
        check(marked(letter, x, y, x - mn / 10, y + mn / 8),
              "contact %s: %s at (%.6f, %.6f)" % (p.label, letter, x, y))


def check_eps(doc, p):
    r1, r2, rb1, rb2 = p.f("dNa1") / 2, p.f("dNa2") / 2, p.db[1] / 2, p.db[2] / 2
    g = sqrt(r1**2 - rb1**2) + (1 if p.z[2] > 0 else -1) * sqrt(r2**2 - rb2**2) - p.aDraw * sin(p.aw)
    want = "eps.al. = %.3f" % float(g / p.pbt)
    got = [t for t, _, _ in texts(doc) if t.startswith("eps.al. = ")]
    check(got == [want], "contact %s: %s (drawn %s)" % (p.label, want, got))


def check_frame(doc, p):
    mn, z1, z2, dax1, dax2, deg = p.mn, p.z[1], p.z[2], p.f("dax1"), p.f("dax2"), pi / 180
    W = (mn + sin(720 / max(abs(z2), 7) * deg) * abs(dax2) / 2) * (mpf("1.1") if z2 < 0 else 1)
    s = mpf("0.6") * math.log(abs(z1)) * 360 / abs(z1) if abs(z1) < 12 else mpf(540) / abs(z1)
    Y0 = dax1 / 2 - mpf("1.2") * (2 * mn + (1 - cos(s * deg)) * abs(dax1) / 2)
    low = (p.f("dfx1") - (p.f("dax1") - p.f("dfx1")) / 5) / 2  # the lowest of gear 1's lines
    if low > W:
        Y0 = min(Y0, sqrt(low**2 - W**2) - mn / 10)  # below them at the window's sides
    s = mpf("0.7") * math.log(abs(z2)) * 360 / abs(z2) if abs(z2) < 18 else mpf(720) / abs(z2)
    S = (0 if -17 <= z2 < 0 else mn) + (1 - cos(s * deg)) * abs(dax2) / 2
    Y1 = dax1 / 2 + mpf("1.2") * S
    lines = [(e.dxf.start.x, e.dxf.start.y, e.dxf.end.x, e.dxf.end.y)
             for e in doc.modelspace().query("LINE")]
    c = [(-W, Y0), (-W, Y1), (W, Y1), (W, Y0), (-W, Y0)]
    sides = sum(any(all(near(u, v, 1e-6) for u, v in zip(l, a + b)) for l in lines)
                for a, b in zip(c, c[1:]))
    check(sides == 4, "frame %s: (%.6f, %.6f .. %.6f)" % (p.label, W, Y0, Y1))


def check_planets(doc, p):
    n, R = int(p.a["planets"]), float(abs(p.dw[1] + p.dw[2]) / 2)
    at = [e.dxf.insert for e in doc.modelspace().query("INSERT[name=='RAD1']")]
    ang = sorted(math.degrees(math.atan2(q.y, q.x)) % 360 for q in at)
    steps = [b - a for a, b in zip(ang, ang[1:] + ang[:1])]
    steps[-1:] = [steps[-1] + 360] if steps else []
    check(len(at) == n and all(near(math.hypot(q.x, q.y), R, 1e-6) for q in at)
          and all(near(s, 360 / n, 1e-7) for s in steps),
          "planets %s: %d RAD1 at (dwx1 + dwx2)/2 = %.6f, %s deg apart" % (p.label, len(at), R, steps))


def contours(entities, found):
    """(gear, centre, points) of every EVOLV insert, nested inserts expanded."""
    for e in entities:
        if e.dxftype() == "INSERT" and e.dxf.name.upper().startswith("EVOLV"):
            for v in e.virtual_entities():
                if v.dxftype() == "POLYLINE":
                    pts = [(q.x, q.y) for q in dxfpath.make_path(v).flattening(1e-6)]
                    found.append((int(e.dxf.name[5:]), (e.dxf.insert.x, e.dxf.insert.y), pts))
        elif e.dxftype() == "INSERT":
            contours(e.virtual_entities(), found)
    return found


def check_mesh(doc, p):
    gears = {1: [], 2: []}
    for gear, (cx, cy), pts in contours(doc.modelspace(), []):
        # The tooth with the body behind it: through the centre, or beyond a ring's root.
        back = ([(cx + 1.5 * (x - cx), cy + 1.5 * (y - cy)) for x, y in (pts[-1], pts[0])]
                if p.z[gear] < 0 else [(cx, cy)])
        gears[gear].append(Polygon(pts + back).buffer(0))
    mn = float(p.mn)
    g1, g2 = unary_union(gears[1]), unary_union(gears[2])
    over = g1.intersection(g2)
    # Depth of an overlap: twice its area over its perimeter. The chords of a ring gear's
    # concave flank reach a little beyond it.
    depth = max((2 * q.area / q.length for q in getattr(over, "geoms", [over]) if q.area > 0),
                default=0) / mn
    check(depth < 1e-4 and gears[1] and gears[2], "mesh %s: no overlap (%.1e mn, %d + %d teeth)"
          % (p.label, depth, len(gears[1]), len(gears[2])))
    if p.a.get("touch") == "1":
        check(g1.distance(g2) / mn < 0.01, "mesh %s: the outlines touch" % p.label)
    if p.a.get("pitch") == "1":
        c = Point(0, float(p.dw[1] / 2))
        d = max(g1.boundary.distance(c), g2.boundary.distance(c)) / mn
        check(d < 0.01, "mesh %s: both outlines at the pitch point (%.1e mn)" % (p.label, d))


def check_flank(listfile, p):
    """At least N points of the display list on the right flank of each inserted tooth of gear 2."""
    pts = set()
    for line in open(listfile, encoding="utf-8", errors="replace"):
        v = line.strip().split(";")
        if v[0] == "4":
            pts |= {(float(v[1]), float(v[2])), (float(v[3]), float(v[4]))}
    mn, rb, ra = float(p.mn), abs(float(p.db[2])) / 2, abs(float(p.f("dax2"))) / 2
    sn = p.mn * (pi / 2 + 2 * p.f("xe2") * tan(p.alpha))
    half = float(sn / cos(p.beta) / p.d[2] + inv(p.at))
    for rot in p.a["rotations"].split("/"):
        t, n = math.radians(float(rot)), 0
        for x, y in pts:
            bx, by = x * math.cos(t) + y * math.sin(t), -x * math.sin(t) + y * math.cos(t)
            R = math.hypot(bx, by)
            if bx > 0 and by > 0 and rb - 1e-9 <= R <= ra + 1e-6 * mn:
                ay = math.acos(min(1.0, rb / R))
                n += abs(math.atan2(bx, by) - half + math.tan(ay) - ay) * R < 2e-5 * mn
        # (the setting is a lower bound: more points where a chord would leave the curve)
        check(n >= int(p.a["N"]), "flank: %d points (N = %s at least) on the flank at %s deg"
              % (n, p.a["N"], rot))


def run(args):
    a = dict(s.split("=", 1) for s in args[1:])
    p, checks = Pair(a), a.get("checks", "").split(",")
    if "flank" in checks:
        return check_flank(args[0], p)
    doc = ezdxf.readfile(args[0])
    check(not doc.audit().errors, "ezdxf audit %s" % p.label)
    for name in checks:
        globals()["check_" + name](doc, p)


if __name__ == "__main__":
    for line in open(sys.argv[2], encoding="utf-8"):
        if line.strip():
            run(line.split())
    sys.exit(1 if FAILS else 0)
