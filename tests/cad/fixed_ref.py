#!/usr/bin/python3
"""Reference for fixed-point DXF numbers: reads lines "mantissa exponent decimals" (the value is
mantissa * 2**exponent exactly) on stdin and prints each value with that many decimals, rounded
half away from zero on the exact value, "-" only when the printed value is not zero."""
import sys
from decimal import Decimal, ROUND_HALF_UP, getcontext

getcontext().prec = 20000

for line in sys.stdin:
    parts = line.split()
    if len(parts) != 3:
        continue
    m, e, d = int(parts[0]), int(parts[1]), int(parts[2])
    x = Decimal(m) * (Decimal(2) ** e)
    q = Decimal(1).scaleb(-d)
    r = x.quantize(q, rounding=ROUND_HALF_UP)
    text = "{:f}".format(abs(r))
    if r != 0 and r < 0:
        text = "-" + text
    print(text)
