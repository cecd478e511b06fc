// Unit tzprimds: the primitive dataset.
#include "dbf/dataset/prim_dataset.h"

#include <cstring>

namespace dbf {

TBufferLayout CalcBufferOffsets(std::uint32_t recordSize, std::uint32_t calcSize,
                                std::uint32_t blobCount, std::uint32_t bookmarkSize) {
    const std::uint64_t blob = std::uint64_t{recordSize} + calcSize;
    const std::uint64_t info = blob + 4ull * blobCount;
    const std::uint64_t bookmark = info + 6;
    const std::uint64_t size = bookmark + bookmarkSize;
    if (size > 0xFFFF) DatabaseError("Record buffer too large: " + std::to_string(size) + " bytes");
    TBufferLayout l;
    l.RecordSize = static_cast<std::uint16_t>(recordSize);
    l.BlobOffset = static_cast<std::uint16_t>(blob);
    l.RecordInfoOffset = static_cast<std::uint16_t>(info);
    l.BookmarkOffset = static_cast<std::uint16_t>(bookmark);
    l.BufferSize = static_cast<std::uint16_t>(size);
    return l;
}

void TTzPrimDataset::CheckTziResult(std::int32_t code) {
    if (code == 0) return;
    FLastTziResult = code;
    if (code == kTziNoFileName) DatabaseError("Missing DbfFilename property");
    if (code >= kTziOpenFailed && code <= kTziEof)
        DatabaseError("Dataset error: " + std::to_string(code));
    DatabaseError("Dataset error: " + GetTziErrorText(code));
}

std::string TTzPrimDataset::GetTziErrorText(std::int32_t code) {
    return std::to_string(code);
}

// ---- buffers ----

std::int32_t TTzPrimDataset::BufferRecNo(const std::uint8_t* buffer) const {
    std::int32_t n = 0;
    std::memcpy(&n, buffer + FLayout.RecordInfoOffset, sizeof n);
    return n;
}

void TTzPrimDataset::SetBufferRecNo(std::uint8_t* buffer, std::int32_t n) {
    std::memcpy(buffer + FLayout.RecordInfoOffset, &n, sizeof n);
    SetBookmarkFlag(buffer, bfCurrent);
}

std::uint8_t* TTzPrimDataset::GetActiveRecordBuffer() {
    switch (State()) {
    case dsBrowse:
        // What the dataset shows: its current record (or the display record of a view).
        return IsEmpty() ? nullptr : ActiveBuffer();
    case dsEdit:
    case dsInsert:
    case dsBlockRead:
        return ActiveBuffer();
    case dsCalcFields:
        return CalcBuffer();
    default:
        return nullptr;
    }
}

void TTzPrimDataset::ReserveSavedBuffer(std::size_t size) {
    if (size == 0) {
        FSavedBuffer.clear();
        FSavedBuffer.shrink_to_fit();
    } else if (size > FSavedBuffer.size()) {
        FSavedBuffer.resize(size, 0);
    }
}

void TTzPrimDataset::SaveActiveBuffer() {
    ReserveSavedBuffer(FLayout.BufferSize);
    if (std::uint8_t* b = ActiveBuffer(); b != nullptr)
        std::memcpy(FSavedBuffer.data(), b, FLayout.BufferSize);
}

void TTzPrimDataset::RestoreActiveBuffer() {
    std::uint8_t* b = ActiveBuffer();
    if (b != nullptr && FSavedBuffer.size() >= FLayout.BufferSize)
        std::memcpy(b, FSavedBuffer.data(), FLayout.BufferSize);
}

void TTzPrimDataset::ClearActiveBuffer() {
    if (std::uint8_t* b = ActiveBuffer(); b != nullptr) std::memset(b, 0, FLayout.BufferSize);
}

TRecordBuffer TTzPrimDataset::AllocRecordBuffer() {
    return TRecordBuffer(FLayout.BufferSize, 0);
}

void TTzPrimDataset::ClearCalcFields(std::uint8_t* buffer) {
    std::memset(buffer + FLayout.RecordSize, 0, static_cast<std::size_t>(CalcFieldsSize()));
}

void TTzPrimDataset::GetBookmarkData(const std::uint8_t* buffer, std::uint8_t* data) {
    std::memcpy(data, buffer + FLayout.BookmarkOffset, static_cast<std::size_t>(BookmarkSize));
}

void TTzPrimDataset::SetBookmarkData(std::uint8_t* buffer, const std::uint8_t* data) {
    std::memcpy(buffer + FLayout.BookmarkOffset, data, static_cast<std::size_t>(BookmarkSize));
}

TBookmarkFlag TTzPrimDataset::GetBookmarkFlag(const std::uint8_t* buffer) {
    return static_cast<TBookmarkFlag>(buffer[FLayout.RecordInfoOffset + 5]);
}

void TTzPrimDataset::SetBookmarkFlag(std::uint8_t* buffer, TBookmarkFlag flag) {
    buffer[FLayout.RecordInfoOffset + 5] = static_cast<std::uint8_t>(flag);
}

// ---- opening and closing ----

void TTzPrimDataset::OpenCursor(bool infoQuery) {
    ApplicationProcessMessages();
    CheckTziResult(TziOpen());
    FCursorOpen = true;
    TDataSet::OpenCursor(infoQuery);
}

void TTzPrimDataset::InternalOpen() {
    const std::uint16_t recordSize = TziGetRecordSize();
    BookmarkSize = TziGetBookmarkSize();
    FAccessMode = TziGetAccessMode() == 2;
    FieldDefList().Updated = false;
    UpdateFieldDefs();
    if (DefaultFields()) CreateFields();
    BindFields(true);
    FLayout = CalcBufferOffsets(recordSize, static_cast<std::uint32_t>(CalcFieldsSize()),
                                static_cast<std::uint32_t>(BlobFieldCount()),
                                static_cast<std::uint32_t>(BookmarkSize));
    TziSetToBegin();
}

void TTzPrimDataset::InternalClose() {
    BindFields(false);
    if (DefaultFields()) DestroyFields();
    FAccessMode = false;
}

void TTzPrimDataset::CloseCursor() {
    struct Closed {
        bool& flag;
        ~Closed() { flag = false; }
    } closed{FCursorOpen};
    TDataSet::CloseCursor();
    CheckTziResult(TziClose());
}

// ---- the cursor ----

TGetResult TTzPrimDataset::GetRecord(std::uint8_t* buffer, TGetMode mode, bool doCheck) {
    std::int32_t n = 0;
    std::int32_t r = 0;
    switch (mode) {
    case gmCurrent:
        r = TziGetRecord(buffer, n);
        break;
    case gmNext:
        r = TziGetNextRecord(buffer, n);
        break;
    case gmPrior:
        r = TziGetPriorRecord(buffer, n);
        break;
    }
    if (r == 0) {
        if (buffer != nullptr) {
            SetBufferRecNo(buffer, n);
            GetCalcFields(buffer);
            CheckTziResult(TziSetToBookmark(buffer + FLayout.BookmarkOffset));
        }
        return grOK;
    }
    if (r == kTziBof) return grBOF;
    if (r == kTziEof) return grEOF;
    if (doCheck) CheckTziResult(r);
    return grError;
}

void TTzPrimDataset::InternalFirst() {
    CheckTziResult(TziSetToBegin());
}

void TTzPrimDataset::InternalLast() {
    CheckTziResult(TziSetToEnd());
}

void TTzPrimDataset::InternalGotoBookmark(const std::uint8_t* bookmark) {
    CheckTziResult(TziGotoBookmark(bookmark));
}

void TTzPrimDataset::InternalSetToRecord(std::uint8_t* buffer) {
    InternalGotoBookmark(buffer + FLayout.BookmarkOffset);
}

void TTzPrimDataset::InternalEdit() {
    std::int32_t n = 0;
    CheckTziResult(TziGetRecord(ActiveBuffer(), n)); // the record as stored now
}

void TTzPrimDataset::InternalRefresh() {
    CheckTziResult(TziForceReread());
}

void TTzPrimDataset::InternalInitRecord(std::uint8_t* buffer) {
    std::memset(buffer, 0, FLayout.BufferSize);
    CheckTziResult(TziInitRecord(buffer));
}

void TTzPrimDataset::InternalDelete() {
    CheckTziResult(TziDeleteRecord());
}

void TTzPrimDataset::InternalPost() {
    if (State() == dsEdit) {
        CheckTziResult(TziPostRecord(ActiveBuffer()));
    } else {
        CheckTziResult(TziInsertRecord(ActiveBuffer()));
    }
}

bool TTzPrimDataset::FindRecord(bool restart, bool goForward) {
    CheckBrowseMode();
    DoBeforeScroll();
    UpdateCursorPos();
    CursorPosChanged();
    std::int32_t n = 0;
    std::int32_t r = 0;
    if (goForward) {
        if (restart) CheckTziResult(TziSetToBegin());
        r = TziGetNextRecord(nullptr, n);
    } else {
        if (restart) CheckTziResult(TziSetToEnd());
        r = TziGetPriorRecord(nullptr, n);
    }
    // The ends mean "no such record"; an engine failure is not a quiet "not found".
    if (r != 0 && r != kTziBof && r != kTziEof) CheckTziResult(r);
    if (r != 0) return false;
    Resync({true, true});
    DoAfterScroll();
    return true;
}

int TTzPrimDataset::GetRecordCount() {
    CheckActive();
    return TziGetRecordCount();
}

int TTzPrimDataset::GetRecNo() {
    CheckActive();
    const std::uint8_t* b = State() == dsCalcFields ? CalcBuffer() : ActiveBuffer();
    return b != nullptr ? BufferRecNo(b) : -1;
}

void TTzPrimDataset::SetRecNoValue(int n) {
    CheckBrowseMode();
    if (n == GetRecNo()) return;
    DoBeforeScroll();
    CursorPosChanged();
    if (TziSetRecNo(n) != 0) return;
    Resync({false, true});
    DoAfterScroll();
}

// ---- bookmarks, locate, lookup ----

bool TTzPrimDataset::BookmarkValid(const TBookmark& bookmark) {
    if (!FCursorOpen || bookmark.size() != static_cast<std::size_t>(BookmarkSize)) return false;
    CursorPosChanged();
    if (TziGotoBookmark(bookmark.data()) != 0) return false;
    std::int32_t n = 0;
    return TziGetRecord(nullptr, n) == 0;
}

int TTzPrimDataset::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
    if (a.empty() || b.empty()) return TDataSet::CompareBookmarks(a, b);
    if (!FCursorOpen) return 0;
    int r = 0;
    TziCompareBookmarks(a.data(), b.data(), r);
    return r;
}

