// utilstr: numbers to text and back, text helpers, DOS/Windows character conversions.
#include "framework/core/text.h"

#include <locale.h>

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/maths.h"
#include "platform/os/codepage.h"
#include "platform/os/utf8.h"

namespace {

// Depth of active StoredFileFormat scopes (one GUI thread; thread_local keeps helpers safe).
thread_local int gStoredFormatDepth = 0;

// Largest decimals / field width we format; beyond this a caller passed nonsense.
constexpr int kMaxDecimals = 5000;
constexpr int kMaxWidth = 10000;
// Longest number text read: every text the formatters above make (the 4933 digits of the largest
// real, a sign, a point and kMaxDecimals decimals, or a field of kMaxWidth) reads back.
constexpr std::size_t kMaxNumberText = 16384;

constexpr std::array<std::uint64_t, 20> kPow10U64 = {
    1ULL,
    10ULL,
    100ULL,
    1000ULL,
    10000ULL,
    100000ULL,
    1000000ULL,
    10000000ULL,
    100000000ULL,
    1000000000ULL,
    10000000000ULL,
    100000000000ULL,
    1000000000000ULL,
    10000000000000ULL,
    100000000000000ULL,
    1000000000000000ULL,
    10000000000000000ULL,
    100000000000000000ULL,
    1000000000000000000ULL,
    10000000000000000000ULL,
};

// 10^k; exact for 0 <= k <= 27 (5^27 fits the 64-bit mantissa).
long double Pow10Int(int k) {
    static const std::array<long double, 28> table = [] {
        std::array<long double, 28> t{};
        long double p = 1.0L;
        for (auto& v : t) {
            v = p;
            p *= 10.0L;
        }
        return t;
    }();
    if (k >= 0 && k < static_cast<int>(table.size())) return table[static_cast<std::size_t>(k)];
    if (k < 0 && -k < static_cast<int>(table.size()))
        return 1.0L / table[static_cast<std::size_t>(-k)];
    return powl(10.0L, static_cast<long double>(k));
}

// Writes the decimal digits of q backwards in front of end (at most 39 characters); returns
// where they begin.
char* U128Digits(unsigned __int128 q, char* end) {
    constexpr std::uint64_t kChunk = 10000000000000000000ULL; // 10^19
    char* p = end;
    while (q >= kChunk) {
        auto part = static_cast<std::uint64_t>(q % kChunk);
        q /= kChunk;
        for (int i = 0; i < 19; ++i) {
            *--p = static_cast<char>('0' + part % 10);
            part /= 10;
        }
    }
    auto low = static_cast<std::uint64_t>(q);
    do {
        *--p = static_cast<char>('0' + low % 10);
        low /= 10;
    } while (low != 0);
    return p;
}

// Rounds ax (finite, >= 0) to d decimals exactly, ties away from zero: q = round(ax * 10^d).
// False when the value does not fit this integer path.
bool ScaledRound(long double ax, int d, unsigned __int128& q) {
    if (d < 0 || d >= static_cast<int>(kPow10U64.size())) return false;
    if (ax == 0.0L) {
        q = 0;
        return true;
    }
    // The 80-bit extended format holds its 64-bit mantissa explicitly: ax = m * 2^e exactly,
    // read from the bits (much faster than frexpl and ldexpl on this path).
    static_assert(std::numeric_limits<long double>::digits == 64 &&
                  std::numeric_limits<long double>::max_exponent == 16384);
    std::uint64_t m = 0;
    std::uint16_t biased = 0;
    std::memcpy(&m, &ax, sizeof m);
    std::memcpy(&biased, reinterpret_cast<const char*>(&ax) + sizeof m, sizeof biased);
    biased &= 0x7FFF;
    const int e = (biased == 0 ? 1 : static_cast<int>(biased)) - 16383 - 63;
    const unsigned __int128 p =
        static_cast<unsigned __int128>(m) * kPow10U64[static_cast<std::size_t>(d)];
    if (e >= 0) {
        if (e >= 128) return false;
        if (e > 0 && (p >> (128 - e)) != 0) return false;
        q = p << e;
        return true;
    }
    const int s = -e;
    if (s > 128) {
        q = 0; // below one half
        return true;
    }
    if (s == 128) {
        q = (p >> 127) != 0 ? 1 : 0; // at or above one half rounds up
        return true;
    }
    const unsigned __int128 one = 1;
    q = p >> s;
    const unsigned __int128 rem = p & ((one << s) - 1);
    if (rem >= (one << (s - 1))) ++q;
    return true;
}

// True when x lies exactly halfway between two neighbours at d decimals: its lowest set bit has
// the weight 2^-(d+1).
bool IsDecimalTie(long double x, int d) {
    if (x == 0.0L || !std::isfinite(x)) return false;
    int exp = 0;
    const long double fr = frexpl(fabsl(x), &exp);
    const auto m = static_cast<std::uint64_t>(ldexpl(fr, 64));
    const int lowBit = exp - 64 + std::countr_zero(m);
    return lowBit == -(d + 1);
}

} // namespace

