#!/usr/bin/python3
"""Structural checker for dBASE NDX index files, written from the file layout alone.

usage: ndxcheck.py FILE [--records N] [--unique] [--record-order] [--list]

Checks the header formulas (entry size, keys per node, key type), that the next-free field
equals the number of 512-byte blocks in the file, that every node's key count is within
bounds, that children lie below next free and are visited once, that keys ascend within each
node, that every separator bounds its subtrees, that interior entries carry record number 0
and leaf entries 1..N, and (with --unique) that no key repeats; with --record-order equal keys must come in record
order (as a fresh build leaves them). Prints "ok" and exits 0, or
prints the faults and exits 1. With --list it prints the (key, record) pairs in index order
(character keys in hex, numeric keys as repr of the double).
"""
import struct
import sys


def fail(msgs):
    for m in msgs:
        print(m)
    sys.exit(1)


def main():
    args = sys.argv[1:]
    path = args[0]
    records = None
    unique = "--unique" in args
    listing = "--list" in args
    record_order = "--record-order" in args
    if "--records" in args:
        records = int(args[args.index("--records") + 1])
    data = open(path, "rb").read()
    errs = []
    if len(data) < 1024 or len(data) % 512 != 0:
        fail(["file length %d is not a whole number of blocks of at least two" % len(data)])
    root, nextfree = struct.unpack_from("<II", data, 0)
    letter = chr(data[9])
    keylen, kpn, keytype, esize = struct.unpack_from("<HHHH", data, 12)
    uniq_byte = data[23]
    if letter not in "CDFN":
        errs.append("key type letter %r" % letter)
    if letter != "C" and keylen != 8:
        errs.append("numeric key length %d" % keylen)
    if not 1 <= keylen <= 100:
        errs.append("key length %d" % keylen)
    want_es = keylen + 8
    while want_es % 4:
        want_es += 1
    if esize != want_es:
        errs.append("entry size %d, expected %d" % (esize, want_es))
    if esize and kpn != 504 // esize:
        errs.append("keys per node %d, expected %d" % (kpn, 504 // esize))
    if keytype != (0 if letter == "C" else 1):
        errs.append("key type %d for letter %s" % (keytype, letter))
    blocks = len(data) // 512
    if nextfree != blocks:
        errs.append("next free %d, file has %d blocks" % (nextfree, blocks))
    if not 1 <= root < blocks:
        errs.append("root %d outside 1..%d" % (root, blocks - 1))
    expr = data[24:125].split(b"\0")[0]
    if not expr:
        errs.append("empty key expression")
    if unique and uniq_byte != 1:
        errs.append("unique byte %d" % uniq_byte)
    if errs:
        fail(errs)

    def key_of(raw):
        if letter == "C":
            return raw
        return struct.unpack("<d", raw)[0]

    seen = set()
    pairs = []

    def walk(block, low, high, depth):
        # Keys of this subtree must lie in [low, high] (None: unbounded).
        if depth > 64:
            errs.append("tree deeper than 64 at block %d" % block)
            return
        if block in seen:
            errs.append("block %d reached twice" % block)
            return
        seen.add(block)
        base = block * 512
        node = data[base:base + 512]
        (k,) = struct.unpack_from("<h", node, 0)
        if node[2] or node[3]:
            errs.append("block %d: bytes 2-3 not zero" % block)
        if k < 0 or k > kpn:
            errs.append("block %d: key count %d outside 0..%d" % (block, k, kpn))
            return
        first_child = struct.unpack_from("<I", node, 4)[0]
        leaf = first_child == 0
        if k == 0 and not (leaf and block == root):
            if leaf:
                errs.append("block %d: empty leaf that is not the root" % block)
        keys = []
        for i in range(k):
            off = 4 + i * esize
            child, rec = struct.unpack_from("<II", node, off)
            key = key_of(node[off + 8:off + 8 + keylen])
            if keys and key < keys[-1]:
                errs.append("block %d: key %d below key %d" % (block, i, i - 1))
            if low is not None and key < low:
                errs.append("block %d: key %d below its separator" % (block, i))
            if high is not None and key > high:
                errs.append("block %d: key %d above its separator" % (block, i))
            keys.append(key)
            if leaf:
                if child != 0:
                    errs.append("block %d: leaf entry %d has child %d" % (block, i, child))
                if rec == 0 or (records is not None and rec > records):
                    errs.append("block %d: record %d out of range" % (block, rec))
                pairs.append((key, rec))
            else:
                if rec != 0:
                    errs.append("block %d: interior entry %d has record %d" % (block, i, rec))
        if leaf:
            return
        children = [struct.unpack_from("<I", node, 4 + i * esize)[0] for i in range(k + 1)]
        for i, child in enumerate(children):
            if child == 0 or child >= nextfree:
                errs.append("block %d: child %d = %d outside 1..%d" % (block, i, child, nextfree - 1))
                continue
            lo = keys[i - 1] if i > 0 else low
            hi = keys[i] if i < k else high
            walk(child, lo, hi, depth + 1)

    walk(root, None, None, 0)
    for i in range(1, len(pairs)):
        if pairs[i][0] < pairs[i - 1][0]:
            errs.append("keys out of order at position %d" % i)
            break
        if unique and pairs[i][0] == pairs[i - 1][0]:
            errs.append("repeated key at position %d" % i)
            break
        if record_order and pairs[i][0] == pairs[i - 1][0] and pairs[i][1] < pairs[i - 1][1]:
            errs.append("equal keys not in record order at position %d" % i)
            break
    recs = [r for _, r in pairs]
    if len(set(recs)) != len(recs):
        errs.append("a record number appears twice")
    if records is not None and not unique and len(pairs) != records:
        errs.append("%d keys for %d records" % (len(pairs), records))
    if errs:
        fail(errs[:20])
    if listing:
        for key, rec in pairs:
            print("%s\t%d" % (key.hex() if letter == "C" else repr(key), rec))
    else:
        print("ok")


if __name__ == "__main__":
    main()
