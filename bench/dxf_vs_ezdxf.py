#!/usr/bin/python3
"""Writes the same one million LINE entities with bench_dxf (this program's DXF writer) and with
python3-ezdxf, in one run, and compares: this program must take under 1 s and be at least 30
times faster than ezdxf. Usage: dxf_vs_ezdxf.py BENCH_DXF_BINARY (a Release build). Exit status 1
when a target is missed. Both files are checked to hold the same number of LINE entities."""
import json
import os
import subprocess
import sys
import tempfile
import time

import ezdxf


def ezdxf_lines(path, count):
    doc = ezdxf.new("R12")
    msp = doc.modelspace()
    for i in range(count):
        x = (i % 1000) * 1.000123
        y = (i // 1000) * 0.999877
        msp.add_line((x, y), (x + 0.5, y + 0.25))
    doc.saveas(path)


def count_lines(path):
    n = 0
    with open(path, "rb") as f:
        for line in f:
            if line.strip() == b"LINE":
                n += 1
    return n


def main():
    binary = sys.argv[1]
    count = 1000000  # as bench_dxf writes them
    with tempfile.TemporaryDirectory() as tmp:
        env = dict(os.environ, QOR_BENCH_DIR=tmp)
        out = subprocess.run([binary, "--benchmark_format=json"], env=env, check=True,
                             capture_output=True, text=True).stdout
        ours = json.loads(out)["benchmarks"][0]
        ours_s = ours["real_time"] / 1000.0  # milliseconds
        ours_lines = count_lines(os.path.join(tmp, "qor_bench_lines.dxf"))

        path = os.path.join(tmp, "ezdxf_lines.dxf")
        t0 = time.perf_counter()
        ezdxf_lines(path, count)
        ez_s = time.perf_counter() - t0
        ez_lines = count_lines(path)

    ratio = ez_s / ours_s
    print("qor1w DXF writer: %d lines in %.3f s" % (ours_lines, ours_s))
    print("ezdxf:            %d lines in %.3f s" % (ez_lines, ez_s))
    print("ratio:            %.1f" % ratio)
    ok = True
    if ours_lines != count or ez_lines != count:
        print("FAIL: line counts differ from %d" % count)
        ok = False
    if ours_s >= 1.0:
        print("FAIL: one million lines took 1 s or more")
        ok = False
    if ratio < 30:
        print("FAIL: less than 30 times faster than ezdxf")
        ok = False
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
