// Text helpers on single-byte texts and locale-free number texts.

#include "dbf/base/text.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

#include "dbf/base/runtime.h"
#include "platform/os/codepage.h"
#include "platform/os/utf8.h"

namespace dbf {

namespace {

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Adds one unit in the last place to a text of digits and at most one '.', carrying left.
void IncrementDigits(std::string& s) {
    for (std::size_t i = s.size(); i-- > 0;) {
        if (s[i] == '.') continue;
        if (s[i] == '9') {
            s[i] = '0';
            continue;
        }
        ++s[i];
        return;
    }
    s.insert(s.begin(), '1');
}

std::string ToCharsFixed(long double v, int precision) {
    // Largest long double has 4933 integer digits.
    std::vector<char> buf(static_cast<std::size_t>(precision) + 5000);
    const auto r =
        std::to_chars(buf.data(), buf.data() + buf.size(), v, std::chars_format::fixed, precision);
    if (r.ec != std::errc()) return {};
    return std::string(buf.data(), r.ptr);
}

std::int64_t SaturatingParseInt(std::string_view digits, bool negative) {
    std::int64_t v = 0;
    for (char c : digits) {
        const int d = c - '0';
        if (v > (std::numeric_limits<std::int64_t>::max() - d) / 10) {
            return negative ? std::numeric_limits<std::int64_t>::min()
                            : std::numeric_limits<std::int64_t>::max();
        }
        v = v * 10 + d;
    }
    return negative ? -v : v;
}

} // namespace

std::string RTrim(std::string_view s) {
    std::size_t e = s.size();
    while (e > 0 && IsBlankOrControl(s[e - 1]))
        --e;
    return std::string(s.substr(0, e));
}

std::string LTrim(std::string_view s) {
    std::size_t b = 0;
    while (b < s.size() && IsBlankOrControl(s[b]))
        ++b;
    return std::string(s.substr(b));
}

std::string RTrimStr(std::string_view s) {
    return RTrim(s);
}
std::string LTrimStr(std::string_view s) {
    return LTrim(s);
}
std::string AllTrim(std::string_view s) {
    return LTrim(RTrim(s));
}

std::string TzUpperStr(std::string_view s) {
    return os::AnsiUpperStr(s);
}

char UpCaseChar(char c) {
    return static_cast<char>(os::AnsiUpper(static_cast<unsigned char>(c)));
}

char LoCaseChar(char c) {
    return static_cast<char>(os::AnsiLower(static_cast<unsigned char>(c)));
}

bool IsAlphaStr(std::string_view s) {
    return !s.empty() && os::AnsiIsAlpha(static_cast<unsigned char>(s[0]));
}

int CountStr(std::string_view sub, std::string_view text) {
    if (sub.empty() || text.empty()) return 0;
    int n = 0;
    for (std::size_t p = text.find(sub); p != std::string_view::npos;
         p = text.find(sub, p + sub.size()))
        ++n;
    return n;
}

int NthPos(int n, std::string_view sub, std::string_view text) {
    if (n == 0 || sub.empty() || text.empty()) return 0;
    std::vector<std::size_t> hits;
    for (std::size_t p = text.find(sub); p != std::string_view::npos;
         p = text.find(sub, p + sub.size()))
        hits.push_back(p);
    const long count = static_cast<long>(hits.size());
    const long index = n > 0 ? n - 1 : count + n;
    if (index < 0 || index >= count) return 0;
    return static_cast<int>(hits[static_cast<std::size_t>(index)] + 1);
}

std::string Replicate(char c, int n) {
    return n < 1 ? std::string() : std::string(n, c);
}

std::string IifStr(bool condition, std::string_view a, std::string_view b) {
    return std::string(condition ? a : b);
}

std::string TzPadRight(std::string_view text, int width) {
    std::string s(text);
    if (width < 1 || s.size() >= static_cast<std::size_t>(width)) return s;
    s.append(static_cast<std::size_t>(width) - s.size(), ' ');
    return s;
}

std::string IntToStrW(std::int64_t value, int width) {
    std::string s = std::to_string(value);
    if (width > 0 && s.size() < static_cast<std::size_t>(width))
        s.insert(0, static_cast<std::size_t>(width) - s.size(), ' ');
    return s;
}

std::string FixedText(long double value, int decimals) {
    if (!std::isfinite(value)) return {};
    if (decimals < 0) decimals = 0;
    if (decimals > 255) decimals = 255;
    if (value == 0) value = 0; // no "-0.00"
    // A value whose decimal text ends in 5 just past the last place (as typed: 0.125, 2.675)
    // rounds away from zero, as the number formatters of dBASE programs do.
    std::string longer = ToCharsFixed(value, decimals + 1);
    std::string s;
    if (!longer.empty() && longer.back() == '5') {
        // Compare in the precision the value came in: a double keeps its decimal text in
        // double precision only.
        bool exact = false;
        const bool isDouble = static_cast<long double>(static_cast<double>(value)) == value;
        if (isDouble) {
            double back = 0;
            const auto r = std::from_chars(longer.data(), longer.data() + longer.size(), back);
            exact = r.ec == std::errc() && back == static_cast<double>(value);
        } else {
            long double back = 0;
            const auto r = std::from_chars(longer.data(), longer.data() + longer.size(), back);
            exact = r.ec == std::errc() && back == value;
        }
        if (exact) {
            s = longer.substr(0, longer.size() - 1);
            if (!s.empty() && s.back() == '.') s.pop_back();
            const bool negative = s[0] == '-';
            std::string digits = negative ? s.substr(1) : s;
            IncrementDigits(digits);
            s = negative ? "-" + digits : digits;
        }
    }
    if (s.empty()) s = ToCharsFixed(value, decimals);
    // Rounding may leave a negative zero ("-0.00").
    bool allZero = true;
    for (char c : s) {
        if (IsDigit(c) && c != '0') allZero = false;
    }
    if (allZero && !s.empty() && s[0] == '-') s.erase(0, 1);
    return s;
}

std::string FloatToStrLocal(long double value, int width, int decimals) {
    std::string s;
    if (std::isnan(value)) {
        s = "NAN";
    } else if (std::isinf(value)) {
        s = value < 0 ? "-INF" : "INF";
    } else {
        s = FixedText(value, decimals);
        if (decimals > 0 && DecimalChar != '.') {
            const std::size_t p = s.find('.');
            if (p != std::string::npos) s[p] = DecimalChar;
        }
    }
    if (width > 0 && s.size() < static_cast<std::size_t>(width))
        s.insert(0, static_cast<std::size_t>(width) - s.size(), ' ');
    return s;
}

void NormalizeNumber(std::string& text) {
    std::string s;
    for (char c : text) {
        if (c != '$') s += c;
    }
    std::size_t b = 0;
    while (b < s.size() && (s[b] == ' ' || s[b] == '+'))
        ++b;
    s.erase(0, b);
    bool negative = false;
    if (!s.empty() && s[0] == '-') {
        negative = true;
        std::size_t k = 1;
        while (k < s.size() && (s[k] == ' ' || s[k] == '+' || s[k] == '-'))
            ++k;
        s.erase(0, k);
    }
    std::string t;
    if (DecimalChar != '.') {
        bool first = true;
        for (char c : s) {
            if (c == '.') continue;
            if (c == DecimalChar && first) {
                t += '.';
                first = false;
                continue;
            }
            t += c;
        }
    } else {
        for (char c : s) {
            if (c != ',') t += c;
        }
    }
    if (!t.empty() && t[0] == '.') t.insert(0, "0");
    const std::size_t blank = t.find(' ');
    if (blank != std::string::npos) t.resize(blank);
    std::size_t k = 0;
    while (k < t.size() && (IsDigit(t[k]) || t[k] == '.'))
        ++k;
    t.resize(k);
    if (!t.empty() && t.back() == '.') t.pop_back();
    text = negative && !t.empty() ? "-" + t : t;
}

long double StrToFloatLocal(std::string_view text) {
    std::string s(text);
    NormalizeNumber(s);
    if (s.empty()) return 0;
    long double v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec == std::errc::result_out_of_range) {
        return s[0] == '-' ? -std::numeric_limits<long double>::max()
                           : std::numeric_limits<long double>::max();
    }
    return r.ec == std::errc() ? v : 0;
}

