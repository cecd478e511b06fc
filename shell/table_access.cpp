#include "shell/table_access.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "dbf/base/errors.h"
#include "dbf/base/text.h"
#include "dbf/table/area_record.h"
#include "dbf/table/field_vars.h"
#include "dbf/table/work_areas.h"
#include "framework/core/files.h"
#include "framework/ui/questions.h"
#include "framework/core/globals.h"
#include "platform/os/codepage.h"
#include "platform/os/paths.h"
#include "shell/startup.h"

namespace {

std::string Trimmed(std::string_view s) {
    const auto b = s.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    return std::string(s.substr(b, s.find_last_not_of(' ') - b + 1));
}

// A decimal number, '.' or ',' as the point; nothing else on the text.
bool ParseNumber(std::string_view text, double& v) {
    std::string t = Trimmed(text);
    for (char& c : t)
        if (c == ',') c = '.';
    if (t.empty()) {
        v = 0;
        return true;
    }
    const char* b = t.data();
    if (*b == '+') ++b;
    const auto r = std::from_chars(b, t.data() + t.size(), v);
    return r.ec == std::errc() && r.ptr == t.data() + t.size() && std::isfinite(v);
}

// The number with the field's decimals, '.' as the point.
std::string NumberText(double v, int decimals) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    return std::string(buf, r.ptr);
}

} // namespace

TTableAccess::~TTableAccess() {
    Close();
}

os::CodePage TTableAccess::Page() const {
    const dbf::TWorkArea* a = FArea != 0 ? dbf::WorkAreaSlot(FArea) : nullptr;
    return a != nullptr ? a->Page : os::CodePage::Cp1252;
}

bool TTableAccess::Fail(std::string text) {
    FError = std::move(text);
    return false;
}

template <class Work> bool TTableAccess::Run(const char* operation, Work&& work) {
    const dbf::CurrentAreaGuard keep;
    const dbf::ErrorReportingOff quiet;
    dbf::LastErrorCode = 0;
    bool done = false;
    try {
        if (FArea != 0 && !dbf::Select(FArea)) return Fail(dbf::ErrorText);
        done = work();
    } catch (const dbf::ERivozError& e) {
        if (dbf::LastErrorCode == 0) return Fail(std::string(operation) + ": " + e.what());
    }
    if (dbf::LastErrorCode != 0) {
        // What went wrong in words first (the file a pipe, a folder, a device; a lock another
        // program holds), the engine's own report after it.
        const std::uint16_t code = dbf::LastErrorCode;
        const std::string cause = dbf::ErrorCauseWords(code);
        return Fail(cause + " (" + dbf::ErrorMessage(code) + ": " + dbf::GetErrorText() + ")");
    }
    if (!done && FError.empty()) FError = std::string(operation) + " failed";
    return done;
}

bool TTableAccess::Open(const std::string& path, bool exclusive, bool readOnly) {
    Close();
    FError.clear();
    const bool ok = Run("Open", [&] {
        if (!dbf::Select(0)) return false;
        const std::uint8_t area = dbf::CurrentArea();
        struct ModeScope { // read, deny all / deny none; restored on every exit
            std::uint16_t saved = dbf::OpenModeOverride;
            ~ModeScope() { dbf::OpenModeOverride = saved; }
        } mode;
        if (readOnly) dbf::OpenModeOverride = exclusive ? 16 : 64;
        dbf::Use(path + (exclusive ? " EXCLUSIVE" : ""));
        if (dbf::LastErrorCode != 0) return false;
        FArea = area;
        FFieldCount = dbf::FieldCount();
        return true;
    });
    if (ok) FPath = path;
    return ok;
}

void TTableAccess::Close() {
    if (FArea == 0) return;
    Run("Close", [] {
        dbf::Use("");
        return true;
    });
    FArea = 0;
    FFieldCount = 0;
}

int TTableAccess::RecordCount() {
    int n = 0;
    Run("RecordCount", [&] {
        dbf::RefreshRecCount();
        n = dbf::RecCount();
        return true;
    });
    return n;
}