void AppendFixedPoint(std::string& out, long double x, int d) {
    if (std::isnan(x)) {
        out += "NAN";
        return;
    }
    if (std::isinf(x)) {
        out += x < 0 ? "-INF" : "INF";
        return;
    }
    d = std::max(d, 0);
    const bool negative = std::signbit(x);
    unsigned __int128 q = 0;
    if (ScaledRound(fabsl(x), d, q)) {
        char buf[48];
        char* const end = buf + sizeof buf;
        const char* p = nullptr;
        if (q <= std::numeric_limits<std::uint64_t>::max()) {
            // The common case: to_chars is several times faster than digit-by-digit division.
            char tmp[24];
            const auto res = std::to_chars(tmp, tmp + sizeof tmp, static_cast<std::uint64_t>(q));
            const auto n = static_cast<std::size_t>(res.ptr - tmp);
            p = end - n;
            std::memcpy(end - n, tmp, n);
        } else {
            p = U128Digits(q, end);
        }
        const auto len = static_cast<std::size_t>(end - p);
        const auto decimals = static_cast<std::size_t>(d);
        if (negative && q != 0) out.push_back('-');
        if (decimals == 0) {
            out.append(p, len);
        } else if (len <= decimals) {
            out.append("0.", 2);
            out.append(decimals - len, '0');
            out.append(p, len);
        } else {
            out.append(p, len - decimals);
            out.push_back('.');
            out.append(end - decimals, decimals);
        }
        return;
    }
    // Large values or many decimals: the library's exact conversion (ties to even), with an
    // exact tie moved one unit away from zero first.
    long double v = x;
    if (IsDecimalTie(v, d))
        v = nextafterl(v, negative ? -std::numeric_limits<long double>::infinity()
                                   : std::numeric_limits<long double>::infinity());
    int exp = 0;
    frexpl(v, &exp);
    // Integer digits: exp * log10(2) rounded up; 0.31 stays above log10(2) for every exponent.
    const std::size_t size =
        static_cast<std::size_t>(std::max(exp, 1)) * 31 / 100 + 8 + static_cast<std::size_t>(d);
    std::vector<char> buf(size);
    const auto res =
        std::to_chars(buf.data(), buf.data() + buf.size(), v, std::chars_format::fixed, d);
    if (res.ec != std::errc()) {
        out += "NAN";
        return;
    }
    std::string_view text(buf.data(), static_cast<std::size_t>(res.ptr - buf.data()));
    if (!text.empty() && text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos)
        text.remove_prefix(1);
    out += text;
}

std::string FixedPointText(long double x, int d) {
    std::string out;
    AppendFixedPoint(out, x, d);
    return out;
}