bool TTzPrimDataset::Locate(const std::string& keyFields, const TVarArray& keyValues,
                            TLocateOptions options) {
    // Pending edits are posted first: the search moves the cursor, and the found record must
    // not take the place of an edited one.
    CheckBrowseMode();
    DoBeforeScroll();
    CursorPosChanged();
    const bool found = TziLocate(keyFields, keyValues, options);
    if (found) {
        Resync({true, true});
        DoAfterScroll();
    }
    return found;
}

TVarArray TTzPrimDataset::Lookup(const std::string& keyFields, const TVarArray& keyValues,
                                 const std::string& resultFields) {
    CheckActive();
    CursorPosChanged();
    TVarArray result;
    CheckTziResult(TziLookup(keyFields, keyValues, resultFields, result));
    return result;
}

// ---- field values ----

bool TTzPrimDataset::GetFieldData(TField* field, void* buffer) {
    std::uint8_t* record = GetActiveRecordBuffer();
    if (field->FieldNo() <= 0) {
        const TDataSetState s = State();
        if (record == nullptr || !(s == dsBrowse || s == dsEdit || s == dsInsert ||
                                   s == dsCalcFields || s == dsBlockRead))
            return false;
        const std::uint8_t* slot = record + FLayout.RecordSize + field->Offset();
        if (slot[0] == 0) return false;
        if (buffer != nullptr)
            std::memcpy(buffer, slot + 1, static_cast<std::size_t>(field->DataSize()));
        return true;
    }
    if (record == nullptr) return false;
    bool isBlank = false;
    CheckTziResult(TziGetFieldData(field, record, isBlank, buffer));
    return !isBlank;
}

