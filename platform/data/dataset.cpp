#include "platform/data/dataset.h"

#include <algorithm>
#include <utility>

#include "platform/data/datasource.h"
#include "platform/data/stream.h"

namespace {

bool IsEditState(TDataSetState s) {
    return s == dsEdit || s == dsInsert || s == dsSetKey;
}

} // namespace

TDataSet::TDataSet() = default;

TDataSet::~TDataSet() {
    for (TDataSource* s : FDataSources)
        s->FDataSet = nullptr;
    for (const auto& f : FFields)
        f->SetDataSet(nullptr);
}

// ---- opening and closing ----

void TDataSet::SetActive(bool on) {
    if (on == Active()) return;
    if (on) {
        DoBeforeOpen();
        try {
            FDefaultFields = FFields.Count() == 0;
            OpenCursor(false);
            FActive = AllocRecordBuffer();
            FFetch = AllocRecordBuffer();
            FDisplay.clear();
            FDisplaying = false;
            FModified = false;
            FCursorStale = false;
            FetchFirst();
        } catch (...) {
            FHasRecord = false;
            if (IsCursorOpen()) {
                try {
                    CloseCursor();
                } catch (...) {
                }
            }
            throw;
        }
        SetState(dsBrowse);
        DoAfterOpen();
        if (!IsEmpty()) DoAfterScroll();
    } else {
        DoBeforeClose();
        SetState(dsInactive);
        FHasRecord = false;
        FDisplaying = false;
        try {
            CloseCursor();
        } catch (...) {
            FActive.clear();
            FFetch.clear();
            throw;
        }
        FActive.clear();
        FFetch.clear();
        FDisplay.clear();
        DoAfterClose();
    }
}

void TDataSet::OpenCursor(bool /*infoQuery*/) {
    InternalOpen();
}

void TDataSet::CloseCursor() {
    InternalClose();
}

void TDataSet::CheckActive() const {
    if (!Active()) DatabaseError("Cannot perform this operation on a closed dataset");
}

void TDataSet::CheckCanModify() {
    if (!CanModify()) DatabaseError("Cannot modify a read-only dataset");
}

// ---- fetching ----

TGetResult TDataSet::FetchInto(TRecordBuffer& buffer, TGetMode mode) {
    TGetResult r = grError;
    try {
        r = GetRecord(buffer.data(), mode, true);
    } catch (...) {
        FCursorStale = true;
        throw;
    }
    if (r != grOK) FCursorStale = true;
    return r;
}

void TDataSet::TakeFetched() {
    std::swap(FActive, FFetch);
    FHasRecord = true;
    FCursorStale = false;
}

void TDataSet::ClearCurrent() {
    FHasRecord = false;
    FBof = FEof = true;
    std::fill(FActive.begin(), FActive.end(), 0);
}

void TDataSet::FetchFirst() {
    InternalFirst();
    if (FetchInto(FFetch, gmNext) == grOK) {
        TakeFetched();
        FBof = true;
        FEof = false;
    } else {
        ClearCurrent();
    }
}

void TDataSet::UpdateCursorPos() {
    if (!FCursorStale || !FHasRecord || FState == dsInsert) return;
    InternalSetToRecord(FActive.data());
    FCursorStale = false;
}

void TDataSet::Resync(TResyncMode mode) {
    if (FetchInto(FFetch, gmCurrent) == grOK) {
        TakeFetched();
    } else if (mode.Exact) {
        DatabaseError("Record not found");
    } else if (FetchInto(FFetch, gmNext) == grOK || FetchInto(FFetch, gmPrior) == grOK) {
        TakeFetched();
    } else {
        FHasRecord = false;
        std::fill(FActive.begin(), FActive.end(), 0);
    }
    FBof = FEof = !FHasRecord;
    DataEvent(deDataSetChange);
}

// ---- navigation ----

void TDataSet::First() {
    CheckBrowseMode();
    DoBeforeScroll();
    FetchFirst();
    DataEvent(deDataSetChange);
    DoAfterScroll();
}

void TDataSet::Last() {
    CheckBrowseMode();
    DoBeforeScroll();
    InternalLast();
    if (FetchInto(FFetch, gmPrior) == grOK) {
        TakeFetched();
        FBof = false;
        FEof = true;
    } else {
        ClearCurrent();
    }
    DataEvent(deDataSetChange);
    DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
    CheckBrowseMode();
    int moved = 0;
    if ((distance > 0 && !FEof) || (distance < 0 && !FBof)) {
        FBof = FEof = false;
        DoBeforeScroll();
        UpdateCursorPos();
        for (; distance > 0; --distance, ++moved) {
            if (FetchInto(FFetch, gmNext) != grOK) {
                FEof = true;
                break;
            }
            TakeFetched();
        }
        for (; distance < 0; ++distance, ++moved) {
            if (FetchInto(FFetch, gmPrior) != grOK) {
                FBof = true;
                break;
            }
            TakeFetched();
        }
        DataEvent(deDataSetScroll, nullptr, moved);
        DoAfterScroll();
    }
    return moved;
}

