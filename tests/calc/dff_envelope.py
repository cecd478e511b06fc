#!/usr/bin/python3
"""Rack-generation check of the root form diameter dFf printed by gearcalc.

The basic rack of the cutting tool (straight flank, tip radius, for a protuberance tool also the
protuberance flank; in the transverse section of a helical gear every length along the pitch line
is stretched by 1/cos(beta), the tip radius becomes an ellipse) rolls over the pitch circle of
the gear. For a circle of radius R, every point of the tool profile crosses it at two roll
angles; the largest polar angle reached there is the envelope, the flank of the gap cut at R.
Where the envelope is the textbook involute, the involute is cut; the root form diameter is the
lowest R above which that holds. Below it the tool leaves material (the fillet) or, on an
undercut gear and with a protuberance relief, cuts into the involute tooth.

The script finds that R by rolling alone (no line-of-action formula) with mpmath at 34 digits,
checks that the envelope above it is the involute and below it is not, and compares R / 2 with
dFf / 2 from gearcalc within 1e-4 mm (for a protuberance tool also d / 2 - ToolAux).

The same rolling checks the tip form diameter dFa of a tool with a root radius: the rounding
that radius cuts at the tooth tip. The involute ends at the highest R below which the envelope is
the involute (the root radius usually cuts into the involute below the point the end of the
straight flank makes).

usage: dff_envelope.py GEARCALC
"""
import subprocess
import sys

import mpmath as mp

mp.mp.dps = 34

FAILURES = []


def inv(a):
    return mp.tan(a) - a


def gearcalc_values(gearcalc, p, extra=()):
    lines = [f"alpha = {p['alpha']}", f"beta = {p['beta']}", f"mn = {p['mn']}", "b = 20",
             "a = 0", "AaField = 9", "Aae = 0", "Aai = 0"]
    for i in (1, 2):
        lines += [f"z[{i}] = {p['z'][i - 1]}", f"x[{i}] = {p['x'][i - 1]}",
                  f"TipInputMode[{i}] = 2", f"kmn[{i}] = 0",
                  f"BasicRackType[{i}] = {p['rack']}", f"TsnSeries[{i}] = 11",
                  f"Asne[{i}] = 0", f"Asni[{i}] = 0", f"q[{i}] = 0", f"DM[{i}] = 3"]
    lines += list(extra)
    r = subprocess.run([gearcalc], input="\n".join(lines) + "\n", capture_output=True, text=True)
    if r.returncode != 0:
        raise SystemExit(f"gearcalc exit {r.returncode}: {r.stderr}")
    out = {}
    for line in r.stdout.splitlines():
        if ' = ' in line:
            k, v = line.split(' = ', 1)
            out[k] = v
    return out


def internal_fillet(rb, rf, ra, rho):
    """Root form radius |F| of an internal gear as its tooth drawing makes it and the centre of its
    fillet: the circle of the tool tip radius rho inside the root circle rf, tangent to the root
    circle and to the flank on the side of the gap. Found in the plane: the flank point F whose
    normal (by differentiating the involute), rho long towards the gap, ends rf - rho from the
    centre (the flank at the polar angle inv(alpha) from +y, the gap towards +x)."""
    def F(R):  # a ring tooth's flank on +x of its axis: thicker towards the root
        psi = mp.tan(mp.acos(rb / R)) - mp.acos(rb / R)
        return mp.matrix([R * mp.sin(psi), R * mp.cos(psi)])

    def centre(R):
        t = mp.matrix([mp.diff(lambda r: F(r)[0], R), mp.diff(lambda r: F(r)[1], R)])
        n = mp.matrix([t[1], -t[0]]) / mp.norm(t)
        P = F(R)
        if n[0] * P[1] - n[1] * P[0] < 0:  # into the gap: away from the tooth axis
            n = -n
        return P + rho * n

    RF = mp.findroot(lambda R: mp.norm(centre(R)) - (rf - rho),
                     (max(rb * mp.mpf('1.0001'), ra), rf), solver='anderson')
    return RF, centre(RF)


