#!/usr/bin/python3
"""Reads a DXF file with ezdxf and reports what a CAD program sees in it, one fact per line:

    audit_errors N            followed by "error <code> <message>" lines
    audit_fixes N
    layer <name> <colour> <linetype>
    style <name> <font>
    block <name> <entity count>
    entity <where> <TYPE> <layer> <values...>

where is "model" or the block name. Numbers are printed with 6 decimals. Exit status 0 when the
file was read; 2 when ezdxf could not read it.
"""
import sys

import ezdxf


def num(x):
    return "%.6f" % float(x)


def describe(e):
    t = e.dxftype()
    d = e.dxf
    head = [t, d.layer]
    if t == "LINE":
        return head + [num(d.start[0]), num(d.start[1]), num(d.end[0]), num(d.end[1])]
    if t == "CIRCLE":
        return head + [num(d.center[0]), num(d.center[1]), num(d.radius)]
    if t == "ARC":
        return head + [num(d.center[0]), num(d.center[1]), num(d.radius),
                       num(d.start_angle), num(d.end_angle)]
    if t == "TEXT":
        return head + [repr(d.text), num(d.insert[0]), num(d.insert[1]), num(d.height),
                       num(d.width), num(d.rotation), d.style]
    if t == "SOLID":
        vals = []
        for k in ("vtx0", "vtx1", "vtx2", "vtx3"):
            v = d.get(k)
            vals += [num(v[0]), num(v[1])]
        return head + vals
    if t == "INSERT":
        return head + [d.name, num(d.insert[0]), num(d.insert[1]), num(d.xscale),
                       num(d.yscale), num(d.rotation)]
    if t == "POLYLINE":
        vals = ["closed" if e.is_closed else "open", str(len(e.vertices))]
        for v in e.vertices:
            vals += [num(v.dxf.location[0]), num(v.dxf.location[1]), num(v.dxf.bulge)]
        return head + vals
    return head


def main():
    try:
        doc = ezdxf.readfile(sys.argv[1])
    except Exception as exc:  # noqa: BLE001 - every failure to read is the answer
        print("unreadable %s" % exc)
        return 2
    auditor = doc.audit()
    print("audit_errors %d" % len(auditor.errors))
    for err in auditor.errors:
        print("error %s %s" % (err.code, err.message))
    print("audit_fixes %d" % len(auditor.fixes))
    for fix in auditor.fixes:
        print("fix %s %s" % (fix.code, fix.message))
    for layer in doc.layers:
        print("layer %s %d %s" % (layer.dxf.name, layer.dxf.color, layer.dxf.linetype))
    for style in doc.styles:
        print("style %s %s" % (style.dxf.name, style.dxf.font))
    for ltype in doc.linetypes:
        print("ltype %s" % ltype.dxf.name)
    for block in doc.blocks:
        if block.name.lower() in ("$model_space", "$paper_space", "*model_space", "*paper_space"):
            continue
        ents = list(block)
        print("block %s %d" % (block.name, len(ents)))
        for e in ents:
            print("entity %s %s" % (block.name, " ".join(describe(e))))
    for e in doc.modelspace():
        print("entity model %s" % " ".join(describe(e)))
    print("extmin %s %s" % (num(doc.header["$EXTMIN"][0]), num(doc.header["$EXTMIN"][1])))
    print("extmax %s %s" % (num(doc.header["$EXTMAX"][0]), num(doc.header["$EXTMAX"][1])))
    return 0


if __name__ == "__main__":
    sys.exit(main())
