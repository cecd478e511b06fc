#!/usr/bin/python3
"""Checks the tooth-form blocks of a DXF file against references computed here from the gear's
inputs (textbook involute and rolling formulas, evaluated with mpmath; envelopes with shapely).

    toothform_check.py FILE key=value ...

Inputs: z mn alpha beta (degrees) x haP0mn hfP0mn rhoaP0mn N (points per flank) shapes (roll
positions per side) checks (comma list of evolv, zahn, union, fillet, tool, finite) and
fillet_block (block holding the fillet polylines). One line per check, "ok ..." or "FAIL ...";
exit status 1 when a check failed.
"""
import math
import sys

import ezdxf
from mpmath import mp, mpf, acos, atan, cos, diff, pi, sin, sqrt, tan
from shapely import affinity
from shapely.geometry import LineString, Point, Polygon
from shapely.ops import unary_union

mp.dps = 30
FAILS = []


def check(cond, what):
    print(("ok   " if cond else "FAIL ") + what)
    if not cond:
        FAILS.append(what)


def inv(a):
    return tan(a) - a


class Gear:
    def __init__(self, a):
        self.z = int(a["z"])
        self.mn = mpf(a["mn"])
        self.alpha = mpf(a["alpha"]) * pi / 180
        self.beta = mpf(a.get("beta", "0")) * pi / 180
        self.x = mpf(a.get("x", "0"))
        self.haP0 = mpf(a.get("haP0mn", "1.25")) * self.mn
        self.hfP0 = mpf(a.get("hfP0mn", "1")) * self.mn
        self.rho = mpf(a.get("rhoaP0mn", "0.25")) * self.mn
        self.pr = mpf(a.get("prP0mn", "0")) * self.mn
        cb = cos(self.beta)
        self.d = self.z * self.mn / cb
        self.r = self.d / 2
        self.at = atan(tan(self.alpha) / cb)
        self.db = self.d * cos(self.at)
        self.sn = self.mn * (pi / 2 + 2 * self.x * tan(self.alpha))
        self.dax = self.d + 2 * self.hfP0 + 2 * self.x * self.mn
        self.dfx = self.d - 2 * self.haP0 + 2 * self.x * self.mn
        self.dFf_tool = self.dfx + 2 * self.rho * (1 - sin(self.alpha))
        # Depth of the tool's flank / tip-radius tangent point below the pitch line.
        hp = self.haP0 - self.x * self.mn - self.rho * (1 - sin(self.alpha))
        t = self.r * sin(self.at) - hp / sin(self.at)
        self.rFf = sqrt(self.db ** 2 / 4 + t * t) if t > 0 else abs(self.db) / 2

    def psi(self, R):
        """Half tooth angle at radius R from the tooth axis (negative for an internal gear)."""
        c = abs(self.db) / (2 * R)
        ay = acos(c) if c <= 1 else mpf(0)
        return self.sn / (cos(self.beta) * self.d) + inv(self.at) - inv(ay)


def arc_centre(p1, p2, bulge):
    th = 4 * math.atan(bulge)
    dx, dy = p2[0] - p1[0], p2[1] - p1[1]
    c = math.hypot(dx, dy)
    h = (c / 2) / math.tan(th / 2)
    mx, my = (p1[0] + p2[0]) / 2, (p1[1] + p2[1]) / 2
    return (mx - h * dy / c, my + h * dx / c), abs(c / (2 * math.sin(th / 2)))


def polylines(doc, block):
    out = []
    for e in doc.blocks.get(block):
        if e.dxftype() == "POLYLINE":
            out.append([(v.dxf.location[0], v.dxf.location[1], v.dxf.bulge) for v in e.vertices])
    return out


def contour(doc, g, n):
    polys = polylines(doc, "EVOLV2")
    main = [p for p in polys if len(p) >= 2 * n]
    check(len(main) == 1, "EVOLV2 holds one contour polyline")
    return main[0] if main else []


