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
#include "dbf/vfile/sequence.h"

namespace dbf {

namespace {

using Record = std::vector<char>;

// The manager's control block of one area (TWorkArea::VirtualFile).
struct TVFileList {
    TIndexedSequence<Record> Records;
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
    const Record& r = ListOf(a).Records.At(index);
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

// Where an element of key `key` goes in a sequence sorted by keyOf: before an equal head,
// after an equal tail, else where a search from the root down meets its place, after an equal
// key met on the way. O(log n) keys asked.
template <class T, class KeyOf>
std::size_t SortedPlace(const TIndexedSequence<T>& seq, const std::string& key, bool descending,
                        KeyOf keyOf) {
    const std::size_t count = seq.Size();
    if (count == 0) return 0;
    auto before = [descending](const std::string& x, const std::string& y) {
        return descending ? x > y : x < y;
    };
    if (!before(keyOf(seq.At(0)), key)) return 0;
    if (!before(key, keyOf(seq.At(count - 1)))) return count;
    return seq.Place([&](const T& element) {
        const std::string k = keyOf(element);
        if (k == key) return 0;
        return before(key, k) ? -1 : 1;
    });
}

// Adds the record buffer by the area's order; the new record becomes current. False after
// reporting (the list unchanged).
bool Add(TWorkArea& a) {
    TVFileList& list = ListOf(a);
    const std::size_t n = list.Records.Size();
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
        place = SortedPlace(list.Records, key, a.VirtualOrder == DESCENDING,
                            [&](const Record& r) { return KeyOf(a, list.KeyMaker, r); });
        break;
    }
    default:
        SetError(kErrLinkedList, NumStr(a.VirtualOrder) + " is an invalid VFile mode set for " +
                                     a.Alias + " [(AddLL) VFiles INTERNAL ERROR]");
        return false;
    }
    try {
        list.Records.Insert(place, Record(a.RecordBuffer.begin(), a.RecordBuffer.end()));
    } catch (const std::bad_alloc&) {
        SetError(kErrNoMemory,
                 "Not enough HEAP memory to add new record to " + a.Alias + " [VFiles]");
        return false;
    }
    a.RecordCount = static_cast<std::int32_t>(list.Records.Size());
    a.RecNo = static_cast<std::int32_t>(place + 1);
    a.Bof = a.Eof = false;
    return true;
}

// Removes record `index`; the record after it becomes current (the new last one when the last
// was removed), loaded into the record buffer when `reload`.
void RemoveAt(TWorkArea& a, std::size_t index, bool reload) {
    TVFileList& list = ListOf(a);
    list.Records.Erase(index);
    if (list.Records.Empty()) {
        if (reload) {
            SetEmpty(a);
        } else {
            a.RecNo = 0;
            a.RecordCount = 0;
            a.Bof = a.Eof = true;
        }
        return;
    }
    a.RecordCount = static_cast<std::int32_t>(list.Records.Size());
    const std::size_t current = std::min(index, list.Records.Size() - 1);
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
        Record& r = list.Records.At(index);
        std::copy_n(a.RecordBuffer.begin(), std::min(a.RecordBuffer.size(), r.size()), r.begin());
        a.RecNo = n;
        return;
    }
    // A sorted record moves to the place of its new key; a failure puts the old one back.
    Record old = list.Records.Erase(index);
    a.RecordCount = static_cast<std::int32_t>(list.Records.Size());
    auto putBack = [&] {
        list.Records.Insert(index, std::move(old));
        a.RecordCount = static_cast<std::int32_t>(list.Records.Size());
    };
    bool added = false;
    try {
        added = Add(a);
    } catch (...) {
        putBack();
        throw;
    }
    if (!added) putBack();
}

void SetFlag(TWorkArea& a, char flag) {
    const std::int32_t n = a.VirtualArg;
    if (!ValidRecord(a, n)) return;
    ListOf(a).Records.At(static_cast<std::size_t>(n - 1))[0] = flag;
    if (!a.RecordBuffer.empty()) a.RecordBuffer[0] = flag;
    if (a.FieldVars != nullptr) a.FieldVars[0] = static_cast<std::uint8_t>(flag);
}

void Pack(TWorkArea& a) {
    auto& records = ListOf(a).Records;
    std::vector<Record> kept = records.TakeAll();
    std::erase_if(kept, [](const Record& r) { return !r.empty() && r[0] != 0; });
    records.Assign(std::move(kept));
    if (records.Empty()) {
        SetEmpty(a);
        return;
    }
    a.RecordCount = static_cast<std::int32_t>(records.Size());
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
        ListOf(a).Records.Clear();
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
    ListOf(*a).Records.Clear();
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
    using Keyed = std::pair<std::string, std::size_t>; // a key and the record's position
    TIndexedSequence<Keyed> sorted;
    for (std::size_t i = 0; i < list.Records.Size(); ++i) {
        std::string key = KeyOf(*a, list.KeyMaker, list.Records.At(i));
        const std::size_t place = SortedPlace(sorted, key, mode == DESCENDING,
                                              [](const Keyed& e) { return e.first; });
        sorted.Insert(place, {std::move(key), i});
    }
    std::vector<Record> records = list.Records.TakeAll();
    std::vector<Record> ordered;
    ordered.reserve(records.size());
    for (const Keyed& e : sorted.TakeAll())
        ordered.push_back(std::move(records[e.second]));
    list.Records.Assign(std::move(ordered));
    a->VirtualOrder = mode;
    GoTop();
}

} // namespace dbf
