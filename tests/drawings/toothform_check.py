#!/usr/bin/python3
"""Checks the tooth-form blocks of a DXF file against references computed here from the gear's
inputs (textbook involute and rolling formulas, evaluated with mpmath; envelopes with shapely).

    toothform_check.py FILE key=value ...

    toothform_check.py --batch LISTFILE      (one "FILE key=value ..." line per drawing)

Inputs: z mn alpha beta (degrees) x haP0mn hfP0mn rhoaP0mn rhofP0mn prP0mn alprP0 alkP0 hFfP0mn
N (points per flank) shapes (roll positions per side) dFf (the calculation's root form
diameter), for a premachined gear xfin (finished shift; x is then the premachining shift) and
dFfin (where its finished involute begins), checks (comma list of evolv, zahn, union, fillet,
tool, finite, envelope, chords, loopfree, dff, formcircles, internal) and fillet_block (block
holding the fillet polylines). One line per check, "ok ..." or "FAIL ..."; exit status 1 when
a check failed.
"""
import math
import sys

import numpy as np
import ezdxf
from mpmath import mpf, acos, atan, cos, diff, pi, sin, sqrt, tan
from shapely import affinity
from shapely.geometry import LineString, Point, Polygon
from shapely.ops import unary_union

from checklib import check, inv
import checklib


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
        self.rf_tool = self.dfx / 2
        self.dFf_tool = self.dfx + 2 * self.rho * (1 - sin(self.alpha))
        # Depth of the tool's flank / tip-radius tangent point below the pitch line.
        hp = self.haP0 - self.x * self.mn - self.rho * (1 - sin(self.alpha))
        t = self.r * sin(self.at) - hp / sin(self.at)
        self.rFf = sqrt(self.db ** 2 / 4 + t * t) if t > 0 else abs(self.db) / 2
        # A tool's chamfer flank (through its corner hFfP0 above the datum, at alkP0) cuts the
        # involute of that angle, thickness pi mn/2 + 2 x mn tan ak + 2 hFfP0 (tan ak - tan a).
        alk = a.get("alkP0")
        self.ak = mpf(alk) * pi / 180 if alk and abs(mpf(alk) - mpf(a["alpha"])) >= 0.001 else None
        if self.ak is not None:
            hFf = mpf(a.get("hFfP0mn", a.get("hfP0mn", "1"))) * self.mn
            self.akt = atan(tan(self.ak) / cb)
            self.snk = self.mn * (pi / 2 + 2 * self.x * tan(self.ak)) + 2 * hFf * (
                tan(self.ak) - tan(self.alpha))
            self.dbk = self.d * cos(self.akt)

    def psi(self, R, chamfer=False):
        """Half tooth angle at R from the tooth axis (negative on a ring gear), or the chamfer's."""
        sn, at, db = (self.snk, self.akt, self.dbk) if chamfer else (self.sn, self.at, self.db)
        c = abs(db) / (2 * R)
        ay = acos(c) if c <= 1 else mpf(0)
        return sn / (cos(self.beta) * self.d) + inv(at) - inv(ay)

    def psi_cut(self, R):
        """The half angle the tooth keeps: the thinner of flank and chamfer."""
        return min(self.psi(R), self.psi(R, True), key=abs) if self.ak is not None else self.psi(R)

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
    check(len(main) >= 1, "EVOLV2 holds the contour polyline")
    return main[0] if main else []


