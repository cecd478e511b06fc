#!/usr/bin/python3
"""Reads a DXF file with ezdxf for the drawing-aid tests: the audit result, then one line per
model-space entity, fields separated by tabs:

    audit <errors> <fixes>
    <TYPE> <layer> <numbers separated by blanks> <text>

LINE x1 y1 x2 y2; SOLID its four corners; TEXT x y height rotation and the text as a CAD program
shows it (decoded as the file's code page says, DXF control codes such as %%p turned into their
signs); INSERT x y xscale yscale rotation and the block name; POLYLINE its
vertices x y. Numbers with 6 decimals. Exit status 2 when ezdxf cannot read the file.
"""
import sys

import ezdxf


def fmt(values):
    return " ".join("%.6f" % float(v) for v in values)


def main():
    try:
        doc = ezdxf.readfile(sys.argv[1])
    except Exception as exc:  # noqa: BLE001 - any failure to read is the answer
        print("unreadable %s" % exc)
        return 2
    auditor = doc.audit()
    print("audit %d %d" % (len(auditor.errors), len(auditor.fixes)))
    for e in doc.modelspace():
        t, d, text, nums = e.dxftype(), e.dxf, "", []
        if t == "LINE":
            nums = [d.start[0], d.start[1], d.end[0], d.end[1]]
        elif t == "SOLID":
            for k in ("vtx0", "vtx1", "vtx2", "vtx3"):
                v = d.get(k)
                nums += [v[0], v[1]]
        elif t == "TEXT":
            nums = [d.insert[0], d.insert[1], d.height, d.rotation]
            text = e.plain_text()
        elif t == "INSERT":
            nums = [d.insert[0], d.insert[1], d.xscale, d.yscale, d.rotation]
            text = d.name
        elif t == "POLYLINE":
            for v in e.vertices:
                nums += [v.dxf.location[0], v.dxf.location[1]]
        print("%s\t%s\t%s\t%s" % (t, d.layer, fmt(nums), text))
    return 0


if __name__ == "__main__":
    sys.exit(main())
