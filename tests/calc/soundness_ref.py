#!/usr/bin/python3
"""Independent reference for the final checks of gearcalc: the conditions under which a result
cannot exist must reach the message list, and a dimension without solution must not be a number.

For each pair of the table the script works out with mpmath, from the inputs alone (textbook
relations of ISO 21771 / DIN 3960), which of these conditions hold and for which gear:

- the tip of one gear reaches past the interference point of the other (where the line of action
  touches the base circle) -> "Error  : tooth collision daJ !";
- the tips of an internal pair interfere (DIN 3960) -> "Error  : meshing interference !";
- contact starts below the root form diameter (the usable root diameter from the path of contact
  against dFf, rolled for an undercut gear) -> "Error  : dNf < dFf (i) !";
- a tip inside the base circle -> "Error  : db > da  (i) !"; one outside it that no involute reaches
  (a chamfer or the crossing flanks take it) -> "Error  : no involute (i) !";
- the least backlash is below 0 -> "Warning: jtmin < 0 !"; entered centre-distance allowances
  cross -> "Error  : Aae < Aai !";
- the tooth is pointed at the nominal tooth thickness or at either limit (the thinner of the
  involute and a chamfer at the tip the tool leaves) -> "Error  : pointed tooth (i) !";
- the root form circle lies above the tip form circle at either limit (no involute between
  them) -> "Error  : dFf > dFa (i) !";
- the sides of a ring gear's gap (its flanks, or the fillets of the tool tip radius tangent to
  flank and root circle) meet short of its root circle, at either limit of its tooth thickness
  -> "Error  : gap closes d=D mm (i)" with D where they meet, in inch with UnitSystem 1; its root
  form circle lies no further out;
- the transverse contact ratio is below 1 -> "Error  : ratio eps.alpha < 1 !";
- a ball that cannot touch an involute (its contact at or below the base circle), or touches
  outside [dFf, dFa], at one of the five generating shifts -> "Error  : Dm ball !  (i)" or
  "Error  : ball contact < dFf (i) !" / "> dFa", and that ball and pin dimension is nan;
- span anvils touching outside [dFf, dFa] -> "Error  : span contact < dFf (i) !" / "> dFa", and
  that span is nan.

The contact diameter of a ball is checked once more by a search in space: the point of the
involute helicoid nearest the ball centre. gearcalc must print exactly the expected errors of
this kind and nan exactly where expected. The shipped example jobs print no message at all.

A gear 1 of 6 teeth with profile shift 0.5 and a full tip (addendum reduction 0, tip mode 2) is
the fixed companion the dimensions dialog writes beside the designed gear: there only gear 2's
own errors are expected (pointed tooth, ball, span), the dimensions without solution stay nan.

usage: soundness_ref.py GEARCALC SOURCE_DIR [PART COUNT]
It runs the table's cases, every COUNT-th from PART (so COUNT runs share them);
tools/soundsweep.py takes random pairs through the same reference.
"""
import os
import sys

import mpmath as mp

from dff_envelope import Rolling, TipRolling, internal_fillet, ring_gap_meet_radius
from meshing_ref import arcinv, inv, run

mp.mp.dps = 30

FAILURES = []
KINDS = ("Error  : kmn < 0", "Error  : db > da", "Error  : no involute",
         "Error  : clearance sh.add. < 0",
         "Error  : gap closes", "Error  : dFf > dFa",
         "Error  : tooth collision", "Error  : meshing interference", "Error  : dNf < dFf",
         "Error  : pointed tooth", "Error  : ratio eps.alpha", "Error  : Dm ball",
         "Error  : ball contact", "Error  : span contact", "Error  : no ball",
         "Warning: jtmin < 0", "Error  : Aae < Aai")
SHIFTS = (('minV', 'xEminV'), ('maxV', 'xEmaxV'), ('theo', 'x'), ('min', 'xEmin'),
          ('max', 'xEmax'))


def check_ball_formula():
    """The ball's contact diameter sqrt(db^2 + (db tan aK -+ DM cos bb)^2) in space: a ball of
    diameter DM touching an involute helicoid at P has its centre DM / 2 along the surface normal
    at P; the centre's roll length on the base circle (rb tan aK, aK its pressure angle) must
    differ from P's by DM / 2 cos(beta_b), further out for a ball in the space of an external
    gear (the convex side), nearer for one in a ring gear's space."""
    for rb, bb, u0, DM in ((mp.mpf(40), mp.radians(14), mp.mpf(18), mp.mpf(4)),
                           (mp.mpf(40), mp.mpf(0), mp.mpf(18), mp.mpf(4)),
                           (mp.mpf(75), mp.radians(22), mp.mpf(25), mp.mpf(5))):
        tb = mp.tan(bb)

        def point(u, w):  # unrolled by u from the base circle, the profile turned by w tan(bb)
            th = u / rb + w * tb / rb
            return mp.matrix([rb * mp.sin(th) - u * mp.cos(th), rb * mp.cos(th) + u * mp.sin(th),
                              w])

        P = point(u0, 0)
        du = mp.matrix([mp.diff(lambda q: point(q, 0)[k], u0) for k in range(3)])
        dw = mp.matrix([mp.diff(lambda q: point(u0, q)[k], 0) for k in range(3)])
        N = mp.matrix([du[1] * dw[2] - du[2] * dw[1], du[2] * dw[0] - du[0] * dw[2],
                       du[0] * dw[1] - du[1] * dw[0]])
        N /= mp.norm(N)
        for side in (1, -1):
            C = P + side * DM / 2 * N
            rollC = mp.sqrt(C[0] ** 2 + C[1] ** 2 - rb ** 2)
            if abs(abs(rollC - u0) - DM / 2 * mp.cos(bb)) > mp.mpf('1e-20'):
                FAILURES.append(f"ball contact in space: centre roll {mp.nstr(rollC, 15)}, "
                                f"contact roll {u0}, DM/2 cos(bb) {mp.nstr(DM / 2 * mp.cos(bb), 15)}")


