#!/usr/bin/python3
"""Feeds gearcalc many odd but well-formed inputs (zero, tiny, huge and extreme values, every
table code, whole numbers at the ends of their type) and checks that each run ends with status
0 or 2, never with a crash or a sanitizer report; that a fatal stop always leaves a fatal
message; that a run ending 0 has only finite numbers; and that a job saved by a run loads again
and saves byte for byte the same.

usage: gearcalc_odd_inputs.py GEARCALC [SEED] [RUNS]
"""
import os
import random
import subprocess
import sys
import tempfile

REALS = ['alpha', 'beta', 'mn', 'b', 'a', 'Aae', 'Aai', 'x[1]', 'x[2]', 'bGear[1]', 'da[1]',
         'da[2]', 'kmn[1]', 'kmn[2]', 'TipModeValue[1]', 'TipModeValue[2]', 'Asne[1]',
         'Asni[2]', 'q[1]', 'qTol[1]', 'q[2]', 'qTol[2]', 'DM[1]', 'DM[2]', 'hfP0mn[1]',
         'haP0mn[2]', 'rhoaP0mn[1]', 'rhofP0mn[2]', 'prP0mn[2]', 'alprP0[2]', 'hFfP0mn[1]',
         'alkP0[1]', 'alkP0[2]']
REAL_VALUES = ['0', '-0', '1e-300', '-1e-300', '1e300', '-1e300', '1e4000', '0.5', '-3', '2.5',
               '1e9', '-1e9', '45', '44.999', '89', '7e-10', '20', '0.001', '1e4089',
               '-1.18e4932', '1.18e4932', '3.7e-4951', '99999.99', '100000.01', '89.99999']
INTS = ['z[1]', 'z[2]', 'k[1]', 'k[2]', 'Q[1]', 'Q[2]', 'MeasureMode', 'QualityStandard',
        'WarningMode']
INT_VALUES = ['0', '1', '-1', '2', '-2', '3', '100000', '-100000', '17', '-71', '12', '25',
              '2147483647', '-2147483648', '10000', '-10001', '11', '13']
CODES = ['AaField', 'TipInputMode[1]', 'TipInputMode[2]', 'TsnSeries[1]', 'TsnSeries[2]',
         'AsnSeries[1]', 'AsnSeries[2]', 'BasicRackType[1]', 'BasicRackType[2]', 'UnitSystem']
CODE_VALUES = ['0', '1', '2', '3', '4', '5', '8', '9', '10', '11', '12', '65535']
TEXTS = ['DrawingName[2]', 'ToothCorrection[1]', 'MatName[2]']


def non_finite(stdout):
    """The first output line whose value is no finite number (inf or nan), or None. Python's
    float cannot hold every long double, so the text decides. An inspection dimension without
    solution is nan with its error for that gear in the message list, and so is the tip thickness
    of a tip inside the base circle, and the contact ratio of a pair with such a tip and what is
    measured along its path of contact."""
    lines = stdout.splitlines()
    messages = [line.partition(' = ')[2] for line in lines if line.startswith('message = ')]
    for line in lines:
        name, _, value = line.partition(' = ')
        if name != 'message' and value.strip().lower().lstrip('+-') in ('inf', 'nan'):
            gear = name[-3:]  # "[i]"
            measure = name.startswith(('W', 'MdK', 'MdR')) and gear in ('[1]', '[2]')
            why = ("Error  : Dm ball", "Error  : ball contact", "Error  : span contact",
                   "Error  : no ball")
            if name[:-3] in ('sat', 'san', 'satMax', 'satMin', 'sanMax', 'samin', 'saK', 'alphaat'):
                measure, why = True, ("Error  : db > da",)
            of = "(%s)" % gear[1]
            if name in ('galpha', 'epsalpha', 'epsgamma', 'gAC', 'gEC', 'zetaA1', 'zetaA2',
                        'zetaE1', 'zetaE2', 'dNf[1]', 'dNf[2]', 'jtShiftMin', 'jtShiftMax'):
                # no path of contact, nothing measured along it
                measure, why, of = True, ("Error  : db > da", "Error  : no involute"), ""
            if measure and value.strip() == 'nan' and any(
                    m.startswith(why) and of in m for m in messages):
                continue
            return line
    return None


def reload_problem(gc, path, scratch):
    """Loads a saved job and saves it again, without a calculation in between: None when the
    second file is the same."""
    again = os.path.join(scratch, 'again.q1w')
    p = subprocess.run([gc], input='job = %s\ncalc = 0\nsave = %s\n' % (path, again),
                       capture_output=True, text=True)
    if p.returncode not in (0, 2):
        return 'reload status %d: %s' % (p.returncode, p.stderr[-300:])
    with open(path, 'rb') as a, open(again, 'rb') as b:
        if a.read() != b.read():
            return 'the job saved after a reload differs'
    return None


def main():
    gc = sys.argv[1]
    rnd = random.Random(int(sys.argv[2]) if len(sys.argv) > 2 else 7)
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 250
    failures = 0
    scratch = tempfile.mkdtemp(prefix='gearcalc_odd_')
    saved = os.path.join(scratch, 'saved.q1w')
    for n in range(runs):
        lines = []
        for _ in range(rnd.randint(1, 6)):
            r = rnd.random()
            if r < 0.5:
                lines.append('%s = %s' % (rnd.choice(REALS), rnd.choice(REAL_VALUES)))
            elif r < 0.75:
                lines.append('%s = %s' % (rnd.choice(INTS), rnd.choice(INT_VALUES)))
            elif r < 0.95:
                lines.append('%s = %s' % (rnd.choice(CODES), rnd.choice(CODE_VALUES)))
            else:
                lines.append('%s = %s' % (rnd.choice(TEXTS), 'x' * rnd.randint(0, 80)))
        save = n % 5 == 0
        if save:
            lines.append('save = ' + saved)
        text = '\n'.join(lines) + '\n'
        p = subprocess.run([gc], input=text, capture_output=True, text=True)
        problem = None
        if p.returncode not in (0, 2):
            problem = 'status %d' % p.returncode
        elif 'runtime error' in p.stderr or 'Sanitizer' in p.stderr:
            problem = 'sanitizer report'
        elif p.returncode == 2 and '\nmessage = Fatal' not in p.stdout:
            problem = 'fatal stop without a fatal message'
        elif p.returncode == 0 and non_finite(p.stdout):
            problem = 'exit 0 with ' + non_finite(p.stdout)
        elif save:
            problem = reload_problem(gc, saved, scratch)
        if problem:
            failures += 1
            print('%s for input:\n%s%s' % (problem, text, p.stderr[-800:]))
            if failures >= 5:
                break
    print('%d runs, %d failures' % (runs, failures))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
