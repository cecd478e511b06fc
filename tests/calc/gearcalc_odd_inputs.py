#!/usr/bin/python3
"""Feeds gearcalc many odd but well-formed inputs (zero, tiny, huge, negative values, every
table code) and checks that each run ends with status 0 or 2, never with a crash or a
sanitizer report, and that a fatal stop always leaves a message.

usage: gearcalc_odd_inputs.py GEARCALC [SEED] [RUNS]
"""
import random
import subprocess
import sys

REALS = ['alpha', 'beta', 'mn', 'b', 'a', 'Aae', 'Aai', 'x[1]', 'x[2]', 'bGear[1]', 'da[1]',
         'da[2]', 'kmn[1]', 'kmn[2]', 'TipModeValue[1]', 'TipModeValue[2]', 'Asne[1]',
         'Asni[2]', 'q[1]', 'qTol[1]', 'q[2]', 'qTol[2]', 'DM[1]', 'DM[2]', 'hfP0mn[1]',
         'haP0mn[2]', 'rhoaP0mn[1]', 'rhofP0mn[2]', 'prP0mn[2]', 'alprP0[2]', 'hFfP0mn[1]',
         'alkP0[1]', 'alkP0[2]']
REAL_VALUES = ['0', '-0', '1e-300', '-1e-300', '1e300', '-1e300', '1e4000', '0.5', '-3', '2.5',
               '1e9', '-1e9', '45', '44.999', '89', '7e-10', '20', '0.001']
INTS = ['z[1]', 'z[2]', 'k[1]', 'k[2]', 'Q[1]', 'Q[2]', 'MeasureMode', 'QualityStandard',
        'WarningMode']
INT_VALUES = ['0', '1', '-1', '2', '-2', '3', '100000', '-100000', '17', '-71', '12', '25']
CODES = ['AaField', 'TipInputMode[1]', 'TipInputMode[2]', 'TsnSeries[1]', 'TsnSeries[2]',
         'AsnSeries[1]', 'AsnSeries[2]', 'BasicRackType[1]', 'BasicRackType[2]', 'UnitSystem']
CODE_VALUES = ['0', '1', '2', '3', '4', '5', '8', '9', '10', '11', '12', '65535']


def main():
    gc = sys.argv[1]
    rnd = random.Random(int(sys.argv[2]) if len(sys.argv) > 2 else 7)
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 250
    failures = 0
    for _ in range(runs):
        lines = []
        for _ in range(rnd.randint(1, 6)):
            r = rnd.random()
            if r < 0.55:
                lines.append('%s = %s' % (rnd.choice(REALS), rnd.choice(REAL_VALUES)))
            elif r < 0.8:
                lines.append('%s = %s' % (rnd.choice(INTS), rnd.choice(INT_VALUES)))
            else:
                lines.append('%s = %s' % (rnd.choice(CODES), rnd.choice(CODE_VALUES)))
        text = '\n'.join(lines) + '\n'
        p = subprocess.run([gc], input=text, capture_output=True, text=True)
        problem = None
        if p.returncode not in (0, 2):
            problem = 'status %d' % p.returncode
        elif 'runtime error' in p.stderr or 'Sanitizer' in p.stderr:
            problem = 'sanitizer report'
        elif p.returncode == 2 and '\nmessage = ' not in p.stdout:
            problem = 'fatal stop without a message'
        if problem:
            failures += 1
            print('%s for input:\n%s%s' % (problem, text, p.stderr[-800:]))
            if failures >= 5:
                break
    print('%d runs, %d failures' % (runs, failures))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
