#pragma once
// Unit ucommon: TTzDataSet, the dataset over one work area of the engine. Every operation first
// makes the dataset's own work area current, then calls the work-area commands. It keeps its
// own record layout (the record-data section of a record buffer), converts between that layout
// and the area's field variables, tracks its cursor's BOF and EOF, hides deleted records on
// request. Opening the file, the locked changes and the indexes belong to the descendants.
//
// Record data: byte 0 the deletion flag, then one slot per field in field order:
//   C                      length + 1   length byte, the text (Windows 1252 bytes)  ftString
//   D                      8            double TDateTime, 0 = blank                ftDate
//   N, F with decimals     8            double, rounded to the decimals            ftFloat
//   N, F without, <= 9     4            int32                                      ftInteger
//   N, F without, >= 10    8            int64 (a 32-bit value would wrap)          ftLargeint
//   L                      2            the logical byte, a spare byte             ftBoolean
//   M                      4            the memo's block number                    ftMemo
// Texts become UTF-8 at the field: the engine works on its single-byte texts.
//
// Engine errors inside a dataset operation are caught here: every engine call runs with
// immediate reporting off (an ERivozError is caught too), and its error code becomes the Tzi
// result, which the dataset raises as EDatabaseError ("Dataset error: " and the engine's
// message) after leaving its state, current record and edit buffer as they were.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dbf/base/errors.h"
#include "dbf/dataset/prim_dataset.h"
#include "platform/os/codepage.h"

namespace dbf {

enum TTzTableLanguage { tlOem, tlAnsi };

// Keeps a pending engine error (code and text) across clean-up work that may clear it; without
// one pending, the clean-up's own error stays.
class KeepEngineError {
public:
    KeepEngineError() : FCode(LastErrorCode), FText(ErrorText) {}
    ~KeepEngineError() {
        if (FCode == 0) return;
        LastErrorCode = FCode;
        ErrorText = FText;
    }
    KeepEngineError(const KeepEngineError&) = delete;
    KeepEngineError& operator=(const KeepEngineError&) = delete;

private:
    std::uint16_t FCode;
    std::string FText;
};

// One field of the open table.
struct TDTField {
    std::string Name;
    char Type = 'C';
    std::uint16_t Length = 0;
    std::uint16_t Decimals = 0;
    std::uint16_t Offset = 0; // of the field's variable in the field-variable block
};

// The field list of the table open in a work area; addresses point into the area's
// field-variable block (looked up at each use, so a reopened area is followed).
class TDbfFieldProps {
public:
    // Reads the fields of the current work area.
    TDbfFieldProps();
    int Count() const { return static_cast<int>(FFields.size()); }
    // 1-based.
    const TDTField& Field(int n) const { return FFields.at(static_cast<std::size_t>(n - 1)); }
    // The field-variable block (n = 0) or field n's variable; nullptr when the area is gone.
    std::uint8_t* Address(int n) const;

private:
    std::uint8_t FArea = 0;
    std::vector<TDTField> FFields;
};

class TTzDataSet : public TTzPrimDataset {
public:
    TTzDataSet();
    ~TTzDataSet() override;

    // Field list for creating a table: "name, type, length, decimals" per line.
    std::vector<std::string> DbfFields;
    const std::string& DbfFileName() const { return FDbfFileName; }
    // Trimmed; a name without extension (and not ending in ".") gets ".DBF". An open dataset
    // is closed and opened again on the new file (an open virtual file stays open: the name
    // is where its records are saved). A virtual file needs no name to open.
    void SetDbfFileName(const std::string& name);
    bool HideDeletedRecs() const { return FHideDeletedRecs; }
    void SetHideDeletedRecs(bool on);
    // The record count includes deleted records: exact only while they are shown.
    bool RecordCountExact() override { return !FHideDeletedRecs; }
    bool ShowProgress = true;
    // A post that finds the record saved elsewhere meanwhile may offer going back to the edit
    // (false while the edit is left for good, as when the table closes).
    bool EditCanResume = true;
    TTzTableLanguage TableLanguage = tlOem;
    TDataSetNotifyEvent BeforeRestore, AfterRestore;

