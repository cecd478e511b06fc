#!/usr/bin/python3
"""Checks the tooth views (gear, tooth contact, planets) of DXF files, and tooth contours of a
screen display list, against references computed here from the pair's inputs with the textbook
formulas (mpmath) and overlaps with shapely.

    toothviews_check.py FILE key=value ...
    toothviews_check.py --batch LISTFILE      (one "FILE key=value ..." line per drawing)

Pair: z1 z2 mn alpha beta (degrees) and the drawing's centre distance aDraw. Further inputs by
check: xe1 xe2 (generating shifts of the contours), x1 x2 (shifts of the calculated pair), dNa1
dNa2 dax1 dax2 (the calculation's usable tip and drawing tip diameters), epsalpha, planets, phi
(rotation of gear 1, degrees), N (points per flank), rotations (the contour inserts of a display
list, degrees, '/'-separated).

checks: view4 (the wheel's inserts), contact (line of action, pitch point, points A and E),
eps (the data box's contact ratio, at aDraw = a), frame (the window of the contact view), planets (the planets' inserts), mesh (no
overlap of the two gears' outlines; with touch=1 they touch, with pitch=1 at the pitch point),
zerobacklash (aDraw is the centre distance of x1 + x2 without backlash), flank (a display list:
N points on each inserted right flank of gear 2). One line per check, "ok ..." or "FAIL ...";
exit status 1 when a check failed.
"""
import math
import sys

import ezdxf
from ezdxf import path as dxfpath
from mpmath import mp, mpf, acos, atan, cos, findroot, pi, sin, sqrt, tan
from shapely.geometry import Point, Polygon
from shapely.ops import unary_union

mp.dps = 30
FAILS = []


def check(cond, what):
    print(("ok   " if cond else "FAIL ") + what)
    if not cond:
        FAILS.append(what)


def inv(a):
    return tan(a) - a


class Pair:
    """The textbook geometry of the pair at the drawing's centre distance."""

    def __init__(self, a):
        self.a = a
        self.z = {1: int(a["z1"]), 2: int(a["z2"])}
        self.mn = mpf(a["mn"])
        self.alpha = mpf(a.get("alpha", "20")) * pi / 180
        self.beta = mpf(a.get("beta", "0")) * pi / 180
        self.at = atan(tan(self.alpha) / cos(self.beta))
        self.d = {i: self.z[i] * self.mn / cos(self.beta) for i in (1, 2)}
        self.db = {i: self.d[i] * cos(self.at) for i in (1, 2)}
        self.pbt = pi * self.mn / cos(self.beta) * cos(self.at)
        self.aDraw = mpf(a["aDraw"])
        self.aw = acos((self.d[1] + self.d[2]) / 2 * cos(self.at) / self.aDraw)
        self.dw = {i: self.db[i] / cos(self.aw) for i in (1, 2)}

    def f(self, key):
        return mpf(self.a[key])

    def psi_w(self, i):
        """Half angular tooth thickness of gear i's contour on its operating pitch circle."""
        sn = self.mn * (pi / 2 + 2 * self.f("xe%d" % i) * tan(self.alpha))
        return sn / cos(self.beta) / self.d[i] + inv(self.at) - inv(self.aw)


def texts(doc):
    return [(e.dxf.text, e.dxf.insert[0], e.dxf.insert[1]) for e in doc.modelspace().query("TEXT")]


def near(a, b, tol):
    return abs(float(a) - float(b)) <= tol


# ---- checks ----------------------------------------------------------------------------------


def check_view4(doc, p):
    z2 = p.z[2]
    rots = sorted(e.dxf.rotation % 360 for e in doc.modelspace().query("INSERT")
                  if e.dxf.name.upper() == "EVOLV2")
    want = sorted(float((360 - k * mpf(360) / z2 + mpf(180) / z2) % 360) for k in range(abs(z2)))
    check(len(rots) == abs(z2), "view 4: %d EVOLV2 inserts (z2 = %d)" % (len(rots), z2))
    worst = max((abs(r - w) for r, w in zip(rots, want)), default=0)
    check(len(rots) == len(want) and worst < 1e-9,
          "view 4: rotations 360 - k 360/z2 + 180/z2 (worst %.2e deg)" % worst)