bool TDataSet::FindRecord(bool /*restart*/, bool /*goForward*/) {
    return false;
}

int TDataSet::GetRecordCount() {
    DatabaseError("Operation not supported");
}

int TDataSet::RecordCount() {
    CheckActive();
    return GetRecordCount();
}

int TDataSet::RecNo() {
    CheckActive();
    return GetRecNo();
}

// ---- bookmarks ----

TBookmark TDataSet::GetBookmark() {
    if (!Active() || !FHasRecord || FState == dsInsert || BookmarkSize <= 0) return {};
    if (GetBookmarkFlag(FActive.data()) != bfCurrent) return {};
    TBookmark b(static_cast<std::size_t>(BookmarkSize));
    GetBookmarkData(FActive.data(), b.data());
    return b;
}

void TDataSet::CheckBookmark(const TBookmark& bookmark) const {
    if (bookmark.size() != static_cast<std::size_t>(BookmarkSize) || BookmarkSize <= 0)
        DatabaseError("Invalid bookmark");
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
    if (bookmark.empty()) return;
    CheckBookmark(bookmark);
    CheckBrowseMode();
    DoBeforeScroll();
    FCursorStale = true;
    InternalGotoBookmark(bookmark.data());
    Resync({true, true});
    DoAfterScroll();
}

bool TDataSet::BookmarkValid(const TBookmark& /*bookmark*/) {
    return false;
}

int TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
    if (a.empty() || b.empty()) return a.empty() == b.empty() ? 0 : (a.empty() ? 1 : -1);
    return 0;
}

bool TDataSet::Locate(const std::string&, const TVarArray&, TLocateOptions) {
    DatabaseError("Operation not supported");
}

TVarArray TDataSet::Lookup(const std::string&, const TVarArray&, const std::string&) {
    DatabaseError("Operation not supported");
}

// ---- changing records ----

void TDataSet::CheckOperation(const std::function<void()>& op, const TDataSetErrorEvent& onError) {
    for (;;) {
        try {
            op();
            return;
        } catch (EDatabaseError& e) {
            TDataAction action = daFail;
            if (onError) onError(*this, e, action);
            if (action == daFail) throw;
            if (action == daAbort) throw EAbort();
        }
    }
}

void TDataSet::Edit() {
    if (FState == dsEdit || FState == dsInsert) return;
    CheckActive();
    if (!FHasRecord) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModify();
    DoBeforeEdit();
    CheckOperation(
        [this] {
            UpdateCursorPos();
            InternalEdit();
        },
        OnEditError);
    GetCalcFields(FActive.data());
    SetState(dsEdit);
    DataEvent(deRecordChange);
    DoAfterEdit();
}

void TDataSet::BeginInsertAppend(bool append) {
    CheckBrowseMode();
    CheckCanModify();
    DoBeforeInsert();
    DoBeforeScroll();
    UpdateCursorPos();
    FInsertOrigin = GetBookmark();
    // The new record is made in the spare buffer, so a failure leaves the current one.
    std::fill(FFetch.begin(), FFetch.end(), 0);
    InternalInitRecord(FFetch.data());
    ClearCalcFields(FFetch.data());
    SetBookmarkFlag(FFetch.data(), append ? bfEOF : bfInserted);
    std::swap(FActive, FFetch);
    FHasRecord = true;
    FBof = false;
    FEof = append;
    SetState(dsInsert);
    try {
        DoOnNewRecord();
    } catch (...) {
        SetState(dsBrowse);
        FCursorStale = true;
        if (!FInsertOrigin.empty()) InternalGotoBookmark(FInsertOrigin.data());
        Resync({});
        throw;
    }
    FModified = false;
    DataEvent(deDataSetChange);
    DoAfterInsert();
    DoAfterScroll();
}

void TDataSet::DoOnNewRecord() {
    Fire(OnNewRecord);
}

void TDataSet::UpdateRecord() {
    if (!IsEditState(FState)) DatabaseError("Dataset not in edit or insert mode");
    DataEvent(deUpdateRecord);
}

