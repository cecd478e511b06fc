// The questions, messages and checked file operations of the program.
#include "framework/ui/questions.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <string>

#include "framework/ui/dialogs.h"
#include "framework/core/globals.h"
#include "framework/ui/help.h"
#include "framework/core/rewrite_retry.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "platform/gui/application.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/msgbox.h"
#include "platform/gui/screen.h"
#include "platform/office/spreadsheet.h"
#include "platform/os/errors.h"
#include "platform/os/paths.h"
#include "platform/os/utf8.h"

namespace {

int NoStatus(const std::string&) {
    return 0;
}

// Whether the file-name part of a path has an extension (a "." in a directory name does not
// count: Linux directories often have one).
bool NameHasDot(std::string_view path) {
    return ExtractFileName(path).find('.') != std::string::npos;
}

bool IsArchiveRefused() {
    if (ArchiveMode != 0 && ArchiveFlag != 0) return true;
    if (ArchiveMode != 0) ArchiveMode = 0;
    return false;
}

// The validated-number loop shared by the real and integer inputs. Parse turns a changed text
// into a value (false: not a number); Show gives the text of a value; the bounds message is
// fixed. An unchanged text keeps the value it shows, exactly.
template <class T, class ParseFn, class ShowFn, class InRangeFn>
void InputValidated(std::string_view prompt, int maxLength, T& x, ParseFn parse, ShowFn show,
                    InRangeFn inRange, const std::string& boundsMessage) {
    T value = x;
    std::string shown = show(value);
    for (;;) {
        std::string text = shown;
        InputText(prompt, maxLength, text);
        if (AbortFlag != 0) return;
        T v = value;
        if (text != shown) {
            if (!parse(text, v)) {
                Beep();
                ShowErrorBox("Invalid Input \"" + text + "\" !");
                value = x;
                shown = show(value);
                continue;
            }
        }
        if (!inRange(v)) {
            Beep();
            ShowErrorBox(boundsMessage);
            value = v;
            shown = show(value);
            continue;
        }
        x = v;
        return;
    }
}

template <class Real> void InputRealValue(std::string_view prompt, Real& x, Real min, Real max) {
    InputValidated(
        prompt, 30, x,
        [](const std::string& text, Real& v) {
            bool ok = false;
            const long double parsed = ParseReal(text, ok);
            if (!ok) return false;
            const Real r = static_cast<Real>(parsed);
            if (!std::isfinite(r)) return false;
            v = r;
            return true;
        },
        [](Real v) { return FloatToStrSig3(static_cast<long double>(v)); },
        [min, max](Real v) { return v >= min && v <= max; },
        "Valid Data are: " + FloatToStrSig3(static_cast<long double>(min)) + " .. " +
            FloatToStrSig3(static_cast<long double>(max)) + " !");
}

} // namespace

StatusHookFunc StatusHook = &NoStatus;

// ---- choices and questions
// -----------------------------------------------------------------------

void SelectCode(std::string_view prompt, int n, int& k) {
    const int preselect = k >= 1 && k <= n ? k : 1;
    int choice = 0;
    if (n >= 8) {
        auto form = CreateForm<Tin_codedialog>();
        form->SetItems(prompt, n, preselect);
        form->ShowModal();
        if (AbortFlag == 0) form->GetChoice(choice);
    } else {
        auto form = CreateForm<Tin_radiodialog>();
        form->SetItems(prompt, n, preselect);
        form->ShowModal();
        if (AbortFlag == 0) form->GetChoice(choice);
    }
    // Nothing selected (an empty list) is no answer.
    if (AbortFlag == 0 && choice >= 1) k = choice;
}

void AskYesNo(std::string_view question, char& answer) {
    auto form = CreateForm<Tin_janeindialog>();
    form->SetQuestion(question, std::string(1, answer));
    form->ShowModal();
    if (AbortFlag != 0) return;
    std::string a;
    form->GetAnswer(a);
    answer = a.empty() ? 'J' : a.front();
}

void AskYesNoFlag(std::string_view question, bool& flag) {
    char answer = flag ? 'J' : 'N';
    AskYesNo(question, answer);
    if (AbortFlag == 0) flag = answer != 'N';
}

void AskYesNoFlag(std::string_view question, std::uint8_t& flag) {
    bool b = flag != 0;
    AskYesNoFlag(question, b);
    if (AbortFlag == 0) flag = b ? 1 : 0;
}

