// uhelperr: the message browser and the message help.
#include "framework/ui/message_help.h"

#include <filesystem>
#include <utility>
#include <string>

#include "framework/ui/dialogs.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/ui/help.h"
#include "framework/ui/help_pictures.h"
#include "framework/ui/questions.h"
#include "framework/core/files.h"
#include "framework/core/text.h"
#include "platform/os/paths.h"
#include "platform/os/utf8.h"

namespace {

bool SameKey(std::string_view line, std::string_view message) {
    return os::Utf8Left(line, ErrHelpKeyLength) == os::Utf8Left(message, ErrHelpKeyLength);
}

// A memo's text as one line of the file: the line breaks inside become blanks, those at its
// end go (a line of the file, blanks and all, stays as it is).
std::string OneLine(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.remove_suffix(1);
    std::string s;
    for (char c : text) {
        if (c == '\r') continue;
        s += c == '\n' ? ' ' : c;
    }
    return s;
}

void NothingSaved(const std::string& why) {
    ShowError(why + " - " + "nothing was saved" + " !");
}

std::string ErrHelpShortName() {
    return LowerCaseStr(ProgramName) + ".err";
}

} // namespace

std::string ErrHelpFileName() {
    // The user's copy, once there is one, in place of the shipped file (anything under its
    // name is taken, so that a folder or pipe there is refused, never passed over).
    const std::string user = UserCopyOfShipped(ErrHelpShortName());
    std::error_code ec;
    if (!user.empty() && std::filesystem::exists(std::filesystem::symlink_status(user, ec)))
        return user;
    return AddBackslash(PltDir) + ErrHelpShortName();
}

int FindErrHelp(std::string_view message, std::string& origin, std::string& remedy) {
    TextFile file;
    file.Assign(ErrHelpFileName(), TextEncoding::Oem);
    if (file.Reset() != 0) return 2;
    std::string line;
    while (!file.Eof()) {
        if (file.ReadLine(line) != 0) return 2;
        if (!SameKey(line, message)) continue;
        if (file.Eof()) return 1; // the message is the file's last line
        origin.clear();
        remedy.clear();
        if (file.ReadLine(origin) != 0) return 2;
        if (!file.Eof() && file.ReadLine(remedy) != 0) return 2;
        return 0;
    }
    return 1;
}

void GetErrOrigin(int i, std::string& s) {
    s.clear();
    if (i < 1 || i > ErrorCount) return;
    std::string origin, remedy;
    const int rc = FindErrHelp(ErrorList[i].str(), origin, remedy);
    if (rc == 0)
        s = origin;
    else if (rc == 1)
        s = std::string(NoErrHelpText);
}

void GetErrRemedy(int i, std::string& s) {
    s.clear();
    if (i < 1 || i > ErrorCount) return;
    std::string origin, remedy;
    if (FindErrHelp(ErrorList[i].str(), origin, remedy) == 0) s = remedy;
}

void ShowMessageHelp(int i) {
    if (i < 1 || i > ErrorCount) return;
    if (!CheckFileReadable(ErrHelpFileName())) return;
    std::string origin, remedy;
    const int rc = FindErrHelp(ErrorList[i].str(), origin, remedy);
    if (rc == 2) {
        ShowError("file " + ErrHelpFileName() + " " + "read error" + " !");
        AbortFlag = 1;
        return;
    }
    if (rc == 1) {
        AppMessageBox("Message", NoErrHelpText);
        return;
    }
    ShowErrHelpForm(ErrorList[i].str(), origin, remedy);
}

void ShowCalcMessages() {
    if (FindParam("/NOGUI") != 0) return;
    const int n = ErrorCount;
    if (n == 0) {
        ShowMessage("Calculation successful without error messages");
        return;
    }
    AbortFlag = 0;
    for (int i = 1; i <= n; ++i)
        TextLines[i] = ErrorList[i].str();
    TextLines[n + 1] = "Continue...";
    HelpNo = 2070;
    int k = HelpLevel < 2 ? n + 1 : 1;
    for (;;) {
        HelpNo = 1210;
        SelectCode("Calculation done. Select message for more info or continue.", n + 1, k);
        if (AbortFlag != 0 || k == n + 1) break;
        ShowMessageHelp(k);
        if (AbortFlag != 0) break;
        ++k;
        if (k > n) break;
    }
}

