// preview and suchen: the job-file table window and its search dialog.
#include "shell/job_table.h"

#include <algorithm>
#include <filesystem>
#include <numeric>
#include <system_error>

#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/help.h"
#include "framework/ui/questions.h"
#include "platform/gui/canvas.h"
#include "shell/job/jobfile.h"
#include "shell/menu_captions.h"

namespace fs = std::filesystem;

TableToSpreadsheetFunc TableToSpreadsheet;

namespace {

bool IsJobFileName(const std::string& name) {
    const std::string ext = "." + LowerCaseStr(DataFileExt.str());
    return name.size() > ext.size() && name[0] != '.' &&
           LowerCaseStr(name.substr(name.size() - ext.size())) == ext;
}

TTableRow JobRow(const std::string& name, const std::string& path, const TJobData* job) {
    TTableRow row{name, FileDateStringOf(path), "", "", "", "", "", ""};
    if (job != nullptr) {
        const TGearData& g = job->Gear;
        row[2] = g.DrawingNumber[2].str();
        row[3] = LengthToStrFix(3, 3, g.mn);
        row[4] = std::to_string(g.z[2]);
        row[5] = FloatToStrFix(3, 2, g.alpha);
        row[6] = FloatToStrFix(3, 2, g.beta);
        row[7] = FloatToStrFix(1, 3, g.x[2]);
    }
    return row;
}

constexpr int kMinWidths[] = {120, 64, 90};

} // namespace

TTableRow JobTableTitles() {
    return {"File",
            "Date  y/m/d",
            "No",
            "mn  " + LengthUnitText(),
            "z",
            "alpha  " + AngleUnitText(),
            "ß  " + AngleUnitText(),
            "x"};
}

std::vector<TTableRow> ScanJobFiles(const std::string& dir,
                                    const std::function<void(const std::string&)>& progress) {
    std::vector<std::string> names;
    std::error_code ec;
    const fs::path where = DelBackslash(dir).empty() ? fs::path(".") : fs::path(DelBackslash(dir));
    for (fs::directory_iterator it(where, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code typeError;
        if (IsJobFileName(name) && it->is_regular_file(typeError)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());

    std::vector<TTableRow> rows;
    rows.reserve(names.size());
    const TJobData blank;
    TJobData scratch;
    std::string problem;
    for (const std::string& name : names) {
        if (progress) progress(name);
        const std::string path = AddBackslash(dir) + name;
        scratch = blank;
        const bool read = ReadJobData(path, scratch, problem);
        rows.push_back(JobRow(name, path, read ? &scratch : nullptr));
    }
    return rows;
}

std::vector<int> SortOrder(const std::vector<TTableRow>& rows, int col) {
    std::vector<int> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    static const std::string none;
    auto key = [&](int r) -> const std::string& {
        const TTableRow& row = rows[static_cast<std::size_t>(r)];
        return col >= 0 && static_cast<std::size_t>(col) < row.size()
                   ? row[static_cast<std::size_t>(col)]
                   : none;
    };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return key(a) < key(b); });
    return order;
}

// ---- TForm_Suchen
// --------------------------------------------------------------------------------

TForm_Suchen::TForm_Suchen(TComponent* AOwner) : TForm(AOwner) {
    SetName("Form_Suchen");
    SetCaption("Search");
    SetBorderStyle(bsDialog);
    SetClientWidth(330);
    SetClientHeight(96);
    Label_suchen = new TLabel(this);
    Label_suchen->SetName("Label_suchen");
    Label_suchen->SetCaption("Search for");
    Label_suchen->SetBounds(12, 14, 100, 20);
    Edit_suchbegriff = new TEdit(this);
    Edit_suchbegriff->SetName("Edit_suchbegriff");
    Edit_suchbegriff->SetBounds(116, 10, 202, 26);
    Button_suchen = new TButton(this);
    Button_suchen->SetName("Button_suchen");
    Button_suchen->SetCaption("&Search");
    Button_suchen->SetBounds(116, 54, 96, 30);
    Button_suchen->SetModalResult(mrOk);
    Button_suchen->SetDefault(true);
    Button_cancel = new TButton(this);
    Button_cancel->SetName("Button_cancel");
    Button_cancel->SetCaption("&Cancel");
    Button_cancel->SetBounds(222, 54, 96, 30);
    Button_cancel->SetModalResult(mrCancel);
    Button_cancel->SetCancel(true);
    OnCreate = [this](TObject*) {
        FitForm(this);
        Edit_suchbegriff->SetFocus();
    };
}

// ---- TForm_preview
// -------------------------------------------------------------------------------

