// The engine's runtime: start-up (InitTzCommon), settings, the clock and the dBASE date model.

#include "dbf/base/runtime.h"

#include <array>
#include <ctime>

#include "dbf/base/errors.h"
#include "dbf/base/text.h"
#include "platform/os/clock.h"
#include "platform/os/language.h"

namespace dbf {

std::uint8_t DateFormat = 0;
bool FourDigitYears = false;
std::uint16_t CenturyBase = 1956;
char DecimalChar = '.';
char ThousandsChar = ',';
std::int32_t DosError = 0;
std::string ShortDatePicture = "MM/dd/yy";
char DateSeparator = '/';
std::uint16_t FileMode = 2;
std::uint8_t CurrentAreaNo = 0;

namespace {

struct NameTable {
    int dayWidth;
    const char* days;
    int monthWidth;
    const char* months;
};

// Fixed-width names in the DOS code page (437; Russian 866).
constexpr NameTable kEnglish{
    9, "Sunday   Monday   Tuesday  WednesdayThursday Friday   Saturday ", 9,
    "January  February March    April    May      June     July     August   SeptemberOctober  "
    "November December "};
constexpr NameTable kItalian{
    9, "Domenica Lunedi   Martedi  MercolediGiovedi  Venerdi  Sabato   ", 9,
    "Gennaio  Febbraio Marzo    Aprile   Maggio   Giugno   Luglio   Agosto   SettembreOttobre  "
    "Novembre Dicembre "};
constexpr NameTable kFrench{8, "DimancheLundi   Mardi   MercrediJeudi   VendrediSamedi  ", 9,
                            "Janvier  F\x82"
                            "vrier  Mars     Avril    Mai      Juin     Juillet  Ao\x96"
                            "t     SeptembreOctobre  Novembre D\x82"
                            "cembre "};
constexpr NameTable kGerman{
    10, "Sonntag   Montag    Dienstag  Mittwoch  DonnerstagFreitag   Samstag   ", 9,
    "Januar   Februar  M\x84"
    "rz     April    Mai      Juni     Juli     August   SeptemberOktober  November Dezember "};
constexpr NameTable kSpanish{
    9, "Domingo  Lunes    Martes   MiercolesJueves   Viernes  Sabado   ", 10,
    "Enero     Febrero   Marzo     Abril     Mayo      Junio     Julio     Agosto    Septiembre"
    "Octubre   Noviembre Diciembre "};
constexpr NameTable kRussian{
    11,
    "\x82\xAE\xE1\xAA\xE0\xA5\xE1\xA5\xAD\xEC\xA5\x8F\xAE\xAD\xA5\xA4\xA5\xAB\xEC\xAD\xA8\xAA"
    "\x82\xE2\xAE\xE0\xAD\xA8\xAA    \x91\xE0\xA5\xA4\xA0      \x97\xA5\xE2\xA2\xA5\xE0\xA3    "
    "\x8F\xEF\xE2\xAD\xA8\xE6\xA0    \x91\xE3\xA1\xA1\xAE\xE2\xA0    ",
    8,
    "\x9F\xAD\xA2\xA0\xE0\xEC  \x94\xA5\xA2\xE0\xA0\xAB\xEC \x8C\xA0\xE0\xE2    "
    "\x80\xAF\xE0\xA5\xAB\xEC  \x8C\xA0\xA9     \x88\xEE\xAD\xEC    \x88\xEE\xAB\xEC    "
    "\x80\xA2\xA3\xE3\xE1\xE2  \x91\xA5\xAD\xE2\xEF\xA1\xE0\xEC\x8E\xAA\xE2\xEF\xA1\xE0\xEC "
    "\x8D\xAE\xEF\xA1\xE0\xEC  \x84\xA5\xAA\xA0\xA1\xE0\xEC "};

const NameTable& NamesOfFormat(std::uint8_t format) {
    switch (format) {
    case 3:
        return kItalian;
    case 4:
    case 7:
        return kFrench;
    case 5:
        return kGerman;
    case 6:
        return kSpanish;
    case 8:
        return kRussian;
    default:
        return kEnglish;
    }
}

bool AllDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// Value of a text of digits; not a number (or too long to be a year) gives -1.
int DigitsValue(std::string_view s) {
    if (!AllDigits(s) || s.size() > 6) return -1;
    int v = 0;
    for (char c : s)
        v = v * 10 + (c - '0');
    return v;
}

std::string PadLeft(std::string_view s, std::size_t width, char fill) {
    std::string r(s);
    if (r.size() < width) r.insert(0, width - r.size(), fill);
    return r;
}

std::string Trimmed(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 32)
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32)
        --e;
    return std::string(s.substr(b, e - b));
}