def check_contact(doc, p):
    label = p.a.get("label", "")
    ms = doc.modelspace()
    mn = float(p.mn)
    yc = float(p.dw[1] / 2)
    aw = float(p.aw)
    tol = 1e-6 * mn
    # The line of action: at the operating pressure angle of aDraw, through the pitch point.
    found = False
    for e in ms.query("LINE"):
        x1, y1, x2, y2 = e.dxf.start.x, e.dxf.start.y, e.dxf.end.x, e.dxf.end.y
        ang = math.atan2(y2 - y1, x2 - x1)
        dist = abs((x2 - x1) * (yc - y1) - (y2 - y1) * (0 - x1)) / math.hypot(x2 - x1, y2 - y1)
        if abs(math.remainder(ang - aw, math.pi)) < 1e-9 and dist < tol:
            found = True
    check(found, "contact: line of action at %.9f deg through C (0, dw1/2)" % math.degrees(aw))
    circles = [(e.dxf.center[0], e.dxf.center[1], e.dxf.radius) for e in ms.query("CIRCLE")]
    marks = [(x, y) for x, y, r in circles if near(r, mn / 15, 1e-9)]
    check(any(near(x, 0, tol) and near(y, yc, tol) for x, y in marks), "contact: C at (0, dwx1/2)")
    tx = texts(doc)
    check(any(t == "C" and near(x, mn / 20, tol) and near(y, yc + mn / 8, tol) for t, x, y in tx),
          "contact: 'C' lettered at (mn/20, dwx1/2 + mn/8)")

    def expected(centre_y, dna, want_right):
        """Where the line of action meets a usable tip circle: E on gear 1's beyond C, A on
        gear 2's before C (the crossing nearer C)."""
        # Points C + t u; |C + t u - centre| = |dNa|/2.
        ux, uy = math.cos(aw), math.sin(aw)
        by = yc - centre_y
        b, c = by * uy, by * by - (dna / 2) ** 2
        disc = b * b - c
        if disc < 0:
            return None
        ts = [-b + math.sqrt(disc), -b - math.sqrt(disc)]
        ts = [t for t in ts if (t > 0) == want_right]
        t = min(ts, key=abs) if ts else None
        return None if t is None else (ux * t, yc + uy * t)

    for letter, centre_y, dna, right in (("E", 0.0, float(p.f("dNa1")), True),
                                          ("A", float(p.aDraw), float(p.f("dNa2")), False)):
        want = expected(centre_y, dna, right)
        pts = [(x, y) for x, y in marks if want and near(x, want[0], tol) and near(y, want[1], tol)]
        check(len(pts) == 1, "contact %s: %s where the line of action meets the usable tip circle "
              "of gear %s (%s)" % (label, letter, "1" if letter == "E" else "2", want))
        if pts:
            x, y = pts[0]
            check(any(t == letter and near(tx_, x - mn / 10, tol) and near(ty, y + mn / 8, tol)
                      for t, tx_, ty in tx), "contact: '%s' lettered beside its point" % letter)

def check_eps(doc, p):
    # The transverse contact ratio of the pair at aDraw, from the usable tip circles.
    r1, r2 = p.f("dNa1") / 2, p.f("dNa2") / 2
    rb1, rb2 = p.db[1] / 2, p.db[2] / 2
    s2 = 1 if p.z[2] > 0 else -1
    g = sqrt(r1 ** 2 - rb1 ** 2) + s2 * sqrt(r2 ** 2 - rb2 ** 2) - p.aDraw * sin(p.aw)
    eps = g / p.pbt
    want = "eps.al. = %.3f" % float(eps)
    got = [t for t, _, _ in texts(doc) if t.startswith("eps.al. = ")]
    check(got == [want] and near(eps, p.f("epsalpha"), 1e-9),
          "contact: %s (drawn %s)" % (want, got))