void ShowErrHelpForm(std::string_view message, std::string_view origin, std::string_view remedy) {
    auto form = CreateForm<Thelperr>();
    form->Stored.ShowOem(form->Edit_meldung, message);
    form->Stored.ShowOem(form->Memo_ursache, origin);
    form->Stored.ShowOem(form->Memo_abhilfe, remedy);
    form->ShowModal();
}

bool SaveErrHelpEntry(std::string_view message, std::string_view origin, std::string_view remedy) {
    std::string name = ErrHelpFileName();
    if (!CheckFileReadable(name)) return false;
    // The shipped file is only read: the change goes into the user's copy (made now, the first
    // time), which is read from then on. A file of the user's is replaced where it is, under
    // the name it has, whatever its letter case.
    std::string real = UserCopyOfShipped(ErrHelpShortName());
    const bool firstCopy = !real.empty() && real != name;
    if (real.empty() && os::ResolvePathNoCase(name, real) != 0) real = name;
    // Every failure names its cause ("file x write error: the disk is full").
    const auto problem = [](const std::string& file, const char* what, int rc) {
        return "file " + file + " " + what + ": " + FileErrorCause(rc, file);
    };
    // A copy made for a change that is not saved goes again: the shipped file stays in use.
    std::string made;
    struct DropCopy {
        std::string& file;
        ~DropCopy() {
            std::error_code ec;
            if (!file.empty()) std::filesystem::remove(file, ec);
        }
    } dropCopy{made};
    if (firstCopy) {
        if (const int rc = os::MakeDirectories(ExtractPath(real)); rc != 0) {
            NothingSaved(problem(real, "cannot be written", rc));
            return false;
        }
        std::string why, shipped;
        if (os::ResolvePathNoCase(name, shipped) != 0) shipped = name;
        if (!CopyShippedFile(shipped, real, &why)) {
            NothingSaved(why);
            return false;
        }
        name = real; // the user's copy from now on
        made = real;
    }
    TextFile source;
    source.Assign(name, TextEncoding::Oem);
    if (const int rc = source.Reset(); rc != 0) {
        NothingSaved(problem(name, "read error", rc));
        return false;
    }
    // The new file is written beside the old one and replaces it only when it is complete.
    TextFile target;
    target.Assign(real, TextEncoding::Oem);
    if (const int rc = target.Rewrite(); rc != 0) {
        NothingSaved(problem(real, "cannot be written", rc));
        return false;
    }
    auto fail = [&](const char* what, int rc) {
        target.Discard();
        NothingSaved(problem(std::string(what) == "read error" ? name : real, what, rc));
        return false;
    };
    std::string line;
    bool found = false;
    while (!source.Eof()) {
        if (const int rc = source.ReadLine(line); rc != 0) return fail("read error", rc);
        if (const int rc = target.WriteLine(line); rc != 0) return fail("write error", rc);
        if (SameKey(line, message) && !source.Eof()) {
            found = true;
            break;
        }
    }
    if (!found) {
        target.Discard();
        ShowMessageForm(std::string(message) + " not found.");
        return false;
    }
    // The old origin and remedy give way to the new ones; a file that ends early gets both.
    for (std::string_view fresh : {origin, remedy}) {
        if (!source.Eof())
            if (const int rc = source.ReadLine(line); rc != 0) return fail("read error", rc);
        if (const int rc = target.WriteLine(OneLine(fresh)); rc != 0)
            return fail("write error", rc);
    }
    while (!source.Eof()) {
        if (const int rc = source.ReadLine(line); rc != 0) return fail("read error", rc);
        if (const int rc = target.WriteLine(line); rc != 0) return fail("write error", rc);
    }
    source.Discard();
    if (const int rc = target.Close(); rc != 0) {
        NothingSaved(problem(real, "write error", rc));
        AbortFlag = 1;
        return false;
    }
    made.clear(); // saved: the copy is the user's
    return true;
}

