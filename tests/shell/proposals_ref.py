#!/usr/bin/python3
"""Reference values for the input dialogs' proposals, in mpmath; one answer line per request line.

xmin ALPHA BETA Z: least shift without undercut, x = (5/6 zg - z / cos^3 beta) / zg with
    zg = 2 / sin^2 alpha (DIN 3960); answers "x VALUE THREE-DIGITS-ROUNDED-UP".
rhoa ALPHA HAP PRP: largest tip radius factor of a basic rack,
    0.99 (pi/4 cos a - haP0 sin a + prP0) / (1 - sin a); answers "rhoa VALUE ROUNDED-DOWN".
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
    step = mp.mpf(10) ** (int(mp.floor(mp.log10(abs(v)))) - 2)
    n = mp.ceil(v / step - mp.mpf('1e-20')) if up else mp.floor(v / step + mp.mpf('1e-20'))
    return mp.nstr(n * step, 3, strip_zeros=True)


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


for line in sys.stdin:
    f = line.split()
    if f[0] == 'xmin':
        a, b, z = mp.radians(mp.mpf(f[1])), mp.radians(mp.mpf(f[2])), mp.mpf(f[3])
        x = mp.mpf(5) / 6 - z * mp.sin(a) ** 2 / (2 * mp.cos(b) ** 3)
        print(f"x {mp.nstr(x, 20)} {sig3(x, True)}")
    elif f[0] == 'rhoa':
        a, hap, prp = mp.radians(mp.mpf(f[1])), mp.mpf(f[2]), mp.mpf(f[3])
        r = mp.mpf('0.99') * (mp.pi / 4 * mp.cos(a) - hap * mp.sin(a) + prp) / (1 - mp.sin(a))
        print(f"rhoa {mp.nstr(r, 20)} {sig3(r, False)}")
    else:
        print(ball(f[1:]))