namespace {

void PadLeft(std::string& s, long width) {
    width = std::min<long>(width, kMaxWidth);
    const auto len = static_cast<long>(os::Utf8Length(s));
    if (len < width) s.insert(0, static_cast<std::size_t>(width - len), ' ');
}

void PadRight(std::string& s, long width) {
    width = std::min<long>(width, kMaxWidth);
    const auto len = static_cast<long>(os::Utf8Length(s));
    if (len < width) s.append(static_cast<std::size_t>(width - len), ' ');
}

bool Imperial() {
    return UnitSystem == 1;
}
bool Transliterate() {
    return CharMode == 1;
}

bool IsBlankChar(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimNumberText(std::string_view t) {
    while (!t.empty() && IsBlankChar(t.front()))
        t.remove_prefix(1);
    while (!t.empty() && IsBlankChar(t.back()))
        t.remove_suffix(1);
    return t;
}

std::vector<std::string> gWrapAll;
std::vector<std::string> gParams;

} // namespace

// ---- numbers to text -------------------------------------------------------------------------

StoredFileFormat::StoredFileFormat() {
    ++gStoredFormatDepth;
}
StoredFileFormat::~StoredFileFormat() {
    --gStoredFormatDepth;
}

void SignificantSplit(int& intDigits, int& decDigits, int n, long double x) {
    if (!std::isfinite(x)) {
        intDigits = 1;
        decDigits = 0;
        return;
    }
    if (x == 0.0L) x = 0.5L;
    const long double a = fabsl(x);
    const int e = Exponent10(a);
    if (n <= e) {
        intDigits = e + 1;
        decDigits = 0;
        return;
    }
    const bool below1 = e < 0;
    if (!below1) {
        intDigits = e + 1;
        decDigits = n - e;
    } else {
        intDigits = 0;
        decDigits = n - e - 1;
    }
    // Drop trailing zeros of the decimals the value shows once rounded to them (0.4908 keeps
    // 0.491, 0.9996 shows 1): cutting off the digit below would drop a digit that rounds up. A
    // value that rounds to 0 at this precision ends the loop (0 div 10 would stay 0 for ever).
    long double v = nearbyintl(a * Pow10Int(decDigits));
    if (!std::isfinite(v)) v = 0.0L;
    while (v >= 1.0L && fmodl(v, 10.0L) == 0.0L) {
        v /= 10.0L;
        --decDigits;
    }
    if (!below1 && decDigits < 0) decDigits = 0;
}

std::string FloatToStrFix(int intDigits, int decimals, long double x) {
    if (fabsl(x) < 1e-8L) x = 0.0L;
    if (FloatDigits != 3 && gStoredFormatDepth == 0)
        decimals = std::clamp(static_cast<int>(FloatDigits) + decimals - 3, 0, 10);
    decimals = std::clamp(decimals, 0, kMaxDecimals);
    std::string s = FixedPointText(x, decimals);
    const long width = decimals > 0 ? static_cast<long>(intDigits) + decimals + 1 : intDigits;
    PadLeft(s, width);
    if (DecimalSign == 2) std::replace(s.begin(), s.end(), '.', ',');
    return s;
}

std::string FloatToStrSigN(int k, long double x) {
    if (fabsl(x) <= 1e-5L) return "0";
    int intDigits = 0;
    int decDigits = 0;
    SignificantSplit(intDigits, decDigits, 3 - k, x);
    return FloatToStrFix(intDigits, decDigits, x);
}

std::string FloatToStrSig3(long double x) {
    return FloatToStrSigN(0, x);
}
std::string FloatToStrSig6(long double x) {
    return FloatToStrSigN(-3, x);
}

std::string FloatToStrEng(long double x) {
    if (!std::isfinite(x)) return FloatToStrFix(0, 0, x);
    const int e = Exponent10(x);
    if (e >= -2 && e < 4) return FloatToStrSig3(x);
    const int k = 3 * (e / 3); // C++ division truncates toward zero
    const long double scaled = k >= 0 ? x / Pow10Int(k) : x * Pow10Int(-k);
    return FloatToStrSig3(scaled) + "E" + IntToString(k);
}

std::string FloatToStrSig3Eng(long double x) {
    if (fabsl(x) < 1e-12L) x = 0.0L;
    const long double a = fabsl(x);
    if (a >= 1e-5L && a < 10000.0L) {
        int intDigits = 0;
        int decDigits = 0;
        SignificantSplit(intDigits, decDigits, 3, x);
        return FloatToStrFix(intDigits, decDigits, x);
    }
    return FloatToStrEng(x);
}

std::string FloatToStrDec(int decimals, long double x) {
    int intDigits = 0;
    int decDigits = 0;
    SignificantSplit(intDigits, decDigits, 3, x);
    return FloatToStrFix(intDigits, decimals, x);
}

std::string FloatToStrSig3W(int width, long double x) {
    std::string s;
    if (fabsl(x) <= 1e-6L) {
        s = "0";
    } else {
        int intDigits = 0;
        int decDigits = 0;
        SignificantSplit(intDigits, decDigits, 3, x);
        s = FloatToStrFix(intDigits, decDigits, x);
    }
    PadLeft(s, width);
    return s;
}

std::string FloatToStrSigned(int decimals, long double x) {
    if (x == 0.0L) return "";
    int intDigits = 0;
    int decDigits = 0;
    SignificantSplit(intDigits, decDigits, 3, x);
    std::string s = FloatToStrFix(intDigits, decimals, x);
    if (x > 0) s.insert(0, "+");
    return s;
}

std::string AngleUnitText() {
    return Transliterate() ? "deg" : "\u00B0";
}
std::string PlusMinusText() {
    return Transliterate() ? "+/-" : " \u00B1 ";
}
std::string LengthUnitText() {
    return Imperial() ? "in" : "mm";
}

std::string AngleToDms(long double x) {
    const std::string decimalForm = FloatToStrSig3W(9, x) + AngleUnitText();
    // 2^62 keeps every whole-degree count exact and inside a 64-bit integer.
    if (AngleFormat == 1 || !std::isfinite(x) || fabsl(x) >= 0x1p62L) return decimalForm;
    // The sign is kept apart so that -0.5 degrees keeps its minus and a carry of minutes
    // moves the degrees away from zero.
    const bool negative = x < 0;
    const long double a = fabsl(x);
    long double d = truncl(a);
    const long double f = (a - d) * 60.0L;
    long double m = truncl(f);
    long double sec = fabsl(nearbyintl((f - m) * 60.0L));
    if (sec >= 60.0L) {
        m += 1.0L;
        sec -= 60.0L;
    }
    if (m >= 60.0L) {
        d += 1.0L;
        m -= 60.0L;
    }
    if (m == 0.0L && sec == 0.0L) return decimalForm;
    const std::string deg = (negative ? "-" : "") + IntToString(static_cast<long long>(d));
    const std::string min = IntToString(static_cast<long long>(m));
    if (sec != 0.0L)
        return deg + AngleUnitText() + min + "'" + IntToString(static_cast<long long>(sec)) + "\"";
    std::string s = deg;
    PadLeft(s, 5);
    return s + AngleUnitText() + min + "'";
}

std::string ToleranceValueToStr(long double x) {
    if (x == 0.0L) return "";
    std::string s = Imperial() ? FloatToStrSig3(x / 25.4L) : FloatToStrSigN(1, x);
    if (x > 0) s.insert(0, "+");
    return s;
}

std::string ToleranceToStr(long double upper, long double lower) {
    if (upper == 0.0L && lower == 0.0L) return "";
    if (fabsl(upper + lower) < 0.0001L)
        return PlusMinusText() +
               (Imperial() ? FloatToStrSigN(0, upper / 25.4L) : FloatToStrSigN(1, upper));
    if (upper != 0.0L && lower != 0.0L)
        return ToleranceValueToStr(upper) + "/" + ToleranceValueToStr(lower);
    return upper != 0.0L ? ToleranceValueToStr(upper) : ToleranceValueToStr(lower);
}

std::string LengthToStr(long double x) {
    return Imperial() ? FloatToStrDec(4, x / 25.4L) : FloatToStrSig3(x);
}

std::string LengthToStrDec(int n, long double x) {
    return Imperial() ? FloatToStrDec(n + 1, x / 25.4L) : FloatToStrDec(n, x);
}

std::string LengthToStr6(long double x) {
    return Imperial() ? FloatToStrDec(5, x / 25.4L) : FloatToStrSig6(x);
}

std::string LengthToStrFix(int intDigits, int decimals, long double x) {
    if (Imperial()) return FloatToStrFix(std::max(intDigits - 1, 1), decimals + 1, x / 25.4L);
    return FloatToStrFix(intDigits, decimals, x);
}

long double StrToLength(std::string_view text) {
    const long double v = StrToReal(text);
    return Imperial() ? v * 25.4L : v;
}

// ---- integers to text ------------------------------------------------------------------------

std::string IntToString(long long n) {
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, n);
    return std::string(buf, res.ptr);
}

