// Unit utzfds: the file dataset.
#include "dbf/dataset/file_dataset.h"

#include <charconv>
#include <optional>

#include "dbf/base/errors.h"
#include "dbf/base/files.h"
#include "dbf/base/hooks.h"
#include "dbf/base/messages.h"
#include "dbf/base/text.h"
#include "dbf/dataset/blob_stream.h"
#include "dbf/dataset/field_classes.h"
#include "dbf/dataset/field_list.h"
#include "dbf/index/maintain.h"
#include "dbf/index/semaphore.h"
#include "dbf/table/search.h"
#include "dbf/table/table_file.h"
#include "dbf/table/transfer.h"
#include "dbf/table/work_areas.h"
#include "platform/os/codepage.h"

namespace dbf {

namespace {

std::string Trimmed(std::string_view s) {
    const std::size_t b = s.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    return std::string(s.substr(b, s.find_last_not_of(' ') - b + 1));
}

// Other programs use the table's indexes: its semaphore file is of today, or another program
// still holds an older one open. An older one nobody holds is a leftover and is erased; the
// erase itself is the test, since it opens the file exclusively first.
bool IndexesInUseElsewhere(const std::string& tableFile) {
    const std::string sem = SemaphoreFileName(tableFile);
    if (!FileExists(sem)) return false;
    if (FileModifiedToday(sem)) return true;
    return EraseExclusive(sem) != 0;
}

bool IndexActive() {
    return IndexHooks.IndexActive != nullptr && IndexHooks.IndexActive();
}

// A Locate value as key text (in the table's record page).
std::string KeyText(const Variant& v, os::CodePage page) {
    struct Visitor {
        os::CodePage page;
        std::string operator()(std::monostate) { return {}; }
        std::string operator()(bool b) { return b ? "T" : "F"; }
        std::string operator()(std::int64_t n) { return std::to_string(n); }
        std::string operator()(double d) {
            char buf[64];
            return std::string(buf, std::to_chars(buf, buf + sizeof buf, d).ptr);
        }
        std::string operator()(const std::string& s) { return os::FromUtf8(page, s); }
        std::string operator()(TVarDate d) { return DateTimeToDateText(d.Value); }
    };
    return std::visit(Visitor{page}, v);
}

// The engine's settings that an opening changes, restored on every exit.
struct OpenSettings {
    bool autoFix = dbf::AutoFixRecCount;
    std::uint16_t mode = OpenModeOverride;
    ~OpenSettings() {
        dbf::AutoFixRecCount = autoFix;
        OpenModeOverride = mode;
    }
};

// Keeps the engine's EXACT switch as it was.
struct ExactScope {
    std::optional<bool> previous;
    explicit ExactScope(bool on) {
        if (on) previous = ExactOnProc();
    }
    ~ExactScope() {
        if (previous && !*previous) ExactOffProc();
    }
};

} // namespace

TIndexListLine ParseIndexListLine(const std::string& line) {
    TIndexListLine l;
    std::string rest = line;
    const std::size_t first = rest.find(',');
    if (first != std::string::npos && first > 0) {
        const std::string opts = Trimmed(rest.substr(0, first));
        int v = 0;
        const auto r = std::from_chars(opts.data(), opts.data() + opts.size(), v);
        if (r.ec == std::errc() && r.ptr == opts.data() + opts.size()) l.Options = v;
        rest = rest.substr(first + 1);
        const std::size_t second = rest.find(',');
        if (second != std::string::npos && second > 0) {
            l.File = Trimmed(rest.substr(0, second));
            rest = rest.substr(second + 1);
        }
    } else if (first == 0) {
        rest = rest.substr(1);
    }
    l.Expression = Trimmed(rest).substr(0, 100);
    return l;
}

std::string IndexNameWithOptions(const std::string& file, int options) {
    std::string s = file;
    if (options & kIndexUnique) s += " UNIQUE";
    if (options & kIndexNoCache) s += " NOCACHE";
    if (options & kIndexSoundex) s += " SOUNDEX";
    if (options & kIndexDescending) s += " DESCENDING";
    return s;
}

TTzFileDataSet::~TTzFileDataSet() {
    try {
        Close();
    } catch (...) {
    }
}

void TTzFileDataSet::SetExclusive(bool on) {
    if (on == FExclusive) return;
    const bool wasActive = Active();
    if (wasActive) Close();
    FExclusive = on;
    if (wasActive) Open();
}

// ---- opening ----

bool TTzFileDataSet::OpenDbf(const std::string& fileName) {
    if (CreateIfNotFound && !FileExists(ResolveExisting(fileName))) {
        if (!CreateTableFromDbfFields(Name(), fileName, DbfFields, false)) {
            DatasetMessage("Could not create \"" + DbfFileName() + "\"");
            return false;
        }
    }
    std::string command = fileName;
    if (FExclusive) command += " EXCLUSIVE";
    if (const std::string alias = Trimmed(Name()); !alias.empty()) command += " ALIAS " + alias;
    {
        const OpenSettings restore;
        dbf::AutoFixRecCount = AutoFixRecCount;
        if (ReadOnly) OpenModeOverride = FExclusive ? 16 : 64; // read only, deny all / none
        Use(command);
    }
    if (LastErrorCode != 0) return false;
    if (OpenIndexList()) return true;
    // The error of the index stays pending for the report; the table closes again.
    const KeepEngineError keep;
    Use("");
    return false;
}

bool TTzFileDataSet::OpenIndexList() {
    if (IndexList.empty()) return true;
    TCreateIndexType policy = CreateIndex;
    if ((policy == ciAlways || policy == ciVerifyHeader) && IndexesInUseElsewhere(DbfName()))
        policy = ciNotFound;
    LastErrorCode = 0;
    std::vector<TIndexListLine> lines;
    for (const std::string& text : IndexList) {
        lines.push_back(ParseIndexListLine(text));
        if (lines.back().File.empty()) {
            SetError(kErrInvalidParameter, "No index file name in IndexList line \"" + text +
                                               "\" [" + Name() + ".OpenIndexList]");
            return false;
        }
    }
    // First pass: each index opened alone, built when the policy asks or it is missing or
    // damaged.
    for (const TIndexListLine& line : lines) {
        const std::string name = IndexNameWithOptions(line.File, line.Options);
        bool build = policy == ciAlways;
        if (policy == ciVerifyHeader) {
            TIndexInfo info;
            build = !IndexInfo(CompleteIndexName(ParseIndexOptions(name).Name), info) ||
                    info.RecordCount != dbf::RecCount();
        }
        LastErrorCode = 0;
        std::uint16_t code = kErrFileNotFound; // to be built: as if missing
        if (!build) {
            SetIndexToOrder1(name);
            code = LastErrorCode;
        }
        if (policy != ciNever &&
            (code == kErrFileNotFound || code == kErrCorruptIndex || code == kErrIndexVersion)) {
            LastErrorCode = 0;
            CloseIndexes();
            bool canMake = true;
            if (OnBeforeMakeIndex) OnBeforeMakeIndex(*this, line.File, canMake);
            if (canMake) {
                std::optional<TTzProgress100> progress;
                if (ShowProgress) {
                    progress.emplace(nullptr, "Indexing " + line.File + "...");
                    SetIndexProgress([&progress] { progress->Step(); }, 100);
                }
                const TIndexOptions o = ParseIndexOptions(name);
                MakeIndex(o.Name, line.Expression, o.Soundex, 1, o.Unique, o.Descending, {});
                {
                    const KeepEngineError keep;
                    SetIndexProgress({}, 0);
                    progress.reset();
                    if (OnAfterMakeIndex) OnAfterMakeIndex(*this, line.File);
                }
                if (LastErrorCode == 0) SetIndexToOrder1(name);
            }
        }
        if (LastErrorCode != 0) return false;
        CloseIndexes();
    }
    // Second pass: all of them as orders 1, 2, ... (the first controls).
    int order = 0;
    for (const TIndexListLine& line : lines) {
        if (!dbf::SetIndexTo(IndexNameWithOptions(line.File, line.Options), ++order)) {
            const KeepEngineError keep;
            CloseIndexes();
            return false;
        }
    }
    Set_Order_To(1);
    return LastErrorCode == 0;
}

// ---- locked changes ----

bool TTzFileDataSet::LockedChange(Change change) {
    static constexpr const char* kWords[] = {"Insert", "Delete", "Restore", "Post"};
    const char* word = kWords[static_cast<int>(change)];
    const bool append = change == Change::Insert;
    if (ReadOnly) {
        // A refused delete or restore leaves the record as the dataset shows it after its
        // resync; a post or an append that did nothing must not look stored.
        if (change == Change::Delete || change == Change::Restore) return true;
        SetError(kErrAccessDenied, std::string("Cannot modify a read-only dataset [") + word + "]");
        return false;
    }
    SelectArea(std::string("s_") + word + "WithLock");
    const TTzLockFailedEvent* event = nullptr;
    switch (change) {
    case Change::Insert:
        event = &OnALockFailedOnInsert;
        break;
    case Change::Delete:
        event = &OnRLockFailedOnDelete;
        break;
    case Change::Restore:
        event = &OnRLockFailedOnRestore;
        break;
    case Change::Post:
        event = &OnRLockFailedOnPost;
        break;
    }
    for (;;) {
        const bool locked = append ? dbf::ALock() : dbf::RLock();
        if (locked && change == Change::Post && !StoredRecordUnchanged()) {
            dbf::Unlock(); // nothing written: the user decides first
            return false;
        }
        if (locked) {
            switch (change) {
            case Change::Insert:
                dbf::Append();
                break;
            case Change::Delete:
                DeleteRec();
                break;
            case Change::Restore:
                RecallRec();
                break;
            case Change::Post:
                Replace();
                break;
            }
            const std::uint16_t code = LastErrorCode;
            const std::string text = ErrorText;
            // A record the change hides is left for the next visible one (releasing the lock).
            if (code != 0 || change == Change::Restore || !MoveOffHidden()) dbf::Unlock();
            LastErrorCode = code; // the change is made: a failing release does not undo it
            ErrorText = text;
            return code == 0;
        }
        if (LastErrorCode != 0) return false; // not a refusal: the engine failed
        bool retry = false;
        if (*event) {
            (*event)(*this, retry);
            SelectArea(std::string("s_") + word + "WithLock");
        }
        if (!retry) break;
    }
    // Whoever holds the lock is not this dataset: the user hears which table and what is held.
    const std::string table = dbf::DbfName();
    SetError(append ? kErrFileNotLocked : kErrRecordNotLocked,
             std::string("Lock failed: ") +
                 (append ? "the table " + table + " is locked for appending"
                         : "record " + std::to_string(dbf::RecNo()) + " of the table " + table +
                               " is locked") +
                 " by another program or window [" + word + "]");
    return false;
}

bool TTzFileDataSet::s_AppendWithLock() {
    return LockedChange(Change::Insert);
}

bool TTzFileDataSet::s_DeleteWithLock() {
    return LockedChange(Change::Delete);
}

bool TTzFileDataSet::s_RestoreWithLock() {
    return LockedChange(Change::Restore);
}

bool TTzFileDataSet::s_ReplaceWithLock() {
    return LockedChange(Change::Post);
}

// ---- searching ----

bool TTzFileDataSet::FindKey(const std::string& key, bool exact, const char* operation) {
    CheckBrowseMode();
    bool found = false;
    bool atEnd = false;
    RunCommand(operation, [&] {
        {
            const ExactScope scope(exact);
            found = dbf::Find(os::FromUtf8(TextPage(), key).substr(0, 100));
        }
        if (LastErrorCode == 0) atEnd = dEOF();
    });
    if (atEnd) {
        Last();
    } else {
        RefreshAfterCommand();
    }
    return found;
}

bool TTzFileDataSet::FindExact(const std::string& key) {
    return FindKey(key, true, "FindExact");
}

bool TTzFileDataSet::Find(const std::string& key) {
    return FindKey(key, false, "Find");
}

bool TTzFileDataSet::TziLocate(const std::string& names, const TVarArray& values,
                               TLocateOptions options) {
    bool indexed = false;
    CheckTziResult(Run("Locate", [&] {
        indexed = IndexActive();
        return 0;
    }));
    if (!indexed) return TTzCDataSet::TziLocate(names, values, options);
    std::string key;
    for (const Variant& v : values)
        key += KeyText(v, TextPage());
    bool found = false;
    std::int32_t at = 0;
    CheckTziResult(Run("Locate", [&] {
        const ExactScope scope(!options.PartialKey);
        found = dbf::Find(key.substr(0, 100));
        if (found) at = dbf::RecNo();
        return 0;
    }));
    if (found) CheckTziResult(SafeGo(at));
    return found;
}

bool TTzFileDataSet::IsSequenced() {
    bool sequenced = true;
    CheckTziResult(Run("IsSequenced", [&] {
        const TWorkArea* a = CurrentWorkArea();
        sequenced = !IndexActive() && !a->OnFilter && a->FilterExpr == nullptr;
        return 0;
    }));
    return sequenced;
}

// ---- locks and transfers ----

bool TTzFileDataSet::ALock() {
    bool r = false;
    RunCommand("ALock", [&] { r = dbf::ALock(); });
    return r;
}

bool TTzFileDataSet::FLock() {
    bool r = false;
    RunCommand("FLock", [&] { r = dbf::FLock(); });
    return r;
}

bool TTzFileDataSet::UnLock() {
    RunCommand("UnLock", [] { dbf::Unlock(); });
    return true;
}

std::int32_t TTzFileDataSet::AppendFromDelimited(const std::string& fileName) {
    CheckBrowseMode();
    std::int32_t n = 0;
    RunCommand("AppendFromDelimited",
               [&] { n = dbf::AppendFromDelimited(fileName, ShowProgress); });
    MarkModified();
    RefreshAfterCommand();
    return n;
}

std::int32_t TTzFileDataSet::CopyToDelimited(const std::string& fileName) {
    CheckBrowseMode();
    UpdateCursorPos();
    std::int32_t n = 0;
    RunCommand("CopyToDelimited", [&] {
        const std::int32_t at = dbf::RecNo();
        n = dbf::CopyToDelimited(fileName, false);
        const KeepEngineError keep;
        GoIfValid(at);
    });
    CursorPosChanged();
    return n;
}

std::string TTzFileDataSet::Peek(std::uint8_t field, std::int32_t record) {
    std::string bytes;
    RunCommand("Peek", [&] { bytes = dbf::Peek(field, record); });
    return bytes;
}

// ---- indexes ----

KeyMakerProc TTzFileDataSet::KeyCallback(int slot) {
    return [this, slot](std::uint8_t) -> std::string {
        const TTzKeyMaker& maker = KeyMakers[static_cast<std::size_t>(slot)];
        return maker ? KeyFromFieldVars(maker) : std::string();
    };
}

void TTzFileDataSet::AfterIndexCommand(const char* operation, const std::function<void()>& work) {
    CheckBrowseMode();
    UpdateCursorPos();
    RunCommand(operation, work);
    RefreshAfterCommand();
}

void TTzFileDataSet::IndexOn(const std::string& expression, const std::string& fileName) {
    AfterIndexCommand("IndexOn", [&] { Index_On(expression, fileName); });
}

void TTzFileDataSet::IndexOnCB(const std::string& fileName, TTzKeyMaker keyMaker) {
    KeyMakers[0] = std::move(keyMaker);
    AfterIndexCommand("IndexOnCB", [&] { Index_OnKeyMaker(fileName, KeyCallback(0)); });
}

void TTzFileDataSet::SetIndexTo(const std::string& files) {
    AfterIndexCommand("SetIndexTo", [&] { Set_Index_To(files); });
}

void TTzFileDataSet::SetIndexToCB(const std::string& fileName, int order, TTzKeyMaker keyMaker) {
    if (order < 1 || order > 16) {
        SelectArea("SetIndexToCB");
        DatabaseError("Index Order parameter out of range [SetIndexToCB(" + fileName + "," +
                      std::to_string(order) + ")]");
    }
    KeyMakers[static_cast<std::size_t>(order)] = std::move(keyMaker);
    AfterIndexCommand("SetIndexToCB",
                      [&] { dbf::SetIndexTo(fileName, order, KeyCallback(order)); });
}

void TTzFileDataSet::SetIndexToLFN(const std::string& fileName, int options) {
    AfterIndexCommand("SetIndexToLFN",
                      [&] { SetIndexToOrder1(IndexNameWithOptions(fileName, options)); });
}

// ---- blobs ----

std::unique_ptr<TStream> TTzFileDataSet::CreateBlobStream(TField* field, TBlobStreamMode mode) {
    if (field == nullptr || (field->DataType() != ftMemo && field->DataType() != ftBlob))
        DatabaseError("Invalid class typecast");
    return std::make_unique<TTzBlobStream>(*this, field, mode);
}

bool TTzFileDataSet::RecordCountExact() {
    if (!TTzCDataSet::RecordCountExact()) return false;
    return IndexList.empty() || (ParseIndexListLine(IndexList.front()).Options & kIndexUnique) == 0;
}

} // namespace dbf
