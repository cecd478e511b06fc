#pragma once
// Unit w32rivoz: Tdbf4, the one window that shows a DBF table: a pick list (read views) or a
// full editor with appending, packing, import, export, printing and a sort by any column. The
// facade (facade.h) drives the one instance.
//
// Modes (SetupMode): 1, 4, 5 are read views (1 hides deleted records, 4 shows them, 5 keeps
// the setting); every other mode edits. With the text "CLOSE" a cell click, Up, Down or a
// search accepts at once. Accepting writes DbfSelectedRecNo, DbfGridPosA and DbfGridPosB.
//
// A right click on a column title sorts the table by that column through a temporary index of
// this process in TempDir; logical columns sort on "T"/"F", long texts on their first 100
// characters, memo columns are refused with a message.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "dbf/dataset/file_dataset.h"
#include "framework/ui/dialogs.h"
#include "platform/data/datasource.h"
#include "platform/gui/forms.h"

class TButton;
class TLabel;
class TMainMenu;
class TMenuItem;
class TOpenDialog;
class TSaveDialog;

namespace dbf {

class TTzGrid;
class TTzNavigator;

// The menu captions that follow the interface language (the shell sets the hook): the File,
// Edit, View and Help menus, Print, Exit, Database and the file-help item.
struct TDbfMenuCaptions {
    std::string File = "&File", Print = "&Print...", Exit = "E&xit", Edit = "&Edit", View = "&View",
                Help = "&Help", Database = "&Database", FileHelp = "&File";
};
extern std::function<TDbfMenuCaptions()> DbfMenuCaptionsHook;

// Why this user may not change the table file at path ("" when they may): a folder that cannot
// be written, a file marked read-only, or one the system refuses them (its owner named).
std::string TableNotWritableWhy(const std::string& path, bool folderToo);

class Tdbf4 : public TForm {
public:
    explicit Tdbf4(TComponent* AOwner);
    ~Tdbf4() override;

    // ---- components
    std::unique_ptr<TTzDbf> tzdbf;
    TDataSource tzdbf0;
    TTzGrid* TzGrid1 = nullptr;
    TTzNavigator* TzNavigator1 = nullptr;
    TLabel *Label_title1 = nullptr, *Label_title2 = nullptr, *Label_filename = nullptr,
           *Label_recno = nullptr;
    TButton *Button_ok = nullptr, *Button_cancel = nullptr, *Button_search = nullptr,
            *Button_SearchNext = nullptr;
    TOpenDialog* OpenDialog1 = nullptr;
    TSaveDialog *SaveDialog_htm = nullptr, *SaveDialog_txt = nullptr;
    TMainMenu* MainMenu1 = nullptr;
    TMenuItem *mi_File = nullptr, *mi_fileExportHtml = nullptr, *mi_fileSaveAsDelimited = nullptr,
              *mi_fileSep1 = nullptr, *mi_fileAppenddbf = nullptr,
              *mi_fileAppendDelimited = nullptr, *N2 = nullptr, *mi_filePrint = nullptr,
              *mi_fileSep3 = nullptr, *mi_fileExit = nullptr;
    TMenuItem *mi_edit = nullptr, *mi_editAppend = nullptr, *mi_editPack = nullptr;
    TMenuItem *mi_view = nullptr, *mi_viewSearch = nullptr, *mi_viewSearchNext = nullptr;
    TMenuItem *mi_Help = nullptr, *mi_helpdbf = nullptr, *mi_helpCommon = nullptr,
              *mi_helphilfebild = nullptr, *mi_helpDatei = nullptr;

    // ---- what the facade calls (errors are recorded for ErrorCode, never raised)
    void OpenTable(const std::string& path);
    void CloseTable();
    void SetupMode(std::string_view text, std::uint16_t mode);
    void SetTitles(std::string_view title1, std::string_view title2);
    void GoRecord(std::int32_t n);
    bool AppendRecordLocked();
    std::int32_t CurrentRecNo();
    std::int32_t RecordCount();
    int FieldCount();
    void PackTable();
    void SearchField(const std::string& text, bool& found, bool fromTop);
    void GetFieldByIndex(int n, std::string& text);
    bool GetFieldBool(std::string_view name);
    void SetFieldString(std::string_view name, std::string_view text);
    void SetFieldFloat(std::string_view name, long double value);
    void SetFieldInt(std::string_view name, std::int64_t value);
    void SetFieldBool(std::string_view name, bool value);
    // The engine's code of the last failed operation (1 for a failure without one), its text.
    std::int32_t ErrorCode() const { return FErrorCode; }
    const std::string& ErrorText() const { return FErrorText; }
    void ResetError() {
        FErrorCode = 0;
        FErrorText.clear();
    }
    void ClearError() { ResetError(); }

    // ---- handlers
    void Accept();
    void CancelClick();
    // Writes a pending edit (asking about a record saved elsewhere meanwhile); false when it
    // stays (the user went back to it, or it could not be written and was reported).
    bool LeaveEdit();
    void Search(bool next);
    // Sorts by grid column (0-based); the current record stays current.
    void SortByColumn(int column);
    void ExportHtml();
    // The HTML export into a chosen file (no dialog, no browser): false on failure.
    bool WriteHtml(const std::string& fileName);
    void PrintTable();
    void AppendDbf();
    void AppendDelimited();
    // Names the characters the last append stored as "?" (the table's page lacks them).
    void TellAppendLost();
    void SaveAsDelimited();
    void Pack();
    void HelpFile();

    bool CloseAfter() const { return FCloseAfter != 0; }
    // The open table is a copy in TempDir of `original`, which the user may not write: the edit
    // view says so before the first edit, with where the copy is and that nothing is kept.
    // why: what keeps the user from writing the original.
    void SetWorkingCopy(const std::string& original, const std::string& why = {}) {
        FWorkingCopyOf = original;
        FWorkingCopyWhy = why;
    }
    // The open table lies where nothing is kept (the user's data folder could not be made or
    // written): the edit view says so before the first edit.
    void SetNotKept(const std::string& why) { FNotKeptWhy = why; }
    // Why the open table could not be opened for writing ("" when it was).
    const std::string& ReadOnlyWhy() const { return FReadOnlyWhy; }
    std::uint16_t Mode() const { return FMode; }
    const std::string& SearchText() const { return FSearchText; }
    // The temporary sort index of this process.
    std::string SortIndexName() const;

private:
    void BuildForm();
    void CloseQuery(bool& canClose);
    void SetMenuCaptions();
    void SetHelpItemCaption();
    void FormResize();
    void ShowRecNo();
    bool IsReadView() const { return FMode == 1 || FMode == 4 || FMode == 5; }
    // Runs a facade operation: an error is recorded (ErrorCode), never raised.
    bool Facade(const std::function<void()>& work);
    // Runs a window command: an error is shown.
    bool Command(const std::function<void()>& work);
    // A field text as the file holds it, in UTF-8.
    std::string PeekText(int field, std::int32_t record);

    TFormDesign FDesign;
    std::string FSearchText;
    std::uint8_t FCloseAfter = 0;
    std::string FWorkingCopyOf; // "" for a table opened where it is
    std::string FWorkingCopyWhy, FNotKeptWhy, FReadOnlyWhy;
    std::uint16_t FMode = 0;
    std::int32_t FErrorCode = 0;
    std::string FErrorText;
};

} // namespace dbf