def check_evolv(doc, g, n):
    """Flank vertices above the form circle on the involute of the tooth thickness, the tip arc
    about the centre on the tip circle, the contour symmetric; an internal gear's root."""
    v = contour(doc, g, n)
    if not v:
        return
    internal = g.z < 0
    mir = max(abs(a[0] + b[0]) + abs(a[1] - b[1]) for a, b in zip(v, reversed(v)))
    check(mir < 1e-9, "left flank mirrors the right flank (%.3g)" % mir)
    tips = [j for j in range(len(v) - 1) if v[j][0] > 1e-9 and abs(v[j][0] + v[j + 1][0]) < 1e-9
            and abs(v[j][1] - v[j + 1][1]) < 1e-9]
    check(len(tips) == 1, "one tip arc across the axis")
    if len(tips) != 1:
        return
    k = tips[0]
    (cx, cy), rr = arc_centre(v[k][:2], v[k + 1][:2], v[k][2])
    check(math.hypot(cx, cy) < 1e-6 and abs(rr - float(abs(g.dax)) / 2) < 1e-6,
          "tip arc centred at the origin (%.3g, %.3g), radius %.9f = dax/2 %.9f"
          % (cx, cy, rr, float(abs(g.dax)) / 2))
    if internal:
        flank = v[2:k + 1] if check_internal_root(v, g) else []
    else:
        flank = [p for p in v[:k + 1] if math.hypot(p[0], p[1]) > float(g.rFf) * (1 + 1e-9)]
    check(len(flank) >= n - 1, "%d flank vertices (N = %d)" % (len(flank), n))
    worst = 0.0
    worst_st = 0.0
    for (x, y, _) in flank:
        R = mpf(math.hypot(x, y))
        psi_v = atan(mpf(x) / mpf(y))
        worst = max(worst, float(abs(psi_v - g.psi_cut(R))))
        if g.psi_cut(R) != g.psi(R):  # on the chamfer's involute
            continue
        c = abs(g.db) / (2 * R)
        st = (psi_v + inv(acos(min(c, mpf(1)))) - inv(g.at)) * g.d
        worst_st = max(worst_st, float(abs(st * cos(g.beta) - g.sn)))
    check(worst < 1e-6, "flank vertices on the involute (or chamfer) (worst %.3g rad)" % worst)
    check(worst_st < 1e-6, "tooth thickness st cos(beta) = sn at the reference circle "
          "(worst %.3g mm)" % worst_st)


def check_internal_root(v, g):
    """Root arc about the centre from the gap middle G on the root circle, then the fillet of
    the tool tip radius rho, tangent to the root circle (centre rf - rho from the gear centre)
    and to the involute flank in F."""
    rho = float(g.rho)
    Rf = float(abs(g.dfx)) / 2
    G, T, F = v[0], v[1], v[2]
    ang = float(pi) / abs(g.z)
    gx, gy = Rf * math.sin(ang), -Rf * math.cos(ang)
    (c0x, c0y), r0 = arc_centre(G[:2], T[:2], G[2])
    (cx, cy), rr = arc_centre(T[:2], F[:2], T[2])
    RF = math.hypot(F[0], F[1])

    def flank(R):  # right flank point at radius R (about -y)
        p = g.psi(R)
        return (-R * sin(p), -R * cos(p))

    tx, ty = (float(diff(lambda R: flank(R)[k], RF)) for k in (0, 1))
    normal_dot = ((F[0] - cx) * tx + (F[1] - cy) * ty) / (rho * math.hypot(tx, ty))
    worst = max(math.hypot(G[0] - gx, G[1] - gy), math.hypot(c0x, c0y), abs(r0 - Rf),
                abs(rr - rho), abs(math.hypot(cx, cy) - (Rf - rho)),
                abs(math.hypot(T[0], T[1]) - Rf), abs(normal_dot))
    ok = worst < 1e-7
    check(ok, "root arc on the root circle, fillet of radius rho tangent to it and to the "
          "flank (worst %.3g)" % worst)
    return ok


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


