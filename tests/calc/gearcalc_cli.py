#!/usr/bin/python3
"""Checks the gearcalc command line: start-up example values, fatal inputs and their exit
status, bad input, comments and repeatability.

usage: gearcalc_cli.py GEARCALC
"""
import subprocess
import sys
import tempfile

failures = []


def run(gearcalc, text, as_file=False):
    if as_file:
        with tempfile.NamedTemporaryFile('w', suffix='.txt', delete=False) as f:
            f.write(text)
        p = subprocess.run([gearcalc, f.name], capture_output=True, text=True)
    else:
        p = subprocess.run([gearcalc], input=text, capture_output=True, text=True)
    values, messages = {}, []
    for line in p.stdout.splitlines():
        k, _, v = line.partition(' = ')
        if k == 'message':
            messages.append(v)
        else:
            values[k] = v
    return p, values, messages


def check(cond, what):
    if not cond:
        failures.append(what)
        print('FAIL:', what)


def near(values, key, expected, tol=1e-9):
    got = values.get(key)
    check(got is not None and abs(float(got) - expected) <= tol,
          '%s = %s, expected %.12g' % (key, got, expected))


def main():
    gc = sys.argv[1]

    # The start-up example (numbers from the textbook formulas, 12 digits).
    p, v, m = run(gc, '# nothing but a comment\n\n')
    check(p.returncode == 0, 'start-up example exits 0 (got %d)' % p.returncode)
    near(v, 'a', 249.995698703)
    near(v, 'alphawt', 0.417936609135, 1e-12)
    near(v, 'd[1]', 105.296373082)
    near(v, 'd[2]', 381.699352422)
    near(v, 'db[1]', 98.801366576)
    near(v, 'db[2]', 358.154953837)
    near(v, 'dw[1]', 108.106248088)
    near(v, 'dw[2]', 391.885149319)
    check(v.get('TolZone[1]') == 'e 25' and v.get('TolZone[2]') == 'e 25',
          'TolZone "e 25" (got %r / %r)' % (v.get('TolZone[1]'), v.get('TolZone[2]')))
    check(v.get('CalcErrorFlag') == '0', 'no fatal error for the start-up example')

    # Two runs give the same output, from a file as from standard input.
    p2, _, _ = run(gc, '# nothing but a comment\n\n', as_file=True)
    check(p.stdout == p2.stdout, 'two runs give identical output')

    # Spur T1 and internal T3.
    t1 = ('mn = 2\nz[1] = 20\nz[2] = 40\nx[1] = 0\nx[2] = 0\nb = 20\nalpha = 20\nbeta = 0\n'
          'a = 0\nBasicRackType[1] = 1\nBasicRackType[2] = 1\nTipInputMode[1] = 2\n'
          'TipInputMode[2] = 2\nkmn[1] = 0\nkmn[2] = 0\nq[1] = 0\nq[2] = 0\n'
          'TsnSeries[1] = 11\nTsnSeries[2] = 11\nAsne[1] = 0\nAsni[1] = 0\nAsne[2] = 0\n'
          'Asni[2] = 0\nAaField = 9\nAae = 0  # entered\nAai = 0\n')
    p, v, m = run(gc, t1)
    check(p.returncode == 0, 'T1 exits 0')
    near(v, 'a', 60.0, 1e-12)
    near(v, 'd[1]', 40.0, 1e-12)
    near(v, 'd[2]', 80.0, 1e-12)
    near(v, 'db[1]', 37.587704831436, 1e-11)
    near(v, 'dw[2]', 80.0, 1e-11)
    near(v, 'dfmax[1]', 35.0, 1e-12)
    near(v, 'da[2]', 84.0, 1e-12)
    p, v, m = run(gc, t1 + 'mn = 3\nz[2] = -80\n')
    check(p.returncode == 0, 'T3 exits 0')
    near(v, 'a', -90.0, 1e-11)
    near(v, 'd[2]', -240.0, 1e-12)
    near(v, 'db[2]', -225.526228989, 1e-9)
    near(v, 'dfmax[2]', -247.5, 1e-12)
    near(v, 'da[2]', -234.0, 1e-12)

    # Fatal inputs: their message, the flag and exit status 2.
    for line, msg in [('alpha = 50', 'Fatal  : 5 < alpha < 50\u00b0 !'),
                      ('beta = 60', 'Fatal  : 0 <= beta < 60\u00b0 !'),
                      ('z[2] = 0', 'Fatal  : z = 0 !'),
                      ('mn = 0', 'Fatal  : mn <= 0!'),
                      ('alpha = 47', 'Fatal  : alpha !'),
                      ('b = 0', 'Fatal  : b <= 0!'),
                      ('z[1] = 1', 'Fatal  : z1 < 2!'),
                      ('kmn[1] = 1e8', 'Fatal  : da of the wrong sign (1) !')]:
        p, v, m = run(gc, line + '\n')
        check(p.returncode == 2, '%s exits 2 (got %d)' % (line, p.returncode))
        check(v.get('CalcErrorFlag') == '1', '%s sets CalcErrorFlag' % line)
        check(msg in m, '%s gives "%s" (got %r)' % (line, msg, m))

    # A limit in a warning is in the unit of the sheets.
    for unit, msg in (('0', 'Warning: Tsn DIN d<2 mm !'), ('1', 'Warning: Tsn DIN d<0.07874 in !')):
        p, v, m = run(gc, 'mn = 0.05\nz[1] = 16\nz[2] = 20\nbeta = 0\nUnitSystem = %s\n' % unit)
        check(msg in m, '"%s" (got %r)' % (msg, m))

    # Bad input: status 1, a message on stderr, nothing on stdout.
    for text in ['nosuchname = 1\n', 'alpha = twenty\n', 'z[3] = 5\n', 'z = 5\n',
                 'alpha[1] = 5\n', 'alpha 20\n', 'z[2] = 1.5\n', 'AaField = -1\n',
                 'mn = nan\n', 'mn = inf\n']:
        p, v, m = run(gc, text)
        check(p.returncode == 1 and p.stderr.strip() != '' and p.stdout == '',
              'bad input %r exits 1 with a message (got %d, %r)'
              % (text, p.returncode, p.stderr))
    p = subprocess.run([gc, '/nonexistent/input.txt'], capture_output=True, text=True)
    check(p.returncode == 1 and p.stderr.strip() != '', 'a missing input file exits 1')

    # Texts take the rest of the line and keep their capacity.
    p, v, m = run(gc, 'ToothCorrection[2] = crowned 5 µm, tip relief\n'
                      'BasicRackName[2] = abcdefghijklmnop\n')
    check(v.get('ToothCorrection[2]') == 'crowned 5 µm, tip relief', 'text values are kept')

    print('%d failures' % len(failures))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
