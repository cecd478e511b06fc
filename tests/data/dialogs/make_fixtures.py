# Writes the listing fixtures with Python's own code-page codecs (an encoder independent of the
# program's tables): a DOS code page 437 listing and the UTF-8 text it must convert to.
import pathlib

here = pathlib.Path(__file__).parent
lines = [
    "\u2554" + "\u2550" * 68 + "\u2557",
    "\u2551    Zahnbreite \u00df = 20 mm \u00b1 0,1   \u03b1 = 20\u00b0   \u00b5m        \u2551",
    "\u255a" + "\u2550" * 68 + "\u255d",
    "       " + "\u2500" * 70,
    "\f",
    "       page two: \u00e4\u00f6\u00fc \u00c4\u00d6\u00dc \u00bd \u00bc \u2248 \u221a",
    "",
    "       end",
]
(here / "listing_cp437.txt").write_bytes("\r\n".join(lines).encode("cp437") + b"\r\n")
(here / "listing_utf8.txt").write_bytes("\r\n".join(lines).encode("utf-8") + b"\r\n")
