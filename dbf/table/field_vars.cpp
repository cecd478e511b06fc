// Record buffer <-> field-variable block, the typed copy of a record.

#include "dbf/table/field_vars.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "dbf/base/runtime.h"
#include "dbf/base/errors.h"
#include "dbf/base/text.h"

namespace dbf {

namespace {

std::string_view TrimView(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 32)
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32)
        --e;
    return s.substr(b, e - b);
}

bool IsBlankField(std::string_view s) {
    for (char c : s) {
        if (c != ' ' && c != '\0') return false;
    }
    return true;
}

// The text right-aligned in width; '*' over the whole width when it does not fit.
void PutRightAligned(char* dest, std::size_t width, std::string_view text) {
    if (text.empty() || text.size() > width) {
        std::memset(dest, '*', width);
        return;
    }
    std::memset(dest, ' ', width - text.size());
    std::memcpy(dest + (width - text.size()), text.data(), text.size());
}

// Restores FourDigitYears on every exit.
class FourDigitYearsScope {
public:
    explicit FourDigitYearsScope(bool on) : previous_(FourDigitYears) { FourDigitYears = on; }
    ~FourDigitYearsScope() { FourDigitYears = previous_; }
    FourDigitYearsScope(const FourDigitYearsScope&) = delete;
    FourDigitYearsScope& operator=(const FourDigitYearsScope&) = delete;

private:
    bool previous_;
};