std::int64_t StrToIntLocal(std::string_view text) {
    std::string s(text);
    NormalizeNumber(s);
    const std::size_t dot = s.find('.');
    if (dot != std::string::npos) s.resize(dot);
    if (s.empty() || s == "-") return 0;
    const bool negative = s[0] == '-';
    return SaturatingParseInt(std::string_view(s).substr(negative ? 1 : 0), negative);
}

std::int16_t StrToSmallInt(std::string_view text) {
    std::string s(text);
    std::size_t b = 0;
    while (b < s.size() && s[b] == ' ')
        ++b;
    s.erase(0, b);
    if (!s.empty() && s[0] == '+') s.erase(0, 1);
    const char thousands = DecimalChar == '.' ? ',' : '.';
    std::string t;
    bool dollarSeen = false;
    for (char c : s) {
        if (c == thousands) continue;
        if (c == '$' && !dollarSeen) {
            dollarSeen = true;
            continue;
        }
        t += c;
    }
    std::size_t k = 0;
    while (k < t.size() && t[k] != ' ' && (IsDigit(t[k]) || (t[k] == '-' && k == 0)))
        ++k;
    t.resize(k);
    if (t.empty() || t == "-") return 0;
    const bool negative = t[0] == '-';
    const std::int64_t v =
        SaturatingParseInt(std::string_view(t).substr(negative ? 1 : 0), negative);
    if (v > 32767) return 32767;
    if (v < -32768) return -32768;
    return static_cast<std::int16_t>(v);
}

