#include "shell/about.h"

#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/draw_device.h"
#include "framework/ui/drawing_window.h"

TAboutBox::TAboutBox(TComponent* AOwner) : TForm(AOwner) {
    SetName("AboutBox");
    SetBounds(0, 0, 330, 250);
    Panel1 = new TPanel(this);
    Panel1->SetName("Panel1");
    Panel1->SetBounds(8, 8, 314, 192);
    Panel1->SetBevelOuter(bvLowered);
    Panel1->SetCaption("");
    auto label = [this](const char* name, int top, int height) {
        auto* l = new TLabel(this);
        l->SetParent(Panel1);
        l->SetName(name);
        l->SetAutoSize(false);
        l->SetWordWrap(true);
        l->SetAlignment(taCenter);
        l->SetBounds(8, top, 298, height);
        return l;
    };
    Label_extended = label("Label_extended", 16, 40);
    ProductName = label("ProductName", 64, 24);
    Copyright = label("Copyright", 96, 24);
    Comments = label("Comments", 128, 24);
    Label_sonderversion = label("Label_sonderversion", 160, 24);
    OKButton = new TButton(this);
    OKButton->SetName("OKButton");
    OKButton->SetCaption("&OK");
    OKButton->SetBounds(125, 210, 80, 28);
    OKButton->SetModalResult(mrOk);
    OKButton->SetDefault(true);
    OKButton->SetCancel(true);
    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnDestroy = [](TObject*) { RestoreDrawingUnderPicture(); };
}

void TAboutBox::FormCreate(TObject*) {
    SetBorderStyle(bsDialog);
    FitForm(this);
    if (DrawDevice != nullptr) {
        // The logo shows while the box is open; the job's drawing comes back when it closes.
        KeepDrawingUnderPicture();
        DrawDevice->ClearDevice();
        DrawDevice->DrawLogo();
        PictureDrawn();
    }
    Label_extended->SetCaption(OemToAnsiString(MakerTitle));
    ProductName->SetCaption("Version " + VersionCode.str() + " for Linux");
    Copyright->SetCaption(OemToAnsiString(IdentTexts[1]));
    Comments->SetCaption(OemToAnsiString(IdentTexts[3]));
    Label_sonderversion->SetCaption("");
    SetCaption(ProductTitle);
}