void TTzPrimDataset::SetFieldData(TField* field, const void* buffer) {
    const TDataSetState s = State();
    if (!(s == dsEdit || s == dsInsert || s == dsSetKey || s == dsCalcFields || s == dsFilter ||
          s == dsNewValue || s == dsInternalCalc))
        DatabaseError("Dataset not in edit or insert mode");
    std::uint8_t* record = GetActiveRecordBuffer();
    if (record == nullptr) DatabaseError("Dataset not in edit or insert mode");
    if (field->FieldNo() <= 0) {
        std::uint8_t* slot = record + FLayout.RecordSize + field->Offset();
        const std::size_t size = static_cast<std::size_t>(field->DataSize());
        slot[0] = buffer != nullptr ? 1 : 0;
        if (buffer != nullptr) {
            std::memcpy(slot + 1, buffer, size);
        } else {
            std::memset(slot + 1, 0, size);
        }
    } else {
        if (s == dsCalcFields) DatabaseError("Dataset not in edit or insert mode");
        if (field->ReadOnly() && s != dsSetKey && s != dsFilter)
            DatabaseError("Field '" + field->DisplayName() + "' cannot be modified");
        field->Validate(buffer);
        if (field->FieldKind() != fkInternalCalc)
            CheckTziResult(TziSetFieldData(field, record, buffer));
    }
    if (s != dsCalcFields && s != dsFilter && s != dsNewValue) DataEvent(deFieldChange, field);
}

} // namespace dbf