std::string IntToStrLeadZero(long long n, int width) {
    std::string s = IntToString(n);
    if (static_cast<long>(s.size()) < width) {
        const std::size_t at = n < 0 ? 1 : 0; // zeros go after the sign
        s.insert(at, static_cast<std::size_t>(std::min(width, kMaxWidth)) - s.size(), '0');
    }
    return s;
}

std::string IntToStrLeadBlank(long long n, int width) {
    std::string s = IntToString(n);
    PadLeft(s, width);
    return s;
}

// ---- text to numbers -------------------------------------------------------------------------

namespace {

// The value of a number text (point, no blanks) below the smallest normal long double, rounded
// correctly: strtold in the "C" locale, whatever locale the program runs in.
long double SubnormalValue(const std::string& text) {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    if (c == static_cast<locale_t>(nullptr)) return 0.0L;
    return strtold_l(text.c_str(), nullptr, c);
}

} // namespace

long double ParseReal(std::string_view text, bool& ok) {
    ok = false;
    const std::string_view t = TrimNumberText(text);
    if (t.empty() || t.size() > kMaxNumberText) return 0.0L;
    // Copy with the first comma as the point; check the shape: [sign] digits [. digits]
    // [e [sign] digits], at least one mantissa digit.
    std::string buf;
    buf.reserve(t.size());
    std::size_t i = 0;
    if (t[i] == '+' || t[i] == '-') {
        if (t[i] == '-') buf.push_back('-');
        ++i;
    }
    bool commaSeen = false;
    bool pointSeen = false;
    int mantDigits = 0;
    for (; i < t.size(); ++i) {
        char c = t[i];
        if (c == ',' && !commaSeen) {
            commaSeen = true;
            c = '.';
        }
        if (c >= '0' && c <= '9') {
            ++mantDigits;
        } else if (c == '.' && !pointSeen) {
            pointSeen = true;
        } else {
            break;
        }
        buf.push_back(c);
    }
    if (mantDigits == 0) return 0.0L;
    bool negativeExponent = false;
    if (i < t.size()) {
        if (t[i] != 'e' && t[i] != 'E') return 0.0L;
        buf.push_back('e');
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
            negativeExponent = t[i] == '-';
            buf.push_back(t[i]);
            ++i;
        }
        int expDigits = 0;
        for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i, ++expDigits)
            buf.push_back(t[i]);
        if (expDigits == 0 || i != t.size()) return 0.0L;
    }
    long double v = 0.0L;
    const auto res =
        std::from_chars(buf.data(), buf.data() + buf.size(), v, std::chars_format::general);
    if (res.ptr != buf.data() + buf.size()) return 0.0L;
    if (res.ec == std::errc::result_out_of_range) {
        if (!negativeExponent) return 0.0L; // beyond the largest real
        // Below the smallest normal real: the subnormals keep their value (from_chars reports
        // them out of range), and only what lies below them all is zero.
        v = SubnormalValue(buf);
    } else if (res.ec != std::errc()) {
        return 0.0L;
    }
    ok = true;
    return v;
}

