#pragma once
// TDataSet: the base of every dataset. It holds the dataset's state, the current record in one
// record buffer (which is also the edit buffer), the field objects, the events, and the data
// sources that show it. The records themselves are reached through the cursor interface below,
// which a concrete dataset implements on its storage: move the cursor to the first or last
// place, fetch the current, next or prior record into a buffer, go to a bookmark, post, delete.
//
// The cursor is kept on the current record after every successful fetch. An operation that may
// leave it elsewhere (a failed fetch, a walk for a view, a bookmark test) marks it stale, and
// the next operation that acts at the cursor first puts it back on the current record
// (UpdateCursorPos). So a failure never shifts what the dataset shows: a failed fetch leaves the
// current record as it was, a failed post or delete leaves the state and the edit buffer.
//
// Views with many rows do not need a ring of buffers: FetchBookmarks walks the record order
// without moving the current record, and BeginDisplayRecord makes the fields read one given
// record until EndDisplayRecord.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/data/db.h"
#include "platform/data/fields.h"

class TDataSource;
class TStream;

using TRecordBuffer = std::vector<std::uint8_t>;

class TDataSet {
public:
    using TDataSetNotifyEvent = std::function<void(TDataSet&)>;
    using TDataSetErrorEvent = std::function<void(TDataSet&, EDatabaseError&, TDataAction&)>;

    TDataSet();
    // A descendant closes the dataset in its own destructor (its cursor operations are gone here).
    virtual ~TDataSet();
    TDataSet(const TDataSet&) = delete;
    TDataSet& operator=(const TDataSet&) = delete;

    const std::string& Name() const { return FName; }
    void SetName(std::string_view name) { FName = name; }

    bool Active() const { return FState != dsInactive; }
    void SetActive(bool on);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    TDataSetState State() const { return FState; }
    bool Bof() const { return FBof; }
    bool Eof() const { return FEof; }
    // No current record (an open empty dataset; the insert buffer counts as a record).
    bool IsEmpty() const { return !FHasRecord; }
    bool Modified() const { return FModified; }
    bool CanModify() { return GetCanModify(); }
    bool AutoCalcFields = true;

    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    // Moves up to distance records; returns how many it moved.
    int MoveBy(int distance);
    void Edit();
    void Insert() { BeginInsertAppend(false); }
    void Append() { BeginInsertAppend(true); }
    virtual void Post();
    void Cancel();
    void Delete();
    void Refresh();
    // Posts pending changes (or cancels an unchanged edit) and leaves the edit states.
    void CheckBrowseMode();
    // Asks the data links to hand over their pending edits.
    void UpdateRecord();
    void CheckActive() const;

    int RecordCount();
    int RecNo();
    void SetRecNo(int n) { SetRecNoValue(n); }
    TBookmark GetBookmark();
    void GotoBookmark(const TBookmark& bookmark);
    virtual bool BookmarkValid(const TBookmark& bookmark);
    // <0, 0, >0; an absent bookmark comes after a present one.
    virtual int CompareBookmarks(const TBookmark& a, const TBookmark& b);
    // keyFields: names separated by ';', one value each.
    virtual bool Locate(const std::string& keyFields, const TVarArray& keyValues,
                        TLocateOptions options);
    // The result fields' values of the first matching record; empty when none matches.
    virtual TVarArray Lookup(const std::string& keyFields, const TVarArray& keyValues,
                             const std::string& resultFields);
    bool FindFirst() { return FindRecord(true, true); }
    bool FindLast() { return FindRecord(true, false); }
    bool FindNext() { return FindRecord(false, true); }
    bool FindPrior() { return FindRecord(false, false); }
    // True when record numbers follow the record order (no filter, no index).
    virtual bool IsSequenced() { return true; }
    // True when RecordCount is the number of records the order walks (no record left out by
    // a filter or an index); views then place the last records without walking to them.
    virtual bool RecordCountExact() { return true; }