bool AskYesNoCancel(std::string_view question) {
    const int answer = MessageBox(OemToAnsiString(question), OemToAnsiString(MakerTitle),
                                  MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) AbortFlag = 1;
    return answer == IDYES;
}

bool AskYes(std::string_view question) {
    return AskYesNoCancel(question);
}

// ---- messages
// ------------------------------------------------------------------------------------

void MessageBoxKind(std::string_view text, int kind) {
    const char* caption = kind == 12 ? "Error  : " : kind == 3 ? "Help" : "Message:";
    // The icon tells the kind at a glance: an error, or information.
    const unsigned icon = kind == 12 ? MB_ICONERROR : MB_ICONINFORMATION;
    MessageBox(OemToAnsiString(text), caption, MB_OK | MB_TASKMODAL | icon);
}

void ShowError(std::string_view text) {
    if (ErrorBoxesOn != 0) MessageBoxKind(text, 12);
}

void ShowErrorBox(std::string_view text) {
    MessageBoxKind(text, 12);
}

void ShowMessage(std::string_view text) {
    MessageBoxKind(text, 0);
}

void ShowMessageKind11(std::string_view text) {
    MessageBoxKind(text, 11);
}

void AppMessageBox(std::string_view caption, std::string_view text) {
    Application->MessageBox(OemToAnsiString(text), OemToAnsiString(caption), MB_OK | MB_TASKMODAL);
}

void ShowMessageForm(std::string_view text) {
    ShowMessageDialog(OemToAnsiString(text));
}

void ShowStatus(std::string_view text) {
    if (StatusHook != nullptr) StatusHook(std::string(text));
}

std::string QuotedCharacters(std::string_view chars) {
    std::string out;
    for (std::size_t at = 0; at < chars.size();) {
        const std::size_t from = at;
        os::Utf8Next(chars, at);
        out += (out.empty() ? "\"" : " \"") + std::string(chars.substr(from, at - from)) + "\"";
    }
    return out;
}

std::string CodePageProblem(std::string_view what, std::string_view file, std::string_view lost,
                            os::CodePage page) {
    return std::string(what) + ": " + std::string(file) + " cannot hold " +
           QuotedCharacters(lost) + " (its texts are in " + os::CodePageName(page) +
           "). Type the text without " + (os::Utf8Length(lost) == 1 ? "it." : "them.");
}

std::string LengthProblem(std::string_view what, std::string_view text, int capacity,
                          std::string_view file) {
    const std::size_t typed = os::Utf8Length(text);
    if (capacity <= 0 || typed <= static_cast<std::size_t>(capacity)) return {};
    return std::string(what) + ": " + std::string(file) + " holds at most " +
           std::to_string(capacity) + " characters here (" + std::to_string(typed) +
           " typed). Shorten the text.";
}

std::string CodePageProblem(std::string_view what, std::string_view file, std::string_view lost,
                            TextEncoding page) {
    return CodePageProblem(what, file, lost,
                           page == TextEncoding::Oem ? os::CodePage::Cp437 : os::CodePage::Cp1252);
}

std::string TextStoreProblem(std::string_view what, std::string_view text, int capacity,
                             TextEncoding page, std::string_view refused, std::string_view file) {
    const auto listed = QuotedCharacters;
    const std::string head = std::string(what) + ": ";
    // A DOS text shown with the special characters transliterated is stored as edited, in the
    // plain letters shown: a refusal says so, since that may be what made the text too long.
    const std::string plain =
        page == TextEncoding::Oem && CharMode == 1
            ? " With the special characters set to \"2  u  deg\" an edited text is stored "
              "transliterated, as it is shown."
            : "";
    if (const std::string lost = UnholdableCharacters(text, page); !lost.empty())
        return CodePageProblem(what, file, lost, page);
    std::string reserved;
    for (std::size_t at = 0; at < refused.size();) {
        const std::size_t from = at;
        os::Utf8Next(refused, at);
        const std::string_view ch = refused.substr(from, at - from);
        if (text.find(ch) != std::string_view::npos) reserved += ch;
    }
    if (!reserved.empty())
        return head + listed(reserved) + " cannot be stored here: " + std::string(file) +
               " uses it for a line break. Type the text without it.";
    if (std::string why = LengthProblem(what, text, capacity, file); !why.empty())
        return why + plain;
    return {};
}

