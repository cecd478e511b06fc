// Work-area commands (unit `dbf4`): the work-area table, current area, field access and closing an
// area.

#include "dbf/table/work_areas.h"

#include <array>
#include <cstring>
#include <memory>
#include <span>

#include "dbf/table/internal.h"
#include "dbf/table/table_file.h"
#include "dbf/table/field_vars.h"
#include "dbf/base/runtime.h"
#include "dbf/base/errors.h"
#include "dbf/base/text.h"

namespace dbf {

namespace {

// Index 0 unused; 1..35 the slots.
std::array<std::unique_ptr<TWorkArea>, kAreaSlots + 1> Slots;

std::string FieldNumberError(const char* routine, std::uint8_t n) {
    return std::string("Invalid field number. [") + routine + "(" + NumStr(n) + ")]";
}

// The field entry n (1-based) of the current area, or nullptr after reporting 220.
const TDbfFieldDesc* FieldEntry(const char* routine, std::uint8_t n) {
    TWorkArea* a = detail::Cur();
    if (n == 0 || n > a->FieldCount || n > a->Fields.size()) {
        SetError(kErrInvalidParameter, FieldNumberError(routine, n));
        return nullptr;
    }
    return &a->Fields[n - 1];
}

// Marks the field whose variable lies at p as assigned, in whichever area's block holds it.
void NoteVarWrite(const std::uint8_t* p) {
    for (const auto& a : Slots) {
        if (!a || a->FieldVars == nullptr || p <= a->FieldVars ||
            p >= a->FieldVars + a->FieldVarsSize)
            continue;
        const std::size_t off = static_cast<std::size_t>(p - a->FieldVars);
        std::size_t at = 1;
        for (std::size_t i = 0; i < a->Fields.size(); ++i) {
            at += FieldVarSize(a->Fields[i]);
            if (off >= at) continue;
            if (a->AssignedVars.size() < a->Fields.size())
                a->AssignedVars.resize(a->Fields.size(), 0);
            a->AssignedVars[i] = 1;
            return;
        }
        return;
    }
}

const bool kVarWatchInstalled = (VarWriteHook = &NoteVarWrite, true);

} // namespace

namespace detail {

TWorkArea* Cur() {
    return WorkAreaSlot(CurrentAreaNo);
}

std::uint8_t SlotOf(const TWorkArea* a) {
    if (a == nullptr) return 0;
    for (std::uint8_t i = 1; i <= kAreaSlots; ++i)
        if (Slots[i].get() == a) return i;
    return 0;
}

void ScatterArea(TWorkArea& a) {
    a.AssignedVars.assign(a.Fields.size(), 0);
    if (a.FieldVars == nullptr) return;
    if (a.IsVirtual) {
        const std::size_t n = std::min<std::size_t>(a.RecordBuffer.size(), a.FieldVarsSize);
        if (n > 0 && a.FieldVars != reinterpret_cast<std::uint8_t*>(a.RecordBuffer.data()))
            std::memcpy(a.FieldVars, a.RecordBuffer.data(), n);
        return;
    }
    RecordToFieldVars(a, std::span<std::uint8_t>(a.FieldVars, a.FieldVarsSize));
}

void GatherArea(TWorkArea& a) {
    if (a.FieldVars == nullptr) return;
    if (a.IsVirtual) {
        const std::size_t n = std::min<std::size_t>(a.RecordBuffer.size(), a.FieldVarsSize);
        if (n > 0 && a.FieldVars != reinterpret_cast<std::uint8_t*>(a.RecordBuffer.data()))
            std::memcpy(a.RecordBuffer.data(), a.FieldVars, n);
        return;
    }
    FieldVarsToRecord(a, std::span<const std::uint8_t>(a.FieldVars, a.FieldVarsSize));
}

void ClearArea(TWorkArea& a) {
    // A virtual record is the block itself: zero bytes are its blank values (empty texts,
    // numbers 0, false, not deleted); blanks would read as garbage numbers.
    if (a.IsVirtual) {
        std::fill(a.RecordBuffer.begin(), a.RecordBuffer.end(), '\0');
        if (a.FieldVars != nullptr) std::memset(a.FieldVars, 0, a.FieldVarsSize);
        return;
    }
    std::fill(a.RecordBuffer.begin(), a.RecordBuffer.end(), ' ');
    ScatterArea(a);
}

void InstallArea(std::unique_ptr<TWorkArea> area) {
    if (CurrentAreaNo >= 1 && CurrentAreaNo <= kAreaSlots) Slots[CurrentAreaNo] = std::move(area);
}

} // namespace detail

TWorkArea* WorkAreaSlot(std::uint8_t n) {
    if (n == 0 || n > kAreaSlots) return nullptr;
    return Slots[n].get();
}

TWorkArea* CurrentWorkArea() {
    return detail::Cur();
}

void InitWorkAreas() {
    for (auto& s : Slots)
        s.reset();
    VarWriteHook = &NoteVarWrite;
    SharedOpenMode = 66;
    MemoHooks = TMemoHooks{};
}

void DoneWorkAreas() {
    CurrentAreaGuard guard;
    for (std::uint8_t n : {std::uint8_t{34}, std::uint8_t{35}}) {
        if (Slots[n]) {
            CurrentAreaNo = n;
            FreeWorkArea();
        }
    }
    CloseAll();
}

bool Select(std::uint8_t area) {
    if (area == 0) {
        for (std::uint8_t i = 1; i <= kUserAreas; ++i) {
            if (!Slots[i]) {
                CurrentAreaNo = i;
                return true;
            }
        }
        SetError(kErrInvalidParameter, "No free workarea available [Select(0)]");
        return false;
    }
    if (area > kUserAreas) {
        SetError(kErrInvalidParameter,
                 "Invalid workarea selected = [Select(" + NumStr(area) + ")]");
        return false;
    }
    CurrentAreaNo = area;
    return true;
}

std::uint8_t CurrentArea() {
    return CurrentAreaNo;
}

bool CheckDbfInUse(const std::string& operation) {
    if (detail::Cur() != nullptr) return false;
    SetError(kErrNoDatabase,
             "No database in use [" + operation + "]  WorkArea = " + NumStr(CurrentAreaNo));
    return true;
}

std::string DbfName() {
    const TWorkArea* a = detail::Cur();
    return a == nullptr ? std::string() : a->FileName;
}

std::uint8_t FieldCount() {
    LastErrorCode = 0;
    if (CheckDbfInUse("FieldCount()")) return 0;
    return detail::Cur()->FieldCount;
}

char FieldType(std::uint8_t n) {
    LastErrorCode = 0;
    if (CheckDbfInUse("FieldType()")) return ' ';
    const TDbfFieldDesc* f = FieldEntry("FieldType", n);
    return f == nullptr ? ' ' : f->Type;
}

std::uint8_t FieldLen(std::uint8_t n) {
    LastErrorCode = 0;
    if (CheckDbfInUse("FieldLen()")) return 0;
    const TDbfFieldDesc* f = FieldEntry("FieldLen", n);
    if (f == nullptr) return 0;
    if (f->Type == 'D') return FourDigitYears ? 10 : 8;
    return f->Length;
}

std::uint8_t FieldDec(std::uint8_t n) {
    LastErrorCode = 0;
    if (CheckDbfInUse("FieldDec()")) return 0;
    const TDbfFieldDesc* f = FieldEntry("FieldDec", n);
    return f == nullptr ? 0 : f->Decimals;
}

std::uint8_t* FieldAddress(std::uint8_t n) {
    LastErrorCode = 0;
    if (CheckDbfInUse("FieldAddress()")) return nullptr;
    TWorkArea* a = detail::Cur();
    if (n > a->FieldCount || n > a->Fields.size()) {
        SetError(kErrInvalidParameter, FieldNumberError("FieldAddress", n));
        return nullptr;
    }
    if (a->FieldVars == nullptr) return nullptr;
    const std::size_t at = FieldVarOffset(a->Fields, n);
    return at < a->FieldVarsSize || n == 0 ? a->FieldVars + at : nullptr;
}

void Field(std::uint8_t n, std::string& name) {
    name = Field(n);
}

std::string Field(std::uint8_t n) {
    LastErrorCode = 0;
    if (CheckDbfInUse("Field()")) return {};
    const TDbfFieldDesc* f = FieldEntry("Field", n);
    return f == nullptr ? std::string() : f->Name;
}

std::uint8_t FieldNo(const std::string& name) {
    LastErrorCode = 0;
    if (CheckDbfInUse("FieldNo()")) return 0;
    const TWorkArea* a = detail::Cur();
    std::string wanted = name.substr(0, 10);
    while (!wanted.empty() && wanted.back() == ' ')
        wanted.pop_back();
    wanted = TzUpperStr(wanted);
    for (std::size_t i = 0; i < a->Fields.size() && i < a->FieldCount; ++i)
        if (a->Fields[i].Name == wanted) return static_cast<std::uint8_t>(i + 1);
    return 0;
}

void FieldStr(std::uint8_t n, std::string& text) {
    text = FieldStr(n);
}

std::string FieldStr(std::uint8_t n) {
    LastErrorCode = 0;
    if (CheckDbfInUse("FieldStr()")) return {};
    const TWorkArea* a = detail::Cur();
    const TDbfFieldDesc* f = FieldEntry("FieldStr", n);
    if (f == nullptr || a->FieldVars == nullptr) return {};
    const std::size_t at = FieldVarOffset(a->Fields, n);
    if (at + FieldVarSize(*f) > a->FieldVarsSize) return {};
    const std::uint8_t* v = a->FieldVars + at;
    switch (f->Type) {
    case 'C':
        return GetVarString(v);
    case 'D':
        return DisplayDateForYears(GetVarString(v));
    case 'N':
    case 'F':
        if (f->Decimals > 0) return FloatToStrLocal(GetVarDouble(v), f->Length, f->Decimals);
        return IntToStrW(GetVarInt64(v), f->Length);
    case 'L':
        return GetVarBool(v) ? "Y" : "N";
    case 'M': {
        const std::int32_t ref = GetVarInt32(v);
        return ref == 0 ? "none" : (ref > 0 ? "MEMO" : "BLOB");
    }
    default:
        return {};
    }
}

bool Deleted() {
    LastErrorCode = 0;
    if (CheckDbfInUse("Deleted")) return false;
    const TWorkArea* a = detail::Cur();
    return a->FieldVars != nullptr && a->FieldVars[0] != 0;
}

void ClearRecord() {
    LastErrorCode = 0;
    if (CheckDbfInUse("ClearRecord")) return;
    detail::ClearArea(*detail::Cur());
}

void Scatter() {
    TWorkArea* a = detail::Cur();
    if (a != nullptr && !a->IsVirtual) detail::ScatterArea(*a);
}

void Gather() {
    TWorkArea* a = detail::Cur();
    if (a != nullptr && !a->IsVirtual) detail::GatherArea(*a);
}

std::uint16_t RecSize() {
    LastErrorCode = 0;
    if (CheckDbfInUse("RecSize")) return 0;
    return detail::Cur()->RecordLength;
}

std::uint16_t FieldVarsSize(const TWorkArea& area) {
    const std::size_t n = ComputeFieldVarsSize(area.Fields);
    return static_cast<std::uint16_t>(std::min<std::size_t>(n, 65535));
}

std::string NumStr(std::int64_t n) {
    return std::to_string(n);
}

bool IsWhileOn() {
    LastErrorCode = 0;
    if (CheckDbfInUse("IsWhileOn")) return false;
    const TWorkArea* a = detail::Cur();
    return static_cast<bool>(a->OnWhile) || a->WhileExpr != nullptr;
}

void FreeWorkArea() {
    const std::uint8_t slot = CurrentAreaNo;
    TWorkArea* a = WorkAreaSlot(slot);
    if (a == nullptr) return;
    // The slot is emptied on every exit, also when a report leaves by ERivozError.
    struct SlotRelease {
        std::uint8_t n;
        ~SlotRelease() { Slots[n].reset(); }
    } release{slot};
    if (detail::HasIndex() && IndexHooks.IndexCloseAll != nullptr) IndexHooks.IndexCloseAll();
    a->SwapBuffer.clear();
    if (a->HasMemo && MemoHooks.CloseMemofile != nullptr) MemoHooks.CloseMemofile();
    if (ParserHooks.FreeExpr != nullptr) {
        if (a->FilterExpr != nullptr) ParserHooks.FreeExpr(a->FilterExpr);
        if (a->WhileExpr != nullptr) ParserHooks.FreeExpr(a->WhileExpr);
    }
    a->FilterExpr = nullptr;
    a->WhileExpr = nullptr;
    detail::CloseTableFile(*a);
}

void CloseAll() {
    for (std::uint8_t i = 1; i <= kUserAreas; ++i) {
        if (Slots[i]) {
            CurrentAreaNo = i;
            FreeWorkArea();
        }
    }
    CurrentAreaNo = 1;
}

} // namespace dbf