int TTableAccess::FieldNo(std::string_view name) {
    int n = 0;
    Run("FieldNo", [&] {
        n = dbf::FieldNo(std::string(name));
        return true;
    });
    return n;
}

std::string TTableAccess::FieldName(int n) {
    std::string name;
    if (n < 1 || n > FFieldCount) return name;
    Run("FieldName", [&] {
        name = dbf::Field(static_cast<std::uint8_t>(n));
        return true;
    });
    return name;
}

char TTableAccess::FieldType(int n) {
    char t = 0;
    if (n < 1 || n > FFieldCount) return t;
    Run("FieldType", [&] {
        t = dbf::FieldType(static_cast<std::uint8_t>(n));
        return true;
    });
    return t;
}

bool TTableAccess::Go(int n) {
    if (n < 1 || n > RecordCount())
        return Fail("Record " + std::to_string(n) + " is not in " + FPath);
    return Run("Go", [&] {
        dbf::Go(n);
        return true;
    });
}

std::string TTableAccess::Text(int n) {
    std::string s;
    if (n < 1 || n > FFieldCount) return s;
    Run("Text", [&] {
        const auto field = static_cast<std::uint8_t>(n);
        const std::uint8_t* p = dbf::FieldAddress(field);
        if (p == nullptr) return false;
        switch (dbf::FieldType(field)) {
        case 'C':
            s = os::ToUtf8(Page(), dbf::RTrim(dbf::GetVarString(p)));
            break;
        case 'N':
        case 'F':
            s = dbf::FieldDec(field) > 0 ? NumberText(dbf::GetVarDouble(p), dbf::FieldDec(field))
                                         : std::to_string(dbf::GetVarInt64(p));
            break;
        case 'L':
            s = dbf::GetVarBool(p) ? "T" : "F";
            break;
        case 'D':
            s = dbf::BlockDateToDbfText(dbf::GetVarString(p));
            break;
        default:
            break;
        }
        return true;
    });
    return s;
}

double TTableAccess::Number(int n) {
    double v = 0;
    const char t = FieldType(n);
    if (t != 'N' && t != 'F') return v;
    Run("Number", [&] {
        const auto field = static_cast<std::uint8_t>(n);
        const std::uint8_t* p = dbf::FieldAddress(field);
        if (p == nullptr) return false;
        v = dbf::FieldDec(field) > 0 ? dbf::GetVarDouble(p)
                                     : static_cast<double>(dbf::GetVarInt64(p));
        return true;
    });
    return v;
}

bool TTableAccess::Logical(int n) {
    bool v = false;
    if (FieldType(n) != 'L') return v;
    Run("Logical", [&] {
        const std::uint8_t* p = dbf::FieldAddress(static_cast<std::uint8_t>(n));
        if (p == nullptr) return false;
        v = dbf::GetVarBool(p);
        return true;
    });
    return v;
}

std::string TTableAccess::StoredText(int n) {
    std::string s;
    if (n < 1 || n > FFieldCount) return s;
    Run("StoredText", [&] {
        const dbf::TWorkArea* a = dbf::CurrentWorkArea();
        if (a == nullptr || static_cast<std::size_t>(n) > a->Fields.size()) return false;
        const dbf::TDbfFieldDesc& f = a->Fields[static_cast<std::size_t>(n) - 1];
        if (std::size_t{f.Offset} + f.Length > a->RecordBuffer.size()) return false;
        s = os::ToUtf8(Page(), Trimmed(std::string_view(a->RecordBuffer.data() + f.Offset, f.Length)));
        return true;
    });
    return s;
}

void TTableAccess::Blank() {
    Run("Blank", [] {
        dbf::ClearRecord();
        return true;
    });
}

