#pragma once
// Every question the program asks outside the big input dialogs: choose one of n items, yes or
// no, a text, a number within bounds, a file or a directory; the messages; the checked file
// operations; cursors and the application title.
//
// Each question creates its form (framework/ui/dialogs.h), shows it modally, copies the answer back
// only when AbortFlag is clear, and frees the form. Cancel (or Esc) sets AbortFlag and leaves the
// caller's variable as it was. Texts handed in are stored texts (DOS code page content) and are
// shown through OemToAnsiString. Under a ModalResponder (tests, batch modes) every question is
// answered by the responder.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "framework/core/files.h"
#include "platform/os/codepage.h"

class TExcelApplication;

// ---- settings of this unit -------------------------------------------------------------------

// ConfirmOverwrite (framework/core/files.h): whether CheckOverwrite and PrepareOutputFile ask
// before an existing file is replaced.

// Receives the texts of ShowStatus; the default shows nothing and returns 0.
using StatusHookFunc = int (*)(const std::string& text);
extern StatusHookFunc StatusHook;

// ---- choices and questions -------------------------------------------------------------------

// Choice among TextLines[1..n]: radio buttons for n < 8, a list from 8 on; k outside 1..n is
// taken as 1. Unless cancelled, k = the chosen item (1..n).
void SelectCode(std::string_view prompt, int n, int& k);
// answer 'J' or 'N' (preselected as given: 'N'/'n' selects No, anything else Yes).
void AskYesNo(std::string_view question, char& answer);
// AskYesNo with 'J' for true; flag = the answer is not 'N'.
void AskYesNoFlag(std::string_view question, bool& flag);
void AskYesNoFlag(std::string_view question, std::uint8_t& flag);
// Message box with Yes, No and Cancel captioned MakerTitle; Cancel sets AbortFlag. True for Yes.
bool AskYesNoCancel(std::string_view question);
bool AskYes(std::string_view question);

// ---- messages --------------------------------------------------------------------------------

// Task-modal box with OK; caption "Error  : " for kind 12, "Help" for kind 3, "Message:" else.
void MessageBoxKind(std::string_view text, int kind);
void ShowError(std::string_view text);    // kind 12, only while ErrorBoxesOn is set
void ShowErrorBox(std::string_view text); // kind 12, always
void ShowMessage(std::string_view text);  // kind 0
void ShowMessageKind11(std::string_view text);
void AppMessageBox(std::string_view caption, std::string_view text);
void ShowMessageForm(std::string_view text); // the platform's plain message dialog
void ShowStatus(std::string_view text);      // through StatusHook
void ArchiveModeMessage();
void ShowSplashScreen(); // TextLines[1..22] under the product title

// Each character of chars in double quotes, a blank between: "张" "Ω".
std::string QuotedCharacters(std::string_view chars);
// "<what>: <file> cannot hold "Ω" (its texts are in ...). Type the text without it."
std::string CodePageProblem(std::string_view what, std::string_view file, std::string_view lost,
                            TextEncoding page);
std::string CodePageProblem(std::string_view what, std::string_view file, std::string_view lost,
                            os::CodePage page);
// Why a text typed for a file's field would not be stored as it stands ("" when it would):
// characters the file's code page lacks (each named once), characters of `refused` that the
// format reserves, more than capacity characters (0: no limit). what names the input ("Drawing
// data, Compl. Name"), file the file ("the job file").
std::string TextStoreProblem(std::string_view what, std::string_view text, int capacity,
                             TextEncoding page, std::string_view refused = {},
                             std::string_view file = "the job file");
// "<what>: <file> holds at most N characters here (M typed). Shorten the text." when text is
// longer than capacity (0: no limit), else "".
std::string LengthProblem(std::string_view what, std::string_view text, int capacity,
                          std::string_view file);
// OK's check of such a text: true when it is stored as it stands, else the problem is shown,
// once showInput has put the input before the user's eyes (focused, its cell selected).
bool TextStorable(std::string_view what, std::string_view text, int capacity, TextEncoding page,
                  std::string_view refused = {}, std::string_view file = "the job file",
                  const std::function<void()>& showInput = {});

// ---- input -----------------------------------------------------------------------------------

// Why a typed text would not be kept where it goes ("" when it would be).
using TextCheck = std::function<std::string(const std::string& typed)>;
// Text of at most maxLength characters; unless cancelled, text = the text as typed (a text left
// as shown: the one given). OK with a typed text that check refuses shows why and keeps the
// prompt open on it; the place that stores the text keeps it or refuses it so.
void InputTextDialog(std::string_view prompt, int maxLength, std::string& text,
                     const TextCheck& check = {});
void InputText(std::string_view prompt, int maxLength, std::string& text,
               const TextCheck& check = {});