    // The work area, 0 while closed.
    std::uint8_t WorkArea() const { return FWorkArea; }
    const TDbfFieldProps* FieldProps() const { return FProps.get(); }
    // The current (or displayed) record is marked deleted. Setting true deletes it, false
    // restores it.
    bool IsDeleted();
    void SetIsDeleted(bool on);

    // After a command on the work area: leave the edit states, load the area's current record.
    void RefreshAfterCommand();
    void ReloadActiveBuffer();
    void RestoreSavedBuffer() { RestoreActiveBuffer(); }
    // Enters edit state when needed and stores the active buffer into the field variables.
    void StoreActiveBuffer();

    void Post() override;

    // Notes the characters of a text (UTF-8) for field `name` that the table stores as "?"
    // (UnstorableCharacters of dbf/base/text.h); the next successful post (or append) tells the
    // user which characters of which fields they were.
    void NoteUnstorable(const std::string& name, std::string_view text);
    // The characters of a text (UTF-8) for a text or memo field that the table cannot hold,
    // each once ("" when it holds them all): those its own page lacks.
    std::string Unholdable(std::string_view text);
    // The code page of the table's texts, in the file and in the field variables and record data
    // alike: the one its header names, else DOS 437 for tlOem and Windows 1252 for tlAnsi (a
    // virtual file: Windows 1252). Every character of it converts to UTF-8 and back.
    os::CodePage TextPage();

protected:
    // ---- for descendants ----
    // Makes the work area current ("Database is not open [name.operation]" when closed).
    virtual void SelectArea(std::string_view operation);
    virtual void DoBeforeRestore() {
        if (BeforeRestore) BeforeRestore(*this);
    }
    virtual void DoAfterRestore() {
        if (AfterRestore) AfterRestore(*this);
    }
    virtual void StoreInsertBuffer();
    virtual bool IsVirtualFile() { return false; }
    virtual void MarkModified() {}
    virtual void BeforeCloseTable() {}
    // Opens the table in the current work area; false with the engine's error pending.
    virtual bool OpenDbf(const std::string& fileName) = 0;
    // The locked changes of the current record; false when the change was not made (a refused
    // lock or an engine error, whose code is then pending).
    virtual bool s_AppendWithLock() = 0;
    virtual bool s_DeleteWithLock() = 0;
    virtual bool s_RestoreWithLock() = 0;
    virtual bool s_ReplaceWithLock() = 0;
    // Under the record's lock, before a post writes it: false when the stored record is no
    // longer the one the edit began from (another program or window saved it meanwhile); the
    // post then writes nothing and the user chooses (RecordChoiceHook).
    bool StoredRecordUnchanged();

    // Runs engine work for operation: reporting off, ERivozError caught. The work returns a
    // Tzi result; an engine error left pending becomes the result.
    template <class Work> std::int32_t Run(std::string_view operation, Work&& work) {
        SelectArea(operation);
        const ErrorReportingOff quiet;
        std::int32_t r = 0;
        try {
            r = work();
        } catch (const ERivozError& e) {
            if (LastErrorCode == 0) SetError(kErrInternal, e.what());
        }
        return LastErrorCode != 0 ? LastErrorCode : r;
    }
    // A command on the work area: as Run, and a failure raises EDatabaseError after the cursor
    // is marked to go back to the current record.
    void RunCommand(std::string_view operation, const std::function<void()>& work);
    // Goes to record n; an invalid number leaves the cursor at the end (result of TziSetToEnd).
    std::int32_t SafeGo(std::int32_t n);
    bool s_IsEmptyDbf();
    void FieldVarsToBuffer(std::uint8_t* buffer);
    // One field (n >= 1) or all (n = 0).
    void BufferToFieldVars(const std::uint8_t* buffer, int n);

