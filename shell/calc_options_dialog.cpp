// qorwcon2: the calculation options dialog.
#include "shell/calc_options_dialog.h"

#include "calc/geardata.h"
#include "framework/core/globals.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/help.h"

TForm_qorwcon2::TForm_qorwcon2(TComponent* AOwner) : TInputForm(AOwner) {
    SetName("Form_qorwcon2");
    SetClientWidth(540);
    SetClientHeight(250);
    RadioGroup_mess = NewRadioGroup(this, "RadioGroup_mess", "", 8, 8, 474, 76, {});
    Button_reset =
        NewButton(this, "Button_reset", "<", 490, 30, 32, [this] { Button_resetClick(this); });
    RadioGroup_vzq = NewRadioGroup(this, "RadioGroup_vzq", "", 8, 92, 474, 76, {});
    Label_warnung = NewLabel(this, "Label_warnung", "", 16, 178, 150);
    ComboBox_warnung = NewComboBox(this, "ComboBox_warnung", 172, 178, 220, nullptr);
    CreateOkCancel(8, 216, [this] {
        StoreControls();
        return true;
    });
    Button_ok = FOk;
    Button_cancel = FCancel;
    Button_help = NewButton(this, "Button_help", "&Help Text", 200, 216, 90, [] {
        ShowHelp(4460, 0, 1);
        AbortFlag = 0;
    });
    Button_help->Hide();
    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnShow = [this](TObject*) { LoadControls(); };
}

void TForm_qorwcon2::FormCreate(TObject*) {
    FitForm(this);
    // Titled by what it sets, as the other input dialogs are.
    SetCaption(ProductTitle + " " + "Calculation Method");
    RadioGroup_mess->SetCaption("ball diameter and No. of teeth measured");
    RadioGroup_mess->Items().Clear();
    RadioGroup_mess->Items().Add("Input DM and k for dimens. over balls, Span measurement");
    RadioGroup_mess->Items().Add("calculate DM and k for dimens. over balls, Span measurement");
    RadioGroup_vzq->SetCaption(" Gear quality Standard ");
    RadioGroup_vzq->Items().Add("DIN 3961:1978");
    RadioGroup_vzq->Items().Add("ISO 1328-1:2013, ISO 1328-2:1997");
    Label_warnung->SetCaption("warnings");
    SetHelpHint(Label_warnung, 4460);
    FillCombo(ComboBox_warnung, {"display all warnings", "hide warnings"}, 0);
    LoadControls();
}

void TForm_qorwcon2::LoadControls() {
    const TGearData& g = GearData;
    RadioGroup_mess->SetItemIndex(ClampIndex(FReset ? 0 : g.MeasureMode, 2));
    RadioGroup_vzq->SetItemIndex(ClampIndex(g.QualityStandard, 2));
    ComboBox_warnung->SetItemIndex(ClampIndex(g.WarningMode, 2));
}

void TForm_qorwcon2::StoreControls() {
    TGearData& g = GearData;
    if (FReset) {
        g.CalcOption = 0;
        g.GeoFormMode = 1;
        g.TipInputMode[1] = g.TipInputMode[2] = 2;
    }
    g.MeasureMode = ClampIndex(RadioGroup_mess->ItemIndex(), 2);
    g.QualityStandard = ClampIndex(RadioGroup_vzq->ItemIndex(), 2);
    g.WarningMode = ClampIndex(ComboBox_warnung->ItemIndex(), 2);
}

void TForm_qorwcon2::Button_resetClick(TObject*) {
    // The quality standard and the warnings keep their choice.
    FReset = true;
    RadioGroup_mess->SetItemIndex(0);
}