def check_union(doc, g, n, shapes, label=""):
    """Every point of the contour (vertices and arcs) within 0.001 mn, plus the scallop that
    the finite roll steps leave, of the gap the rolled tool positions of ZAHN2 cut out of the
    tip disk."""
    tool = tool_polygon(doc, g)
    cuts = []
    for e in inserts(doc):
        p = affinity.rotate(tool, e.dxf.rotation, origin=(0, 0))
        cuts.append(affinity.translate(p, e.dxf.insert[0], e.dxf.insert[1]))
    ra = float(abs(g.dax)) / 2
    # The tip disk about the gap and the teeth beside it.
    span = 3 * math.pi / g.z
    disk = Polygon([(0, 0)] + [(ra * math.sin(t), ra * math.cos(t))
                               for t in np.linspace(-span, span, 4000)])
    gear = disk.difference(unary_union(cuts))
    edge = gear.boundary
    v = contour(doc, g, n)
    dphi = roll_range(g.z) / shapes
    reach = math.hypot(float(g.r - g.rf_tool), 0) + float(g.mn)
    worst = 0.0
    tpz = math.pi / g.z
    pts = polyline_points(v)
    for (x, y) in pts:
        R = math.hypot(x, y)
        # The tooth beside the generated gap on the y axis.
        xr = x * math.cos(tpz) - y * math.sin(tpz)
        yr = x * math.sin(tpz) + y * math.cos(tpz)
        L = max(math.sqrt(max(R * R - float(g.db) ** 2 / 4, 0)), reach)
        scallop = L * dphi * dphi / 8
        worst = max(worst, edge.distance(Point(xr, yr)) / (0.001 * float(g.mn) + scallop))
    check(len(pts) >= 2 * n, "%s: %d contour points compared with the rolled tool" % (label,
                                                                                    len(pts)))
    check(worst <= 1, "%s: contour within 0.001 mn + scallop of the rolled tool positions "
          "(worst %.3g of the allowance)" % (label, worst))
    print("measure union %s %.3e" % (label, worst))


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