void TDataSet::Post() {
    UpdateRecord();
    if (FState != dsEdit && FState != dsInsert) return;
    DataEvent(deCheckBrowseMode);
    DoBeforePost();
    CheckOperation(
        [this] {
            if (FState == dsEdit) UpdateCursorPos();
            InternalPost();
        },
        OnPostError);
    SetState(dsBrowse);
    Resync({});
    DoAfterPost();
}

void TDataSet::Cancel() {
    if (FState != dsEdit && FState != dsInsert) return;
    DataEvent(deCheckBrowseMode);
    DoBeforeCancel();
    const bool inserting = FState == dsInsert;
    if (inserting) {
        if (FCursorStale && !FInsertOrigin.empty()) {
            InternalGotoBookmark(FInsertOrigin.data());
            FCursorStale = false;
        }
    } else {
        UpdateCursorPos();
    }
    InternalCancel();
    SetState(dsBrowse);
    Resync({});
    DoAfterCancel();
}

void TDataSet::Delete() {
    CheckActive();
    if (FState == dsInsert || FState == dsSetKey) {
        Cancel();
        return;
    }
    if (!FHasRecord) DatabaseError("Cannot perform this operation on an empty dataset");
    DataEvent(deCheckBrowseMode);
    DoBeforeDelete();
    DoBeforeScroll();
    CheckOperation(
        [this] {
            UpdateCursorPos();
            InternalDelete();
        },
        OnDeleteError);
    SetState(dsBrowse);
    Resync({});
    DoAfterDelete();
    DoAfterScroll();
}

void TDataSet::Refresh() {
    CheckBrowseMode();
    UpdateCursorPos();
    InternalRefresh();
    Resync({});
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    DataEvent(deCheckBrowseMode);
    switch (FState) {
    case dsEdit:
    case dsInsert:
        UpdateRecord();
        if (FModified) {
            Post();
        } else {
            Cancel();
        }
        break;
    case dsSetKey:
        Post();
        break;
    default:
        break;
    }
}

// ---- state, events, calculated fields ----

void TDataSet::SetState(TDataSetState state) {
    if (FState == state) return;
    FState = state;
    FModified = false;
    DataEvent(deUpdateState);
}

TDataSetState TDataSet::SetTempState(TDataSetState state) {
    const TDataSetState old = FState;
    FState = state;
    ++FDisableCount;
    return old;
}

void TDataSet::RestoreState(TDataSetState state) {
    FState = state;
    --FDisableCount;
}

void TDataSet::DataEvent(TDataEvent event, TField* field, int distance) {
    if (event == deFieldChange && field != nullptr) {
        if (field->FieldKind() != fkCalculated) FModified = true;
        if (AutoCalcFields && FState != dsSetKey && FCalcFieldsSize > 0 && FHasRecord)
            GetCalcFields(ActiveBuffer());
        field->Change();
    }
    if (FDisableCount > 0 || FState == dsBlockRead) {
        if (event == deUpdateState) FStateChangedWhileDisabled = true;
        return;
    }
    const std::vector<TDataSource*> sources = FDataSources;
    for (TDataSource* s : sources)
        s->DataEvent(event, field, distance);
}

void TDataSet::DisableControls() {
    if (FDisableCount++ == 0) FStateChangedWhileDisabled = false;
}

void TDataSet::EnableControls() {
    if (FDisableCount == 0 || --FDisableCount > 0) return;
    if (FStateChangedWhileDisabled) DataEvent(deUpdateState);
    DataEvent(deDataSetChange);
}

void TDataSet::GetCalcFields(std::uint8_t* buffer) {
    if (FCalcFieldsSize <= 0 || buffer == nullptr) return;
    const TDataSetState saved = SetTempState(dsCalcFields);
    std::uint8_t* previous = FCalcBuffer;
    FCalcBuffer = buffer;
    try {
        ClearCalcFields(buffer);
        DoOnCalcFields();
    } catch (...) {
        FCalcBuffer = previous;
        RestoreState(saved);
        throw;
    }
    FCalcBuffer = previous;
    RestoreState(saved);
}

void TDataSet::ReadRecordBuffer(std::uint8_t* buffer, const std::function<void()>& read) {
    GetCalcFields(buffer);
    const TDataSetState saved = SetTempState(dsCalcFields);
    std::uint8_t* previous = FCalcBuffer;
    FCalcBuffer = buffer;
    try {
        read();
    } catch (...) {
        FCalcBuffer = previous;
        RestoreState(saved);
        throw;
    }
    FCalcBuffer = previous;
    RestoreState(saved);
}