std::string BlankYear() {
    return std::string(FourDigitYears ? 4 : 2, ' ');
}

struct Parts {
    std::string a, b, c;
};

// Splits at the first two occurrences of sep.
Parts SplitThree(std::string_view s, char sep) {
    Parts p;
    const std::size_t i = s.find(sep);
    if (i == std::string_view::npos) {
        p.a = s;
        return p;
    }
    p.a = s.substr(0, i);
    const std::size_t j = s.find(sep, i + 1);
    if (j == std::string_view::npos) {
        p.b = s.substr(i + 1);
    } else {
        p.b = s.substr(i + 1, j - i - 1);
        p.c = s.substr(j + 1);
    }
    return p;
}

// The internal form cut into month, day and year texts (untrimmed).
Parts InternalParts(std::string_view internal) {
    return SplitThree(internal, '/');
}

bool IsBlankInternal(std::string_view internal) {
    const Parts p = InternalParts(internal);
    return Trimmed(p.a).empty() && Trimmed(p.b).empty() && Trimmed(p.c).empty();
}

int FullYearOf(std::string_view yearText) {
    const std::string y = Trimmed(yearText);
    const int v = DigitsValue(y);
    if (v < 0) return -1;
    if (y.size() <= 2) return Century(y) + v;
    return v;
}

} // namespace

void InitTzCommon() {
    ResetErrorState();
    const std::uint8_t format = LanguageDateFormat(os::UserLangId());
    FourDigitYears = false;
    SetDateFormat(format);
    InitNumberSeparators(format);
    CurrentAreaNo = 1;
    const TzDate today = TzGetDate();
    CenturyBase = static_cast<std::uint16_t>(today.year - 70);
    FileMode = 18;
    DosError = 0;
}

std::uint8_t LanguageDateFormat(std::uint16_t langId) {
    const unsigned primary = langId & 0x3FFu;
    const unsigned sub = langId >> 10;
    switch (primary) {
    case 7:
        return 5;
    case 9:
        return sub == 1 ? 0 : 2;
    case 10:
        return 6;
    case 12:
        return sub == 3 ? 7 : 4;
    case 16:
        return 3;
    case 25:
        return 8;
    default:
        return 0;
    }
}

void InitNumberSeparators(std::uint8_t format) {
    if (format >= 3 && format <= 6) {
        DecimalChar = ',';
        ThousandsChar = '.';
    } else if (format == 8) {
        DecimalChar = '.';
        ThousandsChar = ' ';
    } else {
        DecimalChar = '.';
        ThousandsChar = ',';
    }
}

TzDate TzGetDate() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    TzDate d;
    d.year = tm.tm_year + 1900;
    d.month = tm.tm_mon + 1;
    d.day = tm.tm_mday;
    d.dow = tm.tm_wday + 1;
    return d;
}

TzTime UnpackTime(std::int32_t stamp) {
    const auto u = static_cast<std::uint32_t>(stamp);
    const std::uint32_t date = u >> 16, time = u & 0xFFFFu;
    TzTime t;
    t.year = static_cast<int>((date >> 9) & 0x7F) + 1980;
    t.month = static_cast<int>((date >> 5) & 0x0F);
    t.day = static_cast<int>(date & 0x1F);
    t.hour = static_cast<int>((time >> 11) & 0x1F);
    t.minute = static_cast<int>((time >> 5) & 0x3F);
    t.second = static_cast<int>(time & 0x1F) * 2;
    return t;
}

std::int32_t PackTime(const TzTime& t) {
    const int y = t.year < 1980 ? 0 : (t.year > 2107 ? 127 : t.year - 1980);
    const std::uint32_t date = (static_cast<std::uint32_t>(y) << 9) |
                               (static_cast<std::uint32_t>(t.month & 0x0F) << 5) |
                               static_cast<std::uint32_t>(t.day & 0x1F);
    const std::uint32_t time = (static_cast<std::uint32_t>(t.hour & 0x1F) << 11) |
                               (static_cast<std::uint32_t>(t.minute & 0x3F) << 5) |
                               static_cast<std::uint32_t>((t.second / 2) & 0x1F);
    return static_cast<std::int32_t>((date << 16) | time);
}

