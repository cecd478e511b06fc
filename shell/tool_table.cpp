// The tool-profile lookup in the tool table "q1toolx.dbf".
#include "shell/tool_table.h"

#include "calc/geardata.h"
#include "dbf/browse/browse_window.h"
#include "dbf/browse/facade.h"
#include "dbf/browse/tz_controls.h"
#include "framework/core/globals.h"
#include "framework/core/text.h"
#include "framework/ui/help.h"
#include "framework/core/files.h"
#include "framework/ui/questions.h"
#include "platform/os/utf8.h"
#include "shell/table_access.h"

namespace {

constexpr const char* kTable = "q1toolx.dbf";
constexpr std::size_t kTextCapacity[6] = {0, 15, 8, 8, 8, 10}; // fields 11..15

// The tool's names (the text fields) before its numbers, the first of them kept in view while
// the numbers scroll: a tool is known by its name.
void NamesFirst(TDBGrid& grid) {
    int to = 0;
    for (int c = 0; c < grid.ColumnCount(); ++c) {
        const TField* f = grid.Columns(c).Field;
        if (f != nullptr && f->DataType() == ftString) grid.MoveColumn(c, to++);
    }
    grid.SetFixedColumns(to > 0 ? 1 : 0);
    grid.SetSelectedIndex(0);
}

// The table in the browse window: mode 0 edits, mode 1 is the pick list; the tool is read
// before the window lets the table go (a working copy of a table that cannot be written holds
// the user's edits only while it is open).
bool PickInBrowseWindow(const std::string& path, const std::string& title, int mode, int& recNo,
                        TToolRecord& tool) {
    dbf::DbfOpen(ExtractFileName(path));
    if (AbortFlag != 0) return false;
    TDBGrid& grid = *dbf::DbfWindow().TzGrid1;
    NamesFirst(grid);
    dbf::DbfSetTitles(title, "");
    if (mode != 0) dbf::DbfGoto(recNo);
    SetHelpNo(9510);
    if (AbortFlag == 0) dbf::DbfSetupMode("", static_cast<std::uint16_t>(mode));
    const bool picked = AbortFlag == 0 && mode != 0 && dbf::DbfRecCount() > 0;
    if (picked) {
        recNo = dbf::DbfSelectedRecNo;
        const int fields = dbf::DbfWindow().FieldCount();
        tool = ReadToolRecord(
            [fields](int f) { return f <= fields ? dbf::DbfFieldText(f) : std::string(); });
    }
    grid.SetFixedColumns(0); // the window shows other tables too
    dbf::DbfClose();
    return picked;
}

} // namespace

ToolTablePickFunc ToolTablePick = &PickInBrowseWindow;

TToolRecord ReadToolRecord(const std::function<std::string(int)>& fieldText) {
    TToolRecord tool;
    for (int f = 1; f <= 10; ++f)
        tool.Reals[static_cast<std::size_t>(f)] = StrToReal(fieldText(f));
    for (int k = 1; k <= 5; ++k) {
        // The field's padding is no part of the name.
        std::string text = fieldText(10 + k);
        text.erase(text.find_last_not_of(' ') + 1);
        tool.Texts[static_cast<std::size_t>(k)] =
            os::Utf8Left(text, kTextCapacity[static_cast<std::size_t>(k)]);
    }
    return tool;
}

void SelectToolProfile(int gear, int mode) {
    const bool pick = mode != 0;
    if (pick && gear != 1 && gear != 2) {
        AbortFlag = 1;
        return;
    }
    const std::string path = ShippedTableIn(DbfDir, kTable);
    if (!CheckFileReadable(path.empty() ? AddBackslash(DbfDir) + kTable : path)) return;
    const std::string title = pick ? "Profile of gear-cutting tool gear " + std::to_string(gear)
                                   : std::string("Profile of gear-cutting tool");
    int recNo = pick ? GearData.ToolRecordNo[gear] : 0;
    SetHelpNo(9510);
    AbortFlag = 0;
    TToolRecord tool;
    if (!ToolTablePick(path, title, mode, recNo, tool) || !pick) {
        AbortFlag = 1;
        return;
    }
    // The job keeps a word: a record beyond it is taken over but not remembered.
    GearData.ToolRecordNo[gear] = recNo <= 0xFFFF ? static_cast<std::uint16_t>(recNo) : 0;
    TakeToolRecord(gear, tool);
    const long double module = tool.Reals[10];
    if ((mode == 1 || mode == 3) && module != 0.0L && module != GearData.mn)
        ShowError("Q1TOOLX-MODUL <> mn !");
    AbortFlag = 0;
}
