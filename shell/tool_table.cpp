// The tool-profile lookup in the tool table "q1toolx.dbf".
#include "shell/tool_table.h"

#include "calc/geardata.h"
#include "framework/core/globals.h"
#include "framework/core/text.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/help.h"
#include "framework/core/files.h"
#include "framework/ui/questions.h"
#include "platform/gui/forms.h"
#include "platform/os/utf8.h"
#include "shell/job_table.h"
#include "shell/main_window.h"
#include "shell/table_access.h"

namespace {

constexpr const char* kTable = "q1toolx.dbf";
constexpr std::size_t kTextCapacity[6] = {0, 15, 8, 8, 8, 10}; // fields 11..15

// Every record with all its fields, the record number first and then the texts, which name
// the tool; the grid of the job-file table window gives sorting, search and the spreadsheet
// copy.
bool PickFromTable(const std::string& path, const std::string& title, int mode, int& recNo,
                   TToolRecord& tool) {
    TTableAccess t;
    if (!t.Open(path)) {
        ShowError("Error  : DBF Error " + path + ": " + t.Error());
        return false;
    }
    std::vector<int> fields;
    for (int pass = 0; pass < 2; ++pass)
        for (int f = 1; f <= t.FieldCount(); ++f)
            if ((t.FieldType(f) == 'C') == (pass == 0)) fields.push_back(f);
    TTableRow titles{"#"};
    for (int f : fields)
        titles.push_back(t.FieldName(f));
    std::vector<TTableRow> rows;
    const int n = t.RecordCount();
    for (int r = 1; r <= n && t.Go(r); ++r) {
        TTableRow row{std::to_string(r)};
        for (int f : fields)
            row.push_back(t.Text(f));
        rows.push_back(std::move(row));
    }
    t.Close();

    FormPtr<TForm_preview> window(NewForm<TForm_preview>(MainWindow));
    window->ListKind = 1;
    window->Title = title + "  " + path;
    window->SetTable(titles, rows);
    window->StringGrid1->SetColWidths(0, 48);
    window->Button_help->OnClick = [](TObject*) {
        ShowHelp(9510, 0, 1);
        AbortFlag = 0;
    };
    if (recNo >= 1 && recNo <= static_cast<int>(rows.size())) window->StringGrid1->SetRow(recNo);
    if (mode == 0) window->Button_ok->SetEnabled(false);
    if (window->ShowModal() != mrOk || window->SelectedRow < 1 || mode == 0) return false;
    const TTableRow& picked = window->Rows()[static_cast<std::size_t>(window->SelectedRow - 1)];
    recNo = static_cast<int>(StrToInteger(picked[0]));
    if (!t.Open(path) || !t.Go(recNo)) {
        ShowError("Error  : DBF Error " + path + ": " + t.Error());
        return false;
    }
    tool = ReadToolRecord([&t](int f) { return f <= t.FieldCount() ? t.Text(f) : std::string(); });
    return true;
}

} // namespace

ToolTablePickFunc ToolTablePick = &PickFromTable;

TToolRecord ReadToolRecord(const std::function<std::string(int)>& fieldText) {
    TToolRecord tool;
    for (int f = 1; f <= 10; ++f)
        tool.Reals[static_cast<std::size_t>(f)] = StrToReal(fieldText(f));
    for (int k = 1; k <= 5; ++k)
        tool.Texts[static_cast<std::size_t>(k)] =
            os::Utf8Left(fieldText(10 + k), kTextCapacity[static_cast<std::size_t>(k)]);
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
