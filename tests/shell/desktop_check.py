#!/usr/bin/python3
"""The program on a real X display with a window manager (Xvfb and openbox), as a user meets it.

For each screen (1600 x 1000, 1366 x 768, and 1366 x 768 scaled 2x):
- the main window opens wholly on the screen, its frame (title bar and borders) included;
- the start picture fits the window and follows a resize: after the window shrinks to
  1000 x 650 the picture lies wholly inside it and fills most of its height;
- File > Settings: the dialog, minimised, comes back when the main window is activated, and OK
  without a change leaves the main window's frame as it was;
- keyboard zoom and pan work after a menu command chosen with the keyboard (Alt+V, Return):
  keypad plus changes the picture, Esc brings the unzoomed picture back.
On 1366 x 768, with a job given by its full path as a file manager passes it:
- the menus of the main, table and text windows draw (English and Chinese);
- the table window keeps its size when it is opened again and again;
- CAD > Production drawing > DXF proposes the job's name with ".dxf"; taken, and with the job's
  own name typed over it, it writes DXF files and leaves the job as it was.
Windows are read with xwininfo and xprop, pictures with xwd (parsed here), menus from the X
server's frame buffer, keys come from xdotool.
Usage: desktop_check.py QOR1W DATA_DIR
"""

import os
import select
import shutil
import struct
import subprocess
import sys
import tempfile
import time

FAILURES = []


def check(cond, what):
    if not cond:
        FAILURES.append(what)
    return cond