def check_evolv(doc, g, n):
    v = contour(doc, g, n)
    internal = g.z < 0
    noroot = not internal and g.db >= g.dFf_tool
    expected = 2 * n if noroot else 2 * n + 4
    check(len(v) == expected, "contour has %d vertices (N = %d per flank), expected %d"
          % (len(v), n, expected))
    if len(v) != expected:
        return
    off = 0 if noroot else 2
    right = v[off:off + n]
    left = v[off + n:off + 2 * n]
    rcheck = right[1:] if internal else right  # the first is the fillet's tangent point
    lcheck = left[:-1] if internal else left
    worst = 0.0
    worst_st = 0.0
    for pts, sgn in ((rcheck, 1), (lcheck, -1)):
        for (x, y, _) in pts:
            R = mpf(math.hypot(x, y))
            psi_v = atan(mpf(sgn * x) / mpf(y))
            worst = max(worst, float(abs(psi_v - g.psi(R))))
            c = abs(g.db) / (2 * R)
            st = (psi_v + inv(acos(min(c, mpf(1)))) - inv(g.at)) * g.d
            worst_st = max(worst_st, float(abs(st * cos(g.beta) - g.sn)))
    check(worst < 1e-6, "flank vertices on the involute (worst %.3g rad)" % worst)
    check(worst_st < 1e-6, "tooth thickness st cos(beta) = sn at the reference circle "
          "(worst %.3g mm)" % worst_st)
    (cx, cy), rr = arc_centre(right[-1][:2], left[0][:2], right[-1][2])
    check(math.hypot(cx, cy) < 1e-6 and abs(rr - float(abs(g.dax)) / 2) < 1e-6,
          "tip arc centred at the origin (%.3g, %.3g), radius %.9f = dax/2 %.9f"
          % (cx, cy, rr, float(abs(g.dax)) / 2))
    if internal:
        check_internal_root(v, g)
    # The two flanks are mirror images, the tip arc turns by twice the tip half angle.
    mir = max(abs(a[0] + b[0]) + abs(a[1] - b[1]) for a, b in zip(right, reversed(left)))
    check(mir < 1e-9, "left flank mirrors the right flank (%.3g)" % mir)


def check_internal_root(v, g):
    """The tool-tip fillet at the foot of an internal flank: radius rho, tangent to the line from
    the gap middle G on the root circle and to the involute's tangent at the root circle."""
    G, t2, t1 = v[0], v[1], v[2]
    rho = float(g.rho)
    (cx, cy), rr = arc_centre(t2[:2], t1[:2], t2[2])
    Rf = abs(g.dfx) / 2

    def flank(R):  # right flank point at radius R (about -y)
        p = g.psi(R)
        return (-R * sin(p), -R * cos(p))

    P1 = [float(q) for q in flank(Rf)]
    tx, ty = (float(diff(lambda R: flank(R)[k], Rf)) for k in (0, 1))

    def dist_line(px, py, ax, ay, dx, dy):
        return abs(dx * (py - ay) - dy * (px - ax)) / math.hypot(dx, dy)

    ang = float(pi) / abs(g.z)
    gx, gy = float(Rf) * math.sin(ang), -float(Rf) * math.cos(ang)
    worst = max(abs(rr - rho), math.hypot(G[0] - gx, G[1] - gy),
                abs(dist_line(cx, cy, P1[0], P1[1], gx - P1[0], gy - P1[1]) - rho),
                abs(dist_line(cx, cy, P1[0], P1[1], tx, ty) - rho),
                dist_line(t2[0], t2[1], P1[0], P1[1], gx - P1[0], gy - P1[1]),
                dist_line(t1[0], t1[1], P1[0], P1[1], tx, ty))
    # The flank direction is taken over 1e-5 of the root diameter: tangent within 1e-5 mm.
    check(worst < 1e-5, "root fillet of radius rho tangent to the root chord and the flank "
          "(worst %.3g)" % worst)


def roll_range(z):
    return 0.69 / math.log(z) + 4.5 / z if z > 1 else 0.3


def inserts(doc):
    return [e for e in doc.blocks.get("ZAHN2") if e.dxftype() == "INSERT"]


