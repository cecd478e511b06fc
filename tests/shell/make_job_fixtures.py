#!/usr/bin/python3
"""Writes the hand-made job fixtures of tests/data/jobs from the reference layout (jobref.py):

  golden.q1w        every field a distinct value, point as decimal sign
  golden_comma.q1w  the same values with comma as decimal sign
  older.q1w         as the older writer left them: no hand-of-helix line at the end, and a
                    description whose line feed split it over two lines
  older_short.qor   an older-generation file that ends after the load factors
  unsound_pair.q1w  a pair that cannot exist (a z 6 pinion with x 0.52 in a ring of 58 teeth:
                    interference, contact in the pinion's fillet, a pointed pinion) for the
                    calculation's final checks; with x 0.5 the pinion would be the dimensions
                    dialog's fixed companion, whose pair results are not judged

usage: make_job_fixtures.py OUTDIR
The C++ tests check values named here (see GOLDEN in jobfile_test.cpp).
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import jobref  # noqa: E402

CAPACITY = {'DrawingName': 25, 'DrawingNumber': 18, 'DrawingName2': 30, 'ToothCorrection': 60,
            'MatName': 20, 'BasicRackName': 10}
WORDS = ('AaField', 'BasicRackType', 'AsnSeries', 'TsnSeries', 'MatCode', 'MatCode2', 'CalcMode',
         'ToolRecordNo', 'ToothAlignment', 'TipInputMode', 'LoadWord', 'LoadWordPair3')


def distinct_values():
    v = jobref.default_values()
    layout = jobref.fixed_layout_head() + jobref.after_spectrum() + jobref.tail()
    chars = iter('ABCDE\u00fc')  # the last one is byte 0x81 in the DOS page
    for k, (name, kind) in enumerate(layout, start=1):
        if name.startswith('=') or name == 'one':
            continue
        base = name.split('[')[0].rstrip('0123456789')
        if kind == jobref.REAL:
            x = k * 1.5 + k / 1000.0
            v[name] = -x if k % 5 == 0 else x
        elif kind == jobref.INT:
            v[name] = k * 3 + 1 if base in WORDS else (-(k * 7) if k % 4 == 0 else k * 7)
        elif kind == jobref.TEXT:
            cap = CAPACITY[name.split('[')[0]]
            v[name] = ('T%d \u00e4\u00f6\u00fc\u00df \u00b1\u00b0 ' % k + 'x' * 60)[:cap]
        elif kind == jobref.CHAR:
            v[name] = next(chars)
        elif kind == jobref.FLAG:
            v[name] = True
    v.update({
        'alpha': 20.5, 'beta': -12.25, 'z[2]': -61, 'mn': 1234567.1234567, 'Aae': 0.0,
        'Aai': -2.0, 'b': 0.3,
        'MatName[2]': 'Stahl \u00c4\u00d6\u00dc \u00df',
        'DrawingName[2]': 'Zahnrad \u00e9 2',
        'ToothAlignment[1]': 1, 'ToothAlignment[2]': 2,
        'TitleTexts': ['Kopf \u00b1\u00b0 eins', 'Kopf zwei \u00e7'],
        'spectrum': [(0.5, 100.0), (0.3, 2000.0), (0.2, 1000000.0)],
        'changes': [
            {'text': '\u00c4nderung eins', 'date': '01.02.2024', 'name': 'M\u00fcl',
             'description': 'erste Zeile\nzweite Zeile'},
            {'text': 'Change two', 'date': '2024-03-04', 'name': 'Smith',
             'description': '\n'.join('line %d of a long description \u00e4\u00f6\u00fc' % i
                                      for i in range(1, 13)) + '\n'},
        ],
        'rows': [('05.06.2024', 'Ersteller'), ('06.06.2024', 'Pr\u00fcfer'),
                 ('07.06.2024', 'Norm'), ('08.06.2024', 'Vierter')],
        'ReplacementFor': 'Ersatz f\u00fcr 1', 'ReplacedBy': 'Ersetzt durch 2',
        'texts': [(12.5, -7.25, 3.5, 45.0, 'Text \u00e9 eins'),
                  (100.0, 250.0, 0.0, 0.0, 'zwei | mit Strich')],
        'links': [('prog%d \u00e9' % i, '/home/user/doc%d \u00fc.pdf' % i) for i in range(1, 6)],
    })
    return v


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    v = distinct_values()

    def write(name, data):
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)

    write('golden.q1w', jobref.encode(jobref.job_lines(v)))
    write('golden_comma.q1w', jobref.encode(jobref.job_lines(v, decimal=2)))
    old = dict(v)
    old['changes'] = [dict(v['changes'][0], description='erste Zeile'), v['changes'][1]]
    lines = jobref.job_lines(old, with_hand=False)
    # The older writer turned only the CR of a line break into "|" and kept the line feed.
    i = lines.index(('erste Zeile', 'cp437'))
    lines[i] = ('erste Zeile|\nzweite Zeile', 'cp437')
    write('older.q1w', jobref.encode(lines))
    # An older-generation file that ends after table line 105 (the ninth load factor).
    write('older_short.qor', jobref.encode(jobref.job_lines(v)[:7 + 105]))
    u = jobref.default_values()
    u.update({'beta': 0.0, 'a': 0.0, 'z[1]': 6, 'x[1]': 0.52, 'z[2]': -58, 'x[2]': 0.2,
              'DrawingName[2]': 'Ring Gear'})
    write('unsound_pair.q1w', jobref.encode(jobref.job_lines(u)))


if __name__ == '__main__':
    main()
