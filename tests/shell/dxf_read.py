#!/usr/bin/python3
"""Reads DXF files with ezdxf as a CAD program would and prints one line per file:

    <file> errors <audit errors> entities <count> extents <width> <height>

The count takes every entity of the model space and of the blocks it inserts; the extents are
those of the model space with its inserts resolved. A file ezdxf cannot read gives
"<file> unreadable <reason>" and exit status 2.
"""
import logging
import sys

import ezdxf
from ezdxf import bbox

# Text extents measured with matplotlib's fonts warn about every DXF font it lacks ("findfont"),
# which would mix with the report.
logging.getLogger("matplotlib").setLevel(logging.ERROR)


def block_entities(doc, name, seen):
    if name in seen:
        return 0
    seen.add(name)
    n = 0
    for e in doc.blocks.get(name):
        n += 1
        if e.dxftype() == "INSERT":
            n += block_entities(doc, e.dxf.name, seen)
    return n


def main():
    status = 0
    for path in sys.argv[1:]:
        try:
            doc = ezdxf.readfile(path)
        except (IOError, ezdxf.DXFError) as err:
            print(path, "unreadable", str(err).replace("\n", " "))
            status = 2
            continue
        auditor = doc.audit()
        msp = doc.modelspace()
        count = 0
        seen = set()
        for e in msp:
            count += 1
            if e.dxftype() == "INSERT" and doc.blocks.get(e.dxf.name) is not None:
                count += block_entities(doc, e.dxf.name, seen)
        box = bbox.extents(msp)
        w, h = (box.size.x, box.size.y) if box.has_data else (0.0, 0.0)
        print(path, "errors", len(auditor.errors), "entities", count,
              "extents", "%.3f" % w, "%.3f" % h)
    return status


if __name__ == "__main__":
    sys.exit(main())
