#pragma once
// printinf: the printer information window TForm_printerinfo: the capabilities of the printer in
// use, one per row of a two-column grid (item, value), then the printer's fonts.

#include "platform/gui/controls.h"
#include "platform/gui/forms.h"
#include "platform/gui/grids.h"

class TForm_printerinfo : public TForm {
public:
    explicit TForm_printerinfo(TComponent* AOwner);

    TStringGrid* StringGrid1;
    TButton* Button_ok;

    void FormCreate(TObject* Sender);
    void Button_okClick(TObject* Sender);
};
