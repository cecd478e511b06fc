// qor1conf and vq2conf: the drawing-settings dialogs.
#include "shell/drawing_settings.h"

#include <cmath>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "cad/cadstate.h"
#include "calc/calcentry.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/help.h"

namespace {

constexpr int kShapeMax = 2000; // the most points and roll positions the drawings take
constexpr TInputRange kShift = InputRange::Factor;
constexpr TInputRange kAngle{-36000, 36000}; // degrees of rotation

// The shift a combo index stands for: the mean, largest or smallest generating shift of the
// premachined (1..3) or finished (4..6) tooth from the last calculation.
long double ShiftOfChoice(int index, int gear) {
    const TGearData& g = GearData;
    switch (index) {
    case 1:
        return (g.xEminV[gear] + g.xEmaxV[gear]) / 2.0L;
    case 2:
        return g.xEmaxV[gear];
    case 3:
        return g.xEminV[gear];
    case 4:
        return (g.xEmax[gear] + g.xEmin[gear]) / 2.0L;
    case 5:
        return g.xEmax[gear];
    case 6:
        return g.xEmin[gear];
    default:
        return 0.0L;
    }
}

void ShowShiftText(TValueEdit* field, long double x) {
    field->ShowValue(x, FloatToStrSig6(x));
}

} // namespace

// ---- TForm_qor1conf ---------------------------------------------------------------------------