bool RemoveWord(std::string_view word, std::string& text) {
    if (word.empty()) {
        text = AllTrim(text);
        return false;
    }
    const std::string w = TzUpperStr(word);
    std::string t = TzUpperStr(text);
    bool removed = false;
    std::size_t p = 0;
    while ((p = t.find(w, p)) != std::string::npos) {
        const std::size_t after = p + w.size();
        bool wordEnds = after >= t.size();
        if (!wordEnds) {
            const auto c = static_cast<unsigned char>(t[after]);
            wordEnds =
                !(os::AnsiIsAlpha(c) || IsDigit(static_cast<char>(c)) || c == '_' || c == '\\');
        }
        if (wordEnds) {
            t.erase(p, w.size());
            removed = true;
        } else {
            ++p;
        }
    }
    text = AllTrim(t);
    return removed;
}

std::vector<std::string> BlankSeparatedWords(std::string_view text) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        std::size_t j = i;
        while (j < text.size() && text[j] != ' ' && text[j] != '\t')
            ++j;
        if (j > i) words.emplace_back(text.substr(i, j - i));
        i = j;
    }
    return words;
}

int PosBuf(const char* a, std::size_t lengthA, const char* b, std::size_t lengthB,
           os::CodePage page) {
    if (a == nullptr || b == nullptr || lengthA == 0 || lengthA > lengthB) return 0;
    const os::ByteTable& up = os::UpperTable(page);
    for (std::size_t i = 0; i + lengthA <= lengthB; ++i) {
        std::size_t k = 0;
        while (k < lengthA && up[static_cast<unsigned char>(b[i + k])] ==
                                  up[static_cast<unsigned char>(a[k])])
            ++k;
        if (k == lengthA) return static_cast<int>(i + 1);
    }
    return 0;
}

namespace {
void NoteOnce(std::string& lost, std::string_view ch) {
    if (lost.find(ch) == std::string::npos) lost.append(ch);
}
} // namespace

std::string UnstorableCharacters(std::string_view utf8, os::CodePage page) {
    std::string lost;
    for (std::size_t at = 0; at < utf8.size();) {
        const std::size_t from = at;
        const char32_t u = os::Utf8Next(utf8, at);
        const std::string_view ch = utf8.substr(from, at - from);
        const bool malformed = u == U'\uFFFD' && ch != "\xEF\xBF\xBD";
        if (malformed || !os::UnicodeToByte(page, u)) NoteOnce(lost, ch);
    }
    return lost;
}

std::string TextInPage(std::string_view bytes, os::CodePage from, os::CodePage to,
                       std::string* lost) {
    if (from == to) return std::string(bytes);
    const os::ByteTable& cross = os::CrossTable(from, to);
    std::string out(bytes);
    for (char& c : out) {
        const auto b = static_cast<unsigned char>(c);
        c = static_cast<char>(cross[b]);
        if (lost != nullptr && c == '?' && b != '?')
            NoteOnce(*lost, os::ToUtf8(from, std::string(1, static_cast<char>(b))));
    }
    return out;
}

std::string AnsiToOemStr(std::string_view s) {
    return os::AnsiToOem(s);
}
std::string OemToAnsiStr(std::string_view s) {
    return os::OemToAnsi(s);
}

} // namespace dbf