def run(args, env, timeout=20):
    """A tool's answer; a tool that hangs (a busy display) answers nothing."""
    try:
        return subprocess.run(args, env=env, capture_output=True, text=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        return subprocess.CompletedProcess(args, -1, "", "timed out")


def wait_for(what, test, timeout=120.0):
    end = time.time() + timeout
    while time.time() < end:
        value = test()
        if value:
            return value
        time.sleep(0.2)
    FAILURES.append("timed out waiting for " + what)
    return None


def grab(window, env):
    """The window's pixels as rows of (r, g, b), from an xwd dump."""
    data = subprocess.run(["xwd", "-silent", "-id", window], env=env, capture_output=True,
                          timeout=20).stdout
    if len(data) < 100:
        return None
    f = struct.unpack(">25I", data[:100])
    header, width, height = f[0], f[4], f[5]
    byte_order, bpp, stride, ncolors = f[7], f[11], f[12], f[19]
    masks = f[14:17]
    if bpp != 32:
        FAILURES.append("xwd: %d bits per pixel not read" % bpp)
        return None
    pixels = data[header + 12 * ncolors:]
    fmt = "<I" if byte_order == 0 else ">I"

    def channel(v, m):
        shift = (m & -m).bit_length() - 1
        return (v & m) >> shift

    rows = []
    for y in range(height):
        row = []
        base = y * stride
        for x in range(width):
            v = struct.unpack_from(fmt, pixels, base + 4 * x)[0]
            row.append(tuple(channel(v, m) for m in masks))
        rows.append(row)
    return rows


def settled(window, env, timeout=60.0):
    """The window's picture once it stops changing (a busy machine paints late)."""
    last = grab(window, env)
    end = time.time() + timeout
    while time.time() < end:
        time.sleep(0.7)
        now = grab(window, env)
        if now is not None and now == last:
            return now
        last = now
    return last


def changed_from(old, window, env, timeout=60.0):
    """The window's picture once it differs from old, settled; None when it never does."""
    end = time.time() + timeout
    while time.time() < end:
        now = grab(window, env)
        if now is not None and now != old:
            return settled(window, env)
        time.sleep(0.5)
    return None


def screen_area(home, box):
    """What the screen shows in box (x, y, w, h), as rows of (r, g, b): read from the frame
    buffer, not through the server's GetImage, which xwd runs window by window when windows of
    several colormaps meet (Qt's and the window manager's) and which then loses a popup menu
    lying over a window that reaches below the one beneath it."""
    with open(os.path.join(home, "Xvfb_screen0"), "rb") as f:
        data = f.read()
    h = struct.unpack(">25I", data[:100])
    header, width, height, stride, ncolors = h[0], h[4], h[5], h[12], h[19]
    masks = h[14:17]
    fmt = "<I" if h[7] == 0 else ">I"
    base = header + 12 * ncolors
    x0, y0, w, hh = box
    rows = []
    for y in range(max(y0, 0), min(y0 + hh, height)):
        row = []
        for x in range(max(x0, 0), min(x0 + w, width)):
            v = struct.unpack_from(fmt, data, base + y * stride + 4 * x)[0]
            row.append(tuple((v & m) >> ((m & -m).bit_length() - 1) for m in masks))
        rows.append(row)
    return rows


def open_popup(env):
    """(x, y, w, h) of the popup menu shown (an override-redirect window of the program)."""
    for line in run(["xwininfo", "-root", "-children"], env).stdout.splitlines():
        line = line.strip()
        if not line.startswith("0x") or '("qor1w"' not in line:
            continue
        info = run(["xwininfo", "-id", line.split()[0]], env).stdout
        if "IsViewable" not in info or "Override Redirect State: yes" not in info:
            continue
        geometry = line.split()[-2]  # WxH+X+Y
        wh, x, y = geometry.split("+")[:3]
        w, h = wh.split("x")
        return int(x), int(y), int(w), int(h)
    return None


def menu_drawn(rows):
    """A drawn menu: light background (beside the highlighted item) with dark text, never one
    dark block."""
    pixels = [p for row in rows for p in row]
    if not pixels:
        return False
    light = sum(1 for p in pixels if min(p) > 180)
    dark = sum(1 for p in pixels if max(p) < 90)
    return light > 0.3 * len(pixels) and dark > 30


def frame_of(window, env):
    """(left, top, right, bottom) of the window's frame on the screen."""
    info = run(["xwininfo", "-id", window], env).stdout
    values = {}
    for line in info.splitlines():
        if ":" in line:
            k, _, v = line.partition(":")
            values[k.strip()] = v.strip()
    try:
        x = int(values["Absolute upper-left X"])
        y = int(values["Absolute upper-left Y"])
        w, h = int(values["Width"]), int(values["Height"])
    except (KeyError, ValueError):
        return None
    ext = run(["xprop", "-id", window, "_NET_FRAME_EXTENTS"], env).stdout
    if "=" not in ext:
        return None
    left, right, top, bottom = [int(v) for v in ext.split("=")[1].split(",")]
    return x - left, y - top, x + w + right, y + h + bottom


def drawing_box(rows):
    """The drawing area (below the menu bar: the first row mostly dark) and the box of what
    is drawn on it, as (area_top, box) with box = (x0, y0, x1, y1) or None."""
    top = None
    for y, row in enumerate(rows):
        if sum(1 for p in row if max(p) < 16) > 0.5 * len(row):  # the dark background
            top = y
            break
    if top is None:
        return None, None
    xs, ys = [], []
    for y in range(top, len(rows)):
        for x, p in enumerate(rows[y]):
            if max(p) > 60:
                xs.append(x)
                ys.append(y)
    if not xs:
        return top, None
    return top, (min(xs), min(ys), max(xs), max(ys))


def start_display(size, home, procs):
    """An X server of its own; Xvfb picks a free display number and names it when ready. Its
    frame buffer lies in home as Xvfb_screen0."""
    read_end, write_end = os.pipe()
    log = open(os.path.join(home, "xvfb.log"), "w+")
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                             "%dx%dx24" % size, "-nolisten", "tcp", "-fbdir", home],
                            pass_fds=(write_end,), stdout=log, stderr=subprocess.STDOUT)
    os.close(write_end)
    procs.append(xvfb)
    number = b""
    end = time.time() + 120
    while time.time() < end and not number.endswith(b"\n"):
        ready, _, _ = select.select([read_end], [], [], 1.0)
        if ready:
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        elif xvfb.poll() is not None:
            break
    os.close(read_end)
    if not number.strip().isdigit():
        log.seek(0)
        FAILURES.append("Xvfb gave no display (%s): %s" % (
            "exit %s" % xvfb.returncode if xvfb.poll() is not None else "no answer in 120 s",
            log.read().strip()[-2000:]))
        return None
    return number.strip().decode()


