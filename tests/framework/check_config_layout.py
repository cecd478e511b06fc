#!/usr/bin/python3
"""Checks the configuration file the program writes against the fixed layout: every label at
its position, the number of lines, CR LF line ends and the form of each value (TRUE/FALSE,
integers, reals with a decimal point). Runs the cfgwrite tool to produce the files.

usage: check_config_layout.py CFGWRITE
"""
import os
import re
import subprocess
import sys
import tempfile

INT = re.compile(r"^-?\d+$")
REAL = re.compile(r"^-?\d+(\.\d+)?$")
BOOL = ("TRUE", "FALSE")


def layout(plot_lines):
    """(label or None, [value kinds]) per row, in file order. Kinds: i int, r real, b bool,
    t text, c one character, rec record line."""
    rows = [("qor1w Configuration", []), ("Version 1.1", [])]
    for _ in range(5):
        rows += [("Layer", ["t"]), ("Colour", ["i"])]
    rows += [
        ("Text font CAD", ["t"]), ("Textwidth/height CAD", ["r"]), ("Font angle", ["r"]),
        ("CAD Directory", ["t"]), ("DBF Directory", ["t"]), ("Help level", ["i"]),
        ("Printer interface", ["i"]), ("Printer type", ["i"]), ("Printing density", ["i"]),
        ("Rotate Hardcopy ?", ["c"]), ("Digits for floating point numbers", ["i"]),
        ("Printing density vertical", ["i"]), ("Color graphics", ["b"]),
        ("X-Factor for graphic extension", ["r"]), ("Graph mode", ["i"]),
        ("Graph driver", ["i"]), ("Horizontal Pixels", ["i"]), ("Vertical Pixels", ["i"]),
        ("temporary directory", ["t"]), ("printer interface for hardcopy", ["i"]),
        ("EDI Directory", ["t"]), ("PLT Directory", ["t"]),
        ("Display mode for printout 1:* 2:-", ["i"]), ("Lines per page for printer", ["i"]),
        ("zoom increment", ["r"]), ("pan faktor", ["r"]), ("KELMORA directory", ["t"]),
        ("KVILPEN command line", ["t"]), ("background colour", ["i"]),
        ("Windows print mode (1=mono 2=color)", ["i"]), ("Layer Monochrome", ["b"]),
        ("Textwidth/height Graphics", ["r"]), ("Text font Graphics", ["t"]),
    ]
    for n in range(16, 32):
        rows.append(("Color Layer %d" % n, ["i"]))
    rows += [
        ("word processor", ["t"]), ("Database mode", ["i"]), ("external database", ["t"]),
        ("Windows Screendump Origin X", ["i"]), ("Windows Screendump Origin Y", ["i"]),
        ("Windows Screendump Scale", ["r"]), ("Windows Screendump Border ?", ["b"]),
        ("KVILPEN Command lines (n, line 2 .. line n)", ["i"] + ["t"] * (plot_lines - 1)),
        ("Archive Flag ?", ["b"]), ("Date Code", ["i"]), ("Header Space Lines", ["i"]),
        ("Text Device", ["i"]), ("Text Device Window ?", ["b"]),
        ("Small Online Window ?", ["b"]), ("Enter Diagram Limits ?", ["b"]),
        ("Dot=1 Komma=2", ["i"]), ("Default Data Directory", ["t"]),
        ("Text Height Factor", ["r"]), ("Input Window Scale %", ["i"]),
        ("HTML Browser", ["t"]), ("Print Scale Vertical", ["r"]),
        ("Line thickness Layer 0..5", ["i"] * 6), ("Graphic Printout Dialog Box ?", ["b"]),
        ("Text window left/top/width/height", ["rec"]),
        ("Metric Units=0,  English units=1", ["i"]),
        ("printout with header=1, header page 1 only=2", ["i"]),
        ("Text Font Printout", ["t"]), ("Text Size Printout", ["i"]),
        ("Text Style Printout", ["i"]), ("Text Style Graphics", ["i"]),
        ("Printer: Portrait=1, Landscape=2", ["i"]), ("Edit 3D x,y,z ?", ["b"]),
        ("3D - Default x,y,z", ["r", "r", "r", "i", "i", "t"]),
        ("Decimals DXF,TXT", ["i"]), ("CAD Text Mode", ["i"]),
        ("pen width Layer 16..31", ["i"] * 16),
        # The unlabelled tail: CharMode, ScaleByPercent, AngleFormat, scale factor, option,
        # Language, ResultScreen, six drawing switches, switch, language kept, title block,
        # sixteen palette colours, the text printer's queue.
        (None, ["i", "i", "i", "r", "b", "i", "i"] + ["b"] * 8 + ["i"] + ["i"] * 16 + ["t"]),
    ]
    return rows