TForm_qor1conf::TForm_qor1conf(TComponent* AOwner) : TForm(AOwner) {
    SetName("Form_qor1conf");
    SetBounds(0, 0, 560, 420);
    SetClientWidth(560);
    SetClientHeight(392);
    constexpr int kEditLeft = 400;
    CheckBox_fussausrundung_zeichnen =
        NewCheckBox(this, "CheckBox_fussausrundung_zeichnen", "", 8, 10, 380, {});
    Label_anzahl_punkte_evolvente = NewLabel(this, "Label_anzahl_punkte_evolvente", "", 8, 40);
    edit_anzevolvpoints = NewSpinEdit(this, "edit_anzevolvpoints", kEditLeft, 40, 90, 0, kShapeMax);
    CheckBox_polyline = NewCheckBox(this, "CheckBox_polyline", "", 8, 72, 380, {});
    Label_aufloesung_fussausrundung = NewLabel(this, "Label_aufloesung_fussausrundung", "", 8, 102);
    edit_aufloesung_fussausrundung =
        NewSpinEdit(this, "edit_aufloesung_fussausrundung", kEditLeft, 102, 90, 0, kShapeMax);
    Label_anzahl_huellkurven_hohlraeder =
        NewLabel(this, "Label_anzahl_huellkurven_hohlraeder", "", 8, 132);
    edit_anzhohl = NewSpinEdit(this, "edit_anzhohl", kEditLeft, 132, 90, 0, kShapeMax);
    Label_anzahl_huellkurven_stirnraeder =
        NewLabel(this, "Label_anzahl_huellkurven_stirnraeder", "", 8, 162);
    edit_anzhull = NewSpinEdit(this, "edit_anzhull", kEditLeft, 162, 90, 0, kShapeMax);

    Label_rad1 = NewLabel(this, "Label_rad1", "", 310, 194);
    Label_rad2 = NewLabel(this, "Label_rad2", "", 430, 194);
    Label_xee = NewLabel(this, "Label_xee", "", 8, 194);
    ComboBox_xee = NewControl<TComboBox>(this, "ComboBox_xee", 8, 218, 300, 24);
    Edit_xee1 = NewValueEdit(this, "Edit_xee1", TValueKind::Real, kShift, 316, 218, 100);
    Edit_xee2 = NewValueEdit(this, "Edit_xee2", TValueKind::Real, kShift, 424, 218, 120);
    Label_xeh = NewLabel(this, "Label_xeh", "", 8, 248);
    ComboBox_xeh = NewControl<TComboBox>(this, "ComboBox_xeh", 8, 272, 300, 24);
    Edit_xeh1 = NewValueEdit(this, "Edit_xeh1", TValueKind::Real, kShift, 316, 272, 100);
    Edit_xeh2 = NewValueEdit(this, "Edit_xeh2", TValueKind::Real, kShift, 424, 272, 120);
    for (TComboBox* c : {ComboBox_xee, ComboBox_xeh})
        c->SetStyle(csDropDownList);
    CheckBox_durchmesser_anzeigen =
        NewCheckBox(this, "CheckBox_durchmesser_anzeigen", "", 8, 310, 380, {});

    // Kept hidden: the drawing centre distance and the rotation of gear 1.
    Label_a = NewLabel(this, "Label_a", "", 8, 336);
    ComboBox_a = NewControl<TComboBox>(this, "ComboBox_a", 160, 336, 90, 24);
    ComboBox_a->SetStyle(csDropDownList);
    Edit_a = NewValueEdit(this, "Edit_a", TValueKind::Length, InputRange::Length, 256, 336, 100);
    Label_au = NewLabel(this, "Label_au", "", 362, 336);
    Label_wdreh1 = NewLabel(this, "Label_wdreh1", "", 8, 336);
    Edit_wdreh1 = NewValueEdit(this, "Edit_wdreh1", TValueKind::Real, kAngle, 256, 336, 100);
    Label_wdreh1u = NewLabel(this, "Label_wdreh1u", "", 362, 336);
    SpinButton1 = NewControl<TUpDown>(this, "SpinButton1", 390, 336, 20, 24);
    Button_wdrehc = NewButton(this, "Button_wdrehc", "C", 414, 336, 28, {});
    Button_wdreha = NewButton(this, "Button_wdreha", "A", 446, 336, 28, {});
    Button_wdrehe = NewButton(this, "Button_wdrehe", "E", 478, 336, 28, {});

    Button_ok = NewButton(this, "Button_ok", "&OK", 8, 356, 88, {});
    Button_ok->SetDefault(true);
    Button_cancel = NewButton(this, "Button_cancel", "&Cancel", 104, 356, 88, {});
    Button_cancel->SetCancel(true);
    Button_reset = NewButton(this, "Button_reset", "<", 200, 356, 40, {});
    Button_help = NewButton(this, "Button_help", "&Help Text", 434, 356, 118, {});

    CheckBox_fussausrundung_zeichnen->OnClick = [this](TObject* s) {
        CheckBox_fussausrundung_zeichnenClick(s);
    };
    ComboBox_xee->OnChange = [this](TObject* s) { ComboBox_xeeChange(s); };
    ComboBox_xeh->OnChange = [this](TObject* s) { ComboBox_xehChange(s); };
    ComboBox_a->OnChange = [this](TObject* s) { ComboBox_aChange(s); };
    SpinButton1->OnClick = [this](TObject* s, TUDBtnType b) { SpinButton1Click(s, b); };
    Button_wdrehc->OnClick = [this](TObject*) { Button_wdrehClick(GearData.jtShiftAvg); };
    Button_wdreha->OnClick = [this](TObject*) { Button_wdrehClick(GearData.jtShiftMin); };
    Button_wdrehe->OnClick = [this](TObject*) { Button_wdrehClick(GearData.jtShiftMax); };
    Button_ok->OnClick = [this](TObject* s) { Button_okClick(s); };
    Button_cancel->OnClick = [this](TObject* s) { Button_cancelClick(s); };
    Button_help->OnClick = [this](TObject* s) { Button_helpClick(s); };
    Button_reset->OnClick = [this](TObject* s) { Button_resetClick(s); };
    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnShow = [this](TObject* s) { FormShow(s); };
}

