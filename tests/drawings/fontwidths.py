"""The widths the screen and printer give a text: the advances of the font fontconfig gives for
the graphics font "Arial" (its TrueType tables read here), in units of its average character
width, the width a text style sets."""
import functools
import struct
import subprocess


@functools.lru_cache(maxsize=None)
def _font(family="Arial"):
    path = subprocess.run(["fc-match", "--format=%{file}", family], capture_output=True,
                          text=True, check=True).stdout
    d = open(path, "rb").read()
    tables = {}
    for k in range(struct.unpack(">H", d[4:6])[0]):
        tag, _, off, _ = struct.unpack(">4sIII", d[12 + 16 * k:28 + 16 * k])
        tables[tag.decode("latin-1")] = off
    metrics = struct.unpack(">H", d[tables["hhea"] + 34:tables["hhea"] + 36])[0]
    advance = [struct.unpack(">H", d[tables["hmtx"] + 4 * g:tables["hmtx"] + 4 * g + 2])[0]
               for g in range(metrics)]
    average = struct.unpack(">h", d[tables["OS/2"] + 2:tables["OS/2"] + 4])[0]
    cmap, glyph = tables["cmap"], {}
    for k in range(struct.unpack(">H", d[cmap + 2:cmap + 4])[0]):
        pid, eid, off = struct.unpack(">HHI", d[cmap + 4 + 8 * k:cmap + 12 + 8 * k])
        s = cmap + off
        if (pid, eid) != (3, 1) or struct.unpack(">H", d[s:s + 2])[0] != 4:
            continue
        n = struct.unpack(">H", d[s + 6:s + 8])[0] // 2
        field = lambda at: struct.unpack(">%dH" % n, d[at:at + 2 * n])
        ends, starts = field(s + 14), field(s + 16 + 2 * n)
        deltas, ranges = field(s + 16 + 4 * n), field(s + 16 + 6 * n)
        for j in range(n):
            for c in range(starts[j], min(ends[j], 0xFFFE) + 1):
                if ranges[j] == 0:
                    glyph[c] = (c + deltas[j]) & 0xFFFF
                else:
                    at = s + 16 + 6 * n + 2 * j + ranges[j] + 2 * (c - starts[j])
                    g = struct.unpack(">H", d[at:at + 2])[0]
                    glyph[c] = (g + deltas[j]) & 0xFFFF if g else 0
    return advance, average, glyph


def advance(text):
    """The text's advance in average character widths."""
    widths, average, glyph = _font()
    return sum(widths[min(glyph.get(ord(c), 0), len(widths) - 1)] for c in text) / average
