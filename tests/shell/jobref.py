"""Reference writer of gear job files, written from the published line layout (not from the
program): every line of the file, in order, with the code page of each text.

Used to make fixtures that the program must read and write back byte for byte, and to compute
where the marker lines of a job must be.
"""

REAL, INT, TEXT, CHAR, FLAG = 'real', 'int', 'text', 'char', 'flag'

GEAR_BLOCK = [('hfP0mn', REAL), ('z', INT), ('x', REAL), ('BasicRackType', INT),
              ('haP0mn', REAL), ('rhoaP0mn', REAL), ('prP0mn', REAL), ('alprP0', REAL),
              ('bGear', REAL), ('da', REAL), ('Q', INT), ('AsnSeries', INT), ('TsnSeries', INT),
              ('q', REAL), ('DM', REAL), ('hFfP0mn', REAL), ('alkP0', REAL)]
MATERIAL_BLOCK = [('MatName', TEXT), ('MatCode', INT), ('MatStrength2', REAL),
                  ('MatStrength1', REAL), ('MatE', REAL), ('MatNu', REAL), ('MatRho', REAL),
                  ('dOptional', REAL), ('MatStrength3', REAL)]
DEFAULTS_REALS = [1, 2, 3, 6, 7, 8, 9, 10, 11, 12, 13, 15, 16]


def fixed_layout_head():
    """(name, type) for table lines 1..152; names of literals start with '='."""
    L = [('DrawingName[1]', TEXT), ('DrawingNumber[1]', TEXT), ('DrawingName[2]', TEXT),
         ('DrawingNumber[2]', TEXT)]
    L += [('=' + '-' * 11, None)] * 4
    L += [(n, REAL) for n in ('alpha', 'beta', 'mn', 'b', 'a', 'Aae')]
    L += [('AaField', INT), ('Aai', REAL), ('=' + '-' * 11, None)]
    for g in (1, 2):
        L += [('%s[%d]' % (n, g), t) for n, t in GEAR_BLOCK]
    L += [('LoadReal1', REAL), ('LoadReal2', REAL), ('LoadWord1', INT), ('LoadWord2', INT),
          ('LoadReal3', REAL), ('LoadReal4', REAL), ('LoadGearValue1[1]', REAL),
          ('LoadReal5', REAL), ('LoadReal6', REAL)]
    L += [('LoadChar%d' % i, CHAR) for i in range(1, 7)]
    L += [('LoadReal7', REAL), ('Asne[1]', REAL), ('Asni[1]', REAL), ('Asne[2]', REAL),
          ('Asni[2]', REAL), ('=' + '-' * 12, None)]
    for g in (1, 2):
        L += [('%s[%d]' % (n, g), t) for n, t in MATERIAL_BLOCK]
    L += [('MatCode2[1]', INT), ('MatCode2[2]', INT), ('k[1]', INT), ('k[2]', INT),
          ('=calculating mode  1=DIN3990T.1   2=DIN3990T.41   3=input factors', None),
          ('CalcMode', INT)]
    L += [('LoadFactor%d' % i, REAL) for i in range(1, 10)]
    L += [('one', REAL)]
    for i in range(1, 5):
        L += [('LoadPair%d[1]' % i, REAL), ('LoadPair%d[2]' % i, REAL)]
    L += [('LoadFactor10', REAL), ('LoadPair5[1]', REAL), ('LoadPair5[2]', REAL),
          ('LoadPair6[1]', REAL), ('LoadPair7[1]', REAL), ('LoadPair7[2]', REAL),
          ('=----', None), ('=V6.0', None), ('LoadReal8', REAL)]
    for g in (1, 2):
        L += [('LoadTriple%s[%d]' % (c, g), REAL) for c in 'abc']
    for g in (1, 2):
        L += [('LoadPair%s[%d]' % (c, g), REAL) for c in 'de']
    L += [('LoadPair8[1]', REAL), ('LoadPair8[2]', REAL), ('LoadWordPair3[1]', INT),
          ('LoadWordPair3[2]', INT), ('PlanetCount', INT)]
    L += [('LoadInt%d' % i, INT) for i in (1, 2, 3)]
    L += [('LoadReal%d' % i, REAL) for i in (9, 10, 11)]
    L += [('ToothCorrection[1]', TEXT), ('= ', None), ('ToothCorrection[2]', TEXT), ('= ', None),
          ('=Lastkollektiv', None), ('=' + '-' * 13, None), ('LoadInt4', INT),
          ('LoadSpectrumCount', INT)]
    assert len(L) == 152, len(L)
    return L


