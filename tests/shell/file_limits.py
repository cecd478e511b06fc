#!/usr/bin/python3
"""The program and gearcalc at the limits of the file system, run as a user runs them: a
file-size limit (ulimit -f), an endless device or a named pipe as the job or the script, an
endless script, job names that use up the 255 bytes of a name, a folder that is not there, an
output that is a link to a device, a folder without write permission, standard output whose
reader has gone, Ctrl+C during a save. Each run must end with an exit code and a message that names
the cause in words, keep the old file, and leave no hidden temporary file behind.

usage: file_limits.py GEARCALC QOR1W DATA_DIR
"""
import os
import resource
import shutil
import subprocess
import sys
import tempfile

gearcalc, qor1w, data = sys.argv[1:4]
failures = []


def check(what, ok, detail=""):
    if not ok:
        failures.append(f"{what}: {detail}")


def run(argv, cwd, stdin="", fsize=None, closed=False, **extra):
    """closed: standard output is a pipe whose reader has gone before the first byte."""
    feed = {"input": stdin} if isinstance(stdin, str) else {"stdin": stdin}
    def limit():
        if fsize is not None:
            resource.setrlimit(resource.RLIMIT_FSIZE, (fsize, fsize))

    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(cwd, ".cfg"),
               XDG_DATA_HOME=os.path.join(cwd, ".share"), TMPDIR=os.path.join(cwd, ".tmp"),
               **extra)
    os.makedirs(env["TMPDIR"], exist_ok=True)
    reader, writer = os.pipe()
    os.close(reader)
    out = {"stdout": writer, "stderr": subprocess.PIPE} if closed else {"capture_output": True}
    try:
        return subprocess.run(argv, cwd=cwd, **feed, **out, text=True, preexec_fn=limit,
                              env=env, timeout=120)
    finally:
        os.close(writer)


def entries(folder):
    return sorted(e for e in os.listdir(folder) if e not in (".cfg", ".share", ".tmp"))