// A number within min .. max (inclusive), shown with 3 significant digits. A text that is no
// number ("Invalid Input \"...\" !") or a value out of range ("Valid Data are: a .. b !") is
// reported and asked again. An unchanged text keeps x exactly.
void InputRealRange(std::string_view prompt, long double& x, long double min, long double max);
void InputDoubleRange(std::string_view prompt, double& x, double min, double max);
// A length in mm, asked in the current unit system (" [mm]" or " [inch]" after the prompt). An
// unchanged text keeps x exactly.
void InputLength(std::string_view prompt, long double& x, long double min, long double max);
// A whole number between a and b (in either order).
void InputInteger(std::string_view prompt, std::int32_t& n, std::int32_t a, std::int32_t b);
void InputIntegerRange(std::string_view prompt, std::int32_t& n, std::int32_t lo, std::int32_t hi);
void InputWordRange(std::string_view prompt, std::uint16_t& n, std::uint16_t lo, std::uint16_t hi);
void SetHelpContext(std::uint16_t n); // HelpNo = n

// ---- checked file operations -----------------------------------------------------------------
// Each reports a failure through ShowError and sets AbortFlag.

void WriteChecked(TextFile& file, std::string_view s); // nothing while AbortFlag is set
void CloseChecked(TextFile& file);
void RewriteChecked(TextFile& file);
// Opens for writing, asking Retry or Cancel while it fails (see framework/core/rewrite_retry.h);
// false (and AbortFlag) when the user gives up.
bool RewriteRetry(TextFile& file);
// The file can be opened for reading; otherwise "file <name> not found or no access !".
bool CheckFileReadable(const std::string& name);
// Checks a job file's name before the job is written to it (ConfirmOutputFile of
// framework/core/files.h, the job's own file allowed): a name no file can be written under is
// refused ("invalid file name "..." ! (cause)" for a name no file can have, else "File ... could
// not be written: cause."), an existing file is confirmed by the user (while ConfirmOverwrite is
// set and the file's name does not contain "actual"). The existing file is never touched:
// writers replace it through a draft when they are done. Refusal and No set AbortFlag.
void CheckOverwrite(const std::string& path);
// The one path of every other command that writes a file the user named: the name chosen with
// "." + ext added unless it ends so (any letter case; "htm|html" names the extensions the format
// takes, the first one added), checked as CheckOverwrite checks, but never
// the open job's own file. The file to write, or "" (reported, AbortFlag) when refused or not
// confirmed.
std::string PrepareOutputFile(std::string_view chosen, std::string_view ext);

// ---- cursors and title -----------------------------------------------------------------------

void SetHourglassCursor();
void RestoreDefaultCursor();
void RestoreCursor();
// s = MakerTitle, "  -  " and the data file name (with "." + DataFileExt when its name has no
// extension); MakerTitle alone without a data file. Sets the application title and the cursor.
void SetAppTitle(std::string& s);

// ---- file and directory choice ---------------------------------------------------------------

// Open dialog on directory with the filter mask. A chosen file sets directory to its directory
// and name to its name without extension (mode 5: the full file name); mode 4 also sets
// DataFileExt from the file's extension. Nothing chosen: name empty and AbortFlag.
void SelectOpenFile(int mode, std::string& directory, std::string_view mask, std::string& name);
// Open dialog in the directory of currentPath; result = the file, or currentPath and AbortFlag.
void SelectFileDialog(std::string_view currentPath, std::string_view mask, std::string& result);
// Directory choice starting in currentDirectory; result = the directory chosen (with a trailing
// separator), or currentDirectory when cancelled.
void SelectDirectory(std::string_view currentDirectory, std::string& result);
// Full path of a data file to load (asks when name is empty); checked readable.
void ChooseDataFile(std::string_view name, std::string& path);
// Full path of a data file to save (asks when name is empty); checked by CheckOverwrite.
void SelectSaveFile(std::string_view name, std::string& path);
// AddBackslash(directory) + name + the extension part of mask ("*.q1w" gives ".q1w").
void JoinFileName(std::string_view name, std::string_view directory, std::string_view mask,
                  std::string& result);
// Lets the user choose a data file and erases it after confirmation.
void DeleteDataFile(std::string_view directory, std::string_view mask);

// The spreadsheet application the Excel commands created ("Excel.Application"), or nullptr.
extern std::unique_ptr<TExcelApplication> ExcelApp;

// Writes the lines of a data file, converted from the DOS code page, into column 1 of the
// active sheet of ExcelApp (line i into row i) and shows the sheet. An empty name: "File not
// found. Use "File->Save"" and AbortFlag; otherwise the file is found as ChooseDataFile finds it
// (a missing file is reported and sets AbortFlag; the job keeps its name). No spreadsheet, or
// one that cannot be shown: "Could not start Excel" with the program and its setting, or why
// the workbook was not written, and AbortFlag.
void LoadDataFile(std::string_view name);

// Called by unit initialisations before they allocate their tables; does nothing.
void AllocHook();