class RolledRack:
    """The basic rack of the cutting tool rolled over the pitch circle, built here from the
    textbook definitions of its profile (normal section, datum line v = 0, the tool tooth
    pointing to -v, towards the gear): straight flank at alpha through (pi mn / 4, 0); tip
    radius tangent to the tip line v = -haP0 and to the flank, or, on a protuberance tool,
    standing out of the flank by prP0 and tangent to the protuberance flank at alprP0; above
    hFfP0 the chamfer flank at alkP0; root radius tangent to that flank and the root line
    v = hfP0; root line to the middle of the space. In the transverse section of a helical gear
    every length along the pitch line is 1 / cos(beta) longer.

    The gap cut at radius R reaches, on its right side, the largest polar angle that any point
    of the tool's right half has where it crosses the circle R: a point at (u, v), with the
    datum line x mn outside the pitch line, crosses it when the rack has rolled so that it lies
    +-sqrt(R^2 - (r + v)^2) from the pitch point along the pitch line."""

    def __init__(self, a):
        f = lambda k, d: float(a.get(k, d))
        self.z = int(a["z"])
        mn = self.mn = f("mn", 1)
        al = math.radians(f("alpha", 20))
        self.cb = math.cos(math.radians(f("beta", 0)))
        x = f("x", 0)
        haP0, hfP0 = f("haP0mn", 1.25) * mn, f("hfP0mn", 1) * mn
        rho, rhof = f("rhoaP0mn", 0.25) * mn, f("rhofP0mn", 0) * mn
        pr, apr = f("prP0mn", 0) * mn, math.radians(f("alprP0", 0))
        alk = f("alkP0", 0)
        ak = math.radians(alk) if alk and abs(alk - f("alpha", 20)) >= 0.001 else None
        hFf = f("hFfP0mn", f("hfP0mn", 1)) * mn
        self.r = self.z * mn / self.cb / 2
        self.rf = self.r + x * mn - haP0
        self.ra = self.r + x * mn + hfP0
        ta = math.tan(al)
        step = mn / 1000
        pts = []

        def seg(p, q):
            n = max(2, int(math.dist(p, q) / step) + 1)
            pts.extend((p[0] + (q[0] - p[0]) * k / (n - 1), p[1] + (q[1] - p[1]) * k / (n - 1))
                       for k in range(n))

        def arc(c, rr, t0, t1):
            n = max(2, int(rr * abs(t1 - t0) / step) + 1)
            pts.extend((c[0] + rr * math.cos(t0 + (t1 - t0) * k / (n - 1)),
                        c[1] + rr * math.sin(t0 + (t1 - t0) * k / (n - 1))) for k in range(n))

        flank = lambda v: math.pi * mn / 4 + v * ta
        vc = -haP0 + rho
        uc = flank(vc) - (rho - pr) / math.cos(al)
        seg((0, -haP0), (uc, -haP0))
        if pr:
            arc((uc, vc), rho, -math.pi / 2, -apr)
            P = (uc + rho * math.cos(apr), vc - rho * math.sin(apr))
            vq = (P[0] - P[1] * math.tan(apr) - math.pi * mn / 4) / (ta - math.tan(apr))
            Q = (flank(vq), vq)
            seg(P, Q)
        else:
            arc((uc, vc), rho, -math.pi / 2, -al)
            Q = (uc + rho * math.cos(al), vc - rho * math.sin(al))
        # The flank above Q: main flank, then the chamfer flank; its line u = u0 + v tan(g).
        if ak is not None:
            K = (flank(hFf), hFf)
            g, u0 = ak, K[0] - hFf * math.tan(ak)
        else:
            K, g, u0 = Q, al, math.pi * mn / 4
        if rhof > 0:
            vc2 = hfP0 - rhof
            uc2 = u0 + vc2 * math.tan(g) + rhof / math.cos(g)
            E = (uc2 - rhof * math.cos(g), vc2 + rhof * math.sin(g))
            seg(Q, K)
            seg(K, E)
            arc((uc2, vc2), rhof, math.pi - g, math.pi / 2)
            seg((uc2, hfP0), (math.pi * mn / 2, hfP0))
        else:
            foot = (u0 + hfP0 * math.tan(g), hfP0)
            seg(Q, K)
            seg(K, foot)
            seg(foot, (math.pi * mn / 2, hfP0))
        p = np.array(pts)
        self.u = p[:, 0] / self.cb
        self.h = self.r + p[:, 1] + x * mn  # distance from the gear centre at no roll
        # Premachined (xfin): the involute of the finished shift xfin from its diameter dFfin up
        # is cut as well; between the two the flank steps along the circle dFfin.
        self.rfin = f("dFfin", 0) / 2 if "xfin" in a else math.inf
        at = math.atan(ta / self.cb)
        self.fin = (mn * (math.pi / 2 + 2 * f("xfin", 0) * ta) / (2 * self.r * self.cb)
                    + math.tan(at) - at, self.r * math.cos(at))

    def finished(self, R):
        c = np.clip(self.fin[1] / np.maximum(R, 1e-300), -1, 1)
        a = np.where(R >= self.rfin, math.pi / self.z - self.fin[0] + np.tan(np.arccos(c))
                     - np.arccos(c), -np.inf)
        return a

    def angles(self, R, u, h):
        """Largest polar angle at which the tool points (u, h) cross the circles R."""
        q2 = R * R - h * h
        ok = q2 >= 0
        q = np.sqrt(np.where(ok, q2, 0))
        best = np.maximum(np.arctan2(q, h) - (q - u) / self.r,
                          np.arctan2(-q, h) - (-q - u) / self.r)
        return np.where(ok, best, -np.inf)

    def reach(self, R):
        """The envelope: the furthest the tool reaches at each radius R. The densest sample
        is refined along the outline (golden section between its neighbours): near the pitch
        circle the crossing angle has a square-root edge along the outline."""
        R = np.atleast_1d(np.asarray(R, dtype=float))
        out = np.full(len(R), -np.inf)
        m = len(self.u)
        for k in range(0, len(R), 64):
            Rc = R[k:k + 64, None]
            a = self.angles(Rc, self.u[None, :], self.h[None, :])
            j = np.clip(a.argmax(axis=1), 1, m - 2)
            coarse = a.max(axis=1)
            Rk = R[k:k + 64]

            def at(t):
                nb = np.where(t < 0, j - 1, j + 1)
                w = np.abs(t)
                u = self.u[j] + w * (self.u[nb] - self.u[j])
                h = self.h[j] + w * (self.h[nb] - self.h[j])
                return self.angles(Rk, u, h)

            g = (math.sqrt(5) - 1) / 2
            lo, hi = np.full(len(Rk), -1.0), np.full(len(Rk), 1.0)
            x1, x2 = hi - g * (hi - lo), lo + g * (hi - lo)
            f1, f2 = at(x1), at(x2)
            for _ in range(60):
                left = f1 > f2
                hi = np.where(left, x2, hi)
                lo = np.where(left, lo, x1)
                nx1 = np.where(left, hi - g * (hi - lo), x2)
                nx2 = np.where(left, x1, lo + g * (hi - lo))
                nf1 = np.where(left, at(nx1), f2)
                nf2 = np.where(left, f1, at(nx2))
                x1, x2, f1, f2 = nx1, nx2, nf1, nf2
            out[k:k + 64] = np.maximum(coarse, np.maximum(f1, f2))
        return np.maximum(out, self.finished(R))

    def distance(self, xy):
        """Distances of right-side points (tooth on +y) from the generated boundary: the
        envelope at their radius (to first order in its slope), or the root circle across the
        gap, or the tip circle across the tooth."""
        xy = np.asarray(xy, dtype=float)
        R = np.hypot(xy[:, 0], xy[:, 1])
        # (a point beyond the middle of the gap belongs to the next tooth's mirrored flank)
        a = np.abs(math.pi / self.z - np.arctan2(np.abs(xy[:, 0]), xy[:, 1]))
        h = 1e-6 * self.mn
        Rin = np.clip(R, self.rf + 2 * h, self.ra - 2 * h)
        A0, Ap, Am = self.reach(R), self.reach(Rin + h), self.reach(Rin - h)
        slope = (Ap - Am) / (2 * h)
        with np.errstate(invalid="ignore"):
            d = np.where(np.isfinite(A0), R * np.abs(a - A0) / np.sqrt(1 + (R * slope) ** 2),
                         np.inf)
        # (the tool root line itself touches the tip circle: just below it is the flank)
        # Fillet and tip rounding leave these circles tangentially: a point on the circle 1e-4 rad
        # short of that lies closer than 1e-5 mn to the curve.
        aRoot = self.reach([self.rf * (1 + 1e-10)])[0]
        aTip = self.reach([self.ra * (1 - 1e-10)])[0]
        d = np.where((a >= -1e-9) & (a <= aRoot + 1e-4), np.minimum(d, np.abs(R - self.rf)), d)
        d = np.where(a >= aTip - 1e-4, np.minimum(d, np.abs(R - self.ra)), d)
        if self.rfin < self.ra:
            rough = self.reach([self.rfin * (1 - 1e-12)])[0]
            step = (a >= rough - 1e-9) & (a <= self.finished(np.array([self.rfin]))[0] + 1e-9)
            d = np.where(step, np.minimum(d, np.abs(R - self.rfin)), d)
        return d