def ring_gap_meet_radius(rb, rf, ra, rho, c):
    """Where the sides of a ring gear's gap (half angle c - inv(alpha)) meet on its middle line
    (polar angle c): the involutes, if before the fillet leaves them, else the fillets, if their
    centres lie past that line; None where the gap stays open down to the root circle."""
    involutes = rb / mp.cos(mp.findroot(lambda t: inv(t) - c, mp.cbrt(3 * c))) if c > 0 else rb
    RF, C = internal_fillet(rb, rf, ra, rho) if rho > 0 else (rf, None)
    if involutes <= RF:
        return involutes
    if C is None or mp.atan2(C[0], C[1]) <= c:
        return None
    along = C[0] * mp.sin(c) + C[1] * mp.cos(c)
    across = C[0] * mp.cos(c) - C[1] * mp.sin(c)
    return along + mp.sqrt(rho ** 2 - across ** 2)  # the outer crossing: the fillet runs out


class Rolling:
    """The tool of one gear rolling over its pitch circle (transverse section). With x_inv the
    flank is finished after it to the involute of that shift (thinner): where the tool's cut
    stays outside that involute, the finished flank is the involute."""

    def __init__(self, alpha, beta, mn, z, x, haP0, rho, x_inv=None):
        self.an = mp.radians(alpha)
        self.cb = mp.cos(mp.radians(beta))
        self.mn = mn
        self.z = z
        self.x = x
        self.x_inv = x if x_inv is None else x_inv
        self.r = z * mn / self.cb / 2
        self.at = mp.atan(mp.tan(self.an) / self.cb)
        self.rb = self.r * mp.cos(self.at)
        # Normal section, depth h below the tool datum line: straight flank
        # u = pi mn / 4 - h tan(an); tip radius centre at depth haP0 - rho.
        self.hc = haP0 - rho
        self.uc = mp.pi * mn / 4 - self.hc * mp.tan(self.an) - rho / mp.cos(self.an)
        self.rho = rho
        self.hT = self.hc + rho * mp.sin(self.an)  # end of the straight flank

    def flank_point(self, h):
        return (mp.pi * self.mn / 4 - h * mp.tan(self.an)) / self.cb, h - self.x * self.mn

    def arc_point(self, w):
        return ((self.uc + self.rho * mp.cos(w)) / self.cb,
                self.hc + self.rho * mp.sin(w) - self.x * self.mn)

    def angle_at(self, u, v, R):
        """Largest polar angle (from the gear's y axis) at which the rack point (u along the
        pitch line, v below it) crosses the circle R while the gear turns by phi and the rack
        moves by r phi."""
        r = self.r
        q = R * R - (r - v) ** 2
        if q < 0:
            return None
        best = None
        for w in (mp.sqrt(q), -mp.sqrt(q)):
            phi = (u - w) / r
            gx = (u - r * phi) * mp.cos(phi) + (r - v) * mp.sin(phi)
            gy = -(u - r * phi) * mp.sin(phi) + (r - v) * mp.cos(phi)
            t = mp.atan2(gx, gy)
            best = t if best is None or t > best else best
        return best

    def golden_max(self, f, a, b):
        k = (mp.sqrt(5) - 1) / 2
        c, d = b - k * (b - a), a + k * (b - a)
        fc, fd = f(c), f(d)
        while b - a > mp.mpf('1e-20'):
            if fc > fd:
                b, d, fd = d, c, fc
                c = b - k * (b - a)
                fc = f(c)
            else:
                a, c, fc = c, d, fd
                d = a + k * (b - a)
                fd = f(d)
        return (a + b) / 2

    def reach_of_parts(self, R, parts):
        """The furthest polar angle at R that the tool parts (point(s) for s from a to b)
        reach: per part a coarse search, then golden section about the best sample."""
        best = -mp.inf
        for point, a, b in parts:
            def f(s):
                v = self.angle_at(*point(s), R)
                return -mp.inf if v is None else v
            # (a root radius starts to cut in over a narrow part of its arc, next to its tangent
            # point, where it may graze the involute: dense samples, closer towards its start,
            # and about the two highest of their peaks)
            ss = sorted({a + (b - a) * k / 160 for k in range(161)} |
                        {a + (b - a) * mp.mpf(10) ** (-k / mp.mpf(8)) for k in range(9, 48)})
            vs = [f(s) for s in ss]
            n = len(ss) - 1
            peaks = sorted((vs[k], k) for k in range(n + 1) if vs[k] > -mp.inf and all(
                vs[k] >= vs[j] for j in (k - 1, k + 1) if 0 <= j <= n))[-2:]
            for v, k in peaks:
                lo, hi = ss[max(k - 1, 0)], ss[min(k + 1, n)]
                best = max(best, v, f(self.golden_max(f, lo, hi)))
        return best

    def envelope(self, R):
        """Polar angle of the gap flank at R: the furthest any tool point reaches."""
        best = -mp.inf
        lo = max(self.r + self.x * self.mn - R, -self.mn) + mp.mpf('1e-30')
        if lo < self.hT:
            # (sampled first: on a pinion of few teeth the reach along the flank has two humps)
            f = lambda h: (lambda v: -mp.inf if v is None else v)(
                self.angle_at(*self.flank_point(h), R))
            hs = [lo + (self.hT - lo) * k / 96 for k in range(97)]
            h0 = max(hs, key=f)
            step = (self.hT - lo) / 96
            best = f(self.golden_max(f, max(lo, h0 - step), min(self.hT, h0 + step)))
        # The tip radius: a fine search, then a local refinement.
        ws = [self.an + (mp.pi / 2 - self.an) * k / 200 for k in range(201)]
        vals = [(self.angle_at(*self.arc_point(w), R), w) for w in ws]
        vals = [v for v in vals if v[0] is not None]
        if vals:
            t, w0 = max(vals)
            lo, hi = max(self.an, w0 - (mp.pi / 2 - self.an) / 200), \
                min(mp.pi / 2, w0 + (mp.pi / 2 - self.an) / 200)
            def fa(w):
                v = self.angle_at(*self.arc_point(w), R)
                return -mp.inf if v is None else v
            if hi > lo:
                t = max(t, fa(self.golden_max(fa, lo, hi)))
            best = max(best, t)
        return best

    def involute_gap_angle(self, R):
        st = self.mn / self.cb * (mp.pi / 2 + 2 * self.x_inv * mp.tan(self.an))
        ay = mp.acos(self.rb / R)
        return mp.pi / self.z - (st / (2 * self.r) + inv(self.at) - inv(ay))

    def root_form_radius(self):
        """The lowest R above which the envelope is the involute. Below it the tool leaves
        material (the fillet), or cuts into the involute tooth (undercut, protuberance relief).
        Where the fillet joins the involute tangentially the two differ only to second order, so
        the comparison runs far below the precision of the numbers compared (34 digits)."""
        rf = self.r - (self.hc + self.rho) + self.x * self.mn
        lo = max(self.rb * (1 + mp.mpf('1e-12')), rf + mp.mpf('1e-9') * self.mn)
        # (between the base circle and the tool's flank top r + x mn + mn: the involute is cut
        # there, whatever the shift; not at r itself, where the flank point searched only grazes R)
        hi = (self.rb + self.r + self.x * self.mn + self.mn) / 2
        if abs(hi - self.r) < self.mn / 20:
            hi = self.r - self.mn / 10
        if self.on_involute(lo):
            return self.rb  # the involute reaches down to the base circle
        if not self.on_involute(hi):
            raise SystemExit("the envelope is not the involute below the pitch circle")
        return self.edge_of_involute(lo, hi, mp.mpf('1e-10'))

    def on_involute(self, R):
        dev = self.envelope(R) - self.involute_gap_angle(R)
        return (dev if self.x_inv != self.x else abs(dev)) <= mp.mpf('1e-26')

    def edge_of_involute(self, off, on, tol):
        """Where the envelope turns into the involute between R off (not on it) and on (on it)."""
        while abs(on - off) > tol:
            mid = (off + on) / 2
            if self.on_involute(mid):
                on = mid
            else:
                off = mid
        return (off + on) / 2