def start_window_manager(env, home, tag, procs):
    """openbox on the display, ready when it announces itself on the root window. A window
    manager that dies or hangs at its start is started again (twice at most); when it never
    comes up, what it printed is reported."""
    printed = ""
    for attempt in range(3):
        log = open(os.path.join(home, "openbox-%d.log" % attempt), "w+")
        wm = subprocess.Popen(["openbox", "--sm-disable"], env=env, stdout=log,
                              stderr=subprocess.STDOUT)
        procs.append(wm)
        end = time.time() + 60
        while time.time() < end and wm.poll() is None:
            if "window id" in run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env).stdout:
                return True
            time.sleep(0.2)
        wm.kill()
        wm.wait()
        log.seek(0)
        printed = "exit %s, printed: %s" % (wm.returncode, log.read().strip()[-2000:])
        log.close()
    FAILURES.append("%s: openbox never came up (%s)" % (tag, printed))
    return False


def program_env(display, home, scale):
    """The program's environment on the display: a home of its own, Qt scaled by scale."""
    env = dict(os.environ, DISPLAY=":" + display, HOME=home, XDG_CONFIG_HOME=home + "/config",
               XDG_DATA_HOME=home + "/data", XDG_RUNTIME_DIR=home, QT_SCALE_FACTOR=str(scale),
               ASAN_OPTIONS="detect_leaks=0")
    env.pop("QT_QPA_PLATFORM", None)
    return env


def stop_all(procs):
    for p in reversed(procs):
        p.terminate()
        try:
            p.wait(timeout=10)
        except subprocess.TimeoutExpired:
            p.kill()
            p.wait()