// ---- Thelperr

Thelperr::Thelperr(TComponent* AOwner) : TForm(AOwner) {
    SetName("helperr");
    SetBounds(0, 0, 480, 274);
    Label_meldung = new TLabel(this);
    Label_meldung->SetName("Label_meldung");
    Label_meldung->SetBounds(16, 16, 81, 13);
    Edit_meldung = new TEdit(this);
    Edit_meldung->SetName("Edit_meldung");
    Edit_meldung->SetBounds(104, 12, 361, 21);
    Edit_meldung->SetReadOnly(true);
    Label_ursache = new TLabel(this);
    Label_ursache->SetName("Label_ursache");
    Label_ursache->SetBounds(16, 48, 81, 13);
    Memo_ursache = new TMemo(this);
    Memo_ursache->SetName("Memo_ursache");
    Memo_ursache->SetBounds(104, 44, 361, 61);
    Memo_ursache->OnChange = [this](TObject* s) { Memo_ursacheChange(s); };
    Label_abhilfe = new TLabel(this);
    Label_abhilfe->SetName("Label_abhilfe");
    Label_abhilfe->SetBounds(16, 120, 81, 13);
    Memo_abhilfe = new TMemo(this);
    Memo_abhilfe->SetName("Memo_abhilfe");
    Memo_abhilfe->SetBounds(104, 116, 361, 61);
    Memo_abhilfe->OnChange = [this](TObject* s) { Memo_abhilfeChange(s); };
    Button_help = new TButton(this);
    Button_help->SetName("Button_help");
    Button_help->SetBounds(104, 196, 89, 33);
    Button_help->OnClick = [this](TObject* s) { Button_helpClick(s); };
    Button_ok = new TButton(this);
    Button_ok->SetName("Button_ok");
    Button_ok->SetBounds(376, 196, 89, 33);
    Button_ok->SetDefault(true);
    Button_ok->SetCancel(true);
    Button_ok->OnClick = [this](TObject* s) { Button_okClick(s); };
    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnShow = [this](TObject* s) { FormShow(s); };
}

void Thelperr::FormCreate(TObject*) {
    FitForm(this);
    SetCaption("Error Message");
    Button_help->SetCaption("&Help");
    Button_ok->SetCaption("&OK");
    Label_meldung->SetCaption("Error Message");
    Label_ursache->SetCaption("Origin");
    Label_abhilfe->SetCaption("Remedy");
    Changed = false;
}

void Thelperr::FormShow(TObject*) {
    Changed = false;
}

void Thelperr::Memo_ursacheChange(TObject*) {
    Changed = true;
}

void Thelperr::Memo_abhilfeChange(TObject*) {
    Changed = true;
}

void Thelperr::Button_okClick(TObject*) {
    if (Changed && AskYesNoCancel("Save Changes ?")) {
        // The file keeps the DOS page: a text it cannot hold stays in the form, and says why.
        for (const auto& [memo, label] :
             {std::pair{Memo_ursache, Label_ursache}, std::pair{Memo_abhilfe, Label_abhilfe}})
            if (Stored.Changed(memo) &&
                !TextStorable(Caption() + ", " + label->Caption(), memo->Text(), 0,
                              TextEncoding::Oem, {}, "the message help file",
                              [m = memo] { m->SetFocus(); }))
                return;
        SaveErrHelpEntry(Stored.Entered(Edit_meldung), Stored.Entered(Memo_ursache),
                         Stored.Entered(Memo_abhilfe));
    }
    SetModalResult(mrOk);
}

void Thelperr::Button_helpClick(TObject*) {
    ShowHelp(1970, 1);
    AbortFlag = 0;
}
