"""The (key text, record) pairs that Perl XBase's index_dump lists for an index, in its order.
Shared by the index reference scripts beside this file."""
import subprocess


def index_dump_pairs(ndxpath, kind):
    out = subprocess.run(["index_dump", "--type=" + kind, ndxpath, "X"], check=True,
                         capture_output=True).stdout.decode("latin-1")
    pairs = []
    for line in out.splitlines():
        if not line:
            continue
        # "key record" with one blank between; character keys may hold blanks themselves.
        key, _, rec = line.rpartition(" ")
        pairs.append((key, int(rec)))
    return pairs
