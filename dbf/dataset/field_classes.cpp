// Unit ucommon: field classes and date texts.
#include "dbf/dataset/field_classes.h"

#include <cstdio>

#include "dbf/base/runtime.h"
#include "dbf/table/field_vars.h"

namespace dbf {

namespace {

int Digits(std::string_view s) {
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    return s;
}

} // namespace

bool DbfDateToDateTime(std::string_view yyyymmdd, TDateTime& out) {
    out = 0;
    if (yyyymmdd.size() != 8) return false;
    const int y = Digits(yyyymmdd.substr(0, 4));
    const int m = Digits(yyyymmdd.substr(4, 2));
    const int d = Digits(yyyymmdd.substr(6, 2));
    if (y < 0 || m < 0 || d < 0) return false;
    return TryEncodeDate(y, m, d, out);
}

std::string DateTimeToDbfDate(TDateTime dt) {
    int y = 0, m = 0, d = 0;
    if (!DecodeDate(dt, y, m, d)) return {};
    char buf[12];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
    return buf;
}

std::string DateTimeToDateText(TDateTime dt) {
    if (dt == 0) return {};
    const std::string dbf = DateTimeToDbfDate(dt);
    if (dbf.empty()) return {};
    return DbfTextToBlockDate(dbf);
}

TDateTime DateTextToDateTime(std::string_view text, bool strict) {
    const std::string t(TrimLeft(text).substr(0, 10));
    std::string checked = t;
    if (!CheckDate(checked)) {
        if (strict && t.find_first_not_of(' ') != std::string::npos)
            DatabaseError("'" + t + "' is not a valid date");
        return 0;
    }
    // MM/DD/YYYY or MM/DD/YY whatever the display order; no digits: the blank date.
    const std::string internal = ToInternalFormat(t);
    if (internal.find_first_of("0123456789") == std::string::npos) return 0;
    std::string dbf;
    if (internal.size() == 10) {
        dbf = internal.substr(6, 4) + internal.substr(0, 2) + internal.substr(3, 2);
    } else if (internal.size() == 8) {
        const std::string yy = internal.substr(6, 2);
        dbf = CenturyDigits(yy) + yy + internal.substr(0, 2) + internal.substr(3, 2);
    }
    TDateTime dt = 0;
    DbfDateToDateTime(dbf, dt);
    return dt;
}

std::string TTzDateField::AsString() const {
    return DateTimeToDateText(AsDateTime());
}

std::string TTzDateField::GetText(bool displayText) const {
    const std::string text = AsString();
    return displayText ? DisplayDateForYears(text) : text;
}

void TTzDateField::SetAsString(std::string_view value) {
    const std::string_view t = TrimLeft(value).substr(0, 10);
    if (t.find_first_not_of(' ') == std::string_view::npos || t == EmptyDate(DateFormat) ||
        t == DisplayDateForYears(EmptyDate(DateFormat))) {
        Clear();
        return;
    }
    SetAsDateTime(DateTextToDateTime(t, true));
}

} // namespace dbf
