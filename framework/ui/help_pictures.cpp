// whbild: the catalogue of auxiliary pictures.
#include "framework/ui/help_pictures.h"

#include <algorithm>
#include <filesystem>

#include "framework/ui/dialogs.h"
#include "framework/ui/draw_device.h"
#include "framework/ui/drawing_window.h"
#include "framework/core/globals.h"
#include "framework/ui/help.h"
#include "framework/ui/hpgl.h"
#include "framework/core/config_file.h"
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

// 0, or the code of the failure (a folder, pipe or device in the catalogue's place included:
// the reader opens only regular files).
int ReadLines(const std::string& file, std::vector<std::string>& lines) {
    lines.clear();
    TextFile f;
    // An entry names a file wherever it is: a line the DOS page cannot hold is kept in UTF-8.
    f.Assign(file, TextEncoding::Utf8);
    if (const int rc = f.Reset(); rc != 0) return rc;
    std::string line;
    while (!f.Eof()) {
        if (const int rc = f.ReadLine(line); rc != 0) {
            f.Discard();
            return rc;
        }
        lines.push_back(DecodeKeptLine(line, TextEncoding::Oem));
    }
    f.Discard();
    return 0;
}

bool Missing(int code) {
    return code == os::kErrFileNotFound || code == os::kErrPathNotFound;
}

// 0 for a catalogue that can be read, a missing-file code when there is none, else the code
// that says why the name cannot serve as one (a folder, a named pipe, a device ...).
int CatalogueState(const std::string& file) {
    std::vector<std::string> lines;
    return ReadLines(file, lines);
}

// what: "cannot be read", "cannot be written" or "cannot be used".
void RefuseChange(const std::string& file, std::string_view what, int code) {
    ShowError("file " + file + " " + std::string(what) + ": " + FileErrorCause(code, file) + " - " +
              "nothing was saved" + " !");
    AbortFlag = 1;
}

// The index rewritten with lines; on failure the old index stays and the user is told. An
// index found under another letter case is replaced under its own name.
bool WriteLines(const std::string& file, const std::vector<std::string>& lines) {
    std::string real;
    if (os::ResolvePathNoCase(file, real) != 0) real = file;
    // Never written through to a device or a pipe in the catalogue's place.
    if (const int state = CatalogueState(real); state != 0 && !Missing(state)) {
        RefuseChange(file, "cannot be used", state);
        return false;
    }
    TextFile f;
    f.Assign(real, TextEncoding::Utf8);
    int rc = f.Rewrite();
    for (std::size_t i = 0; rc == 0 && i < lines.size(); ++i)
        rc = f.WriteLine(EncodeKeptLine(lines[i], TextEncoding::Oem));
    if (rc == 0) {
        rc = f.Close();
    } else {
        f.Discard();
    }
    if (rc != 0) RefuseChange(file, "cannot be written", rc);
    return rc == 0;
}