with tempfile.TemporaryDirectory() as root:
    spur = os.path.join(data, "spur.q1w")
    old = open(spur, "rb").read()
    long_name = "g" * 246 + ".q1w"  # 250 bytes: the temporary name would need 264
    os.symlink("/dev/zero", os.path.join(root, "zero.q1w"))
    os.mkfifo(os.path.join(root, "pipe.q1w"))  # nobody writes: an open that waits never ends
    zeros = open("/dev/zero", "rb")
    copies = sorted(["copy.q1w", "copy2.q1w", long_name, long_name[:245] + "_sheet.txt",
                     "spur.q1w", "zero.q1w"])
    cases = [
        # what, argv, stdin, file-size limit, exit code, words in stderr, files afterwards
        ("gearcalc saves beyond the file-size limit",
         [gearcalc], "job = spur.q1w\nsave = spur.q1w\n", 1000, 1,
         "the file is too large", ["spur.q1w", "zero.q1w"]),
        ("the workshop sheet beyond the file-size limit",
         [qor1w, "spur.q1w", "/I", "/NOGUI"], "", 500, 2,
         "the file is too large", ["spur.q1w", "zero.q1w"]),
        ("an endless device as the job (gearcalc)",
         [gearcalc], "job = zero.q1w\n", None, 1,
         "it is a device, not a file", ["spur.q1w", "zero.q1w"]),
        ("an endless device as the job (batch)",
         [qor1w, "zero.q1w", "/I", "/NOGUI"], "", None, 1,
         "it is a device, not a file", ["spur.q1w", "zero.q1w"]),
        ("an endless device as the script", [gearcalc, "zero.q1w"], "", None, 1,
         "it is a device, not a file", ["spur.q1w", "zero.q1w"]),
        ("an endless script on standard input", [gearcalc], zeros, None, 1,
         "a line is longer than 65536 characters", ["spur.q1w", "zero.q1w"]),
        ("a named pipe as the job (gearcalc)", [gearcalc], "job = pipe.q1w\n", None, 1,
         "it is a named pipe (FIFO), not a file", ["spur.q1w", "zero.q1w"]),
        ("a named pipe as the job (batch)", [qor1w, "pipe.q1w", "/I", "/NOGUI"], "", None, 1,
         "it is a named pipe (FIFO), not a file", ["spur.q1w", "zero.q1w"]),
        ("a save into a folder that is not there",
         [gearcalc], "job = spur.q1w\nsave = nodir/spur.q1w\n", None, 1,
         "the folder nodir does not exist", ["spur.q1w", "zero.q1w"]),
        ("a job name of 250 bytes is saved",
         [gearcalc], f"job = spur.q1w\nsave = {long_name}\n", None, 0,
         "", [long_name, "spur.q1w", "zero.q1w"]),
        ("a job name of 250 bytes gives its workshop sheet (the name cut to hold _sheet.txt)",
         [qor1w, long_name, "/I", "/NOGUI"], "", None, 0,
         "", sorted([long_name, long_name[:245] + "_sheet.txt", "spur.q1w", "zero.q1w"])),
        ("a bare name is saved with the job files' extension in the current folder",
         [gearcalc], "job = spur.q1w\nsave = copy\n", None, 0,
         "", sorted(["copy.q1w", long_name, long_name[:245] + "_sheet.txt", "spur.q1w",
                     "zero.q1w"])),
        # A reader gone before the first byte: said, never a silent SIGPIPE; the save is made.
        ("gearcalc into a closed pipe", [gearcalc], "job = spur.q1w\nsave = copy2\n", None, 1,
         "standard output: the reader closed the connection after 0 bytes had gone into the pipe",
         copies,
         {"closed": True}),
        ("the usage text into a closed pipe", [qor1w, "/?"], "", None, 2,
         "standard output: the reader closed the connection after 0 bytes had gone into the pipe",
         copies,
         {"closed": True}),
        ("gearcalc's save ended by Ctrl+C at its draft", [gearcalc],
         "job = spur.q1w\nsave = spur.q1w\n", None, 130, "", copies,
         {"QOR_SIGNAL_AT_DRAFT": "1:2"}),
    ]
    for what, argv, stdin, fsize, code, words, files, *more in cases:
        shutil.copyfile(spur, os.path.join(root, "spur.q1w"))
        r = run(argv, root, stdin, fsize, **(more[0] if more else {}))
        check(what, r.returncode == code, f"exit {r.returncode}, stderr {r.stderr!r}")
        check(what, words in r.stderr, f"stderr {r.stderr!r}")
        check(what, "error 3" not in r.stderr and "(error" not in r.stderr, r.stderr)
        check(what, "kept" not in r.stderr or "existing file was kept" in r.stderr, r.stderr)
        check(what, entries(root) == sorted(files + ["pipe.q1w"]), f"files {entries(root)}")
        check(what, open(os.path.join(root, "spur.q1w"), "rb").read() == old, "spur.q1w changed")
        check(what, os.listdir(os.path.join(root, ".tmp")) == [],
              f"temporary files left {os.listdir(os.path.join(root, '.tmp'))}")

# An output that is a link to a device, and a folder the program may not write into (as the
# user nobody when the test runs as root): nothing is written, and the message names the cause.
nobody = lambda: os.geteuid() == 0 and (os.setgroups([]), os.setgid(65534), os.setuid(65534))
with tempfile.TemporaryDirectory() as root:
    shutil.copyfile(spur, os.path.join(root, "spur.q1w"))
    os.symlink("/dev/null", os.path.join(root, "spur.dxf"))
    scratch = os.path.join(root, ".tmp")
    os.makedirs(scratch, mode=0o1777), os.chmod(scratch, 0o1777), os.chmod(root, 0o555)
    env = dict(os.environ, XDG_CONFIG_HOME=scratch, XDG_DATA_HOME=scratch, TMPDIR=scratch,
               XDG_RUNTIME_DIR=scratch, QT_QPA_PLATFORM="offscreen")
    # The window program started on a new job there: the folder is the cause, not the name.
    new = os.path.join(root, "new.q1w")
    for args, user, code, words in [
            (["spur.q1w", "/CAD1:1", "/NOGUI"], None, 2, "spur.dxf: it is a device, not a file"),
            (["spur.q1w", "/I", "/NOGUI"], nobody, 2,
             "written to spur_sheet.txt: permission denied"),
            ([new], nobody, 1, f"File {new} could not be written: permission denied.")]:
        r = subprocess.run([qor1w] + args, cwd=root, env=env,
                           preexec_fn=user, capture_output=True, text=True, timeout=120)
        check(args[-1], r.returncode == code and words in r.stderr, f"{r.returncode} {r.stderr!r}")
        check(args[-1], sorted(os.listdir(root)) == [".tmp", "spur.dxf", "spur.q1w"],
              f"files {os.listdir(root)}")
    os.chmod(root, 0o755)

for f in failures:
    print(f)
sys.exit(1 if failures else 0)
