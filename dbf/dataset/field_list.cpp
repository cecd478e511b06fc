// Unit ucommon: field lists, table creation, messages, locale.
#include "dbf/dataset/field_list.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "dbf/base/errors.h"
#include "dbf/base/runtime.h"
#include "dbf/table/create.h"
#include "framework/core/uihooks.h"
#include "platform/data/db.h"

namespace dbf {

namespace {

std::uint8_t MessageMode = 2;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

bool Number(std::string_view s, int& out) {
    s = Trim(s);
    const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return !s.empty() && r.ec == std::errc() && r.ptr == s.data() + s.size() && out >= 0;
}

} // namespace

bool ParseDbfFieldLine(std::string_view line, TDbfFieldDef& def) {
    if (std::count(line.begin(), line.end(), ',') != 3) return false;
    std::string_view items[4];
    for (int i = 0; i < 3; ++i) {
        const std::size_t comma = line.find(',');
        items[i] = line.substr(0, comma);
        line.remove_prefix(comma + 1);
    }
    items[3] = line;
    const std::string_view type = Trim(items[1]);
    TDbfFieldDef d;
    d.Name = std::string(Trim(items[0]).substr(0, 10));
    d.Type =
        type.empty() ? ' ' : static_cast<char>(std::toupper(static_cast<unsigned char>(type[0])));
    if (!Number(items[2], d.Length) || !Number(items[3], d.Decimals)) return false;
    def = d;
    return true;
}

std::string DbfFieldLine(const TDbfFieldDef& def) {
    return def.Name + ", " + std::string(1, def.Type) + ", " + std::to_string(def.Length) + ", " +
           std::to_string(def.Decimals);
}

bool CorrectFieldDef(TDbfFieldDef& def) {
    const TDbfFieldDef was = def;
    if (def.Type == 'B' || def.Type == 'G' || def.Type == 'P') def.Type = 'M';
    if (std::string_view("CDFLMN").find(def.Type) == std::string_view::npos) def.Type = 'C';
    if (def.Type == 'N' || def.Type == 'F') {
        def.Length = std::min(def.Length, 20);
        def.Decimals = std::min(def.Decimals, 18);
        // Room for the point and a digit, taken on the capped length.
        if (def.Decimals > 0 && def.Length - def.Decimals < 2)
            def.Decimals = std::max(def.Length - 2, 0);
    } else if (def.Type == 'C' && def.Length >= 255) {
        def.Length = 254;
        def.Decimals = 0;
    }
    return def.Type != was.Type || def.Length != was.Length || def.Decimals != was.Decimals;
}

std::string CorrectionMessage(const std::string& owner, const TDbfFieldDef& was,
                              const std::string& oldType, const TDbfFieldDef& now) {
    return "Invalid field definition for " + owner + ": " + was.Name + "," + oldType + "," +
           std::to_string(was.Length) + "," + std::to_string(was.Decimals) +
           ". Will use corrected definition: " + now.Name + "," + std::string(1, now.Type) + "," +
           std::to_string(now.Length) + "," + std::to_string(now.Decimals);
}

bool FieldsFromDbfFields(const std::string& owner, const std::vector<std::string>& lines,
                         bool virtualFile, std::vector<TDbfFieldDesc>& fields) {
    if (lines.empty()) {
        DatasetMessage("FieldList.Count is <= 0 trying to create a database");
        return false;
    }
    fields.clear();
    for (const std::string& line : lines) {
        TDbfFieldDef def;
        if (!ParseDbfFieldLine(line, def)) return false;
        if (def.Type == 'X') continue;
        if (virtualFile && def.Type == 'M') def = {def.Name, 'N', 10, 0};
        const TDbfFieldDef was = def;
        if (CorrectFieldDef(def))
            DatasetMessage(CorrectionMessage(owner, was, std::string(1, was.Type), def));
        TDbfFieldDesc f;
        f.Name = def.Name;
        f.Type = def.Type;
        f.Length = static_cast<std::uint8_t>(std::clamp(def.Length, 0, 255));
        f.Decimals = static_cast<std::uint8_t>(std::clamp(def.Decimals, 0, 255));
        fields.push_back(f);
    }
    return true;
}

bool CreateTableFromDbfFields(const std::string& owner, const std::string& fileName,
                              const std::vector<std::string>& lines, bool virtualFile) {
    std::vector<TDbfFieldDesc> fields;
    if (!FieldsFromDbfFields(owner, lines, virtualFile, fields)) return false;
    const ErrorReportingOff quiet;
    TWorkArea scratch;
    CreateDbf(scratch, fileName, fields);
    return LastErrorCode == 0;
}

std::uint8_t SetMessageMode(std::uint8_t mode) {
    const std::uint8_t previous = MessageMode;
    if (mode != 0) MessageMode = mode;
    return previous;
}

void DatasetMessage(const std::string& text) {
    if (MessageMode == 2) CoreMessageBox(text, "Message:", MB_OK | MB_ICONINFORMATION);
}

void ApplyLocaleDateFormat() {
    DecimalChar = FormatSettings.DecimalSeparator;
    ThousandsChar = FormatSettings.ThousandSeparator;
    const std::string& pic = FormatSettings.ShortDateFormat;
    std::string upper(pic);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    FourDigitYears = upper.find("YYYY") != std::string::npos;
    char separator = 0;
    for (char c : pic) {
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            separator = c;
            break;
        }
    }
    std::uint8_t format = 0;
    if (!upper.empty() && upper[0] == 'Y') {
        format = 1;
    } else if (!upper.empty() && upper[0] == 'D') {
        format = separator == '-' ? 3 : (separator == '.' ? 5 : 2);
    }
    SetDateFormat(format);
}

} // namespace dbf