class Reference:
    """The textbook pair from gearcalc's printed inputs (alpha, beta, mn, z, x, allowances, tool
    factors, kmn, DM, k): nothing of its results."""

    def __init__(self, out):
        f = lambda k: mp.mpf(out[k])
        self.an, self.be = mp.radians(f('alpha')), mp.radians(f('beta'))
        self.mn = f('mn')
        self.at = mp.atan(mp.tan(self.an) / mp.cos(self.be))
        self.bb = mp.atan(mp.tan(self.be) * mp.cos(self.at))
        g = lambda k, i: f(f'{k}[{i}]')
        self.z = {i: g('z', i) for i in (1, 2)}
        self.x = {i: g('x', i) for i in (1, 2)}
        self.hf = {i: g('hfP0mn', i) * self.mn for i in (1, 2)}
        self.ha = {i: g('haP0mn', i) * self.mn for i in (1, 2)}
        self.rho = {i: g('rhoaP0mn', i) * self.mn for i in (1, 2)}
        self.rhof = {i: g('rhofP0mn', i) * self.mn for i in (1, 2)}
        # A chamfer: its flank at alkP0 (transverse akt) through the corner hFfP0 above the datum.
        self.chamfer = {i: out[f'ChamferOn[{i}]'] == '1' for i in (1, 2)}
        self.akt = {i: mp.atan(mp.tan(mp.radians(g('alkP0', i))) / mp.cos(self.be)) for i in (1, 2)}
        self.hFf = {i: g('hFfP0mn', i) * self.mn for i in (1, 2)}
        self.alk = {i: g('alkP0', i) for i in (1, 2)}
        self.DM = {i: g('DM', i) for i in (1, 2)}
        self.k = {i: g('k', i) for i in (1, 2)}
        t = 2 * self.mn * mp.tan(self.an)
        s = self.mn * mp.sin(self.an)
        self.xe, self.out = {}, out
        self.Asne = {i: g('Asne', i) for i in (1, 2)}
        for i in (1, 2):
            Asne, Asni, q, qT = g('Asne', i), g('Asni', i), g('q', i), g('qTol', i)
            e = {'x': self.x[i], 'xEmax': self.x[i] + Asne / t, 'xEmin': self.x[i] + Asni / t}
            e['xEmaxV'] = e['xEmax'] + (q + qT) / s if q else e['xEmax']
            e['xEminV'] = e['xEmax'] + q / s if q else e['xEmin']
            self.xe[i] = e
        self.d = {i: self.z[i] * self.mn / mp.cos(self.be) for i in (1, 2)}
        self.db = {i: self.d[i] * mp.cos(self.at) for i in (1, 2)}
        kmn = {i: g('kmn', i) for i in (1, 2)}
        self.kmn = {i: kmn[i] if abs(kmn[i]) >= mp.mpf('0.001') else 0 for i in (1, 2)}
        self.da = {i: self.d[i] + 2 * self.xe[i]['xEmaxV'] * self.mn + 2 * self.hf[i]
                   - 2 * self.kmn[i] for i in (1, 2)}
        # The tip the gear has: one beyond the tool's reach (kmn < 0) is cut back to its root line,
        # and at the lower limit to the root line of the lower premachining shift.
        self.cut = {i: self.da[i] + 2 * min(self.kmn[i], 0) for i in (1, 2)}
        self.low_tip = {i: min(self.cut[i], self.d[i] + 2 * self.hf[i] + 2 * self.xe[i]['xEminV']
                               * self.mn) for i in (1, 2)}
        zs = self.z[1] + self.z[2]
        self.awt = arcinv(inv(self.at) + 2 * mp.tan(self.an) * (self.x[1] + self.x[2]) / zs)
        self.a = (self.db[1] + self.db[2]) / 2 / mp.cos(self.awt)
        self.memo = {}
        self.inch = out['UnitSystem'] == '1'
        self.companion = (self.z[1] == 6 and self.x[1] == mp.mpf('0.5') and kmn[1] == 0
                          and out['TipInputMode[1]'] == '2')

    def st(self, i, xe):
        return self.mn / mp.cos(self.be) * (mp.pi / 2 + 2 * xe * mp.tan(self.an))

    def thickness(self, i, xe, y):
        return y * (self.st(i, xe) / self.d[i] + inv(self.at) - inv(mp.acos(self.db[i] / y)))

    def chamfer_thickness(self, i, xk, y):
        """Thickness at y between the chamfer flanks (at akt through the corner hFf above the
        datum line) cut at the shift xk."""
        ak = self.akt[i]
        sk = self.st(i, xk) + 2 * (self.hFf[i] + xk * self.mn) * (mp.tan(ak) - mp.tan(self.at))
        return y * (sk / self.d[i] + inv(ak) - inv(mp.acos(self.d[i] * mp.cos(ak) / y)))

    def root_form(self, i, xe):
        """dFf at the shift xe (a positive diameter), worked out once per gear and shift."""
        key = (i, xe)
        if key not in self.memo:
            self.memo[key] = self.root_form_at(i, xe)
        return self.memo[key]

    def gap_closing(self, i, xe, xk, rho=None):
        """|D| where the sides of a ring gear's gap meet (flanks of xe, root and fillets of the
        tip radius rho cut at xk; its width |y| (pi / |z| - st / |d| + inv at - inv ay)), None
        where they do not."""
        c = mp.pi / abs(self.z[i]) - self.st(i, xe) / abs(self.d[i]) + inv(self.at)
        rf = abs(self.d[i] - 2 * self.ha[i] + 2 * xk * self.mn) / 2
        R = ring_gap_meet_radius(abs(self.db[i]) / 2, rf, abs(self.cut[i]) / 2,
                                 self.rho[i] if rho is None else rho, c)
        return None if R is None else 2 * R

    def gap_closes_anyway(self, i):
        """The flanks of the ring gear i meet before its root circle at a limit: no tip radius
        opens its gap."""
        for xe, xk in (('xEmax', 'xEmaxV'), ('xEmin', 'xEminV')):
            root = abs(self.d[i] - 2 * self.ha[i] + 2 * self.xe[i][xk] * self.mn)
            meet = self.gap_closing(i, self.xe[i][xe], self.xe[i][xk], 0)
            if meet is not None and meet < root - mp.mpf('1e-9') * self.mn:
                return True
        return False

    def root_form_at(self, i, xe):
        if self.z[i] < 0:
            rf = abs(self.d[i] - 2 * self.ha[i] + 2 * xe * self.mn) / 2
            meet = self.gap_closing(i, xe, xe)
            return min(2 * internal_fillet(abs(self.db[i]) / 2, rf, abs(self.cut[i]) / 2,
                                           self.rho[i])[0], mp.inf if meet is None else meet)
        # The end of the straight flank on the line of action; an undercut gear is rolled.
        H = self.ha[i] - self.rho[i] * (1 - mp.sin(self.an)) - xe * self.mn
        X = self.d[i] * mp.sin(self.at) - 2 * H / mp.sin(self.at)
        if X > 0:
            return mp.hypot(self.db[i], X)
        roll = Rolling(mp.degrees(self.an), mp.degrees(self.be), self.mn, self.z[i], xe,
                       self.ha[i], self.rho[i])
        return 2 * roll.root_form_radius()

    def tip_form(self, i, xe, xk=None):
        """|dFa| of the involute of the shift xe whose tip the tool cut at xk (on a premachined
        gear the finished involute runs up into the premachined tip): the chamfer's crossing,
        the tool rounding, its root line where it tops (root radius, kmn < 0), the point where
        the flanks cross; no involute inside the base circle."""
        xk = xe if xk is None else xk
        inner = max if self.z[i] < 0 else min  # towards the tooth
        R = abs(self.da[i]) / 2
        # (the involute of a ring gear whose tip lies inside its base circle starts there)
        tip = self.da[i] if abs(self.da[i]) > abs(self.db[i]) else self.db[i] * mp.mpf('1.0001')
        if self.chamfer[i] and (self.z[i] < 0 or tip == self.da[i]):
            f = lambda y: self.thickness(i, xe, y) - self.chamfer_thickness(i, xk, y)
            start = self.db[i] * mp.mpf('1.0001') if self.z[i] > 0 else \
                self.d[i] - 2 * self.ha[i] + 2 * xk * self.mn
            if f(tip) > 0 and f(start) > 0:  # the chamfer takes the whole involute
                R = abs(self.db[i]) / 2
            elif f(tip) > 0:  # (a ring gear's tooth runs out from its tip to its root)
                R = abs(mp.findroot(f, (start, tip), solver='anderson')) / 2
            if self.rhof[i] > 0 and self.z[i] > 0:  # the rounding above the chamfer, which the finished involute
                # of a premachined gear can run past the chamfer into
                R = min(R, TipRolling(mp.degrees(self.an), mp.degrees(self.be), self.mn,
                                      self.z[i], xk, self.hf[i], self.rhof[i], xe, (
                                          self.hFf[i], self.alk[i])).tip_form_radius(R))
        elif self.rhof[i] > 0 and self.z[i] > 0:
            R = TipRolling(mp.degrees(self.an), mp.degrees(self.be), self.mn, self.z[i], xk,
                           self.hf[i], self.rhof[i], xe).tip_form_radius(self.da[i] / 2)
        elif self.rhof[i] > 0:
            # A ring gear: where the straight flank's end (the root radius's tangent point, hf -
            # rhof (1 - sin an) above the datum line) meets the line of action.
            H = self.rhof[i] * (1 - mp.sin(self.an)) - self.hf[i] - xe * self.mn
            X = self.d[i] * mp.sin(self.at) - 2 * H / mp.sin(self.at)
            R = max(R, mp.hypot(self.db[i], X) / 2 if X < 0 else 0)
        R = inner(R, abs(self.d[i] / 2 + self.hf[i] + xk * self.mn))  # the tool's root line
        c = self.st(i, xe) / self.d[i] + inv(self.at)
        if c > 0 or self.z[i] > 0:
            R = inner(R, abs(self.db[i]) / 2 / mp.cos(arcinv(c)) if c > 0 else 0)
        return 2 * max(R, abs(self.db[i]) / 2)

    def expected(self):
        """The expected errors and the names of the dimensions without solution."""
        errs, nans = set(), set()
        A, sw = abs(self.a), mp.sin(self.awt)
        rb = {i: abs(self.db[i]) / 2 for i in (1, 2)}
        ra = {i: abs(self.cut[i]) / 2 for i in (1, 2)}  # the tip the tool leaves
        internal = self.z[2] < 0
        # The interference point T of a gear, where the line of action touches its base
        # circle, lies sqrt(rb^2 + (a sin alpha_wt)^2) from the centre of the mate: the mate's
        # tip must not reach past it (an external tip beyond, a ring's tip inside).
        limit = {j: mp.sqrt(rb[j] ** 2 + (A * sw) ** 2) for j in (1, 2)}
        # The finished gear's usable tip (upper limit: the involute of xEmax, its tip cut at
        # xEmaxV).
        ra_used = {j: self.tip_form(j, self.xe[j]['xEmax'], self.xe[j]['xEmaxV']) / 2
                   for j in (1, 2)}
        no_involute = False
        for j in (1, 2):
            # (a pinion's tip never reaches the interference point of its ring gear)
            if self.z[3 - j] > 0 and ((ra[j] < limit[j]) if self.z[j] < 0 else ra[j] > limit[j]):
                errs.add(f"Error  : tooth collision da{j} !")
                # the involute ends at the tip form circle or the limit, whichever comes first
                ra_used[j] = (max if self.z[j] < 0 else min)(limit[j], ra_used[j])
            df = self.d[3 - j] - 2 * self.ha[3 - j] + 2 * self.xe[3 - j]['xEmaxV'] * self.mn
            if self.a - (self.cut[j] + df) / 2 < -mp.mpf('1e-9') * self.mn:
                errs.add(f"Error  : clearance sh.add. < 0 ! ({j})")
            if self.kmn[j] < 0:
                errs.add(f"Error  : kmn < 0 !  ({j})")
            e = self.xe[j]
            # A tip inside the base circle (at either limit; a ring's chamfer may end its
            # involute outside it all the same), or one outside it that no involute reaches.
            inside = min(abs(self.cut[j]), abs(self.low_tip[j])) < abs(self.db[j])
            if min(self.tip_form(j, e['xEmin'], e['xEminV']),
                   self.tip_form(j, e['xEmax'], e['xEmaxV'])) <= abs(self.db[j]):
                errs.add(f"Error  : no involute ({j}) !")
                no_involute = True
            if inside:
                errs.discard(f"Error  : no involute ({j}) !")
                errs.add(f"Error  : db > da  ({j}) !")
        # Path of contact on the line of action: roll lengths of its ends on each base circle.
        g1 = mp.sqrt(ra_used[1] ** 2 - rb[1] ** 2)  # tip of gear 1, from T1
        g2 = mp.sqrt(ra_used[2] ** 2 - rb[2] ** 2)  # tip of gear 2, from T2
        T1T2 = A * sw
        if internal:
            start1 = g2 - T1T2  # where gear 2's tip meets gear 1's flank, from T1
            end2 = T1T2 + g1    # where gear 1's tip meets gear 2's flank, from T2
            length = g1 - start1
        else:
            start1 = T1T2 - g2
            end2 = T1T2 - g1
            length = g1 + g2 - T1T2
        dNf = {1: 2 * mp.hypot(rb[1], start1), 2: 2 * mp.hypot(rb[2], end2)}
        pet = mp.pi * self.mn / mp.cos(self.be) * mp.cos(self.at)
        # A tip without involute meets no flank: no contact ratio (its error says why).
        self.epsalpha = None if no_involute else length / pet
        self.dNf = dNf
        if not no_involute and length / pet < 1:
            errs.add("Error  : ratio eps.alpha < 1 !")
        # The least backlash, at the upper allowances of both gears and the lower one of the
        # centre distance, below 0: the pair jams at its tolerance limits.
        Aai, Aae = mp.mpf(self.out['Aai']), mp.mpf(self.out['Aae'])
        if (2 * Aai * mp.tan(self.an) - self.Asne[1] - self.Asne[2]) / mp.cos(self.be) < 0:
            errs.add("Warning: jtmin < 0 !")
        if Aae < Aai:
            errs.add("Error  : Aae < Aai !")
        if internal:
            ra1, ra2 = ra[1], ra[2]
            aa1, aa2 = mp.acos(min(1, rb[1] / ra1)), mp.acos(min(1, rb[2] / ra2))
            d1 = mp.pi - mp.acos((ra1 ** 2 + A ** 2 - ra2 ** 2) / (2 * A * ra1))
            d2 = mp.acos((ra2 ** 2 + A ** 2 - ra1 ** 2) / (2 * A * ra2))
            mt = self.mn / mp.cos(self.be)
            zz = abs(self.z[2])
            if mt * mp.cos(self.at) / 2 * (self.z[1] * (inv(aa1) + d1) - zz * (inv(aa2) + d2)
                                            + (zz - self.z[1]) * inv(self.awt)) < 0:
                errs.add("Error  : meshing interference !")
        for i in (1, 2):
            n = f" ({i}) !"
            e = self.xe[i]
            dFf = self.root_form(i, e['xEmaxV'])
            # each limit's root form against its tip form
            sg = 1 if self.z[i] > 0 else -1
            if not {f"Error  : db > da  ({i}) !", f"Error  : no involute ({i}) !"} & errs and any(
                    (self.root_form(i, e[xk]) - self.tip_form(i, e[xe], e[xk])) * sg
                    > mp.mpf('1e-9') * self.mn for xe, xk in (('xEmax', 'xEmaxV'),
                                                                ('xEmin', 'xEminV'))):
                errs.add(f"Error  : dFf > dFa{n}")
            # (no usable root without a path of contact)
            deeper = dNf[i] < dFf if self.z[i] > 0 else dNf[i] > dFf
            if not no_involute and deeper and abs(dNf[i] - dFf) > mp.mpf('1e-9') * self.mn:
                errs.add(f"Error  : dNf < dFf{n}")
            # At the tip the thinner of the involute and the chamfer (cut at the premachining
            # shift of its limit) governs: nominal, upper and lower limit, each at the tip the
            # tool leaves there (none inside the base circle).
            tips = []
            for xe, xk, tip in (('x', None, self.cut[i]), ('xEmax', 'xEmaxV', self.cut[i]),
                                ('xEmin', 'xEminV', self.low_tip[i])):
                if abs(tip) < abs(self.db[i]):
                    continue
                tips.append(self.thickness(i, e[xe], tip))
                if self.chamfer[i]:
                    xc = e[xk] if xk else e['x'] + e['xEmaxV'] - e['xEmax']
                    tips.append(self.chamfer_thickness(i, xc, tip))
            if tips and min(tips) <= 0:
                errs.add(f"Error  : pointed tooth{n}")
            for xe, xk in (('xEmax', 'xEmaxV'), ('xEmin', 'xEminV')):
                root = abs(self.d[i] - 2 * self.ha[i] + 2 * e[xk] * self.mn)
                meet = self.gap_closing(i, e[xe], e[xk]) if self.z[i] < 0 else None
                if meet is not None and meet < root - mp.mpf('1e-9') * self.mn:
                    meet, unit, more = (meet / mp.mpf('25.4'), 'in', 1) if self.inch else (
                        meet, 'mm', 0)  # in the unit of the sheets
                    errs.add(next(t for t in (f"Error  : gap closes d={float(meet):.{k + more}f}"
                                              f" {unit} ({i})" for k in (3, 2, 1, 0))
                                  if len(t) <= 36))
                    break
            # Inspection dimensions at the five shifts (a finished flank with the tip of the
            # premachining shift of its limit).
            sg = 1 if self.z[i] > 0 else -1
            premachined = {'x': e['x'] + e['xEmaxV'] - e['xEmax'], 'xEmin': e['xEminV'],
                           'xEmax': e['xEmaxV']}
            for suffix, key in SHIFTS:
                xe = e[key]
                lo = self.root_form(i, xe)
                hi = self.tip_form(i, xe, premachined.get(key, xe))
                if sg < 0:
                    lo, hi = hi, lo  # an internal gear: the tip lies inside the root

                def place(dc):
                    if dc < lo - mp.mpf('1e-9') * self.mn:
                        return '<' if sg > 0 else '>'
                    if dc > hi + mp.mpf('1e-9') * self.mn:
                        return '>' if sg > 0 else '<'
                    return ''
                W = sg * self.mn * mp.cos(self.an) * ((abs(self.k[i]) - mp.mpf('0.5')) * mp.pi
                                                      + abs(self.z[i]) * inv(self.at)) \
                    + 2 * xe * self.mn * mp.sin(self.an)
                p = place(mp.hypot(self.db[i], W * mp.cos(self.bb)))
                if p:
                    errs.add(f"Error  : span contact {'<' if p == '<' else '>'} "
                             f"{'dFf' if p == '<' else 'dFa'}{n}")
                    nans.add(f"W{suffix}[{i}]")
                iK = inv(self.at) + self.DM[i] / (self.db[i] * mp.cos(self.bb)) - \
                    (mp.pi - 4 * xe * mp.tan(self.an)) / (2 * self.z[i])
                aK = arcinv(iK) if self.DM[i] else 0
                L = rb[i] * mp.tan(aK) - sg * self.DM[i] / 2 * mp.cos(self.bb)
                if self.DM[i] == 0:  # none given and no usual ball
                    errs.add(f"Error  : no ball for this x{n}")
                    p = 'x'
                elif aK < 0 or L <= 0:
                    errs.add(f"Error  : Dm ball !  ({i})")
                    p = 'x'
                else:
                    p = place(2 * mp.hypot(rb[i], L))
                    if p:
                        errs.add(f"Error  : ball contact {p} {'dFf' if p == '<' else 'dFa'}{n}")
                if p:
                    nans.update({f"MdK{suffix}[{i}]", f"MdR{suffix}[{i}]"})
        if self.companion:
            own = ("Error  : pointed tooth", "Error  : Dm ball", "Error  : ball contact",
                   "Error  : span contact", "Error  : kmn < 0", "Error  : db > da",
                   "Error  : no involute",
                   "Error  : no ball")
            errs = {e for e in errs if e.startswith(own) and "(2)" in e}
        return errs, nans


