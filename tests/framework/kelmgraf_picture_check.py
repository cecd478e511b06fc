#!/usr/bin/python3
"""Checks the drawing window's pictures with readers that share no code with the program.

Runs the test program's circle and printing tests with QOR_KELMGRAF_OUT set to a temporary
folder, then
- decodes circle.png with a PNG decoder written here (zlib and the PNG row filters) and finds
  the red circle of Header(0, 0, 160, 120) with circle (80, 60) radius 10 on a 640 x 480 virtual
  screen: centre (320, 240), radius 40 pixels;
- reads circle.pdf with pdfinfo (one page) and renders it with pdftoppm (PPM, read here), where
  the circle must stand where the printer mapping puts it: the virtual screen scaled to the page.
Usage: kelmgraf_picture_check.py TEST_PROGRAM
"""

import os
import struct
import subprocess
import sys
import tempfile
import zlib

FAILURES = []


def check(cond, what):
    if not cond:
        FAILURES.append(what)


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def decode_png(path):
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat = 8, b""
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        kind = data[pos + 4:pos + 8]
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, ctype, _, _, interlace = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
        pos += 12 + length
    assert depth == 8 and ctype in (2, 6) and interlace == 0, (depth, ctype, interlace)
    bpp = 3 if ctype == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * bpp
    rows, prev, i = [], bytearray(stride), 0
    for _ in range(height):
        ftype = raw[i]
        line = bytearray(raw[i + 1:i + 1 + stride])
        i += 1 + stride
        for x in range(stride):
            a = line[x - bpp] if x >= bpp else 0
            b = prev[x]
            c = prev[x - bpp] if x >= bpp else 0
            if ftype == 1:
                line[x] = (line[x] + a) & 0xFF
            elif ftype == 2:
                line[x] = (line[x] + b) & 0xFF
            elif ftype == 3:
                line[x] = (line[x] + (a + b) // 2) & 0xFF
            elif ftype == 4:
                line[x] = (line[x] + paeth(a, b, c)) & 0xFF
        rows.append([tuple(line[x * bpp:x * bpp + 3]) for x in range(width)])
        prev = line
    return width, height, rows


def read_ppm(path):
    data = open(path, "rb").read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1
    assert fields[0] == b"P6", fields[0]
    w, h = int(fields[1]), int(fields[2])
    px = data[pos:pos + 3 * w * h]
    return w, h, [[tuple(px[3 * (y * w + x):3 * (y * w + x) + 3]) for x in range(w)]
                  for y in range(h)]


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
                              "DrawWindowTest.PrintsWithScaleOffsetBorderAndPaletteColours"], env=env,
                             capture_output=True, text=True)
        check(run.returncode == 0, "test program failed:\n" + run.stdout[-2000:])

        png = os.path.join(out, "circle.png")
        check(os.path.exists(png), "no circle.png")
        if os.path.exists(png):
            w, h, rows = decode_png(png)
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
            w, h, rows = read_ppm(os.path.join(out, "page.ppm"))
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

        # Half scale, offset by a tenth of the page width, framed in palette colour 11 (aqua),
        # the circle in palette colour 12 (red).
        framed = os.path.join(out, "framed.pdf")
        check(os.path.exists(framed), "no framed.pdf")
        if os.path.exists(framed):
            pw, ph = [int(v) for v in open(os.path.join(out, "circle_page.txt")).read().split()]
            dpi = 40
            subprocess.run(["pdftoppm", "-r", str(dpi), "-thinlinemode", "solid", "-singlefile",
                            framed, os.path.join(out, "framed")], check=True)
            w, h, rows = read_ppm(os.path.join(out, "framed.ppm"))
            k = dpi / 600.0
            scale = 478.0 / 120.0
            off = pw * 21 / 210
            px = lambda x: (off + pw * (x * scale + 1) * 0.5 / 640) * k
            py = lambda y: (ph * (479 - y * scale) * 0.5 / 480) * k
            frame = bbox(rows, lambda p: p[0] < 100 and p[1] > 180 and p[2] > 180)
            check(frame is not None, "no aqua frame on the framed page")
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

    if FAILURES:
        for f in FAILURES:
            print("FAIL:", f)
        return 1
    print("drawing window pictures: PNG and PDF as the mapping says")
    return 0


if __name__ == "__main__":
    sys.exit(main())