std::int32_t SaturateInt32(std::int64_t v) {
    if (v > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (v < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

} // namespace

std::size_t FieldVarSize(const TDbfFieldDesc& field) {
    switch (field.Type) {
    case 'C':
        return std::size_t{field.Length} + 1;
    case 'D':
        return kDateVarSize;
    case 'N':
    case 'F':
        return 8;
    case 'L':
        return 1;
    case 'M':
        return 4;
    default:
        return 0;
    }
}

std::size_t ComputeFieldVarsSize(const std::vector<TDbfFieldDesc>& fields) {
    std::size_t size = 1;
    for (const TDbfFieldDesc& f : fields)
        size += FieldVarSize(f);
    return size;
}

std::size_t FieldVarOffset(const std::vector<TDbfFieldDesc>& fields, std::size_t n) {
    if (n == 0) return 0;
    std::size_t offset = 1;
    for (std::size_t i = 0; i + 1 < n && i < fields.size(); ++i)
        offset += FieldVarSize(fields[i]);
    return offset;
}

std::string GetVarString(const std::uint8_t* p) {
    return std::string(reinterpret_cast<const char*>(p + 1), p[0]);
}

VarWriteProc VarWriteHook = nullptr;

namespace {

// The writes themselves; filling a block from a record goes through these and reports nothing.
void PutString(std::uint8_t* p, std::string_view s, std::size_t capacity) {
    const std::size_t n = std::min({s.size(), capacity, std::size_t{255}});
    p[0] = static_cast<std::uint8_t>(n);
    if (n > 0) std::memcpy(p + 1, s.data(), n);
    if (capacity > n) std::memset(p + 1 + n, ' ', capacity - n);
}

template <class T> void PutValue(std::uint8_t* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

void Noted(const std::uint8_t* p) {
    if (VarWriteHook != nullptr) VarWriteHook(p);
}

} // namespace

void SetVarString(std::uint8_t* p, std::string_view s, std::size_t capacity) {
    PutString(p, s, capacity);
    Noted(p);
}

double GetVarDouble(const std::uint8_t* p) {
    double v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
void SetVarDouble(std::uint8_t* p, double v) {
    PutValue(p, v);
    Noted(p);
}
std::int64_t GetVarInt64(const std::uint8_t* p) {
    std::int64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
void SetVarInt64(std::uint8_t* p, std::int64_t v) {
    PutValue(p, v);
    Noted(p);
}
std::int32_t GetVarInt32(const std::uint8_t* p) {
    std::int32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
void SetVarInt32(std::uint8_t* p, std::int32_t v) {
    PutValue(p, v);
    Noted(p);
}
bool GetVarBool(const std::uint8_t* p) {
    return p[0] != 0;
}
void SetVarBool(std::uint8_t* p, bool v) {
    PutValue<std::uint8_t>(p, v ? 1 : 0);
    Noted(p);
}

double FieldTextToDouble(std::string_view text) {
    std::string_view t = TrimView(text);
    if (!t.empty() && t[0] == '+') t.remove_prefix(1);
    if (t.empty()) return 0;
    double v = 0;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    if (r.ptr != t.data() + t.size()) return 0;
    if (r.ec == std::errc::result_out_of_range) {
        // Too large for a double: keep the sign and the magnitude's order (infinite), or 0.
        const bool tiny = t.find_first_of("123456789") == std::string_view::npos ||
                          t.find("e-") != std::string_view::npos ||
                          t.find("E-") != std::string_view::npos;
        if (tiny) return 0;
        return t[0] == '-' ? -std::numeric_limits<double>::infinity()
                           : std::numeric_limits<double>::infinity();
    }
    return r.ec == std::errc() ? v : 0;
}

std::int64_t FieldTextToInt64(std::string_view text) {
    std::string_view t = TrimView(text);
    if (t.empty()) return 0;
    bool negative = false;
    std::string_view digits = t;
    if (digits[0] == '+' || digits[0] == '-') {
        negative = digits[0] == '-';
        digits.remove_prefix(1);
    }
    bool allDigits = !digits.empty();
    for (char c : digits) {
        if (c < '0' || c > '9') allDigits = false;
    }
    if (allDigits) {
        std::int64_t v = 0;
        for (char c : digits) {
            const int d = c - '0';
            if (v > (std::numeric_limits<std::int64_t>::max() - d) / 10)
                return negative ? std::numeric_limits<std::int64_t>::min()
                                : std::numeric_limits<std::int64_t>::max();
            v = v * 10 + d;
        }
        return negative ? -v : v;
    }
    // Not a plain integer (a point or an exponent): round the value, saturating.
    const double d = FieldTextToDouble(t);
    if (!std::isfinite(d))
        return d < 0 ? std::numeric_limits<std::int64_t>::min()
                     : (d > 0 ? std::numeric_limits<std::int64_t>::max() : 0);
    if (d >= 9223372036854775807.0) return std::numeric_limits<std::int64_t>::max();
    if (d <= -9223372036854775808.0) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(std::llround(d));
}

std::string DbfTextToBlockDate(std::string_view text) {
    std::string t(text.substr(0, std::min<std::size_t>(text.size(), 8)));
    if (t.size() < 8) t.append(8 - t.size(), ' ');
    if (IsBlankField(t)) {
        const FourDigitYearsScope years(true);
        return EmptyDate(DateFormat);
    }
    const std::string y = t.substr(0, 4), m = t.substr(4, 2), d = t.substr(6, 2);
    switch (DateFormat) {
    case 0:
        return m + "/" + d + "/" + y;
    case 1:
        return y + "." + m + "." + d;
    case 2:
        return d + "/" + m + "/" + y;
    case 3:
        return d + "-" + m + "-" + y;
    default:
        return d + "." + m + "." + y;
    }
}

std::string BlockDateToDbfText(std::string_view date) {
    const std::string blank(8, ' ');
    if (TrimView(date).empty()) return blank;
    const FourDigitYearsScope years(true);
    std::string d(date);
    if (!CheckDate(d)) return blank;
    const std::string internal = ToInternalFormat(d);
    if (internal.size() != 10 || internal[2] != '/' || internal[5] != '/') return blank;
    if (TrimView(internal.substr(0, 2)).empty()) return blank; // the blank date
    return internal.substr(6, 4) + internal.substr(0, 2) + internal.substr(3, 2);
}

void RecordToFieldVars(const TWorkArea& area, std::span<std::uint8_t> block) {
    const std::size_t need = ComputeFieldVarsSize(area.Fields);
    if (block.size() < need || area.RecordBuffer.empty()) {
        SetError(kErrInvalidSize, "Field-variable block of " + std::to_string(block.size()) +
                                      " bytes, the table needs " + std::to_string(need) +
                                      " [Scatter]");
        return;
    }
    const std::vector<char>& rec = area.RecordBuffer;
    std::uint8_t* p = block.data();
    p[0] = rec[0] == '*' ? 1 : 0;
    std::size_t at = 1;
    for (const TDbfFieldDesc& f : area.Fields) {
        const std::size_t size = FieldVarSize(f);
        if (size == 0) continue;
        std::uint8_t* v = p + at;
        at += size;
        // Checked at open; a field outside the record still reads nothing outside it.
        const std::size_t end = std::size_t{f.Offset} + f.Length;
        const std::string_view text = (f.Offset >= 1 && end <= rec.size())
                                          ? std::string_view(rec.data() + f.Offset, f.Length)
                                          : std::string_view();
        switch (f.Type) {
        case 'C':
            PutString(v, text, f.Length);
            break;
        case 'D':
            PutString(v, DbfTextToBlockDate(text), kDateVarSize - 1);
            break;
        case 'N':
        case 'F':
            if (f.Decimals > 0)
                PutValue(v, FieldTextToDouble(text));
            else
                PutValue(v, FieldTextToInt64(text));
            break;
        case 'L': {
            const char c = text.empty() ? ' ' : text[0];
            PutValue<std::uint8_t>(v, c == 'T' || c == 't' || c == 'Y' || c == 'y');
            break;
        }
        case 'M':
            PutValue(v, SaturateInt32(FieldTextToInt64(text)));
            break;
        default:
            break;
        }
    }
}

void FieldVarsToRecord(TWorkArea& area, std::span<const std::uint8_t> block) {
    const std::size_t need = ComputeFieldVarsSize(area.Fields);
    if (block.size() < need || area.RecordBuffer.empty()) {
        SetError(kErrInvalidSize, "Field-variable block of " + std::to_string(block.size()) +
                                      " bytes, the table needs " + std::to_string(need) +
                                      " [Gather]");
        return;
    }
    std::vector<char>& rec = area.RecordBuffer;
    const std::uint8_t* p = block.data();
    rec[0] = p[0] != 0 ? '*' : ' ';
    std::size_t at = 1;
    for (std::size_t i = 0; i < area.Fields.size(); ++i) {
        const TDbfFieldDesc& f = area.Fields[i];
        const std::size_t size = FieldVarSize(f);
        if (size == 0) continue;
        const std::uint8_t* v = p + at;
        at += size;
        const std::size_t end = std::size_t{f.Offset} + f.Length;
        if (f.Offset < 1 || end > rec.size() || f.Length == 0) continue;
        char* dest = rec.data() + f.Offset;
        const std::string_view stored(dest, f.Length);
        // An unchanged value keeps its stored text. A blank reads as 0 or false, but a 0 or
        // false the program assigned to it is written as such.
        const bool storedStands =
            !IsBlankField(stored) || i >= area.AssignedVars.size() || area.AssignedVars[i] == 0;
        switch (f.Type) {
        case 'C': {
            const std::string s = GetVarString(v);
            const std::size_t n = std::min<std::size_t>(s.size(), f.Length);
            std::memcpy(dest, s.data(), n);
            std::memset(dest + n, ' ', f.Length - n);
            break;
        }
        case 'D': {
            const std::string value = GetVarString(v);
            if (DbfTextToBlockDate(stored) == value) break; // unchanged: keep the stored text
            const std::string text = BlockDateToDbfText(value);
            const std::size_t n = std::min<std::size_t>(text.size(), f.Length);
            std::memcpy(dest, text.data(), n);
            std::memset(dest + n, ' ', f.Length - n);
            break;
        }
        case 'N':
        case 'F':
            if (f.Decimals > 0) {
                const double value = GetVarDouble(v);
                const double old = FieldTextToDouble(stored);
                if (std::memcmp(&value, &old, sizeof value) == 0 && storedStands) break;
                PutRightAligned(dest, f.Length,
                                std::isfinite(value) ? FixedText(value, f.Decimals) : "");
            } else {
                const std::int64_t value = GetVarInt64(v);
                if (FieldTextToInt64(stored) == value && storedStands) break;
                PutRightAligned(dest, f.Length, std::to_string(value));
            }
            break;
        case 'L': {
            const bool value = GetVarBool(v);
            const char c = dest[0];
            const bool old = c == 'T' || c == 't' || c == 'Y' || c == 'y';
            if (old == value && storedStands) break;
            dest[0] = value ? 'T' : 'F';
            if (f.Length > 1) std::memset(dest + 1, ' ', f.Length - 1u);
            break;
        }
        case 'M': {
            const std::int32_t value = GetVarInt32(v);
            if (SaturateInt32(FieldTextToInt64(stored)) == value) break;
            PutRightAligned(dest, f.Length, std::to_string(value));
            break;
        }
        default:
            break;
        }
    }
}

} // namespace dbf
