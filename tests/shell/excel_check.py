"""Reads a workbook the program handed to the spreadsheet program with python3-openpyxl and
compares it with the file it came from.

  excel_check.py column JOB XLSX DECIMAL   column A holds the job file's lines (DOS 437), one per
                                           row; numbers only where the line is a number with
                                           the decimal sign DECIMAL ('.' or ','), else the text
  excel_check.py rows TXT XLSX DECIMAL     the rows are the text file's lines (Windows 1252)
                                           split at tabs, numbers as numbers

Prints what differs and exits 1; prints a summary and exits 0 when everything matches.
"""
import re
import sys

import openpyxl


def number(text, decimal):
    """The value of a plain decimal number written with the decimal sign, else None."""
    t = text.strip(" \t")
    if not re.fullmatch(r"[+-]?(\d+(\%s\d*)?|\%s\d+)([eE][+-]?\d+)?" % (decimal, decimal), t):
        return None
    return float(t.replace(decimal, "."))


def compare(expected, actual, decimal, where):
    """expected: the cell's text; actual: what openpyxl read. Returns an error text or None."""
    if isinstance(actual, str):
        # Characters XML cannot hold are written as _xHHHH_, as spreadsheet programs read them.
        actual = re.sub(r"_x([0-9A-Fa-f]{4})_", lambda m: chr(int(m.group(1), 16)), actual)
    if actual is None:
        return None if expected == "" else f"{where}: empty, expected {expected!r}"
    if isinstance(actual, (int, float)):
        v = number(expected, decimal)
        if v is None or abs(v - actual) > 1e-12 * max(1.0, abs(v)):
            return f"{where}: number {actual!r} for {expected!r}"
        return None
    if actual != expected:
        return f"{where}: text {actual!r}, expected {expected!r}"
    # A text where a whole number (no point, no comma, no leading zero) stands: wrong under
    # any decimal sign.
    if re.fullmatch(r"-?[1-9]\d{0,14}|0", expected.strip()):
        return f"{where}: {expected!r} stayed text"
    return None


def main():
    mode, source, xlsx, decimal = sys.argv[1:5]
    ws = openpyxl.load_workbook(xlsx).active
    errors, numbers = [], 0
    if mode == "column":
        with open(source, encoding="cp437", newline="") as f:
            lines = f.read().split("\r\n")
        if lines and lines[-1] == "":
            lines.pop()
        cells = [row[0] for row in ws.iter_rows(min_col=1, max_col=1, values_only=True)]
        if ws.max_column > 1:
            errors.append(f"{ws.max_column} columns")
        cells += [None] * (len(lines) - len(cells))
        if len(cells) != len(lines):
            errors.append(f"{len(cells)} rows for {len(lines)} lines")
        for i, (line, cell) in enumerate(zip(lines, cells), 1):
            e = compare(line, cell, decimal, f"A{i}")
            if e:
                errors.append(e)
            numbers += isinstance(cell, (int, float))
    else:
        with open(source, encoding="cp1252", newline="") as f:
            lines = re.split(r"\r\n|\r|\n", f.read().split("\x1a")[0])
        if lines and lines[-1] == "":
            lines.pop()
        rows = list(ws.iter_rows(values_only=True))
        if len(rows) != len(lines):
            errors.append(f"{len(rows)} rows for {len(lines)} lines")
        for i, (line, row) in enumerate(zip(lines, rows), 1):
            items = line.split("\t")
            cells = list(row) + [None] * (len(items) - len(row))
            for j, (item, cell) in enumerate(zip(items, cells), 1):
                e = compare(item, cell, decimal, f"row {i} column {j}")
                if e:
                    errors.append(e)
                numbers += isinstance(cell, (int, float))
            if any(c is not None for c in cells[len(items):]):
                errors.append(f"row {i}: cells past the line's {len(items)} items")
    for e in errors[:20]:
        print(e)
    print(f"{len(lines)} lines, {numbers} numbers")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
