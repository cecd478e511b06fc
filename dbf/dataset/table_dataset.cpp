// Unit ucommon: the table dataset.
#include "dbf/dataset/table_dataset.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "dbf/base/errors.h"
#include "dbf/base/hooks.h"
#include "dbf/base/runtime.h"
#include "dbf/base/text.h"
#include "dbf/dataset/field_classes.h"
#include "dbf/dataset/field_list.h"
#include "dbf/table/field_vars.h"
#include "dbf/table/search.h"
#include "dbf/table/table_file.h"
#include "dbf/table/work_areas.h"
#include "platform/os/codepage.h"
#include "platform/os/utf8.h"

namespace dbf {

namespace {

template <class T> T Load(const std::uint8_t* p) {
    T v{};
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <class T> void Store(std::uint8_t* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

// v rounded to the declared decimals, as its text in the table would be.
double RoundToDecimals(double v, int decimals) {
    if (!std::isfinite(v)) return v;
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) return v;
    double out = v;
    std::from_chars(buf, r.ptr, out);
    return out;
}

std::uint16_t SlotSize(char type, std::uint8_t length, std::uint8_t decimals) {
    switch (type) {
    case 'C':
        return static_cast<std::uint16_t>(length + 1);
    case 'D':
        return 8;
    case 'N':
    case 'F':
        return decimals > 0 || length >= 10 ? 8 : 4;
    case 'L':
        return 2;
    case 'M':
        return 4;
    default:
        return 0;
    }
}

TFieldType SlotType(char type, std::uint8_t length, std::uint8_t decimals) {
    switch (type) {
    case 'C':
        return ftString;
    case 'D':
        return ftDate;
    case 'N':
    case 'F':
        return decimals > 0 ? ftFloat : (length >= 10 ? ftLargeint : ftInteger);
    case 'L':
        return ftBoolean;
    case 'M':
        return ftMemo;
    default:
        return ftUnknown;
    }
}

// The date of a field variable (length byte, display order, four-digit year); 0 for blank.
// The usual form is read directly, anything else through the engine's date check.
TDateTime BlockDateToDateTime(const std::uint8_t* p) {
    const char* t = reinterpret_cast<const char*>(p + 1);
    auto num = [t](int at, int n) {
        int v = 0;
        for (int i = at; i < at + n; ++i) {
            if (t[i] < '0' || t[i] > '9') return -1;
            v = v * 10 + (t[i] - '0');
        }
        return v;
    };
    int y = -1, m = -1, d = -1;
    if (p[0] == 10) {
        switch (DateFormat) {
        case 0:
            m = num(0, 2), d = num(3, 2), y = num(6, 4);
            break;
        case 1:
            y = num(0, 4), m = num(5, 2), d = num(8, 2);
            break;
        default:
            d = num(0, 2), m = num(3, 2), y = num(6, 4);
            break;
        }
    }
    TDateTime dt = 0;
    if (y < 0 || m < 0 || d < 0 || !TryEncodeDate(y, m, d, dt))
        DbfDateToDateTime(BlockDateToDbfText(GetVarString(p)), dt);
    return dt;
}

// dEOF without its check of the file size, for right after a Skip that made it.
bool AreaAtEnd() {
    const TWorkArea* a = CurrentWorkArea();
    if (IndexHooks.IndexActive != nullptr && IndexHooks.IndexActive() &&
        IndexHooks.IndexEOF != nullptr)
        return IndexHooks.IndexEOF();
    return a->Eof || a->RecNo > a->RecordCount;
}

TLocateValue ToLocateValue(const Variant& v, os::CodePage page) {
    struct Visitor {
        os::CodePage page;
        TLocateValue operator()(std::monostate) { return {}; }
        TLocateValue operator()(bool b) { return b; }
        TLocateValue operator()(std::int64_t n) { return n; }
        TLocateValue operator()(double d) { return static_cast<long double>(d); }
        TLocateValue operator()(const std::string& s) { return os::FromUtf8(page, s); }
        TLocateValue operator()(TVarDate d) {
            const std::string dbf = DateTimeToDbfDate(d.Value);
            return dbf.empty() ? std::string() : DbfToDate(dbf);
        }
    };
    return std::visit(Visitor{page}, v);
}

} // namespace

// ---- TDbfFieldProps ----

TDbfFieldProps::TDbfFieldProps() : FArea(CurrentArea()) {
    const TWorkArea* a = CurrentWorkArea();
    if (a == nullptr) return;
    for (std::size_t i = 0; i < a->Fields.size() && i < a->FieldCount; ++i) {
        const TDbfFieldDesc& f = a->Fields[i];
        TDTField d;
        d.Name = f.Name.substr(0, 10);
        d.Type = f.Type;
        d.Length = f.Length;
        d.Decimals = f.Decimals;
        d.Offset = static_cast<std::uint16_t>(FieldVarOffset(a->Fields, i + 1));
        FFields.push_back(d);
    }
}

std::uint8_t* TDbfFieldProps::Address(int n) const {
    TWorkArea* a = WorkAreaSlot(FArea);
    if (a == nullptr || a->FieldVars == nullptr || n < 0 || n > Count()) return nullptr;
    return a->FieldVars + (n == 0 ? 0 : Field(n).Offset);
}

// ---- construction ----

TTzDataSet::TTzDataSet() = default;

TTzDataSet::~TTzDataSet() {
    try {
        Close();
    } catch (...) {
    }
}

void TTzDataSet::SetDbfFileName(const std::string& name) {
    // An open virtual file keeps its records: the name is only where they go on disk.
    const bool wasActive = Active() && !IsVirtualFile();
    if (wasActive) Close();
    std::string n(name);
    n.erase(0, n.find_first_not_of(' '));
    n.erase(n.find_last_not_of(' ') + 1);
    const std::size_t slash = n.find_last_of('/');
    const std::size_t dot = n.find_last_of('.');
    const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    if (!n.empty() && n.back() != '.' && !hasExt) n += ".DBF";
    FDbfFileName = n;
    if (Active() && IsVirtualFile()) MarkModified();
    if (wasActive) Open();
}

// ---- running engine work ----

void TTzDataSet::SelectArea(std::string_view operation) {
    if (FWorkArea == 0) {
        const ErrorReportingOff quiet;
        SetError(kErrInvalidOperation,
                 "Database is not open [" + Name() + "." + std::string(operation) + "]");
        DatabaseError(LastErrorString());
    }
    if (CurrentArea() != FWorkArea) Select(FWorkArea);
    AnsiTables = TableLanguage == tlAnsi;
}

void TTzDataSet::RunCommand(std::string_view operation, const std::function<void()>& work) {
    const std::int32_t code = Run(operation, [&] {
        work();
        return 0;
    });
    if (code != 0) {
        CursorPosChanged();
        CheckTziResult(code);
    }
}

std::string TTzDataSet::GetTziErrorText(std::int32_t code) {
    std::string text = LastErrorString();
    if (text.empty()) text = ErrorMessage(static_cast<std::uint16_t>(code));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

std::int32_t TTzDataSet::ChangeResult(bool done) {
    if (done) return 0;
    return LastErrorCode != 0 ? LastErrorCode : kErrRecordNotLocked;
}

// ---- opening ----

std::int32_t TTzDataSet::TziOpen() {
    if (FDbfFileName.empty() && !IsVirtualFile()) return kTziNoFileName;
    FProps.reset();
    FRecordDataSize = 0;
    FSlots.clear();
    FBOF = FEOF = false;
    const ErrorReportingOff quiet;
    const std::uint8_t remembered = CurrentArea();
    auto fail = [&]() -> std::int32_t {
        const std::uint16_t code = LastErrorCode;
        const std::string text = ErrorText;
        Select(remembered);
        LastErrorCode = code;
        ErrorText = text;
        ReportedCode = code;
        return code != 0 ? code : kTziOpenFailed;
    };
    LastErrorCode = 0;
    if (!Select(FWorkArea) || LastErrorCode != 0) return fail();
    AnsiTables = TableLanguage == tlAnsi;
    try {
        if (!OpenDbf(FDbfFileName) || LastErrorCode != 0) return fail();
    } catch (const ERivozError& e) {
        if (LastErrorCode == 0) SetError(kErrInternal, e.what());
        return fail();
    }
    FWorkArea = CurrentArea();
    SetIgnoreDel(FHideDeletedRecs);
    FProps = std::make_unique<TDbfFieldProps>();
    return 0;
}

std::int32_t TTzDataSet::CloseDbfArea() {
    if (FWorkArea == 0) return 0;
    // A failure on closing (the count or end mark of a changed table not written) is reported.
    const std::int32_t r = Run("CloseDbfArea", [this] {
        BeforeCloseTable();
        Use("");
        return 0;
    });
    FWorkArea = 0;
    return r;
}

std::int32_t TTzDataSet::TziClose() {
    const std::int32_t r = CloseDbfArea();
    FProps.reset();
    return r;
}

void TTzDataSet::ComputeSlots() {
    FSlots.assign(static_cast<std::size_t>(FProps->Count()) + 1, Slot{});
    std::uint32_t size = 1;
    for (int n = 1; n <= FProps->Count(); ++n) {
        const TDTField& f = FProps->Field(n);
        Slot& s = FSlots[static_cast<std::size_t>(n)];
        s.Offset = static_cast<std::uint16_t>(size);
        s.Type = f.Type;
        s.Length = static_cast<std::uint8_t>(f.Length);
        s.Decimals = static_cast<std::uint8_t>(f.Decimals);
        s.DataType = SlotType(f.Type, s.Length, s.Decimals);
        size += SlotSize(f.Type, s.Length, s.Decimals);
    }
    if (size > 0xFFFF) DatabaseError("Record too large: " + std::to_string(size) + " bytes");
    FRecordDataSize = static_cast<std::uint16_t>(size);
}

std::uint16_t TTzDataSet::TziGetRecordSize() {
    if (FRecordDataSize == 0 && FProps) ComputeSlots();
    return FRecordDataSize;
}

void TTzDataSet::InternalInitFieldDefs() {
    TFieldDefs& defs = FieldDefList();
    defs.Clear();
    if (!FProps) DatabaseError(Name() + ".DbfFields undefined. Set Active to TRUE");
    TziGetRecordSize();
    for (int n = 1; n <= FProps->Count(); ++n) {
        const TDTField& f = FProps->Field(n);
        const Slot& s = FSlots[static_cast<std::size_t>(n)];
        if (f.Name.empty() || s.DataType == ftUnknown) continue;
        TFieldDef d;
        d.Name = f.Name;
        d.DataType = s.DataType;
        d.Size = (f.Type == 'C' || f.Type == 'N' || f.Type == 'F') ? f.Length : 0;
        d.Decimals = s.DataType == ftFloat ? f.Decimals : 0;
        d.FieldNo = n;
        defs.Add(d);
    }
}

std::unique_ptr<TField> TTzDataSet::GetFieldClass(TFieldType type) {
    switch (type) {
    case ftInteger:
        return std::make_unique<TTzIntegerField>();
    case ftLargeint:
        return std::make_unique<TTzLargeintField>();
    case ftFloat:
        return std::make_unique<TTzFloatField>();
    case ftDate:
        return std::make_unique<TTzDateField>();
    default:
        return TTzPrimDataset::GetFieldClass(type);
    }
}

// ---- record data <-> field variables ----

void TTzDataSet::FieldVarsToBuffer(std::uint8_t* buffer) {
    const std::uint8_t* vars = FProps->Address(0);
    if (vars == nullptr) return;
    buffer[0] = vars[0];
    for (std::size_t n = 1; n < FSlots.size(); ++n) {
        const Slot& s = FSlots[n];
        const std::uint8_t* p = vars + FProps->Field(static_cast<int>(n)).Offset;
        std::uint8_t* slot = buffer + s.Offset;
        switch (s.DataType) {
        case ftString:
            slot[0] = std::min(p[0], s.Length);
            std::memcpy(slot + 1, p + 1, slot[0]);
            break;
        case ftDate:
            Store(slot, BlockDateToDateTime(p));
            break;
        case ftFloat:
            Store(slot, RoundToDecimals(GetVarDouble(p), s.Decimals));
            break;
        case ftInteger:
            Store(slot, static_cast<std::int32_t>(GetVarInt64(p)));
            break;
        case ftLargeint:
            Store(slot, GetVarInt64(p));
            break;
        case ftBoolean:
            slot[0] = p[0];
            slot[1] = 0;
            break;
        case ftMemo:
            Store(slot, GetVarInt32(p));
            break;
        default:
            break;
        }
    }
}

void TTzDataSet::BufferToFieldVars(const std::uint8_t* buffer, int field) {
    std::uint8_t* vars = FProps->Address(0);
    if (vars == nullptr) return;
    vars[0] = buffer[0];
    const std::size_t first = field > 0 ? static_cast<std::size_t>(field) : 1;
    const std::size_t last = field > 0 ? first : FSlots.size() - 1;
    for (std::size_t n = first; n <= last && n < FSlots.size(); ++n) {
        const Slot& s = FSlots[n];
        std::uint8_t* target = vars + FProps->Field(static_cast<int>(n)).Offset;
        // The value is made in a scratch copy and goes into the block when the user assigned
        // it (one field set now, or set since the edit began) or when it changed: a field the
        // user left alone is not assigned again, so a blank number or logical keeps its blank
        // in the file, and a 0 or false the user gave is written as such.
        std::array<std::uint8_t, 256> scratch{};
        std::uint8_t* p = scratch.data();
        const std::uint8_t* slot = buffer + s.Offset;
        switch (s.DataType) {
        case ftString: {
            const std::size_t len = std::min(slot[0], s.Length);
            SetVarString(p, std::string_view(reinterpret_cast<const char*>(slot + 1), len),
                         s.Length);
            break;
        }
        case ftDate: {
            const TDateTime dt = Load<double>(slot);
            std::string dbf = dt == 0 ? std::string(8, ' ') : DateTimeToDbfDate(dt);
            if (dbf.empty()) {
                DatasetMessage("        Invalid date       ");
                dbf.assign(8, ' ');
            }
            SetVarString(p, DbfTextToBlockDate(dbf), kDateVarSize - 1);
            break;
        }
        case ftFloat:
            SetVarDouble(p, Load<double>(slot));
            break;
        case ftInteger:
            SetVarInt64(p, Load<std::int32_t>(slot));
            break;
        case ftLargeint:
            SetVarInt64(p, Load<std::int64_t>(slot));
            break;
        case ftBoolean:
            SetVarBool(p, slot[0] != 0);
            break;
        case ftMemo:
            SetVarInt32(p, Load<std::int32_t>(slot));
            break;
        default:
            break;
        }
        TDbfFieldDesc desc;
        desc.Type = s.Type;
        desc.Length = s.Length;
        desc.Decimals = s.Decimals;
        const std::size_t size = std::min(FieldVarSize(desc), scratch.size());
        const bool assigned = field > 0 || (n < FAssigned.size() && FAssigned[n] != 0);
        if (!assigned && std::memcmp(target, p, size) == 0) continue;
        std::memcpy(target, p, size);
        if (VarWriteHook != nullptr) VarWriteHook(target);
    }
}

bool TTzDataSet::ReadFieldData(const TField& field, const std::uint8_t* buffer, void* destination) {
    const std::size_t n = static_cast<std::size_t>(field.FieldNo());
    if (n >= FSlots.size()) return false;
    const Slot& s = FSlots[n];
    const std::uint8_t* slot = buffer + s.Offset;
    auto* dest = static_cast<std::uint8_t*>(destination);
    const std::size_t size = static_cast<std::size_t>(field.DataSize());
    std::memset(dest, 0, size);
    switch (field.DataType()) {
    case ftString: {
        std::size_t len = std::min(slot[0], s.Length);
        while (len > 0 && slot[len] == ' ')
            --len;
        const std::string text =
            os::ToUtf8(TextPage(), std::string_view(reinterpret_cast<const char*>(slot + 1), len));
        std::memcpy(dest, text.data(), std::min(text.size(), size - 1));
        return true;
    }
    case ftDate:
        std::memcpy(dest, slot, 8);
        return Load<double>(slot) != 0;
    default:
        std::memcpy(dest, slot,
                    std::min<std::size_t>(size, SlotSize(s.Type, s.Length, s.Decimals)));
        return true;
    }
}

void TTzDataSet::WriteFieldValue(const TField& field, std::uint8_t* buffer, const void* source) {
    const std::size_t n = static_cast<std::size_t>(field.FieldNo());
    if (n >= FSlots.size()) return;
    const Slot& s = FSlots[n];
    std::uint8_t* slot = buffer + s.Offset;
    const std::size_t slotSize = SlotSize(s.Type, s.Length, s.Decimals);
    if (source == nullptr) {
        std::memset(slot, 0, slotSize);
    } else if (field.DataType() == ftString) {
        NoteUnstorable(field.FieldName(), static_cast<const char*>(source));
        std::string text = os::FromUtf8(TextPage(), static_cast<const char*>(source));
        if (text.size() > s.Length) text.resize(s.Length);
        std::memset(slot, 0, slotSize);
        slot[0] = static_cast<std::uint8_t>(text.size());
        std::memcpy(slot + 1, text.data(), text.size());
    } else if (field.DataType() == ftDate) {
        Store(slot, std::floor(Load<double>(static_cast<const std::uint8_t*>(source))));
    } else {
        std::memcpy(slot, source, std::min<std::size_t>(slotSize, field.DataSize()));
    }
    if (FAssigned.size() != FSlots.size()) FAssigned.assign(FSlots.size(), 0);
    FAssigned[n] = 1;
    BufferToFieldVars(buffer, static_cast<int>(n));
}

std::int32_t TTzDataSet::TziGetFieldData(TField* field, std::uint8_t* buffer, bool& isBlank,
                                         void* destination) {
    isBlank = destination != nullptr && !ReadFieldData(*field, buffer, destination);
    return 0;
}

std::int32_t TTzDataSet::TziSetFieldData(TField* field, std::uint8_t* buffer, const void* source) {
    return Run("TziSetFieldData", [&] {
        WriteFieldValue(*field, buffer, source);
        return 0;
    });
}

// ---- the cursor on the work area ----

bool TTzDataSet::s_IsEmptyDbf() {
    return Run("s_IsEmptyDbf", [] { return dBOF() && dEOF() ? 1 : 0; }) == 1;
}

std::int32_t TTzDataSet::SafeGo(std::int32_t n) {
    const std::int32_t r = Run("SafeGo", [&] {
        if (!GoIfValid(n)) return -1;
        FBOF = FEOF = false;
        return 0;
    });
    return r == -1 ? TziSetToEnd() : r;
}

std::int32_t TTzDataSet::TziSetToBegin() {
    return Run("TziSetToBegin", [this] {
        GoFirst();
        FBOF = true;
        FEOF = false;
        return 0;
    });
}

std::int32_t TTzDataSet::TziSetToEnd() {
    return Run("TziSetToEnd", [this] {
        GoLast();
        FEOF = true;
        FBOF = false;
        return 0;
    });
}

std::int32_t TTzDataSet::TziGetRecordCount() {
    return Run("TziGetRecordCount", [] { return RecCount(); });
}

std::int32_t TTzDataSet::TziForceReread() {
    return Run("TziForceReread", [] {
        Skip(0);
        return 0;
    });
}

std::int32_t TTzDataSet::TziGetRecord(std::uint8_t* buffer, std::int32_t& recNo) {
    if (FBOF) return kTziBof;
    if (FEOF) return kTziEof;
    return Run("TziGetRecord", [&] {
        if (buffer != nullptr) {
            Skip(0); // the record as stored now
            if (LastErrorCode != 0) return 0;
            if (dEOF()) return kTziEof;
            FieldVarsToBuffer(buffer);
        }
        recNo = dbf::RecNo();
        return 0;
    });
}

std::int32_t TTzDataSet::TziGetNextRecord(std::uint8_t* buffer, std::int32_t& recNo) {
    if (FEOF) return kTziEof;
    return Run("TziGetNextRecord", [&] {
        bool fresh = false; // Skip(1) has just read the table's record count
        if (FBOF) {
            Skip(0);
            FBOF = false;
        } else if (!CurrentWorkArea()->Eof) { // what Skip refuses, without a file check
            Skip(1);
            fresh = true;
        }
        if (LastErrorCode != 0) return 0;
        if (fresh ? AreaAtEnd() : dEOF()) {
            // Stay on the last record (an empty or wholly hidden table has none).
            if (!dBOF() && RecCount() > 0) Skip(-1);
            FEOF = true;
            return kTziEof;
        }
        if (buffer != nullptr) FieldVarsToBuffer(buffer);
        recNo = dbf::RecNo();
        return 0;
    });
}

std::int32_t TTzDataSet::TziGetPriorRecord(std::uint8_t* buffer, std::int32_t& recNo) {
    if (FBOF) return kTziBof;
    return Run("TziGetPriorRecord", [&] {
        if (FEOF) {
            Skip(0);
            FEOF = false;
        } else if (!dBOF()) {
            Skip(-1);
        }
        if (LastErrorCode != 0) return 0;
        if (dBOF() || dEOF()) {
            FBOF = true;
            return kTziBof;
        }
        if (buffer != nullptr) FieldVarsToBuffer(buffer);
        recNo = dbf::RecNo();
        return 0;
    });
}

std::int32_t TTzDataSet::TziGotoBookmark(const std::uint8_t* bookmark) {
    return SafeGo(Load<std::int32_t>(bookmark));
}

std::int32_t TTzDataSet::TziSetToBookmark(std::uint8_t* area) {
    const std::int32_t n = Run("TziSetToBookmark", [] { return dbf::RecNo(); });
    Store(area, n);
    return 0;
}

std::int32_t TTzDataSet::TziCompareBookmarks(const std::uint8_t* b1, const std::uint8_t* b2,
                                             int& result) {
    const std::int32_t a = Load<std::int32_t>(b1);
    const std::int32_t b = Load<std::int32_t>(b2);
    result = a < b ? -1 : (a == b ? 0 : 1);
    return 0;
}

// ---- changes ----

std::string TTzDataSet::Unholdable(std::string_view text) {
    return UnstorableCharacters(text, TextPage());
}

os::CodePage TTzDataSet::TextPage() {
    if (const TWorkArea* a = FWorkArea != 0 ? WorkAreaSlot(FWorkArea) : nullptr) return a->Page;
    return TableLanguage == tlOem && !IsVirtualFile() ? os::CodePage::Cp437
                                                      : os::CodePage::Cp1252;
}

void TTzDataSet::NoteUnstorable(const std::string& name, std::string_view text) {
    const std::string lost = Unholdable(text);
    for (auto& [field, chars] : FUnstorable)
        if (field == name) {
            chars = lost;
            return;
        }
    if (!lost.empty()) FUnstorable.emplace_back(name, lost);
}

void TTzDataSet::TellUnstorable() {
    std::string text;
    for (const auto& [field, chars] : FUnstorable) {
        if (chars.empty()) continue;
        text += (text.empty() ? "" : "; ") + field + ":";
        for (std::size_t at = 0; at < chars.size();) {
            const std::size_t from = at;
            os::Utf8Next(chars, at);
            text += " " + chars.substr(from, at - from);
        }
    }
    FUnstorable.clear();
    if (!text.empty())
        DatasetMessage("The table cannot hold these characters; they were stored as \"?\": " +
                       text);
}

std::int32_t TTzDataSet::TziInitRecord(std::uint8_t* /*buffer*/) {
    FAssigned.assign(FSlots.size(), 0);
    EndEdit(false);
    return Run("TziInitRecord", [] {
        ClearRecord();
        return 0;
    });
}

std::int32_t TTzDataSet::TziAppendRecord(std::uint8_t* buffer) {
    const std::int32_t result = Run("TziAppendRecord", [&] {
        buffer[0] = 0;
        BufferToFieldVars(buffer, 0);
        const std::int32_t r = ChangeResult(s_AppendWithLock());
        if (r == 0) {
            FBOF = FEOF = false;
            FAssigned.assign(FSlots.size(), 0);
        }
        return r;
    });
    if (result == 0) TellUnstorable();
    return result;
}

std::int32_t TTzDataSet::TziPostRecord(std::uint8_t* buffer) {
    if (FBOF) return kTziBof;
    if (FEOF) return kTziEof;
    for (;;) {
        FStoredNow.clear();
        const std::int32_t result = Run("TziPostRecord", [&] {
            BufferToFieldVars(buffer, 0);
            const std::int32_t r = ChangeResult(s_ReplaceWithLock());
            if (r == 0) FAssigned.assign(FSlots.size(), 0);
            return r;
        });
        if (FStoredNow.empty()) {
            if (result == 0) EndEdit(true);
            return result;
        }
        // Another program or window saved the record after this edit began: never overwritten
        // without the user's word, and not asked about when the user changed nothing.
        const bool deleted = !FEditBase.empty() && FEditBase[0] != '*' && FStoredNow[0] == '*';
        const std::string text = StoredChangeText(buffer, deleted);
        TRecordChoice choice = TRecordChoice::Stored;
        if (!text.empty()) {
            if (RecordChoiceHook == nullptr) {
                const ErrorReportingOff quiet;
                SetError(kErrRecordNotLocked, text + " [Post]");
                return kErrRecordNotLocked;
            }
            choice = RecordChoiceHook(text, EditCanResume);
            if (choice == TRecordChoice::Back && !EditCanResume) choice = TRecordChoice::Stored;
        }
        switch (choice) {
        case TRecordChoice::Mine:
            if (deleted) {
                // The record is gone: the user's record (what they see, their changes in it)
                // becomes a new one; the deleted record stays as the other left it.
                const std::int32_t r = TziAppendRecord(buffer);
                if (r == 0) EndEdit(false);
                return r;
            }
            // The user's changes go over what is stored now; the rest stays as stored now.
            TakeStoredFields(buffer, false);
            FEditBase = FStoredNow;
            continue;
        case TRecordChoice::Stored:
            // Nothing is written: the post ends showing the record as stored.
            TakeStoredFields(buffer, true);
            FAssigned.assign(FSlots.size(), 0);
            EndEdit(false);
            return 0;
        case TRecordChoice::Back:
            throw EAbort();
        }
    }
}

void TTzDataSet::EndEdit(bool tell) {
    FEditBase.clear();
    FEditBuffer.clear();
    if (tell) TellUnstorable();
    FUnstorable.clear();
}

bool TTzDataSet::UserChanged(const std::uint8_t* buffer, std::size_t n) const {
    if (n >= FSlots.size()) return false;
    // Without the record as the edit began every field set counts.
    if (FEditBuffer.size() < FRecordDataSize) return n < FAssigned.size() && FAssigned[n] != 0;
    const Slot& s = FSlots[n];
    return std::memcmp(buffer + s.Offset, FEditBuffer.data() + s.Offset,
                       SlotSize(s.Type, s.Length, s.Decimals)) != 0;
}

bool TTzDataSet::StoredRecordUnchanged() {
    TWorkArea* a = CurrentWorkArea();
    if (FEditBase.empty() || a == nullptr || a->IsVirtual) return true;
    std::vector<char> now;
    // A record that cannot be read is left to the write, which reports it.
    if (ReadStoredRecord(*a, a->RecNo, now) != 0 || now == FEditBase) return true;
    FStoredNow = std::move(now);
    return false;
}

namespace {

// A field's stored bytes as the user reads them.
std::string StoredFieldText(const TWorkArea& a, const TDbfFieldDesc& f,
                            const std::vector<char>& record) {
    if (std::size_t{f.Offset} + f.Length > record.size()) return {};
    const std::string raw(record.data() + f.Offset, f.Length);
    const std::size_t first = raw.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return os::ToUtf8(a.Page, raw.substr(first, raw.find_last_not_of(' ') + 1 - first));
}

} // namespace

std::string TTzDataSet::StoredChangeText(const std::uint8_t* buffer, bool deleted) {
    SelectArea("Post");
    const TWorkArea& a = *CurrentWorkArea();
    // Only what this user changed: the rest of the record is not theirs to decide about.
    std::string fields;
    for (std::size_t n = 1; n < FSlots.size() && n <= a.Fields.size(); ++n) {
        if (!UserChanged(buffer, n)) continue;
        const TDbfFieldDesc& f = a.Fields[n - 1];
        const TField* field = FindField(f.Name);
        const std::string yours = field != nullptr ? field->AsString() : std::string();
        fields += "\n  " + f.Name + ": yours \"" + yours + "\"";
        if (!deleted) fields += ", now \"" + StoredFieldText(a, f, FStoredNow) + "\"";
    }
    if (fields.empty()) return {};
    const std::string record = "Record " + std::to_string(a.RecNo) + " of " + a.FileName;
    const std::string back = EditCanResume ? "\nCancel: go back to your changes." : "";
    if (deleted)
        return record +
               " was deleted by another program or window after you began to change it. "
               "Your changes:" +
               fields +
               "\n\nYes: save the record with your changes as a new record.\nNo: drop your "
               "changes." +
               back;
    std::string text = record +
                       " was saved by another program or window after you began to change it."
                       " Your changes:" +
                       fields;
    if (!FEditBase.empty() && FEditBase[0] != FStoredNow[0])
        text += "\n  (it is no longer deleted)";
    return text +
           "\n\nYes: save your changes over it (what you did not change stays as it is "
           "now).\nNo: drop your changes and show the record as it is now." +
           back;
}

void TTzDataSet::TakeStoredFields(std::uint8_t* buffer, bool all) {
    std::vector<std::uint8_t> stored(FRecordDataSize);
    Run("TziPostRecord", [&] {
        Skip(0); // the record as stored now
        if (LastErrorCode == 0) FieldVarsToBuffer(stored.data());
        return 0;
    });
    if (stored.empty()) return;
    buffer[0] = stored[0];
    for (std::size_t n = 1; n < FSlots.size(); ++n) {
        if (!all && UserChanged(buffer, n)) continue;
        const Slot& s = FSlots[n];
        std::memcpy(buffer + s.Offset, stored.data() + s.Offset,
                    SlotSize(s.Type, s.Length, s.Decimals));
    }
}

std::int32_t TTzDataSet::TziDeleteRecord() {
    return Run("TziDeleteRecord", [this] { return ChangeResult(s_DeleteWithLock()); });
}

void TTzDataSet::InternalCancel() {
    FAssigned.assign(FSlots.size(), 0);
    EndEdit(false);
    ClearActiveBuffer();
}

void TTzDataSet::InternalEdit() {
    FAssigned.assign(FSlots.size(), 0);
    EndEdit(false);
    TTzPrimDataset::InternalEdit();
    // The edit begins from the record as stored now (just read): a post compares with it.
    const TWorkArea* a = CurrentWorkArea();
    if (a != nullptr && !a->IsVirtual && a->StoredRecNo == a->RecNo) {
        FEditBase = a->StoredRecord;
        if (const std::uint8_t* b = ActiveBuffer(); b != nullptr)
            FEditBuffer.assign(b, b + FRecordDataSize);
    }
}

void TTzDataSet::Post() {
    if (State() != dsEdit && State() != dsInsert && State() != dsSetKey) return;
    TTzPrimDataset::Post();
    if (s_IsEmptyDbf()) Resync({});
}

void TTzDataSet::StoreInsertBuffer() {
    if (State() == dsInsert) {
        SelectArea("StoreInsertBuffer");
        BufferToFieldVars(ActiveBuffer(), 0);
    } else {
        UpdateCursorPos();
    }
}

// ---- locate and lookup ----

bool TTzDataSet::TziLocate(const std::string& names, const TVarArray& values,
                           TLocateOptions options) {
    std::vector<TLocateValue> keys;
    for (const Variant& v : values)
        keys.push_back(ToLocateValue(v, TextPage()));
    bool found = false;
    CheckTziResult(Run("TziLocate", [&] {
        found = LocateFields(names, keys, options.CaseInsensitive, true, !options.PartialKey);
        return 0;
    }));
    if (found) FBOF = FEOF = false;
    return found;
}

std::int32_t TTzDataSet::TziLookup(const std::string& names, const TVarArray& values,
                                   const std::string& resultNames, TVarArray& result) {
    result.clear();
    std::vector<TLocateValue> keys;
    for (const Variant& v : values)
        keys.push_back(ToLocateValue(v, TextPage()));
    std::int32_t remembered = 0;
    std::int32_t found = 0;
    const std::int32_t r = Run("TziLookup", [&] {
        remembered = dbf::RecNo();
        if (LocateFields(names, keys, false, true, true)) found = dbf::RecNo();
        return 0;
    });
    if (r != 0 || found == 0) return r;
    // The found record's values (calculated fields included) through a buffer of its own;
    // the work area goes back to its record also when reading fails.
    struct Back {
        TTzDataSet& ds;
        std::int32_t n;
        ~Back() {
            try {
                ds.SafeGo(n);
            } catch (...) {
            }
        }
    } back{*this, remembered};
    TRecordBuffer temp = AllocRecordBuffer();
    FieldVarsToBuffer(temp.data());
    SetBufferRecNo(temp.data(), found);
    ReadRecordBuffer(temp.data(), [&] {
        std::string rest = resultNames;
        while (!rest.empty()) {
            const std::size_t semi = rest.find(';');
            result.push_back(FieldByName(rest.substr(0, semi))->Value());
            rest = semi == std::string::npos ? std::string() : rest.substr(semi + 1);
        }
    });
    return 0;
}

// ---- deleted records ----

bool TTzDataSet::IsDeleted() {
    const std::uint8_t* b = ActiveBuffer();
    return Active() && !IsEmpty() && b != nullptr && b[0] != 0;
}

void TTzDataSet::SetIsDeleted(bool on) {
    if (on == IsDeleted()) return;
    if (on) {
        if (!IsEmpty()) Delete();
        return;
    }
    CheckActive();
    if (State() == dsInsert || State() == dsSetKey) {
        Cancel();
        return;
    }
    DataEvent(deCheckBrowseMode);
    DoBeforeRestore();
    UpdateCursorPos();
    CheckTziResult(Run("s_RestoreWithLock", [this] { return ChangeResult(s_RestoreWithLock()); }));
    SetState(dsBrowse);
    Resync({});
    DoAfterRestore();
}

void TTzDataSet::SetHideDeletedRecs(bool on) {
    if (on == FHideDeletedRecs) return;
    if (Active()) CheckBrowseMode();
    FHideDeletedRecs = on;
    if (!Active()) return;
    UpdateCursorPos();
    RunCommand("SetHideDeletedRecs", [on] {
        SetIgnoreDel(on);
        if (LastErrorCode == 0) MoveOffHidden();
    });
    RefreshAfterCommand();
}

// ---- after commands ----

void TTzDataSet::RefreshAfterCommand() {
    if (LastErrorCode != 0) return;
    if (State() == dsEdit || State() == dsInsert || State() == dsSetKey) SetState(dsBrowse);
    if (s_IsEmptyDbf()) {
        ClearActiveBuffer();
        FBOF = FEOF = true;
        Resync({});
    } else {
        FBOF = FEOF = false;
        Resync({true, false});
    }
    DoAfterScroll();
}

void TTzDataSet::ReloadActiveBuffer() {
    SaveActiveBuffer();
    SelectArea("ReloadActiveBuffer");
    if (std::uint8_t* b = ActiveBuffer(); b != nullptr) FieldVarsToBuffer(b);
}

void TTzDataSet::StoreActiveBuffer() {
    if (State() != dsEdit && State() != dsInsert && State() != dsSetKey) Edit();
    SelectArea("StoreActiveBuffer");
    BufferToFieldVars(ActiveBuffer(), 0);
}

} // namespace dbf