def polyline_points(p, arc_step=0.02, mirror=True):
    """Vertices of a polyline (x, y, bulge) and points along its arcs, right side mirrored."""
    pts = []
    for k, (x, y, b) in enumerate(p):
        pts.append((x, y))
        if b and k + 1 < len(p):
            (cx, cy), rr = arc_centre((x, y), p[k + 1][:2], b)
            a0 = math.atan2(y - cy, x - cx)
            th = 4 * math.atan(b)
            n = max(2, int(abs(th) / arc_step))
            pts.extend((cx + rr * math.cos(a0 + th * j / n), cy + rr * math.sin(a0 + th * j / n))
                       for j in range(1, n))
    return [(abs(x), y) if mirror else (x, y) for x, y in pts]


def check_loopfree(doc, label):
    """The contour runs along the tooth: one line that nowhere meets itself."""
    v = max(polylines(doc, "EVOLV2"), key=len)
    check(LineString(polyline_points(v, 0.01, False)).is_simple,
          "%s: the contour of %d vertices does not cross itself" % (label, len(v)))


def check_envelope(doc, g, a, label):
    rack = RolledRack(a)
    mn = rack.mn
    polys = polylines(doc, "EVOLV2")
    check(len(polys) >= 1, "%s: EVOLV2 holds the contour" % label)
    fillets = polylines(doc, "TROCH2") if "TROCH2" in doc.blocks else []
    pts = [q for p in polys + fillets for q in polyline_points(p)]
    d = rack.distance(pts)
    worst = float(d.max()) / mn
    check(worst <= 1e-3, "%s: %d contour points on the rolled-rack envelope, worst %.3g mn"
          % (label, len(pts), worst))
    print("measure envelope %s %.3e" % (label, worst))