class ProtuberanceRolling(Rolling):
    """A protuberance tool: the tip circle stands out of the main flank by pr (normal
    section); the protuberance flank, at the angle apr, runs from its tangent point P on the
    tip circle up to the corner Q with the main flank. Where P lies above Q (or apr is not below
    the pressure angle) there is no such flank: the main flank ends where it enters the tip
    circle, which stands out of it from there down."""

    def __init__(self, alpha, beta, mn, z, x, haP0, rho, pr, apr):
        super().__init__(alpha, beta, mn, z, x, haP0, rho)
        self.apr = mp.radians(apr)
        self.uc = mp.pi * mn / 4 - self.hc * mp.tan(self.an) + (pr - rho) / mp.cos(self.an)
        self.hP = self.hc + rho * mp.sin(self.apr)
        self.uP = self.uc + rho * mp.cos(self.apr)
        # Q: main flank u = pi mn / 4 - h tan(an) meets u = uP - (h - hP) tan(apr).
        den = mp.tan(self.an) - mp.tan(self.apr)
        self.hT = (mp.pi * mn / 4 - self.uP - self.hP * mp.tan(self.apr)) / den if den > 0 \
            else mp.inf
        self.flankless = not self.hT <= self.hP
        if self.flankless:
            # Where the main flank meets the tip circle (on the circle, u on the flank).
            w = mp.findroot(lambda t: self.uc + rho * mp.cos(t) - (mp.pi * mn / 4 - (
                self.hc + rho * mp.sin(t)) * mp.tan(self.an)), (-mp.pi / 2, self.an),
                solver='anderson')
            self.w1, self.hT = w, self.hc + rho * mp.sin(w)

    def prot_point(self, h):
        return (self.uP - (h - self.hP) * mp.tan(self.apr)) / self.cb, h - self.x * self.mn

    def envelope(self, R):
        if self.flankless:
            return self.reach_of_parts(R, ((self.flank_point, -self.mn, self.hT),
                                           (self.arc_point, self.w1, mp.pi / 2)))
        return self.reach_of_parts(R, ((self.flank_point, -self.mn, self.hT),
                                       (self.prot_point, self.hT, self.hP),
                                       (self.arc_point, self.apr, mp.pi / 2)))