std::uint32_t TickCount() {
    return os::TickCount();
}
std::uint32_t SecondsCount() {
    return os::TickCount() / 1000u;
}

void SetDateFormat(std::uint8_t index) {
    DateFormat = index >= 9 ? 0 : index;
    const std::string year = FourDigitYears ? "yyyy" : "yy";
    switch (DateFormat) {
    case 0:
        ShortDatePicture = "MM/dd/" + year;
        DateSeparator = '/';
        break;
    case 1:
        ShortDatePicture = year + ".MM.dd";
        DateSeparator = '.';
        break;
    case 2:
        ShortDatePicture = "dd/MM/" + year;
        DateSeparator = '/';
        break;
    case 3:
        ShortDatePicture = "dd-MM-" + year;
        DateSeparator = '-';
        break;
    default:
        ShortDatePicture = "dd.MM." + year;
        DateSeparator = '.';
        break;
    }
}

int Century(std::string_view yy) {
    int v = DigitsValue(Trimmed(yy));
    if (v < 0) v = 0;
    const int c = CenturyBase / 100 * 100;
    const int b = CenturyBase % 100;
    return b > v ? c + 100 : c;
}

std::string CenturyDigits(std::string_view yy) {
    return PadLeft(std::to_string(Century(yy) / 100), 2, '0');
}

std::string ExpandYear(std::string_view year) {
    if (!FourDigitYears) return std::string(year);
    std::string y(year);
    if (y.size() == 2) y = CenturyDigits(y) + y;
    return PadLeft(y, 4, '0');
}

std::string EmptyDate(std::uint8_t format) {
    const std::string year = BlankYear();
    switch (format) {
    case 1:
        return year + ".  .  ";
    case 3:
        return "  -  -" + year;
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
        return "  .  ." + year;
    default:
        return "  /  /" + year;
    }
}

std::string ToInternalFormat(std::string_view date) {
    const std::size_t nul = date.find('\0');
    if (nul != std::string_view::npos) date = date.substr(0, nul);
    char sep = 0;
    if (date.find('/') != std::string_view::npos) {
        sep = '/';
    } else if (date.find('-') != std::string_view::npos) {
        sep = '-';
    } else if (date.find('.') != std::string_view::npos) {
        sep = '.';
    } else {
        return std::string(date);
    }
    Parts p = SplitThree(date, sep);
    for (std::string* s : {&p.a, &p.b, &p.c}) {
        *s = Trimmed(*s);
        if (s->size() > 4) s->resize(4);
    }
    if (p.a.empty() && p.b.empty() && p.c.empty()) return EmptyDate(0);
    for (std::string* s : {&p.a, &p.b, &p.c})
        *s = PadLeft(*s, 2, '0');
    std::string month, day, year;
    switch (DateFormat) {
    case 0:
        month = p.a, day = p.b, year = p.c;
        break;
    case 1:
        year = p.a, month = p.b, day = p.c;
        break;
    default:
        day = p.a, month = p.b, year = p.c;
        break;
    }
    return month + "/" + day + "/" + ExpandYear(year);
}

std::string ToDisplayFormat(std::string_view date) {
    Parts p = InternalParts(date);
    if (Trimmed(p.a).empty() && Trimmed(p.b).empty() && Trimmed(p.c).empty())
        return EmptyDate(DateFormat);
    const std::string month = PadLeft(p.a, 2, '0');
    const std::string day = PadLeft(p.b, 2, '0');
    const std::string year = ExpandYear(PadLeft(p.c, 2, '0'));
    switch (DateFormat) {
    case 1:
        return year + "." + month + "." + day;
    case 2:
        return day + "/" + month + "/" + year;
    case 3:
        return day + "-" + month + "-" + year;
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
        return day + "." + month + "." + year;
    default:
        return month + "/" + day + "/" + year;
    }
}