void TForm_qor1conf::FormCreate(TObject*) {
    SetBorderStyle(bsDialog);
    FitForm(this);
    SetCaption(ProductTitle);
    const std::pair<TControl*, std::uint16_t> hints[] = {
        {CheckBox_fussausrundung_zeichnen, 8380},
        {Label_anzahl_punkte_evolvente, 8300},
        {CheckBox_polyline, 8310},
        {Label_aufloesung_fussausrundung, 8345},
        {Label_anzahl_huellkurven_hohlraeder, 8320},
        {Label_anzahl_huellkurven_stirnraeder, 8325},
        {Label_xee, 8330},
        {Label_xeh, 8340},
        {Label_a, 8350},
        {Label_wdreh1, 8370}};
    for (const auto& [control, number] : hints)
        SetHelpHint(control, number);
    CheckBox_fussausrundung_zeichnen->SetCaption(OemToAnsiString("Draw tooth root curve ?"));
    Label_anzahl_punkte_evolvente->SetCaption(
        OemToAnsiString("Number of points for involute polycurve"));
    CheckBox_polyline->SetCaption(OemToAnsiString("Involute curve as Polyline ?"));
    Label_aufloesung_fussausrundung->SetCaption(OemToAnsiString("Fillet resolution"));
    Label_anzahl_huellkurven_hohlraeder->SetCaption(
        OemToAnsiString("number Tooth shape ring gear"));
    Label_anzahl_huellkurven_stirnraeder->SetCaption(
        OemToAnsiString("number Tooth shape spur gear"));
    Label_xee->SetCaption(OemToAnsiString("Gen.addend.modif.coeff. Involute xee"));
    Label_xeh->SetCaption(OemToAnsiString("Gen.addend.modif.coeff. Tooth shape xeh"));
    CheckBox_durchmesser_anzeigen->SetCaption(OemToAnsiString("Draw diameters ?"));
    Label_a->SetCaption(OemToAnsiString("Center distance a"));
    Label_au->SetCaption(LengthUnitText());
    Label_wdreh1->SetCaption(OemToAnsiString("angle of rotation gear 1"));
    Label_wdreh1u->SetCaption(AngleUnitText());
    Label_rad1->SetCaption(OemToAnsiString("gear 1"));
    Label_rad2->SetCaption(OemToAnsiString("gear 2"));

    const std::vector<std::string> shifts = {"xe ...",
                                             "Average torsional backlash premach.",
                                             "Min.torsional backlash premach.",
                                             "Max.torsional backlash premach.",
                                             "Average torsional backlash finished",
                                             "Min.torsional backlash finished",
                                             "Max.torsional backlash finished"};
    for (TComboBox* c : {ComboBox_xee, ComboBox_xeh}) {
        c->Items().Assign(shifts);
        c->SetItemIndex(0);
    }
    ComboBox_a->Items().Assign({"a ...", "Nom.", "Max.", "Min."});
    ComboBox_a->SetItemIndex(0);
    for (TControl* c : std::initializer_list<TControl*>{
             Edit_xee1, Edit_xeh1, Label_rad1, Label_rad2, Label_a, ComboBox_a, Edit_a, Label_au,
             Label_wdreh1, Edit_wdreh1, Label_wdreh1u, SpinButton1, Button_wdrehc, Button_wdreha,
             Button_wdrehe})
        c->Hide();
}

void TForm_qor1conf::FormShow(TObject*) {
    LoadControls();
}

void TForm_qor1conf::LoadControls() {
    const TGearData& g = GearData;
    FShown = g;
    CheckBox_fussausrundung_zeichnen->SetChecked(g.DrawRootCurve);
    CheckBox_fussausrundung_zeichnenClick(nullptr);
    edit_anzevolvpoints->SetValue(g.InvolutePoints);
    CheckBox_polyline->SetChecked(g.InvolutePolyline != 0);
    edit_aufloesung_fussausrundung->SetValue(g.FilletResolution);
    edit_anzhohl->SetValue(g.RingGearShapes);
    edit_anzhull->SetValue(g.GearShapes);
    // A choice other than "xe ..." keeps showing what it stands for.
    if (ComboBox_xee->ItemIndex() <= 0) {
        ShowShiftText(Edit_xee1, g.xee[1]);
        ShowShiftText(Edit_xee2, g.xee[2]);
    }
    if (ComboBox_xeh->ItemIndex() <= 0) {
        ShowShiftText(Edit_xeh1, g.xeh[1]);
        ShowShiftText(Edit_xeh2, g.xeh[2]);
    }
    ComboBox_xeeChange(nullptr);
    ComboBox_xehChange(nullptr);
    CheckBox_durchmesser_anzeigen->SetChecked(g.DrawDiameters == 2);
    Edit_a->ShowValue(g.aDraw, LengthToStrDec(3, g.aDraw));
    ComboBox_aChange(nullptr);
    Edit_wdreh1->ShowValue(g.RotationAngle, FloatToStrSig3(g.RotationAngle));
}

