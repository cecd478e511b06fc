#!/usr/bin/python3
"""layoutsweep: the production drawing, the two charts and the three quick sheets of random jobs
written as DXF files by the program's batch mode and read back by tests/drawings/layout_check.py
(python3-ezdxf, the fonts' real widths): every text off every line and every other text, and
everything on the sheet. Too slow for the test suite (a handful of its jobs run there as rows of
tests/drawings/layout_test.cpp); run it before a change of a drawing's layout is called done:

    layoutsweep.py [--flanges] BUILD_DIR [COUNT [SEED]]      (default 300 jobs, seed 1)

A quarter of the jobs are pinions of 6 to 12 teeth with modules 0.5 to 1, a third have small
thickness tolerances, a quarter are drawn in inch units, some pairs are internal, some gears have
a hub or a flange (up to three times the tip diameter; --flanges gives most gears one), the face
widths run from 8 to 400 mm. Jobs the calculation refuses are replaced by new
ones. It prints one line per drawing that fails with its job's inputs (tools/gearcalc takes them
as they stand), then the count of failed drawings per kind; exit status 1 when any failed.
"""
import multiprocessing
import os
import random
import shutil
import subprocess
import sys
import tempfile

# The share of external gears with a flange.
FLANGES = 0.05
HERE = os.path.dirname(os.path.abspath(__file__))
CHECK = os.path.join(HERE, "..", "tests", "drawings", "layout_check.py")

# The batch drawings (/CAD1:j) and what layout_check.py holds them to.
DRAWINGS = [
    (1, "production", "sheet=limits paper=0,0,210,297"),
    (31, "backlash", "sheet=limits"),
    (32, "sliding", "sheet=limits"),
    (7, "quick", "sheet=0,0,160,120"),
    (3, "quick3", "sheet=0,0,200,120"),
    (2, "quick4", "sheet=-2,-5,422,305 paper=0,0,420,297"),
]


def random_job(r):
    """The inputs of one job as gearcalc lines."""
    kind = r.random()
    if kind < 0.25:  # a small pinion (gear 2, the one the batch mode draws)
        z1, z2 = r.randint(12, 80), r.randint(6, 12)
        mn = r.choice([0.5, 0.6, 0.7, 0.75, 0.8, 0.9, 1.0])
        x2 = round(r.uniform(0.3, 0.7), 3)
    elif kind < 0.85:
        z1, z2 = r.randint(6, 80), r.randint(10, 200)
        mn = round(r.choice([r.uniform(0.5, 1), r.uniform(1, 12)]), 3)
        x2 = round(r.uniform(-0.2, 0.6), 3)
    else:  # a ring gear
        z1 = r.randint(12, 60)
        z2 = -(z1 + r.randint(12, 200))
        mn = round(r.uniform(0.5, 8), 3)
        x2 = round(r.uniform(-0.2, 0.4), 3)
    b = round(8 * (50 ** r.random()), 1)  # 8 to 400, as many narrow as wide
    lines = {"mn": mn, "z[1]": z1, "z[2]": z2, "x[1]": round(r.uniform(0, 0.6), 3), "x[2]": x2,
             "beta": r.choice([0, 0, round(r.uniform(5, 40), 1)]), "a": 0, "b": b,
             "bGear[1]": b, "bGear[2]": b, "DM[1]": 0, "DM[2]": 0, "k[1]": 0, "k[2]": 0}
    if z2 > 0 and r.random() < 0.2:  # a hub (its diameter dimensioned left of the section)
        lines["dOptional[2]"] = round(mn * z2 * r.uniform(0.3, 0.8), 2)
    elif z2 > 0 and r.random() < FLANGES:  # a flange up to three times the tip's diameter
        lines["dOptional[2]"] = round(mn * (z2 + 2 + 2 * x2) * r.uniform(1.05, 3.05), 2)
    if r.random() < 0.35:  # small thickness tolerances entered
        for i in (1, 2):
            upper = -round(r.uniform(0, 0.12), 3)
            lines["TsnSeries[%d]" % i] = 11
            lines["Asne[%d]" % i] = upper
            lines["Asni[%d]" % i] = round(upper - r.choice([0.003, 0.005, 0.008, 0.012,
                                                            r.uniform(0.003, 0.05)]), 4)
    return lines, r.random() < 0.25


