// whbild: the catalogue of auxiliary pictures.
#include "framework/ui/help_pictures.h"

#include <algorithm>

#include "framework/ui/dialogs.h"
#include "framework/ui/draw_device.h"
#include "framework/ui/drawing_window.h"
#include "framework/core/globals.h"
#include "framework/ui/help.h"
#include "framework/ui/hpgl.h"
#include "framework/core/settings.h"
#include "framework/ui/questions.h"
#include "framework/core/text.h"
#include "platform/gui/screen.h"
#include "platform/os/paths.h"
#include "platform/os/utf8.h"

namespace {

// Reads one quoted field from pos: one leading "," is skipped; then a double quote (or the line
// end) must follow; the field runs to the next double quote or the line end.
bool ReadQuotedField(std::string_view line, std::size_t& pos, std::string& field) {
    field.clear();
    if (pos < line.size() && line[pos] == ',') ++pos;
    if (pos >= line.size()) return true;
    if (line[pos] != '"') return false;
    ++pos;
    const std::size_t end = line.find('"', pos);
    field = std::string(line.substr(pos, end == std::string_view::npos ? end : end - pos));
    pos = end == std::string_view::npos ? line.size() : end + 1;
    return true;
}

bool ReadLines(const std::string& file, std::vector<std::string>& lines) {
    lines.clear();
    TextFile f;
    f.Assign(file, TextEncoding::Oem);
    if (f.Reset() != 0) return false;
    std::string line;
    while (!f.Eof()) {
        if (f.ReadLine(line) != 0) return false;
        lines.push_back(line);
    }
    return true;
}

// The index rewritten with lines; on failure the old index stays and the user is told. An
// index found under another letter case is replaced under its own name.
bool WriteLines(const std::string& file, const std::vector<std::string>& lines) {
    std::string real;
    if (os::ResolvePathNoCase(file, real) != 0) real = file;
    TextFile f;
    f.Assign(real, TextEncoding::Oem);
    bool ok = f.Rewrite() == 0;
    for (const std::string& l : lines) {
        if (!ok) break;
        ok = f.WriteLine(l) == 0;
    }
    if (ok) {
        ok = f.Close() == 0;
    } else {
        f.Discard();
    }
    if (!ok) {
        ShowError("file " + file + " " + "write error" + " - " + "nothing was saved" + " !");
        AbortFlag = 1;
    }
    return ok;
}

template <class Change> bool ChangeIndex(const std::string& file, Change change) {
    std::vector<std::string> lines;
    if (!ReadLines(file, lines)) {
        ShowError("file " + file + " " + "read error" + " - " + "nothing was saved" + " !");
        AbortFlag = 1;
        return false;
    }
    if (!change(lines)) return false;
    return WriteLines(file, lines);
}

bool LineInRange(const std::vector<std::string>& lines, int i) {
    return i >= 0 && static_cast<std::size_t>(i) < lines.size();
}

// The catalogue's room at the foot of the drawing window, in the window's pixels: the selection
// window (80 high at the dialog size of 100 %) with a title bar (at most kTitleBar), and a margin
// above and below it.
constexpr int kTitleBar = 30, kMargin = 12;
int CatalogueRoom() {
    const int percent = FormSizePercent >= 10 && FormSizePercent <= 1000 ? FormSizePercent : 100;
    return 80 * percent / 100 + kTitleBar + 2 * kMargin;
}

// Below a picture shown beside the catalogue the world holds an empty band as high as the
// catalogue's room (in mm of the 160 x 120 mm picture, drawn to the window's height), so the
// catalogue at the window's foot covers none of the picture.
long double CatalogueBand() {
    int height = 0;
    if (DrawWindow != nullptr) {
        height = DrawWindow->ClientHeight();
    } else {
        int left = 0, top = 0, width = 0;
        Screen()->WorkArea(left, top, width, height);
    }
    // A window lower than twice the room gives the picture half its height.
    const int room = CatalogueRoom();
    if (height < 2 * room) return 120.0L;
    return 120.0L * room / (height - room);
}

// overDrawing: a help picture of the catalogue, which keeps the job's drawing to come back
// afterwards and leaves the catalogue's room free.
void ShowPictureFile(const std::string& path, bool overDrawing) {
    if (DrawDevice == nullptr) return;
    if (overDrawing) KeepDrawingUnderPicture();
    DrawDevice->ClearDevice();
    DrawDevice->DrawHeader(0, overDrawing ? -CatalogueBand() : 0, 160, 120);
    DrawHpglFile(path);
    if (overDrawing) PictureDrawn();
    DrawDevice->ClearDrawArea();
}

// The picture file chosen in the open dialog: its name (without ".plt") in name; PltDir
// follows the dialog's directory. False (AbortFlag) when cancelled.
void BrowseHelpPictures();

// The entry (1-based) whose picture the help topic of HelpNo names; 1 when none does.
int ContextEntry(const std::vector<DbhEntry>& entries) {
    if (HelpNo == 0) return 1;
    const std::string picture = LowerCaseStr(FindHelpTopic(HelpNo).Picture);
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (DbhPictureName(entries[i].Name) == picture) return static_cast<int>(i) + 1;
    return 1;
}

bool PickPicture(std::string& name) {
    std::string dir = PltDir;
    SelectOpenFile(1, dir, "*.plt", name);
    if (AbortFlag != 0 || name.empty()) return false;
    PltDir = DelBackslash(dir);
    return true;
}

} // namespace

