#pragma once
// Change records and drawing information of the Documentation menu: the modification dialog
// TForm_EinAend, the drawing-information dialog TForm_zeichInfo and the change list as a
// listing. The data and the job file's change block are in shell/job/changes.h.

#include <cstdint>
#include <string>

#include "framework/ui/stored_texts.h"
#include "platform/gui/controls.h"
#include "platform/gui/forms.h"
#include "platform/gui/grids.h"

// The modification dialog for one entry of ChangeTable.
class TForm_EinAend : public TForm {
public:
    explicit TForm_EinAend(TComponent* AOwner);

    TLabel* Label_aenderung;
    TEdit* Edit_aenderung;
    TLabel* Label_datum;
    TEdit* Edit_datum;
    TButton* Button_datum;
    TLabel* Label_bearbeiter;
    TEdit* Edit_bearbeiter;
    TLabel* Label_beschreibung;
    TMemo* Memo_beschreibung;
    TButton* Button_ok;
    TButton* Button_cancel;
    TButton* Button_help;

    // The entry shown and stored (1..25).
    int Entry = 1;

    void FormCreate(TObject* Sender);
    // Caption and controls from entry Entry.
    void LoadEntry();
    void Button_datumClick(TObject* Sender);
    void Button_okClick(TObject* Sender);
    void Button_cancelClick(TObject* Sender);
    void Button_helpClick(TObject* Sender);

private:
    TStoredTexts FStored; // an entry's texts as shown; what OK leaves stands as stored
};

// The drawing-information dialog: references, signature rows and the free drawing texts.
class TForm_zeichInfo : public TForm {
public:
    explicit TForm_zeichInfo(TComponent* AOwner);

    TLabel* Label_ersatzfuer;
    TEdit* Edit_ersatzfuer;
    TLabel* Label_ersetztdurch;
    TEdit* Edit_ersetztdurch;
    TStringGrid* StringGrid1;
    TButton* Button1;
    TButton* Button2;
    TButton* Button3;
    TButton* Button4;
    TStringGrid* StringGrid2;
    TButton* Button_ok;
    TButton* Button_cancel;
    TButton* Button_help;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    // Today's date into the date cell of signature row 1..4.
    void DateButtonClick(int row);
    void Button_okClick(TObject* Sender);
    void Button_cancelClick(TObject* Sender);
    void Button_helpClick(TObject* Sender);

private:
    // Reads the text rows; false (a number reported) when a coordinate is no number.
    bool StoreTexts();
    // False (reported, the input focused) when a changed text would not be stored as it
    // stands.
    bool TextsStorable();
    TStoredTexts FStored; // the stored values as shown; what OK leaves stands as stored
};

// The Documentation menu's change commands: 1 new, 2 modify the last entry, 3 delete the last
// entry, 4 show the list, 5 print the list (the user chooses the device). Returns true when
// the change records were changed (a confirmed new or modified entry, a deletion), so that the
// caller marks the job modified whatever the listing afterwards does.
bool EditChanges(int code);
// The modification dialog for entry n; false when it was cancelled (AbortFlag set).
bool ShowEnterChange(int n);
// The drawing-information dialog; false when it was cancelled (AbortFlag set).
bool ShowDrawingInfo();
// The change list as a listing: mode 1 on screen, 0 the device the user chooses.
void ChangeTableListing(int mode);
// The index of entry i as the list shows it: "1", "2", ... with ChangeIndexStyle 1, else
// "a", "b", ....
std::string ChangeIndexText(int i);

// Start values of a new program run: the dates of signature rows 1 to 3 are today.
void InitDrawingInfoDates();
