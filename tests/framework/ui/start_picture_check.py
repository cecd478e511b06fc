#!/usr/bin/python3
"""Checks the gear pictures the program ships (data/start.plt, data/dims.plt): two gears in a
true mesh, read with a small HP-GL reader of its own and measured with shapely.

- Each gear's outline (pen 5: the central gear, pen 1: the one beside it) closes into a region.
- The regions do not overlap: teeth touch at most, they never pass through each other.
- They are in mesh: the teeth of each gear reach into the other's tip circle.
- The shipped files hold what the program draws today: startpicture (the generator, built from
  tools/startpicture.cpp) writes both again, and the outlines lie within 0.05 mm of the shipped
  ones.
Usage: start_picture_check.py STARTPICTURE DATA_DIR
"""

import math
import os
import subprocess
import sys
import tempfile

from shapely.geometry import LineString, Point
from shapely.ops import polygonize, unary_union

UNIT = 0.025  # mm per plotter unit
FAILURES = []


def check(cond, what):
    if not cond:
        FAILURES.append(what)


def read_hpgl(path):
    """Segments by pen: lists of (x, y) polylines in mm, and circles (x, y, r)."""
    data = open(path, "rb").read().decode("latin-1")
    lines, circles = {}, {}
    pen, down, pos = 0, False, (0.0, 0.0)
    i = 0
    while i < len(data):
        c = data[i]
        if c == "\x1b":  # printer escapes: up to the letter that ends them
            i += 1
            while i < len(data) and not data[i].isalpha():
                i += 1
            i += 1
            continue
        if not c.isalpha():
            i += 1
            continue
        op = data[i:i + 2].upper()
        i += 2
        if op == "LB":
            end = data.find("\x03", i)
            i = len(data) if end < 0 else end + 1
            continue
        end = data.find(";", i)
        if end < 0:
            end = len(data)
        args = [a for a in data[i:end].replace("\r", "").replace("\n", "").split(",") if a]
        i = end + 1
        nums = [float(a) for a in args]
        if op == "SP":
            pen = int(nums[0]) if nums else 1
        elif op in ("PU", "PD", "PA"):
            if op == "PU":
                down = False
            elif op == "PD":
                down = True
            pts = [(nums[k] * UNIT, nums[k + 1] * UNIT) for k in range(0, len(nums) - 1, 2)]
            for p in pts:
                if down:
                    lines.setdefault(pen, []).append([pos, p])
                pos = p
        elif op == "CI":
            circles.setdefault(pen, []).append((pos[0], pos[1], nums[0] * UNIT))
        elif op == "AA":
            cx, cy, sweep = nums[0] * UNIT, nums[1] * UNIT, nums[2]
            if down:
                r = math.hypot(pos[0] - cx, pos[1] - cy)
                a0 = math.atan2(pos[1] - cy, pos[0] - cx)
                n = max(8, int(abs(sweep) / 2))
                arc = [(cx + r * math.cos(a0 + math.radians(sweep) * k / n),
                        cy + r * math.sin(a0 + math.radians(sweep) * k / n)) for k in range(n + 1)]
                lines.setdefault(pen, []).append(arc)
            pos = (cx, cy)
    return lines, circles


def region(segments):
    """The area the outline encloses (the hub circles are not part of the segments)."""
    faces = list(polygonize([LineString(s) for s in segments if len(s) >= 2]))
    return unary_union(faces) if faces else None


def check_mesh(path):
    """The two gear regions by pen, or None when they cannot be read."""
    lines, circles = read_hpgl(path)
    g = {}
    for pen in (5, 1):
        g[pen] = region(lines.get(pen, []))
        check(g[pen] is not None and g[pen].area > 100,
              "%s: pen %d draws no closed gear outline" % (path, pen))
    if any(v is None for v in g.values()):
        return None
    overlap = g[5].intersection(g[1]).area
    # Touching flanks leave slivers of the plotter's 0.025 mm grid, nothing more.
    check(overlap < 0.02,
          "%s: the gears overlap by %.4f mm2 (teeth pass through each other)" % (path, overlap))
    hubs = circles.get(2, [])
    check(len(hubs) == 2, "%s: %d hub circles, not 2" % (path, len(hubs)))
    if len(hubs) != 2:
        return g
    for pen, other in ((5, 1), (1, 5)):
        hub = min(hubs, key=lambda h: Point(h[0], h[1]).distance(g[pen].centroid))
        centre = Point(hub[0], hub[1])
        tip = max(centre.distance(Point(p)) for seg in lines[pen] for p in seg)
        reach = g[other].intersection(centre.buffer(tip, 256)).area
        check(reach > 0.01 * g[other].area,
              "%s: the teeth of pen %d do not enter the tip circle of pen %d" % (path, other, pen))
    return g


def main():
    generator, data = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as tmp:
        for kind in ("start", "dims"):
            shipped = os.path.join(data, kind + ".plt")
            fresh = os.path.join(tmp, kind + ".plt")
            run = subprocess.run([generator, kind, fresh], capture_output=True, text=True)
            check(run.returncode == 0, "startpicture %s: %s" % (kind, run.stderr))
            a = check_mesh(shipped)
            b = check_mesh(fresh) if run.returncode == 0 else None
            if a and b:
                for pen in (5, 1):
                    d = a[pen].hausdorff_distance(b[pen])
                    check(d < 0.05, "%s: pen %d lies %.3f mm from what the program draws now "
                          "(run startpicture %s %s)" % (shipped, pen, d, kind, shipped))
    for f in FAILURES:
        print("FAIL", f)
    if not FAILURES:
        print("start and dims pictures: true meshes, as the program draws them")
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