def case(name, gearcalc, text, unsound=None):
    out, msgs = run(gearcalc, text + "relations = 1\n")
    if out.get('CalcErrorFlag') != '0':
        FAILURES.append(f"{name}: fatal {msgs}")
        return
    ref = Reference(out)
    errs, nans = ref.expected()
    if unsound is not None and bool(errs) != unsound:
        FAILURES.append(f"{name}: the reference finds {sorted(errs) or 'no error'}")
    got = {m for m in msgs if m.startswith(KINDS)}
    # A full list says so on its last line, and leaves out an error only for other errors.
    full = msgs[-1:] == ["Warning: more messages left out !"] and got < errs and all(
        m.startswith(("Fatal", "Error")) for m in msgs[:-1])
    if got != errs and not full:
        FAILURES.append(f"{name}: errors {sorted(got)}, reference {sorted(errs)}")
    bad = [f"{k}{i} " + out[f'{k}[{i}]'] for i in (1, 2) for k, x in (('dFa', 'xEmax'), (
        'dFaK', 'xEmin')) if abs(abs(mp.mpf(
            out[f'{k}[{i}]'])) - ref.tip_form(
            i, ref.xe[i][x], ref.xe[i][x + 'V'])) > 1e-9] + [
        f"{k}{i}" for i in (1, 2) for k, tip in (('sat', ref.cut[i]), ('satMin', ref.low_tip[i]))
        if (out[f'{k}[{i}]'] == 'nan') != (tip ** 2 < ref.db[i] ** 2)]
    if ref.epsalpha is None:  # nothing measured along a path of contact that does not exist
        bad += [f'{k} (no contact)' for k in ('epsalpha', 'galpha', 'gAC', 'gEC', 'zetaA1',
                                              'zetaA2', 'zetaE1', 'zetaE2', 'dNf[1]', 'dNf[2]')
                if out[k] != 'nan']
    elif abs(mp.mpf(out['epsalpha']) - ref.epsalpha) > 1e-9:
        bad.append('epsalpha')
    else:
        bad += [f'dNf[{i}] {out[f"dNf[{i}]"]}, {mp.nstr(ref.dNf[i], 12)} expected' for i in (1, 2)
                if abs(abs(mp.mpf(out[f'dNf[{i}]'])) - ref.dNf[i]) > 1e-9]
    if out.get('broken'):
        bad.append(f"broken relation {out['broken']}")
    if bad:
        FAILURES.append(f"{name}: {bad} epsalpha {out['epsalpha']}, {ref.epsalpha} expected")
    measures = [k for k in out if k[:3] in ('MdK', 'MdR') or k[:1] == 'W' and '[' in k]
    got_nan = {k for k in measures if out[k] == 'nan'}
    if got_nan != nans:
        FAILURES.append(f"{name}: no number {sorted(got_nan)}, reference {sorted(nans)}")
    if any(len(m) > 36 or not m.startswith(("Fatal  : ", "Error  : ", "Warning: "))
           for m in msgs if m.startswith(KINDS)):
        FAILURES.append(f"{name}: message form {msgs}")
    limits_typed(name, gearcalc, text, ref, msgs)
    print(f"{name}: {sorted(errs) or 'sound'}; no number: {sorted(nans) or 'none'}")


