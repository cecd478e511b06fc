// Unit vfiles: the virtual-file manager.
#include "dbf/vfile/vfiles.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "dbf/base/errors.h"
#include "dbf/base/text.h"
#include "dbf/table/field_vars.h"
#include "dbf/table/table_file.h"
#include "dbf/table/work_areas.h"

namespace dbf {

namespace {

using Record = std::vector<char>;

// The manager's control block of one area (TWorkArea::VirtualFile).
struct TVFileList {
    std::vector<Record> Records;
    TVFileKeyMaker KeyMaker;
};

TVFileList& ListOf(TWorkArea& a) {
    if (!a.VirtualFile) a.VirtualFile = std::make_shared<TVFileList>();
    return *static_cast<TVFileList*>(a.VirtualFile.get());
}

bool Sorted(std::uint8_t mode) {
    return mode == ASCENDING || mode == DESCENDING;
}

// The record buffer into the block, as the engine unpacks a virtual record.
void BufferToBlock(TWorkArea& a) {
    if (a.FieldVars == nullptr) return;
    const std::size_t n = std::min<std::size_t>(a.RecordBuffer.size(), a.FieldVarsSize);
    std::memcpy(a.FieldVars, a.RecordBuffer.data(), n);
}

void Load(TWorkArea& a, std::size_t index) {
    const Record& r = ListOf(a).Records[index];
    std::copy_n(r.begin(), std::min(r.size(), a.RecordBuffer.size()), a.RecordBuffer.begin());
    a.RecNo = static_cast<std::int32_t>(index + 1);
    a.Bof = a.Eof = false;
}

void SetEmpty(TWorkArea& a) {
    a.RecNo = 0;
    a.RecordCount = 0;
    a.Bof = a.Eof = true;
    std::fill(a.RecordBuffer.begin(), a.RecordBuffer.end(), '\0');
}

// The key maker's text for a record: the record goes into the block while it is asked.
std::string KeyOf(TWorkArea& a, const TVFileKeyMaker& keyMaker, const Record& r) {
    if (a.FieldVars == nullptr) return keyMaker().substr(0, 100);
    struct Restore {
        TWorkArea& a;
        std::vector<std::uint8_t> saved;
        ~Restore() { std::memcpy(a.FieldVars, saved.data(), saved.size()); }
    } restore{a, std::vector<std::uint8_t>(a.FieldVars, a.FieldVars + a.FieldVarsSize)};
    std::memcpy(a.FieldVars, r.data(), std::min<std::size_t>(r.size(), a.FieldVarsSize));
    CurrentAreaGuard guard; // the key maker may select other areas
    std::string key = keyMaker();
    if (key.size() > 100) key.resize(100);
    return key;
}

// Where a record of key `key` goes in a list sorted by keyAt: before an equal head, after an
// equal tail, after an equal key met in between.
template <class KeyAt>
std::size_t SortedPlace(std::size_t count, const std::string& key, bool descending, KeyAt keyAt) {
    if (count == 0) return 0;
    auto before = [descending](const std::string& x, const std::string& y) {
        return descending ? x > y : x < y;
    };
    if (!before(keyAt(0), key)) return 0;
    if (!before(key, keyAt(count - 1))) return count;
    std::size_t lo = 0, hi = count - 1; // keyAt(lo) before key, key before keyAt(hi)
    while (hi - lo > 1) {
        const std::size_t mid = lo + (hi - lo) / 2;
        const std::string k = keyAt(mid);
        if (k == key) return mid + 1;
        if (before(k, key))
            lo = mid;
        else
            hi = mid;
    }
    return lo + 1;
}

// Adds the record buffer by the area's order; the new record becomes current. False after
// reporting (the list unchanged).
bool Add(TWorkArea& a) {
    TVFileList& list = ListOf(a);
    const std::size_t n = list.Records.size();
    std::size_t place = n;
    switch (a.VirtualOrder) {
    case FIFO:
        break;
    case LIFO:
        place = 0;
        break;
    case INSERTION:
        // Before the current record; past the end it goes last.
        place = a.RecNo >= 1 ? std::min<std::size_t>(static_cast<std::size_t>(a.RecNo) - 1, n) : 0;
        break;
    case ASCENDING:
    case DESCENDING: {
        if (!list.KeyMaker) {
            SetError(kErrLinkedList, a.Alias + " is a \"Sorted\" virtual file with no keymaker "
                                               "function. [Append/InsertRec/PushRec]");
            return false;
        }
        const Record fresh(a.RecordBuffer.begin(), a.RecordBuffer.end());
        const std::string key = KeyOf(a, list.KeyMaker, fresh);
        place = SortedPlace(n, key, a.VirtualOrder == DESCENDING, [&](std::size_t i) {
            return KeyOf(a, list.KeyMaker, list.Records[i]);
        });
        break;
    }
    default:
        SetError(kErrLinkedList, NumStr(a.VirtualOrder) + " is an invalid VFile mode set for " +
                                     a.Alias + " [(AddLL) VFiles INTERNAL ERROR]");
        return false;
    }
    try {
        list.Records.insert(list.Records.begin() + static_cast<std::ptrdiff_t>(place),
                            Record(a.RecordBuffer.begin(), a.RecordBuffer.end()));
    } catch (const std::bad_alloc&) {
        SetError(kErrNoMemory,
                 "Not enough HEAP memory to add new record to " + a.Alias + " [VFiles]");
        return false;
    }
    a.RecordCount = static_cast<std::int32_t>(list.Records.size());
    a.RecNo = static_cast<std::int32_t>(place + 1);
    a.Bof = a.Eof = false;
    return true;
}

// Removes record `index`; the record after it becomes current (the new last one when the last
// was removed), loaded into the record buffer when `reload`.
void RemoveAt(TWorkArea& a, std::size_t index, bool reload) {
    TVFileList& list = ListOf(a);
    list.Records.erase(list.Records.begin() + static_cast<std::ptrdiff_t>(index));
    if (list.Records.empty()) {
        if (reload) {
            SetEmpty(a);
        } else {
            a.RecNo = 0;
            a.RecordCount = 0;
            a.Bof = a.Eof = true;
        }
        return;
    }
    a.RecordCount = static_cast<std::int32_t>(list.Records.size());
    const std::size_t current = std::min(index, list.Records.size() - 1);
    if (reload) {
        Load(a, current);
    } else {
        a.RecNo = static_cast<std::int32_t>(current + 1);
    }
}

bool ValidRecord(const TWorkArea& a, std::int32_t n) {
    return n >= 1 && n <= a.RecordCount;
}

void Read(TWorkArea& a, std::int32_t n) {
    if (!ValidRecord(a, n)) {
        SetError(kErrBeyondRange, "Attempted to position to record number " + NumStr(n) +
                                      "  Database record count is " + NumStr(a.RecordCount) +
                                      a.Alias + " [VFiles]");
        return;
    }
    Load(a, static_cast<std::size_t>(n - 1));
}

void Write(TWorkArea& a, std::int32_t n) {
    TVFileList& list = ListOf(a);
    if (!ValidRecord(a, n)) {
        Add(a);
        return;
    }
    const auto index = static_cast<std::size_t>(n - 1);
    if (!Sorted(a.VirtualOrder)) {
        std::copy_n(a.RecordBuffer.begin(),
                    std::min(a.RecordBuffer.size(), list.Records[index].size()),
                    list.Records[index].begin());
        a.RecNo = n;
        return;
    }
    // A sorted record moves to the place of its new key; a failure puts the old one back.
    Record old = std::move(list.Records[index]);
    list.Records.erase(list.Records.begin() + static_cast<std::ptrdiff_t>(index));
    a.RecordCount = static_cast<std::int32_t>(list.Records.size());
    bool added = false;
    try {
        added = Add(a);
    } catch (...) {
        list.Records.insert(list.Records.begin() + static_cast<std::ptrdiff_t>(index),
                            std::move(old));
        a.RecordCount = static_cast<std::int32_t>(list.Records.size());
        throw;
    }
    if (!added) {
        list.Records.insert(list.Records.begin() + static_cast<std::ptrdiff_t>(index),
                            std::move(old));
        a.RecordCount = static_cast<std::int32_t>(list.Records.size());
    }
}

void SetFlag(TWorkArea& a, char flag) {
    const std::int32_t n = a.VirtualArg;
    if (!ValidRecord(a, n)) return;
    ListOf(a).Records[static_cast<std::size_t>(n - 1)][0] = flag;
    if (!a.RecordBuffer.empty()) a.RecordBuffer[0] = flag;
    if (a.FieldVars != nullptr) a.FieldVars[0] = static_cast<std::uint8_t>(flag);
}

void Pack(TWorkArea& a) {
    auto& records = ListOf(a).Records;
    std::erase_if(records, [](const Record& r) { return !r.empty() && r[0] != 0; });
    if (records.empty()) {
        SetEmpty(a);
        return;
    }
    a.RecordCount = static_cast<std::int32_t>(records.size());
    Load(a, 0);
}

void Pop(TWorkArea& a) {
    if (a.RecordCount < 1) {
        SetError(kErrLinkedList, "Virtual file empty - no more records to POP from " + a.Alias +
                                     " [(PopRec) VFiles]");
        return;
    }
    if (a.VirtualOrder == INSERTION) {
        SetError(kErrLinkedList,
                 "Cannot POP a record in INSERTION mode from " + a.Alias + " [(PopRec) VFiles]");
        return;
    }
    Load(a, 0);
    BufferToBlock(a);
    RemoveAt(a, 0, false);
}

// The current area when it holds a virtual file; nullptr after reporting.
TWorkArea* CheckedArea(const std::string& routine) {
    LastErrorCode = 0;
    TWorkArea* a = CurrentWorkArea();
    if (a == nullptr) {
        SetError(kErrNoDatabase,
                 "No database in use [" + routine + "]  WorkArea = " + NumStr(CurrentArea()));
        return nullptr;
    }
    if (!a->IsVirtual) {
        SetError(kErrLinkedList, a->Alias + " is not a virtual file." + " [" + routine + "]");
        return nullptr;
    }
    return a;
}

std::string FieldListError(const std::string& what, const TWorkArea& a) {
    return what + " in VFile field list. Alias= " + a.Alias + " [AddStru]";
}

} // namespace

void VFileHandler(TWorkArea& a) {
    switch (a.VirtualOp) {
    case kVfClose:
        a.VirtualFile.reset();
        a.Fields.clear();
        a.FieldCount = 0;
        a.RecordCount = 0;
        break;
    case kVfDelete:
        SetFlag(a, 1);
        break;
    case kVfRead:
        Read(a, a.VirtualArg);
        break;
    case kVfOpen:
        a.VirtualFile = std::make_shared<TVFileList>();
        SetEmpty(a);
        break;
    case kVfPack:
        Pack(a);
        break;
    case kVfPop:
        Pop(a);
        break;
    case kVfAppend:
        Add(a);
        break;
    case kVfWrite:
        Write(a, a.VirtualArg);
        break;
    case kVfRecall:
        SetFlag(a, 0);
        break;
    case kVfRemove:
        if (ValidRecord(a, a.RecNo)) RemoveAt(a, static_cast<std::size_t>(a.RecNo - 1), true);
        break;
    case kVfZap:
        ListOf(a).Records.clear();
        SetEmpty(a);
        break;
    default:
        break;
    }
}

void InitVFiles() {
    VirtualFileHandler = &VFileHandler;
}

void AddStru(const std::vector<TDbfFieldDesc>& defs) {
    TWorkArea* a = CheckedArea("AddStru");
    if (a == nullptr) return;
    if (defs.size() > 255) {
        SetError(kErrBadFieldType, FieldListError("More than 255 fields", *a));
        return;
    }
    std::vector<TDbfFieldDesc> fields;
    try {
        fields.reserve(defs.size());
        for (const TDbfFieldDesc& d : defs) {
            TDbfFieldDesc f;
            f.Name = TzUpperStr(AllTrim(d.Name)).substr(0, 10);
            f.Type = UpCaseChar(d.Type);
            f.Length = d.Length;
            f.Decimals = d.Decimals;
            switch (f.Type) {
            case 'C':
            case 'F':
            case 'N':
                if (f.Length == 0) {
                    SetError(kErrBadFieldType,
                             FieldListError("Invalid length, field name: \"" + f.Name + "\"", *a));
                    return;
                }
                if (f.Type == 'C') f.Decimals = 0;
                break;
            case 'D':
                f.Length = 8;
                f.Decimals = 0;
                break;
            case 'L':
                f.Length = 1;
                f.Decimals = 0;
                break;
            case 'M':
                f.Type = 'N';
                f.Length = 10;
                f.Decimals = 0;
                break;
            default:
                SetError(kErrBadFieldType,
                         FieldListError("Invalid type \"" + std::string(1, f.Type) + "\"", *a));
                return;
            }
            fields.push_back(f);
        }
    } catch (const std::bad_alloc&) {
        SetError(kErrNoMemory,
                 "Not enough memory to create new structure for" + a->Alias + " [AddStru]");
        return;
    }
    // The fields live in the record: a list that needs more room would read past it.
    const std::size_t need = ComputeFieldVarsSize(fields);
    if (need > a->RecordLength) {
        SetError(kErrBadFieldType,
                 FieldListError("Fields need " + NumStr(static_cast<std::int64_t>(need)) +
                                    " bytes, records hold " + NumStr(a->RecordLength),
                                *a));
        return;
    }
    for (std::size_t i = 0; i < fields.size(); ++i)
        fields[i].Offset = static_cast<std::uint16_t>(FieldVarOffset(fields, i + 1));
    a->Fields = std::move(fields);
    a->FieldCount = static_cast<std::uint8_t>(a->Fields.size());
}

void PopRec() {
    if (TWorkArea* a = CheckedArea("PopRec")) Pop(*a);
}

void SnipRec() {
    TWorkArea* a = CheckedArea("SnipRec");
    if (a == nullptr) return;
    if (!ValidRecord(*a, a->RecNo)) {
        SetError(kErrBeyondRange, "No current record to remove from " + a->Alias + " [SnipRec]");
        return;
    }
    RemoveAt(*a, static_cast<std::size_t>(a->RecNo - 1), true);
    BufferToBlock(*a);
}

void ZapVFile() {
    TWorkArea* a = CheckedArea("ZapVFile");
    if (a == nullptr) return;
    ListOf(*a).Records.clear();
    SetEmpty(*a);
    BufferToBlock(*a);
}

void Set_VFileKey_To(TVFileKeyMaker keyMaker) {
    if (TWorkArea* a = CheckedArea("Set_VFileKey_To")) ListOf(*a).KeyMaker = std::move(keyMaker);
}

std::uint8_t Get_VFileMode() {
    const TWorkArea* a = CheckedArea("Get_VFileMode");
    return a == nullptr ? 0 : a->VirtualOrder;
}

void Set_VFileMode_To(std::uint8_t mode) {
    TWorkArea* a = CheckedArea("Set_VFileMode_To");
    if (a == nullptr) return;
    if (a->RecordCount >= 2 && Sorted(mode) && mode != a->VirtualOrder) {
        SetError(kErrLinkedList, "Cannot set a sort mode on a virtual file containing records. (" +
                                     a->Alias + ") [(Set_VFileMode_To) VFiles]");
        return;
    }
    a->VirtualOrder = mode;
}

void SortVFile(std::uint8_t mode) {
    TWorkArea* a = CheckedArea("SortVFile");
    if (a == nullptr) return;
    TVFileList& list = ListOf(*a);
    if (!list.KeyMaker) {
        SetError(kErrLinkedList,
                 a->Alias + " has no KeyMaker.  Records cannot be sorted. [SortVFile]");
        return;
    }
    if (!Sorted(mode)) {
        SetError(kErrInvalidParameter,
                 "Sort mode not ASCENDING or DESCENDING for " + a->Alias + " [(SortVFile) VFiles]");
        return;
    }
    // Each record in turn is inserted as a sorted append would insert it; each key is asked
    // once. The list changes only when every key was had.
    std::vector<std::pair<std::string, Record*>> sorted;
    sorted.reserve(list.Records.size());
    for (Record& r : list.Records) {
        std::string key = KeyOf(*a, list.KeyMaker, r);
        const std::size_t place = SortedPlace(sorted.size(), key, mode == DESCENDING,
                                              [&](std::size_t i) { return sorted[i].first; });
        sorted.insert(sorted.begin() + static_cast<std::ptrdiff_t>(place), {std::move(key), &r});
    }
    std::vector<Record> records;
    records.reserve(sorted.size());
    for (auto& [key, r] : sorted)
        records.push_back(std::move(*r));
    list.Records = std::move(records);
    a->VirtualOrder = mode;
    GoTop();
}

} // namespace dbf