long double ParseReal(std::string_view text) {
    bool ok = false;
    return ParseReal(text, ok);
}

long double StrToReal(std::string_view text) {
    return ParseReal(text);
}

std::int32_t ParseInteger(std::string_view text, bool& ok) {
    ok = false;
    std::string_view t = TrimNumberText(text);
    bool negative = false;
    if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    if (t.empty() || t.size() > 32) return 0;
    std::uint64_t v = 0;
    const auto res = std::from_chars(t.data(), t.data() + t.size(), v);
    if (res.ec != std::errc() || res.ptr != t.data() + t.size()) return 0;
    if (v > (1ULL << 31)) return 0;
    const std::int64_t sv = negative ? -static_cast<std::int64_t>(v) : static_cast<std::int64_t>(v);
    if (sv > std::numeric_limits<std::int32_t>::max()) return 0;
    ok = true;
    return static_cast<std::int32_t>(sv);
}

std::int32_t ParseInteger(std::string_view text) {
    bool ok = false;
    return ParseInteger(text, ok);
}

std::int32_t StrToInteger(std::string_view text) {
    return ParseInteger(text);
}
std::int32_t StrToInt32(std::string_view text) {
    return ParseInteger(text);
}

// ---- text helpers ----------------------------------------------------------------------------

std::string UpperCaseStr(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string LowerCaseStr(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

char AccessKey(std::string_view caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] == '&') {
            ++i;
            continue;
        }
        const unsigned char c = static_cast<unsigned char>(caption[i + 1]);
        if (c >= 0x80) return 0;
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return 0;
}