bool TTableAccess::SetText(int n, std::string_view value) {
    switch (FieldType(n)) {
    case 'C': {
        // Nothing is stored as "?" behind the caller's back.
        const std::string lost = dbf::UnstorableCharacters(value, Page());
        if (!lost.empty())
            return Fail("The table cannot hold the characters " + lost + " (field " +
                        std::to_string(n) + ")");
        return Run("SetText", [&] {
            const auto field = static_cast<std::uint8_t>(n);
            std::uint8_t* p = dbf::FieldAddress(field);
            if (p == nullptr) return false;
            dbf::SetVarString(p, os::FromUtf8(Page(), value), dbf::FieldLen(field));
            return true;
        });
    }
    case 'N':
    case 'F': {
        double v = 0;
        if (!ParseNumber(value, v))
            return Fail("\"" + std::string(value) + "\" is no number (field " + std::to_string(n) +
                        ")");
        return SetNumber(n, v);
    }
    case 'L': {
        std::string t = Trimmed(value);
        if (t.size() == 1 && t[0] >= 'a' && t[0] <= 'z') t[0] = static_cast<char>(t[0] - 32);
        if (t == "T" || t == "Y" || t == "J" || t == "1") return SetLogical(n, true);
        if (t.empty() || t == "F" || t == "N" || t == "0") return SetLogical(n, false);
        return Fail("\"" + std::string(value) + "\" is no logical value (field " +
                    std::to_string(n) + ")");
    }
    case 'D':
        return Run("SetText", [&] {
            std::uint8_t* p = dbf::FieldAddress(static_cast<std::uint8_t>(n));
            if (p == nullptr) return false;
            dbf::SetVarString(p, dbf::DbfTextToBlockDate(Trimmed(value)), dbf::kDateVarSize - 1);
            return true;
        });
    default:
        return Fail("Field " + std::to_string(n) + " cannot be set from a text");
    }
}

std::string TTableAccess::TextProblem(int n, std::string_view value, std::string_view what) {
    const std::string table = "the table " + FPath;
    if (const std::string lost = dbf::UnstorableCharacters(value, Page()); !lost.empty())
        return CodePageProblem(what, table, lost, Page());
    int length = 0;
    Run("TextProblem", [&] {
        length = dbf::FieldLen(static_cast<std::uint8_t>(n));
        return true;
    });
    return LengthProblem(what, value, length, table);
}

bool TTableAccess::SetNumber(int n, double value) {
    const char t = FieldType(n);
    if ((t != 'N' && t != 'F') || !std::isfinite(value))
        return Fail("Field " + std::to_string(n) + " takes no number " + NumberText(value, 6));
    return Run("SetNumber", [&] {
        const auto field = static_cast<std::uint8_t>(n);
        std::uint8_t* p = dbf::FieldAddress(field);
        if (p == nullptr) return false;
        if (dbf::FieldDec(field) > 0) {
            dbf::SetVarDouble(p, value);
        } else {
            const double r = std::nearbyint(value);
            if (std::fabs(r) > 9.0e15) return false;
            dbf::SetVarInt64(p, static_cast<std::int64_t>(r));
        }
        return true;
    });
}

bool TTableAccess::SetLogical(int n, bool value) {
    if (FieldType(n) != 'L') return Fail("Field " + std::to_string(n) + " is no logical field");
    return Run("SetLogical", [&] {
        std::uint8_t* p = dbf::FieldAddress(static_cast<std::uint8_t>(n));
        if (p == nullptr) return false;
        dbf::SetVarBool(p, value);
        return true;
    });
}

bool TTableAccess::Append() {
    return Run("Append", [] {
        // Shared tables append under the append lock; an exclusive one needs none.
        const bool locked = dbf::ALock();
        dbf::LastErrorCode = 0;
        dbf::Append();
        const std::uint16_t code = dbf::LastErrorCode;
        if (locked) dbf::Unlock();
        dbf::LastErrorCode = code;
        return code == 0;
    });
}

std::string ShippedTableIn(const std::string& dir, const std::string& name,
                           std::string* problem) {
    const std::string folder = AddBackslash(dir);
    std::string real;
    if (os::FindNameNoCase(folder.substr(0, folder.size() - 1), name, real) == 0) return real;
    std::string shipped;
    const std::string data = AddBackslash(InstalledDataDir());
    if (os::FindNameNoCase(data.substr(0, data.size() - 1), name, shipped) != 0) return {};
    if (!DirWritable(folder)) return {};
    const std::uint8_t abort = AbortFlag;
    const bool copied = CopyShippedFile(shipped, folder + name, problem);
    AbortFlag = abort;
    return copied ? folder + name : std::string();
}
