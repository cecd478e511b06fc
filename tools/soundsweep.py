#!/usr/bin/python3
"""soundsweep: random gear pairs through gearcalc, each judged by the independent mpmath reference
of tests/calc/soundness_ref.py (every error the final checks must give and no other, the
dimensions without solution, the tip form diameters, the contact ratio, the limits the tool
warnings name) and by gearcalc's own relations check. Too slow for the test suite (a few seconds a
pair); run it before a change of the calculation's verdicts is called done:

    soundsweep.py GEARCALC [COUNT [SEED [JOBS]]]     (default 200 pairs, seed 1, 4 processes)

A third of the pairs have a ring gear, half of those chamfered; half leave the ball and k to the
calculation (MeasureMode 1); tools of their own, table allowances, premachining, short and cut
tips. It prints the failures with the pair's gearcalc input and exits 1 when there are any.
"""
import multiprocessing
import os
import random
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "calc"))
import soundness_ref as ref  # noqa: E402

def random_cases(count, seed):
    """count random pairs (of the seed): a third with a ring gear, half of those chamfered; half
    with the ball and k chosen by the calculation; tools of their own, table allowances,
    premachining, short and cut tips."""
    rnd = random.Random(seed)
    u, one_in = rnd.uniform, lambda n: rnd.randrange(n) == 0
    cases = []
    for n in range(count):
        z1 = rnd.randint(6, 12) if one_in(4) else rnd.randint(13, 60)
        ring = n % 3 == 0
        z2 = -(z1 + rnd.randint(3, 120)) if ring else rnd.randint(z1, 160)
        x1 = round(u(-0.4, 1.0), 4)
        x2 = round(u(-0.8, 0.6) if ring else u(-0.4, 1.0), 4)
        extra, chamfers = [], []
        for i in (1, 2):
            kind = rnd.randrange(6) if not (ring and i == 2) else rnd.choice((0, 3, 3, 5))
            if kind >= 3:  # chamfered (3), with a root radius (5), or plain (4)
                hf = round(u(0.9, 1.3), 3)
                extra += ref.tool(i, round(u(1.1, 1.4), 3), hf, round(u(0, 0.35), 3),
                                  rhof=round(u(0, 0.3), 3) if kind == 5 else 0,
                                  alk=round(u(25, 45), 2) if kind == 3 else 0,
                                  hff=round(u(0.3, 0.9) * hf, 3) if kind == 3 else None)
                chamfers += [len(extra) - 2] if kind == 3 else []
            if one_in(4):
                extra.append(f"kmn[{i}] = {round(u(-0.3, 0.5), 3)}")
            if one_in(4):
                extra += [f"q[{i}] = {round(u(0, 0.1), 4)}", f"qTol[{i}] = {round(u(0, 0.05), 4)}"]
        p = dict(alpha=round(u(14, 28), 3) if one_in(3) else 20,
                 beta=round(u(0, 40), 3) if one_in(2) else 0, mn=round(u(0.5, 12), 4),
                 z=(z1, z2), x=(x1, x2), mm=rnd.randrange(2), extra=extra,
                 DM=(0, 0), k=(0, 0))
        for k in chamfers:  # a chamfer steeper than the flank (the input check warns below it)
            name, alk = extra[k].split(" = ")
            extra[k] = f"{name} = {max(float(alk), p['alpha'] + 5)}"
        if one_in(2):
            p.update(Tsn=(rnd.randint(1, 10), rnd.randint(1, 10)),
                     Asn=(rnd.randint(1, 11), rnd.randint(1, 11)))
        cases.append((f"random {seed}:{n}", ref.pair(**p), None))
    return cases



def part(args):
    """The failures of a share of the cases, and how many the calculation refused (a pair
    without operating pressure angle, a root below the axis: random pairs may be such)."""
    gearcalc, cases = args
    taken = [c for c in cases if subprocess.run([gearcalc], input=c[1], capture_output=True,
                                                text=True).returncode == 0]
    failures = []
    for name, text, unsound in taken:
        ref.FAILURES.clear()
        try:
            ref.case(name, gearcalc, text, unsound)
        except Exception as e:  # (a pair the reference cannot work out is a failure too)
            ref.FAILURES.append(f"{name}: the reference fails: {e!r}")
        for f in ref.FAILURES:
            failures.append(f + "\n" + text)
            print("FAILED " + failures[-1], flush=True)
    return failures, len(cases) - len(taken)


def main():
    gearcalc = sys.argv[1]
    count, seed, jobs = (int(a) for a in (sys.argv[2:] + ["200", "1", "4"][len(sys.argv) - 2:])[:3])
    cases = random_cases(count, seed)
    with multiprocessing.Pool(jobs) as pool:
        shares = pool.map(part, [(gearcalc, cases[k::jobs]) for k in range(jobs)])
    failures = sum((f for f, _ in shares), [])
    print("\n".join(failures))
    print(f"{count} pairs, {sum(r for _, r in shares)} refused by the calculation, "
          f"{len(failures)} failed")
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