def after_spectrum():
    return [('ToolRecordNo[1]', INT), ('ToolRecordNo[2]', INT), ('BasicRackName[1]', TEXT),
            ('BasicRackName[2]', TEXT), ('qTol[1]', REAL), ('qTol[2]', REAL),
            ('ToothAlignment[1]', INT), ('rhofP0mn[1]', REAL), ('rhofP0mn[2]', REAL)]


def tail():
    L = [('DrawingName2[1]', TEXT), ('DrawingName2[2]', TEXT), ('LoadGearValue2[1]', REAL),
         ('LoadGearValue1[2]', REAL), ('LoadGearValue2[2]', REAL), ('LoadPair6[2]', REAL),
         ('TipInputMode[1]', INT), ('TipInputMode[2]', INT), ('kmn[1]', REAL), ('kmn[2]', REAL),
         ('TipModeValue[1]', REAL), ('TipModeValue[2]', REAL), ('LoadReal12', REAL),
         ('LoadInt5', INT), ('LoadPair9[1]', REAL), ('LoadPair9[2]', REAL),
         ('LoadPair10[1]', REAL), ('LoadPair10[2]', REAL), ('InvolutePoints', INT),
         ('RingGearShapes', INT), ('GearShapes', INT), ('FilletResolution', INT),
         ('DrawRootCurve', FLAG), ('CalcOption', INT), ('MeasureMode', INT)]
    L += [('LoadDefaults%d' % i, REAL) for i in DEFAULTS_REALS]
    L += [('LoadDefaults17', INT), ('LoadDefaults5', INT), ('QualityStandard', INT),
          ('WarningMode', INT)]
    return L


def real_text(x, decimal=1):
    """Whole values below 1 as integers ("0", "-2"); every other value with 7 decimals."""
    if x < 1 and abs(x - round(x)) <= 1e-10:
        s = '%d' % round(x)
    else:
        s = '%.7f' % x
    return s.replace('.', ',') if decimal == 2 else s


def sig3(x, decimal=1):
    """Three significant digits, trailing zeros dropped (the values used here have at most
    three)."""
    if abs(x) <= 1e-5:
        return '0'
    s = '%.3g' % x
    assert 'e' not in s, x
    return s.replace('.', ',') if decimal == 2 else s


def job_lines(v, decimal=1, with_hand=True, header=None):
    """The lines of a job file as (text, code page) pairs.

    v: values by name (see the layout lists), plus
       'TitleTexts': [t1, t2], 'spectrum': [(a, b), ...], 'changes': [dict(text, date, name,
       description)], 'rows': [(date, name)] * 4, 'ReplacementFor', 'ReplacedBy',
       'texts': [(x, y, h, phi, text)], 'links': [(program, file)] * 5, 'ToothAlignment[2]'.
    """
    out = []

    def put(text, page='cp437'):
        out.append((text, page))

    def value(name, kind):
        if name.startswith('='):
            put(name[1:])
        elif kind == REAL:
            put(real_text(1.0 if name == 'one' else v[name], decimal))
        elif kind == INT:
            put('%d' % v[name])
        elif kind == TEXT:
            put(v[name])
        elif kind == CHAR:
            put(v[name])
        elif kind == FLAG:
            put('\x01' if v[name] else '\x00')

    hdr = header or ['QOR1W - Involute Gear Dimensions   #Gear geometry in extended precision',
                     'Version 1.1    QOR1W involute spur and helical gears',
                     'Linux edition 1.1']
    put('-' * 65)
    for h in hdr:
        put(h)
    put('-' * 65)
    put(v['TitleTexts'][0])
    put(v['TitleTexts'][1])
    v = dict(v, LoadSpectrumCount=len(v['spectrum']))
    for name, kind in fixed_layout_head():
        value(name, kind)
    for a, b in v['spectrum']:
        put(real_text(a, decimal))
        put(real_text(b, decimal))
    for name, kind in after_spectrum():
        value(name, kind)
    # change block
    put('CHANGES')
    put('%d' % len(v['changes']))
    put('-' * 20)
    for c in v['changes']:
        put(c['text'])
        put(c['date'])
        put(c['name'])
        put(c['description'].replace('\r\n', '|').replace('\n', '|'))
        put('-' * 14)
    rows = v['rows']
    put('|'.join([rows[1][0], rows[1][1], rows[2][0], rows[2][1], rows[3][0], rows[3][1],
                  '%d' % len(v['texts']), '']) + '|')
    put(rows[0][0])
    put(v['ReplacementFor'])
    put(v['ReplacedBy'])
    put(rows[0][1])
    for x, y, h, phi, text in v['texts']:
        put('|'.join([sig3(x, decimal), sig3(y, decimal), sig3(h, decimal), sig3(phi, decimal),
                      text, '']) + '|', 'cp1252')
    # document block
    put('documents')
    put('5')
    put('-' * 20)
    for prog, fname in v['links']:
        put(prog, 'cp1252')
        put(fname, 'cp1252')
        put('-' * 14)
    for name, kind in tail():
        value(name, kind)
    if with_hand:
        put('%d' % v['ToothAlignment[2]'])
    return out