bool TForm_qor1conf::StoreControls() {
    long double xee1 = 0, xee2 = 0, xeh1 = 0, xeh2 = 0, a = 0, angle = 0;
    if (!Edit_xee1->ReadValue(xee1) || !Edit_xee2->ReadValue(xee2) || !Edit_xeh1->ReadValue(xeh1) ||
        !Edit_xeh2->ReadValue(xeh2) || !Edit_a->ReadValue(a) || !Edit_wdreh1->ReadValue(angle))
        return false;
    TGearData& g = GearData;
    g.DrawRootCurve = CheckBox_fussausrundung_zeichnen->Checked();
    g.InvolutePoints = edit_anzevolvpoints->Value();
    g.InvolutePolyline = CheckBox_polyline->Checked() ? 1 : 0;
    g.FilletResolution = edit_aufloesung_fussausrundung->Value();
    g.RingGearShapes = edit_anzhohl->Value();
    g.GearShapes = edit_anzhull->Value();
    g.xee[1] = xee1;
    g.xee[2] = xee2;
    g.xeh[1] = xeh1;
    g.xeh[2] = xeh2;
    g.DrawDiameters = CheckBox_durchmesser_anzeigen->Checked() ? 2 : 1;
    g.aDraw = a;
    g.RotationAngle = angle;
    return true;
}

void TForm_qor1conf::Button_okClick(TObject*) {
    if (!StoreControls()) return; // the dialog stays open with the field in question focused
    CadUsePolylines = GearData.InvolutePolyline != 0;
    AbortFlag = 0;
    SetModalResult(mrOk);
}

void TForm_qor1conf::Button_cancelClick(TObject*) {
    GearData = FShown; // undoes what "<" changed
    AbortFlag = 1;
    Close();
}

void TForm_qor1conf::Button_helpClick(TObject*) {
    ShowHelp(8290, 1);
    AbortFlag = 0;
}

void TForm_qor1conf::Button_resetClick(TObject*) {
    MeanLimitValues();
    for (TComboBox* c : {ComboBox_xee, ComboBox_xeh, ComboBox_a})
        c->SetItemIndex(0);
    for (TEdit* e : {Edit_xee1, Edit_xee2, Edit_xeh1, Edit_xeh2, Edit_a})
        e->SetEnabled(true);
    const TGearData shown = FShown;
    LoadControls();
    FShown = shown; // Cancel still goes back to the data as it was shown
}

void TForm_qor1conf::CheckBox_fussausrundung_zeichnenClick(TObject*) {
    edit_aufloesung_fussausrundung->SetEnabled(CheckBox_fussausrundung_zeichnen->Checked());
}

void TForm_qor1conf::ShiftChoice(TComboBox* combo, TValueEdit* gear1, TValueEdit* gear2) {
    const int index = combo->ItemIndex();
    const bool free = index <= 0;
    gear1->SetEnabled(free);
    gear2->SetEnabled(free);
    if (free) return;
    ShowShiftText(gear1, ShiftOfChoice(index, 1));
    ShowShiftText(gear2, ShiftOfChoice(index, 2));
}

void TForm_qor1conf::ComboBox_xeeChange(TObject*) {
    ShiftChoice(ComboBox_xee, Edit_xee1, Edit_xee2);
}

void TForm_qor1conf::ComboBox_xehChange(TObject*) {
    ShiftChoice(ComboBox_xeh, Edit_xeh1, Edit_xeh2);
}

