#pragma once
// The drawing-text dialog TForm_vqeingabetext: the two title texts that head drawings and
// listings, and the drawing name, drawing number and second drawing-name line of the designed
// gear (the fields of gear 1 are hidden but kept). Each edit takes at most its field's capacity.
// A text left as it was shown keeps its stored value exactly (the display may transliterate).

#include "framework/ui/stored_texts.h"
#include "shell/input_fields.h"

class TForm_vqeingabetext : public TInputForm {
public:
    explicit TForm_vqeingabetext(TComponent* AOwner);

    TLabel *Label_info1, *Label_info2;
    TEdit *Edit_info1, *Edit_info2;
    TGroupBox *GroupBox_welle, *GroupBox_nabe;
    TEdit *Edit_zeichname1, *Edit_zeichnr1, *Edit_zeichname21;
    TEdit *Edit_zeichname2, *Edit_zeichnr2, *Edit_zeichname22;
    TButton *Button_ok, *Button_cancel;

    void FormCreate(TObject* Sender);
    void StoreControls();
    // False (reported, the edit focused) when a changed text would not be stored as it stands.
    bool TextsStorable();

private:
    TStoredTexts FStored; // each edit's stored value as shown
};

// Shows the dialog modally; AbortFlag tells Cancel.
void ShowDrawingTextDialog();
// Empties the three title texts (a new job).
void ClearTitleTexts();