def involute_distance(chords, g):
    """Points along a ring gear's straight segments from the involute through the segment's own
    end points: rb |polar angle + inv(alpha at R) - its value at the ends| to first order (the
    chamfer's involute where both ends lie on it)."""
    on_chamfer = lambda p: g.ak is not None and abs(abs(atan(mpf(p[0]) / mpf(p[1]))) - abs(
        g.psi(mpf(math.hypot(*p)), True))) < 1e-9
    out = []
    for p0, p1, pts in chords:
        rb = float(abs(g.dbk if on_chamfer(p0) and on_chamfer(p1) else g.db)) / 2
        a = lambda x, y: math.acos(min(rb / math.hypot(x, y), 1))
        f = lambda x, y: math.atan(x / y) + math.tan(a(x, y)) - a(x, y)
        out += [rb * abs(f(*q) - (f(*p0) + f(*p1)) / 2) for q in pts]
    return np.array(out)


def check_chords(doc, g, a, label):
    """Every straight segment of the contour (right half) stays within 0.0005 mn of the
    generated curve: points along each chord against the rolled-rack envelope (a ring gear's
    against its involute)."""
    polys = polylines(doc, "EVOLV2")
    v = max(polys, key=len) if polys else []
    chords = []
    for (x0, y0, b), (x1, y1, _) in zip(v, v[1:]):
        if b or (x0 <= 0 and x1 <= 0):  # arcs are exact; the left half mirrors the right
            continue
        chords.append(((x0, y0), (x1, y1),
                       [(x0 + (x1 - x0) * j / 16, y0 + (y1 - y0) * j / 16) for j in range(1, 16)]))
    pts = [q for c in chords for q in c[2]]
    d = involute_distance(chords, g) if g.z < 0 else RolledRack(a).distance(pts)
    worst = float(d.max() / g.mn) if pts else float("inf")
    check(worst <= 5e-4, "%s: %d points on the contour's chords within 0.0005 mn of the "
          "envelope, worst %.3g mn" % (label, len(pts), worst))
    print("measure chords %s %.3e" % (label, worst))


def check_dff(doc, a, label):
    arcs = [e for e in doc.blocks.get("DTEIL") if e.dxftype() == "ARC" and e.dxf.layer == "20"]
    want = abs(float(a["dFf"])) / 2
    got = arcs[0].dxf.radius if arcs else float("nan")
    check(len(arcs) == 1 and abs(got - want) <= 1e-6,
          "%s: dFf arc radius %.9f = dFf / 2 of the calculation %.9f" % (label, got, want))


def check_formcircles(doc, a, label):
    """The dFf and dFa arcs (of DTEIL, else of the view) lie where the contour's involute of the drawn thickness
    (xfin, else x) begins and ends: its lowest and highest vertex on that involute (within ontol
    rad, 1e-9 unless the file has fewer decimals)."""
    tol = float(a.get("ontol", "1e-9"))
    g = Gear(dict(a, x=a.get("xfin", a.get("x", "0"))))
    v = max(polylines(doc, "EVOLV2"), key=len)
    on = [mpf(math.hypot(x, y)) for x, y, _ in v if x >= 0 and abs(
        abs(atan(mpf(x) / mpf(y))) - abs(g.psi(mpf(math.hypot(x, y))))) < tol] or [mpf("nan")]
    where = doc.blocks.get("DTEIL") if "DTEIL" in doc.blocks else doc.modelspace()
    arcs = {L: [e.dxf.radius for e in where if e.dxftype() == "ARC" and e.dxf.layer == L]
            for L in ("20", "29")}
    # (a ring gear's involute begins at the larger radius)
    root, tip = (max(on), min(on)) if g.z < 0 else (min(on), max(on))
    check(len(on) >= 2 and len(arcs["20"]) == 1 and abs(arcs["20"][0] - float(root)) < 1e-6,
          "%s: dFf arc %s where the involute begins (%.9f)" % (label, arcs["20"], root))
    if arcs["29"]:
        check(abs(arcs["29"][0] - float(tip)) < 1e-6, "%s: dFa arc %s where the involute "
              "ends (%.9f)" % (label, arcs["29"], tip))


