#!/usr/bin/python3
"""Writes the expected text-file listings of the sample listing in frame styles 1 to 5.

The lines are built from the listing layout rules directly: a blank line of the given width
with each text written over it at its 1-based column, in the order given. The one row whose
designation runs past the symbol column is built by hand: the symbol follows the designation
after one blank, the unit follows the symbol after one blank, the value keeps its column.

Run: tests/data/listing/make_golden.py tests/data/listing
"""
import sys

MARGIN = " " * 7
DATE, TIME = "03/07/2026", "9:05"  # the test clock: 7 March 2026, 9:05, DateCode 2


def over(width, items):
    buf = [" "] * width
    for col, text in items:
        for i, ch in enumerate(text):
            at = col - 1 + i
            if at >= len(buf):
                buf.extend([" "] * (at + 1 - len(buf)))
            buf[at] = ch
    return "".join(buf)


def rules(style):
    if style == 1:
        return dict(rule="-" * 70, double="=" * 70, top="*" * 70, bottom="*" * 70,
                    middle="*" * 70, frame="*")
    if style == 2:
        return dict(rule="\u2500" * 70, double="\u2550" * 70,
                    top="\u2554" + "\u2550" * 68 + "\u2557",
                    bottom="\u255a" + "\u2550" * 68 + "\u255d",
                    middle="\u2560" + "\u2550" * 68 + "\u2563", frame="\u2551")
    if style == 3:
        b = " " * 70
        return dict(rule=b, double=b, top=b, bottom=b, middle=b, frame=" ")
    s = "$!$"
    return dict(rule=s, double=s, top=s, bottom=s, middle=s, frame=" ")


def number_line(text, number):
    # 72 columns, text at 1, "No.: " + number at 40; a head line keeps 65 characters of it.
    return over(72, [(1, text), (40, "No.: " + number)])[:65]


def listing(style):
    r = rules(style)
    f = r["frame"]
    out = []

    def line(text):  # a written line; "$!$" is never written
        if text != "$!$":
            out.append(MARGIN + text)

    # head, mode 1
    if style == 4:
        line("")
    line(r["top"])
    line(over(71, [(1, f), (6, "Production Sheet"), (64, "pg.1"), (70, f)]))
    line(over(71, [(1, f), (6, "Linux edition 1.1"), (53, DATE), (64, TIME), (70, f)]))
    line(over(71, [(1, f), (6, "/data/gears/gear.q1w"), (70, f)]))
    line(r["middle"])
    for text in (number_line("Pinion", "D-100"), number_line("Wheel", "D-200"),
                 "Title one", "Title two"):
        line(over(71, [(1, f), (6, text), (70, f)]))
    line(r["middle"])
    line(over(71, [(1, f), (35, "Symbol"), (44, "Unit"), (51, "premach."),
                   (62, "finished"), (70, f)]))
    line(r["rule"])
    line("")
    # body
    line("printout  Wheel D-200")
    line(r["double"])
    line(over(68, [(1, "Pressure Angle"), (35, "alpha"), (44, "deg"), (56, "20.00000")]))
    if style != 4:
        line(r["rule"])
    line(over(66, [(1, "Span measurement"), (35, "W max."), (44, "mm"), (51, "  23.456"),
                   (62, "  23.400")]))
    if style != 4:
        line(r["rule"])
    pushed = "Tip diameter with a short addendum of the gear" + " " + "da" + " " + "mm"
    line(over(68, [(1, pushed), (56, "  105.123")]))
    if style != 4:
        line(r["rule"])
    # section break: a form feed line, except in the compact style with most of the page left
    if style != 4:
        out.append("\f")
    return "".join(l + "\r\n" for l in out).encode("cp437")


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "."
    for style in (1, 2, 3, 4, 5):
        with open(f"{folder}/style{style}.txt", "wb") as fh:
            fh.write(listing(style))


if __name__ == "__main__":
    main()
