#!/usr/bin/python3
"""Reference values for the input dialogs' proposals, in mpmath; one answer line per request line.

xmin ALPHA BETA Z ASNI MN: least shift without undercut, x = (5/6 zg - z / cos^3 beta) / zg with
    zg = 2 / sin^2 alpha (DIN 3960), at least -1.5, beside gear 1 (z 6, x 0.5) with an operating
    angle (inv at + 2 tan an (0.5 + x) / (6 + z) > 0), and a lower allowance ASNI of at most a
    quarter of the tooth thickness sn = (pi/2 + 2 x tan an) mn in size; answers "x VALUE SHOWN-UP".
    (A ball circle inside the base circle has no usual ball, which stops nothing.)
tool ALPHA HAP PRP HF RHOA ALK HFF: answers "tool RHOA RHOF HAP0" shown down: the largest tip
    radius 0.99 (pi/4 cos a - haP0 sin a + prP0) / (1 - sin a) (0 if none); the largest root
    radius r (0.3 at most) whose centre, r below the root line y = hf and r from the flank (x =
    pi/4 + y tan a, from y = hFf at the chamfer angle), keeps its contacts before x = pi/2 and on
    the flank; the addendum proposed: 1.25 where it leaves a tip radius of 0.1, else the one that
    leaves exactly that.
pointed ALPHA PRP X: answers "pointed 1" when X (three decimals) lies just below the addendum
    (pi/4 cos a + prP0) / sin a at which the flanks of the rack tooth meet, else "pointed 0".
span Z ALPHA BETA MN B K USUAL N (X DFF DFA)*N: base tangent length (DIN 3960) W = mn cos an
    ((k - s/2) pi + z inv at) + 2 x mn sin an (s = sign z) touches at sqrt(db^2 + (W cos beta_b)^2);
    the face width B takes it when B >= W sin beta_b + 2 + 0.03 W at the first shift (or beta 0);
    answers "span FITS EXISTS NEAREST WIDE": K, some k, K nearest to USUAL (middle for 0) among the
    k that touch DFF .. DFA and that B takes (where none, among those that touch); B takes K or no
    k that touches.
ball Z ALPHA BETA MN DA DM USUAL N (X DFF DFA)*N: a ball in the spaces of an involute gear
    (z < 0 internal, diameters signed as z) measured at N generating shifts X with the usable
    flank DFF .. DFA. Ball centre (DIN 3960): inv aKt = inv at + DM / (z mn cos an) - pi / (2 z)
    + 2 x tan an / z; dimension MdK = dK + DM (cos(90/z) dK for odd z); contact in the plane
    tangent to the base cylinder, DM/2 cos(beta_b) from the centre along the base tangent.
    Answers "ball FITS EXISTS USUALFITS above ABOVE": the ball DM stands beyond the tip circle
    and touches the usable flank at every shift; some ball does (bisection over its size); the
    ball USUAL does; the ball DM stands beyond the tip circle and touches no lower than DFF.
"""
import sys

import mpmath as mp

mp.mp.dps = 30


def inv(a):
    return mp.tan(a) - a


def arcinv(y):
    lo, hi = mp.mpf(0), mp.pi / 2
    for _ in range(60):
        lo, hi = ((lo + hi) / 2, hi) if inv((lo + hi) / 2) < y else (lo, (lo + hi) / 2)
    return mp.findroot(lambda t: inv(t) - y, (lo + hi) / 2)


def sig3(v, up):
    """v rounded as the dialogs show it: three decimals from 1 up, three digits below 1."""
    dec = max(0, 3 - int(mp.floor(mp.log10(abs(v))))) if abs(v) >= 1 else 2 - int(mp.floor(mp.log10(abs(v))))
    n = int(mp.ceil(v * 10 ** dec - mp.mpf('1e-20')) if up else mp.floor(v * 10 ** dec + mp.mpf('1e-20')))
    t = f"{abs(n):0{dec + 1}d}"
    return ("-" if n < 0 else "") + ((t[:-dec] + "." + t[-dec:]).rstrip("0").rstrip(".") if dec else t)


def ball(f):
    z, s = int(f[0]), (-1 if f[0].startswith('-') else 1)
    an, b = mp.radians(mp.mpf(f[1])), mp.radians(mp.mpf(f[2]))
    mn, da, dm, usual = map(mp.mpf, f[3:7])
    v = [mp.mpf(a) for a in f[8:]]
    states = [v[k:k + 3] for k in range(0, len(v), 3)]
    at = mp.atan(mp.tan(an) / mp.cos(b))
    db = z * mn / mp.cos(b) * mp.cos(at)
    bb = mp.atan(mp.tan(b) * mp.cos(at))
    odd = mp.cos(mp.pi / (2 * z)) if z % 2 else 1

    def check(d):
        """(stands above the tip and touches above dFf, touches below dFa), at every shift."""
        high = low = True
        for x, dff, dfa in states:
            y = inv(at) + d / (z * mn * mp.cos(an)) - mp.pi / (2 * z) + 2 * x * mp.tan(an) / z
            if y <= 0:  # no seat: an external gear's ball falls through, an internal's is too big
                high, low = (False, low) if s > 0 else (high, False)
                continue
            aK = arcinv(y)
            t = mp.tan(aK) - d * mp.cos(bb) / db
            if t <= 0:  # the contact would lie at or below the base circle: it falls through
                high = False
                continue
            dY = db * mp.sqrt(1 + t * t)
            # Signed like z, the conditions read the same for internal gears.
            high = high and odd * db / mp.cos(aK) + d > da and dY >= dff
            low = low and dY <= dfa
        return high, low

    lo, hi = mp.mpf(0), 4 * abs(db)
    exists = check(hi)[0]
    if exists:
        for _ in range(120):
            lo, hi = (lo, (lo + hi) / 2) if check((lo + hi) / 2)[0] else ((lo + hi) / 2, hi)
        exists = check(hi * (1 + mp.mpf('1e-12')))[1]
    return f"ball {int(all(check(dm)))} {int(exists)} {int(all(check(usual)))} above {int(check(dm)[0])}"