std::string DbhFileName() {
    return AddBackslash(PltDir) + LowerCaseStr(ProgramName) + ".dbh";
}

bool ReadDbhEntries(const std::string& file, std::vector<DbhEntry>& entries) {
    entries.clear();
    std::vector<std::string> lines;
    if (!ReadLines(file, lines)) return false;
    bool reported = false;
    for (std::size_t i = 0; i < lines.size() && entries.size() < DbhMaxEntries; ++i) {
        const std::string& line = lines[i];
        if (TrimBlanks(line).empty()) continue;
        std::size_t pos = 0;
        DbhEntry e;
        if (!ReadQuotedField(line, pos, e.Name) || !ReadQuotedField(line, pos, e.Title)) {
            if (!reported) ShowError("DBH file error");
            reported = true;
            continue;
        }
        e.FileLine = static_cast<int>(i);
        entries.push_back(e);
    }
    return true;
}

std::string DbhLine(std::string_view name, std::string_view title) {
    // A double quote would end the field early: it becomes a single quote.
    auto clean = [](std::string_view s) {
        std::string r(s);
        for (char& c : r)
            if (c == '"') c = '\'';
        return r;
    };
    return "\"" + clean(name) + "\",\"" + clean(os::Utf8Left(title, DbhTitleLength)) + "\"";
}

std::string DbhListText(const DbhEntry& e) {
    std::string name = os::Utf8Left(e.Name, DbhNameLength);
    name.append(DbhNameLength - os::Utf8Length(name), ' ');
    return os::Utf8Left(name + ": " + e.Title, TextLineCapacity);
}

std::string DbhPictureName(std::string_view name) {
    return LowerCaseStr(WithoutBlanks(os::Utf8Left(name, DbhNameLength)));
}

bool DbhAppend(const std::string& file, std::string_view name, std::string_view title) {
    // A missing index is started by the first entry.
    if (!FileExist(file)) return WriteLines(file, {DbhLine(name, title)});
    return ChangeIndex(file, [&](std::vector<std::string>& l) {
        l.push_back(DbhLine(name, title));
        return true;
    });
}

bool DbhDelete(const std::string& file, int fileLine) {
    return ChangeIndex(file, [&](std::vector<std::string>& l) {
        if (!LineInRange(l, fileLine)) return false;
        l.erase(l.begin() + fileLine);
        return true;
    });
}

bool DbhReplace(const std::string& file, int fileLine, std::string_view name,
                std::string_view title) {
    return ChangeIndex(file, [&](std::vector<std::string>& l) {
        if (!LineInRange(l, fileLine)) return false;
        l[static_cast<std::size_t>(fileLine)] = DbhLine(name, title);
        return true;
    });
}