def check(path, plot_lines, decimal_sign):
    errors = []
    with open(path, "rb") as f:
        data = f.read()
    if not data.endswith(b"\r\n"):
        errors.append("file does not end in CR LF")
    if data.replace(b"\r\n", b"").count(b"\n") or data.replace(b"\r\n", b"").count(b"\r"):
        errors.append("a line end other than CR LF")
    lines = data.decode("cp1252").split("\r\n")[:-1]
    expected_count = 250 + plot_lines - 1
    if len(lines) != expected_count:
        errors.append("%d lines, expected %d" % (len(lines), expected_count))
    pos = 0
    for label, kinds in layout(plot_lines):
        if label is not None:
            got = lines[pos] if pos < len(lines) else "<end of file>"
            if got != label:
                errors.append("line %d: %r, expected label %r" % (pos + 1, got, label))
            pos += 1
        for kind in kinds:
            if pos >= len(lines):
                errors.append("file ends before a value of %r" % label)
                return errors
            v = lines[pos]
            ok = {
                "i": lambda s: INT.match(s) is not None,
                "r": lambda s: REAL.match(s) is not None,
                "b": lambda s: s in BOOL,
                "t": lambda s: s not in BOOL or label is None,
                "c": lambda s: len(s) == 1,
                "rec": lambda s: re.match(r"^(-?\d+\|){4}$", s) is not None,
            }[kind](v)
            if not ok:
                errors.append("line %d: value %r is not of kind %s (after %r)" % (pos + 1, v, kind, label))
            pos += 1
    # Values the fresh start must show.
    def value_after(label, k=1):
        return lines[lines.index(label) + k]
    expect = {
        ("Dot=1 Komma=2", 1): str(decimal_sign),
        ("zoom increment", 1): "1.2000000",
        ("pan faktor", 1): "0.1000000",
        ("Textwidth/height Graphics", 1): "0.8000000",
        ("Color graphics", 1): "TRUE",
        ("Text Font Printout", 1): "Courier New",
        ("Layer Monochrome", 1): "FALSE",
        ("Lines per page for printer", 1): "66",
        ("Text window left/top/width/height", 1): "10|40|700|440|",
        ("Line thickness Layer 0..5", 1): "3",
        ("Line thickness Layer 0..5", 6): "3",
        ("Text font CAD", 1): "TXT8",
        ("KVILPEN command line", 1): "C:\\KVILPEN\\WKVILPEN KVILPEN.DXF /M1.0",
    }
    for (label, k), want in expect.items():
        got = value_after(label, k)
        if got != want:
            errors.append("value %d after %r: %r, expected %r" % (k, label, got, want))
    # Before the text printer's queue the palette in Windows colours: navy second, white last.
    if lines[-16] != str(128 << 16):
        errors.append("palette colour 1 is %r, expected navy %d" % (lines[-16], 128 << 16))
    if lines[-2] != str(0xFFFFFF):
        errors.append("palette colour 15 is %r, expected white" % lines[-2])
    if any("," in l for l in lines if REAL.match(l.replace(",", ".")) and not INT.match(l)):
        errors.append("a real with a decimal comma")
    return errors


def main():
    tool = sys.argv[1]
    failures = []
    for plot_lines, extra in ((1, []), (3, ["--plot-lines", "3"]), (5, ["--plot-lines", "5", "--comma"])):
        with tempfile.TemporaryDirectory() as d:
            r = subprocess.run([tool, d] + extra, capture_output=True, text=True)
            if r.returncode != 0:
                failures.append("cfgwrite %s failed: %s" % (extra, r.stderr))
                continue
            names = os.listdir(d)
            if names != ["qor1w.cfg"]:
                failures.append("directory holds %r" % names)
                continue
            sign = 2 if "--comma" in extra else 1
            for e in check(os.path.join(d, "qor1w.cfg"), plot_lines, sign):
                failures.append("[%d plot lines] %s" % (plot_lines, e))
    for f in failures:
        print(f)
    print("configuration layout: %s" % ("FAILED" if failures else "ok"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
