#!/usr/bin/python3
"""Prints the edges a CAD program draws from a DXF file, read with ezdxf and every INSERT
exploded into model coordinates: one line "edge x1 y1 x2 y2" per line, arc, circle and solid
outline edge (a circle from and to its point at angle 0, a SOLID along its corners 1-2-4-3-1).
"""
import sys

import ezdxf


def edges(entity):
    t = entity.dxftype()
    if t == "INSERT":
        for e in entity.virtual_entities():
            yield from edges(e)
    elif t == "LINE":
        yield entity.dxf.start, entity.dxf.end
    elif t == "ARC":
        yield entity.start_point, entity.end_point
    elif t == "CIRCLE":
        c = entity.dxf.center
        p = (c[0] + entity.dxf.radius, c[1])
        yield p, p
    elif t == "SOLID":
        v = [entity.dxf.get(k) for k in ("vtx0", "vtx1", "vtx3", "vtx2")]
        for i in range(4):
            yield v[i], v[(i + 1) % 4]


def main():
    doc = ezdxf.readfile(sys.argv[1])
    for entity in doc.modelspace():
        for a, b in edges(entity):
            print("edge %.9f %.9f %.9f %.9f" % (a[0], a[1], b[0], b[1]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