def window(p):
    mn = p.mn
    z1, z2 = p.z[1], p.z[2]
    dax1, dax2 = p.f("dax1"), p.f("dax2")
    deg = pi / 180
    W = mn + sin(720 / max(abs(z2), 7) * deg) * abs(dax2) / 2
    if z2 < 0:
        W *= mpf("1.1")
    s = mpf("0.6") * math.log(abs(z1)) * 360 / abs(z1) if abs(z1) < 12 else mpf(540) / abs(z1)
    Y0 = dax1 / 2 - mpf("1.2") * (2 * mn + (1 - cos(s * deg)) * abs(dax1) / 2)
    if -17 <= z2 < 0:
        S = (1 - cos(mpf("0.7") * math.log(-z2) * 360 / -z2 * deg)) * abs(dax2) / 2
    else:
        s = (mpf("0.7") * math.log(abs(z2)) * 360 / abs(z2)) if abs(z2) < 18 else mpf(720) / abs(z2)
        S = mn + (1 - cos(s * deg)) * abs(dax2) / 2
    return W, Y0, dax1 / 2 + mpf("1.2") * S


def check_frame(doc, p):
    W, Y0, Y1 = (float(v) for v in window(p))
    tol = 1e-6
    lines = [(e.dxf.start[0], e.dxf.start[1], e.dxf.end[0], e.dxf.end[1])
             for e in doc.modelspace().query("LINE")]
    corners = [(-W, Y0), (-W, Y1), (W, Y1), (W, Y0), (-W, Y0)]
    sides = 0
    for (ax, ay), (bx, by) in zip(corners, corners[1:]):
        sides += any(near(l[0], ax, tol) and near(l[1], ay, tol) and near(l[2], bx, tol)
                     and near(l[3], by, tol) for l in lines)
    check(sides == 4, "frame: the window (%.6f, %.6f .. %.6f) drawn (%d of 4 sides)" %
          (W, Y0, Y1, sides))


def check_planets(doc, p):
    n = int(p.a["planets"])
    R = float(abs(p.dw[1] + p.dw[2]) / 2)
    ins = [e for e in doc.modelspace().query("INSERT") if e.dxf.name.upper() == "RAD1"]
    check(len(ins) == n, "planets: %d RAD1 inserts (want %d)" % (len(ins), n))
    radii = [math.hypot(e.dxf.insert[0], e.dxf.insert[1]) for e in ins]
    check(all(near(r, R, 1e-6) for r in radii), "planets: at (dwx1 + dwx2)/2 = %.6f" % R)
    angles = sorted(math.degrees(math.atan2(e.dxf.insert[1], e.dxf.insert[0])) % 360 for e in ins)
    steps = [(b - a) for a, b in zip(angles, angles[1:] + [angles[0] + 360])]
    check(all(near(s, 360 / n, 1e-7) for s in steps), "planets: %s degrees apart" % steps)


# ---- outlines --------------------------------------------------------------------------------


def contours(entities, found):
    """(gear number, centre, points) of every EVOLV insert, nested inserts expanded."""
    for e in entities:
        if e.dxftype() != "INSERT":
            continue
        name = e.dxf.name.upper()
        if name.startswith("EVOLV"):
            centre = (e.dxf.insert[0], e.dxf.insert[1])
            for v in e.virtual_entities():
                if v.dxftype() == "POLYLINE":
                    pts = [(q.x, q.y) for q in dxfpath.make_path(v).flattening(1e-6)]
                    found.append((int(name[5:]), centre, pts))
        else:
            contours(e.virtual_entities(), found)
    return found


def tooth_polygon(centre, pts, internal):
    """The tooth with the body behind it: closed through the centre (external gear) or beyond
    the root circle (internal gear)."""
    cx, cy = centre
    if internal:
        out = [(cx + 1.5 * (x - cx), cy + 1.5 * (y - cy)) for x, y in (pts[-1], pts[0])]
        ring = pts + out
    else:
        ring = pts + [centre]
    return Polygon(ring).buffer(0)


