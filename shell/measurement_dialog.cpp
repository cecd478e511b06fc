// lqor1mes: the measurement dialog.
#include "shell/measurement_dialog.h"

#include <cmath>

#include "calc/geardata.h"
#include "calc/tables.h"
#include "framework/core/globals.h"
#include "framework/core/text.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/help.h"

namespace {
constexpr int kLabelWidth = 210, kEdit = 232, kRow = 29, kTop = 16;
} // namespace

TForm_messen::TForm_messen(TComponent* AOwner) : TInputForm(AOwner) {
    SetName("Form_messen");
    SetClientWidth(5 * 104 + 12);
    SetClientHeight(kTop + 3 * kRow + 16);
    // The column titles and gear 1 lie under gear 2 and stay hidden.
    Label_rad1 = NewLabel(this, "Label_rad1", "gear 1", kEdit, 0, 90);
    Label_rad2 = NewLabel(this, "Label_rad2", "gear 2", kEdit, 0, 90);
    Label_k = NewLabel(this, "Label_k", "No. of teeth measured k", 16, kTop, kLabelWidth);
    Label_dm =
        NewLabel(this, "Label_dm", "Ball and pin diameters DM", 16, kTop + kRow, kLabelWidth);
    Edit_k1 =
        NewValueEdit(this, "Edit_k1", TValueKind::Rounded, InputRange::Teeth, kEdit, kTop, 90);
    Edit_k2 =
        NewValueEdit(this, "Edit_k2", TValueKind::Rounded, InputRange::Teeth, kEdit, kTop, 90);
    Edit_dm1 = NewValueEdit(this, "Edit_dm1", TValueKind::Length, InputRange::ZeroOrLength, kEdit,
                            kTop + kRow, 90);
    Edit_dm2 = NewValueEdit(this, "Edit_dm2", TValueKind::Length, InputRange::ZeroOrLength, kEdit,
                            kTop + kRow, 90);
    Edit_k1->Caption = Edit_k2->Caption = Label_k;
    Edit_dm1->Caption = Edit_dm2->Caption = Label_dm;
    Button_k =
        NewButton(this, "Button_k", "<", kEdit + 96, kTop, 32, [this] { Button_kClick(this); });
    Label_dmu = NewLabel(this, "Label_dmu", "", kEdit + 96, kTop + kRow, 30);
    Button_dm = NewButton(this, "Button_dm", "<", kEdit + 130, kTop + kRow, 32,
                          [this] { Button_dmClick(this); });
    CheckBox_vq2 = NewCheckBox(this, "CheckBox_vq2", "", kEdit + 170, kTop, 100, nullptr);

    const int bottom = kTop + 2 * kRow + 12;
    CreateOkCancel(8, bottom, [this] {
        if (!StoreControls()) return false;
        GearData.MeasureMode = 0; // the values are entered now
        return true;
    });
    Button_ok = FOk;
    Button_cancel = FCancel;
    for (TButton* b : {Button_ok, Button_cancel})
        b->SetWidth(98);
    Button_cancel->SetLeft(8 + 104);
    Button_help = NewButton(this, "Button_help", "&Help", 8 + 2 * 104, bottom, 98, [] {
        ShowHelp(9020, 0, 1);
        AbortFlag = 0;
    });
    Button_hilfebild =
        NewButton(this, "Button_hilfebild", "Aux. &Image", 8 + 3 * 104, bottom, 98, [this] {
            {
                TScratchGearData scratch;
                if (StoreControls()) ShowHelp(9020, 0, 2);
            }
            AbortFlag = 0;
            ToFront();
        });
    Button_metric = NewButton(this, "Button_metric", "mm <--> in", 8 + 4 * 104, bottom, 98,
                              [this] { Button_metricClick(this); });
    OnCreate = [this](TObject* s) { FormCreate(s); };
}

void TForm_messen::FormCreate(TObject*) {
    FitForm(this);
    SetCaption(ProductTitle + "  " + "No. of teeth measured" + ", " + "Ball and pin diameters");
    for (TControl* c :
         std::initializer_list<TControl*>{CheckBox_vq2, Edit_k1, Edit_dm1, Label_rad1, Label_rad2})
        c->Hide();
    LoadControls();
}

void TForm_messen::LoadControls() {
    const TGearData& g = GearData;
    Edit_dm1->ShowValue(g.DM[1], LengthToStr(g.DM[1]));
    Edit_dm2->ShowValue(g.DM[2], LengthToStr(g.DM[2]));
    Label_dmu->SetCaption(LengthUnitText());
    Edit_k1->ShowValue(g.k[1], IntToString(g.k[1]));
    Edit_k2->ShowValue(g.k[2], IntToString(g.k[2]));
}

bool TForm_messen::StoreControls() {
    TGearData& g = GearData;
    long double dm1 = 0, dm2 = 0;
    std::int32_t k1 = 0, k2 = 0;
    if (!ReadValues(
            {{Edit_dm1, &dm1}, {Edit_dm2, &dm2}, {Edit_k1, nullptr, &k1}, {Edit_k2, nullptr, &k2}}))
        return false;
    g.DM[1] = dm1;
    g.DM[2] = dm2;
    g.k[1] = k1;
    g.k[2] = k2;
    return true;
}

void TForm_messen::Button_kClick(TObject*) {
    // Proposed from the entries and the last calculation; the data changes only on OK.
    TScratchGearData scratch;
    if (!StoreControls()) return;
    TGearData& g = GearData;
    for (int i = 1; i <= 2; ++i)
        g.k[i] = kmess(g.z[i], g.betaRad, g.alphaRad, g.xEmin[i], g.mn);
    LoadControls();
}

void TForm_messen::Button_dmClick(TObject*) {
    TScratchGearData scratch;
    if (!StoreControls()) return;
    TGearData& g = GearData;
    for (int i = 1; i <= 2; ++i) {
        const long double dm = DmMess(g.z[i], g.betaRad, g.alphaRad, g.xEmin[i], g.mn);
        if (std::isfinite(dm)) g.DM[i] = dm;
    }
    LoadControls();
}

void TForm_messen::Button_metricClick(TObject*) {
    TScratchGearData scratch;
    if (!StoreControls()) return;
    ToggleUnitSystem();
    LoadControls();
}
