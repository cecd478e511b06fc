#!/usr/bin/python3
"""Prints how many pixels of a PNG differ from its most common colour (the background).
The PNG is decoded by the tests' own reader (tests/pnglib.py)."""
import os
import sys
from collections import Counter

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import pnglib  # noqa: E402


def main():
    pix = pnglib.decode_png(sys.argv[1]).rgb_rows()
    count = Counter(p for row in pix for p in row)
    background, n = count.most_common(1)[0]
    print(sum(count.values()) - n)


if __name__ == "__main__":
    main()