def check_zahn(doc, g, shapes):
    ins = inserts(doc)
    check(len(ins) == 2 * shapes + 1, "ZAHN2 has %d inserts of the tool for %d positions per side"
          % (len(ins), shapes))
    worst = 0.0
    r = float(g.r)
    phis = []
    for e in ins:
        phi = math.radians(e.dxf.rotation)
        phis.append(phi)
        x = r * (phi * math.cos(phi) - math.sin(phi))
        y = r * (math.cos(phi) + phi * math.sin(phi))
        worst = max(worst, abs(e.dxf.insert[0] - x), abs(e.dxf.insert[1] - y))
        if e.dxf.name.upper() != "WERKZS2":
            worst = 1
    check(worst < 1e-6, "every insert on the rolling path (worst %.3g)" % worst)
    big = roll_range(g.z)
    check(abs(min(phis) + big) < 1e-9 and abs(max(phis) - big) < 1e-9,
          "roll angles from -%.6f to %.6f rad" % (big, big))


def entity_points(e, step_deg=0.25):
    t = e.dxftype()
    if t == "LINE":
        return [(e.dxf.start[0], e.dxf.start[1]), (e.dxf.end[0], e.dxf.end[1])]
    if t == "ARC":
        a0, a1 = e.dxf.start_angle, e.dxf.end_angle
        if a1 < a0:
            a1 += 360
        n = max(2, int((a1 - a0) / step_deg) + 1)
        c, r = e.dxf.center, e.dxf.radius
        return [(c[0] + r * math.cos(math.radians(a0 + (a1 - a0) * k / (n - 1))),
                 c[1] + r * math.sin(math.radians(a0 + (a1 - a0) * k / (n - 1))))
                for k in range(n)]
    if t == "POLYLINE":
        return [(v.dxf.location[0], v.dxf.location[1]) for v in e.vertices]
    return []


def chain(pieces, tol=1e-6):
    """Joins open point lists end to end into one path from the leftmost end."""
    pieces = [p for p in pieces if len(p) >= 2]
    start = min(pieces, key=lambda p: min(p[0][0], p[-1][0]))
    pieces.remove(start)
    path = start if start[0][0] <= start[-1][0] else start[::-1]
    while pieces:
        end = path[-1]
        for p in pieces:
            if math.dist(p[0], end) < tol:
                path += p[1:]
                break
            if math.dist(p[-1], end) < tol:
                path += p[::-1][1:]
                break
        else:
            return path, len(pieces)
        pieces.remove(p)
    return path, 0


def tool_polygon(doc, g):
    pieces = [entity_points(e) for e in doc.blocks.get("WERKZS2")]
    path, left = chain(pieces)
    check(left == 0, "tool outline is one connected line (%d pieces left over)" % left)
    top = max(p[1] for p in path) + 5 * float(g.mn)
    x0, x1 = path[0][0] - 3 * float(g.mn), path[-1][0] + 3 * float(g.mn)
    ring = path + [(x1, path[-1][1]), (x1, top), (x0, top), (x0, path[0][1])]
    return Polygon(ring)


def check_union(doc, g, n, shapes):
    tool = tool_polygon(doc, g)
    cuts = []
    for e in inserts(doc):
        p = affinity.rotate(tool, e.dxf.rotation, origin=(0, 0))
        cuts.append(affinity.translate(p, e.dxf.insert[0], e.dxf.insert[1]))
    ra = float(abs(g.dax)) / 2
    disk = Polygon([(ra * math.cos(2 * math.pi * k / 40000), ra * math.sin(2 * math.pi * k / 40000))
                    for k in range(40000)])
    gear = disk.difference(unary_union(cuts))
    edge = gear.boundary
    v = contour(doc, g, n)
    off = 0 if g.db >= g.dFf_tool else 2
    right = v[off:off + n]
    left = v[off + n:off + 2 * n]
    dphi = roll_range(g.z) / shapes
    rb = float(g.db) / 2
    worst = 0.0
    used = 0
    tpz = math.pi / g.z
    for pts, turn in ((right, tpz), (left, -tpz)):
        for (x, y, _) in pts:
            R = math.hypot(x, y)
            if R < float(g.rFf) * (1 + 1e-9) or R > ra * (1 + 1e-12):
                continue
            # The tooth beside the generated gap on the y axis.
            xr = x * math.cos(turn) - y * math.sin(turn)
            yr = x * math.sin(turn) + y * math.cos(turn)
            scallop = math.sqrt(max(R * R - rb * rb, 0)) * dphi * dphi / 8
            dist = edge.distance(Point(xr, yr))
            worst = max(worst, dist / (0.001 * float(g.mn) + scallop))
            used += 1
    check(used >= n, "%d flank vertices between dFf and da compared" % used)
    check(worst <= 1, "generated flank matches the contour within 0.001 mn + scallop "
          "(worst %.3g of the allowance)" % worst)