# The input check's limits of gear 2's tool, each named by the largest figure that passes.
LIMITS = {"Warning: gap rhoaP0 <= ": "rhoaP0mn", "Warning: rhoaP0 > ": "rhoaP0mn",
          "Warning: rhofP0 > ": "rhofP0mn", "Warning: hFfP0 > hfP0 = ": "hFfP0mn"}


def limits_typed(name, gearcalc, text, ref, msgs):
    """Each tool limit a warning names, typed, brings that warning no more (nor a closed gap for
    the gap's limit); "no rhoaP0 opens the gap" is given exactly where the ring gear's flanks meet
    before its root circle at a limit (and its tool has a tip radius)."""
    own = ref.out['BasicRackType[2]'] not in ('1', '2', '3')  # (presets bring their own)
    for m in msgs:
        kind = next((k for k in LIMITS if m.startswith(k) and m.endswith(" mn !")), None)
        if kind is None or not own:
            continue
        figure = m[len(kind):-len(" mn !")]
        _, again = run(gearcalc, text + f"{LIMITS[kind]}[2] = {figure}\n")
        if any(a.startswith(kind) or (kind == "Warning: gap rhoaP0 <= " and a.startswith(
                "Error  : gap closes")) for a in again):
            FAILURES.append(f"{name}: \"{m}\" typed gives {again}")
    anyway = ref.z[2] < 0 and ref.rho[2] > 0 and ref.gap_closes_anyway(2)
    if anyway != ("Warning: no rhoaP0 opens the gap !" in msgs) and not (
            msgs[-1:] == ["Warning: more messages left out !"] and anyway):
        FAILURES.append(f"{name}: no tip radius opens the gap: {anyway}, said: {msgs}")


