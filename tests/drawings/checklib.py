"""What the drawing check scripts share: the one-line report of a check ("ok ..." or
"FAIL ...", the failures kept in FAILS for the exit status), the involute function and the
precision of the mpmath references."""
from mpmath import mp, tan

mp.dps = 30
FAILS = []


def check(cond, what):
    print(("ok   " if cond else "FAIL ") + what)
    if not cond:
        FAILS.append(what)


def inv(a):
    return tan(a) - a