def check_mesh(doc, p, label):
    found = contours(doc.modelspace(), [])
    mn = float(p.mn)
    gears = {}
    for gear, centre, pts in found:
        gears.setdefault(gear, []).append(tooth_polygon(centre, pts, p.z[gear] < 0))
    if len(gears) != 2:
        check(False, "mesh %s: outlines of both gears (%s)" % (label, sorted(gears)))
        return
    g1, g2 = unary_union(gears[1]), unary_union(gears[2])
    # The depth of an overlap: twice its area over its perimeter (two thirds of the height of a
    # thin sliver). The chords of a concave flank (a ring gear's) reach a little beyond it.
    over = g1.intersection(g2)
    parts = [q for q in getattr(over, "geoms", [over]) if q.area > 0]
    depth = max((2 * q.area / q.length for q in parts), default=0) / mn
    check(depth < 1e-4, "mesh %s: no overlap (deepest %.1e mn, %d + %d teeth)" %
          (label, depth, len(gears[1]), len(gears[2])))
    if p.a.get("touch") == "1":
        gap = g1.distance(g2) / mn
        check(gap < 0.01, "mesh %s: the outlines touch (%.1e mn)" % (label, gap))
    if p.a.get("pitch") == "1":
        c = Point(0, float(p.dw[1] / 2))
        d1, d2 = g1.boundary.distance(c) / mn, g2.boundary.distance(c) / mn
        check(max(d1, d2) < 0.01, "mesh %s: both outlines at the pitch point (%.1e, %.1e mn)" %
              (label, d1, d2))


def check_zero_backlash(p):
    # inv alpha_w = inv alpha_t + 2 (x1 + x2) tan(alpha) / (z1 + z2) (no backlash).
    x = p.f("x1") + p.f("x2")
    target = inv(p.at) + 2 * x * tan(p.alpha) / (p.z[1] + p.z[2])
    aw = findroot(lambda t: inv(t) - target, p.at)
    a = (p.d[1] + p.d[2]) / 2 * cos(p.at) / cos(aw)
    check(near(a, p.aDraw, 1e-9), "zero backlash at a = %.9f (drawn at %s)" % (a, p.a["aDraw"]))
    check(near(p.f("xe1"), p.f("x1"), 0) and near(p.f("xe2"), p.f("x2"), 0),
          "contours of the shifts x1, x2")


def check_flank(listfile, p):
    """Points of the display list on the right flank of gear 2's tooth for each insert."""
    pts = set()
    with open(listfile, encoding="utf-8", errors="replace") as f:
        for line in f:
            v = line.strip().split(";")
            if v[0] == "4" and len(v) >= 5:
                pts.add((float(v[1]), float(v[2])))
                pts.add((float(v[3]), float(v[4])))
    N = int(p.a["N"])
    mn = float(p.mn)
    db = float(p.db[2])
    sn = p.mn * (pi / 2 + 2 * p.f("xe2") * tan(p.alpha))
    half = float(sn / cos(p.beta) / p.d[2] + inv(p.at))
    dax = float(p.f("dax2"))
    for rot in p.a["rotations"].split("/"):
        t = math.radians(float(rot))
        n = 0
        for x, y in pts:
            # Back into the block's frame: the tooth on +y.
            bx, by = x * math.cos(t) + y * math.sin(t), -x * math.sin(t) + y * math.cos(t)
            R = math.hypot(bx, by)
            if not (abs(db) / 2 - 1e-9 <= R <= abs(dax) / 2 + 1e-6 * mn) or by <= 0 or bx <= 0:
                continue
            ay = math.acos(min(1.0, abs(db) / 2 / R))
            psi = half - (math.tan(ay) - ay)
            if abs(math.atan2(bx, by) - psi) * R < 2e-5 * mn:
                n += 1
        check(n == N, "flank: %d points on the right flank of the insert at %s deg (want %d)" %
              (n, rot, N))


def run(args):
    file = args[0]
    a = dict(s.split("=", 1) for s in args[1:])
    p = Pair(a)
    checks = a.get("checks", "").split(",")
    label = a.get("label", file)
    if "flank" in checks:
        check_flank(file, p)
        return
    if "zerobacklash" in checks:
        check_zero_backlash(p)
    doc = ezdxf.readfile(file)
    errors = len(doc.audit().errors)
    check(errors == 0, "ezdxf audit %s: %d errors" % (label, errors))
    for name, fn in (("view4", check_view4), ("contact", check_contact), ("eps", check_eps),
                     ("frame", check_frame), ("planets", check_planets)):
        if name in checks:
            fn(doc, p)
    if "mesh" in checks:
        check_mesh(doc, p, label)


def main():
    if sys.argv[1] == "--batch":
        with open(sys.argv[2], encoding="utf-8") as f:
            for line in f:
                if line.strip():
                    run(line.split())
    else:
        run(sys.argv[1:])
    return 1 if FAILS else 0


if __name__ == "__main__":
    sys.exit(main())