TForm_preview::TForm_preview(TComponent* AOwner) : TForm(AOwner) {
    SetName("Form_preview");
    SetBounds(0, 0, 760, 480);
    MainMenu1 = new TMainMenu(this);
    MainMenu1->SetName("MainMenu1");
    SetMenu(MainMenu1);
    auto item = [this](TMenuItem* parent, const char* name, const std::string& caption,
                       const char* shortcut, TNotifyEvent onClick) {
        auto* m = new TMenuItem(this);
        m->SetName(name);
        m->SetCaption(caption);
        m->SetShortCut(TextToShortCut(shortcut));
        m->OnClick = std::move(onClick);
        (parent != nullptr ? parent : MainMenu1->Items())->Add(m);
        return m;
    };
    mi_File = item(nullptr, "mi_File", MenuCaption(ckFileMenu), "", nullptr);
    mi_fileExportExcel = item(mi_File, "mi_fileExportExcel", "Ex&port Excel", "",
                              [this](TObject* s) { mi_fileExportExcelClick(s); });
    mi_fileExit = item(mi_File, "mi_fileExit", MenuCaption(ckExit), "",
                       [this](TObject* s) { mi_fileExitClick(s); });
    mi_edit = item(nullptr, "mi_edit", MenuCaption(ckEditMenu), "", nullptr);
    mi_editsearch = item(mi_edit, "mi_editsearch", "&Search", "Ctrl+F",
                         [this](TObject* s) { mi_editsearchClick(s); });
    SearchNext1 = item(mi_edit, "SearchNext1", "Search &Next", "F3",
                       [this](TObject* s) { SearchNext1Click(s); });
    mi_Help = item(nullptr, "mi_Help", MenuCaption(ckHelpMenu), "", nullptr);
    mi_HelpHelp = item(mi_Help, "mi_HelpHelp", MenuCaption(ckHelpMenu), "",
                       [this](TObject* s) { mi_HelpHelpClick(s); });

    Panel_buttons = new TPanel(this);
    Panel_buttons->SetName("Panel_buttons");
    Panel_buttons->SetCaption("");
    Panel_buttons->SetBevelOuter(bvNone);
    Panel_buttons->SetHeight(44);
    Panel_buttons->SetAlign(alBottom);
    auto button = [this](const char* name, const char* caption, int left) {
        auto* b = new TButton(this);
        b->SetParent(Panel_buttons);
        b->SetName(name);
        b->SetCaption(caption);
        b->SetBounds(left, 7, 100, 30);
        return b;
    };
    Button_ok = button("Button_ok", "&OK", 8);
    Button_ok->SetDefault(true);
    Button_ok->OnClick = [this](TObject* s) { Button_okClick(s); };
    Button_cancel = button("Button_cancel", "&Cancel", 116);
    Button_cancel->SetCancel(true);
    Button_cancel->OnClick = [this](TObject* s) { mi_fileExitClick(s); };
    Button_help = button("Button_help", "He&lp", 224);
    Button_help->OnClick = [this](TObject* s) { mi_HelpHelpClick(s); };

    StringGrid1 = new TStringGrid(this);
    StringGrid1->SetName("StringGrid1");
    StringGrid1->SetAlign(alClient);
    StringGrid1->SetFixedCols(0);
    StringGrid1->SetLeftCol(0);
    StringGrid1->SetCol(0);
    StringGrid1->SetOptions(StringGrid1->Options() | goRowSelect);
    StringGrid1->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        StringGrid1MouseDown(s, b, sh, x, y);
    };
    StringGrid1->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        StringGrid1MouseUp(s, b, sh, x, y);
    };
    OnShow = [this](TObject* s) { FormShow(s); };
    OnCreate = [this](TObject*) {
        FitForm(this);
        SetTable({"File", "Date"}, {});
    };
}

void TForm_preview::FormShow(TObject*) {
    switch (ListKind) {
    case 2:
        SetCaption(ProductTitle + "   Material");
        break;
    case 3:
        SetCaption(ProductTitle + "  Multistage");
        break;
    default:
        SetCaption(ProductTitle + "  " + JobFolder());
        break;
    }
    StringGrid1->SetFocus();
}

void TForm_preview::SetTable(const TTableRow& titles, const std::vector<TTableRow>& rows) {
    StringGrid1->SetColCount(std::max<int>(1, static_cast<int>(titles.size())));
    for (std::size_t c = 0; c < titles.size(); ++c)
        StringGrid1->SetCells(static_cast<int>(c), 0, titles[c]);
    FRows = rows;
    ShowRows();
    FitColumns();
}

void TForm_preview::ShowRows() {
    // A grid keeps one data row even when it is empty: the header row stays fixed above it.
    StringGrid1->SetRowCount(std::max<int>(2, static_cast<int>(FRows.size()) + 1));
    const int cols = StringGrid1->ColCount();
    for (int r = 1; r < StringGrid1->RowCount(); ++r)
        for (int c = 0; c < cols; ++c) {
            const std::size_t k = static_cast<std::size_t>(r - 1);
            const bool has = k < FRows.size() && static_cast<std::size_t>(c) < FRows[k].size();
            StringGrid1->SetCells(c, r, has ? FRows[k][static_cast<std::size_t>(c)] : "");
        }
}