    TFields& Fields() { return FFields; }
    int FieldCount() const { return FFields.Count(); }
    TField* FindField(std::string_view name) const { return FFields.FindField(name); }
    TField* FieldByName(std::string_view name) const { return FFields.FieldByName(name); }
    const TFieldDefs& FieldDefs() const { return FFieldDefs; }
    // A persistent field (data or calculated), added before the dataset opens. Without any,
    // the dataset makes one field per definition when it opens.
    TField* AddField(std::unique_ptr<TField> field);
    bool DefaultFields() const { return FDefaultFields; }

    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return FDisableCount > 0; }

    // The blob of a memo or blob field of the current record; nullptr when the dataset has
    // no blob streams.
    virtual std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode);
    // Shows an exception the way the dataset's owner wants (data-aware controls catch and pass
    // exceptions here, so none crosses the event loop).
    void HandleException(const std::exception& e) { InternalHandleException(e); }

    // Views: the bookmarks of up to count records after `after` (from the first record when
    // empty), in record order. The current record stays.
    std::vector<TBookmark> FetchBookmarks(const TBookmark& after, int count);
    // The same walking backwards: up to count records before `before` (from the last record
    // when empty), nearest first.
    std::vector<TBookmark> FetchBookmarksBack(const TBookmark& before, int count);
    // Field reads see the record at bookmark until EndDisplayRecord; false when it is gone.
    bool BeginDisplayRecord(const TBookmark& bookmark);
    void EndDisplayRecord() { FDisplaying = false; }

    // Field values (called by TField). The buffer holds the field's native value.
    virtual bool GetFieldData(TField* field, void* buffer);
    virtual void SetFieldData(TField* field, const void* buffer);
    // Tells the fields, the calculated fields and the data sources of a change.
    virtual void DataEvent(TDataEvent event, TField* field = nullptr, int distance = 0);

    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent OnCalcFields, OnNewRecord;
    TDataSetErrorEvent OnDeleteError, OnEditError, OnPostError;

