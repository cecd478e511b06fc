#include "platform/data/db.h"

#include <charconv>
#include <cmath>
#include <cstdio>

TFormatSettings FormatSettings;
TExceptionHandler ApplicationExceptionHook = nullptr;
TProcessMessagesProc ApplicationProcessMessagesHook = nullptr;

void DatabaseError(const std::string& message) {
    throw EDatabaseError(message);
}

void FieldNotFoundError(std::string_view name) {
    DatabaseError("Field '" + std::string(name) + "' not found");
}

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

constexpr std::int64_t kEpochOffset = 25569; // 1899-12-30 -> 1970-01-01

int DaysInMonth(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : kDays[m - 1];
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

} // namespace

bool TryEncodeDate(int year, int month, int day, TDateTime& out) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month))
        return false;
    out = static_cast<double>(DaysFromCivil(year, month, day) + kEpochOffset);
    return true;
}

bool DecodeDate(TDateTime dt, int& year, int& month, int& day) {
    if (!std::isfinite(dt) || dt < -693593.0 || dt >= 2958466.0) return false;
    const std::int64_t z = static_cast<std::int64_t>(std::floor(dt)) - kEpochOffset + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2));
    return year >= 1 && year <= 9999;
}

std::string FloatToText(double v, int significantDigits) {
    if (!std::isfinite(v)) return std::isnan(v) ? "NAN" : (v > 0 ? "INF" : "-INF");
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, significantDigits);
    std::string s(buf, r.ptr);
    for (char& c : s)
        if (c == '.') c = FormatSettings.DecimalSeparator;
    return s;
}

std::string FloatToFixed(double v, int decimals) {
    if (!std::isfinite(v)) return FloatToText(v);
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) return FloatToText(v);
    std::string s(buf, r.ptr);
    if (s.size() > 1 && s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos)
        s.erase(0, 1); // no "-0.00"
    for (char& c : s)
        if (c == '.') c = FormatSettings.DecimalSeparator;
    return s;
}

bool TextToFloat(std::string_view text, double& out) {
    std::string s(Trim(text));
    for (char& c : s)
        if (c == FormatSettings.DecimalSeparator) c = '.';
    if (!s.empty() && s[0] == '+') s.erase(0, 1);
    if (s.empty()) return false;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && std::isfinite(out);
}

bool TextToInt64(std::string_view text, std::int64_t& out) {
    std::string_view s = Trim(text);
    if (!s.empty() && s[0] == '+') s.remove_prefix(1);
    if (s.empty()) return false;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

namespace {

// The order of year, month and day in the date picture, and its separator.
struct DateOrder {
    char parts[3] = {'y', 'M', 'd'};
    char separator = '-';
};

DateOrder OrderOf(const std::string& picture) {
    DateOrder o;
    int n = 0;
    char last = 0;
    for (char c : picture) {
        const char k = c == 'Y' ? 'y' : (c == 'D' ? 'd' : (c == 'm' ? 'M' : c));
        if (k == 'y' || k == 'M' || k == 'd') {
            if (k != last && n < 3) o.parts[n++] = k;
            last = k;
        } else if (n > 0 && n < 3) {
            o.separator = c;
        }
    }
    return o;
}

} // namespace

std::string DateToText(TDateTime dt) {
    int y = 0, m = 0, d = 0;
    if (!DecodeDate(dt, y, m, d)) return {};
    std::string out;
    const std::string& pic = FormatSettings.ShortDateFormat;
    for (std::size_t i = 0; i < pic.size();) {
        const char c = pic[i];
        std::size_t n = 1;
        while (i + n < pic.size() && pic[i + n] == c)
            ++n;
        char buf[8];
        if (c == 'y' || c == 'Y') {
            std::snprintf(buf, sizeof buf, n <= 2 ? "%02d" : "%04d", n <= 2 ? y % 100 : y);
            out += buf;
        } else if (c == 'M' || c == 'm' || c == 'd' || c == 'D') {
            std::snprintf(buf, sizeof buf, n >= 2 ? "%02d" : "%d", (c == 'M' || c == 'm') ? m : d);
            out += buf;
        } else {
            out.append(n, c);
        }
        i += n;
    }
    return out;
}

bool TextToDate(std::string_view text, TDateTime& out) {
    const DateOrder order = OrderOf(FormatSettings.ShortDateFormat);
    int values[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    int n = -1;
    bool inNumber = false;
    for (char c : Trim(text)) {
        if (c >= '0' && c <= '9') {
            if (!inNumber && ++n > 2) return false;
            inNumber = true;
            if (++digits[n] > 4) return false;
            values[n] = values[n] * 10 + (c - '0');
        } else {
            if (!inNumber) return false;
            inNumber = false;
        }
    }
    if (n != 2 || !inNumber) return false;
    int y = 0, m = 0, d = 0;
    for (int i = 0; i < 3; ++i) {
        if (order.parts[i] == 'y') {
            y = values[i];
            if (digits[i] <= 2) y += y < 50 ? 2000 : 1900;
        } else if (order.parts[i] == 'M') {
            m = values[i];
        } else {
            d = values[i];
        }
    }
    return TryEncodeDate(y, m, d, out);
}

void ApplicationHandleException(const std::exception& e) {
    if (dynamic_cast<const EAbort*>(&e) != nullptr) return;
    if (ApplicationExceptionHook != nullptr) {
        ApplicationExceptionHook(e);
        return;
    }
    std::fprintf(stderr, "%s\n", e.what());
}

void ApplicationProcessMessages() {
    if (ApplicationProcessMessagesHook != nullptr) ApplicationProcessMessagesHook();
}