void TForm_preview::FitColumns() {
    TCanvas measure;
    measure.Font = StringGrid1->Font();
    for (int c = 0; c < StringGrid1->ColCount(); ++c) {
        int w = c < static_cast<int>(std::size(kMinWidths)) ? kMinWidths[c] : 64;
        for (int r = 0; r < StringGrid1->RowCount(); ++r)
            w = std::max(w, measure.TextWidth(StringGrid1->Cells(c, r)) + 12);
        StringGrid1->SetColWidths(c, std::min(w, 400));
    }
}

void TForm_preview::SortByColumn(int col) {
    if (FRows.empty()) return;
    const int current = StringGrid1->Row();
    const std::vector<int> order = SortOrder(FRows, col);
    std::vector<TTableRow> sorted;
    sorted.reserve(FRows.size());
    int newRow = 0;
    for (std::size_t k = 0; k < order.size(); ++k) {
        sorted.push_back(std::move(FRows[static_cast<std::size_t>(order[k])]));
        if (order[k] + 1 == current) newRow = static_cast<int>(k) + 1;
    }
    FRows = std::move(sorted);
    ShowRows();
    if (newRow > 0) StringGrid1->SetRow(newRow);
}

bool TForm_preview::FindText() {
    const int rows = static_cast<int>(FRows.size());
    const int from = std::min(SearchRow, rows) + 1; // rows 1..rows are data
    for (int r = from; r <= rows; ++r) {
        const TTableRow& row = FRows[static_cast<std::size_t>(r - 1)];
        for (std::size_t c = 0; c < row.size(); ++c)
            if (!SearchText.empty() && row[c].find(SearchText) != std::string::npos) {
                StringGrid1->SelectCell(static_cast<int>(c), r);
                SearchRow = r;
                return true;
            }
    }
    return false;
}

void TForm_preview::Pick(int row) {
    if (row < 1 || row > static_cast<int>(FRows.size())) return;
    SelectedRow = row;
    AbortFlag = 0;
    SetModalResult(mrOk);
}

void TForm_preview::StringGrid1MouseDown(TObject*, TMouseButton Button, TShiftState, int X, int Y) {
    int col = -1, row = -1;
    StringGrid1->MouseToCell(X, Y, col, row);
    FDownRow = -1;
    if (row == 0 && col >= 0) {
        SortByColumn(col); // a click on a title, with either button
        return;
    }
    if (Button == mbLeft && row > 0) FDownRow = row;
}

void TForm_preview::StringGrid1MouseUp(TObject*, TMouseButton Button, TShiftState, int X, int Y) {
    int col = -1, row = -1;
    StringGrid1->MouseToCell(X, Y, col, row);
    // Only a click of the user opens a row: moving the current row with the keys or by a sort
    // does not.
    if (Button == mbLeft && row > 0 && row == FDownRow) Pick(row);
    FDownRow = -1;
}

void TForm_preview::Button_okClick(TObject*) {
    Pick(StringGrid1->Row());
}

void TForm_preview::mi_editsearchClick(TObject*) {
    FormPtr<TForm_Suchen> dialog(NewForm<TForm_Suchen>(this));
    dialog->Edit_suchbegriff->SetText(SearchText);
    if (dialog->ShowModal() != mrOk) return;
    SearchText = dialog->Edit_suchbegriff->Text();
    SearchRow = 0;
    if (!FindText()) ShowMessageForm(SearchText + " not found.");
}

void TForm_preview::SearchNext1Click(TObject*) {
    SearchRow = StringGrid1->Row();
    if (!FindText()) ShowMessageForm(SearchText + " not found.");
}

void TForm_preview::mi_fileExportExcelClick(TObject*) {
    std::vector<TTableRow> cells;
    TTableRow titles;
    for (int c = 0; c < StringGrid1->ColCount(); ++c)
        titles.push_back(StringGrid1->Cells(c, 0));
    cells.push_back(std::move(titles));
    cells.insert(cells.end(), FRows.begin(), FRows.end());
    std::string why;
    if (!TableToSpreadsheet || !TableToSpreadsheet(cells, why))
        ShowMessageForm(why.empty() ? std::string("Could not start Excel") : why);
}

void TForm_preview::mi_fileExitClick(TObject*) {
    AbortFlag = 1;
    SelectedRow = 0;
    SetModalResult(mrCancel);
    Close();
}

void TForm_preview::mi_HelpHelpClick(TObject*) {
    ShowHelp(3400, 0, 1);
    AbortFlag = 0;
}
