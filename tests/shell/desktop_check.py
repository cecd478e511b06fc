#!/usr/bin/python3
"""The program on a real X display with a window manager (Xvfb and openbox), as a user meets it.

For each screen (1600 x 1000, 1366 x 768, 1366 x 768 scaled 2x, and 1366 x 768 with a window
manager that takes the window in only once the program has shown it and waits):
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
- CAD > Production drawing > DXF proposes the job's name with ".dxf" in the CAD folder and
  leaves the job as it was.
Two instances on one tool table: the close box of an unsaved edit asks about the other's save
while the table window is still there, and Cancel goes back to the edit.
Windows are read with xwininfo and xprop, pictures with xwd (parsed here), menus from the X
server's frame buffer, keys come from xdotool; the window manager is ready once it frames a
probe window (xmessage). Nothing waits a fixed time: each step waits for what it leads to (a
window, a menu, a frame, a picture) until a deadline far beyond a busy machine's pace, and a
step whose effect would be nothing waits until the program and the window manager have handled
everything before it (a menu opened and closed, an activation answered).
Usage: desktop_check.py QOR1W DATA_DIR [screens1|screens2|sessions]   (the first three screens,
the last two, or the sessions with a job and two instances; all without a part)
"""

import os
import select
import shutil
import signal
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


def poll(test, timeout=120.0):
    """test's first true value, asked again and again until the deadline; None after it."""
    end = time.time() + timeout
    while True:
        value = test()
        if value or time.time() > end:
            return value or None
        time.sleep(0.2)


def wait_for(what, test, timeout=120.0):
    value = poll(test, timeout)
    if value is None:
        FAILURES.append("timed out waiting for " + what)
    return value


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


def popups(env):
    """The program's popup menus on the screen, as (width, height, x, y)."""
    found = []
    for line in run(["xwininfo", "-root", "-children"], env).stdout.splitlines():
        words = line.split()
        if not words or not words[0].startswith("0x") or '("qor1w"' not in line:
            continue
        info = run(["xwininfo", "-id", words[0]], env).stdout
        if "Override Redirect State: yes" in info and "IsViewable" in info:
            size, x0, y0 = words[-2].split("+")[:3]  # WxH+X+Y
            found.append(tuple(int(v) for v in size.split("x")) + (int(x0), int(y0)))
    return found


def popup_drawn(home, env):
    """None while no popup menu of the program shows, else whether it draws: light background
    and dark text where it lies on the screen. The screen is read from the frame buffer, not
    through GetImage: xwd reads window by window when windows of several colormaps meet (Qt's
    and the window manager's) and then loses a popup over a window that reaches below the one
    beneath it."""
    for w, h, x0, y0 in popups(env)[:1]:
        with open(os.path.join(home, "Xvfb_screen0"), "rb") as f:
            data = f.read()
        head = struct.unpack(">25I", data[:100])
        base, stride, masks = head[0] + 12 * head[19], head[12], head[14:17]
        light = dark = 0
        for y in range(int(y0), int(y0) + h):
            for x in range(int(x0), int(x0) + w):
                v = struct.unpack_from("<I" if head[7] == 0 else ">I", data,
                                       base + y * stride + 4 * x)[0]
                p = [(v & m) >> ((m & -m).bit_length() - 1) for m in masks]
                light += min(p) > 180
                dark += max(p) < 90
        return light > 0.3 * w * h and dark > 30
    return None


def key_for_popup(key, env):
    """Presses a key that opens a menu (or a submenu); the menu once it shows, else None."""
    before = len(popups(env))
    run(["xdotool", "key", key], env)
    return poll(lambda: len(popups(env)) > before and popups(env), 60)


def handled(window, env):
    """Waits until the program has handled every key and event sent before (its File menu,
    opened from the keyboard, shows and is closed again; the second Esc leaves the menu bar)
    and so has the window manager (it answers an activation of the window). True when the
    menu showed."""
    run(["xdotool", "windowactivate", "--sync", window], env)
    shown = key_for_popup("alt+f", env) is not None
    run(["xdotool", "key", "Escape"], env)
    poll(lambda: not popups(env), 60)
    run(["xdotool", "key", "Escape"], env)
    run(["xdotool", "windowactivate", "--sync", window], env)
    return shown


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