template <class Change> bool ChangeIndex(const std::string& file, Change change) {
    std::vector<std::string> lines;
    if (const int rc = ReadLines(file, lines); rc != 0) {
        RefuseChange(file, "cannot be read", rc);
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

void BrowseHelpPictures();

bool SameFolder(const std::string& a, const std::string& b) {
    std::error_code ec;
    return !a.empty() && !b.empty() &&
           std::filesystem::equivalent(DelBackslash(a), DelBackslash(b), ec);
}

// The pictures in use are those the program ships: their folder is only read.
bool ShippedPictures() {
    return SameFolder(PltDir, ShippedDataDir);
}

std::string CatalogueName() {
    return LowerCaseStr(ProgramName) + ".dbh";
}

// An entry names a picture of PltDir by its name, or one elsewhere by its full path.
bool IsPathEntry(std::string_view name) {
    return name.find('/') != std::string_view::npos;
}

constexpr int kMaxPathEntry = 255;

// The picture of an entry as the user reads it: its name, or its path.
std::string EntryPicture(std::string_view name) {
    return IsPathEntry(name) ? std::string(name) : DbhPictureName(name);
}

// The entry (1-based) whose picture the help topic of HelpNo names; 1 when none does.
int ContextEntry(const std::vector<DbhEntry>& entries) {
    if (HelpNo == 0) return 1;
    const std::string picture = LowerCaseStr(FindHelpTopic(HelpNo).Picture);
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (DbhPictureName(entries[i].Name) == picture) return static_cast<int>(i) + 1;
    return 1;
}

// The picture file chosen in the open dialog, as an entry names it: the name without ".plt" of
// a picture in PltDir, the full path (without ".plt") of one elsewhere. The picture and help
// folders stay as they are. False (AbortFlag) when cancelled.
bool PickPicture(std::string& name) {
    std::string dir = PltDir, file;
    SelectOpenFile(5, dir, "*.plt", file);
    if (AbortFlag != 0 || file.empty()) return false;
    if (SameFolder(ExtractPath(file), PltDir)) {
        name = BaseNameNoExt(file);
    } else {
        name = os::AbsolutePath(file);
        const std::size_t n = name.size();
        if (n > 4 && LowerCaseStr(name.substr(n - 4)) == ".plt") name.erase(n - 4);
    }
    return !name.empty();
}

// Where a change of the catalogue in use goes. The shipped catalogue is only read: its first
// change makes the user's copy, which is changed from then on. False (with a message) when the
// copy cannot be made.
bool WritableCatalogue(const std::string& index, std::string& target) {
    target = index;
    const std::string user = UserCopyOfShipped(CatalogueName());
    if (user.empty() || SameFolder(ExtractPath(index), ExtractPath(user))) return true;
    target = user;
    const int state = CatalogueState(index);
    if (state != 0 && !Missing(state)) {
        RefuseChange(index, "cannot be read", state);
        return false;
    }
    if (const int rc = os::MakeDirectories(UserDataDir()); rc != 0) {
        RefuseChange(user, "cannot be written", rc);
        return false;
    }
    if (Missing(state)) return WriteLines(user, {});
    std::string problem;
    if (CopyShippedFile(index, user, &problem)) return true;
    ShowError(problem + " - " + "nothing was saved" + " !");
    return false;
}

} // namespace

std::string UserCopyOfShipped(std::string_view fileName) {
    const std::string dir = UserDataDir();
    if (!ShippedPictures() || dir.empty()) return {};
    return AddBackslash(dir) + std::string(fileName);
}

std::string DbhFileName() {
    // The user's copy, once there is one, in place of the shipped catalogue (a folder, pipe
    // or device under its name is taken too, so that it is refused, never passed over).
    const std::string user = UserCopyOfShipped(CatalogueName());
    if (!user.empty() && !Missing(CatalogueState(user))) return user;
    return AddBackslash(PltDir) + CatalogueName();
}

std::string DbhPicturePath(std::string_view name) {
    if (!IsPathEntry(name)) return AddBackslash(PltDir) + DbhPictureName(name) + ".plt";
    const std::string path(name);
    // A picture chosen under another extension is named whole.
    if (!FileExist(path + ".plt") && FileExist(path)) return path;
    return path + ".plt";
}

bool ReadDbhEntries(const std::string& file, std::vector<DbhEntry>& entries) {
    entries.clear();
    std::vector<std::string> lines;
    if (ReadLines(file, lines) != 0) return false;
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
    return "\"" + clean(name) + "\",\"" + clean(title) + "\"";
}

std::string DbhListText(const DbhEntry& e) {
    std::string name =
        os::Utf8Left(IsPathEntry(e.Name) ? ExtractFileName(e.Name) : e.Name, DbhNameLength);
    name.append(DbhNameLength - os::Utf8Length(name), ' ');
    return os::Utf8Left(name + ": " + e.Title, TextLineCapacity);
}

std::string DbhPictureName(std::string_view name) {
    return LowerCaseStr(WithoutBlanks(os::Utf8Left(name, DbhNameLength)));
}

bool DbhAppend(const std::string& file, std::string_view name, std::string_view title) {
    // A missing index is started by the first entry; one that cannot be read is refused.
    if (Missing(CatalogueState(file))) return WriteLines(file, {DbhLine(name, title)});
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
        if (const int state = CatalogueState(index); Missing(state)) {
            std::string name;
            if (!PickPicture(name)) break;
            ShowPictureFile(DbhPicturePath(name), true);
            if (AbortFlag != 0) break;
            continue;
        } else if (state != 0) {
            ShowError("Picture catalogue " + index +
                      " cannot be read: " + FileErrorCause(state, index));
            break;
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
            ShowPictureFile(DbhPicturePath(chosen->Name), true);
            shownLast = selection;
        } else if (action == 1) {
            HelpNo = 2310;
            std::string name, title;
            if (!PickPicture(name)) break;
            InputText("Aux.Graph. Information", DbhTitleLength, title);
            if (AbortFlag != 0) break;
            std::string target;
            if (WritableCatalogue(index, target)) DbhAppend(target, name, title);
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
                if (!AskYesNoCancel("Delete " + EntryPicture(chosen->Name) + " (" +
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
            std::string target;
            if (action == 3) {
                if (WritableCatalogue(index, target)) DbhDelete(target, e->FileLine);
                shownLast = 1;
            } else if (action == 9) {
                // The name is offered as it is typed (a picture outside PltDir with its whole
                // path); left so, the entry keeps the name it has.
                const std::string offered = EntryPicture(e->Name);
                std::string name = offered, title = e->Title;
                HelpNo = 2340;
                InputText("File name (without extension .plt)",
                          IsPathEntry(name) ? kMaxPathEntry : DbhNameLength, name);
                if (AbortFlag != 0) break;
                if (name == offered) name = e->Name;
                HelpNo = 2330;
                InputText("Aux.Graph. Information", DbhTitleLength, title);
                if (AbortFlag != 0) break;
                const bool same = name == e->Name && title == e->Title; // the index stays
                if (!same && WritableCatalogue(index, target))
                    DbhReplace(target, e->FileLine, name, title);
            } else {
                std::string name, title;
                if (!PickPicture(name)) break;
                HelpNo = 2330;
                InputText("Aux.Graph. Information", DbhTitleLength, title);
                if (AbortFlag != 0) break;
                if (WritableCatalogue(index, target))
                    DbhInsert(target, e != nullptr ? e->FileLine : 0, name, title);
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
