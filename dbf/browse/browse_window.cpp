#include "dbf/browse/browse_window.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <filesystem>
#include <cstdio>

#include "dbf/base/errors.h"
#include "dbf/browse/facade.h"
#include "dbf/browse/list_table.h"
#include "dbf/browse/tz_controls.h"
#include "dbf/index/maintain.h"
#include "dbf/table/search.h"
#include "dbf/table/transfer.h"
#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/help.h"
#include "framework/ui/listing.h"
#include "framework/ui/questions.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/menus.h"
#include "platform/gui/msgbox.h"
#include "platform/gui/screen.h"
#include "platform/os/codepage.h"
#include "platform/os/errors.h"
#include "platform/os/process.h"

namespace dbf {

std::function<TDbfMenuCaptions()> DbfMenuCaptionsHook;

namespace {

// The hourglass for the length of a scope.
class HourGlass {
public:
    HourGlass() { Screen()->SetCursor(crHourGlass); }
    ~HourGlass() { Screen()->SetCursor(crDefault); }
    HourGlass(const HourGlass&) = delete;
    HourGlass& operator=(const HourGlass&) = delete;
};

TMenuItem* AddItem(TComponent* owner, TMenuItem* parent, const char* name, const char* caption,
                   std::function<void()> onClick = {}) {
    auto* item = new TMenuItem(owner);
    item->SetName(name);
    item->SetCaption(caption);
    if (onClick) item->OnClick = [f = std::move(onClick)](TObject*) { f(); };
    parent->Add(item);
    return item;
}

// A text of the user's (a table's title) as the caption of item: an "&" in it shown as such, and
// the access key on its first letter or digit that no other item of the menu uses.
std::string CaptionWithFreeKey(std::string_view text, const TMenuItem* item) {
    std::string used;
    const TMenuItem* menu = item->ParentItem();
    for (int i = 0; menu != nullptr && i < menu->Count(); ++i)
        if (menu->Items(i) != item) used += AccessKey(menu->Items(i)->Caption());
    std::string out;
    bool keyed = false;
    for (const char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (!keyed && c < 0x80 && std::isalnum(c) &&
            used.find(static_cast<char>(std::tolower(c))) == std::string::npos) {
            out += '&';
            keyed = true;
        }
        out += ch;
        if (ch == '&') out += '&';
    }
    return out;
}

std::string TrimRight(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.pop_back();
    return s;
}

} // namespace

Tdbf4::Tdbf4(TComponent* AOwner) : TForm(AOwner), tzdbf(std::make_unique<TTzDbf>()) {
    SetName("dbf4");
    tzdbf->SetName("tzdbf");
    tzdbf->ReadOnly = false;
    tzdbf0.SetDataSet(tzdbf.get());
    // The window reports its errors itself: its dataset shows them through the application.
    BuildForm();
    Created();
}

Tdbf4::~Tdbf4() {
    try {
        tzdbf->Close();
    } catch (const std::exception&) {
        // A close that fails at exit has nothing left to report to.
    }
}

void Tdbf4::BuildForm() {
    SetCaption("Table");
    SetPosition(poScreenCenter);
    SetClientWidth(680);
    SetClientHeight(420);
    Label_title1 = new TLabel(this);
    Label_title1->SetName("Label_title1");
    Label_title1->SetBounds(8, 6, 300, 18);
    Label_title1->Hide();
    Label_title2 = new TLabel(this);
    Label_title2->SetName("Label_title2");
    Label_title2->SetBounds(8, 6, 420, 18);
    Label_filename = new TLabel(this);
    Label_filename->SetName("Label_filename");
    Label_filename->SetBounds(8, 6, 300, 18);
    Label_filename->Hide();
    Label_recno = new TLabel(this);
    Label_recno->SetName("Label_recno");
    Label_recno->SetBounds(440, 6, 200, 18);

    TzNavigator1 = new TTzNavigator(this);
    TzNavigator1->SetName("TzNavigator1");
    TzNavigator1->SetDataSource(&tzdbf0);
    TzNavigator1->SetShowHint(true);
    TzNavigator1->SetBounds(8, 30, 10 * 27, 26);

    auto button = [this](const char* name, const char* caption, int left, int width) {
        auto* b = new TButton(this);
        b->SetName(name);
        b->SetCaption(caption);
        b->SetBounds(left, 30, width, 26);
        return b;
    };
    Button_ok = button("Button_ok", "&OK", 290, 70);
    Button_cancel = button("Button_cancel", "&Cancel", 364, 70);
    Button_search = button("Button_search", "&Search", 438, 90);
    Button_SearchNext = button("Button_SearchNext", "Search &Next", 532, 110);
    Button_ok->OnClick = [this](TObject*) { Accept(); };
    Button_cancel->OnClick = [this](TObject*) { CancelClick(); };
    Button_cancel->SetCancel(true);
    Button_search->OnClick = [this](TObject*) { Search(false); };
    Button_SearchNext->OnClick = [this](TObject*) { Search(true); };

    TzGrid1 = new TTzGrid(this);
    TzGrid1->SetName("TzGrid1");
    TzGrid1->SetBounds(8, 62, 664, 350);
    TzGrid1->SetDataSource(&tzdbf0);
    TzGrid1->OnCellClick = [this](TObject*, int) {
        if (CloseAfter()) Accept();
    };
    TzGrid1->OnKeyDown = [this](TObject*, std::uint16_t& key, TShiftState) {
        if (CloseAfter() && (key == VK_UP || key == VK_DOWN)) {
            key = 0;
            Accept();
        }
    };
    TzGrid1->OnDepressTitle = [this](TObject*, int column) { SortByColumn(column); };
    TzGrid1->SetTitleHint("Right-click a column title to sort the table by that column");

    OpenDialog1 = new TOpenDialog(this);
    OpenDialog1->SetName("OpenDialog1");
    SaveDialog_htm = new TSaveDialog(this);
    SaveDialog_htm->SetName("SaveDialog_htm");
    SaveDialog_htm->Filter = "HTML files|*.HTM;*.HTML|All files|*.*";
    // The question about replacing a file is asked of the file really written.
    SaveDialog_htm->Options &= ~static_cast<TOpenOptions>(ofOverwritePrompt);
    SaveDialog_txt = new TSaveDialog(this);
    SaveDialog_txt->SetName("SaveDialog_txt");
    SaveDialog_txt->Filter = "txt|*.txt|All files|*.*";
    SaveDialog_txt->Options &= ~static_cast<TOpenOptions>(ofOverwritePrompt);

    MainMenu1 = new TMainMenu(this);
    MainMenu1->SetName("MainMenu1");
    TMenuItem* root = MainMenu1->Items();
    mi_File = AddItem(this, root, "mi_File", "&File");
    mi_fileExportHtml =
        AddItem(this, mi_File, "mi_fileExportHtml", "Export &HTML", [this] { ExportHtml(); });
    mi_fileSaveAsDelimited = AddItem(this, mi_File, "mi_fileSaveAsDelimited", "Save &As Delimited",
                                     [this] { SaveAsDelimited(); });
    mi_fileSep1 = AddItem(this, mi_File, "mi_fileSep1", "-");
    mi_fileAppenddbf =
        AddItem(this, mi_File, "mi_fileAppenddbf", "Append db&f", [this] { AppendDbf(); });
    mi_fileAppendDelimited = AddItem(this, mi_File, "mi_fileAppendDelimited", "Append De&limited",
                                     [this] { AppendDelimited(); });
    N2 = AddItem(this, mi_File, "N2", "-");
    mi_filePrint = AddItem(this, mi_File, "mi_filePrint", "&Print...", [this] { PrintTable(); });
    mi_fileSep3 = AddItem(this, mi_File, "mi_fileSep3", "-");
    mi_fileExit = AddItem(this, mi_File, "mi_fileExit", "E&xit", [this] { Accept(); });
    mi_edit = AddItem(this, root, "mi_edit", "&Edit");
    mi_editAppend = AddItem(this, mi_edit, "mi_editAppend", "&Append", [this] {
        if (!AppendRecordLocked() && FErrorCode != 0) ShowError(FErrorText);
    });
    mi_editPack = AddItem(this, mi_edit, "mi_editPack", "&Pack", [this] { Pack(); });
    mi_editPack->SetHint("Remove records to be deleted");
    mi_view = AddItem(this, root, "mi_view", "&View");
    mi_viewSearch = AddItem(this, mi_view, "mi_viewSearch", "&Search", [this] { Search(false); });
    mi_viewSearchNext =
        AddItem(this, mi_view, "mi_viewSearchNext", "Search &Next", [this] { Search(true); });
    mi_Help = AddItem(this, root, "mi_Help", "&Help");
    mi_helpdbf = AddItem(this, mi_Help, "mi_helpdbf", "dbf Structure", [] {
        ShowHelp(0, 0, 1);
        AbortFlag = 0;
    });
    mi_helpCommon = AddItem(this, mi_Help, "mi_helpCommon", "&Database", [] {
        ShowHelp(3210, 0, 1);
        AbortFlag = 0;
    });
    mi_helphilfebild = AddItem(this, mi_Help, "mi_helphilfebild", "Aux. &Image", [this] {
        ShowHelp(0, 0, 2);
        BringToFront();
        AbortFlag = 0;
    });
    mi_helpDatei = AddItem(this, mi_Help, "mi_helpDatei", "&File", [this] { HelpFile(); });
    SetMenu(MainMenu1);
    SetMenuCaptions();

    OnResize = [this](TObject*) { FormResize(); };
    OnCloseQuery = [this](TObject*, bool& canClose) { CloseQuery(canClose); };
    // The counter follows the current record, whatever moved it (keys, navigator, search).
    tzdbf0.OnDataChange = [this](TDataSource&, TField* field) {
        if (field == nullptr) ShowRecNo();
    };
    OnShow = [this](TObject*) {
        if (CloseAfter()) TzGrid1->SetSelectedIndex(DbfGridPosB - 1);
        // Fitted from its designed size, once (again only for new fitting settings): the
        // window lives for the whole run and keeps its size from one showing to the next.
        FDesign.Fit(this);
        ShowRecNo();
        FormResize();
        // The keys go to the current cell from the start: typing edits it at once.
        SetActiveControl(TzGrid1);
    };
}

void Tdbf4::SetMenuCaptions() {
    const TDbfMenuCaptions c = DbfMenuCaptionsHook ? DbfMenuCaptionsHook() : TDbfMenuCaptions{};
    mi_File->SetCaption(c.File);
    mi_filePrint->SetCaption(c.Print);
    mi_fileExit->SetCaption(c.Exit);
    mi_edit->SetCaption(c.Edit);
    mi_view->SetCaption(c.View);
    mi_Help->SetCaption(c.Help);
    mi_helpCommon->SetCaption(c.Database);
    mi_helpDatei->SetCaption(c.FileHelp);
}

void Tdbf4::FormResize() {
    TzGrid1->SetBounds(TzGrid1->Left(), TzGrid1->Top(),
                       std::max(ClientWidth() - TzGrid1->Left() - 1, 40),
                       std::max(ClientHeight() - TzGrid1->Top() - 1, 40));
}

void Tdbf4::ShowRecNo() {
    // Record number / count; empty without a table. A table the engine cannot read now shows no
    // number (the operation that met the fault reports it).
    std::string text;
    try {
        if (tzdbf->Active() && !tzdbf->IsEmpty())
            text = std::to_string(tzdbf->RecNo()) + "/" + std::to_string(tzdbf->RecordCount());
    } catch (const std::exception&) {
        text.clear();
    }
    Label_recno->SetCaption(text);
}

bool Tdbf4::Facade(const std::function<void()>& work) {
    try {
        work();
        return true;
    } catch (const std::exception& e) {
        FErrorCode = tzdbf->LastTziResult() != 0 ? tzdbf->LastTziResult() : 1;
        FErrorText = e.what();
        return false;
    }
}

bool Tdbf4::Command(const std::function<void()>& work) {
    try {
        work();
        return true;
    } catch (const EAbort&) {
        return false;
    } catch (const std::exception& e) {
        ApplicationHandleException(e);
        return false;
    }
}

std::string TableNotWritableWhy(const std::string& path, bool folderToo) {
    const std::string dir = std::filesystem::path(path).parent_path().string();
    if (folderToo && ::access((dir.empty() ? "." : dir).c_str(), W_OK) != 0)
        return "its folder " + dir + " cannot be written: " +
               FileErrorCause(os::ErrnoToDosForPath(errno, dir.c_str()), dir);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    if ((st.st_mode & 0222) == 0) return "the file is marked read-only";
    if (::access(path.c_str(), W_OK) == 0) return {};
    if (errno == EROFS) return "it lies on a file system mounted read-only";
    const passwd* owner = ::getpwuid(st.st_uid);
    return "you may not write it (it belongs to " +
           (owner != nullptr ? std::string(owner->pw_name) : std::to_string(st.st_uid)) + ")";
}

// ---- facade methods ------------------------------------------------------------------------

void Tdbf4::OpenTable(const std::string& path) {
    const HourGlass busy;
    // A table the user may read but not write (no write permission bit, as the read-only
    // attribute, or the system refuses this user writing) is opened for reading: it is shown
    // and picked from, and the edit view cannot change it and says why.
    FReadOnlyWhy = ::access(path.c_str(), R_OK) == 0 ? TableNotWritableWhy(path, false) : "";
    const bool readOnly = !FReadOnlyWhy.empty();
    const bool opened = Facade([&] {
        tzdbf->Close();
        FWorkingCopyOf.clear();
        FWorkingCopyWhy.clear();
        FNotKeptWhy.clear();
        tzdbf->ReadOnly = readOnly;
        tzdbf->SetDbfFileName(path);
        tzdbf->Open();
    });
    if (!opened && !readOnly && ::access(path.c_str(), R_OK) == 0 &&
        ::access(path.c_str(), W_OK) != 0) {
        FReadOnlyWhy = "the system refuses writing it";
        ResetError();
        Facade([&] {
            tzdbf->Close();
            tzdbf->ReadOnly = true;
            tzdbf->Open();
        });
    }
    Label_filename->SetCaption(path);
}

void Tdbf4::CloseTable() {
    // Edits made through the field setters are written, not dropped; an edit that cannot be
    // written (another program holds the record) is the window's error. Nothing is shown to go
    // back to: a record saved elsewhere meanwhile is kept or dropped, as the user says.
    tzdbf->EditCanResume = false;
    const bool posted = Facade([&] {
        if (tzdbf->Active()) tzdbf->CheckBrowseMode();
    });
    tzdbf->EditCanResume = true;
    if (posted) {
        Facade([&] { tzdbf->Close(); });
        return;
    }
    const std::int32_t code = FErrorCode; // the lost edit is what the user must hear of
    const std::string text = FErrorText;
    Facade([&] { tzdbf->Close(); });
    FErrorCode = code;
    FErrorText = text;
}

void Tdbf4::SetTitles(std::string_view title1, std::string_view title2) {
    Label_title1->SetCaption(title1);
    Label_title2->SetCaption(title2);
    SetHelpItemCaption();
}

void Tdbf4::SetHelpItemCaption() {
    // The table's own help item is named by title 2, else (no second title) by title 1.
    const std::string& title =
        Label_title2->Caption().empty() ? Label_title1->Caption() : Label_title2->Caption();
    mi_helpdbf->SetCaption(CaptionWithFreeKey(title, mi_helpdbf));
}

void Tdbf4::GoRecord(std::int32_t n) {
    Facade([&] { tzdbf->Go(n); });
}

bool Tdbf4::AppendRecordLocked() {
    bool locked = false;
    Facade([&] {
        locked = tzdbf->ALock();
        if (!locked) return;
        try {
            tzdbf->AppendRec();
        } catch (...) {
            tzdbf->UnLock();
            throw;
        }
        tzdbf->UnLock();
    });
    return locked;
}

std::int32_t Tdbf4::CurrentRecNo() {
    std::int32_t n = 0;
    Facade([&] { n = tzdbf->RecNo(); });
    return n;
}

std::int32_t Tdbf4::RecordCount() {
    std::int32_t n = 0;
    Facade([&] { n = tzdbf->RecCount(); });
    return n;
}

int Tdbf4::FieldCount() {
    int n = 0;
    Facade([&] { n = tzdbf->FieldCount(); });
    return n;
}

void Tdbf4::PackTable() {
    const HourGlass busy;
    Facade([&] { tzdbf->Pack(); });
}

void Tdbf4::SearchField(const std::string& text, bool& found, bool fromTop) {
    found = false;
    Facade([&] { found = tzdbf->Search(0, text, fromTop); });
}

void Tdbf4::GetFieldByIndex(int n, std::string& text) {
    text.clear();
    if (n < 1 || n > 255) return;
    Facade([&] { text = tzdbf->SField(static_cast<std::uint8_t>(n)); });
}

bool Tdbf4::GetFieldBool(std::string_view name) {
    bool v = false;
    Facade([&] { v = tzdbf->GetFieldBoolByName(std::string(name)); });
    return v;
}

void Tdbf4::SetFieldString(std::string_view name, std::string_view text) {
    Facade([&] { tzdbf->SetFieldStrByName(std::string(name), std::string(text)); });
}

void Tdbf4::SetFieldFloat(std::string_view name, long double value) {
    Facade([&] { tzdbf->SetFieldFloatByName(std::string(name), static_cast<double>(value)); });
}

void Tdbf4::SetFieldInt(std::string_view name, std::int64_t value) {
    Facade([&] { tzdbf->SetFieldIntByName(std::string(name), value); });
}

void Tdbf4::SetFieldBool(std::string_view name, bool value) {
    Facade([&] { tzdbf->SetFieldBoolByName(std::string(name), value); });
}

// ---- modes ---------------------------------------------------------------------------------

void Tdbf4::SetupMode(std::string_view text, std::uint16_t mode) {
    FMode = mode;
    SetMenuCaptions();
    SetHelpItemCaption();
    // A table opened for reading only shows the read view's controls in every mode.
    const bool read = IsReadView() || tzdbf->ReadOnly;
    const std::string& t1 = Label_title1->Caption();
    const std::string& t2 = Label_title2->Caption();
    if (IsReadView()) {
        SetCaption(t2 + "   " + t1);
    } else {
        SetCaption(t2 + "  " + t1 + "  (" + Label_filename->Caption() + ")");
    }
    TzNavigator1->SetVisibleButtons(read ? (1u << nbFirst) | (1u << nbPrior) | (1u << nbNext) |
                                               (1u << nbLast)
                                         : kAllNavButtons);
    for (TMenuItem* item :
         {mi_fileAppenddbf, mi_fileAppendDelimited, N2, mi_edit, mi_editAppend, mi_editPack})
        item->SetVisible(!read);
    TDBGridOptions options =
        dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgTabs;
    if (!read) options |= dgEditing;
    TzGrid1->SetOptions(options);
    TzGrid1->SetReadOnly(read);
    Command([&] {
        if (mode == 1) tzdbf->SetHideDeletedRecs(true);
        if (mode == 4 || !IsReadView()) tzdbf->SetHideDeletedRecs(false);
    });
    // Only a copy that is not kept is warned of (a writable table may well live in TempDir
    // itself), and a table opened for reading where the edit view was asked for.
    if (!read && tzdbf->Active() && !FWorkingCopyOf.empty()) {
        ShowMessageDialog(
            OemToAnsiString("No Write Access for dbf directory !  Temp directory used.") +
            "\n\nYou are changing a working copy: " + tzdbf->DbfFileName() +
            "\nNothing you change will be kept: the copy is deleted when the program ends, and " +
            FWorkingCopyOf + " stays as it is" +
            (FWorkingCopyWhy.empty() ? "" : " (" + FWorkingCopyWhy + ")") +
            ".\nTo keep changes, make " + FWorkingCopyOf +
            " and its folder writable for you, then open the table again.");
    } else if (!read && tzdbf->Active() && !FNotKeptWhy.empty()) {
        ShowMessageDialog("You are changing a table that is not kept: " + tzdbf->DbfFileName() +
                          "\nIts folder is deleted with everything in it when the program ends: " +
                          FNotKeptWhy);
    } else if (tzdbf->ReadOnly && !IsReadView() && !FReadOnlyWhy.empty()) {
        ShowMessageDialog("The table " + tzdbf->DbfFileName() +
                          " is open for reading only: " + FReadOnlyWhy +
                          ". Nothing in it can be changed here.");
    }
    FCloseAfter = text == "CLOSE" ? 1 : 0;
    ShowModal();
}

bool Tdbf4::LeaveEdit() {
    return Command([this] {
        if (tzdbf->Active()) tzdbf->CheckBrowseMode();
    });
}

void Tdbf4::CloseQuery(bool& canClose) {
    // However the window is left (OK, Cancel, Esc, the close box, Exit), a pending edit is
    // written first, as moving to another record writes it: a record saved elsewhere meanwhile
    // is asked about, and "go back" keeps the window with the edit.
    if (!tzdbf->Active() || (tzdbf->State() != dsEdit && tzdbf->State() != dsInsert)) return;
    try {
        tzdbf->CheckBrowseMode();
        return;
    } catch (const EAbort&) {
        canClose = false;
        TzGrid1->BackToEdit();
        return;
    } catch (const std::exception& e) {
        // Not written (another program holds the record, the disk is full): the user decides
        // whether the edit goes, never the window.
        const int answer = MessageBox(std::string(e.what()) +
                                          "\n\nYour changes to the record were not saved.\n"
                                          "OK: drop them and close the window.\nCancel: go back "
                                          "to them.",
                                      ProductTitle, MB_OKCANCEL | MB_ICONWARNING);
        if (answer != IDOK) {
            canClose = false;
            TzGrid1->BackToEdit();
            return;
        }
    }
    Command([this] { tzdbf->Cancel(); });
}

void Tdbf4::Accept() {
    AbortFlag = 0;
    // A pending edit that cannot be written keeps the window open with the typed values, the
    // keyboard back in the edited cell.
    if (!LeaveEdit()) {
        TzGrid1->BackToEdit();
        return;
    }
    LastKey = 13;
    if (tzdbf->Active() && !tzdbf->IsEmpty()) DbfSelectedRecNo = tzdbf->RecNo();
    DbfGridPosA = TzGrid1->CurrentRow() + 1;
    DbfGridPosB = TzGrid1->SelectedIndex() + 1;
    SetModalResult(mrOk);
    if (!Modal()) Close();
}

void Tdbf4::CancelClick() {
    AbortFlag = 1;
    LastKey = 27;
    SetModalResult(mrCancel);
    if (!Modal()) Close();
}

// ---- search ----------------------------------------------------------------------------------

void Tdbf4::Search(bool next) {
    const std::uint16_t savedHelp = HelpNo;
    HelpNo = 2450;
    bool asked = true;
    if (!next) {
        std::string text = FSearchText;
        AbortFlag = 0;
        InputText("Type search string", 50, text);
        if (AbortFlag != 0) {
            AbortFlag = 0;
            asked = false;
        } else {
            FSearchText = text;
        }
    }
    if (asked && tzdbf->Active()) {
        bool found = false;
        {
            const HourGlass busy;
            SearchField(FSearchText, found, !next);
            if (!found && FSearchText.find(',') != std::string::npos) {
                std::string dotted = FSearchText;
                std::replace(dotted.begin(), dotted.end(), ',', '.');
                SearchField(dotted, found, !next);
            }
        }
        if (FErrorCode != 0) {
            ShowError(FErrorText);
            ResetError();
        } else if (!found) {
            ShowMessageDialog(FSearchText + " " + "not found");
        }
    }
    HelpNo = savedHelp;
    if (asked && CloseAfter()) Accept();
}

// ---- sort ----------------------------------------------------------------------------------

std::string Tdbf4::SortIndexName() const {
    return TempSortIndexName(AddBackslash(TempDir));
}

void Tdbf4::SortByColumn(int column) {
    if (!tzdbf->Active() || !LeaveEdit()) return;
    Command([&] {
        DbfSelectedRecNo = tzdbf->IsEmpty() ? 1 : tzdbf->RecNo();
        // The column's own field: a caller may have put the columns in another order.
        const TField* shown = column >= 0 && column < TzGrid1->ColumnCount()
                                  ? TzGrid1->Columns(column).Field
                                  : nullptr;
        const int n = shown != nullptr && shown->FieldNo() > 0 ? shown->FieldNo() : column + 1;
        const TDbfFieldProps* props = tzdbf->FieldProps();
        if (!props || n < 1 || n > props->Count()) return;
        const TDTField& f = props->Field(n);
        // The engine refuses keys of logical and memo fields and keys over 100 characters.
        std::string key = f.Name;
        if (f.Type == 'L') key = "IIF(" + f.Name + ",\"T\",\"F\")";
        if (f.Type == 'C' && f.Length > 100) key = "LEFT(" + f.Name + ",100)";
        if (f.Type == 'M' || f.Type == 'B' || f.Type == 'G') {
            TzGrid1->ClearDepressedTitle();
            ShowMessageDialog("The memo field " + f.Name + " cannot be sorted.");
            return;
        }
        const HourGlass busy;
        tzdbf->IndexOn(key, SortIndexName());
        if (!tzdbf->IsEmpty()) tzdbf->Go(DbfSelectedRecNo);
    });
}

// ---- export, import, print -----------------------------------------------------------------

std::string Tdbf4::PeekText(int field, std::int32_t record) {
    const std::string raw = tzdbf->Peek(static_cast<std::uint8_t>(field), record);
    return os::ToUtf8(tzdbf->TextPage(), raw);
}

bool Tdbf4::WriteHtml(const std::string& fileName) {
    // Through the program's one way of replacing a file: a draft beside it, put in place whole.
    TextFile out;
    out.Assign(fileName, TextEncoding::Utf8);
    int rc = out.Rewrite();
    const bool built =
        rc == 0 && Command([&] {
            const int fields = tzdbf->FieldCount();
            const std::int32_t count = tzdbf->RecCount();
            auto line = [&out](const std::string& s) { out.WriteLine(s); };
            line("<HTML>");
            line("<head><meta charset=\"utf-8\"><title>" + HtmlEscape(BaseNameNoExt(fileName)) +
                 "</title></head>");
            line("<BODY BGCOLOR=\"C0C0C0\">");
            line("<P>" + HtmlEscape(ProductTitle + "V" + std::string(VersionCode)) + "</P>");
            line("<P>" + HtmlEscape(UpperCaseStr(fileName)) + "</P>");
            line("<P>" + HtmlEscape(DateString() + " - " + TimeString()) + "</P>");
            line("<HR>");
            line("<TABLE BORDER = \"1\" WIDTH= \"100%\">");
            std::string head = "<TR>";
            for (int i = 1; i <= fields; ++i)
                head += "<TD><CENTER>" + HtmlEscape(tzdbf->Field(static_cast<std::uint8_t>(i))) +
                        "</CENTER></TD>";
            line(head + "</TR>");
            for (std::int32_t r = 1; r <= count && out.Error() == 0; ++r) {
                std::string row = "<TR>";
                for (int i = 1; i <= fields; ++i)
                    row += "<TD>" + HtmlEscape(TrimRight(PeekText(i, r))) + "</TD>";
                line(row + "</TR>");
            }
            line("</TABLE>");
            line("</BODY>");
            line("</HTML>");
        });
    if (built) rc = out.Error() != 0 ? out.Error() : out.Close();
    if (built && rc == 0) return true;
    out.Discard(); // the file there before stays
    if (rc != 0) ShowError(FileWriteProblem(fileName, rc));
    AbortFlag = 1;
    return false;
}

void Tdbf4::ExportHtml() {
    if (!tzdbf->Active() || !LeaveEdit()) return;
    SaveDialog_htm->FileName = BaseNameNoExt(tzdbf->DbfFileName()) + ".htm";
    if (!SaveDialog_htm->Execute()) return;
    // The one path of files the user names: ".htm" added to any other name, never the job or
    // the open table, the replace question about the file written.
    AbortFlag = 0;
    const std::string file = PrepareOutputFile(SaveDialog_htm->FileName, "htm|html");
    if (file.empty() || !WriteHtml(file)) return;
    const std::vector<std::string> cmd = ListProgramCommand(HtmlBrowser, file);
    if (!cmd.empty()) os::StartProcess(cmd);
}

void Tdbf4::PrintTable() {
    if (!tzdbf->Active() || !LeaveEdit()) return;
    ListHeader(ProductTitle + " V" + std::string(VersionCode), tzdbf->DbfFileName(), Caption(),
               Label_title1->Caption(), "", 0);
    AbortFlag = 0;
    ListBegin(0, DataFileName);
    if (AbortFlag != 0) return;
    if (!ListRewrite()) return;
    ListHtmlHeader();
    if (AbortFlag != 0) return;
    ListLine("");
    if (AbortFlag != 0) return;
    Command([&] {
        const int fields = tzdbf->FieldCount();
        const int columns = std::min(7, fields);
        ListTable::Widths7 widths{};
        std::array<std::string, 7> titles, cells;
        for (int i = 0; i < columns; ++i) {
            titles[static_cast<std::size_t>(i)] = LeftStr(tzdbf->Field(std::uint8_t(i + 1)), 65);
            widths[static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(std::min(tzdbf->FieldLen(std::uint8_t(i + 1)) + 1, 255));
        }
        auto views = [](const std::array<std::string, 7>& a) {
            ListTable::Texts7 v;
            for (std::size_t i = 0; i < 7; ++i)
                v[i] = a[i];
            return v;
        };
        ListTable table(widths, views(titles));
        const std::int32_t count = tzdbf->RecCount();
        for (std::int32_t r = 1; r <= count && AbortFlag == 0; ++r) {
            for (int i = 0; i < columns; ++i)
                cells[static_cast<std::size_t>(i)] = LeftStr(PeekText(i + 1, r), 65);
            table.WriteRow(views(cells));
        }
    });
    ListEnd();
}

void Tdbf4::AppendDbf() {
    if (!tzdbf->Active() || !LeaveEdit()) return;
    OpenDialog1->Filter = "*.dbf|*.dbf";
    OpenDialog1->DefaultExt = "dbf";
    if (!OpenDialog1->Execute()) return;
    const std::string file = OpenDialog1->FileName;
    Command([&] {
        if (!tzdbf->FLock()) DatabaseError("File not locked [AppendFrom]");
        try {
            tzdbf->AppendFrom(file);
        } catch (...) {
            tzdbf->UnLock();
            throw;
        }
        tzdbf->UnLock();
        TellAppendLost();
    });
}

void Tdbf4::AppendDelimited() {
    if (!tzdbf->Active() || !LeaveEdit()) return;
    OpenDialog1->Filter = "*.txt|*.txt";
    OpenDialog1->DefaultExt = "txt";
    if (!OpenDialog1->Execute()) return;
    const std::string file = OpenDialog1->FileName;
    Command([&] {
        if (!tzdbf->FLock()) DatabaseError("File not locked [AppendFromDelimited]");
        try {
            tzdbf->AppendFromDelimited(file);
        } catch (...) {
            tzdbf->UnLock();
            throw;
        }
        tzdbf->UnLock();
        TellAppendLost();
    });
}

void Tdbf4::TellAppendLost() {
    if (AppendLost.empty()) return;
    ShowMessageDialog(tzdbf->DbfFileName() + " holds its texts in " +
                      os::CodePageName(tzdbf->TextPage()) + ", which has no " +
                      QuotedCharacters(AppendLost) + ": they were stored as \"?\".");
}

void Tdbf4::SaveAsDelimited() {
    if (!tzdbf->Active() || !LeaveEdit()) return;
    SaveDialog_txt->FileName = BaseNameNoExt(tzdbf->DbfFileName()) + ".txt";
    if (!SaveDialog_txt->Execute()) return;
    AbortFlag = 0;
    const std::string file = PrepareOutputFile(SaveDialog_txt->FileName, "txt");
    if (file.empty()) return;
    Command([&] {
        if (!tzdbf->FLock()) DatabaseError("File not locked [CopyToDelimited]");
        try {
            tzdbf->CopyToDelimited(file);
        } catch (...) {
            tzdbf->UnLock();
            throw;
        }
        tzdbf->UnLock();
        if (!DelimitedLost.empty())
            ShowMessageDialog(file + " is Windows text (code page 1252), which has no " +
                              QuotedCharacters(DelimitedLost) +
                              ": they were written as \"?\". Export HTML keeps every character.");
    });
}

void Tdbf4::Pack() {
    if (!tzdbf->Active() || !LeaveEdit()) return;
    const HourGlass busy;
    Command([&] { tzdbf->Pack(); });
}

void Tdbf4::HelpFile() {
    ShowMessageDialog(tzdbf->DbfFileName());
}

} // namespace dbf
