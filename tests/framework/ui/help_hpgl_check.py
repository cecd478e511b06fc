#!/usr/bin/python3
"""Checks the HP-GL interpreter against hp2xx, read back with ezdxf.

Runs the test program's HpglReference test with QOR_HPGL_OUT set, which draws
tests/data/help/check.plt into the display list and writes the list as text. The same file goes
through `hp2xx -t -m dxf` (true size: 40 plotter units per mm), read with ezdxf. Then:
- every line of ours has an hp2xx line with the same end points (0.01 mm), and every hp2xx line
  is a line of ours, a chord of one of our arcs or circles (both ends on it, within the arc's
  span), or a stroke of the label;
- every arc and circle of ours is covered: hp2xx has a vertex at the arc's start and end;
- the label's strokes start at our label's position (hp2xx draws the glyph box from the pen).
Usage: help_hpgl_check.py TEST_PROGRAM PLT_FILE
"""

import math
import os
import subprocess
import sys
import tempfile

import ezdxf

TOL = 0.01
FAILURES = []


def check(cond, what):
    if not cond:
        FAILURES.append(what)


def near(p, q, tol=TOL):
    return math.hypot(p[0] - q[0], p[1] - q[1]) <= tol


def ours(program, plt, out):
    env = dict(os.environ, QOR_HPGL_OUT=out, QOR_HPGL_FILE=plt)
    subprocess.run([program, "--gtest_filter=Hpgl.ReferencePictureDraws"], env=env, check=True,
                   stdout=subprocess.DEVNULL)
    lines, arcs, texts = [], [], []
    with open(os.path.join(out, "list.txt"), encoding="utf-8") as f:
        for rec in f.read().splitlines():
            fields = rec.split(";")
            code = int(fields[0])
            v = [float(x) for x in fields[1:]] if code != 6 else [float(x) for x in fields[1:3]]
            if code == 4:
                lines.append(((v[0], v[1]), (v[2], v[3])))
            elif code == 3:
                arcs.append(((v[0], v[1]), v[2], None, None))
            elif code == 5:
                c = ((v[0] + v[2]) / 2, (v[1] + v[3]) / 2)
                r = (v[2] - v[0]) / 2
                a1 = math.atan2(v[5] - c[1], v[4] - c[0])
                a2 = math.atan2(v[7] - c[1], v[6] - c[0])
                arcs.append((c, r, a1, a2))
            elif code == 6:
                texts.append(((v[0], v[1]), ";".join(fields[3:])))
    return lines, arcs, texts


def reference(plt, out):
    dxf = os.path.join(out, "check.dxf")
    subprocess.run(["hp2xx", "-q", "-t", "-x", "0", "-X", "250", "-y", "0", "-Y", "150",
                    "-m", "dxf", "-f", dxf, plt], check=True)
    doc = ezdxf.readfile(dxf)
    segs = []
    for e in doc.modelspace():
        check(e.dxftype() == "LINE", "hp2xx wrote a " + e.dxftype())
        if e.dxftype() == "LINE":
            segs.append(((e.dxf.start[0], e.dxf.start[1]), (e.dxf.end[0], e.dxf.end[1])))
    return segs


def on_arc(p, arc):
    c, r, a1, a2 = arc
    if abs(math.hypot(p[0] - c[0], p[1] - c[1]) - r) > TOL:
        return False
    if a1 is None:
        return True
    a = math.atan2(p[1] - c[1], p[0] - c[0])
    span = (a2 - a1) % (2 * math.pi)
    eps = TOL / r
    d = (a - a1) % (2 * math.pi)
    return d <= span + eps or d >= 2 * math.pi - eps


def main():
    program, plt = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as out:
        lines, arcs, texts = ours(program, plt, out)
        segs = reference(plt, out)
    check(len(texts) == 1, "one label expected, got %d" % len(texts))
    label = texts[0][0] if texts else (0, 0)
    check(texts and texts[0][1] == "Hello", "label text %r" % (texts[:1],))
    in_label = lambda p: label[0] - TOL <= p[0] <= label[0] + 30 and \
        label[1] - TOL <= p[1] <= label[1] + 6
    strokes = []
    for s in segs:
        same = any((near(s[0], l[0]) and near(s[1], l[1])) or
                   (near(s[0], l[1]) and near(s[1], l[0])) for l in lines)
        chord = any(on_arc(s[0], a) and on_arc(s[1], a) for a in arcs)
        if in_label(s[0]) and in_label(s[1]):
            strokes.append(s)
            continue
        check(same or chord, "hp2xx segment %s not drawn by us" % (s,))
    for l in lines:
        check(any((near(s[0], l[0]) and near(s[1], l[1])) or
                  (near(s[0], l[1]) and near(s[1], l[0])) for s in segs),
              "our line %s not in hp2xx" % (l,))
    vertices = [p for s in segs for p in s]
    for a in arcs:
        c, r, a1, a2 = a
        check(sum(1 for p in vertices if on_arc(p, a)) >= 8, "arc %s: few hp2xx vertices" % (a,))
        if a1 is not None:
            for ang in (a1, a2):
                p = (c[0] + r * math.cos(ang), c[1] + r * math.sin(ang))
                check(any(near(p, q, 0.02) for q in vertices), "arc end %s not in hp2xx" % (p,))
    check(len(strokes) > 5, "no label strokes")
    if strokes:
        lo = (min(min(s[0][0], s[1][0]) for s in strokes), min(min(s[0][1], s[1][1]) for s in strokes))
        check(near(lo, label, 0.05), "label strokes start at %s, ours at %s" % (lo, label))
    check(len(lines) >= 9 and len(arcs) == 4, "lines %d arcs %d" % (len(lines), len(arcs)))
    for f in FAILURES:
        print("FAIL:", f)
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