bool CheckDate(std::string& date) {
    std::string internal = ToInternalFormat(Trimmed(date));
    if (Trimmed(internal).empty() || IsBlankInternal(internal)) {
        date = EmptyDate(DateFormat);
        return true;
    }
    if ((internal.size() != 8 && internal.size() != 10) || internal[2] != '/' || internal[5] != '/')
        return false;
    const int month = DigitsValue(std::string_view(internal).substr(0, 2));
    const int day = DigitsValue(std::string_view(internal).substr(3, 2));
    const std::string yearText = internal.substr(6);
    const int yearValue = DigitsValue(yearText);
    if (month < 1 || month > 12 || day < 1 || day > 31 || yearValue < 0) return false;
    // Year 0 does not exist; a two-digit 00 is a year of the century window.
    if (yearText.size() == 4 && yearValue == 0) return false;
    if (day == 31 && (month == 4 || month == 6 || month == 9 || month == 11)) return false;
    if (month == 2) {
        const int fullYear = yearText.size() == 2 ? Century(yearText) + yearValue : yearValue;
        if (day > 29 || (day == 29 && !IsLeapYear(fullYear))) return false;
    }
    if (internal.size() == 10 && !FourDigitYears) internal.erase(6, 2);
    date = DateFormat != 0 ? ToDisplayFormat(internal) : internal;
    return true;
}

bool IsLeapYear(int year) {
    return year % 400 == 0 || (year % 4 == 0 && year % 100 != 0);
}

std::string DateToDbf(std::string_view date) {
    const std::string internal = ToInternalFormat(date);
    if (IsBlankInternal(internal)) return std::string(8, ' ');
    const Parts p = InternalParts(internal);
    std::string year = p.c;
    if (year.size() < 4) year = PadLeft(CenturyDigits(year) + PadLeft(year, 2, '0'), 4, '0');
    return year + PadLeft(p.a, 2, '0') + PadLeft(p.b, 2, '0');
}

std::string DbfToDate(std::string_view text) {
    std::string t(text.substr(0, 8));
    if (t.size() < 8) t.append(8 - t.size(), ' ');
    const std::string year = FourDigitYears ? t.substr(0, 4) : t.substr(2, 2);
    return ToDisplayFormat(t.substr(4, 2) + "/" + t.substr(6, 2) + "/" + year);
}

namespace {

int DowOfInternal(std::string_view internal) {
    const Parts p = InternalParts(internal);
    int m = DigitsValue(Trimmed(p.a));
    const int d = DigitsValue(Trimmed(p.b));
    int y = FullYearOf(p.c);
    if (m < 1 || m > 12 || d < 0 || y < 0) return 0;
    if (m < 3) {
        m += 12;
        y -= 1;
    }
    const int k = y % 100, j = y / 100;
    int h = (d + 26 * (m + 1) / 10 + k + k / 4 + j / 4 - 2 * j) % 7;
    if (h < 0) h += 7;
    return h == 0 ? 7 : h;
}

int MonthOfInternal(std::string_view internal) {
    const int v = DigitsValue(Trimmed(InternalParts(internal).a));
    return v < 0 ? 0 : v;
}

} // namespace

int Dow(std::string_view date) {
    return DowOfInternal(ToInternalFormat(date));
}

std::string CDow(std::string_view date) {
    const std::string internal = ToInternalFormat(date);
    const NameTable& t = NamesOfFormat(DateFormat);
    const int dow = IsBlankInternal(internal) ? 0 : DowOfInternal(internal);
    if (dow < 1 || dow > 7) return std::string(10, ' ');
    return std::string(t.days + (dow - 1) * t.dayWidth, static_cast<std::size_t>(t.dayWidth));
}

std::string CMonth(std::string_view date) {
    const std::string internal = ToInternalFormat(date);
    const NameTable& t = NamesOfFormat(DateFormat);
    const int m = IsBlankInternal(internal) ? 0 : MonthOfInternal(internal);
    if (m < 1 || m > 12) return std::string(9, ' ');
    return std::string(t.months + (m - 1) * t.monthWidth, static_cast<std::size_t>(t.monthWidth));
}

int Day(std::string_view date) {
    const int v = DigitsValue(Trimmed(InternalParts(ToInternalFormat(date)).b));
    return v < 0 ? 0 : v;
}

int Month(std::string_view date) {
    const int v = DigitsValue(Trimmed(InternalParts(ToInternalFormat(date)).a));
    return v < 0 ? 0 : v;
}

int Year(std::string_view date) {
    // Two-digit years go through the century window, so YEAR() is the full year in both
    // year settings.
    const int v = FullYearOf(InternalParts(ToInternalFormat(date)).c);
    return v < 0 ? 0 : v;
}

std::string DisplayDateForYears(std::string_view date10) {
    std::string s(date10);
    if (FourDigitYears || s.size() != 10) return s;
    if (DateFormat == 1) return s.substr(2);
    return s.substr(0, 6) + s.substr(8);
}

} // namespace dbf