std::string LeftStr(std::string_view text, long n) {
    if (n <= 0) return "";
    return os::Utf8Left(text, static_cast<std::size_t>(n));
}

std::string RightStr(std::string_view text, long n) {
    if (n <= 0) return "";
    const std::size_t len = os::Utf8Length(text);
    if (static_cast<std::size_t>(n) >= len) return std::string(text);
    return std::string(text.substr(os::Utf8Offset(text, len - static_cast<std::size_t>(n))));
}

std::string PadTo(std::string_view text, long n) {
    std::string s = LeftStr(text, n);
    PadRight(s, n);
    return s;
}

std::string PadTrim(std::string_view text, long n) {
    std::string s = LeftStr(TrimBlanks(text), n);
    PadLeft(s, n);
    return s;
}

std::string TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return "";
    const auto last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

void DelBlanks(std::string& text) {
    std::erase(text, ' ');
}

std::string WithoutBlanks(std::string_view text) {
    std::string s(text);
    DelBlanks(s);
    return s;
}

void ReplaceChar(char32_t from, char32_t to, std::string& text) {
    if (from == to) return;
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = pos;
        const char32_t c = os::Utf8Next(text, pos);
        if (c == from)
            os::Utf8Append(out, to);
        else
            out.append(text, start, pos - start);
    }
    text = std::move(out);
}

long LastPos(std::string_view sub, std::string_view text) {
    if (sub.empty()) return 0;
    const auto at = text.rfind(sub);
    if (at == std::string_view::npos) return 0;
    return static_cast<long>(os::Utf8Length(text.substr(0, at))) + 1;
}

std::string PointToComma(std::string_view text) {
    std::string s(text);
    std::replace(s.begin(), s.end(), '.', ',');
    return s;
}

std::string CommaToPoint(std::string_view text) {
    std::string s(text);
    std::replace(s.begin(), s.end(), ',', '.');
    return s;
}

std::string SetDecimalSign(std::string_view text) {
    return ListDecimalSign == 1 ? CommaToPoint(text) : PointToComma(text);
}

std::string DateToText(int year, int month, int day) {
    const std::string dd = IntToStrLeadZero(day, 2);
    const std::string mm = IntToStrLeadZero(month, 2);
    const std::string yy = IntToString(year);
    switch (DateCode) {
    case 1:
        return dd + "." + mm + "." + yy;
    case 2:
        return mm + "/" + dd + "/" + yy;
    case 4:
        return dd + "/" + mm + "/" + yy;
    default:
        return yy + "/" + mm + "/" + dd;
    }
}

std::string ConvertBoxBar(std::string_view text) {
    return std::string(text);
}

void WrapTextLines(std::string_view text, char32_t separator, int n, int& longest, int& count) {
    n = std::max(n, 1);
    gWrapAll.clear();
    count = 0;
    longest = 1;
    // Start offset of every character, plus the end.
    std::vector<std::size_t> offs;
    offs.reserve(text.size() + 1);
    std::vector<char32_t> chars;
    chars.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        offs.push_back(pos);
        chars.push_back(os::Utf8Next(text, pos));
    }
    offs.push_back(text.size());
    const std::size_t total = chars.size();
    std::size_t first = 0; // first character of the rest
    const auto un = static_cast<std::size_t>(n);
    while (first < total) {
        const std::size_t rest = total - first;
        std::size_t len = rest;
        if (rest > un) {
            len = un;
            // Last separator at 1-based positions n-1 down to 1 of the rest.
            for (std::size_t p = un - 1; p >= 1; --p) {
                if (chars[first + p - 1] == separator) {
                    len = p;
                    break;
                }
            }
        }
        gWrapAll.emplace_back(text.substr(offs[first], offs[first + len] - offs[first]));
        longest = std::max(longest, static_cast<int>(std::min<std::size_t>(len, 1u << 30)));
        first += len;
    }
    count = static_cast<int>(gWrapAll.size());
    for (long i = WrapLines.Low; i <= WrapLines.High; ++i) {
        const auto k = static_cast<std::size_t>(i - WrapLines.Low);
        WrapLines[i] = k < gWrapAll.size() ? std::string_view(gWrapAll[k]) : std::string_view();
    }
}

