"""What the drawing check scripts share: the one-line report of a check ("ok ..." or
"FAIL ...", the failures kept in FAILS for the exit status), the command line of one drawing or
a batch of them, the involute function and the precision of the mpmath references."""
from mpmath import mp, tan

mp.dps = 30
FAILS = []


def check(cond, what):
    print(("ok   " if cond else "FAIL ") + what)
    if not cond:
        FAILS.append(what)


def inv(a):
    return tan(a) - a


def main(run, argv):
    """Runs run(file, {key: value}) for "FILE key=value ..." or for each such line of the file
    named after --batch; the exit status: 1 when a check failed."""
    if argv[1] == "--batch":
        for line in open(argv[2]):
            words = line.split()
            if words:
                run(words[0], dict(w.split("=", 1) for w in words[1:]))
    else:
        run(argv[1], dict(w.split("=", 1) for w in argv[2:]))
    return 1 if FAILS else 0
