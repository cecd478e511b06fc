#!/usr/bin/python3
"""Independent readers of the listing engine's TXT and HTML files.

  listing_check.py txt FILE SIGN ROWS   the tab-separated file read by Python's csv module
                                        (Windows 1252): no rule lines, every value cell carries
                                        the decimal sign SIGN ("," or "."), ROWS value rows
  listing_check.py html FILE TABLES     the HTML file parsed by html5lib: TABLES tables, the
                                        text "a<b & c>d" as text (escaped in the file), the
                                        charset declared, the comment intact, no character
                                        HTML forbids (the line "forbidden:" holds U+FFFD)

Exit 0 when every check holds; else the failures on stderr and exit 1.
"""
import csv
import re
import sys

failures = []


def check(cond, text):
    if not cond:
        failures.append(text)


def txt(path, sign, rows):
    with open(path, newline="", encoding="cp1252") as fh:
        data = list(csv.reader(fh, delimiter="\t"))
    other = "." if sign == "," else ","
    number = re.compile(r"^\s*[-+]?\d+(" + re.escape(sign) + r"\d+)?\s*$")
    value_rows = 0
    for row in data:
        joined = "".join(row)
        check(not re.fullmatch(r"[-=*\u2500\u2550 ]{10,}", joined) or joined.strip() == "",
              f"rule line in TXT: {row!r}")
        check("$!$" not in joined, f"skip mark in TXT: {row!r}")
        if len(row) >= 4 and row[1] and number.match(row[3]):
            value_rows += 1
            for cell in row[3:]:
                if cell.strip():
                    check(number.match(cell) is not None and other not in cell,
                          f"value without the decimal sign {sign!r}: {cell!r} in {row!r}")
    check(value_rows == rows, f"{value_rows} value rows, expected {rows}")


def html(path, tables):
    import html5lib
    raw = open(path, "rb").read()
    text = raw.decode("utf-8")
    check(re.search(r'<meta charset="utf-8">', text, re.I) is not None, "no charset declared")
    check("a&lt;b &amp; c&gt;d" in text, "texts not escaped in the file")
    parser = html5lib.HTMLParser(tree=html5lib.getTreeBuilder("etree"), namespaceHTMLElements=False)
    doc = parser.parse(raw)
    bad = [e for e in parser.errors if e[1] == "invalid-codepoint"]
    check(not bad, f"characters HTML forbids: {bad}")
    found = doc.findall(".//table")
    check(len(found) == tables, f"{len(found)} tables, expected {tables}")
    body = "".join(doc.find("body").itertext())
    check("a<b & c>d" in body, "the escaped text does not read back as text")
    check("forbidden:" + "\ufffd" * 6 + "." in body, "forbidden characters not replaced")
    for t in found:
        check(t.find(".//table") is None, "nested table")
    comments = [c for c in raw.split(b"<!--")[1:]]
    for c in comments:
        inner = c.split(b"-->")[0]
        check(b"--" not in inner, f"'--' inside a comment: {inner!r}")


def main():
    kind = sys.argv[1]
    if kind == "txt":
        txt(sys.argv[2], sys.argv[3], int(sys.argv[4]))
    elif kind == "html":
        html(sys.argv[2], int(sys.argv[3]))
    else:
        failures.append("unknown check " + kind)
    for f in failures:
        print(f, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