void TForm_qor1conf::ComboBox_aChange(TObject*) {
    const int index = ComboBox_a->ItemIndex();
    Edit_a->SetEnabled(index <= 0);
    if (index <= 0) return;
    const TGearData& g = GearData;
    const long double a = index == 2 ? g.a + g.Aae : index == 3 ? g.a + g.Aai : g.a;
    Edit_a->ShowValue(a, LengthToStr6(a));
}

void TForm_qor1conf::SpinButton1Click(TObject*, TUDBtnType Button) {
    const int z1 = GearData.z[1];
    if (z1 == 0) return;
    const long double step = (Button == btNext ? 20.0L : -20.0L) / z1;
    const long double angle = Edit_wdreh1->Peek() + step;
    Edit_wdreh1->ShowValue(angle, FloatToStrSig3(angle));
    if (StepMode != 0) Button_okClick(nullptr);
}

void TForm_qor1conf::Button_wdrehClick(long double angle) {
    if (std::isnan(angle)) return; // no path of contact: no start or end to turn to
    Edit_wdreh1->ShowValue(angle, FloatToStrSig3(angle));
}

namespace {
// Freed by FreeDrawingSettingsForm at program end, while the window system still exists.
TForm_qor1conf* gDrawingSettings = nullptr;
} // namespace

TForm_qor1conf* DrawingSettingsForm() {
    if (gDrawingSettings == nullptr) gDrawingSettings = NewForm<TForm_qor1conf>(nullptr);
    return gDrawingSettings;
}

void FreeDrawingSettingsForm() {
    if (gDrawingSettings != nullptr) gDrawingSettings->Free();
    gDrawingSettings = nullptr;
}

bool ShowDrawingSettings() {
    TForm_qor1conf* form = DrawingSettingsForm();
    form->StepMode = 0;
    if (form->ShowModal() != mrOk) {
        AbortFlag = 1;
        GearData = form->Shown();
    }
    return AbortFlag == 0;
}

// ---- TForm_vq2config --------------------------------------------------------------------------

TForm_vq2config::TForm_vq2config(TComponent* AOwner) : TForm(AOwner) {
    SetName("Form_vq2config");
    SetBounds(0, 0, 500, 260);
    SetClientWidth(500);
    SetClientHeight(220);
    Label_anzahl_punkte_evolvente = NewLabel(this, "Label_anzahl_punkte_evolvente", "", 8, 10);
    edit_anzevolvpoints = NewSpinEdit(this, "edit_anzevolvpoints", 400, 10, 90, 0, kShapeMax);
    CheckBox_polyline = NewCheckBox(this, "CheckBox_polyline", "", 8, 44, 480, {});
    Label_xe = NewLabel(this, "Label_xe", "", 8, 76);
    Edit_xe = NewValueEdit(this, "Edit_xe", TValueKind::Real, kShift, 220, 76, 110);
    Button_xe = NewButton(this, "Button_xe", "<", 336, 75, 36, {});
    Button_xemax = NewButton(this, "Button_xemax", "< m&ax", 376, 75, 56, {});
    Button_xemin = NewButton(this, "Button_xemin", "< m&in", 436, 75, 56, {});
    CheckBox_fussausrundung_zeichnen =
        NewCheckBox(this, "CheckBox_fussausrundung_zeichnen", "", 8, 112, 480, {});
    CheckBox_durchmesser_anzeigen =
        NewCheckBox(this, "CheckBox_durchmesser_anzeigen", "", 8, 142, 480, {});
    Button_ok = NewButton(this, "Button_ok", "&OK", 8, 184, 88, {});
    Button_ok->SetDefault(true);
    Button_cancel = NewButton(this, "Button_cancel", "&Cancel", 104, 184, 88, {});
    Button_cancel->SetCancel(true);
    Button_help = NewButton(this, "Button_help", "&Help", 396, 184, 96, {});

    Button_xe->OnClick = [this](TObject*) { ShowShift(GearData.xee[GearNo]); };
    Button_xemax->OnClick = [this](TObject*) { ShowShift(GearData.xEmax[GearNo]); };
    Button_xemin->OnClick = [this](TObject*) { ShowShift(GearData.xEmin[GearNo]); };
    Button_ok->OnClick = [this](TObject* s) { Button_okClick(s); };
    Button_cancel->OnClick = [this](TObject* s) { Button_cancelClick(s); };
    Button_help->OnClick = [this](TObject* s) { Button_helpClick(s); };
    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnShow = [this](TObject* s) { FormShow(s); };
}