protected:
    // ---- the cursor interface ----
    // A zero-filled record buffer of the dataset's layout.
    virtual TRecordBuffer AllocRecordBuffer() = 0;
    // Fetches the record at (gmCurrent), after or before the cursor into buffer (may be null:
    // only move) and leaves the cursor on it. doCheck: raise on an error instead of grError.
    virtual TGetResult GetRecord(std::uint8_t* buffer, TGetMode mode, bool doCheck) = 0;
    virtual void InternalFirst() = 0; // before the first record
    virtual void InternalLast() = 0;  // after the last record
    virtual void InternalOpen() = 0;
    virtual void InternalClose() = 0;
    virtual void InternalInitFieldDefs() = 0;
    virtual void InternalInitRecord(std::uint8_t* buffer) = 0;
    virtual void InternalDelete() = 0;
    // Writes the active buffer: the edited record (dsEdit) or a new one (dsInsert).
    virtual void InternalPost() = 0;
    virtual void InternalEdit() {}
    virtual void InternalCancel() {}
    virtual void InternalRefresh() {}
    virtual void InternalGotoBookmark(const std::uint8_t* bookmark) = 0;
    virtual void InternalSetToRecord(std::uint8_t* buffer) = 0;
    virtual void InternalHandleException(const std::exception& e);
    virtual bool IsCursorOpen() const = 0;
    virtual void GetBookmarkData(const std::uint8_t* buffer, std::uint8_t* data) = 0;
    virtual void SetBookmarkData(std::uint8_t* buffer, const std::uint8_t* data) = 0;
    virtual TBookmarkFlag GetBookmarkFlag(const std::uint8_t* buffer) = 0;
    virtual void SetBookmarkFlag(std::uint8_t* buffer, TBookmarkFlag flag) = 0;
    virtual void OpenCursor(bool infoQuery);
    virtual void CloseCursor();
    virtual void ClearCalcFields(std::uint8_t* /*buffer*/) {}
    virtual void DoOnNewRecord();
    virtual bool FindRecord(bool restart, bool goForward);
    virtual int GetRecordCount();
    virtual int GetRecNo() { return -1; }
    virtual void SetRecNoValue(int /*n*/) {}
    virtual bool GetCanModify() { return true; }
    // A new field of the class the dataset uses for a type.
    virtual std::unique_ptr<TField> GetFieldClass(TFieldType type);

    virtual void DoBeforeOpen() { Fire(BeforeOpen); }
    virtual void DoAfterOpen() { Fire(AfterOpen); }
    virtual void DoBeforeClose() { Fire(BeforeClose); }
    virtual void DoAfterClose() { Fire(AfterClose); }
    virtual void DoBeforeInsert() { Fire(BeforeInsert); }
    virtual void DoAfterInsert() { Fire(AfterInsert); }
    virtual void DoBeforeEdit() { Fire(BeforeEdit); }
    virtual void DoAfterEdit() { Fire(AfterEdit); }
    virtual void DoBeforePost() { Fire(BeforePost); }
    virtual void DoAfterPost() { Fire(AfterPost); }
    virtual void DoBeforeCancel() { Fire(BeforeCancel); }
    virtual void DoAfterCancel() { Fire(AfterCancel); }
    virtual void DoBeforeDelete() { Fire(BeforeDelete); }
    virtual void DoAfterDelete() { Fire(AfterDelete); }
    virtual void DoBeforeScroll() { Fire(BeforeScroll); }
    virtual void DoAfterScroll() { Fire(AfterScroll); }
    virtual void DoOnCalcFields() { Fire(OnCalcFields); }

    // ---- services for descendants ----
    // The buffer field access works on: the display record, else the current/edit record.
    std::uint8_t* ActiveBuffer();
    std::uint8_t* CalcBuffer() const { return FCalcBuffer; }
    int CalcFieldsSize() const { return FCalcFieldsSize; }
    int BlobFieldCount() const { return FBlobFieldCount; }
    int BookmarkSize = 0;
    TFieldDefs& FieldDefList() { return FFieldDefs; }
    // Fills the field definitions when they are out of date.
    void UpdateFieldDefs();
    void CreateFields();
    void DestroyFields();
    // Binds the fields to the definitions (field numbers, calculated-field offsets, counts).
    void BindFields(bool binding);
    void SetState(TDataSetState state);
    TDataSetState SetTempState(TDataSetState state);
    void RestoreState(TDataSetState state);
    // Loads the record at the cursor as the current one (Exact: raise when it is gone; else
    // the next or prior record, or none).
    void Resync(TResyncMode mode);
    void UpdateCursorPos();
    void CursorPosChanged() { FCursorStale = true; }
    void GetCalcFields(std::uint8_t* buffer);
    // Runs read with the fields reading buffer (its calculated fields computed first).
    void ReadRecordBuffer(std::uint8_t* buffer, const std::function<void()>& read);
    void CheckCanModify();
    void SetModified(bool on) { FModified = on; }
    // Runs op; an EDatabaseError goes to the error event, which may retry or abort.
    void CheckOperation(const std::function<void()>& op, const TDataSetErrorEvent& onError);
    // The current record is gone (an emptied dataset): nothing current, both ends reached.
    void ClearCurrent();

private:
    friend class TDataSource;
    void Fire(const TDataSetNotifyEvent& e) {
        if (e) e(*this);
    }
    void BeginInsertAppend(bool append);
    std::vector<TBookmark> WalkBookmarks(const TBookmark& from, int count, bool forward);
    void FetchFirst();
    void CheckBookmark(const TBookmark& bookmark) const;
    TGetResult FetchInto(TRecordBuffer& buffer, TGetMode mode);
    void TakeFetched();

    std::string FName;
    TDataSetState FState = dsInactive;
    bool FBof = true, FEof = true;
    bool FHasRecord = false;
    bool FModified = false;
    bool FCursorStale = false;
    bool FDisplaying = false;
    bool FDefaultFields = true;
    TRecordBuffer FActive, FFetch, FDisplay;
    TBookmark FInsertOrigin; // the record current before Insert/Append
    std::uint8_t* FCalcBuffer = nullptr;
    int FCalcFieldsSize = 0;
    int FBlobFieldCount = 0;
    TFields FFields;
    TFieldDefs FFieldDefs;
    std::vector<TDataSource*> FDataSources;
    int FDisableCount = 0;
    bool FStateChangedWhileDisabled = false;
};