def reference_fillets(g):
    """Envelopes of the four tool-tip radii next to the tooth, each on the branch that cuts.

    In the transverse section the tip radius is an ellipse (rho / cos beta along the pitch
    line). A point of it, fixed on the rack, is P(phi, t) in the gear frame while the rack rolls;
    the envelope is where the partial derivatives along phi and t are parallel, found here with
    numerical derivatives and a sign change search over the ellipse's half towards the gear."""
    mn, al, rho = float(g.mn), float(g.alpha), float(g.rho)
    r = float(g.r)
    cb = math.cos(float(g.beta))
    u = float(g.haP0 - g.x * g.mn - g.rho)
    A, B = rho / cb, rho
    xc = math.pi * mn / 4 - (float(g.haP0) - rho) * math.tan(al) - rho / math.cos(al)
    a0 = math.pi * mn / 2
    curves = []
    for tooth in (a0, -a0):
        for a_n in (tooth - xc, tooth + xc):
            a = a_n / cb

            def P(phi, t, a=a):
                w0 = r * phi + a + A * math.cos(t)
                w1 = r - u + B * math.sin(t)
                c, s_ = math.cos(phi), math.sin(phi)
                return (w0 * c - w1 * s_, w0 * s_ + w1 * c)

            def det(phi, t, h=1e-6):
                p1, p2 = P(phi + h, t), P(phi - h, t)
                q1, q2 = P(phi, t + h), P(phi, t - h)
                d1 = (p1[0] - p2[0], p1[1] - p2[1])
                d2 = (q1[0] - q2[0], q1[1] - q2[1])
                return d1[0] * d2[1] - d1[1] * d2[0]

            bottom = a / r
            side = 1 if a_n > tooth else -1
            pts = []
            span = 3 * 2 * math.pi / abs(g.z)
            for k in range(4001):
                phi = -span + 2 * span * k / 4000
                ts = [math.pi * (1 + j / 96) for j in range(1, 96)]
                vals = [det(phi, t) for t in ts]
                roots = []
                for j in range(len(ts) - 1):
                    if vals[j] == 0 or vals[j] * vals[j + 1] < 0:
                        lo, hi, flo = ts[j], ts[j + 1], vals[j]
                        for _ in range(60):
                            mid = (lo + hi) / 2
                            fm = det(phi, mid)
                            if (fm < 0) == (flo < 0):
                                lo, flo = mid, fm
                            else:
                                hi = mid
                        roots.append((lo + hi) / 2)
                for t in roots:
                    px, py = P(phi, t)
                    ang = math.atan2(px, py)
                    if (ang - bottom) * side >= -1e-12 and math.hypot(px, py) < r + mn:
                        pts.append((px, py))
            # The lowest point, where the centre crosses the radial line, closes the branch.
            low_r = r - u - B
            low = (low_r * math.sin(bottom), low_r * math.cos(bottom))
            pts.sort(key=lambda q: math.hypot(*q))
            pts.insert(0, low)
            curves.append(LineString(pts) if len(pts) >= 2 else Point(pts[0]))
    return curves


