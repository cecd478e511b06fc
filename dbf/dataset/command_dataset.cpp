// Unit utzcds: the command dataset.
#include "dbf/dataset/command_dataset.h"

#include "dbf/base/errors.h"
#include "dbf/table/search.h"
#include "dbf/table/transfer.h"
#include "dbf/table/work_areas.h"
#include "platform/os/codepage.h"

namespace dbf {

void TTzCDataSet::DoAfterCancel() {
    StoreInsertBuffer();
    TTzDataSet::DoAfterCancel();
}

void TTzCDataSet::DoAfterScroll() {
    StoreInsertBuffer();
    TTzDataSet::DoAfterScroll();
}

void TTzCDataSet::StoreInsertBuffer() {
    if (ChangeNotify1) ChangeNotify1();
}

void TTzCDataSet::BeforeCloseTable() {
    ChangeNotify1 = nullptr;
    ChangeNotify2 = nullptr;
    ChangeNotify3 = nullptr;
}

void TTzCDataSet::AppendRec() {
    CheckBrowseMode();
    RunCommand("AppendRec", [] {
        ClearRecord(); // Append writes the field variables
        if (LastErrorCode == 0) dbf::Append();
        if (LastErrorCode == 0) MoveOffHidden();
    });
    MarkModified();
    RefreshAfterCommand();
}

void TTzCDataSet::AppendFrom(const std::string& tableFileName) {
    CheckBrowseMode();
    UpdateCursorPos();
    bool back = false;
    RunCommand("AppendFrom", [&] {
        const std::int32_t remembered = dbf::RecNo();
        const std::uint16_t code = dbf::AppendFrom(tableFileName);
        if (code != 0) {
            if (LastErrorCode == 0) SetError(code, "[AppendFrom]");
            return;
        }
        back = GoIfValid(remembered);
        LastErrorCode = 0;
    });
    MarkModified();
    if (back) {
        RefreshAfterCommand();
    } else {
        Last();
    }
}

bool TTzCDataSet::Pack() {
    CheckBrowseMode();
    bool ok = false;
    RunCommand("Pack", [&] { ok = dbf::Pack(); });
    MarkModified();
    RefreshAfterCommand();
    return ok;
}

std::string TTzCDataSet::Field(std::uint8_t n) {
    std::string name;
    RunCommand("Field", [&] { name = dbf::Field(n); });
    return name.substr(0, 10);
}

std::uint8_t TTzCDataSet::FieldCount() {
    std::uint8_t count = 0;
    RunCommand("FieldCount", [&] { count = dbf::FieldCount(); });
    return count;
}

std::uint8_t TTzCDataSet::FieldLen(std::uint8_t n) {
    std::uint8_t length = 0;
    RunCommand("FieldLen", [&] { length = dbf::FieldLen(n); });
    return length;
}

void TTzCDataSet::Go(std::int32_t n) {
    CheckBrowseMode();
    RunCommand("Go", [n] { dbf::Go(n); });
    RefreshAfterCommand();
}

bool TTzCDataSet::Search(std::uint8_t field, const std::string& text, bool fromTop) {
    CheckBrowseMode();
    UpdateCursorPos();
    bool moved = false;
    RunCommand("Search", [&] {
        std::uint8_t f = field;
        // A character the table cannot hold is in none of its texts.
        if (!Unholdable(text).empty()) return;
        dbf::Search(os::FromUtf8(TextPage(), text), f, fromTop);
        if (LastErrorCode == 0) moved = f != 0 && !dEOF() && !dBOF();
    });
    if (moved) {
        RefreshAfterCommand();
    } else {
        CursorPosChanged();
    }
    return moved;
}

std::string TTzCDataSet::SField(std::uint8_t n) {
    UpdateCursorPos();
    std::string text;
    RunCommand("SField", [&] { text = FieldStr(n); });
    return os::ToUtf8(TextPage(), text);
}

bool TTzCDataSet::GetFieldBoolByName(const std::string& name) {
    return FieldByName(name.substr(0, 10))->AsBoolean();
}

TField* TTzCDataSet::EditField(const std::string& name) {
    TField* f = FieldByName(name.substr(0, 10));
    if (State() != dsEdit && State() != dsInsert && State() != dsSetKey) Edit();
    return f;
}

void TTzCDataSet::SetFieldStrByName(const std::string& name, const std::string& value) {
    EditField(name)->SetAsString(value);
}

void TTzCDataSet::SetFieldBoolByName(const std::string& name, bool value) {
    EditField(name)->SetAsBoolean(value);
}

void TTzCDataSet::SetFieldIntByName(const std::string& name, std::int64_t value) {
    EditField(name)->SetAsLargeInt(value);
}

void TTzCDataSet::SetFieldFloatByName(const std::string& name, double value) {
    EditField(name)->SetAsFloat(value);
}

std::string TTzCDataSet::KeyFromFieldVars(const TTzKeyMaker& keyMaker) {
    TRecordBuffer record = AllocRecordBuffer();
    FieldVarsToBuffer(record.data());
    std::string key;
    ReadRecordBuffer(record.data(), [&] { key = keyMaker(*this); });
    return os::FromUtf8(TextPage(), key);
}

} // namespace dbf