bool DbhInsert(const std::string& file, int fileLine, std::string_view name,
               std::string_view title) {
    return ChangeIndex(file, [&](std::vector<std::string>& l) {
        if (fileLine < 0 || static_cast<std::size_t>(fileLine) > l.size()) return false;
        l.insert(l.begin() + fileLine, DbhLine(name, title));
        return true;
    });
}

void ShowPltPicture(std::string_view name) {
    DrawingKind = 1;
    std::string file = LowerCaseStr(name);
    if (file.size() < 4 || file.compare(file.size() - 4, 4, ".plt") != 0) file += ".plt";
    ShowPictureFile(AddBackslash(PltDir) + file, false);
}

void WriteHpglModeOn(TextFile& file) {
    file.Write("\x1b"
               "E\x1b%0B");
}

void WriteHpglModeOff(TextFile& file) {
    file.Write("\x1b%0A\x1b"
               "E");
}

void ShowHelpPictures() {
    AbortFlag = 0;
    // Opened from a dialog, the pictures stay beside it until it closes; from the menu, the
    // job's drawing comes back when the browsing ends.
    const TForm* top = TForm::TopForm();
    const bool fromDialog = top != nullptr && top->Modal();
    BrowseHelpPictures();
    if (!fromDialog) RestoreDrawingUnderPicture();
}

namespace {

void BrowseHelpPictures() {
    int shownLast = 1;
    for (int pass = 1;; ++pass) {
        const std::string index = DbhFileName();
        if (!FileExist(index)) {
            std::string name;
            if (!PickPicture(name)) break;
            ShowPictureFile(AddBackslash(PltDir) + name + ".plt", true);
            if (AbortFlag != 0) break;
            continue;
        }
        std::vector<DbhEntry> entries;
        if (!ReadDbhEntries(index, entries)) {
            CheckFileReadable(index);
            break;
        }
        const int n = static_cast<int>(entries.size());
        for (int i = 0; i < n; ++i)
            TextLines[i + 1] = DbhListText(entries[static_cast<std::size_t>(i)]);
        const char* actions[5] = {"-----  Append  -----", "-----  Delete  -----",
                                  "-----  Edit  ------", "-----  Insert ------",
                                  "!-----  Print/Plot HP-GL/2  ------"};
        for (int a = 0; a < 5; ++a)
            TextLines[n + 1 + a] = actions[a];
        int selection = 1;
        int action = 0;
        if (pass == 1) {
            if (n == 0) action = 1;
            // The pictures of the current context: the entry of the picture its help topic names.
            selection = ContextEntry(entries);
        } else {
            HelpNo = 2300;
            auto form = CreateForm<TForm_hilfebild>();
            form->SetCaption(ProductTitle + " " + "Auxiliary Images");
            form->EntryCount = static_cast<std::uint16_t>(n);
            form->SelectedEntry = static_cast<std::uint16_t>(shownLast);
            // Closed without a button (the close box) ends the browsing like OK.
            if (form->ShowModal() != mrOk || AbortFlag != 0) break;
            action = form->PictureAction;
            selection = form->SelectedEntry;
        }
        // The action lines after the entries stand for their actions.
        if (action == 0 && selection == n + 1) action = 1;
        if (action == 0 && selection == n + 2) action = 3;
        if (action == 0 && selection == n + 3) action = 9;
        if (action == 0 && selection == n + 4) action = 2;
        const bool entryChosen = selection >= 1 && selection <= n;
        const DbhEntry* chosen =
            entryChosen ? &entries[static_cast<std::size_t>(selection - 1)] : nullptr;
        if (action == 0) {
            if (chosen == nullptr) break;
            ShowPictureFile(AddBackslash(PltDir) + DbhPictureName(chosen->Name) + ".plt", true);
            shownLast = selection;
        } else if (action == 1) {
            HelpNo = 2310;
            std::string name, title;
            if (!PickPicture(name)) break;
            InputText("Aux.Graph. Information", DbhTitleLength, title);
            if (AbortFlag != 0) break;
            DbhAppend(DbhFileName(), name, title);
        } else if (action == 3 || action == 9 || action == 2) {
            const char* prompt = action == 3   ? "Select line to delete..."
                                 : action == 9 ? "Select line to modify..."
                                               : "Insert before which line ?";
            HelpNo = action == 3 ? 2320 : action == 9 ? 2330 : 2350;
            if (n == 0 && action != 2) break;
            int k = entryChosen ? selection : 1;
            if (action == 3 && entryChosen) {
                // The question names what goes: picture file and title. No goes back to the
                // catalogue on the same picture; Cancel ends the browsing.
                if (!AskYesNoCancel("Delete " + DbhPictureName(chosen->Name) + " (" +
                                    TrimBlanks(chosen->Title) + ") ?")) {
                    if (AbortFlag != 0) break;
                    shownLast = selection;
                    continue;
                }
            } else if (!entryChosen) {
                if (n == 0) {
                    k = 1;
                } else {
                    SelectCode(prompt, n, k);
                    if (AbortFlag != 0) break;
                }
            }
            const DbhEntry* e = n > 0 ? &entries[static_cast<std::size_t>(k - 1)] : nullptr;
            if (action == 3) {
                DbhDelete(index, e->FileLine);
                shownLast = 1;
            } else if (action == 9) {
                std::string name = DbhPictureName(e->Name), title = e->Title;
                HelpNo = 2340;
                InputText("File name (without extension .plt)", DbhNameLength, name);
                if (AbortFlag != 0) break;
                HelpNo = 2330;
                InputText("Aux.Graph. Information", DbhTitleLength, title);
                if (AbortFlag != 0) break;
                DbhReplace(index, e->FileLine, name, title);
            } else {
                std::string name, title;
                if (!PickPicture(name)) break;
                HelpNo = 2330;
                InputText("Aux.Graph. Information", DbhTitleLength, title);
                if (AbortFlag != 0) break;
                DbhInsert(DbhFileName(), e != nullptr ? e->FileLine : 0, name, title);
            }
        }
        if (AbortFlag != 0) break;
    }
    AbortFlag = 0;
}

} // namespace