const std::string& WrapLine(int i) {
    static const std::string empty;
    if (i < 1 || static_cast<std::size_t>(i) > gWrapAll.size()) return empty;
    return gWrapAll[static_cast<std::size_t>(i - 1)];
}

void SetCommandLineParams(int argc, const char* const* argv) {
    gParams.clear();
    for (int i = 1; i < argc; ++i)
        if (argv[i] != nullptr) gParams.emplace_back(argv[i]);
}

int ParamCount() {
    return static_cast<int>(gParams.size());
}

int FindParam(std::string_view name) {
    const std::string key = UpperCaseStr(name);
    for (const auto& p : gParams)
        if (UpperCaseStr(p) == key) return 1;
    return 0;
}

// ---- DOS (code page 437) and Windows texts ---------------------------------------------------

namespace {

struct Translit {
    char32_t from;
    const char* to;
};

// The 7-bit transliteration, keyed by the DOS byte whose character it replaces.
const std::vector<Translit>& AsciiTable() {
    static const std::vector<Translit> table = [] {
        const std::pair<unsigned char, const char*> byCode[] = {
            {129, "ue"}, {130, "e"}, {132, "ae"},  {142, "Ae"},  {148, "oe"}, {153, "Oe"},
            {154, "Ue"}, {160, "a"}, {163, "u"},   {164, "n"},   {196, "-"},  {205, "-"},
            {225, "ss"}, {230, "u"}, {241, "+/-"}, {248, "deg"}, {253, "2"},
        };
        std::vector<Translit> t;
        for (const auto& [code, to] : byCode)
            t.push_back({os::ByteToUnicode(os::CodePage::Cp437, code), to});
        return t;
    }();
    return table;
}

// Characters that the Windows page cannot show: box drawing becomes plain strokes; the DOS
// superscript n (252) stands for "cubed" in the program's stored unit texts.
const std::vector<Translit>& AnsiTable() {
    static const std::vector<Translit> table = [] {
        std::vector<Translit> t;
        for (unsigned char c : {179, 180, 181, 182, 185, 186, 195, 197, 198, 199, 204, 209, 215})
            t.push_back({os::ByteToUnicode(os::CodePage::Cp437, c), "|"});
        for (unsigned char c : {184, 187, 188, 190, 191, 192, 200, 201, 206, 211, 214, 217, 218})
            t.push_back({os::ByteToUnicode(os::CodePage::Cp437, c), "+"});
        for (unsigned char c : {196, 205})
            t.push_back({os::ByteToUnicode(os::CodePage::Cp437, c), "-"});
        t.push_back({os::ByteToUnicode(os::CodePage::Cp437, 252), "\u00B3"});
        return t;
    }();
    return table;
}

std::string Transliterated(std::string_view text, const std::vector<Translit>& table) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = pos;
        const char32_t c = os::Utf8Next(text, pos);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        const auto it = std::find_if(table.begin(), table.end(),
                                     [c](const Translit& t) { return t.from == c; });
        if (it != table.end())
            out += it->to;
        else
            out.append(text, start, pos - start);
    }
    return out;
}

} // namespace

std::string Cp437ToAscii(std::string_view text) {
    return Transliterated(text, AsciiTable());
}

std::string Cp437ToAnsi(std::string_view text) {
    if (Transliterate()) return Transliterated(Cp437ToAscii(text), AnsiTable());
    return Transliterated(text, AnsiTable());
}

std::string OemToAnsiText(std::string_view text) {
    // The DOS bytes became characters when the file was read; only the transliteration mode
    // still changes the text.
    if (Transliterate()) return Cp437ToAnsi(Cp437ToAscii(text));
    return std::string(text);
}

std::string OemToAnsiString(std::string_view text) {
    return OemToAnsiText(text);
}

std::string AnsiToOemString(std::string_view text) {
    return os::Cp437ToUtf8(os::Utf8ToCp437(text));
}

std::string ConvertCharset(std::string_view text) {
    switch (CharsetMode) {
    case 2:
        return OemToAnsiString(text);
    case 3:
        return Cp437ToAscii(text);
    default:
        return std::string(text);
    }
}

std::string OemToAnsiBuf(std::string_view cp437Bytes) {
    return os::OemToAnsi(cp437Bytes);
}
std::string AnsiToOemBuf(std::string_view ansiBytes) {
    return os::AnsiToOem(ansiBytes);
}
