#!/usr/bin/python3
"""Job files written by the program have their marker lines where the published layout puts
them, for jobs with load spectra, change records and drawing texts; gearcalc loads, changes and
saves jobs, and calculates every example job.

Each job is made by the reference writer (jobref.py), loaded by gearcalc ("job = ..."), changed
by one "name = value" line, calculated and saved ("save = ..."); the saved file is checked line by
line against positions computed here.

usage: jobfile_layout.py GEARCALC DATADIR
"""
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import jobref  # noqa: E402

failures = []


def check(cond, what):
    if not cond:
        failures.append(what)
        print('FAIL:', what)


def gearcalc(exe, text):
    return subprocess.run([exe], input=text, capture_output=True, text=True)


def expected_markers(n, m, t):
    """1-based line -> expected text, for a job with n spectrum entries, m changes, t texts."""
    at = {1: '-' * 65, 5: '-' * 65, 129: 'V6.0', 128: '----', 102: jobref.fixed_layout_head()[94][0][1:],
          156: 'Lastkollektiv', 157: '-' * 13, 159: str(n)}
    for i in range(8 + 4, 8 + 8):
        at[i] = '-' * 11
    at[7 + 17] = '-' * 11
    at[7 + 72] = '-' * 12
    at[7 + 146] = ' '
    at[7 + 148] = ' '
    changes = 159 + 2 * n + 9 + 1
    at[changes] = 'CHANGES'
    at[changes + 1] = str(m)
    at[changes + 2] = '-' * 20
    for i in range(m):
        at[changes + 3 + 5 * i + 4] = '-' * 14
    record = changes + 3 + 5 * m
    docs = record + 5 + t
    at[docs] = 'documents'
    at[docs + 1] = '5'
    at[docs + 2] = '-' * 20
    for i in range(5):
        at[docs + 3 + 3 * i + 2] = '-' * 14
    total = 237 + 2 * n + 5 * m + t
    return at, record, docs, total


def main():
    exe, datadir = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp(prefix='qor_layout_')
    try:
        run(exe, datadir, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if failures:
        print('%d failure(s)' % len(failures))
        sys.exit(1)
    print('ok')


def run(exe, datadir, work):
    for n, m, t in ((0, 0, 0), (3, 2, 2), (128, 25, 8), (1, 0, 8), (0, 3, 0)):
        v = jobref.default_values()
        v['spectrum'] = [(0.25 * (i + 1), 100.0 * (i + 1)) for i in range(n)]
        v['changes'] = [{'text': 'Change %d' % i, 'date': '01.01.2024', 'name': 'ab',
                         'description': 'line one\nline two %d' % i} for i in range(m)]
        v['texts'] = [(1.5 * (i + 1), 2.0, 3.5, 0.0, 'Text %d' % i) for i in range(t)]
        v['ToothAlignment[2]'] = 2
        src = os.path.join(work, 'in_%d_%d_%d.q1w' % (n, m, t))
        dst = os.path.join(work, 'out_%d_%d_%d.q1w' % (n, m, t))
        with open(src, 'wb') as f:
            f.write(jobref.encode(jobref.job_lines(v)))
        p = gearcalc(exe, 'job = %s\nDrawingName[2] = Changed\nsave = %s\n' % (src, dst))
        tag = 'job n=%d m=%d t=%d' % (n, m, t)
        check(p.returncode == 0, '%s: gearcalc exit %d: %s' % (tag, p.returncode, p.stderr))
        if not os.path.exists(dst):
            check(False, '%s: nothing saved' % tag)
            continue
        data = open(dst, 'rb').read()
        check(data.endswith(b'\r\n') and data.count(b'\n') == data.count(b'\r\n'),
              '%s: every line ends in CR LF' % tag)
        lines = data.decode('cp437').split('\r\n')[:-1]
        at, record, docs, total = expected_markers(n, m, t)
        check(len(lines) == total, '%s: %d lines, expected %d' % (tag, len(lines), total))
        for line_no, text in sorted(at.items()):
            got = lines[line_no - 1] if line_no <= len(lines) else None
            check(got == text, '%s: line %d is %r, expected %r' % (tag, line_no, got, text))
        check(lines[7 + 3 - 1] == 'Changed', '%s: DrawingName[2] changed' % tag)
        check(lines[-1] == '2', '%s: hand of helix of gear 2 appended' % tag)
        for i in range(2 * n):
            float(lines[159 + i])  # every spectrum value is a number
        fields = lines[record - 1].split('|')
        check(len(fields) == 9 and fields[6] == str(t) and fields[8] == '',
              '%s: signature record %r' % (tag, lines[record - 1]))
        for i in range(m):
            desc = lines[record - 1 - 5 * (m - i) + 3]
            check(desc == 'line one|line two %d' % i, '%s: description %r' % (tag, desc))
        for i in range(t):
            check(lines[record + 4 + i].endswith('|Text %d||' % i),
                  '%s: drawing text %r' % (tag, lines[record + 4 + i]))

    # A job that cannot be loaded: exit 1 and a message, nothing saved.
    lines = jobref.encode(jobref.job_lines(jobref.default_values())).split(b'\r\n')
    cut = os.path.join(work, 'cut.q1w')
    with open(cut, 'wb') as f:
        f.write(b'\r\n'.join(lines[:100]))
    out = os.path.join(work, 'never.q1w')
    p = gearcalc(exe, 'job = %s\nsave = %s\n' % (cut, out))
    check(p.returncode == 1 and 'cannot be read' in p.stderr and not os.path.exists(out),
          'truncated job: exit %d, %r' % (p.returncode, p.stderr))
    p = gearcalc(exe, 'alpha = 20\njob = %s\n' % cut)
    check(p.returncode == 1, 'job after another line is refused')

    # Every example job calculates, given as the argument or on the first line.
    for name in ('null', 'spur', 'helical', 'internal'):
        path = os.path.join(datadir, name + '.q1w')
        p = subprocess.run([exe, path], capture_output=True, text=True)
        check(p.returncode == 0, '%s: exit %d %s' % (name, p.returncode, p.stderr))
        check('CalcErrorFlag = 0' in p.stdout, '%s: calculated without fatal error' % name)
        p = gearcalc(exe, '# example\njob = %s\n' % path)
        check(p.returncode == 0, '%s via job line: exit %d' % (name, p.returncode))


if __name__ == '__main__':
    main()
