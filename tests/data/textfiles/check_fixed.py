#!/usr/bin/python3
"""Checks fixed-point texts against exact rational arithmetic.

Each input line: [-]m e d text, meaning the value (-)m * 2^e formatted with d decimals.
The reference rounds the exact value half away from zero; magnitudes below 1e-8 are zero. Prints the mismatches and
"checked N"; exits 1 when any case differs.
"""
import sys
from fractions import Fraction


def reference(neg, m, e, d):
    v = Fraction(m) * (Fraction(2) ** e)
    if v < Fraction(1, 10**8):
        v = Fraction(0)  # below 1e-8 counts as zero
    q = (v * 10**d + Fraction(1, 2)).__floor__()
    digits = str(q)
    if d > 0:
        digits = digits.rjust(d + 1, "0")
        digits = digits[:-d] + "." + digits[-d:]
    return ("-" if neg and q != 0 else "") + digits


def main():
    bad = 0
    n = 0
    with open(sys.argv[1], encoding="ascii") as f:
        for line in f:
            parts = line.split()
            if len(parts) != 4:
                continue
            ms, e, d, text = parts[0], int(parts[1]), int(parts[2]), parts[3]
            neg = ms.startswith("-")
            m = int(ms.lstrip("-"))
            want = reference(neg, m, e, d)
            n += 1
            if want != text:
                bad += 1
                if bad <= 20:
                    print(f"{line.strip()}: expected {want}")
    print(f"checked {n}, {bad} differ")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
