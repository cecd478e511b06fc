#!/usr/bin/python3
"""Checks the reference drawing with readers that share no code with the canvas.

Runs the test program's reference-drawing tests into a temporary folder, then
- decodes reference.png with the tests' own PNG decoder (tests/pnglib.py) and probes
  pixels at places computed from the drawing's layout with plain trigonometry;
- reads both PDFs with poppler's pdfinfo (one page, A4, portrait and landscape) and renders them
  with pdftoppm, probing the same places scaled to the page.
Usage: gui_canvas_check.py TEST_PROGRAM
"""

import math
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import pnglib  # noqa: E402

FAILURES = []


def check(cond, what):
    if not cond:
        FAILURES.append(what)


def is_black(p):
    return max(p) < 110


def is_white(p):
    return min(p) > 235


def is_red(p):
    return p[0] > 150 and p[1] < 110 and p[2] < 110


def is_blue(p):
    return p[2] > 150 and p[0] < 110 and p[1] < 110


def is_green(p):
    return p[1] > 200 and p[0] < 60 and p[2] < 60


def is_ink(p):
    return not is_white(p)


def probe_drawing(name, width, height, pixel, u, lenient):
    """Probes the reference drawing; u is the layout unit in pixels of this picture."""

    def near(x, y, test, d=1):
        ix, iy = int(round(x * u)), int(round(y * u))
        for dy in range(-d, d + 1):
            for dx in range(-d, d + 1):
                if 0 <= ix + dx < width and 0 <= iy + dy < height and test(pixel(ix + dx, iy + dy)):
                    return True
        return False

    # Ink share along the four lines: solid, dash 18/24, dot 3/6, dash-dot 12/24.
    for i, share in enumerate((1.0, 0.75, 0.5, 0.5)):
        y = (10 + 5 * i) * u
        x0, x1 = int(12 * u), int(88 * u)
        ink = 0
        for x in range(x0, x1):
            # the line may fall between two rows when rendered from a PDF
            if any(is_ink(pixel(x, yy)) for yy in {int(math.floor(y)), int(round(y))}):
                ink += 1
        got = ink / (x1 - x0)
        check(abs(got - share) < (0.12 if lenient else 0.05),
              "%s: line %d ink share %.3f, expected %.3f" % (name, i, got, share))
        # Nothing between the lines.
        check(not near(50, 12.5 + 5 * i, is_ink, 0), "%s: ink between lines %d" % (name, i))

    d = 2 if lenient else 1
    for deg in (10, 45, 80):
        a = math.radians(deg)
        check(near(30 + 12 * math.cos(a), 50 - 12 * math.sin(a), is_red, d),
              "%s: quarter arc missing at %d degrees" % (name, deg))
    for deg in (135, 225, 315):
        a = math.radians(deg)
        check(not near(30 + 12 * math.cos(a), 50 - 12 * math.sin(a), is_ink, d),
              "%s: quarter arc drawn at %d degrees" % (name, deg))
    for deg in range(0, 360, 30):
        a = math.radians(deg)
        check(near(60 + 12 * math.cos(a), 50 - 12 * math.sin(a), is_blue, d),
              "%s: full circle missing at %d degrees" % (name, deg))
    check(not near(60, 50, is_ink, 0), "%s: the circle is filled" % name)

    # Triangle (10,70) (40,70) (25,95): green inside, black edge, white outside.
    check(near(25, 78, is_green, 0), "%s: triangle not filled" % name)
    check(near(25, 70, is_black, d), "%s: triangle top edge missing" % name)
    check(not near(5, 78, is_ink, 0), "%s: ink left of the triangle" % name)
    check(not near(40, 90, is_ink, 0), "%s: ink right of the triangle's slope" % name)

    # Text rotated by 90 degrees: from (75, 95) upwards, within a cell 5 to 6 units wide.
    def count(x0, y0, x1, y1, test):
        n = 0
        for y in range(int(y0 * u), int(y1 * u)):
            for x in range(int(x0 * u), int(x1 * u)):
                if 0 <= x < width and 0 <= y < height and test(pixel(x, y)):
                    n += 1
        return n

    area = (6 * u) * (20 * u)
    check(count(75, 75, 81, 95, is_ink) > area * 0.04, "%s: rotated text missing" % name)
    check(count(75, 75, 81, 95, lambda p: p[2] > p[0] + 40) > area * 0.02,
          "%s: rotated text is not navy" % name)
    check(count(82, 90, 99, 99, is_ink) == 0, "%s: text runs to the right" % name)
    check(count(70, 96, 99, 99, is_ink) == 0, "%s: text below its point" % name)
    check(count(70, 60, 74.5, 95, is_ink) == 0, "%s: text left of its point" % name)