def check_fillet(doc, g, block, root_only):
    polys = [p for p in polylines(doc, block) if len(p) < 40 or block != "EVOLV2"]
    if block == "EVOLV2":
        polys = [p for p in polylines(doc, block)][1:]
    check(len(polys) == 2, "%s holds two fillet polylines (%d)" % (block, len(polys)))
    curves = reference_fillets(g)
    worst = 0.0
    count = 0
    for k, p in enumerate(polys):
        for j, (x, y, _) in enumerate(p):
            # With the centre on the rolling line only the root points lie on the tip circle's
            # own envelope; the rest of that fillet is drawn through the cusp.
            r_root = float(g.r - (g.haP0 - g.x * g.mn - g.rho) - g.rho)
            if root_only and abs(math.hypot(x, y) - r_root) > 1e-6:
                continue
            dist = min(c.distance(Point(x, y)) for c in curves)
            worst = max(worst, dist)
            count += 1
    check(count >= (3 if root_only else 4), "%d fillet vertices compared" % count)
    check(worst < 1e-4, "fillet vertices on the reference trochoid (worst %.3g mm)" % worst)


def check_tool(doc, g, prot=None, chamfer=None):
    ents = list(doc.blocks.get("WERKZS2"))
    mn = float(g.mn)
    al = float(g.alpha)
    lines = [e for e in ents if e.dxftype() == "LINE"]
    datum = [e for e in lines if abs(e.dxf.start[1] - e.dxf.end[1]) < 1e-12
             and abs(abs(e.dxf.end[0] - e.dxf.start[0]) - 2 * mn) < 1e-9]
    check(len(datum) == 1, "one datum line of length 2 mn")
    if not datum:
        return
    yd = datum[0].dxf.start[1]
    oblique = [e for e in lines if abs(e.dxf.start[0] - e.dxf.end[0]) > 1e-9
               and abs(e.dxf.start[1] - e.dxf.end[1]) > 1e-9]

    def from_normal(e):
        return math.atan(abs(e.dxf.end[0] - e.dxf.start[0]) / abs(e.dxf.end[1] - e.dxf.start[1]))

    flanks = [e for e in oblique if abs(from_normal(e) - al) < 1e-3]
    check(len(flanks) == 2, "two flank lines (%d)" % len(flanks))
    if prot is not None:
        check_protuberance(g, [e for e in oblique if abs(from_normal(e) - prot) < 1e-3], ents,
                           lines, prot)
    if chamfer is not None:
        cham = [e for e in oblique if abs(from_normal(e) - chamfer) < 1e-9]
        check(len(cham) == 2, "two chamfer lines at the chamfer angle (%d)" % len(cham))
    worst = 0.0
    at_datum = []
    for e in flanks:
        (x1, y1), (x2, y2) = (e.dxf.start[0], e.dxf.start[1]), (e.dxf.end[0], e.dxf.end[1])
        ang = math.atan(abs(x2 - x1) / abs(y2 - y1))  # from the normal of the datum line
        worst = max(worst, abs(ang - al))
        at_datum.append(x1 + (yd - y1) * (x2 - x1) / (y2 - y1))
    check(worst < 1e-6, "flanks at alpha to the datum normal (worst %.3g rad)" % worst)
    width = max(at_datum) - min(at_datum) if at_datum else 0
    check(abs(width - math.pi * mn / 2) < 1e-6,
          "tooth width on the datum line %.9f = pi mn / 2 %.9f" % (width, math.pi * mn / 2))
    rho = float(g.rho)
    tips = [e for e in ents if e.dxftype() == "ARC" and abs(e.dxf.radius - rho) < 1e-9]
    check(len(tips) == 2, "two tip radius arcs")
    tipline = min((e for e in lines if abs(e.dxf.start[1] - e.dxf.end[1]) < 1e-12),
                  key=lambda e: e.dxf.start[1])
    yt = tipline.dxf.start[1]
    worst_t = 0.0
    for a in tips:
        cx, cy = a.dxf.center[0], a.dxf.center[1]
        worst_t = max(worst_t, abs(cy - rho - yt))
        f = min(flanks if prot is None else
                [e for e in oblique if abs(from_normal(e) - prot) < 1e-3],
                key=lambda e: abs(e.dxf.start[0] - cx))
        (x1, y1), (x2, y2) = (f.dxf.start[0], f.dxf.start[1]), (f.dxf.end[0], f.dxf.end[1])
        dist = abs((x2 - x1) * (y1 - cy) - (x1 - cx) * (y2 - y1)) / math.hypot(x2 - x1, y2 - y1)
        worst_t = max(worst_t, abs(dist - rho))
        for ang in (a.dxf.start_angle, a.dxf.end_angle):  # arc ends on the tip line or flank
            px = cx + rho * math.cos(math.radians(ang))
            py = cy + rho * math.sin(math.radians(ang))
            on_tip = abs(py - yt) < 1e-6
            on_flank = abs((x2 - x1) * (y1 - py) - (x1 - px) * (y2 - y1)) / math.hypot(
                x2 - x1, y2 - y1) < 1e-6
            worst_t = max(worst_t, 0 if on_tip or on_flank else 1)
    check(worst_t < 1e-6, "tip radius tangent to the tip line and the flank (%.3g)" % worst_t)