def inch_settings(build, home):
    """A settings folder whose settings are those of a first start in inch units."""
    folder = os.path.join(home, "inch", "qor1w")
    os.makedirs(folder)
    subprocess.run([os.path.join(build, "tools", "cfgwrite"), folder], check=True)
    path = os.path.join(folder, "qor1w.cfg")
    lines = open(path, "rb").read().split(b"\r\n")
    at = next(k for k, l in enumerate(lines) if l.startswith(b"Metric Units=0"))
    lines[at + 1] = b"1"
    open(path, "wb").write(b"\r\n".join(lines))
    return os.path.join(home, "inch")


def draw_job(task):
    """Calculates and saves job n, draws it; the batch lines for layout_check.py, or None when
    the calculation refuses it."""
    build, home, n, lines, inch, settings = task
    folder = os.path.join(home, "job%d" % n)
    os.makedirs(folder)
    text = "".join("%s = %s\n" % kv for kv in lines.items()) + "save = %s/job\n" % folder
    out = subprocess.run([os.path.join(build, "tools", "gearcalc")], input=text,
                         capture_output=True, text=True)
    if out.returncode != 0 or "CalcErrorFlag = 1" in out.stdout:
        return None
    env = dict(os.environ, ASAN_OPTIONS="detect_leaks=0",
               XDG_CONFIG_HOME=settings if inch else os.path.join(home, "metric"))
    env.pop("DISPLAY", None)
    batch = []
    for j, name, args in DRAWINGS:
        done = subprocess.run([os.path.join(build, "app", "qor1w"), "job.q1w", "/CAD1:%d" % j],
                              cwd=folder, env=env, capture_output=True, text=True)
        dxf = os.path.join(folder, name + ".dxf")
        if done.returncode != 0 or not os.path.exists(os.path.join(folder, "job.dxf")):
            return None
        os.rename(os.path.join(folder, "job.dxf"), dxf)
        batch.append("%s label=%s lines=1 unit=%s %s" % (dxf, name, "in" if inch else "mm", args))
    return batch


def check_job(batch):
    """layout_check.py over one job's drawings: the failing drawings' names and lines."""
    listing = batch[0].rsplit("/", 1)[0] + "/layout.txt"
    with open(listing, "w") as f:
        f.write("\n".join(batch) + "\n")
    out = subprocess.run(["/usr/bin/python3", CHECK, "--batch", listing], capture_output=True,
                         text=True).stdout
    failed = {}
    for line in out.splitlines():
        if line.startswith("FAIL "):
            name = line[5:].split(":", 1)[0]
            failed.setdefault(name, []).append(line[5:])
    return failed


def work(task):
    batch = draw_job(task)
    return None if batch is None else check_job(batch)


def main():
    global FLANGES
    if sys.argv[1:2] == ["--flanges"]:
        FLANGES = 1.0
        del sys.argv[1]
    build = os.path.abspath(sys.argv[1])
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 300
    r = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 1)
    home = tempfile.mkdtemp(prefix="layoutsweep")
    try:
        settings = inch_settings(build, home)
        failures = {name: 0 for _, name, _ in DRAWINGS}
        done = refused = 0
        inch_jobs = 0
        n = 0
        with multiprocessing.Pool(min(4, os.cpu_count() or 1)) as pool:
            while done < count:
                tasks = []
                for _ in range(count - done):
                    lines, inch = random_job(r)
                    tasks.append((build, home, n, lines, inch, settings))
                    n += 1
                for task, failed in zip(tasks, pool.map(work, tasks)):
                    if failed is None:
                        refused += 1
                        continue
                    done += 1
                    inch_jobs += task[4]
                    for name, what in failed.items():
                        failures[name] += 1
                        job = " ".join("%s=%s" % kv for kv in task[3].items())
                        print("FAIL %s%s [%s]: %s" % (name, " (inch)" if task[4] else "", job,
                                                      " | ".join(what)[:600]))
        print("%d jobs (%d in inch units; %d refused by the calculation and replaced), %d "
              "drawings each" % (done, inch_jobs, refused, len(DRAWINGS)))
        for name, k in failures.items():
            print("%-10s %d failed" % (name, k))
        return 1 if any(failures.values()) else 0
    finally:
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