void TForm_vq2config::FormCreate(TObject*) {
    SetBorderStyle(bsDialog);
    FitForm(this);
    SetCaption(OemToAnsiString(MakerTitle));
    Label_anzahl_punkte_evolvente->SetCaption(
        OemToAnsiString("Number of points for involute polycurve"));
    CheckBox_polyline->SetCaption(OemToAnsiString("Involute curve as Polyline ?"));
    Label_xe->SetCaption(OemToAnsiString("Gen.addend.modif.coeff. xe"));
    CheckBox_fussausrundung_zeichnen->SetCaption(OemToAnsiString("Tooth Root Trochoide"));
    CheckBox_durchmesser_anzeigen->SetCaption(OemToAnsiString("Draw diameters ?"));
    SetHelpHint(Label_anzahl_punkte_evolvente, 8300);
    SetHelpHint(CheckBox_polyline, 8310);
    SetHelpHint(Label_xe, 8330);
}

void TForm_vq2config::FormShow(TObject*) {
    SetCaption(ProductTitle + " CAD " + (GearNo == 1 ? "shaft" : "hub"));
    LoadControls();
}

void TForm_vq2config::LoadControls() {
    const TGearData& g = GearData;
    edit_anzevolvpoints->SetValue(g.InvolutePoints);
    ShowShift(g.xee[GearNo]);
    CheckBox_polyline->SetChecked(g.InvolutePolyline != 0);
    CheckBox_durchmesser_anzeigen->SetChecked(g.DrawDiameters == 2);
    CheckBox_fussausrundung_zeichnen->SetChecked(g.DrawRootCurve);
}

void TForm_vq2config::ShowShift(long double value) {
    ShowShiftText(Edit_xe, value);
}

bool TForm_vq2config::StoreControls() {
    long double xe = 0;
    if (!Edit_xe->ReadValue(xe)) return false;
    TGearData& g = GearData;
    g.InvolutePoints = edit_anzevolvpoints->Value();
    g.InvolutePolyline = CheckBox_polyline->Checked() ? 1 : 0;
    // One shift for the involute and the tooth shape alike.
    g.xee[GearNo] = xe;
    g.xeh[GearNo] = xe;
    g.DrawDiameters = CheckBox_durchmesser_anzeigen->Checked() ? 2 : 1;
    g.DrawRootCurve = CheckBox_fussausrundung_zeichnen->Checked();
    return true;
}

void TForm_vq2config::Button_okClick(TObject*) {
    if (!StoreControls()) return;
    CadUsePolylines = GearData.InvolutePolyline != 0;
    AbortFlag = 0;
    SetModalResult(mrOk);
}

void TForm_vq2config::Button_cancelClick(TObject*) {
    AbortFlag = 1;
    Close();
}

void TForm_vq2config::Button_helpClick(TObject*) {
    ShowHelp(8295, 1);
    AbortFlag = 0;
}

bool ShowGearCadSettings(int g) {
    if (g != 1 && g != 2) g = 2;
    TGearData& data = GearData;
    const std::uint16_t diameters = data.DrawDiameters;
    const bool rootCurve = data.DrawRootCurve;
    // The CAD tooth starts without diameters, and without a root curve while no teeth are set.
    data.DrawDiameters = 1;
    if (data.z[1] + data.z[2] == 0) data.DrawRootCurve = false;
    auto form = CreateForm<TForm_vq2config>();
    form->GearNo = g;
    if (form->ShowModal() != mrOk) AbortFlag = 1;
    if (AbortFlag != 0) {
        data.DrawDiameters = diameters;
        data.DrawRootCurve = rootCurve;
        return false;
    }
    return true;
}