class TipRolling(Rolling):
    """The upper end of the tool's straight flank: the root radius rhof (a concave arc tangent to
    the flank and to the tool root line hf above the datum line) rounds the tooth's tip. With a
    chamfer (hFf above the datum line the flank turns to the angle alk) the arc is tangent to
    the chamfer flank."""

    def __init__(self, alpha, beta, mn, z, x, hfP0, rhof, x_inv=None, chamfer=None):
        super().__init__(alpha, beta, mn, z, x, mn, 0, x_inv)
        self.hf, self.rhof = hfP0, rhof
        self.hcf = rhof - hfP0  # depth of the arc centre (negative: above the datum line)
        self.hFf, self.ak = (hfP0, self.an) if chamfer is None else (chamfer[0],
                                                                     mp.radians(chamfer[1]))
        root = mp.pi * mn / 4 + self.hFf * mp.tan(self.an) + (hfP0 - self.hFf) * mp.tan(self.ak)
        self.ucf = root + rhof * (1 - mp.sin(self.ak)) / mp.cos(self.ak)
        self.hTop = self.hcf - rhof * mp.sin(self.ak)  # upper end of the straight flank(s)

    def root_arc_point(self, w):
        return ((self.ucf - self.rhof * mp.cos(w)) / self.cb,
                self.hcf - self.rhof * mp.sin(w) - self.x * self.mn)

    def chamfer_point(self, h):
        return ((mp.pi * self.mn / 4 + self.hFf * mp.tan(self.an) + (-h - self.hFf) *
                 mp.tan(self.ak)) / self.cb, h - self.x * self.mn)

    def envelope(self, R):
        parts = ((self.root_arc_point, self.ak, mp.pi / 2),)
        if self.hFf < self.hf:
            parts += ((self.chamfer_point, self.hTop, -self.hFf),
                      (self.flank_point, -self.hFf, self.mn))
        else:
            parts += ((self.flank_point, self.hTop, self.mn),)
        return self.reach_of_parts(R, parts)

    def tip_form_radius(self, ra):
        """The highest R up to which the envelope is the involute, at most the tip radius ra."""
        # (at r itself the searched flank point only grazes R; below a low chamfer corner)
        lo = self.r + self.mn / 10
        if self.hFf < self.hf:
            lo = min(lo, self.r + self.x * self.mn + self.hFf / 2)
        hi = min(ra, self.r + self.hf + self.x * self.mn) * (1 - mp.mpf('1e-25'))
        if not self.on_involute(lo):
            raise SystemExit("the envelope is not the involute at the pitch circle")
        if self.on_involute(hi):
            return hi
        return self.edge_of_involute(hi, lo, mp.mpf('1e-13'))


