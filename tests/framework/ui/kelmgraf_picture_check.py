#!/usr/bin/python3
"""Checks the drawing window's pictures with readers that share no code with the program.

Runs the test program's circle and printing tests with QOR_KELMGRAF_OUT set to a temporary
folder, then
- decodes circle.png with the tests' own PNG decoder (tests/pnglib.py) and finds the red circle
  of Header(0, 0, 160, 120) with circle (80, 60) radius 10 on a 640 x 480 virtual screen:
  centre (320, 240), radius 40 pixels;
- reads circle.pdf with pdfinfo (one page) and renders it with pdftoppm (PPM, read by pnglib),
  where the circle must stand where the printer mapping puts it: the virtual screen scaled to
  the page;
- renders the pages printed before and after the window was resized: they are the same.
Usage: kelmgraf_picture_check.py TEST_PROGRAM
"""

import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
import pnglib  # noqa: E402

FAILURES = []


def check(cond, what):
    if not cond:
        FAILURES.append(what)


def bbox(rows, pred):
    xs, ys = [], []
    for y, row in enumerate(rows):
        for x, p in enumerate(row):
            if pred(p):
                xs.append(x)
                ys.append(y)
    if not xs:
        return None
    return min(xs), min(ys), max(xs), max(ys)


def main():
    program = sys.argv[1]
    with tempfile.TemporaryDirectory() as out:
        env = dict(os.environ, QOR_KELMGRAF_OUT=out, QT_QPA_PLATFORM="offscreen")
        run = subprocess.run([program, "--gtest_filter=DrawWindowTest.CircleOnTheVirtualScreen:"
                              "DrawWindowTest.PrintsOnePageToPdf:"
                              "DrawWindowTest.PrintsWithScaleOffsetBorderAndPaletteColours:"
                              "DrawWindowTest.PrintoutKeepsItsPageWhenTheWindowIsResized"],
                             env=env,
                             capture_output=True, text=True)
        check(run.returncode == 0, "test program failed:\n" + run.stdout[-2000:])

        png = os.path.join(out, "circle.png")
        check(os.path.exists(png), "no circle.png")
        if os.path.exists(png):
            pic = pnglib.decode_png(png)
            w, h, rows = pic.width, pic.height, pic.rgb_rows()
            check((w, h) == (641, 481), "picture size %dx%d" % (w, h))
            box = bbox(rows, lambda p: p[0] > 200 and p[1] < 60 and p[2] < 60)
            check(box is not None, "no red circle in the PNG")
            if box:
                x0, y0, x1, y1 = box
                check(abs((x0 + x1) / 2 - 320) <= 1 and abs((y0 + y1) / 2 - 240) <= 1,
                      "PNG circle centre %s" % (box,))
                check(abs((x1 - x0) / 2 - 40) <= 1 and abs((y1 - y0) / 2 - 40) <= 1,
                      "PNG circle radius %s" % (box,))
            check(rows[240][320] == (255, 255, 255), "PNG centre not background")

        pdf = os.path.join(out, "circle.pdf")
        check(os.path.exists(pdf), "no circle.pdf")
        if os.path.exists(pdf):
            info = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True).stdout
            pages = [l.split(":", 1)[1].strip() for l in info.splitlines()
                     if l.startswith("Pages:")]
            check(pages == ["1"], "pdfinfo pages: %s" % pages)
            pw, ph = [int(v) for v in open(os.path.join(out, "circle_page.txt")).read().split()]
            dpi = 40
            subprocess.run(["pdftoppm", "-r", str(dpi), "-singlefile", pdf,
                            os.path.join(out, "page")], check=True)
            pic = pnglib.read_ppm(os.path.join(out, "page.ppm"))
            w, h, rows = pic.width, pic.height, pic.rgb_rows()
            # The printer mapping (600 dpi page, no offsets, scale 1): virtual-screen pixel
            # (px, py) goes to page pixel (pw * px / 640, ph * py / 480).
            k = dpi / 600.0
            scale = 478.0 / 120.0
            cx = pw * (80 * scale + 1) / 640 * k
            cy = ph * (479 - 60 * scale) / 480 * k
            rx = pw * 10 * scale / 640 * k
            ry = ph * 10 * scale / 480 * k
            box = bbox(rows, lambda p: max(p) < 160)
            check(box is not None, "nothing drawn on the PDF page")
            if box:
                x0, y0, x1, y1 = box
                check(abs((x0 + x1) / 2 - cx) <= 2 and abs((y0 + y1) / 2 - cy) <= 2,
                      "PDF circle centre %s, expected (%.1f, %.1f)" % (box, cx, cy))
                check(abs((x1 - x0) / 2 - rx) <= 2 and abs((y1 - y0) / 2 - ry) <= 2,
                      "PDF circle radii %s, expected %.1f, %.1f" % (box, rx, ry))

        # Half scale, offset by a tenth of the page width, framed in palette colour 11 (aqua,
        # which prints as a darker teal: aqua would hardly show on white paper), the circle in
        # palette colour 12 (red).
        framed = os.path.join(out, "framed.pdf")
        check(os.path.exists(framed), "no framed.pdf")
        if os.path.exists(framed):
            pw, ph = [int(v) for v in open(os.path.join(out, "circle_page.txt")).read().split()]
            dpi = 40
            subprocess.run(["pdftoppm", "-r", str(dpi), "-thinlinemode", "solid", "-singlefile",
                            framed, os.path.join(out, "framed")], check=True)
            pic = pnglib.read_ppm(os.path.join(out, "framed.ppm"))
            w, h, rows = pic.width, pic.height, pic.rgb_rows()
            k = dpi / 600.0
            scale = 478.0 / 120.0
            off = pw * 21 / 210
            px = lambda x: (off + pw * (x * scale + 1) * 0.5 / 640) * k
            py = lambda y: (ph * (479 - y * scale) * 0.5 / 480) * k
            frame = bbox(rows, lambda p: p[0] < 60 and 90 < p[1] < 175 and abs(p[1] - p[2]) < 30)
            check(frame is not None, "no teal frame on the framed page")
            if frame:
                x0, y0, x1, y1 = frame
                want = (px(0), py(120), px(160), py(0))
                check(all(abs(a - b) <= 2 for a, b in zip(frame, want)),
                      "frame %s, expected %s" % (frame, tuple(round(v, 1) for v in want)))
            red = bbox(rows, lambda p: p[0] > 150 and p[1] < 100 and p[2] < 100)
            check(red is not None, "no red circle on the framed page")
            if red:
                x0, y0, x1, y1 = red
                check(abs((x0 + x1) / 2 - px(80)) <= 2 and abs((y0 + y1) / 2 - py(60)) <= 2,
                      "framed circle centre %s" % (red,))
                check(abs((x1 - x0) / 2 - pw * 10 * scale * 0.5 / 640 * k) <= 2,
                      "framed circle radius %s" % (red,))

        # The printout keeps its page when the window is resized: the same page before and
        # after, pixel for pixel.
        pages = []
        for name in ("page_before", "page_after"):
            pdf = os.path.join(out, name + ".pdf")
            check(os.path.exists(pdf), "no %s.pdf" % name)
            if os.path.exists(pdf):
                subprocess.run(["pdftoppm", "-r", "40", "-singlefile", pdf,
                                os.path.join(out, name)], check=True)
                pages.append(pnglib.read_ppm(os.path.join(out, name + ".ppm")).rgb_rows())
        if len(pages) == 2:
            check(bbox(pages[0], lambda p: max(p) < 160) is not None, "nothing on the page")
            check(pages[0] == pages[1], "the page changed with the window's size")

    if FAILURES:
        for f in FAILURES:
            print("FAIL:", f)
        return 1
    print("drawing window pictures: PNG and PDF as the mapping says")
    return 0


if __name__ == "__main__":
    sys.exit(main())
