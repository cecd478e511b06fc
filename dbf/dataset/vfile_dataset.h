#pragma once
// Unit utzmds: TTzLLDataSet, the dataset over an in-memory virtual file (dbf/vfile), and TTzVFile,
// the component that windows place. Its fields come from DbfFields (a memo line becomes a
// number N(10,0) holding the memo's block, type X lines give no field), its records live only
// in memory; it can be filled from the table DbfFileName when it opens (PopulateFromDisk) and
// written back when it closes (SaveToDisk).
//
// The virtual file's record is the engine's field-variable block of its fields (the layout of
// dbf/table/field_vars.h), named "*<number>* VIRTUAL FILE" with a number no other open virtual
// file of the program has.
//
// Order (AppendMode): FIFO, LIFO, INSERTION (an append at the end still goes last), ASCENDING,
// DESCENDING by KeyMaker (without one, by the text of the first field). Changes take no locks.
//
// Writing to disk never leaves a half-written table: the records go into a new table beside the
// target, which replaces the target (and its memo file) only when complete and only when no
// other program holds the target open; otherwise the write is refused with an engine error and
// the target stays as it was. Memo fields keep their memos: the text of each is copied from the
// target's old memo file. A save that fails at close stops the close, so the records are kept.
// Reading from disk that fails closes the dataset again: a part of the table must never be
// saved over the whole.

#include <cstdint>
#include <string>
#include <vector>

#include "dbf/dataset/command_dataset.h"
#include "dbf/vfile/vfiles.h"

namespace dbf {

class TTzLLDataSet : public TTzCDataSet {
public:
    TTzLLDataSet() = default;
    ~TTzLLDataSet() override;

    LStatusType AppendMode() const { return FAppendMode; }
    // On an open dataset a sorted mode sorts the records; the others apply to new records.
    void SetAppendMode(LStatusType mode);
    bool PopulateFromDisk = false;
    bool SaveToDisk = false;
    TTzKeyMaker KeyMaker;
    // Records changed since they were read from or written to disk.
    bool Changed() const { return FChanged; }

    // Appends the records of the table DbfFileName (when it exists; deleted ones left out with
    // HideDeletedRecs), matching fields by name.
    void ReadFromDisk();
    // Replaces the table DbfFileName by the records (deleted ones left out with
    // HideDeletedRecs); raises EDatabaseError when it cannot, the table unchanged.
    void WriteToDisk();

protected:
    void DoAfterOpen() override;
    void DoBeforeClose() override;
    bool GetCanModify() override { return true; }
    bool IsVirtualFile() override { return true; }
    void MarkModified() override { FChanged = true; }
    bool OpenDbf(const std::string& fileName) override;
    std::int32_t TziClose() override;
    bool s_AppendWithLock() override;
    bool s_DeleteWithLock() override;
    bool s_RestoreWithLock() override;
    bool s_ReplaceWithLock() override;

private:
    std::string KeyText();
    bool Changing(void (*change)(), bool moveOff);

    std::vector<std::uint8_t> FBlock;
    LStatusType FAppendMode = FIFO;
    bool FChanged = false;
    bool FSkipSave = false;
};

// The component windows place; it has no operations of its own.
class TTzVFile : public TTzLLDataSet {};

} // namespace dbf