def rhof(a, ha, hf, rhoa, alk, hff):
    a, g, chamfer = mp.radians(a), mp.radians(alk), abs(alk - a) >= mp.mpf('0.001')
    g, cx, low = (g, mp.pi / 4 + hff * mp.tan(a) + (hf - hff) * mp.tan(g), hff) if chamfer else \
        (a, mp.pi / 4 + hf * mp.tan(a), rhoa * (1 - mp.sin(a)) - ha)  # corner C at y = hf, flank end
    # centre (cx - r tan g + r / cos g, hf - r); tangent points x = centre x, y = hf - r + r sin g
    r = min((mp.pi / 2 - cx) / (1 / mp.cos(g) - mp.tan(g)), (hf - low) / (1 - mp.sin(g)))
    return '0.3' if r >= 0.3 else sig3(r, False) if r > 0 else '0'


def span(f):
    z, s, k, usual, n = int(f[0]), (-1 if f[0].startswith('-') else 1), int(f[5]), abs(int(f[6])), int(f[7])
    an, b, mn, width = mp.radians(mp.mpf(f[1])), mp.radians(mp.mpf(f[2])), mp.mpf(f[3]), mp.mpf(f[4])
    at = mp.atan(mp.tan(an) / mp.cos(b))
    db, bb = z * mn / mp.cos(b) * mp.cos(at), mp.atan(mp.tan(b) * mp.cos(at))

    def span(k, x):
        return mn * mp.cos(an) * ((k - s * mp.mpf(0.5)) * mp.pi + z * inv(at)) + 2 * x * mn * mp.sin(an)

    def fits(k):  # diameters signed like z: the conditions read the same for internal gears
        for x, dff, dfa in (map(mp.mpf, f[8 + 3 * j:11 + 3 * j]) for j in range(n)):
            w = span(k, x)
            if w * s <= 0 or not dff <= s * mp.sqrt(db ** 2 + (w * mp.cos(bb)) ** 2) <= dfa:
                return False
        return True

    def wide(k):
        w = span(k, mp.mpf(f[8]))
        return b == 0 or width >= mp.sin(bb) * w + 2 + mp.mpf('0.03') * w

    good = [j for j in range(1, abs(z) + 1) if fits(s * j)]
    both = [j for j in good if wide(s * j)] or good
    target = usual or (good and good[(len(good) - 1) // 2])
    near = both and min(both, key=lambda j: abs(j - target))
    takes = wide(k) or not any(wide(s * j) for j in good)
    return f"span {int(fits(k))} {int(bool(good))} {int(near == abs(k))} {int(takes)}"


for line in sys.stdin:
    f = line.split()
    if f[0] == 'xmin':
        a, b, z, asni, mn = mp.radians(mp.mpf(f[1])), mp.radians(mp.mpf(f[2])), *map(mp.mpf, f[3:6])
        at = mp.atan(mp.tan(a) / mp.cos(b))
        x = max(mp.mpf(5) / 6 - z * mp.sin(a) ** 2 / (2 * mp.cos(b) ** 3), -mp.mpf('1.5'),
                -mp.mpf(1) / 2 - inv(at) * (6 + z) / (2 * mp.tan(a)))
        if abs(mp.pi / 2 + 2 * x * mp.tan(a)) * mn < 4 * abs(asni):  # |sn| within 4 |Asni|
            x = (4 * abs(asni) / mn - mp.pi / 2) / (2 * mp.tan(a))
        print(f"x {mp.nstr(x, 20)} {sig3(x, True)}")
    elif f[0] == 'tool':
        v = list(map(mp.mpf, f[1:]))
        a = mp.radians(v[0])
        r = mp.mpf('0.99') * (mp.pi / 4 * mp.cos(a) - v[1] * mp.sin(a) + v[2]) / (1 - mp.sin(a))
        tip = mp.mpf('0.99') * (mp.pi / 4 * mp.cos(a) - mp.mpf('1.25') * mp.sin(a) + v[2]) / (1 - mp.sin(a))
        ha = (mp.pi / 4 * mp.cos(a) + v[2] - mp.mpf('0.1') * (1 - mp.sin(a)) / mp.mpf('0.99')) / mp.sin(a)
        print(f"tool {sig3(r, False) if r > 0 else '0'} {rhof(v[0], v[1], *v[3:])} "
              f"{'1.25' if tip >= mp.mpf('0.1') else sig3(ha, False)}")
    elif f[0] == 'pointed':
        a, pr, x = mp.radians(mp.mpf(f[1])), mp.mpf(f[2]), mp.mpf(f[3])
        limit = (mp.pi / 4 * mp.cos(a) + pr) / mp.sin(a)
        print(f"pointed {int(x < limit <= x + mp.mpf('0.001'))}")
    elif f[0] == 'span':
        print(span(f[1:]))
    else:
        print(ball(f[1:]))