// ---- TForm_hilfebild

TForm_hilfebild::TForm_hilfebild(TComponent* AOwner) : TForm(AOwner) {
    SetName("hilfebild");
    SetBounds(0, 0, 532, 80); // the list shows a whole entry line of 65 characters
    ListBox1 = new TComboBox(this);
    ListBox1->SetName("ListBox1");
    ListBox1->SetStyle(csDropDownList);
    ListBox1->SetBounds(8, 8, 473, 21);
    ListBox1->DropDownCount = 20;
    ListBox1->OnChange = [this](TObject* s) { ListBox1Change(s); };
    SpinButton1 = new TUpDown(this);
    SpinButton1->SetName("SpinButton1");
    SpinButton1->SetBounds(488, 6, 20, 25);
    SpinButton1->OnClick = [this](TObject* s, TUDBtnType b) {
        if (b == btNext)
            SpinButton1UpClick(s);
        else
            SpinButton1DownClick(s);
    };
    auto button = [this](const char* name, int left) {
        auto* b = new TButton(this);
        b->SetName(name);
        b->SetBounds(left, 44, 68, 25);
        return b;
    };
    Button_ok = button("Button_ok", 8);
    Button_ok->SetDefault(true);
    Button_ok->SetCancel(true);
    Button_help = button("Button_help", 80);
    Button_neu = button("Button_neu", 152);
    Button_aendern = button("Button_aendern", 224);
    Button_einfuegen = button("Button_einfuegen", 296);
    Button_loeschen = button("Button_loeschen", 368);
    Button_ok->OnClick = [this](TObject* s) { Button_okClick(s); };
    Button_help->OnClick = [this](TObject* s) { Button_helpClick(s); };
    Button_neu->OnClick = [this](TObject* s) { Button_neuClick(s); };
    Button_aendern->OnClick = [this](TObject* s) { Button_aendernClick(s); };
    Button_einfuegen->OnClick = [this](TObject* s) { Button_einfuegenClick(s); };
    Button_loeschen->OnClick = [this](TObject* s) { Button_loeschenClick(s); };
    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnShow = [this](TObject* s) { FormShow(s); };
    OnDestroy = [this](TObject* s) { FormDestroy(s); };
}