std::uint8_t* TDataSet::ActiveBuffer() {
    if (FDisplaying) return FDisplay.data();
    return FActive.empty() ? nullptr : FActive.data();
}

void TDataSet::InternalHandleException(const std::exception& e) {
    ApplicationHandleException(e);
}

// ---- fields ----

TField* TDataSet::AddField(std::unique_ptr<TField> field) {
    if (Active()) DatabaseError("Cannot perform this operation on an open dataset");
    field->SetDataSet(this);
    return FFields.Add(std::move(field));
}

std::unique_ptr<TField> TDataSet::GetFieldClass(TFieldType type) {
    return DefaultFieldOf(type);
}

void TDataSet::UpdateFieldDefs() {
    if (FFieldDefs.Updated) return;
    InternalInitFieldDefs();
    FFieldDefs.Updated = true;
}

void TDataSet::CreateFields() {
    for (const TFieldDef& def : FFieldDefs) {
        std::unique_ptr<TField> f = GetFieldClass(def.DataType);
        if (!f) continue;
        f->SetFieldName(def.Name);
        f->SetSize(def.Size);
        f->SetFieldNo(def.FieldNo);
        if (auto* ff = dynamic_cast<TFloatField*>(f.get()); ff != nullptr && def.Decimals > 0)
            ff->Decimals = def.Decimals;
        f->SetDataSet(this);
        FFields.Add(std::move(f));
    }
}

void TDataSet::DestroyFields() {
    FFields.Clear();
}

void TDataSet::BindFields(bool binding) {
    FCalcFieldsSize = 0;
    FBlobFieldCount = 0;
    for (const auto& f : FFields) {
        if (!binding) continue;
        if (f->FieldKind() == fkCalculated) {
            f->SetFieldNo(0);
            f->SetOffset(FCalcFieldsSize);
            FCalcFieldsSize += f->DataSize() + 1;
            continue;
        }
        const TFieldDef* def = FFieldDefs.Find(f->FieldName());
        if (def == nullptr) FieldNotFoundError(f->FieldName());
        if (def->DataType != f->DataType())
            DatabaseError("Type mismatch for field '" + f->FieldName() + "'");
        f->SetFieldNo(def->FieldNo);
        if (f->DataType() == ftMemo || f->DataType() == ftBlob) ++FBlobFieldCount;
    }
}

bool TDataSet::GetFieldData(TField* /*field*/, void* /*buffer*/) {
    return false;
}

void TDataSet::SetFieldData(TField* /*field*/, const void* /*buffer*/) {
    DatabaseError("Operation not supported");
}

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField* /*field*/, TBlobStreamMode /*mode*/) {
    return nullptr;
}

// ---- views ----

std::vector<TBookmark> TDataSet::FetchBookmarks(const TBookmark& after, int count) {
    return WalkBookmarks(after, count, true);
}

std::vector<TBookmark> TDataSet::FetchBookmarksBack(const TBookmark& before, int count) {
    return WalkBookmarks(before, count, false);
}

std::vector<TBookmark> TDataSet::WalkBookmarks(const TBookmark& from, int count, bool forward) {
    CheckActive();
    std::vector<TBookmark> out;
    if (count <= 0 || BookmarkSize <= 0) return out;
    if (FDisplay.empty()) FDisplay = AllocRecordBuffer();
    FCursorStale = true;
    if (from.empty()) {
        if (forward) {
            InternalFirst();
        } else {
            InternalLast();
        }
    } else if (from.size() != static_cast<std::size_t>(BookmarkSize)) {
        CheckBookmark(from);
    } else {
        InternalGotoBookmark(from.data());
    }
    const TGetMode mode = forward ? gmNext : gmPrior;
    while (static_cast<int>(out.size()) < count && GetRecord(FDisplay.data(), mode, true) == grOK) {
        TBookmark b(static_cast<std::size_t>(BookmarkSize));
        GetBookmarkData(FDisplay.data(), b.data());
        out.push_back(std::move(b));
    }
    return out;
}

bool TDataSet::BeginDisplayRecord(const TBookmark& bookmark) {
    CheckActive();
    FDisplaying = false;
    if (bookmark.empty()) return false;
    CheckBookmark(bookmark);
    // The record being edited shows its edit buffer.
    if (IsEditState(FState) && CompareBookmarks(bookmark, GetBookmark()) == 0) return true;
    if (FDisplay.empty()) FDisplay = AllocRecordBuffer();
    FCursorStale = true;
    InternalGotoBookmark(bookmark.data());
    if (GetRecord(FDisplay.data(), gmCurrent, true) != grOK) return false;
    FDisplaying = true;
    return true;
}