def pdfinfo(path):
    out = subprocess.run(["pdfinfo", path], capture_output=True, text=True, check=True).stdout
    info = {}
    for line in out.splitlines():
        if ":" in line:
            k, v = line.split(":", 1)
            info[k.strip()] = v.strip()
    return info


def main():
    program = sys.argv[1]
    with tempfile.TemporaryDirectory() as tmp:
        env = dict(os.environ, QOR_CANVAS_OUT=tmp, QT_QPA_PLATFORM="offscreen")
        env.setdefault("ASAN_OPTIONS", "detect_leaks=0")
        run = subprocess.run(
            [program, "--gtest_filter=GuiCanvasPrint.ReferenceDrawing*"],
            env=env, capture_output=True, text=True)
        if run.returncode != 0:
            # Keep going: the probes below say what is wrong with whatever was written.
            print(run.stdout, run.stderr)
            FAILURES.append("the drawing program reported failures")
        if not all(os.path.exists(os.path.join(tmp, f)) for f in (
                "reference.png", "reference-portrait.pdf", "reference-landscape.pdf")):
            print("FAIL: the drawing program wrote no pictures")
            return 1

        pic = pnglib.decode_png(os.path.join(tmp, "reference.png"))
        width, height, pixel = pic.width, pic.height, pic.pixel
        check((width, height) == (800, 600), "PNG size %dx%d" % (width, height))
        probe_drawing("PNG", width, height, pixel, min(width, height) / 100.0, False)

        for orient in ("portrait", "landscape"):
            pdf = os.path.join(tmp, "reference-%s.pdf" % orient)
            info = pdfinfo(pdf)
            check(info.get("Pages") == "1", "%s: pages %s" % (orient, info.get("Pages")))
            size = info.get("Page size", "").split()
            pw, ph = float(size[0]), float(size[2])
            check(abs(min(pw, ph) - 595.3) < 1.5 and abs(max(pw, ph) - 841.9) < 1.5,
                  "%s: not A4: %s" % (orient, info.get("Page size")))
            check((pw > ph) == (orient == "landscape"), "%s: page is %gx%g" % (orient, pw, ph))
            check(info.get("Page rot", "0") == "0", "%s: rotated page" % orient)
            dpi = 100
            base = os.path.join(tmp, orient)
            subprocess.run(["pdftoppm", "-r", str(dpi), pdf, base], check=True)
            rendered = [f for f in os.listdir(tmp) if f.startswith(orient) and f.endswith(".ppm")]
            check(len(rendered) == 1, "%s: %d rendered pages" % (orient, len(rendered)))
            rend = pnglib.read_ppm(os.path.join(tmp, rendered[0]))
            rw, rh, rpix = rend.width, rend.height, rend.pixel
            # The drawing's unit: a hundredth of the shorter printable side (the page here).
            u = min(rw, rh) / 100.0
            probe_drawing("PDF " + orient, rw, rh, rpix, u, True)

    for f in FAILURES:
        print("FAIL:", f)
    if not FAILURES:
        print("reference drawing: PNG and PDF probes pass")
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
