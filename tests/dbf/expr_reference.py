#!/usr/bin/python3
"""Independent reference for the expression tests (Python's datetime and decimal, python3-dbf
writes tables, python3-dbfread reads them).

  julian COUNT        sampled dates of years 1..9999: YYYYMMDD <tab> date.toordinal() + 1721425
  fixed COUNT         random doubles: repr <tab> places <tab> the value rounded half away
                      from zero at that many places, from its shortest decimal text
  make FILE COUNT     python3-dbf: dBASE III table, code page 437, fields NAME C(20),
                      DATUM D, WERT N(10,2); names mix case and accented letters, every 7th
                      date is blank
  keys FILE           per record (file order), from dbfread's values: the hex bytes of
                      UPPER(NAME)+DTOS(DATUM) and of STR(WERT,10,2), in the table's code
                      page 437 with its own case rules (a capital the page lacks: the letter
                      stays)
"""
import datetime
import random
import sys
import decimal
from decimal import Decimal, ROUND_HALF_UP

decimal.getcontext().prec = 400


def julian(count):
    rnd = random.Random(1721425)
    days = set()
    first = datetime.date(1, 1, 1).toordinal()
    last = datetime.date(9999, 12, 31).toordinal()
    for edge in (first, last, datetime.date(2000, 2, 29).toordinal(),
                 datetime.date(1900, 3, 1).toordinal(), datetime.date(1600, 2, 29).toordinal()):
        days.add(edge)
    while len(days) < count:
        days.add(rnd.randint(first, last))
    for d in sorted(days):
        date = datetime.date.fromordinal(d)
        print("%04d%02d%02d\t%d" % (date.year, date.month, date.day, d + 1721425))


def fixed(count):
    rnd = random.Random(250)
    for i in range(count):
        kind = i % 4
        if kind == 0:
            # values typed with one place more than kept: the half-way cases
            places = rnd.randint(0, 4)
            x = float(Decimal(rnd.randint(-10**7, 10**7)).scaleb(-(places + 1)))
        elif kind == 1:
            places = rnd.randint(0, 6)
            x = rnd.uniform(-1e6, 1e6)
        elif kind == 2:
            places = rnd.randint(-3, 3)
            x = rnd.uniform(-1e4, 1e4)
        else:
            places = rnd.randint(0, 12)
            x = rnd.uniform(-1, 1) * 10 ** rnd.randint(-8, 20)
        q = Decimal(1).scaleb(-places)
        v = Decimal(repr(x)).quantize(q, rounding=ROUND_HALF_UP)
        text = format(v, "f")
        if places < 0:
            text = format(v.quantize(Decimal(1)), "f")
        if Decimal(text) == 0:
            text = text.lstrip("-")
        print("%s\t%d\t%s" % (repr(x), places, text))


NAMES = ["Zahnrad", "ritzel", "Hohlrad", "Schnecke", "Kegelrad", "Stirnrad", "Planet",
         "müller", "Äbel", "öhler", "Übersetzung", "straße", "café", "Élan", "ñandú",
         "garçon", "ÿvonne", "brûlé", "Fräser", "wälzfräser"]


def make(path, count):
    import dbf
    rnd = random.Random(count)
    t = dbf.Table(path, "name C(20); datum D; wert N(10,2)", dbf_type="db3",
                  codepage="cp437")
    t.open(dbf.READ_WRITE)
    start = datetime.date(1850, 1, 1)
    for i in range(1, count + 1):
        name = "%s %d" % (rnd.choice(NAMES), rnd.randint(0, 99999))
        if i % 11 == 0 and all(c.upper().encode("cp437", "ignore") for c in name):
            name = name.upper()
        day = None if i % 7 == 0 else start + datetime.timedelta(days=rnd.randint(0, 100000))
        wert = Decimal(rnd.randint(-99999999, 999999999)).scaleb(-2)
        t.append((name[:20], day, wert))
    t.close()


def upper_in(raw, page):
    out = bytearray()
    for b in raw:
        try:
            u = bytes([b]).decode(page).upper()
            e = u.encode(page)
            out += e if len(e) == 1 else bytes([b])
        except UnicodeError:
            out.append(b)
    return bytes(out)


def keys(path):
    import dbfread
    table = dbfread.DBF(path, encoding="cp437", char_decode_errors="strict")
    for r in table:
        name = r["NAME"].ljust(20).encode("cp437")
        day = r["DATUM"]
        dtos = b"        " if day is None else day.strftime("%Y%m%d").encode()
        wert = r["WERT"]
        text = format(Decimal(str(wert)).quantize(Decimal("0.01"), rounding=ROUND_HALF_UP), "f")
        text = text.rjust(10) if len(text) <= 10 else "*" * 10
        print("%s\t%s" % ((upper_in(name, "cp437") + dtos).hex(), text.encode().hex()))


def main():
    cmd = sys.argv[1]
    if cmd == "julian":
        julian(int(sys.argv[2]))
    elif cmd == "fixed":
        fixed(int(sys.argv[2]))
    elif cmd == "make":
        make(sys.argv[2], int(sys.argv[3]))
    elif cmd == "keys":
        keys(sys.argv[2])
    else:
        sys.exit("unknown command " + cmd)


if __name__ == "__main__":
    main()