def tip_case(name, gearcalc, p):
    """A tool with the root radius rhofP0mn on gear 2 (no chamfer, no allowances): dFa[2] and
    dFaK[2] against the rolled tip form circle within 1e-9 mm."""
    out = gearcalc_values(gearcalc, dict(p, rack=1), extra=[
        "BasicRackType[2] = 4", "hfP0mn[2] = 1", "haP0mn[2] = 1.25", "rhoaP0mn[2] = 0.25",
        f"rhofP0mn[2] = {p['rhof']}", "prP0mn[2] = 0", "alprP0[2] = 0",
        f"alkP0[2] = {p['alpha']}"])
    mn = mp.mpf(p['mn'])
    roll = TipRolling(mp.mpf(p['alpha']), mp.mpf(p['beta']), mn, mp.mpf(p['z'][1]),
                      mp.mpf(p['x'][1]), mn, mp.mpf(p['rhof']) * mn)
    RA = roll.tip_form_radius(mp.mpf(out['da[2]']) / 2)
    for key in ('dFa[2]', 'dFaK[2]'):
        got = mp.mpf(out[key]) / 2
        if abs(got - RA) > mp.mpf('1e-9'):
            FAILURES.append(f"{name}: {key}/2 = {mp.nstr(got, 15)}, rolled {mp.nstr(RA, 15)}")
    print(f"{name}: dFa = {mp.nstr(2 * RA, 15)} (rolled), {mp.nstr(2 * got, 15)} (gearcalc)")


def case(name, gearcalc, p):
    # rack 4: p['tool'] holds haP0mn, rhoaP0mn, prP0mn, alprP0 of a self-defined tool.
    names, tool = ('haP0mn', 'rhoaP0mn', 'prP0mn', 'alprP0', 'alkP0'), p.get('tool', ())
    out = gearcalc_values(gearcalc, p, [f"{k}[{i}] = {v}" for i in (1, 2)
                                        for k, v in zip(names, tool + (0,)) if tool])
    mn = mp.mpf(p['mn'])
    rack = {1: ('1.25', '0.25', '0.02', 6), 2: ('1.25', '0.375'), 3: ('1.4', '0.4', '0.02', 6),
            4: p.get('tool')}[p['rack']]
    rack = [mp.mpf(v) for v in rack]
    for i in (1, 2):
        if p['rack'] >= 3:  # protuberance pr mn at the angle apr
            roll = ProtuberanceRolling(mp.mpf(p['alpha']), mp.mpf(p['beta']), mn,
                                       mp.mpf(p['z'][i - 1]), mp.mpf(p['x'][i - 1]),
                                       rack[0] * mn, rack[1] * mn, rack[2] * mn, rack[3])
        else:
            roll = Rolling(mp.mpf(p['alpha']), mp.mpf(p['beta']), mn, mp.mpf(p['z'][i - 1]),
                           mp.mpf(p['x'][i - 1]), rack[0] * mn, rack[1] * mn)
        RF = roll.root_form_radius()
        got = mp.mpf(out[f'dFf[{i}]']) / 2
        if abs(got - RF) > mp.mpf('1e-4'):
            FAILURES.append(f"{name} gear {i}: dFf/2 = {mp.nstr(got, 12)}, rolled "
                            f"{mp.nstr(RF, 12)}")
        # The envelope above the form circle is the involute; below it the fillet leaves
        # material (the gap is narrower than the involute would make it).
        ra = mp.mpf(out[f'da[{i}]']) / 2
        for R in (RF + (ra - RF) / 3, RF + 2 * (ra - RF) / 3):
            dev = roll.envelope(R) - roll.involute_gap_angle(R)
            if abs(dev) > mp.mpf('1e-18'):
                FAILURES.append(f"{name} gear {i}: envelope off the involute at R {R}: {dev}")
        # Below it the envelope is no longer the involute.
        R = RF - mp.mpf('0.02') * mn
        if R > roll.rb and abs(roll.envelope(R) - roll.involute_gap_angle(R)) <= mp.mpf('1e-26'):
            FAILURES.append(f"{name} gear {i}: the involute goes on below the root form circle")
        if p['rack'] >= 3:
            # The fillet drawing starts the premachined involute at d - 2 ToolAux.
            start = mp.mpf(out[f'd[{i}]']) / 2 - mp.mpf(out[f'ToolAux[{i}]'])
            if abs(start - RF) > mp.mpf('1e-4'):
                FAILURES.append(f"{name} gear {i}: d/2 - ToolAux = {mp.nstr(start, 12)}, "
                                f"rolled {mp.nstr(RF, 12)}")
        print(f"{name} gear {i}: dFf = {mp.nstr(2 * RF, 12)} (rolled), "
              f"{mp.nstr(2 * got, 12)} (gearcalc)")