bool TextStorable(std::string_view what, std::string_view text, int capacity, TextEncoding page,
                  std::string_view refused, std::string_view file,
                  const std::function<void()>& showInput) {
    const std::string problem = TextStoreProblem(what, text, capacity, page, refused, file);
    if (problem.empty()) return true;
    if (showInput) showInput();
    ShowErrorBox(problem);
    return false;
}

void ArchiveModeMessage() {
    ShowError("Option is not available in archive mode.");
}

void ShowSplashScreen() {
    auto form = CreateForm<TShowScreen>();
    form->ShowModal();
}

// ---- input
// ---------------------------------------------------------------------------------------

void InputTextDialog(std::string_view prompt, int maxLength, std::string& text,
                     const TextCheck& check) {
    auto form = CreateForm<Tin_textdialog>();
    form->SetText(prompt, text, maxLength);
    form->Check = check;
    form->ShowModal();
    if (AbortFlag == 0) form->GetText(text);
}

void InputText(std::string_view prompt, int maxLength, std::string& text,
               const TextCheck& check) {
    InputTextDialog(prompt, maxLength, text, check);
}

void InputRealRange(std::string_view prompt, long double& x, long double min, long double max) {
    InputRealValue<long double>(prompt, x, min, max);
}

void InputDoubleRange(std::string_view prompt, double& x, double min, double max) {
    InputRealValue<double>(prompt, x, min, max);
}

void InputLength(std::string_view prompt, long double& x, long double min, long double max) {
    if (UnitSystem != 1) {
        InputRealRange(std::string(prompt) + " [mm]", x, min, max);
        return;
    }
    const long double before = x / 25.4L;
    long double inches = before;
    InputRealRange(std::string(prompt) + " [inch]", inches, min / 25.4L, max / 25.4L);
    // Only a new value goes back through the conversion: an accepted unchanged text leaves the
    // length exactly as it was.
    if (AbortFlag == 0 && inches != before) x = inches * 25.4L;
}

void InputInteger(std::string_view prompt, std::int32_t& n, std::int32_t a, std::int32_t b) {
    const std::int32_t lo = std::min(a, b);
    const std::int32_t hi = std::max(a, b);
    InputValidated(
        prompt, 12, n,
        [](const std::string& text, std::int32_t& v) {
            bool ok = false;
            const std::int32_t parsed = ParseInteger(text, ok);
            if (ok) v = parsed;
            return ok;
        },
        [](std::int32_t v) { return IntToString(v); },
        [lo, hi](std::int32_t v) { return v >= lo && v <= hi; },
        "Valid Data are: " + IntToString(lo) + " .. " + IntToString(hi) + " !");
}

void InputIntegerRange(std::string_view prompt, std::int32_t& n, std::int32_t lo, std::int32_t hi) {
    InputInteger(prompt, n, lo, hi);
}

void InputWordRange(std::string_view prompt, std::uint16_t& n, std::uint16_t lo, std::uint16_t hi) {
    std::int32_t v = n;
    InputInteger(prompt, v, lo, hi);
    // The bounds are words, so an accepted value is one.
    if (AbortFlag == 0 && v >= 0 && v <= 0xFFFF) n = static_cast<std::uint16_t>(v);
}

void SetHelpContext(std::uint16_t n) {
    HelpNo = n;
}

// ---- checked file operations
// ---------------------------------------------------------------------

void WriteChecked(TextFile& file, std::string_view s) {
    if (AbortFlag != 0) return;
    int rc = file.Write(s);
    if (rc == 0) rc = file.Flush();
    if (rc == 0) return;
    // The message names the file and the cause in words ("the disk is full", ...).
    const char* what = rc == 100   ? "read error"
                       : rc == 101 ? "file write error"
                       : rc == 106 ? "invalid numeric code"
                                   : "file access error";
    ShowError(FileProblemText(what, file.Name(), rc));
    AbortFlag = 1;
}

void CloseChecked(TextFile& file) {
    const int rc = file.Close();
    if (rc == 0) return;
    ShowError(
        FileProblemText(rc == 101 ? "file write error" : "file close error", file.Name(), rc));
    AbortFlag = 1;
}

void RewriteChecked(TextFile& file) {
    const int rc = file.Rewrite();
    if (rc == 0) return;
    ShowError(FileProblemText("file write error", file.Name(), rc));
    AbortFlag = 1;
}

bool RewriteRetry(TextFile& file) {
    return RewriteRetry([&file] { return file.Rewrite(); }, file.Name());
}