def encode(lines):
    return b''.join(t.encode(p) + b'\r\n' for t, p in lines)


def default_values():
    """The start-up example pair and the load defaults of a new program run."""
    v = {}
    for name, kind in fixed_layout_head() + after_spectrum() + tail():
        if not name.startswith('='):
            v[name] = {REAL: 0.0, INT: 0, TEXT: '', CHAR: 'N', FLAG: True}[kind]
    v.update({'alpha': 20.0, 'beta': 9.0, 'mn': 6.5, 'b': 88.0, 'a': 250.0, 'AaField': 4,
              'CalcMode': 1, 'PlanetCount': 3, 'InvolutePoints': 20, 'RingGearShapes': 200,
              'GearShapes': 30, 'FilletResolution': 30, 'ToothAlignment[1]': 3,
              'ToothAlignment[2]': 3})
    for g, z, x, da in ((1, 16, 0.52, 124.0), (2, 58, 0.57, 400.0)):
        v.update({'z[%d]' % g: z, 'x[%d]' % g: x, 'da[%d]' % g: da, 'hfP0mn[%d]' % g: 1.0,
                  'haP0mn[%d]' % g: 1.25, 'rhoaP0mn[%d]' % g: 0.25, 'prP0mn[%d]' % g: 0.02,
                  'alprP0[%d]' % g: 6.0, 'hFfP0mn[%d]' % g: 0.8, 'alkP0[%d]' % g: 45.0,
                  'bGear[%d]' % g: 88.0, 'Q[%d]' % g: 6, 'AsnSeries[%d]' % g: 8,
                  'TsnSeries[%d]' % g: 5, 'DM[%d]' % g: 12.0, 'BasicRackType[%d]' % g: 1,
                  'BasicRackName[%d]' % g: 'Normal', 'MatName[%d]' % g: '17CrNiMo6',
                  'MatCode[%d]' % g: 2, 'MatCode2[%d]' % g: 2, 'MatRho[%d]' % g: 7.8,
                  'MatE[%d]' % g: 206000.0, 'MatNu[%d]' % g: 0.3, 'MatStrength1[%d]' % g: 1500.0,
                  'MatStrength2[%d]' % g: 800.0, 'MatStrength3[%d]' % g: 740.0,
                  'LoadGearValue1[%d]' % g: 5.0, 'LoadGearValue2[%d]' % g: 5.0,
                  'TipInputMode[%d]' % g: 2})
    for i, d in zip(DEFAULTS_REALS, (20, 15, 50, 100, 10000, 1450, 15, 800, 1500, 210000, 0.3,
                                     2, 1)):
        v['LoadDefaults%d' % i] = float(d)
    v['LoadDefaults17'] = 0
    v['LoadDefaults5'] = 4
    v.update({'TitleTexts': ['', ''], 'spectrum': [], 'changes': [], 'rows': [('', '')] * 4,
              'ReplacementFor': '', 'ReplacedBy': '', 'texts': [],
              'links': [('NOTEPAD.EXE', '')] * 5, 'DrawingName[2]': 'Helical Gear'})
    return v