void TForm_hilfebild::FormCreate(TObject*) {
    SetBorderStyle(bsToolWindow);
    SetBorderIcons(0);
    FitFormAtPos(this);
    // Never placed before (the stored position is the corner): in the room kept free at the foot
    // of the drawing window (else of the screen), where the user may move it; the place is kept.
    if (FitFormMode != 2 && FormLeft <= 1 && FormTop <= 1) {
        int left = 0, top = 0, width = 0, height = 0;
        Screen()->WorkArea(left, top, width, height);
        if (DrawWindow != nullptr) {
            left = DrawWindow->Left();
            width = DrawWindow->Width();
            // The drawing's foot: the window's top, its title bar and its height.
            height =
                std::min(DrawWindow->Top() + kTitleBar + DrawWindow->Height(), top + height) - top;
        }
        SetBounds(left + std::max((width - Width()) / 2, 0),
                  top + std::max(height - kMargin - kTitleBar - Height(), 0), Width(), Height());
    }
    Button_ok->SetCaption("&OK");
    Button_help->SetCaption("&Help");
    Button_neu->SetCaption("&New");
    Button_aendern->SetCaption("&Modify");
    Button_einfuegen->SetCaption("&Insert");
    Button_loeschen->SetCaption("&Delete");
    PictureAction = 0;
}

void TForm_hilfebild::FormShow(TObject*) {
    Filling = 1;
    ListBox1->Items().Clear();
    for (int i = 1; i <= EntryCount && i <= DbhMaxEntries; ++i)
        ListBox1->Items().Add(OemToAnsiString(TextLines[i].str()));
    ListBox1->SetItemIndex(SelectedEntry >= 1 && SelectedEntry <= EntryCount ? SelectedEntry - 1
                                                                             : -1);
    SpinButton1->SetMin(1);
    SpinButton1->SetMax(std::max<int>(1, EntryCount));
    PictureAction = 0;
    Filling = 0;
}

void TForm_hilfebild::FormDestroy(TObject*) {
    FormTop = Top();
    FormLeft = Left();
}

void TForm_hilfebild::Choose(int entry) {
    SelectedEntry = static_cast<std::uint16_t>(entry);
    AbortFlag = 0;
    SetModalResult(mrOk);
}

void TForm_hilfebild::Act(std::uint16_t action) {
    PictureAction = action;
    SelectedEntry = static_cast<std::uint16_t>(ListBox1->ItemIndex() + 1);
    AbortFlag = 0;
    SetModalResult(mrOk);
}

void TForm_hilfebild::ListBox1Change(TObject*) {
    if (Filling) return;
    Choose(ListBox1->ItemIndex() + 1);
}

void TForm_hilfebild::SpinButton1UpClick(TObject*) {
    if (Filling) return;
    const int i = ListBox1->ItemIndex() + 1;
    if (i > 1) Choose(i - 1);
}

void TForm_hilfebild::SpinButton1DownClick(TObject*) {
    if (Filling) return;
    const int i = ListBox1->ItemIndex() + 1;
    if (i < EntryCount) Choose(i + 1);
}

void TForm_hilfebild::Button_neuClick(TObject*) {
    PictureAction = 1;
    SelectedEntry = static_cast<std::uint16_t>(EntryCount + 1);
    AbortFlag = 0;
    SetModalResult(mrOk);
}

void TForm_hilfebild::Button_einfuegenClick(TObject*) {
    Act(2);
}
void TForm_hilfebild::Button_loeschenClick(TObject*) {
    Act(3);
}
void TForm_hilfebild::Button_aendernClick(TObject*) {
    Act(9);
}

void TForm_hilfebild::Button_okClick(TObject*) {
    AbortFlag = 1;
    PictureAction = 0;
    SetModalResult(mrOk);
}

void TForm_hilfebild::Button_helpClick(TObject*) {
    ShowHelp(HelpNo, 1);
    AbortFlag = 0;
}
