// Value routines of the expression and index engines: text helpers, packed-decimal keys,
// Soundex, Julian day numbers and their texts, the block pool.

#include "dbf/expr/values.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <new>

#include "dbf/base/runtime.h"

namespace dbf {

// ---------------------------------------------------------------- text and byte helpers

std::size_t StrLen(const char* p) {
    return p == nullptr ? 0 : std::strlen(p);
}

void StrCopy(char* dest, const char* src) {
    std::memmove(dest, src, std::strlen(src) + 1);
}

std::string StrPasMax(const char* p, int n) {
    if (p == nullptr || n <= 0) return {};
    const std::size_t cap = static_cast<std::size_t>(std::min(n, 255));
    const void* end = std::memchr(p, 0, cap);
    return std::string(p, end == nullptr ? cap : static_cast<const char*>(end) - p);
}

void StrPCopyZ(char* dest, std::string_view s) {
    std::memcpy(dest, s.data(), s.size());
    dest[s.size()] = 0;
}

int CompareBytes(const void* a, const void* b, std::uint16_t n) {
    const auto* x = static_cast<const unsigned char*>(a);
    const auto* y = static_cast<const unsigned char*>(b);
    for (std::uint16_t i = 0; i < n; ++i)
        if (x[i] != y[i]) return int(x[i]) - int(y[i]);
    return 0;
}

int CompareDoubles(double a, double b) {
    if (a == b) return 0;
    return a > b ? 1 : -1;
}

std::string TzIntToStrZero(int n, int w) {
    const auto v = static_cast<std::uint16_t>(n);
    char buf[8];
    const auto r = std::to_chars(buf, buf + sizeof buf, unsigned(v));
    std::string s(buf, r.ptr);
    if (w > 0 && s.size() < static_cast<std::size_t>(w))
        s.insert(0, std::size_t(w) - s.size(), '0');
    return s;
}

void ReverseBytes(void* p, std::size_t n) {
    auto* b = static_cast<unsigned char*>(p);
    std::reverse(b, b + n);
}

void RotateBytes(void* p, std::size_t a, std::size_t b) {
    if (a == 0 || b == 0) return;
    auto* s = static_cast<unsigned char*>(p);
    ReverseBytes(s, a);
    ReverseBytes(s + a, b);
    ReverseBytes(s, a + b);
}

std::string UpperAscii(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return r;
}

namespace {
constexpr char kSoundexCodes[] = "01230120022455012623010202";

char UpperAsciiChar(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
} // namespace

void SoundexChars(const char* s, std::size_t n, char out[4]) {
    out[0] = out[1] = out[2] = out[3] = '0';
    n = std::min<std::size_t>(n, 100);
    if (n == 0) return;
    const char first = UpperAsciiChar(s[0]);
    out[0] = first;
    char last = IsUpperLetter(first) ? kSoundexCodes[first - 'A'] : '0';
    int filled = 1;
    for (std::size_t i = 1; i < n && filled < 4; ++i) {
        const char c = UpperAsciiChar(s[i]);
        if (!IsUpperLetter(c)) continue;
        const char code = kSoundexCodes[c - 'A'];
        if (code != last) {
            if (code != '0') out[filled++] = code;
            last = code;
        }
    }
}

std::string Soundex(std::string_view s) {
    char out[4];
    SoundexChars(s.data(), s.size(), out);
    return std::string(out, 4);
}

// ---------------------------------------------------------------- packed decimals

void StrToBcd(BcdKey& dest, std::string_view text, int length, int decimals) {
    dest.fill(0);
    std::size_t n = text.size();
    if (length >= 0) n = std::min(n, static_cast<std::size_t>(length));
    std::size_t i = 0;
    auto at = [&](std::size_t k) -> char { return k < n ? text[k] : '\0'; };
    while (at(i) == ' ')
        ++i;
    bool negative = false;
    if (at(i) == '+') {
        ++i;
    } else if (at(i) == '-') {
        negative = true;
        ++i;
    }
    while (at(i) == ' ' || at(i) == '0')
        ++i;
    // The exponent is kept as an int and stored saturated, so a value beyond the byte's range
    // keeps its place in the order instead of wrapping round.
    int exponent = kBcdExponentBase;
    bool point = false;
    if (at(i) == '.') {
        point = true;
        ++i;
        std::size_t z = i;
        while (at(z) == '0')
            ++z;
        if (at(z) >= '1' && at(z) <= '9') exponent -= static_cast<int>(z - i);
        i = z;
    }
    int digits = 0, trailingZeros = 0;
    for (;; ++i) {
        const char c = at(i);
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9') break;
        if (digits >= 20) {
            if (!point) ++exponent; // digits beyond the twentieth still count before the point
            continue;
        }
        const auto d = static_cast<std::uint8_t>(c - '0');
        dest[2 + digits / 2] |= (digits % 2 == 0) ? static_cast<std::uint8_t>(d << 4) : d;
        ++digits;
        if (!point) ++exponent;
        trailingZeros = (d == 0) ? trailingZeros + 1 : 0;
    }
    dest[0] = static_cast<std::uint8_t>(std::clamp(exponent, 0, 255));
    dest[1] = 1;
    int count;
    if (point && decimals > trailingZeros) {
        count = digits;
    } else {
        count = digits - trailingZeros;
        if (count >= 1 && count <= 9) count = 10;
    }
    count = std::min(count, 20);
    if (digits - trailingZeros == 0) count = 0; // the value zero
    if (count == 0) {
        dest[0] = kBcdExponentBase;
        return;
    }
    dest[1] |= static_cast<std::uint8_t>(count << 2);
    if (negative) dest[1] |= 0x80;
}

void FloatToBcd(BcdKey& dest, int decimals, double x) {
    // The text is as long as the value needs (up to 600 characters), never a fixed 50.
    decimals = std::clamp(decimals, 0, 255);
    char buf[kFixedTextMax];
    const std::size_t n = FormatFixed(x, decimals, buf);
    StrToBcd(dest, std::string_view(buf, n), static_cast<int>(n), decimals);
}

int BcdCompare(const BcdKey& a, const BcdKey& b) {
    const bool na = (a[1] & 0x80) != 0, nb = (b[1] & 0x80) != 0;
    if (na != nb) return na ? -1 : 1;
    const int ca = (a[1] >> 2) & 0x1F, cb = (b[1] >> 2) & 0x1F;
    const int ea = ca == 0 ? 0 : a[0], eb = cb == 0 ? 0 : b[0];
    if (ea != eb) {
        const int r = ea > eb ? 1 : -1;
        return na ? -r : r;
    }
    const auto bytes = static_cast<std::uint16_t>(std::min((std::max(ca, cb) + 1) / 2, 10));
    const int d = na ? CompareBytes(b.data() + 2, a.data() + 2, bytes)
                     : CompareBytes(a.data() + 2, b.data() + 2, bytes);
    return d == 0 ? 0 : (d > 0 ? 1 : -1);
}

// ---------------------------------------------------------------- fixed-point texts

std::size_t FormatFixed(double x, int decimals, char* out) {
    if (!std::isfinite(x)) return 0;
    decimals = std::clamp(decimals, -320, 255);
    // Shortest round-trip digits d1..dn and the count p of digits before the point.
    char sci[40];
    const auto r =
        std::to_chars(sci, sci + sizeof sci, std::fabs(x), std::chars_format::scientific);
    char digits[40];
    int n = 0;
    const char* q = sci;
    for (; q < r.ptr && *q != 'e'; ++q)
        if (*q >= '0' && *q <= '9') digits[n++] = *q;
    int exp10 = 0;
    if (q < r.ptr) std::from_chars(q + (q[1] == '+' ? 2 : 1), r.ptr, exp10);
    int p = exp10 + 1;
    if (n == 1 && digits[0] == '0') n = 0; // zero
    // Round half away from zero: keep k digits.
    const int k = p + decimals;
    if (n > 0 && k < n) {
        if (k < 0) {
            n = 0;
        } else {
            const bool up = digits[k] >= '5';
            n = k;
            if (up) {
                int i = n - 1;
                while (i >= 0 && digits[i] == '9')
                    digits[i--] = '0';
                if (i >= 0) {
                    ++digits[i];
                } else {
                    std::memmove(digits + 1, digits, static_cast<std::size_t>(n));
                    digits[0] = '1';
                    ++n;
                    ++p;
                }
            }
            while (n > 0 && digits[n - 1] == '0')
                --n;
        }
    }
    std::size_t o = 0;
    if (n > 0 && x < 0) out[o++] = '-';
    if (n == 0 || p <= 0) {
        out[o++] = '0';
    } else {
        for (int i = 0; i < p; ++i)
            out[o++] = i < n ? digits[i] : '0';
    }
    if (decimals > 0) {
        out[o++] = '.';
        for (int i = 0; i < decimals; ++i) {
            const int idx = p + i; // digit index of decimal place i+1
            out[o++] = (n > 0 && idx >= 0 && idx < n) ? digits[idx] : '0';
        }
    }
    return o;
}

double RoundDecimal(double x, int decimals) {
    if (!std::isfinite(x)) return x;
    char buf[kFixedTextMax];
    const std::size_t n = FormatFixed(x, decimals, buf);
    double v = 0;
    std::from_chars(buf, buf + n, v);
    return v;
}

// ---------------------------------------------------------------- dates

const std::array<int, 14> MonthTable = {0,   0,   31,  59,  90,  120, 151,
                                        181, 212, 243, 273, 304, 334, 365};

int DayOfYear(int y, int m, int d) {
    if (y < 0 || m < 1 || m > 12 || d < 1) return -1;
    const bool leap = IsLeapYear(y);
    int len = MonthTable[m + 1] - MonthTable[m];
    if (m == 2 && leap) ++len;
    if (d > len) return -1;
    return MonthTable[m] + d + ((m > 2 && leap) ? 1 : 0);
}

std::int32_t DaysBeforeYear(int y) {
    const std::int32_t p = y - 1;
    if (p < 1) return 0;
    return p * 365 + p / 4 - p / 100 + p / 400;
}

void MonthDayOfYear(int day, bool leap, int& month, int& dayOfMonth) {
    if (leap) {
        if (day == 60) {
            month = 2;
            dayOfMonth = 29;
            return;
        }
        if (day > 60) --day;
    }
    month = 12;
    for (int m = 1; m <= 12; ++m) {
        if (MonthTable[m + 1] >= day) {
            month = m;
            break;
        }
    }
    dayOfMonth = day - MonthTable[month];
}

double JulianFromYMD(int y, int m, int d) {
    const int doy = DayOfYear(y, m, d);
    if (doy < 1) return 0;
    return static_cast<double>(doy + DaysBeforeYear(y) + kJulianBase);
}

namespace {

// Digits of text[from, from + n) as a number; -1 when a character is not a digit (leading
// blanks are allowed) or the part is missing.
int PartNumber(std::string_view text, std::size_t from, std::size_t n) {
    if (from + n > text.size()) return -1;
    std::size_t i = from;
    const std::size_t end = from + n;
    while (i < end && text[i] == ' ')
        ++i;
    if (i == end) return -1;
    int v = 0;
    for (; i < end; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        v = v * 10 + (text[i] - '0');
    }
    return v;
}

void PutDigits(char* out, int v, int w) {
    for (int i = w - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + v % 10);
        v /= 10;
    }
}

} // namespace

double DateStrToJulian(std::string_view text) {
    text = text.substr(0, 8);
    if (text == "        ") return 0;
    const int y = PartNumber(text, 0, 4), m = PartNumber(text, 4, 2), d = PartNumber(text, 6, 2);
    if (y < 0 || m < 0 || d < 0) return 0;
    return JulianFromYMD(y, m, d);
}

bool JulianToYMD(double j, int& y, int& m, int& d) {
    y = m = d = 0;
    if (!(j <= kJulianLast) || !(j >= kJulianBase + 1)) return false; // NaN fails both
    const std::int32_t days = static_cast<std::int32_t>(std::trunc(j)) - kJulianBase;
    if (days <= 0) return false;
    int year = std::max(1, days / 366);
    std::int32_t rest = days - DaysBeforeYear(year);
    for (;;) {
        const int len = IsLeapYear(year) ? 366 : 365;
        if (rest <= len) break;
        rest -= len;
        ++year;
    }
    y = year;
    MonthDayOfYear(static_cast<int>(rest), IsLeapYear(year), m, d);
    return true;
}

void JulianToDateChars(double j, char out[8]) {
    int y, m, d;
    if (!JulianToYMD(j, y, m, d)) {
        std::memset(out, ' ', 8);
        return;
    }
    PutDigits(out, y, 4);
    PutDigits(out + 4, m, 2);
    PutDigits(out + 6, d, 2);
}

std::string JulianToDateStr(double j) {
    char out[8];
    JulianToDateChars(j, out);
    return std::string(out, 8);
}

std::string JulianToDateText(double j) {
    int y, m, d;
    const bool valid = JulianToYMD(j, y, m, d);
    const int yw = FourDigitYears ? 4 : 2;
    char ys[4], ms[2], ds[2];
    if (valid) {
        PutDigits(ys, FourDigitYears ? y : y % 100, yw);
        PutDigits(ms, m, 2);
        PutDigits(ds, d, 2);
    } else {
        std::memset(ys, ' ', 4);
        std::memset(ms, ' ', 2);
        std::memset(ds, ' ', 2);
    }
    const std::string Y(ys, static_cast<std::size_t>(yw)), M(ms, 2), D(ds, 2);
    switch (DateFormat) {
    case 0:
        return M + "/" + D + "/" + Y;
    case 1:
        return Y + "." + M + "." + D;
    case 2:
    case 8:
        return D + "/" + M + "/" + Y;
    case 3:
        return D + "-" + M + "-" + Y;
    default: // 4, 5, 6 and 7
        return D + "." + M + "." + Y;
    }
}

namespace {

// Brings a display date to MM/DD/YYYY with four-digit years for the call.
std::string InternalFourDigit(std::string_view text) {
    struct YearsOn {
        bool saved = FourDigitYears;
        YearsOn() { FourDigitYears = true; }
        ~YearsOn() { FourDigitYears = saved; }
    } on;
    return ToInternalFormat(text.substr(0, 10));
}

} // namespace

double DateTextToJulian(std::string_view text) {
    const std::string s = InternalFourDigit(text);
    const int m = PartNumber(s, 0, 2), d = PartNumber(s, 3, 2), y = PartNumber(s, 6, 4);
    if (y < 0 || m < 0 || d < 0) return 0;
    return JulianFromYMD(y, m, d);
}

std::string DateTextToDtos(std::string_view text) {
    const std::string s = InternalFourDigit(text);
    const int m = std::max(0, PartNumber(s, 0, 2)), d = std::max(0, PartNumber(s, 3, 2)),
              y = std::max(0, PartNumber(s, 6, 4));
    if (y == 0 && m == 0 && d == 0) return std::string(8, ' ');
    return TzIntToStrZero(y, 4) + TzIntToStrZero(m, 2) + TzIntToStrZero(d, 2);
}

// ---------------------------------------------------------------- block pool

PoolBlock* PoolBlockOf(void* payload) {
    return reinterpret_cast<PoolBlock*>(static_cast<char*>(payload) - sizeof(PoolBlock));
}

void* PoolAlloc(PoolBlock*& list, std::uint16_t size) {
    if (size > 65535 - kPoolHeader) return nullptr;
    auto* raw = new (std::nothrow) char[sizeof(PoolBlock) + size];
    if (raw == nullptr) return nullptr;
    auto* b = reinterpret_cast<PoolBlock*>(raw);
    b->Next = b->Prev = nullptr;
    b->Size = static_cast<std::uint16_t>(size + kPoolHeader);
    std::memset(raw + sizeof(PoolBlock), 0, size);
    PoolLink(list, b);
    return PoolPayload(b);
}

void PoolLink(PoolBlock*& list, PoolBlock* block) {
    if (block == nullptr) return;
    if (list == nullptr) {
        block->Next = block->Prev = block;
    } else {
        PoolBlock* oldest = list->Next;
        block->Prev = list;
        block->Next = oldest;
        list->Next = block;
        oldest->Prev = block;
    }
    list = block;
}

PoolBlock* PoolUnlink(PoolBlock*& list) {
    PoolBlock* b = list;
    if (b == nullptr) return nullptr;
    if (b->Next == b) {
        list = nullptr;
    } else {
        b->Prev->Next = b->Next;
        b->Next->Prev = b->Prev;
        list = b->Prev;
    }
    b->Next = b->Prev = nullptr;
    return b;
}

PoolBlock* PoolNext(PoolBlock* list, PoolBlock* block) {
    if (list == nullptr) return nullptr;
    if (block == nullptr) return list->Next;
    if (block == list) return nullptr;
    return block->Next;
}

void PoolFreeAll(PoolBlock*& list) {
    while (PoolBlock* b = PoolUnlink(list))
        delete[] reinterpret_cast<char*>(b);
}

} // namespace dbf
