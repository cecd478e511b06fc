#pragma once
// about: the about box of Help > QOR1W, the product identity. Opening it clears the drawing
// window and draws the maker's logo there, until the box closes: then the drawing comes back.

#include "platform/gui/controls.h"
#include "platform/gui/forms.h"

class TAboutBox : public TForm {
public:
    explicit TAboutBox(TComponent* AOwner);

    TPanel* Panel1;
    TLabel* ProductName;
    TLabel* Copyright;
    TLabel* Comments;
    TLabel* Label_extended;
    TLabel* Label_sonderversion;
    TButton* OKButton;

    void FormCreate(TObject* Sender);
};
