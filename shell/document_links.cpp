// Document links: starting a linked document and the set-up dialog.
#include "shell/document_links.h"

#include <filesystem>
#include <initializer_list>

#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/help.h"
#include "framework/ui/listing.h"
#include "framework/ui/questions.h"
#include "platform/os/errors.h"
#include "platform/os/process.h"
#include "platform/os/utf8.h"
#include "shell/input_fields.h"
#include "shell/job/doclinks.h"
#include "shell/menu_captions.h"

namespace {

// The stored name's last part, upper case: "C:\WINDOWS\notepad.exe" gives "NOTEPAD.EXE".
std::string WindowsBaseName(std::string_view s) {
    const std::size_t cut = s.find_last_of("\\/:");
    return UpperCaseStr(cut == std::string_view::npos ? s : s.substr(cut + 1));
}

bool IsNotepad(std::string_view program) {
    const std::string base = WindowsBaseName(program);
    return base == "NOTEPAD.EXE" || base == "NOTEPAD";
}

// A configured command line (program and leading arguments).
std::vector<std::string> CommandWords(const std::string& program) {
    if (FileExist(program)) return {program};
    return os::SplitCommandLine(program);
}

// Which setting chose the program a link starts.
enum class TDocProgramFrom { Link, Editor, Desktop };

// A menu path as the menus read in the current language: "Document > Document Setup".
std::string MenuPath(std::initializer_list<TCaptionKey> keys) {
    std::string path;
    for (const TCaptionKey k : keys)
        path += (path.empty() ? "" : " > ") + StripAccessKey(MenuCaption(k));
    return path;
}

std::vector<std::string> DocumentArgv(int i, TDocProgramFrom& from) {
    from = TDocProgramFrom::Link;
    if (i < 1 || i > DocumentLinkCount) return {};
    const std::string program = TrimBlanks(DocumentLinks[i].DocProgram.str());
    const std::string& file = DocumentLinks[i].DocFile.str();
    const bool hasFile = !WithoutBlanks(file).empty();
    std::vector<std::string> argv;
    bool desktop = false;
    if (IsNotepad(program)) {
        const std::string editor = TrimBlanks(WordProcessor);
        from = TDocProgramFrom::Editor;
        desktop = editor.empty() || IsWindowsProgramPath(editor);
        if (!desktop) argv = CommandWords(editor);
    } else if (program.empty() || IsWindowsProgramPath(program)) {
        desktop = true;
    } else {
        argv = CommandWords(program);
    }
    // The desktop's program needs a document to open.
    if (desktop) argv = hasFile ? os::SplitCommandLine(DesktopOpenCommand) : argv;
    if (desktop && hasFile) from = TDocProgramFrom::Desktop;
    if (argv.empty()) return {};
    if (hasFile) argv.push_back(file);
    return argv;
}

} // namespace

std::vector<std::string> DocumentCommand(int i) {
    TDocProgramFrom from;
    return DocumentArgv(i, from);
}

void OpenDocument(int i) {
    TDocProgramFrom from;
    const std::vector<std::string> argv = DocumentArgv(i, from);
    const std::string n = IntToString(i);
    const std::string setup = "\"" + MenuPath({ckDocument, ckDocumentSetup}) + "\"";
    if (argv.empty()) {
        ShowError("Document " + n + ": no file and no program to start. " + setup +
                  " chooses them (Program " + n + ", File " + n + ").");
        return;
    }
    // A document that is not there is what the user must hear of first (a program would only
    // open an empty one, or fail for a reason that hides it).
    const std::string file = TrimBlanks(DocumentLinks[i].DocFile.str());
    if (!file.empty() && file.find("://") == std::string::npos) {
        std::error_code ec;
        if (!std::filesystem::exists(file, ec)) {
            ShowError("Document " + n + ": the file " + file + " does not exist. " + setup +
                      " chooses it (File " + n + ").");
            return;
        }
    }
    SetHourglassCursor();
    const int code = os::StartProcess(argv);
    RestoreCursor();
    if (code == 0) return;
    if (code != os::kErrFileNotFound && code != os::kErrPathNotFound) {
        ShowError("Document " + n + ": " + argv.front() +
                  " cannot be started: " + os::ErrorCauseText(code));
        return;
    }
    // The program itself is missing (the document is only its argument): say which setting
    // chooses another.
    const std::string editor = "the \"word processor\" of \"" + MenuPath({ckFileMenu, ckSettings}) +
                               "\" (page \"external\")";
    const std::string link = "\"Program " + n + "\" in " + setup;
    switch (from) {
    case TDocProgramFrom::Desktop:
        ShowError("Document " + n + ": no program to open " + argv.back() +
                  " was found: the desktop's program for documents (" + argv.front() +
                  ") is not installed. Choose a program as " + link +
                  (IsNotepad(DocumentLinks[i].DocProgram.str()) ? ", or as " + editor : "") + ".");
        break;
    case TDocProgramFrom::Editor:
        ShowError("Document " + n + ": no program to open the document was found: " + argv.front() +
                  ", set as " + editor +
                  ", does not exist. Choose another there, or a program as " + link + ".");
        break;
    case TDocProgramFrom::Link:
        ShowError("Document " + n + ": no program to open the document was found: " + argv.front() +
                  " does not exist. Choose another as " + link + ".");
        break;
    }
}