bool CheckFileReadable(const std::string& name) {
    TextFile file;
    file.Assign(name);
    const int rc = name.empty() ? os::kErrFileNotFound : file.Reset();
    if (rc == 0) {
        file.Discard();
        return true;
    }
    ShowError("file " + TrimBlanks(name) + " " + "not found or no access" + " ! (" +
              FileErrorCause(rc, name) + ")");
    AbortFlag = 1;
    return false;
}

namespace {

bool OutputFileConfirmed(const std::string& path, bool jobAllowed) {
    HelpNo = 3055;
    std::string problem;
    if (ConfirmOutputFile(path, jobAllowed, problem)) return true;
    if (!problem.empty()) ShowError(problem);
    AbortFlag = 1;
    return false;
}

} // namespace

void CheckOverwrite(const std::string& path) {
    OutputFileConfirmed(path, true);
}

std::string PrepareOutputFile(std::string_view chosen, std::string_view ext) {
    const std::string name = TrimBlanks(chosen);
    // "htm|html": a name ending in any of them stands; others get the first.
    std::string path = WithExtension(name, ext.substr(0, ext.find('|')));
    for (std::size_t at = 0, bar = 0; bar != ext.npos; at = bar + 1) {
        bar = ext.find('|', at);
        if (WithExtension(name, ext.substr(at, bar - at)) == name) path = name;
    }
    return OutputFileConfirmed(path, false) ? path : std::string();
}

// ---- cursors and title
// ---------------------------------------------------------------------------

void SetHourglassCursor() {
    Screen()->SetCursor(crHourGlass);
}

void RestoreDefaultCursor() {
    // Back to every window's own cursor (the arrow, the text cursor in edits, ...).
    Screen()->SetCursor(crDefault);
}

void RestoreCursor() {
    RestoreDefaultCursor();
}

void SetAppTitle(std::string& s) {
    s = OemToAnsiString(MakerTitle);
    if (!DataFileName.empty()) {
        s += "  -  " + DataFileName;
        if (!NameHasDot(DataFileName)) s += "." + DataFileExt.str();
    }
    Application->SetTitle(s);
    RestoreDefaultCursor();
}

// ---- file and directory choice
// -------------------------------------------------------------------

void SelectOpenFile(int mode, std::string& directory, std::string_view mask, std::string& name) {
    TOpenDialog dialog(nullptr);
    dialog.Filter = std::string(mask) + "|" + std::string(mask);
    dialog.InitialDir = DelBackslash(directory);
    dialog.Options = ofHideReadOnly | ofPathMustExist | ofFileMustExist;
    if (!dialog.Execute() || dialog.FileName.empty()) {
        name.clear();
        AbortFlag = 1;
        return;
    }
    const std::string file = dialog.FileName;
    directory = ExtractPath(file);
    name = mode == 5 ? file : BaseNameNoExt(file);
    if (mode == 4) DataFileExt = os::Utf8Left(ExtAfterFirstDot(ExtractFileName(file)), 3);
}

void SelectFileDialog(std::string_view currentPath, std::string_view mask, std::string& result) {
    const std::string current(currentPath);
    TOpenDialog dialog(nullptr);
    dialog.Filter = std::string(mask) + "|" + std::string(mask);
    dialog.InitialDir = DelBackslash(ExtractPath(TrimBlanks(current)));
    dialog.Options = ofHideReadOnly | ofPathMustExist;
    if (dialog.Execute() && !dialog.FileName.empty()) {
        result = dialog.FileName;
    } else {
        result = current;
        AbortFlag = 1;
    }
}

void SelectDirectory(std::string_view currentDirectory, std::string& result) {
    const std::string current(currentDirectory);
    TDirectoryDialog dialog(nullptr);
    const std::string start = DelBackslash(TrimBlanks(current));
    dialog.Directory = CanChDir(start) ? start : std::string();
    if (dialog.Execute() && !dialog.Directory.empty())
        result = AddBackslash(dialog.Directory);
    else
        result = current;
}