def frames_a_window(env):
    """True once the window manager frames a window shown on the display (a probe from x11-utils,
    gone again after): it has then finished starting. It announces itself on the root window
    earlier, and a window shown before it has finished is lost when it is stopped meanwhile."""
    probe = subprocess.Popen(["xmessage", "-title", "qor-probe", "probe"], env=env,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        def framed():
            for w in run(["xdotool", "search", "--name", "qor-probe"], env).stdout.split():
                if "=" in run(["xprop", "-id", w, "_NET_FRAME_EXTENTS"], env).stdout:
                    return True
            return False
        return poll(framed, 60) is not None
    finally:
        probe.kill()
        probe.wait()
        poll(lambda: not run(["xdotool", "search", "--name", "qor-probe"], env).stdout.split(), 30)


def start_window_manager(env, home, tag, procs):
    """openbox on the display, ready when it frames a window. A window manager that dies or
    hangs at its start is started again (twice at most); when it never comes up, what it printed
    is reported."""
    printed = ""
    for attempt in range(3):
        log = open(os.path.join(home, "openbox-%d.log" % attempt), "w+")
        wm = subprocess.Popen(["openbox", "--sm-disable"], env=env, stdout=log,
                              stderr=subprocess.STDOUT)
        procs.append(wm)
        announced = poll(lambda: wm.poll() is not None or "window id" in run(
            ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env).stdout, 60)
        if announced and wm.poll() is None and frames_a_window(env):
            return True
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


def desktop_1366(home, tag, procs):
    """A 1366 x 768 display with openbox and the program's environment on it; None when either
    does not come up (reported)."""
    display = start_display((1366, 768), home, procs)
    env = program_env(display, home, 1) if display else None
    return env if env is not None and start_window_manager(env, home, tag, procs) else None


def stop_all(procs):
    for p in reversed(procs):
        p.terminate()
        try:
            p.wait(timeout=10)
        except subprocess.TimeoutExpired:
            p.kill()
            p.wait()


def idle(pid):
    """A test that is true once the process has used no processor time since it was last
    asked (its start done, it waits for the window system)."""
    last = [None]

    def test():
        try:
            with open("/proc/%d/stat" % pid) as f:
                used = sum(int(v) for v in f.read().rsplit(")", 1)[1].split()[11:13])
        except OSError:
            return True
        quiet, last[0] = used == last[0], used
        return quiet
    return test


def one_screen(program, size, scale, late, home):
    """late: True, the window manager takes the window in only once the program has shown it
    and waits; "after", it starts only then (it frames the window where it is)."""
    tag = "%dx%d at %gx%s" % (size[0], size[1], scale, {
        True: ", window manager late", "after": ", window manager started after it"}.get(late, ""))
    procs = []
    try:
        display = start_display(size, home, procs)
        if display is None:
            return
        env = program_env(display, home, scale)
        app = None
        if late == "after":
            app = subprocess.Popen([program], env=env, cwd=home, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
            procs.append(app)
            wait_for("the program to show its window on " + tag, lambda: run(
                ["xdotool", "search", "--name", "QOR1W"], env).stdout.split())
            poll(idle(app.pid))
        if not start_window_manager(env, home, tag, procs):
            return
        if late is True:
            procs[-1].send_signal(signal.SIGSTOP)
        if app is None:
            app = subprocess.Popen([program], env=env, cwd=home, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
            procs.append(app)
        if late is True:
            wait_for("the program to show its window on " + tag, lambda: run(
                ["xdotool", "search", "--name", "QOR1W"], env).stdout.split())
            poll(idle(app.pid))
            procs[-2].send_signal(signal.SIGCONT)

        def main_window():
            out = run(["xdotool", "search", "--onlyvisible", "--name", "QOR1W"], env).stdout
            ids = out.split()
            return ids[0] if ids else None

        window = wait_for("the main window on " + tag, main_window)
        if window is None:
            return
        # The window manager frames the window whenever it gets to it; the frame must then lie
        # on the screen (the program places it as the window manager's answers come in).
        def on_screen(f):
            return f[0] >= 0 and f[1] >= 0 and f[2] <= size[0] and f[3] <= size[1]

        frame = wait_for("the frame on " + tag, lambda: frame_of(window, env))
        if frame and not on_screen(frame):
            frame = poll(lambda: (f := frame_of(window, env)) and on_screen(f) and f) or \
                frame_of(window, env) or frame
        if frame:
            check(on_screen(frame), "%s: the window's frame %s is not wholly on the screen" %
                  (tag, frame))

        # File > Settings: the dialog minimised comes back when the main window is activated;
        # OK without a change leaves the window's frame where and as it was.
        handled(window, env)
        frame = frame_of(window, env)
        key_for_popup("alt+f", env)
        run(["xdotool", "key", "t"], env)
        dialog = wait_for("the settings dialog on " + tag, lambda: (run(
            ["xdotool", "search", "--onlyvisible", "--name", "Configuration"], env).stdout.split()
            or [None])[0])
        if dialog:
            run(["xdotool", "windowminimize", "--sync", dialog], env)
            run(["xdotool", "windowactivate", window], env)
            check(wait_for("the minimised dialog back on " + tag, lambda: "IsViewable" in run(
                ["xwininfo", "-id", dialog], env).stdout, 30),
                  "%s: activating the main window left the settings dialog minimised" % tag)
            run(["xdotool", "windowactivate", "--sync", dialog], env)
            run(["xdotool", "key", "Return"], env)
            wait_for("the settings dialog to close on " + tag, lambda: "IsViewable" not in run(
                ["xwininfo", "-id", dialog], env).stdout)
            # A move or resize that OK made has reached the window once both have handled it.
            handled(window, env)
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
        run(["xdotool", "windowactivate", "--sync", window], env)
        if not check(key_for_popup("alt+v", env) is not None,
                     "%s: Alt+V opened no View menu" % tag):
            return
        run(["xdotool", "key", "Return"], env)
        before = changed_from(shown, window, env)
        if not check(before is not None, "%s: View > Quick from the keyboard drew nothing" % tag):
            return
        run(["xdotool", "key", "KP_Add"], env)
        zoomed = changed_from(before, window, env)
        check(zoomed is not None, "%s: keypad + after the keyboard menu changed nothing" % tag)
        run(["xdotool", "key", "Escape"], env)
        reset = poll(lambda: grab(window, env) == before, 60)
        check(reset, "%s: Esc did not bring the unzoomed view back" % tag)
    finally:
        stop_all(procs)


def job_session(program, data, home):
    """A job given by its full path: the menus of every kind of window in English and Chinese,
    the table window opened again and again, and the DXF export."""
    procs = []
    try:
        env = desktop_1366(home, "job session", procs)
        if env is None:
            return
        job = os.path.join(home, "fm.q1w")
        shutil.copyfile(os.path.join(data, "spur.q1w"), job)
        with open(job, "rb") as f:
            job_bytes = f.read()
        procs.append(subprocess.Popen([program, job], env=env, cwd=home,
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))

        def named(text):
            ids = run(["xdotool", "search", "--onlyvisible", "--name", text], env).stdout.split()
            return ids[-1] if ids else None

        def keys(window, *names):
            """Keys to a window, once the window manager has made it the active one."""
            run(["xdotool", "windowactivate", "--sync", window], env)
            for k in names:
                run(["xdotool", "key", k], env)

        def choose(window, *path):
            """A menu command from the keyboard: each key but the last opens a menu."""
            run(["xdotool", "windowactivate", "--sync", window], env)
            for k in path[:-1]:
                check(key_for_popup(k, env) is not None, "the menu %s did not open" % k)
            run(["xdotool", "key", path[-1]], env)

        def menu(where, window, key):
            run(["xdotool", "windowactivate", "--sync", window], env)
            if wait_for(where + " " + key, lambda: key_for_popup(key, env), 30):
                check(poll(lambda: popup_drawn(home, env), 30), "%s: the menu %s does not draw" %
                      (where, key))
            run(["xdotool", "key", "Escape"], env)
            poll(lambda: not popups(env), 30)
            run(["xdotool", "key", "Escape"], env)

        def placed(window):
            """The window's frame once the window manager has nothing more to do with it."""
            def same():
                first = frame_of(window, env)
                run(["xdotool", "windowactivate", "--sync", window], env)
                return first if first is not None and first == frame_of(window, env) else None
            return wait_for("the frame of " + window, same, 60)

        main = wait_for("the main window of the job", lambda: named("QOR1W"))
        if not main:
            return
        for language in ("English", "Chinese"):
            menu("main window in " + language, main, "alt+f")
            frames = []
            for k in range(3):  # Database > Cutting Tool, Esc
                choose(main, "alt+d", "Return")
                table = wait_for("the table window", lambda: named("q1toolx"), 60)
                if not table:
                    break
                frames.append(placed(table))
                if k == 0:
                    menu("table window in " + language, table, "alt+f")
                keys(table, "Escape")
                wait_for("the table window to close", lambda: not named("q1toolx"), 30)
            check(len(set(frames)) == 1, "the table window's frame changed: %s" % frames)
            choose(main, "alt+v", "s")  # View > Production Sheet
            text = wait_for("the text window", lambda: named("outwin"), 60)
            if text:
                menu("text window in " + language, text, "alt+f")
                menu("text window in " + language, text, "alt+e")
                choose(text, "alt+f", "x")
                wait_for("the text window to close", lambda: not named("outwin"), 30)
            choose(main, "alt+h", "l", "c")  # Help > Menu Language > Chinese

        # CAD > Production drawing, "DXF" (clicked: the first choice below the question), OK,
        # and the name the save dialog proposes.
        choose(main, "alt+c", "p")
        question = wait_for("the CAD code question", lambda: named("Select"), 60)
        if question and placed(question):
            info = run(["xwininfo", "-id", question], env).stdout
            x, y = [int(line.split(":")[1]) for line in info.splitlines()
                    if "Absolute upper-left" in line]
            run(["xdotool", "mousemove", str(x + 45), str(y + 75), "click", "1"], env)
            keys(question, "Return")
            save = wait_for("the save dialog", lambda: named("Save As"), 60)
            if save and placed(save):
                keys(save, "Return")
        dxf = os.path.join(home, "data", "qor1w", "fm.dxf")
        check(wait_for(dxf, lambda: os.path.exists(dxf), 60), "the DXF export wrote no " + dxf)
        with open(job, "rb") as f:
            check(f.read() == job_bytes, "the DXF export changed the job file")
    finally:
        stop_all(procs)


def shared_table_session(program, home, shots):
    """Two instances of the program on one tool table, as two users of a shared folder: A types
    into a cell and leaves the row unsaved, B saves the same cell; A's close box asks about B's
    save while A's table window is still there, Cancel goes back to the edit (no error), and Yes
    at the next close box writes A's text (dbfread reads the table)."""
    procs = []
    try:
        env = desktop_1366(home, "shared table", procs)
        if env is None:
            return
        table = os.path.join(home, "data", "qor1w", "q1toolx.dbf")

        def windows(pid):
            out = run(["xdotool", "search", "--all", "--onlyvisible", "--pid", str(pid),
                       "--name", "."], env).stdout.split()
            return [(w, run(["xdotool", "getwindowname", w], env).stdout.strip()) for w in out]

        def window(pid, test):
            found = [w for w, name in windows(pid) if test(name)]
            return found[-1] if found else None

        def keys(window_id, *names):
            run(["xdotool", "windowactivate", "--sync", window_id], env)
            for k in names:
                run(["xdotool", "key", "--clearmodifiers", k], env)

        def shot(name):
            """The screen as the frame buffer holds it, for a person to look at (QOR_SHOTS)."""
            if shots:
                shutil.copyfile(os.path.join(home, "Xvfb_screen0"),
                                os.path.join(shots, name + ".xwd"))

        users = []
        for who in ("A", "B"):
            app = subprocess.Popen([program], env=env, cwd=home, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
            procs.append(app)
            main = wait_for(who + "'s main window", lambda: window(app.pid, lambda n: "QOR1W" in n))
            if main is None or not handled(main, env):
                return
            key_for_popup("alt+d", env)
            run(["xdotool", "key", "Return"], env)  # Database > Cutting Tool
            grid = wait_for(who + "'s table window",
                            lambda: window(app.pid, lambda n: "q1toolx" in n), 60)
            if grid is None or not handled(grid, env):
                return
            users.append((app, grid))
        (a, a_table), (b, b_table) = users
        # A types into the first tool's name and leaves the cell (Enter), the row unsaved.
        keys(a_table, "X", "1", "3", "Return")
        # B types into the same cell and saves it by going on to the next row.
        keys(b_table, "Y", "1", "3", "Return", "Down", "Escape")
        wait_for("B's table window to close",
                 lambda: window(b.pid, lambda n: "q1toolx" in n) is None, 30)
        shot("shared_table_a")

        known = {w for w, _ in windows(a.pid)}  # the main and the table window

        def question():
            new = [w for w, _ in windows(a.pid) if w not in known]
            return new[-1] if new else None

        # A's close box (the window manager's Alt+F4): the question comes while the window is there.
        keys(a_table, "alt+F4")
        asked = wait_for("the question about B's save", question, 30)
        if not check(asked is not None, "the close box of a table edit asked nothing about "
                     "another instance's save"):
            return
        shot("shared_table_question")
        check(window(a.pid, lambda n: "q1toolx" in n) is not None,
              "the table window went before the question about another instance's save")
        keys(asked, "Escape")  # Cancel: back to the edit
        wait_for("the question to go", lambda: question() is None, 30)
        # Another box would come before the table window's menu opens again.
        check(handled(a_table, env), "after Cancel the table window takes no keys (%s)" %
              [n for _, n in windows(a.pid)])
        check(window(a.pid, lambda n: "q1toolx" in n) is not None,
              "Cancel in the question closed the table window")
        check(question() is None, "going back to the edit brought another box (%s)" %
              [n for _, n in windows(a.pid)])
        keys(a_table, "alt+F4")
        asked = wait_for("the question again", question, 30)
        if asked:
            keys(asked, "Return")  # Yes: A's text over B's
        wait_for("A's table window to close",
                 lambda: window(a.pid, lambda n: "q1toolx" in n) is None, 30)
        name = subprocess.run(["/usr/bin/python3", "-c",
                               "import sys, dbfread; print(next(iter(dbfread.DBF(sys.argv[1], "
                               "encoding='cp437')))['TOOL'])", table],
                              capture_output=True, text=True).stdout.strip()
        check(name == "X13", "the table holds %r in the first tool's name, not A's X13" % name)
    finally:
        stop_all(procs)


def main():
    program = os.path.abspath(sys.argv[1])
    data = os.path.abspath(sys.argv[2])
    part = sys.argv[3] if len(sys.argv) > 3 else ""
    for tool in ("Xvfb", "openbox", "xdotool", "xwininfo", "xprop", "xwd", "xmessage"):
        if shutil.which(tool) is None:
            FAILURES.append(tool + " is missing (scripts/install-deps installs it)")
    tools = not FAILURES
    screens = (((1600, 1000), 1, False), ((1366, 768), 1, False), ((1366, 768), 2, False),
               ((1366, 768), 1, True), ((1366, 768), 1, "after"))
    if part == "screens1":
        screens = screens[:3]
    elif part == "screens2":
        screens = screens[3:]
    if tools and part != "sessions":
        for size, scale, late in screens:
            with tempfile.TemporaryDirectory() as home:
                one_screen(program, size, scale, late, home)
    if tools and not part.startswith("screens"):
        with tempfile.TemporaryDirectory() as home:
            job_session(program, data, home)
        with tempfile.TemporaryDirectory() as home:
            shared_table_session(program, home, os.environ.get("QOR_SHOTS"))
    for f in FAILURES:
        print("FAIL", f)
    if not FAILURES:
        print("main window on the screen and kept there by Settings, OK; a minimised dialog comes "
              "back; drawing fits after a resize, keys zoom after the menu; every menu draws, the "
              "table window keeps its size, a DXF export leaves the job alone; a table edit's "
              "close box asks about another instance's save and goes back to the edit when asked")
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