// ---- TForm_confDoku ---------------------------------------------------------------------------

TForm_confDoku::TForm_confDoku(TComponent* AOwner) : TForm(AOwner) {
    SetName("Form_confDoku");
    SetBounds(0, 0, 620, 540);
    SetClientWidth(620);
    SetClientHeight(510);
    for (int k = 0; k < DocumentLinkCount; ++k) {
        const std::string n = std::to_string(k + 1);
        // The group's caption stands above its frame: the rows begin below it.
        auto* g = NewControl<TGroupBox>(this, "GroupBox" + n, 8, 6 + 92 * k, 604, 88);
        GroupBox[k] = g;
        Label_prog[k] = NewLabel(g, "Label_prog" + n, "", 10, 26);
        // Longer names can be typed whole, so that OK can refuse them instead of cutting them.
        Edit_prog[k] = NewTextEdit(g, "Edit_prog" + n, 100, 26, 448, 0);
        Button_prog[k] = NewButton(g, "Button_prog" + n, "...", 554, 25, 40, {});
        Label_file[k] = NewLabel(g, "Label_file" + n, "", 10, 56);
        Edit_file[k] = NewTextEdit(g, "Edit_file" + n, 100, 56, 448, 0);
        Button_file[k] = NewButton(g, "Button_file" + n, "...", 554, 55, 40, {});
        TEdit* prog = Edit_prog[k];
        TEdit* file = Edit_file[k];
        Button_prog[k]->OnClick = [this, prog](TObject*) { BrowseClick(prog, "*"); };
        Button_file[k]->OnClick = [this, file](TObject*) { BrowseClick(file, "*"); };
    }
    Button_ok = NewButton(this, "Button_ok", "&OK", 8, 476, 88, {});
    Button_ok->SetDefault(true);
    Button_cancel = NewButton(this, "Button_cancel", "&Cancel", 104, 476, 88, {});
    Button_cancel->SetCancel(true);
    Button_help = NewButton(this, "Button_help", "&Help Text", 502, 476, 110, {});
    Button_ok->OnClick = [this](TObject* s) { Button_okClick(s); };
    Button_cancel->OnClick = [this](TObject* s) { Button_cancelClick(s); };
    Button_help->OnClick = [this](TObject* s) { Button_helpClick(s); };
    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnShow = [this](TObject* s) { FormShow(s); };
}

void TForm_confDoku::FormCreate(TObject*) {
    SetBorderStyle(bsDialog);
    FitForm(this);
    SetCaption("Document Setup");
    for (int k = 0; k < DocumentLinkCount; ++k) {
        const std::string n = std::to_string(k + 1);
        GroupBox[k]->SetCaption(" Document " + n + " ");
        Label_prog[k]->SetCaption("Program " + n);
        Label_file[k]->SetCaption("File " + n);
    }
    FormShow(nullptr);
}

void TForm_confDoku::FormShow(TObject*) {
    for (int k = 0; k < DocumentLinkCount; ++k) {
        Edit_prog[k]->SetText(DocumentLinks[k + 1].DocProgram.str());
        Edit_file[k]->SetText(DocumentLinks[k + 1].DocFile.str());
    }
}

void TForm_confDoku::BrowseClick(TEdit* edit, const char* mask) {
    std::string chosen;
    SelectFileDialog(edit->Text(), mask, chosen);
    const bool picked = AbortFlag == 0;
    AbortFlag = 0;
    if (picked && NameFits(chosen)) edit->SetText(chosen);
}

bool TForm_confDoku::NameFits(const std::string& name) {
    // The job file keeps 50 characters: a longer name would be cut and point at nothing.
    if (os::Utf8Length(name) <= DocTextCapacity) return true;
    ShowErrorBox("The name is longer than " + IntToString(DocTextCapacity) +
                 " characters, which a job file keeps:\n" + name +
                 "\nChoose a shorter name (a shorter folder, or a link to the file).");
    return false;
}

void TForm_confDoku::Button_okClick(TObject*) {
    for (TEdit* edit : Edit_prog)
        if (!NameFits(edit->Text())) return edit->SetFocus();
    for (TEdit* edit : Edit_file)
        if (!NameFits(edit->Text())) return edit->SetFocus();
    AbortFlag = 0;
    for (int k = 0; k < DocumentLinkCount; ++k) {
        DocumentLinks[k + 1].DocProgram = Edit_prog[k]->Text();
        DocumentLinks[k + 1].DocFile = Edit_file[k]->Text();
    }
    SetModalResult(mrOk);
}

void TForm_confDoku::Button_cancelClick(TObject*) {
    AbortFlag = 1;
    Close();
}

void TForm_confDoku::Button_helpClick(TObject*) {
    ShowHelp(2730, 1);
}

bool ShowDocumentSetup() {
    auto form = CreateForm<TForm_confDoku>();
    if (form->ShowModal() != mrOk) AbortFlag = 1;
    return AbortFlag == 0;
}