def check_protuberance(g, prots, ents, lines, prot):
    """Protuberance flanks at their angle, each tangent to its tip radius and meeting the main
    flank; the tip radius centre where the protuberance prP0 puts it."""
    check(len(prots) == 2, "two protuberance lines (%d)" % len(prots))
    rho = float(g.rho)
    tips = [e for e in ents if e.dxftype() == "ARC" and abs(e.dxf.radius - rho) < 1e-9]
    worst = 0.0
    for p in prots:
        (x1, y1), (x2, y2) = (p.dxf.start[0], p.dxf.start[1]), (p.dxf.end[0], p.dxf.end[1])
        a = min(tips, key=lambda e: abs(e.dxf.center[0] - x1))
        cx, cy = a.dxf.center[0], a.dxf.center[1]
        dist = abs((x2 - x1) * (y1 - cy) - (x1 - cx) * (y2 - y1)) / math.hypot(x2 - x1, y2 - y1)
        worst = max(worst, abs(dist - rho), abs(from_normal_line(p) - prot))
    check(worst < 1e-6, "protuberance lines at their angle and tangent to the tip radius (%.3g)"
          % worst)
    # Tip-radius centre: pi mn / 4 + prP0 / cos(alpha) - (haP0 - rho) tan(alpha) - rho / cos(alpha)
    mn, al = float(g.mn), float(g.alpha)
    xc = (math.pi * mn / 4 + float(g.pr) / math.cos(al) - (float(g.haP0) - rho) * math.tan(al)
          - rho / math.cos(al))
    got = max(abs(e.dxf.center[0]) for e in tips)
    check(abs(got - xc) < 1e-6, "tip radius centre at x = %.9f (%.9f)" % (got, xc))


def from_normal_line(e):
    return math.atan(abs(e.dxf.end[0] - e.dxf.start[0]) / abs(e.dxf.end[1] - e.dxf.start[1]))


def main():
    path = sys.argv[1]
    a = dict(s.split("=", 1) for s in sys.argv[2:])
    text = open(path, "rb").read().decode("latin-1").lower()
    doc = ezdxf.readfile(path)
    auditor = doc.audit()
    check(len(auditor.errors) == 0, "ezdxf audit: %d errors" % len(auditor.errors))
    g = Gear(a)
    n = int(a.get("N", "20"))
    shapes = int(a.get("shapes", "30"))
    checks = a.get("checks", "").split(",")
    if "finite" in checks:
        check("nan" not in text and "inf" not in text.replace("info", ""),
              "no NaN or infinite number in the file")
    if "evolv" in checks:
        check_evolv(doc, g, n)
    if "zahn" in checks:
        check_zahn(doc, g, shapes)
    if "union" in checks:
        check_union(doc, g, n, shapes)
    if "fillet" in checks:
        check_fillet(doc, g, a.get("fillet_block", "EVOLV2"), a.get("root_only", "0") == "1")
    if "tool" in checks:
        prot = math.radians(float(a["alprP0"])) if "alprP0" in a else None
        cham = math.radians(float(a["alkP0"])) if "alkP0" in a else None
        check_tool(doc, g, prot, cham)
    return 1 if FAILS else 0


if __name__ == "__main__":
    sys.exit(main())
