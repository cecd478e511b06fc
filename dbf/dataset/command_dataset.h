#pragma once
// Unit utzcds: TTzCDataSet, the common base of the table and virtual-file datasets: a read-only
// switch, change notifications, and commands in the manner of dBASE that act on the work area
// directly and then bring the dataset up to date (RefreshAfterCommand). A failing command
// raises EDatabaseError and leaves the dataset on the record it showed.

#include <cstdint>
#include <functional>
#include <string>

#include "dbf/dataset/table_dataset.h"

namespace dbf {

// A caller's sort or index key for the record the engine is working on: the dataset shows that
// record to the key maker through its fields, and the key maker returns its key (UTF-8).
using TTzKeyMaker = std::function<std::string(TDataSet& dataset)>;

class TTzCDataSet : public TTzDataSet {
public:
    // Refuses every change (GetCanModify false); data-aware controls then refuse editing.
    bool ReadOnly = false;
    // Change notifications, cleared when the table closes; the first is called whenever the
    // dataset stores its insert buffer (after a cancel or a scroll).
    std::function<void()> ChangeNotify1, ChangeNotify2, ChangeNotify3;

    // Appends a blank record (in shared use the caller holds the append lock).
    void AppendRec();
    // Appends every record of another table and stays on the record it stood on (or goes to
    // the last record when that one is gone).
    void AppendFrom(const std::string& tableFileName);
    // Removes the deleted records; the engine's result.
    bool Pack();
    // Field n's name (at most 10 characters), the field count, field n's length.
    std::string Field(std::uint8_t n);
    std::uint8_t FieldCount();
    std::uint8_t FieldLen(std::uint8_t n);
    // Goes to record n; an invalid number raises (the dataset stays where it was).
    void Go(std::int32_t n);
    // Scans for text in field (0: any) from the top or after the current record; the dataset
    // moves only when a record was found. True when one was.
    bool Search(std::uint8_t field, const std::string& text, bool fromTop);
    // Field n's value as the engine writes it as text.
    std::string SField(std::uint8_t n);
    int RecCount() { return RecordCount(); }

    // By dBASE field name (cut to 10 characters; an unknown name raises "Field ... not found").
    // The setters enter edit state unless already editing and leave it for the caller to post.
    bool GetFieldBoolByName(const std::string& name);
    void SetFieldStrByName(const std::string& name, const std::string& value);
    void SetFieldBoolByName(const std::string& name, bool value);
    void SetFieldIntByName(const std::string& name, std::int64_t value);
    void SetFieldFloatByName(const std::string& name, double value);

protected:
    bool GetCanModify() override { return !ReadOnly; }
    void DoAfterCancel() override;
    void DoAfterScroll() override;
    void StoreInsertBuffer() override;
    void BeforeCloseTable() override;
    // The key maker's text (Windows 1252) for the record in the work area's field variables;
    // the dataset's own record and state are left alone.
    std::string KeyFromFieldVars(const TTzKeyMaker& keyMaker);

private:
    TField* EditField(const std::string& name);
};

} // namespace dbf