def tool(i, ha, hf, rho, rhof=0, alk=0, hff=None):
    """gearcalc lines of a tool of its own for gear i (no protuberance; alk 0: no chamfer)."""
    return [f"BasicRackType[{i}] = 4", f"haP0mn[{i}] = {ha}", f"hfP0mn[{i}] = {hf}",
            f"rhoaP0mn[{i}] = {rho}", f"rhofP0mn[{i}] = {rhof}", f"prP0mn[{i}] = 0",
            f"alkP0[{i}] = {alk}", f"hFfP0mn[{i}] = {hf if hff is None else hff}"]


def pair(**p):
    """gearcalc input of a pair: basic rack 1, allowances as given (0 by default)."""
    lines = [f"alpha = {p.get('alpha', 20)}", f"beta = {p.get('beta', 0)}", f"mn = {p['mn']}",
             "b = 40", "a = 0", "AaField = 9", "Aae = 0", "Aai = 0",
             f"MeasureMode = {p.get('mm', 0)}"]
    for i in (1, 2):
        lines += [f"z[{i}] = {p['z'][i - 1]}", f"x[{i}] = {p['x'][i - 1]}",
                  f"kmn[{i}] = {p.get('kmn', (0, 0))[i - 1]}", "TipInputMode[%d] = 2" % i,
                  f"BasicRackType[{i}] = 1", f"DM[{i}] = {p.get('DM', (3, 3))[i - 1]}",
                  f"k[{i}] = {p.get('k', (0, 0))[i - 1]}"]
        if 'Tsn' in p:
            lines += [f"TsnSeries[{i}] = {p['Tsn'][i - 1]}", f"AsnSeries[{i}] = {p['Asn'][i - 1]}"]
        else:
            lines += [f"TsnSeries[{i}] = 11", f"Asne[{i}] = 0", f"Asni[{i}] = 0"]
    return "\n".join(lines + p.get('extra', [])) + "\n"