def block_points(doc, name):
    pts = []
    for e in doc.blocks.get(name):
        if e.dxftype() == "POLYLINE":
            p = [(v.dxf.location[0], v.dxf.location[1], v.dxf.bulge) for v in e.vertices]
            pts += [(x, y) for x, y in polyline_points(p, 0.002)]
        else:
            pts += entity_points(e, 0.05)
    return pts


def check_internal(doc, g, a, label):
    """No point of the ring gear's contour or tool beyond the root circle (the root arc on it),
    and the tool at its central position clear of the teeth beside the gap."""
    rf = float(abs(g.dfx)) / 2
    worst = 0.0
    for name in ("EVOLV2", "ZAHN2"):
        for x, y in block_points(doc, name):
            worst = max(worst, math.hypot(x, y) - rf)
    check(worst <= 1e-9 * rf, "%s: nothing beyond the root circle (worst %.3g mm)" % (label, worst))
    # The teeth beside the gap: the contour closed across the tip circle, turned by +-pi/z.
    tooth = [(x, y) for x, y in block_points(doc, "EVOLV2")]
    tooth_poly = Polygon(tooth).buffer(0)
    tool = Polygon(block_points(doc, "ZAHN2")).buffer(0)
    overlap = 0.0
    for sgn in (1, -1):
        t = affinity.rotate(tooth_poly, sgn * 180.0 / abs(g.z), origin=(0, 0))
        overlap = max(overlap, t.intersection(tool).area)
    check(tool.area > 0 and overlap <= 1e-9 * float(g.mn) ** 2,
          "%s: the tool (area %.4g) overlaps no tooth (%.3g mm2)" % (label, tool.area, overlap))


def check_simple(doc, want, label):
    """The tool outline of WERKZS2 as one path that does not cross itself."""
    path, left = chain([entity_points(e) for e in doc.blocks.get("WERKZS2")])
    simple = left == 0 and LineString(path).is_simple
    check(simple == want, "%s: tool outline %s" % (label, "simple" if simple else "crosses itself"))


def run(path, a):
    text = open(path, "rb").read().decode("latin-1").lower()
    doc = ezdxf.readfile(path)
    auditor = doc.audit()
    check(len(auditor.errors) == 0, "ezdxf audit: %d errors" % len(auditor.errors))
    g = Gear(a)
    n = int(a.get("N", "20"))
    shapes = int(a.get("shapes", "30"))
    checks = a.get("checks", "").split(",")
    label = a.get("label", path)
    if "finite" in checks:
        check("nan" not in text and "inf" not in text.replace("info", ""),
              "no NaN or infinite number in the file")
    if "evolv" in checks:
        check_evolv(doc, g, n)
    if "zahn" in checks:
        check_zahn(doc, g, shapes)
    if "union" in checks:
        check_union(doc, g, n, shapes, label)
    if "fillet" in checks:
        check_fillet(doc, g, a.get("fillet_block", "EVOLV2"), a.get("root_only", "0") == "1")
    if "tool" in checks:
        prot = math.radians(float(a["alprP0"])) if "alprP0" in a else None
        cham = math.radians(float(a["alkP0"])) if "alkP0" in a else None
        check_tool(doc, g, prot, cham)
    if "envelope" in checks:
        check_envelope(doc, g, a, label)
    if "chords" in checks:
        check_chords(doc, g, a, label)
    if "loopfree" in checks:
        check_loopfree(doc, label)
    if "dff" in checks:
        check_dff(doc, a, label)
    if "formcircles" in checks:
        check_formcircles(doc, a, label)
    if "internal" in checks:
        check_internal(doc, g, a, label)
    if "simple" in checks or "crossing" in checks:
        check_simple(doc, "simple" in checks, label)


if __name__ == "__main__":
    sys.exit(checklib.main(run, sys.argv))