void ChooseDataFile(std::string_view name, std::string& path) {
    const std::string given(name);
    if (IsArchiveRefused()) {
        ArchiveModeMessage();
        AbortFlag = 1;
        return;
    }
    if (given.empty()) {
        std::string chosen;
        SelectOpenFile(1, DataDir, "*." + DataFileExt.str(), chosen);
        if (AbortFlag != 0) return;
        DataFileName = chosen;
        path = DataFilePathOf(chosen);
    } else if (NameHasDot(given)) {
        path = given;
    } else {
        DataFileName = given;
        path = DataFilePathOf(given);
    }
    if (!CheckFileReadable(path)) {
        if (path != given) DataFileName.clear();
    } else {
        ShowStatus("file " + path + " is loaded");
    }
}

std::unique_ptr<TExcelApplication> ExcelApp;

void LoadDataFile(std::string_view name) {
    if (name.empty()) {
        ShowMessageForm("File not found. Use \"File->Save\"");
        AbortFlag = 1;
        return;
    }
    const std::string jobName = DataFileName;
    std::string path;
    ChooseDataFile(name, path);
    DataFileName = jobName; // an export does not rename the job, even when its file is gone
    if (AbortFlag != 0) return;
    if (ExcelApp == nullptr) {
        std::string program;
        TExcelApplication::Create(&program); // which program could not be had
        ShowError(SpreadsheetStartProblem(program));
        AbortFlag = 1;
        return;
    }
    TextFile file;
    file.Assign(path, TextEncoding::Oem);
    if (file.Reset() != 0) {
        ShowError("file " + path + " not found or no access !");
        AbortFlag = 1;
        return;
    }
    std::string line;
    int rc = 0;
    for (int row = 1; rc == 0 && !file.Eof(); ++row) {
        rc = file.ReadLine(line);
        if (rc == 0) ExcelApp->SetCellValue(row, 1, line);
    }
    const bool readFailed = rc != 0 || file.Error() != 0;
    file.Discard();
    if (readFailed) {
        ShowError("read error");
        AbortFlag = 1;
    }
    if (!ExcelApp->Update()) {
        ShowError(ExcelApp->LastError()); // the workbook not written, or the program not started
        AbortFlag = 1;
    }
}

void SelectSaveFile(std::string_view name, std::string& path) {
    std::string n(name);
    if (ArchiveMode != 0 && ArchiveFlag != 0 && n != "actual") {
        ArchiveModeMessage();
        AbortFlag = 1;
        return;
    }
    if (ArchiveMode != 0 && ArchiveFlag == 0) ArchiveMode = 0;
    if (n.empty()) {
        const std::string ext = DataFileExt.str();
        TSaveDialog dialog(nullptr);
        dialog.Filter = "*." + ext + "|*." + ext;
        dialog.InitialDir = AddBackslash(DataDir);
        dialog.FileName = DataFileName;
        dialog.Options = ofHideReadOnly | ofPathMustExist;
        if (dialog.Execute() && !dialog.FileName.empty()) {
            DataDir = ExtractPath(dialog.FileName);
            n = ExtractNameNoExt(dialog.FileName);
            if (n.empty()) AbortFlag = 1;
        } else {
            AbortFlag = 1;
        }
        RestoreDefaultCursor();
        if (AbortFlag != 0) return;
        path = AddBackslash(DataDir) + n + "." + ext;
        CheckOverwrite(path);
        if (AbortFlag == 0) DataFileName = n;
        return;
    }
    if (!NameHasDot(n))
        path = AddBackslash(DataDir) + n + "." + DataFileExt.str();
    else
        path = n;
    CheckOverwrite(path);
}

void JoinFileName(std::string_view name, std::string_view directory, std::string_view mask,
                  std::string& result) {
    const std::string ext = os::Utf8Left(os::Utf8Mid(mask, 1, 4), 4);
    std::string joined = std::string(directory).empty() ? std::string() : AddBackslash(directory);
    joined += std::string(name) + ext;
    result = joined;
}

void DeleteDataFile(std::string_view directory, std::string_view mask) {
    if (ArchiveMode != 0 && ArchiveFlag != 0) {
        ArchiveModeMessage();
        return;
    }
    std::string dir(directory);
    std::string name;
    SelectOpenFile(1, dir, mask, name);
    if (AbortFlag != 0) return;
    std::string file;
    JoinFileName(name, dir, mask, file);
    if (!CheckFileReadable(file)) return;
    HelpNo = 1090;
    if (!AskYesNoCancel(file + " " + "delete" + " ?")) return;
    if (const int rc = os::RemoveFile(file); rc != 0) {
        ShowError(FileProblemText("file access error", file, rc));
        AbortFlag = 1;
    }
}

void AllocHook() {}
