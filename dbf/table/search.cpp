// Work-area commands (unit `dbf4`): Search, Peek, Poke, Locate and Continue, finding and touching
// records without an index.

#include "dbf/table/search.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>

#include "dbf/table/work_areas.h"
#include "dbf/table/internal.h"
#include "dbf/table/table_file.h"
#include "dbf/base/hooks.h"
#include "dbf/table/field_vars.h"
#include "dbf/base/runtime.h"
#include "dbf/base/errors.h"
#include "dbf/base/text.h"
#include "platform/os/codepage.h"

namespace dbf {

TLocateState LocateState;

namespace {

using detail::Cur;

constexpr std::size_t kSearchBlock = 65520;
constexpr std::int32_t kSearchMinBuffer = 4096;

std::string CutTrailingBlanks(std::string s) {
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

const TDbfFieldDesc* FieldOf(const TWorkArea& a, std::uint8_t n) {
    if (n == 0 || n > a.FieldCount || n > a.Fields.size()) return nullptr;
    return &a.Fields[n - 1];
}

// Byte offset and length of field n in a record (field 0: the deletion byte).
bool FieldSpan(const TWorkArea& a, std::uint8_t n, std::uint64_t& offset, std::size_t& length) {
    if (n == 0) {
        offset = 0;
        length = 1;
        return true;
    }
    const TDbfFieldDesc* f = FieldOf(a, n);
    if (f == nullptr) return false;
    if (std::size_t{f->Offset} + f->Length > a.RecordLength) return false;
    offset = f->Offset;
    length = f->Length;
    return true;
}

std::uint64_t RecordStart(const TWorkArea& a, std::int32_t record) {
    return std::uint64_t{a.HeaderLength} +
           static_cast<std::uint64_t>(record - 1) * std::uint64_t{a.RecordLength};
}

// Go without a report: true when the area is on record n afterwards.
bool QuietGo(std::int32_t n) {
    ErrorReportingOff quiet;
    Go(n);
    const bool ok = LastErrorCode == 0;
    LastErrorCode = 0;
    return ok;
}

// Number texts as tables store them: '.' as the decimal point whatever the user's settings.
std::string StoredNumberText(long double value, const TDbfFieldDesc& f) {
    std::string s;
    if (f.Decimals > 0) {
        s = FixedText(value, f.Decimals);
    } else if (std::isfinite(value)) {
        const long double r = std::nearbyintl(value);
        if (r >= -9.2e18L && r <= 9.2e18L) s = std::to_string(static_cast<std::int64_t>(r));
    }
    if (s.size() < f.Length) s.insert(0, f.Length - s.size(), ' ');
    return s;
}

long double NumberOf(const TLocateValue& v) {
    if (const auto* d = std::get_if<long double>(&v)) return *d;
    if (const auto* i = std::get_if<std::int64_t>(&v)) return static_cast<long double>(*i);
    if (const auto* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
    if (const auto* s = std::get_if<std::string>(&v)) {
        const double d = FieldTextToDouble(*s);
        return d != 0 ? d : StrToFloatLocal(*s);
    }
    return 0;
}

std::string TextOf(const TLocateValue& v) {
    if (const auto* s = std::get_if<std::string>(&v)) return *s;
    if (const auto* d = std::get_if<long double>(&v)) {
        std::string t = FixedText(*d, 6);
        if (t.find('.') != std::string::npos) {
            while (!t.empty() && t.back() == '0')
                t.pop_back();
            if (!t.empty() && t.back() == '.') t.pop_back();
        }
        return t;
    }
    if (const auto* i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
    if (const auto* b = std::get_if<bool>(&v)) return *b ? "T" : "F";
    return {};
}

bool BoolOf(const TLocateValue& v) {
    if (const auto* b = std::get_if<bool>(&v)) return *b;
    if (const auto* s = std::get_if<std::string>(&v)) {
        const std::string t = AllTrim(*s);
        return !t.empty() && (t[0] == 'T' || t[0] == 't' || t[0] == 'Y' || t[0] == 'y');
    }
    return NumberOf(v) != 0;
}

// Letter case is folded by the case rules of the table's own page.
using FoldTable = os::ByteTable;

// The pending search text (in the table's page, as the field bytes are), folded as they are
// when letter case does not count.
std::string NeedleFor(os::CodePage page) {
    if (LocateState.CaseSensitive) return LocateState.Text;
    return os::UpperStr(page, LocateState.Text);
}

bool Matches(std::string_view field, std::string_view needle, const FoldTable* fold) {
    auto eq = [fold](char a, char b) {
        if (fold == nullptr) return a == b;
        return (*fold)[static_cast<unsigned char>(a)] == static_cast<unsigned char>(b);
    };
    if (LocateState.Contained) {
        if (needle.empty()) return true;
        return std::search(field.begin(), field.end(), needle.begin(), needle.end(), eq) !=
               field.end();
    }
    if (!LocateState.Exact) {
        if (field.size() < needle.size()) return false;
        field = field.substr(0, needle.size());
    }
    return field.size() == needle.size() &&
           std::equal(field.begin(), field.end(), needle.begin(), eq);
}

// Any line of the memo text holds the search text.
bool MemoMatches(const std::string& memo, os::CodePage page) {
    const std::string needle = NeedleFor(page);
    std::size_t b = 0;
    while (b <= memo.size()) {
        std::size_t e = b;
        // A soft return is 0x8D LF; a lone 0x8D is a letter (of code pages 437 and 850).
        while (e < memo.size() && memo[e] != '\r' && memo[e] != '\n' &&
               !(memo[e] == '\x8D' && e + 1 < memo.size() && memo[e + 1] == '\n'))
            ++e;
        std::string line = memo.substr(b, e - b);
        if (!LocateState.CaseSensitive) line = os::UpperStr(page, line);
        if (line.find(needle) != std::string::npos) return true;
        if (e >= memo.size()) break;
        b = e + 1;
    }
    return false;
}

// The field's value as text for a virtual file's current record (as a table would store it).
std::string VirtualFieldText(const TWorkArea& a, const TDbfFieldDesc& f, std::uint8_t n) {
    if (a.FieldVars == nullptr) return {};
    const std::size_t at = FieldVarOffset(a.Fields, n);
    if (at + FieldVarSize(f) > a.FieldVarsSize) return {};
    const std::uint8_t* v = a.FieldVars + at;
    switch (f.Type) {
    case 'C': {
        std::string s = GetVarString(v);
        if (s.size() < f.Length) s.append(f.Length - s.size(), ' ');
        return s;
    }
    case 'N':
    case 'F':
        return StoredNumberText(
            f.Decimals > 0 ? GetVarDouble(v) : static_cast<long double>(GetVarInt64(v)), f);
    case 'D':
        return BlockDateToDbfText(GetVarString(v));
    case 'L':
        return GetVarBool(v) ? "T" : "F";
    default:
        return {};
    }
}

// Leaves the area past its end after a scan without a match.
void PastEnd() {
    GoBottom();
    if (LastErrorCode == 0 && RecCount() > 0 && !dEOF()) Skip(1);
}

// One scan from record start with the pending text and switches; true on a match (the area is
// then on it).
bool ScanFrom(std::int32_t start) {
    TWorkArea* a = Cur();
    const TDbfFieldDesc* f = FieldOf(*a, LocateState.Field);
    detail::RefreshCount(*a);
    const std::int32_t count = a->RecordCount;
    if (f != nullptr && start >= 1 && start <= count) {
        const bool memo = f->Type == 'M';
        const std::string needle = NeedleFor(a->Page);
        const FoldTable* fold = LocateState.CaseSensitive ? nullptr : &os::UpperTable(a->Page);
        std::string bytes(f->Length, ' ');
        for (std::int32_t r = start; r <= count; ++r) {
            bool hit = false;
            if (a->IsVirtual) {
                if (memo) break;
                Dbf4RawGo(r);
                if (LastErrorCode != 0 || Cur() != a) return false;
                hit = Matches(VirtualFieldText(*a, *f, LocateState.Field), needle, fold);
            } else {
                std::size_t got = 0;
                const int code = a->File.ReadSomeAt(RecordStart(*a, r) + f->Offset, bytes.data(),
                                                    bytes.size(), got);
                if (code != 0) {
                    SetError(static_cast<std::uint16_t>(code),
                             "File:  " + a->FileName + " [Locate/Count/Sum]");
                    return false;
                }
                const std::string_view text(bytes.data(), got);
                if (memo) {
                    const std::int32_t block = static_cast<std::int32_t>(FieldTextToInt64(text));
                    if (block != 0 && MemoHooks.MemoText != nullptr) {
                        std::string memoText;
                        {
                            CurrentAreaGuard guard;
                            memoText = MemoHooks.MemoText(block);
                        }
                        hit = MemoMatches(memoText, a->Page);
                    }
                } else {
                    hit = Matches(text, needle, fold);
                }
            }
            if (hit) {
                Go(r);
                return LastErrorCode == 0;
            }
        }
    }
    PastEnd();
    LocateState.Field = 0;
    return false;
}

// Moves on from a found record that is hidden (deleted or filtered) to the next match.
bool SkipHidden(bool found) {
    TWorkArea* a = Cur();
    while (found && LastErrorCode == 0 && Cur() == a && !dEOF() && !RecordVisible())
        found = ScanFrom(RecNo() + 1);
    return LastErrorCode == 0 && Cur() == a && !dEOF();
}

std::vector<std::string> SplitNames(const std::string& names) {
    std::vector<std::string> out;
    std::size_t b = 0;
    while (b <= names.size()) {
        const std::size_t e = std::min(names.find(';', b), names.size());
        const std::string name = AllTrim(names.substr(b, e - b));
        if (!name.empty()) out.push_back(name);
        b = e + 1;
    }
    return out;
}

} // namespace

void Search(const std::string& text, std::uint8_t& field, bool fromTop) {
    LastErrorCode = 0;
    if (CheckDbfInUse("Search")) return;
    TWorkArea* a = Cur();
    if (a->IsVirtual) {
        SetError(kErrLinkedList, "Operation cannot be used on virtual files. [Search]");
        return;
    }
    std::string wanted = CutTrailingBlanks(text);
    if (wanted.empty()) return;
    std::uint8_t requested = field;
    field = 0;
    if (requested > a->FieldCount) requested = 0;

    const std::int32_t avail = std::min<std::int32_t>(MaxAvail(), kSearchBlock);
    if (avail < kSearchMinBuffer) {
        SetError(kErrNoMemory, "[Search]");
        return;
    }
    detail::RefreshCount(*a);
    const std::int32_t count = a->RecordCount;
    const std::int32_t first = fromTop ? 1 : std::max(a->RecNo, 0) + 1;
    const std::size_t recLen = a->RecordLength;
    if (first > count || recLen == 0) return;
    // Whole records per block; a record longer than the block is read alone.
    const std::size_t perBlock = std::max<std::size_t>(1, static_cast<std::size_t>(avail) / recLen);
    const std::size_t records =
        std::min<std::size_t>(perBlock, static_cast<std::size_t>(count - first + 1));
    std::vector<char> buffer(records * recLen);

    const std::int32_t savedRec = a->RecNo;
    const bool savedEof = a->Eof;
    bool moved = false;
    for (std::int32_t rec = first; rec <= count;) {
        const std::size_t want =
            std::min<std::size_t>(records, static_cast<std::size_t>(count - rec + 1)) * recLen;
        std::size_t got = 0;
        const int code = a->File.ReadSomeAt(RecordStart(*a, rec), buffer.data(), want, got);
        if (code != 0) {
            SetError(static_cast<std::uint16_t>(code), "File:  " + a->FileName + " [Search]");
            return;
        }
        got -= got % recLen;
        if (got == 0) break;
        TranslateRecords(false, a->ReadHook,
                         static_cast<std::uint16_t>(std::min<std::size_t>(got, 65535)),
                         static_cast<std::uint16_t>(recLen), buffer.data());
        std::size_t pos = 0;
        while (pos < got) {
            const int hit =
                PosBuf(wanted.data(), wanted.size(), buffer.data() + pos, got - pos, a->Page);
            if (hit == 0) break;
            const std::size_t at = pos + static_cast<std::size_t>(hit) - 1;
            pos = at + 1;
            const std::int32_t r = rec + static_cast<std::int32_t>(at / recLen);
            const std::size_t inRecord = at % recLen;
            std::uint8_t n = 0;
            for (std::size_t i = 0; i < a->Fields.size() && i < a->FieldCount; ++i) {
                const TDbfFieldDesc& fd = a->Fields[i];
                if (inRecord >= fd.Offset && inRecord < std::size_t{fd.Offset} + fd.Length) {
                    n = static_cast<std::uint8_t>(i + 1);
                    break;
                }
            }
            if (n == 0) continue;
            const TDbfFieldDesc& fd = a->Fields[n - 1];
            if (inRecord + wanted.size() > std::size_t{fd.Offset} + fd.Length) continue;
            if (fd.Type == 'M' || (requested != 0 && requested != n) || r > a->RecordCount)
                continue;
            moved = true;
            if (!QuietGo(r) || Cur() != a) continue;
            if (!RecordVisible()) continue;
            field = n;
            return;
        }
        rec += static_cast<std::int32_t>(got / recLen);
        if (got < want) break;
    }
    if (!moved || Cur() != a) return;
    detail::RefreshCount(*a);
    if (!savedEof && savedRec >= 1 && savedRec <= a->RecordCount) {
        QuietGo(savedRec);
    } else if (savedEof || savedRec > a->RecordCount) {
        Dbf4RawGo(a->RecordCount + 1);
    }
}

void Peek(std::uint8_t field, std::int32_t record, std::string& text) {
    text.clear();
    LastErrorCode = 0;
    if (CheckDbfInUse("Peek")) return;
    TWorkArea* a = Cur();
    if (a->IsVirtual) {
        SetError(kErrLinkedList, "Operation cannot be used on virtual files. [Peek]");
        return;
    }
    detail::RefreshCount(*a);
    std::uint64_t offset = 0;
    std::size_t length = 0;
    if (record < 1 || record > a->RecordCount || !FieldSpan(*a, field, offset, length)) return;
    text.resize(length);
    std::size_t got = 0;
    const int code = a->File.ReadSomeAt(RecordStart(*a, record) + offset, text.data(), length, got);
    text.resize(code == 0 ? got : 0);
    if (code != 0) SetError(static_cast<std::uint16_t>(code), "File:  " + a->FileName + " [Peek]");
}

std::string Peek(std::uint8_t field, std::int32_t record) {
    std::string text;
    Peek(field, record, text);
    return text;
}

void Poke(const std::string& text, std::uint8_t field, std::int32_t record) {
    LastErrorCode = 0;
    if (CheckDbfInUse("Poke")) return;
    TWorkArea* a = Cur();
    const std::string tag = "[Poke(" + text + "," + NumStr(field) + "," + NumStr(record) + ")]";
    if (a->IsVirtual) {
        SetError(kErrLinkedList, "Operation cannot be used on virtual files." + tag);
        return;
    }
    if (MultiUser && !a->Exclusive && a->LockState != 1 &&
        std::find(a->LockList.begin(), a->LockList.end(), record) == a->LockList.end()) {
        SetError(kErrRecordNotLocked, "Record not locked " + tag);
        return;
    }
    if (detail::RefuseReadOnly(*a, tag)) return;
    detail::RefreshCount(*a);
    std::uint64_t offset = 0;
    std::size_t length = 0;
    if (record < 1 || record > a->RecordCount || !FieldSpan(*a, field, offset, length)) return;
    const std::size_t n = std::min(text.size(), length);
    if (n == 0) return;
    const int code = a->File.WriteAt(RecordStart(*a, record) + offset, text.data(), n);
    if (code != 0) {
        SetError(static_cast<std::uint16_t>(code), tag);
        return;
    }
    // The engine's copy of the stored record follows the file.
    if (a->StoredRecNo == record && a->StoredRecord.size() >= offset + n)
        std::memcpy(a->StoredRecord.data() + offset, text.data(), n);
    if (a->UpdateState == usUnchanged) a->UpdateState = usRewritten;
    if (FlushAfterWrite) FlushFile(a->File);
}

std::uint8_t LocateField(const std::string& clause) {
    LastErrorCode = 0;
    if (CheckDbfInUse("Locate/Count/Sum")) return 0;
    std::string t = TzUpperStr(AllTrim(clause));
    LocateState.CaseSensitive = !RemoveWord(" NOCASE", t);
    LocateState.Exact = RemoveWord(" EXACT", t);
    LocateState.Contained = RemoveWord(" CONTAINED", t);
    LocateState.Field = 0;
    if (t.empty()) {
        SetError(kErrInvalidParameter, "No field name specified [Locate/Count/Sum]");
        return 0;
    }
    const std::uint8_t n = FieldNo(t);
    if (n == 0) {
        SetError(kErrInvalidParameter,
                 "Unrecognized field name [Locate/Count/Sum(" + clause + ")]");
        return 0;
    }
    LocateState.Field = n;
    return n;
}

void LocateScan(const std::string& text, std::int32_t start, bool init) {
    LastErrorCode = 0;
    if (CheckDbfInUse("Locate/Count/Sum")) return;
    if (init) {
        std::string t = text;
        if (!LocateState.Exact) t = CutTrailingBlanks(t);
        // Folded where it meets the stored bytes, by the rules of the table's page.
        LocateState.Text = t;
    }
    ScanFrom(start);
}

bool Locate(const std::string& clause, const TLocateValue& value, bool ignoreCase,
            std::int32_t start, bool exact) {
    LastErrorCode = 0;
    if (CheckDbfInUse("Locate/Count/Sum")) return false;
    // The field name, then the options written in the clause and those given as flags.
    std::string full = AllTrim(clause);
    if (ignoreCase) full += " NOCASE";
    if (exact) full += " EXACT";
    const std::uint8_t n = LocateField(full);
    if (n == 0) return false;
    TWorkArea* a = Cur();
    const TDbfFieldDesc& f = a->Fields[n - 1];
    std::string text;
    switch (f.Type) {
    case 'C':
        text = TextOf(value);
        if (LocateState.Exact && text.size() < f.Length) text.append(f.Length - text.size(), ' ');
        break;
    case 'D':
        text = DateToDbf(TextOf(value));
        break;
    case 'N':
    case 'F':
        text = StoredNumberText(NumberOf(value), f);
        break;
    case 'L':
        text = BoolOf(value) ? "T" : "F";
        break;
    default:
        text = TextOf(value);
        break;
    }
    if (f.Type == 'M' && a->IsVirtual) {
        PastEnd();
        return false;
    }
    LocateScan(text, start, true);
    return SkipHidden(LastErrorCode == 0 && !dEOF());
}

void Continue() {
    LastErrorCode = 0;
    if (CheckDbfInUse("Locate/Count/Sum")) return;
    if (LocateState.Field == 0) {
        SetError(kErrInvalidParameter,
                 "Call to CONTINUE not preceeded by call to LOCATE. [Continue]");
        return;
    }
    const bool found = ScanFrom(RecNo() + 1);
    SkipHidden(found);
}

bool LocateFields(const std::string& names, const std::vector<TLocateValue>& values,
                  bool ignoreCase, bool move, bool exact) {
    LastErrorCode = 0;
    if (CheckDbfInUse("Locate/Count/Sum")) return false;
    TWorkArea* a = Cur();
    const std::int32_t noted = a->RecNo;
    // The related areas follow once, at the end.
    struct RelationBack {
        TWorkArea* area;
        std::uint8_t slot;
        std::function<void()> proc;
        ~RelationBack() {
            if (!proc || WorkAreaSlot(slot) != area) return;
            CurrentAreaGuard guard;
            CurrentAreaNo = slot;
            try {
                SetRelation(std::move(proc));
            } catch (...) {
            }
        }
    } relation{a, CurrentAreaNo, SetRelation(nullptr)};

    const std::vector<std::string> list = SplitNames(names);
    auto valueAt = [&](std::size_t i) { return i < values.size() ? values[i] : TLocateValue{}; };
    bool found = false;
    if (list.size() == 1) {
        found = Locate(list[0], valueAt(0), ignoreCase, 1, exact);
    } else if (list.size() >= 2) {
        std::size_t i = 0;
        std::int32_t start = 1;
        for (;;) {
            if (!Locate(list[i], valueAt(i), ignoreCase, start, exact) || Cur() != a) break;
            ++i;
            if (i > 1 && RecNo() != start) i = 0;
            if (i == list.size()) {
                found = true;
                break;
            }
            start = RecNo();
        }
    }
    if ((!move || !found) && Cur() == a) {
        const std::uint16_t code = LastErrorCode;
        const std::string errorText = ErrorText;
        GoIfValid(noted);
        if (code != 0) {
            LastErrorCode = code;
            ErrorText = errorText;
        }
    }
    return found;
}

} // namespace dbf
