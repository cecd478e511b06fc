#pragma once
// whbild: the catalogue of auxiliary pictures (HP-GL files in PltDir with a title each) and the
// showing of one picture file.
//
// The index AddBackslash(PltDir) + ProgramName (lower case) + ".dbh" holds one line per entry:
// "name","title" (title up to 50 characters), DOS code page; a line that page cannot hold (a
// picture in a folder of Chinese name) is kept in UTF-8 (EncodeKeptLine). The name is a picture's
// file name in PltDir without ".plt", or the full path (without ".plt") of a picture in another
// folder. Every change rewrites the index through a temporary file beside it: a failure leaves the
// index as it was and says that nothing was saved. A folder, named pipe or device in the
// index's place is refused with its cause, never read as "no catalogue" or written into.
//
// The catalogue of the shipped pictures (PltDir the shipped folder) is only read: its first
// change makes a copy in the user's data folder (UserDataDir()), which is used and changed
// from then on.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/files.h"
#include "platform/gui/controls.h"
#include "platform/gui/forms.h"

constexpr int DbhMaxEntries = 130;
constexpr int DbhTitleLength = 50;
constexpr int DbhNameLength = 8;

struct DbhEntry {
    std::string Name;
    std::string Title;
    int FileLine = 0; // 0-based line of the index file
};

// Where the user's own copy of fileName, a file of the shipped picture folder, lives while that
// folder is PltDir ("" when another picture folder is configured, whose files are the user's).
std::string UserCopyOfShipped(std::string_view fileName);
// The catalogue in use: the user's copy while the shipped pictures are used and it exists, else
// the one in PltDir.
std::string DbhFileName();
// The picture file of an entry's name.
std::string DbhPicturePath(std::string_view name);

// Reads the index (at most 130 entries). A malformed line shows "DBH file error" (once) and is
// passed over. False when the file cannot be read.
bool ReadDbhEntries(const std::string& file, std::vector<DbhEntry>& entries);
// One index line: "name","title" (a double quote becomes a single one; the title is kept
// whole: the input's 50 characters limit typing only).
std::string DbhLine(std::string_view name, std::string_view title);
// The list text of an entry: the name padded or cut to 8 characters, ": ", the title; at most
// 65 characters.
std::string DbhListText(const DbhEntry& e);
// The picture file name of an entry: its first 8 characters without blanks, in lower case.
std::string DbhPictureName(std::string_view name);

// Index changes by file line (0-based); true when the index was rewritten.
bool DbhAppend(const std::string& file, std::string_view name, std::string_view title);
bool DbhDelete(const std::string& file, int fileLine);
bool DbhReplace(const std::string& file, int fileLine, std::string_view name,
                std::string_view title);
bool DbhInsert(const std::string& file, int fileLine, std::string_view name,
               std::string_view title);

// The catalogue browser of the Help menu and the picture buttons.
void ShowHelpPictures();
// Shows one picture file of PltDir in a 160 x 120 mm window (".plt" is added unless the name
// already ends in it).
void ShowPltPicture(std::string_view name);

// The printer escape sequences around HP-GL/2: ESC E ESC %0B and ESC %0A ESC E.
void WriteHpglModeOn(TextFile& file);
void WriteHpglModeOff(TextFile& file);

// The catalogue's selection form.
class TForm_hilfebild : public TForm {
public:
    explicit TForm_hilfebild(TComponent* AOwner);
    TComboBox* ListBox1;
    TUpDown* SpinButton1;
    TButton* Button_ok;
    TButton* Button_help;
    TButton* Button_neu;
    TButton* Button_aendern;
    TButton* Button_einfuegen;
    TButton* Button_loeschen;

    std::uint8_t Filling = 0;
    std::uint16_t EntryCount = 0;
    std::uint16_t SelectedEntry = 1; // 1-based; the choice when the form closes
    std::uint16_t Unused = 1;
    std::uint16_t PictureAction = 0; // 0 none, 1 new, 2 insert, 3 delete, 9 modify

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormDestroy(TObject* Sender);
    void ListBox1Change(TObject* Sender);
    void SpinButton1UpClick(TObject* Sender);
    void SpinButton1DownClick(TObject* Sender);
    void Button_neuClick(TObject* Sender);
    void Button_einfuegenClick(TObject* Sender);
    void Button_loeschenClick(TObject* Sender);
    void Button_aendernClick(TObject* Sender);
    void Button_okClick(TObject* Sender);
    void Button_helpClick(TObject* Sender);

private:
    void Choose(int entry);
    void Act(std::uint16_t action);
};