    // ---- TDataSet and Tzi ----
    std::unique_ptr<TField> GetFieldClass(TFieldType type) override;
    void InternalCancel() override;
    void InternalEdit() override;
    void InternalInitFieldDefs() override;
    std::string GetTziErrorText(std::int32_t code) override;
    std::int32_t TziSetToBegin() override;
    std::int32_t TziSetToEnd() override;
    std::int32_t TziOpen() override;
    std::int32_t TziClose() override;
    std::int32_t TziGetRecordCount() override;
    std::int32_t TziForceReread() override;
    std::int32_t TziAppendRecord(std::uint8_t* buffer) override;
    std::int32_t TziInsertRecord(std::uint8_t* buffer) override { return TziAppendRecord(buffer); }
    std::int32_t TziDeleteRecord() override;
    std::int32_t TziInitRecord(std::uint8_t* buffer) override;
    std::int32_t TziPostRecord(std::uint8_t* buffer) override;
    std::uint16_t TziGetRecordSize() override;
    std::uint8_t TziGetAccessMode() override { return 2; }
    std::int32_t TziGetRecord(std::uint8_t* buffer, std::int32_t& recNo) override;
    std::int32_t TziGetNextRecord(std::uint8_t* buffer, std::int32_t& recNo) override;
    std::int32_t TziGetPriorRecord(std::uint8_t* buffer, std::int32_t& recNo) override;
    std::int32_t TziGetFieldData(TField* field, std::uint8_t* buffer, bool& isBlank,
                                 void* destination) override;
    std::int32_t TziSetFieldData(TField* field, std::uint8_t* buffer, const void* source) override;
    std::int32_t TziSetRecNo(std::int32_t n) override { return SafeGo(n); }
    bool TziLocate(const std::string& names, const TVarArray& values,
                   TLocateOptions options) override;
    std::int32_t TziLookup(const std::string& names, const TVarArray& values,
                           const std::string& resultNames, TVarArray& result) override;
    std::uint16_t TziGetBookmarkSize() override { return 4; }
    std::int32_t TziGotoBookmark(const std::uint8_t* bookmark) override;
    std::int32_t TziSetToBookmark(std::uint8_t* area) override;
    std::int32_t TziCompareBookmarks(const std::uint8_t* b1, const std::uint8_t* b2,
                                     int& result) override;

private:
    struct Slot {
        std::uint16_t Offset = 0;
        char Type = 0;
        std::uint8_t Length = 0;
        std::uint8_t Decimals = 0;
        TFieldType DataType = ftUnknown;
    };
    std::int32_t CloseDbfArea();
    void ComputeSlots();
    bool ReadFieldData(const TField& field, const std::uint8_t* buffer, void* destination);
    void WriteFieldValue(const TField& field, std::uint8_t* buffer, const void* source);
    std::int32_t ChangeResult(bool done);
    // The question about a record changed in the file since the edit began, and the answers.
    // Empty when the user changed no field (nothing to ask). deleted: the record was deleted
    // meanwhile.
    std::string StoredChangeText(const std::uint8_t* buffer, bool deleted);
    // Field n of buffer differs from the record as the edit began.
    bool UserChanged(const std::uint8_t* buffer, std::size_t n) const;
    // The edit is over (written or dropped), or one begins afresh; tell: report characters
    // stored as "?".
    void EndEdit(bool tell);
    void TakeStoredFields(std::uint8_t* buffer, bool all);

    std::uint8_t FWorkArea = 0;
    std::uint16_t FRecordDataSize = 0;
    bool FBOF = false;
    bool FEOF = false;
    std::string FDbfFileName;
    bool FHideDeletedRecs = false;
    std::unique_ptr<TDbfFieldProps> FProps;
    std::vector<Slot> FSlots; // index = field number (0 unused)
    // Fields the user set since the edit or insert began (written on post even when equal).
    std::vector<std::uint8_t> FAssigned;
    // The record's bytes in the file when the edit began (empty: nothing to compare, as for a
    // virtual file or a new record), and, after a post found them changed, the bytes found.
    std::vector<char> FEditBase, FStoredNow;
    // The record buffer as the edit began (the user's changes are the fields that differ).
    std::vector<std::uint8_t> FEditBuffer;
    // Field name and the characters of it stored as "?", since the edit or insert began.
    std::vector<std::pair<std::string, std::string>> FUnstorable;
    void TellUnstorable();
};

} // namespace dbf