def table_cases(source):
    """The table's pairs: (name, gearcalc input, whether the reference must find it unsound)."""
    table = [
        # The ball proposed for the upper allowance sinks below the base circle at the lower.
        ("ball cannot seat", "alpha = 20\nbeta = 26.2014\nmn = 1.1379\nz[1] = 18\nz[2] = 23\n"
         "x[1] = 0.6563\nx[2] = -0.5621\nMeasureMode = 1\nTsnSeries[2] = 10\nAsnSeries[2] = 9\n"),
        # Interference, contact in the fillet of the undercut pinion, a pointed pinion.
        ("unsound internal job", f"job = {source}/tests/data/jobs/unsound_pair.q1w\n"),
        # z 7 with shortened tips: eps.alpha 0.938.
        ("z 7 eps.alpha", pair(mn=2, z=(7, 8), x=(0.55, 0.5), kmn=(0.5, 0.5), DM=(3.5, 3.5))),
        # A small ball touches in the fillet, a large one above the tip form circle.
        ("ball in the fillet", pair(mn=2, z=(20, 40), x=(0, 0), DM=(2.4, 2.4))),
        ("ball over the tip", pair(mn=2, z=(20, 40), x=(0, 0), DM=(5.5, 6))),
        # Too many teeth spanned: the anvils touch above the tip form circle; one tooth: below
        # the root form circle.
        ("span too wide", pair(mn=3, beta=15, z=(25, 60), x=(0.2, 0), k=(7, 1))),
        # A ring gear: a large ball touches inside its tip form circle, a larger one cannot seat
        # (its centre would lie inside the base circle); the pinion without shift meets the
        # ring's tip in its fillet.
        ("ring gear ball", pair(mn=3, z=(20, -80), x=(0, 0), DM=(5, 7))),
        ("ring gear big ball", pair(mn=3, z=(20, -80), x=(0.3, 0.3), DM=(5, 8))),
        # Tips beyond the tool (kmn < 0), into the mating root, inside db; topping at xEminV;
        # flanks crossing below the tip (z 6, z 7 with its span); more errors than the list holds.
        ("kmn < 0", "mn = 2\nz[1] = 20\nz[2] = 40\nx[1] = 0\nx[2] = 0\nbeta = 0\na = 0\n"
         "MeasureMode = 1\n" + "".join(f"TipInputMode[{i}] = 1\nTipModeValue[{i}] = 0.05\n"
                                       for i in (1, 2))),
        ("clearance < 0", pair(mn=2, z=(20, 40), x=(0.8, 1.2), mm=1)),
        ("tip inside db", pair(mn=2, z=(20, 40), x=(0, 0), kmn=(3.5, 0), mm=1)),
        ("ring tip inside db", pair(mn=2, z=(9, -18), x=(0, 0), mm=1)),
        ("topping at xEminV", pair(alpha=21.5965, mn=1, z=(20, 100), x=(0.4464, 0.6147), mm=1,
                                   Tsn=(5, 1), Asn=(3, 6), extra=[
                                   "BasicRackType[1] = 4", "alkP0[1] = 0", "rhofP0mn[1] = 0.2"])),
        ("pointed z 6", pair(mn=2, z=(6, 40), x=(0.5, 0), mm=1)),
        ("pointed z 7", pair(mn=2, z=(7, 40), x=(0.75, 0), k=(3, 0))),
        # Beside the companion, pointed at the upper limit only: the chamfer cut at the upper
        # limit is thinner there than the lower limit's tip, which the tool's root line tops.
        ("pointed at the upper limit", pair(alpha=31.81, mn=10.1858, z=(6, 54), x=(0.5, 0.7527),
                                            DM=(12, 12), Tsn=(5, 4), Asn=(8, 10), extra=tool(
                                                2, 1.175, 1, 0.1, rhof=0.119, alk=51.81,
                                                hff=0.81))),
        ("full list", pair(mn=2, z=(7, 8), x=(0.9, 0.9), kmn=(-1.5, -1.5), DM=(.5, 9), k=(5, 5))),
        # No usual ball at x -0.6 (the measuring circle inside the base circle): a typed ball is
        # judged as any other; where the calculation must choose one, none, and it says so.
        ("no usual ball, typed", pair(mn=2, z=(20, 40), x=(-0.6, 0.6), DM=(3, 3.5), k=(3, 5),
                                      Tsn=(5, 5), Asn=(8, 8))),
        ("no usual ball, chosen", pair(mn=2, z=(20, 40), x=(-0.7, 0.7), mm=1)),
        ("no usual ball z 40", pair(mn=2, z=(6, 40), x=(0.5, -1.22), DM=(3, 3.6), k=(0, 5),
                                    Tsn=(5, 5), Asn=(8, 8))),
        # Tips beyond the tool's reach (kmn < 0): usable tip, contact ratio, the mate's usable
        # root, tip thickness, collisions and clearance of the tip the tool leaves; a ring whose
        # turned tip lies inside its base circle, its cut tip outside.
        ("cut tip, contact", pair(mn=2, z=(30, 12), x=(0, 0.5), kmn=(-1, 0.2), mm=1)),
        ("cut tip, thickness", pair(mn=2, z=(20, 40), x=(0, 0), kmn=(-1.5, 0), mm=1)),
        ("cut ring tip", pair(alpha=15.132, mn=3.0697, z=(11, -22), x=(0.4765, -0.7915),
                              kmn=(0.7957, -1.1243), mm=1, extra=tool(1, 1.143, 1.034, 0.35)
                              + tool(2, 1.119, 0.904, 0.199))),
        # Premachined (q > 0) with a tool chamfer or root radius: the finished involute runs up
        # into the premachined tip.
        ("premachined chamfer", pair(mn=3, z=(20, 24), x=(0, 0), mm=1, extra=tool(
            2, 1.25, 1, 0.25, alk=45, hff=0.7) + ["q[2] = 0.03", "qTol[2] = 0.02"])),
        ("premachined root radius", pair(mn=2, z=(23, 61), x=(0.1, 0.3), mm=1, Tsn=(5, 5),
                                         Asn=(8, 8), extra=tool(2, 1.25, 1, 0.25, rhof=0.3) + [
                                             "q[2] = 0.05", "qTol[2] = 0.03"])),
        ("premachined chamfer, root radius", pair(alpha=23.66, mn=1.512, z=(23, 58), x=(
            0.1, -0.262), mm=1, Tsn=(5, 5), Asn=(8, 8), extra=tool(
                2, 1.25, 1.235, 0.25, rhof=0.306, alk=33.07, hff=1.073) + ["q[2] = 0.0324"])),
        # A cut tip past the mate's interference point: the usable tip still ends at the tip
        # form circle below it (chamfer; premachined chamfer with a root radius).
        ("collision, chamfered tip", pair(mn=2, z=(12, 60), x=(0.15, 0), extra=tool(
            2, 1.25, 1, 0.25, alk=45, hff=0.8))),
        ("collision, premachined tip", pair(mn=2.5, beta=9.68, z=(19, 38), x=(0.015, -0.6519),
                                            extra=tool(2, 1.25, 1, 0.0564, rhof=0.1129,
                                                       alk=34.699, hff=0.6916) + ["q[2] = 0.0619"])),
        # Ring gaps whose flanks meet short of the root circle; whose fillets meet before the
        # flanks would (the second with a chamfer and a root radius), in mm and inch; whose
        # fillets meet though the flanks would not.
        ("ring gap closed", pair(mn=2, z=(12, -22), x=(0.4, -0.8))),
        ("ring gap closed before dFf", pair(mn=2, z=(10, -14), x=(0.3, -0.8))),
        *[(f"ring fillets meet{inch}", pair(mn=3.862, z=(14, -18), x=(0, -0.624), extra=tool(
            2, 1.307, 1.004, 0.357) + [f"UnitSystem = {int(bool(inch))}"])) for inch in ("", " in")],
        ("ring fillets meet, chamfer", pair(mn=2.23, beta=16.4, z=(13, -19), x=(0, -0.7),
                                            extra=tool(2, 1.273, 1.007, 0.183, rhof=0.099,
                                                       alk=30.89, hff=0.735))),
        ("ring fillets meet, flanks open", pair(mn=3, z=(7, -12), x=(0.3, -0.3), extra=tool(
            2, 1.25, 1, 0.3))),
        # A chamfered ring gear: the chamfer brings its tooth to a point inside the tip circle.
        ("chamfered ring pointed", pair(mn=2, z=(30, -80), x=(0.3, -0.3), mm=1, extra=tool(
            2, 1.25, 1, 0.25, alk=50, hff=0.3))),
        # A chamfer that takes the whole involute of a tip outside the base circle.
        ("no involute", pair(mn=2, z=(14, 60), x=(-0.228, 0), mm=1, extra=tool(
            1, 1.25, 1, 0.25, alk=62.26, hff=-0.38))),
        # Negative backlash: the start-up example with zone h on both gears, and with an
        # allowance entered above the tooth; crossed centre-distance allowances.
        ("backlash < 0", "AsnSeries[1] = 11\nAsnSeries[2] = 11\nk[1] = 3\nk[2] = 8\n"),
        ("backlash < 0, entered", "AsnSeries[1] = 11\nAsnSeries[2] = 11\nTsnSeries[1] = 11\n"
         "Asne[1] = 0.1\nAsni[1] = 0.05\nk[1] = 3\nk[2] = 8\n"),
        ("centre distance allowances crossed", "AaField = 9\nAae = -0.02\nAai = 0.01\n"
         "k[1] = 3\nk[2] = 8\n"),
        # The ball the calculation chooses fits where one does (in inch, with a chamfer).
        ("chosen ball fits", pair(alpha=16.02, mn=0.5228, z=(20, 44), x=(0.6158, -0.0641), mm=1,
                                  Tsn=(10, 5), Asn=(1, 6), extra=tool(
                                      2, 1.25, 1, 0.25, alk=24.9, hff=0.929) + [
                                      "q[1] = 0.0064", "q[2] = 0.0109", "qTol[1] = 0.0016",
                                      "qTol[2] = 0.005", "UnitSystem = 1"])),
        # The tip radius named as the gap's limit is one that opens it; where the flanks meet
        # before the root circle, no radius does, and no limit is named.
        ("gap limit typed", pair(mn=8.914, beta=16.27, z=(78, -194), x=(0, -0.688), Tsn=(9, 9),
                                 Asn=(7, 7), DM=(0, 0), extra=tool(2, 1.305, 1, 0.434))),
        ("no tip radius opens the gap", pair(beta=14.605, mn=0.7063, z=(21, -34), x=(
            0.2599, -0.5113), mm=1, Tsn=(9, 9), Asn=(6, 6), extra=tool(
                1, 1.298, 1.081, 0.136, alk=37.97, hff=0.984) + tool(
                    2, 1.418, 1.121, 0.336, alk=27.61, hff=0.827))),
        # A tool root radius whose rounding grazes the involute of a tip cut back by the tool.
        ("rounding grazing the involute", pair(mn=4.9877, beta=29.575, z=(12, 97), x=(
            0.0296, 0.1665), kmn=(0, -0.155), DM=(0, 0), extra=tool(1, 1.136, 1.218, 0.321) + tool(
                2, 1.237, 1.016, 0.217, rhof=0.278))),
        ("rounding grazing the involute at alpha 25", pair(alpha=24.995, mn=3.7007, z=(53, 62), x=(
            -0.079, 0.813), kmn=(-0.032, 0.476), mm=1, extra=tool(
                1, 1.314, 1.059, 0.023, rhof=0.277))),
        # No path of contact: nothing measured along it.
        ("no path of contact", pair(alpha=15.649, mn=1.3318, z=(6, -29), x=(0.1029, 0.15),
                                    kmn=(0.4905, -0.6475))),
        # A ring tip inside its base circle whose chamfer ends the involute outside it.
        ("chamfered ring tip inside db", pair(alpha=17.5, mn=1.5, z=(22, -35), x=(
            -0.3966, 0.3966), extra=tool(2, 1.25, 1, 0.3063, rhof=0.2535, alk=34.425,
                                         hff=0.5517))),
        # The lower limit's tip where kmn or the tool root radius passes 0.
        *[(f"lower tip, {name}", pair(mn=3.8805, beta=36.734, z=(39, 128), x=(0.1, 0), mm=1,
                                      kmn=(k, 0), Tsn=(5, 5), Asn=(8, 8), extra=extra))
          for name, k, extra in (("kmn 0", 0, []), ("kmn -0.006", -0.006, []), (
              "rhof 0.001", 0, tool(1, 1.25, 1, 0.25, rhof=0.001)))],
        # Sound pairs: table allowances, helical, internal.
        ("sound helical", pair(mn=4, beta=12, z=(23, 57), x=(0.2, 0.1), mm=1, Tsn=(5, 5),
                               Asn=(8, 8))),
        ("sound internal", pair(mn=3, z=(20, -80), x=(0.3, 0.3), mm=1, Tsn=(5, 5), Asn=(8, 8))),
        # The spaces of a ring gear counted with or without its sign.
        ("ring k typed", pair(mn=3, z=(20, -80), x=(0.3, 0.3), k=(3, 9), DM=(5, 5))),
    ]
    cases = [(name, text, None) for name, text in table]
    # The dimensions dialog's companion beside the start-up example's gear 2 and beside a ring:
    # gear 2 is sound, so nothing is reported, though the same pair with a real pinion (x 0.45,
    # undercut) is unsound; beside the companion a ball that misses gear 2's flank still is.
    dialog = dict(mn=6.5, beta=9, DM=(12, 12), mm=1, Tsn=(5, 5), Asn=(8, 8))
    for x1, unsound in ((0.5, False), (0.45, True)):
        cases.append((f"gear 58 beside z 6, x {x1}", pair(z=(6, 58), x=(x1, 0.57), **dialog),
                      unsound))
        cases.append((f"ring 58 beside z 6, x {x1}", pair(z=(6, -58), x=(x1, 0.2), **dialog),
                      unsound))
    # k chosen by the calculation itself: one whose span fits at every shift (the usual 71
    # would touch above dFa).
    cases.append(("k of z 300 at 40 degrees", pair(mn=1, beta=40, z=(6, 300), x=(0.5, 0),
                                                   mm=1, Tsn=(5, 1), Asn=(8, 11)), False))
    cases.append(("companion, ring ball too large",
                  pair(mn=6.5, z=(6, -58), x=(0.5, 0.2), DM=(12, 17)), True))
    # The shipped examples are sound pairs: no message at all.
    for job in sorted(os.listdir(os.path.join(source, "data"))):
        if job.endswith(".q1w"):
            cases.append((f"example {job}", f"job = {source}/data/{job}\n", "example"))
    return cases


def run_cases(gearcalc, cases):
    """Each case (name, gearcalc input, unsound or None or "example") against the reference:
    the exit status, with the failures printed."""
    for name, text, unsound in cases:
        if unsound == "example":
            _, msgs = run(gearcalc, text)
            if msgs:
                FAILURES.append(f"{name}: {msgs}")
            continue
        case(name, gearcalc, text, unsound)
    if FAILURES:
        print("\n".join(FAILURES))
        return 1
    return 0


def main():
    gearcalc, source = sys.argv[1], sys.argv[2]
    part, count = (int(sys.argv[3]), int(sys.argv[4])) if len(sys.argv) > 4 else (0, 1)
    if part == 0:
        check_ball_formula()
    return run_cases(gearcalc, table_cases(source)[part::count])


if __name__ == '__main__':
    sys.exit(main())