def main():
    gearcalc = sys.argv[1]
    case('spur', gearcalc, dict(alpha=20, beta=0, mn=2, z=[20, 40], x=[0, 0], rack=1))
    case('spur shifted', gearcalc, dict(alpha=20, beta=0, mn=3, z=[14, 31], x=[0.4, -0.2],
                                        rack=2))
    case('helical', gearcalc, dict(alpha=20, beta=15, mn=3, z=[17, 43], x=[0.3, -0.1], rack=1))
    case('helical 25', gearcalc, dict(alpha=17.5, beta=25, mn=4, z=[21, 55], x=[0.1, 0.25],
                                      rack=2))
    # Undercut: the fillet cut by the tip radius crosses the involute above the base circle.
    case('undercut spur', gearcalc, dict(alpha=20, beta=0, mn=2, z=[10, 40], x=[0, 0], rack=1))
    case('undercut helical', gearcalc, dict(alpha=20, beta=15, mn=2, z=[12, 40], x=[0, 0],
                                            rack=2))
    # A protuberance tool: its relief cuts into the involute above the end of the main flank.
    case('protuberance', gearcalc, dict(alpha=20, beta=0, mn=4, z=[25, 67], x=[0.25, 0.1],
                                        rack=3))
    case('protuberance helical', gearcalc, dict(alpha=20, beta=12, mn=3, z=[31, 53],
                                                x=[0.2, 0], rack=3))
    # A small protuberance: the tip radius reaches past the involute over a short arc only.
    case('small protuberance', gearcalc, dict(alpha=25.504, beta=0, mn=1.0992, z=[54, 61], x=[
        -0.4275, 0], rack=4, tool=('1.435', '0.058', '0.007', '11.07')))
    # Its tangent point at 7.25 degrees lies above the corner with the main flank: no
    # protuberance flank; the main flank ends where it enters the tip circle (49.5059 on z 15),
    # and the tip circle, standing out of it, cuts the involute up to 49.5092.
    case('protuberance without its flank', gearcalc, dict(
        alpha=22.46, beta=25.248, mn=2.9711, z=[15, 15], x=[0.8482, 0.8482], rack=4,
        tool=('1.113', '0.382', '0.009', '7.25')))
    # The tool root radius rounds the tip: the involute ends where it cuts in, below the tip
    # circle even where the end of the straight flank makes a point inside it (z 61).
    for name, p in (('root radius spur', dict(alpha=20, beta=0, mn=3, z=[20, 25], x=[0, 0],
                                              rhof='0.2')),
                    ('root radius helical', dict(alpha=20, beta=9, mn=3, z=[20, 25], x=[0, 0],
                                                 rhof='0.2')),
                    ('root radius z 40', dict(alpha=20, beta=0, mn=2, z=[20, 40], x=[0, 0],
                                              rhof='0.3')),
                    ('root radius z 61', dict(alpha=20, beta=10, mn=2, z=[23, 61], x=[0.1, 0.3],
                                              rhof='0.3'))):
        tip_case(name, gearcalc, p)
    if FAILURES:
        print("\n".join(FAILURES))
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