def one_screen(program, size, scale, home):
    tag = "%dx%d at %gx" % (size[0], size[1], scale)
    procs = []
    try:
        display = start_display(size, home, procs)
        if display is None:
            return
        env = program_env(display, home, scale)
        if not start_window_manager(env, home, tag, procs):
            return
        app = subprocess.Popen([program], env=env, cwd=home, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
        procs.append(app)

        def main_window():
            out = run(["xdotool", "search", "--onlyvisible", "--name", "QOR1W"], env).stdout
            ids = out.split()
            return ids[0] if ids else None

        window = wait_for("the main window on " + tag, main_window)
        if window is None:
            return
        # The window manager frames the window; then the frame must lie on the screen.
        def on_screen(f):
            return f[0] >= 0 and f[1] >= 0 and f[2] <= size[0] and f[3] <= size[1]

        frame = wait_for("the frame on " + tag, lambda: frame_of(window, env))
        end = time.time() + 30  # the program may still be moving it into place
        while frame and not on_screen(frame) and time.time() < end:
            time.sleep(0.5)
            frame = frame_of(window, env) or frame
        if frame:
            check(on_screen(frame), "%s: the window's frame %s is not wholly on the screen" %
                  (tag, frame))
        run(["xdotool", "windowactivate", "--sync", window], env)

        # File > Settings: the dialog minimised comes back when the main window is activated;
        # OK without a change leaves the window's frame where and as it was.
        frame = frame_of(window, env)
        run(["xdotool", "key", "alt+f"], env)
        time.sleep(1)
        run(["xdotool", "key", "t"], env)
        dialog = wait_for("the settings dialog on " + tag, lambda: (run(
            ["xdotool", "search", "--onlyvisible", "--name", "Configuration"], env).stdout.split()
            or [None])[0])
        if dialog:
            run(["xdotool", "windowminimize", dialog], env)
            time.sleep(2)
            run(["xdotool", "windowactivate", window], env)
            check(wait_for("the minimised dialog back on " + tag, lambda: "IsViewable" in run(
                ["xwininfo", "-id", dialog], env).stdout, 30),
                  "%s: activating the main window left the settings dialog minimised" % tag)
            run(["xdotool", "windowactivate", "--sync", dialog], env)
            run(["xdotool", "key", "Return"], env)
            wait_for("the settings dialog to close on " + tag, lambda: "IsViewable" not in run(
                ["xwininfo", "-id", dialog], env).stdout)
            time.sleep(3)  # a move or resize would have reached the window by now
            after = frame_of(window, env)
            check(after == frame, "%s: Settings, OK moved the window's frame from %s to %s" %
                  (tag, frame, after))

        # The picture fits the shrunk window.
        start = settled(window, env)
        run(["xdotool", "windowsize", "--sync", window, "1000", "650"], env)
        rows = changed_from(start, window, env)
        if check(rows is not None, "%s: no picture of the window" % tag):
            height, width = len(rows), len(rows[0])
            top, box = drawing_box(rows)
            if check(box is not None, "%s: nothing drawn after the resize" % tag):
                inside = box[0] > 0 and box[2] < width - 1 and box[3] < height - 1
                check(inside, "%s: the picture %s runs out of the %dx%d window" %
                      (tag, box, width, height))
                check(box[3] - box[1] > 0.8 * (height - top),
                      "%s: the picture %s does not fill the window's height %d" %
                      (tag, box, height - top))

        # View > Quick from the keyboard, then the keypad zooms and Esc resets.
        shown = settled(window, env)
        run(["xdotool", "key", "alt+v"], env)
        time.sleep(1)
        run(["xdotool", "key", "Return"], env)
        before = changed_from(shown, window, env)
        if not check(before is not None, "%s: View > Quick from the keyboard drew nothing" % tag):
            return
        run(["xdotool", "key", "KP_Add"], env)
        zoomed = changed_from(before, window, env)
        check(zoomed is not None, "%s: keypad + after the keyboard menu changed nothing" % tag)
        run(["xdotool", "key", "Escape"], env)
        end = time.time() + 60
        reset = grab(window, env)
        while reset != before and time.time() < end:
            time.sleep(0.5)
            reset = grab(window, env)
        check(reset == before, "%s: Esc did not bring the unzoomed view back" % tag)
    finally:
        stop_all(procs)


def job_session(program, data, home):
    """A job given by its full path: menus of every kind of window, the table window opened
    again and again, and the DXF export beside the job file."""
    size = (1366, 768)
    procs = []
    try:
        display = start_display(size, home, procs)
        if display is None:
            return
        env = program_env(display, home, 1)
        if not start_window_manager(env, home, "job session", procs):
            return
        jobs = os.path.join(home, "jobs")
        os.makedirs(jobs)
        job = os.path.join(jobs, "fm.q1w")
        shutil.copyfile(os.path.join(data, "spur.q1w"), job)
        with open(job, "rb") as f:
            job_bytes = f.read()
        app = subprocess.Popen([program, job], env=env, cwd=home, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
        procs.append(app)

        def named(text):
            ids = run(["xdotool", "search", "--onlyvisible", "--name", text], env).stdout.split()
            return ids[-1] if ids else None

        def keys(*names):
            for k in names:
                run(["xdotool", "key", k], env)
                time.sleep(0.6)

        window = wait_for("the main window of the job session", lambda: named("QOR1W"))
        if window is None:
            return
        run(["xdotool", "windowactivate", "--sync", window], env)

        def menu(where, key):
            keys(key)
            box = wait_for("the %s menu of the %s" % (key, where), lambda: open_popup(env), 30)
            if box:
                time.sleep(1)  # painted by now
                check(menu_drawn(screen_area(home, box)),
                      "%s: the menu %s does not draw (%s)" % (where, key, box))
            keys("Escape", "Escape")

        for language in ("English", "Chinese"):
            menu("main window in " + language, "alt+f")
            sizes = []
            for k in range(3):
                keys("alt+d", "Return")
                table = wait_for("the table window", lambda: named("q1toolx"), 60)
                if table is None:
                    break
                time.sleep(1)
                sizes.append(frame_of(table, env))
                if k == 0:
                    menu("table window in " + language, "alt+f")
                keys("Escape")
                wait_for("the table window to close", lambda: named("q1toolx") is None, 30)
            check(len(set(sizes)) == 1, "%s: the table window changed its frame when opened "
                  "again: %s" % (language, sizes))
            keys("alt+v", "s")
            if wait_for("the text window", lambda: named("outwin"), 60):
                time.sleep(1)
                menu("text window in " + language, "alt+f")
                menu("text window in " + language, "alt+e")
                keys("alt+f", "x")
                wait_for("the text window to close", lambda: named("outwin") is None, 30)
            if language == "English":
                keys("alt+h", "l", "c")  # Help > Menu Language > Chinese
                time.sleep(1)

        # CAD > Production drawing as DXF: the proposal, then the job's own name typed over it.
        cad = os.path.join(home, "data", "qor1w")
        for typed, written in ((None, os.path.join(cad, "fm.dxf")), (job, job + ".dxf")):
            keys("alt+c", "p")
            question = wait_for("the CAD code question", lambda: named("Select"), 60)
            if not question:
                break
            time.sleep(1)
            # A click on "DXF", the first choice below the question's text, then OK.
            info = run(["xwininfo", "-id", question], env).stdout
            x, y = [int(line.split(":")[1]) for line in info.splitlines()
                    if "Absolute upper-left" in line]
            run(["xdotool", "mousemove", str(x + 45), str(y + 75), "click", "1"], env)
            keys("Return")
            if not wait_for("the save dialog", lambda: named("Save As"), 60):
                break
            time.sleep(1)
            if typed:
                keys("ctrl+a")
                run(["xdotool", "type", "--delay", "20", typed], env)
            keys("Return")
            check(wait_for("the DXF file " + written, lambda: os.path.exists(written), 60),
                  "CAD > Production drawing wrote no %s" % written)
            time.sleep(2)
        with open(job, "rb") as f:
            check(f.read() == job_bytes, "the job file %s changed by a DXF export" % job)
        for dxf in (os.path.join(cad, "fm.dxf"), job + ".dxf"):
            if os.path.exists(dxf):
                with open(dxf, "rb") as f:
                    check(f.read(9) == b"  0\r\nSECT", "%s is no DXF file" % dxf)
    finally:
        stop_all(procs)


def main():
    program = os.path.abspath(sys.argv[1])
    data = os.path.abspath(sys.argv[2])
    for tool in ("Xvfb", "openbox", "xdotool", "xwininfo", "xprop", "xwd"):
        if shutil.which(tool) is None:
            FAILURES.append(tool + " is missing (scripts/install-deps installs it)")
    if not FAILURES:
        for size, scale in (((1600, 1000), 1), ((1366, 768), 1), ((1366, 768), 2)):
            with tempfile.TemporaryDirectory() as home:
                one_screen(program, size, scale, home)
        with tempfile.TemporaryDirectory() as home:
            job_session(program, data, home)
    for f in FAILURES:
        print("FAIL", f)
    if not FAILURES:
        print("main window on the screen and kept there by Settings, OK; a minimised dialog comes "
              "back; drawing fits after a resize, keys zoom after the menu; every menu draws, the "
              "table window keeps its size, a DXF export leaves the job alone")
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
